// Painting, checked on the screen's pixels.
#include "tests/board/BoardFixture.h"

#include <algorithm>
#include <string>

#include "resources/ResourceIds.h"

namespace kolo {
namespace {

class BoardPaintTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        auto bitmap = resources.LoadBitmap(kIdSkin);
        skin.reset(dynamic_cast<SoftBitmap*>(bitmap.release()));
        ASSERT_NE(skin, nullptr);
    }
    ColourRef Skin(int x, int y) const { return skin->Surface().GetPixel(x, y); }
    std::unique_ptr<SoftBitmap> skin;
};

bool IsInk(ColourRef c) {
    // Anti-aliased black text on white is grey; the wood never is.
    const int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
    return r < 128 && r == g && g == b;
}

TEST_F(BoardPaintTest, FirstPaintShowsBlankFrameNoImageAndStartingSwatch) {
    // "No Image!!!" sits at the top of the canvas, centred across it.
    int minX = kBoardWidth, maxX = -1, minY = kBoardHeight, maxY = -1;
    for (int y = kCanvasRect.top; y < kCanvasRect.bottom; ++y) {
        for (int x = kCanvasRect.left; x < kCanvasRect.right; ++x) {
            if (!IsInk(Screen(x, y))) continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    ASSERT_GE(maxX, 0) << "no text on the canvas";
    EXPECT_NEAR((minX + maxX) / 2.0, (kCanvasRect.left + kCanvasRect.right) / 2.0, 4.0);
    EXPECT_GT(minX, kCanvasRect.left + 200);
    EXPECT_LT(maxX, kCanvasRect.right - 200);
    EXPECT_GE(minY, kCanvasRect.top);
    EXPECT_LT(maxY, kCanvasRect.top + 20);
    // The text's opaque white box covers the frame above the letters.
    EXPECT_EQ(Screen((kCanvasRect.left + kCanvasRect.right) / 2, kCanvasRect.top + 1), kWhite);
    EXPECT_NE(ImagePixel(board.BlankCanvas(), 286, 1), kWhite);

    // The blank frame: its wood at the edges, white inside.
    EXPECT_EQ(Screen(kCanvasRect.left + 2, kCanvasRect.top + 200),
              ImagePixel(board.BlankCanvas(), 2, 200));
    EXPECT_NE(Screen(kCanvasRect.left + 2, kCanvasRect.top + 200), kWhite);
    EXPECT_EQ(Screen(300, 400), kWhite);

    for (int y = kSwatchRect.top; y < kSwatchRect.bottom; ++y) {
        for (int x = kSwatchRect.left; x < kSwatchRect.right; ++x) {
            ASSERT_EQ(Screen(x, y), kPink) << x << ", " << y;
        }
    }
    for (int y = kThumbnailRect.top; y < kThumbnailRect.bottom; ++y) {
        for (int x = kThumbnailRect.left; x < kThumbnailRect.right; ++x) {
            ASSERT_EQ(Screen(x, y), Skin(x, y)) << x << ", " << y;
        }
    }
}

TEST_F(BoardPaintTest, EverythingOutsideTheThreeRegionsIsTheSkin) {
    LoadDrawings(2);
    board.Click(200, 300);
    Paint();
    for (int y = 0; y < kBoardHeight; ++y) {
        for (int x = 0; x < kBoardWidth; ++x) {
            if (kCanvasRect.Contains(x, y) || kThumbnailRect.Contains(x, y) ||
                kSwatchRect.Contains(x, y)) {
                continue;
            }
            ASSERT_EQ(Screen(x, y), Skin(x, y)) << x << ", " << y;
        }
    }
}

TEST_F(BoardPaintTest, FillShowsItsColourAndHalvesItOnTheBorderLines) {
    LoadDrawings(1);
    board.Click(200, 300);
    Paint();
    EXPECT_EQ(Screen(200, 300), kPink);
    EXPECT_EQ(Screen(kCanvasRect.left + kDividerX - 1, 400), kPink);
    EXPECT_EQ(Screen(kCanvasRect.left + kDividerX, 400), kHalfPink);   // the line beside it
    EXPECT_EQ(Screen(kCanvasRect.left + 400, kCanvasRect.top + 300), kWhite);
    // A line with no painted neighbour stays black.
    EXPECT_EQ(Screen(kCanvasRect.left + 400, kCanvasRect.top + kShelfY), 0u);
}

TEST_F(BoardPaintTest, CanvasShowsThePictureAsLoadedUnderUnpaintedAreas) {
    LoadDrawings(1, 200);
    EXPECT_EQ(Screen(kCanvasRect.left + 50, kCanvasRect.top + 10), MakeColourRef(200, 200, 200));
    board.Click(kCanvasRect.left + 50, kCanvasRect.top + 300);
    Paint();
    // Painted areas cover the picture's grey.
    EXPECT_EQ(Screen(kCanvasRect.left + 50, kCanvasRect.top + 10), kPink);
}

TEST_F(BoardPaintTest, FrameWoodStaysOverThePictureAndPaintedAreas) {
    LoadDrawings(1);
    board.Click(200, 300);
    Paint();
    for (int x = 0; x < 7; ++x) {
        const ColourRef wood = ImagePixel(board.BlankCanvas(), x, 200);
        ASSERT_NE(wood, kWhite);
        EXPECT_EQ(Screen(kCanvasRect.left + x, kCanvasRect.top + 200), wood) << x;
    }
    EXPECT_EQ(Screen(kCanvasRect.left + 7, kCanvasRect.top + 200), kPink);
}

TEST_F(BoardPaintTest, ThumbnailShowsThePictureInItsFrame) {
    LoadDrawings(1, 200);
    EXPECT_EQ(Screen(kThumbnailRect.left + 1, kThumbnailRect.top + 80),
              ImagePixel(board.BlankThumbnail(), 1, 80));
    EXPECT_EQ(Screen(kThumbnailRect.left + 30, kThumbnailRect.top + 100), kWhite);
    EXPECT_NE(Skin(kThumbnailRect.left + 30, kThumbnailRect.top + 100), kWhite);
    // The picture's line, scaled from column 286 of 572 to about column 87 of 174, where the
    // shrink averages it into a darker column.
    int darkest = 255;
    for (int x = 84; x <= 90; ++x) {
        darkest = std::min<int>(darkest, RedOf(Screen(kThumbnailRect.left + x,
                                                       kThumbnailRect.top + 100)));
    }
    EXPECT_LT(darkest, 200);
    // Grey tones of the picture as loaded, never thresholded.
    EXPECT_EQ(Screen(kThumbnailRect.left + 20, kThumbnailRect.top + 5),
              MakeColourRef(200, 200, 200));
}

TEST_F(BoardPaintTest, ThumbnailFollowsANewFolderAtTheSameIndex) {
    LoadDrawings(1, 200);
    const int x = kThumbnailRect.left + 20, y = kThumbnailRect.top + 5;
    EXPECT_EQ(Screen(x, y), MakeColourRef(200, 200, 200));
    LoadDrawings(1, 120);
    EXPECT_EQ(Screen(x, y), MakeColourRef(120, 120, 120));
}

TEST_F(BoardPaintTest, EmptyFolderBlanksTheCanvasAndTheThumbnail) {
    const ColourRef blank = Screen(kThumbnailRect.left + 30, kThumbnailRect.top + 100);
    LoadDrawings(1);
    ASSERT_NE(Screen(kThumbnailRect.left + 30, kThumbnailRect.top + 100), blank);
    loader.folder.clear();
    board.SetImageURL("http://pictures.test/empty");
    Paint();
    EXPECT_TRUE(board.Pictures().empty());
    EXPECT_FALSE(board.HasCanvasPicture());
    EXPECT_EQ(Screen(kThumbnailRect.left + 30, kThumbnailRect.top + 100), blank);
}

TEST_F(BoardPaintTest, CopyStartsAtTheTargetOriginWhateverTheBounds) {
    ScreenContext target(kBoardWidth, kBoardHeight);
    target.FillRect(Rect{0, 0, kBoardWidth, kBoardHeight}, MakeColourRef(1, 2, 3));
    const Rect bounds{10, 10, 10 + kBoardWidth, 10 + kBoardHeight};
    board.Paint(target, bounds, bounds);
    EXPECT_EQ(board.BoundsRect(), bounds);
    bool shiftedDiffers = false;
    for (int x = 0; x < kBoardWidth; ++x) {
        ASSERT_EQ(target.GetPixel(x, 40), Skin(x, 40)) << x;
        if (x + 10 < kBoardWidth && Skin(x, 40) != Skin(x + 10, 50)) shiftedDiffers = true;
    }
    EXPECT_TRUE(shiftedDiffers);
    EXPECT_EQ(target.GetPixel(0, 0), Skin(0, 0));
    EXPECT_EQ(target.GetPixel(833, 643), Skin(833, 643));
}

// After every step of a session the canvas on the screen is exactly the picture with the
// canvas composed over it and the frame on top, whatever was painted before.
struct PaintStep {
    const char* name;
    void (*apply)(ColouringBoard& board, TestFolderLoader& loader);
};

void ClickCanvas(ColouringBoard& board, int x, int y) {
    board.Click(kCanvasRect.left + x, kCanvasRect.top + y);
}
void PickColour(ColouringBoard& board, int cell) {
    board.Click(kPaletteRect.left + 6 + 12 * (cell % 12), kPaletteRect.top + 6 + 12 * (cell / 12));
}

const PaintStep kPaintSteps[] = {
    {"FillLeftArea", [](ColouringBoard& b, TestFolderLoader&) { ClickCanvas(b, 100, 300); }},
    {"FillShelfInAnotherColour",
     [](ColouringBoard& b, TestFolderLoader&) { PickColour(b, 30); ClickCanvas(b, 400, 50); }},
    {"FillCornerArea", [](ColouringBoard& b, TestFolderLoader&) { ClickCanvas(b, 571, 451); }},
    {"RefillLeftArea", [](ColouringBoard& b, TestFolderLoader&) { PickColour(b, 7); ClickCanvas(b, 0, 0); }},
    {"Undo", [](ColouringBoard& b, TestFolderLoader&) { b.Undo(); }},
    {"Redo", [](ColouringBoard& b, TestFolderLoader&) { b.Redo(); }},
    {"ClickOnALine", [](ColouringBoard& b, TestFolderLoader&) { ClickCanvas(b, kDividerX, 10); }},
    {"ThumbnailPutsTheOtherPictureOnTheCanvas",
     [](ColouringBoard& b, TestFolderLoader&) {
         b.NextPicture();
         b.Click(kThumbnailRect.left + 80, kThumbnailRect.top + 80);
     }},
    {"FillAfterThePictureChanged", [](ColouringBoard& b, TestFolderLoader&) { ClickCanvas(b, 300, 300); }},
    {"NewFolder",
     [](ColouringBoard& b, TestFolderLoader& loader) {
         loader.folder.assign(1, MakeDrawing(90));
         b.SetImageURL("http://pictures.test/other");
     }},
    {"FillInTheNewFolder", [](ColouringBoard& b, TestFolderLoader&) { ClickCanvas(b, 50, 5); }},
    {"TwoFillsBetweenPaints",
     [](ColouringBoard& b, TestFolderLoader&) {
         ClickCanvas(b, 400, 300);
         PickColour(b, 50);
         ClickCanvas(b, 50, 5);
     }},
};

class BoardPaintSession : public BoardTest {
protected:
    // The canvas composed from scratch, as the screen must show it.
    void ExpectCanvasComposedAfresh(const std::string& step) {
        CDibImage view = board.SourcePicture();
        board.Canvas().ComposeOnto(view);
        board.BlankCanvas().OverlayOnto(255, 255, 255, view);
        for (int y = 0; y < kCanvasHeight; ++y) {
            for (int x = 0; x < kCanvasWidth; ++x) {
                const ColourRef shown = Screen(kCanvasRect.left + x, kCanvasRect.top + y);
                if (shown != ImagePixel(view, x, y)) {
                    ADD_FAILURE() << "after " << step << " at " << x << "," << y;
                    return;
                }
            }
        }
    }
};

TEST_F(BoardPaintSession, EveryStepShowsTheCanvasComposedAfresh) {
    CDibImage second = MakeDrawing(200);
    SetImagePixel(second, 300, 300, 0, 0, 0);
    loader.folder = {MakeDrawing(), second};
    board.SetImageURL("http://pictures.test/folder");
    Paint();
    ExpectCanvasComposedAfresh("the load");
    for (const PaintStep& step : kPaintSteps) {
        step.apply(board, loader);
        Paint();
        ExpectCanvasComposedAfresh(step.name);
    }
}

// Every step asks to repaint enough: painting only that shows what a paint of the whole
// board shows.
TEST_F(BoardPaintSession, PaintingWhatEachStepAskedForShowsTheWholeBoard) {
    loader.folder = {MakeDrawing(), MakeDrawing(200)};
    board.SetImageURL("http://pictures.test/folder");
    Paint();
    ScreenContext whole(kBoardWidth, kBoardHeight);
    for (const PaintStep& step : kPaintSteps) {
        host.invalidated = Rect{};
        step.apply(board, loader);
        board.Paint(screen, kBoardRect, host.invalidated);
        board.Paint(whole, kBoardRect, kBoardRect);
        for (int y = 0; y < kBoardHeight; ++y) {
            for (int x = 0; x < kBoardWidth; ++x) {
                if (Screen(x, y) != whole.GetPixel(x, y)) {
                    ADD_FAILURE() << "after " << step.name << " at " << x << "," << y;
                    y = kBoardHeight;
                    break;
                }
            }
        }
    }
}

TEST_F(BoardPaintSession, FillAsksToRepaintOnlyAroundItsArea) {
    LoadDrawings(2);
    board.NextPicture();   // a thumbnail of the picture on the canvas would follow the fill
    host.invalidated = Rect{};
    ClickCanvas(board, kDividerX + 5, 300);   // the right-hand area
    const Rect& asked = host.invalidated;
    EXPECT_EQ(Intersect(asked, kCanvasRect), asked);
    EXPECT_TRUE(asked.Contains(kCanvasRect.left + kDividerX + 5, kCanvasRect.top + 300));
    EXPECT_GE(asked.left, kCanvasRect.left + kDividerX - 1) << "the left area stays as it is";
}

TEST_F(BoardPaintSession, NoImageTextIsReplacedByTheWholeCanvas) {
    // The skin showed "No Image!!!" before the first picture: nothing of it may stay.
    LoadDrawings(1);
    ExpectCanvasComposedAfresh("the first load");
    ClickCanvas(board, 100, 100);
    Paint();
    ExpectCanvasComposedAfresh("a fill");
}

}  // namespace
}  // namespace kolo
