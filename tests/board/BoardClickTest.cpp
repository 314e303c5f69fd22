// Window creation, the folder address and the regions of a click.
#include "tests/board/BoardFixture.h"

#include "resources/ResourceIds.h"

namespace kolo {
namespace {

// Centre of palette cell k on the screen.
void PaletteCellCentre(int k, int& x, int& y) {
    x = kPaletteRect.left + 1 + (k % 12) * 12 + 5;
    y = kPaletteRect.top + 1 + (k / 12) * 12 + 5;
}

TEST(BoardInitialise, CreatesButtonsLoadsArtAndFiresOnInitImageLast) {
    ScreenContext screen(kBoardWidth, kBoardHeight);
    FakeBoardHost host(&screen);
    BmpResources resources(kEmbeddedResources, kEmbeddedResourceCount);
    ColouringBoard board(host, resources);

    ASSERT_EQ(board.Initialise(), 0);
    const std::vector<std::string> expected = {
        "EnableButton 101 off", "EnableButton 102 off", "EnableButton 104 on",
        "EnableButton 105 on",  "EnableButton 106 on",  "EnableButton 107 on",
        "OnInitImage",
    };
    EXPECT_EQ(host.calls, expected);
    EXPECT_EQ(board.SelectedColour(), 0x008400FFu);
    EXPECT_EQ(board.PictureIndex(), 0);
    EXPECT_EQ(board.BlankCanvas().Width(), 572);
    EXPECT_EQ(board.BlankCanvas().Height(), 452);
    EXPECT_EQ(board.BlankThumbnail().Width(), 174);
    EXPECT_EQ(board.BlankThumbnail().Height(), 158);
    ASSERT_NE(board.Skin(), nullptr);
    EXPECT_EQ(board.Skin()->Width(), 834);
    EXPECT_EQ(board.BoundsRect(), (Rect{0, 0, 0, 0}));
    for (const BitmapButton& button : board.Buttons()) {
        ASSERT_NE(button.CurrentFace(), nullptr) << button.Id();
        EXPECT_EQ(button.CurrentFace()->Width(), button.GetRect().Width()) << button.Id();
        EXPECT_EQ(button.CurrentFace()->Height(), button.GetRect().Height()) << button.Id();
    }
}


TEST_F(BoardTest, ImageUrlGetsATrailingSlashAndTheFolderIsLoaded) {
    board.SetImageURL("http://pictures.test/a");
    EXPECT_EQ(board.ImageUrl(), "http://pictures.test/a/");
    EXPECT_EQ(loader.loads, 1);
    board.SetImageURL("file:///srv/pictures/");
    EXPECT_EQ(board.ImageUrl(), "file:///srv/pictures/");
    EXPECT_EQ(loader.loads, 2);
}

TEST_F(BoardTest, EmptyImageUrlChangesNothing) {
    LoadDrawings(2);
    const int invalidations = host.invalidations;
    board.SetImageURL("");
    EXPECT_EQ(board.ImageUrl(), "http://pictures.test/folder/");
    EXPECT_EQ(loader.loads, 1);
    EXPECT_EQ(board.Pictures().size(), 2u);
    EXPECT_EQ(host.invalidations, invalidations);
}

TEST_F(BoardTest, WithoutALoaderAnAddressWaitsForTheHostToLoadIt) {
    board.SetFolderLoader(nullptr);
    board.SetImageURL("http://pictures.test/folder");
    EXPECT_EQ(board.ImageUrl(), "http://pictures.test/folder/");
    EXPECT_TRUE(board.IsLoading());
    EXPECT_TRUE(board.Pictures().empty());
    EXPECT_FALSE(board.Canvas().HasPicture());
}

TEST_F(BoardTest, FolderLoadPutsTheFirstPictureOnTheCanvasThresholded) {
    LoadDrawings(2, 200);   // grey 200 is above the threshold: white on the canvas
    ASSERT_TRUE(board.Canvas().HasPicture());
    EXPECT_EQ(ImagePixel(board.Canvas(), 50, 5), kWhite);
    EXPECT_EQ(ImagePixel(board.SourcePicture(), 50, 5), MakeColourRef(200, 200, 200));
    EXPECT_EQ(ImagePixel(board.Canvas(), kDividerX, 5), 0u);
    EXPECT_FALSE(host.buttonEnabled[kButtonUndo]);
    EXPECT_FALSE(host.buttonEnabled[kButtonRedo]);
}

TEST_F(BoardTest, ShorterFolderBringsThePictureIndexBackToZero) {
    LoadDrawings(3);
    board.NextPicture();
    board.NextPicture();
    ASSERT_EQ(board.PictureIndex(), 2);
    LoadDrawings(1);
    EXPECT_EQ(board.PictureIndex(), 0);
    Paint();   // draws pictures[pictureIndex] in the thumbnail: must stay inside the list
}

TEST_F(BoardTest, CanvasClickBeforeAnyPictureIsSwallowed) {
    const int invalidations = host.invalidations;
    board.Click(200, 300);
    EXPECT_EQ(host.invalidations, invalidations);
}

TEST_F(BoardTest, ClickOutsideThePaintedBoundsDoesNothing) {
    board.Paint(screen, Rect{0, 0, 100, 100}, Rect{0, 0, 100, 100});
    LoadDrawings(1);
    board.Paint(screen, Rect{0, 0, 100, 100}, Rect{0, 0, 100, 100});
    board.Click(200, 300);
    EXPECT_EQ(board.History().CanUndo(), 0);
}

TEST_F(BoardTest, CanvasFillRecordsItAndSetsUndoAndRedo) {
    LoadDrawings(2);
    board.NextPicture();   // a thumbnail of the picture on the canvas would follow the fill
    const int invalidations = host.invalidations;
    board.Click(200, 300);
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), 0x008400FFu);
    EXPECT_EQ(ImagePixel(board.Canvas(), 0, 0), 0x008400FFu);          // the whole left area
    EXPECT_EQ(ImagePixel(board.Canvas(), kDividerX + 5, 300), kWhite);  // not the right one
    EXPECT_EQ(host.invalidations, invalidations + 1);
    EXPECT_TRUE(host.buttonEnabled[kButtonUndo]);
    EXPECT_FALSE(host.buttonEnabled[kButtonRedo]);
    EXPECT_TRUE(board.FindButton(kButtonUndo)->IsEnabled());
}

TEST_F(BoardTest, CanvasEdgesFollowTheRectangle) {
    LoadDrawings(1);
    board.Click(603, 300);   // the right edge is outside the canvas
    EXPECT_EQ(board.History().CanUndo(), 0);
    EXPECT_EQ(ImagePixel(board.Canvas(), 571, 300), kWhite);

    board.Click(31, 155);    // canvas pixel (0, 0)
    EXPECT_EQ(board.History().CanUndo(), 1);
    EXPECT_EQ(ImagePixel(board.Canvas(), 0, 0), 0x008400FFu);
    FillHistory history = board.History();
    const FillEntry entry = history.TakeUndo();
    EXPECT_EQ(entry.x, 0);
    EXPECT_EQ(entry.y, 0);
    EXPECT_EQ(entry.oldColour, kWhite);
    EXPECT_EQ(entry.newColour, 0x008400FFu);
}

TEST_F(BoardTest, CanvasClickOnALineRecordsNothingButRepaints) {
    LoadDrawings(1);
    const int invalidations = host.invalidations;
    board.Click(kCanvasRect.left + kDividerX, 300);
    EXPECT_EQ(board.History().CanUndo(), 0);
    EXPECT_FALSE(host.buttonEnabled[kButtonUndo]);
    EXPECT_EQ(host.invalidations, invalidations + 1);
}

TEST_F(BoardTest, PaletteCellPicksExactlyTheDisplayedColour) {
    int x = 0, y = 0;
    PaletteCellCentre(45, x, y);   // red 255 − 51, green 255 − 51, blue 255 − 51 × 3
    const int invalidations = host.invalidations;
    board.Click(x, y);
    EXPECT_EQ(board.SelectedColour(), MakeColourRef(204, 204, 102));
    EXPECT_EQ(host.invalidations, invalidations + 1);
    Paint();
    for (int sy = kSwatchRect.top; sy < kSwatchRect.bottom; ++sy) {
        for (int sx = kSwatchRect.left; sx < kSwatchRect.right; ++sx) {
            ASSERT_EQ(Screen(sx, sy), MakeColourRef(204, 204, 102)) << sx << ", " << sy;
        }
    }
}

TEST_F(BoardTest, PaletteGridLineKeepsTheColourAndRequestsNoRepaint) {
    const int invalidations = host.invalidations;
    board.Click(kPaletteRect.left + 12, kPaletteRect.top + 30);   // a vertical grid line
    board.Click(kPaletteRect.left + 30, kPaletteRect.top + 24);   // a horizontal one
    EXPECT_EQ(board.SelectedColour(), 0x008400FFu);
    EXPECT_EQ(host.invalidations, invalidations);
}

TEST_F(BoardTest, ThumbnailClickWithOnePictureDoesNothing) {
    LoadDrawings(1);
    board.Click(200, 300);
    const int invalidations = host.invalidations;
    board.Click(700, 250);
    EXPECT_EQ(host.invalidations, invalidations);
    EXPECT_EQ(board.History().CanUndo(), 1);
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), 0x008400FFu);
}

TEST_F(BoardTest, ThumbnailClickWithTwoPicturesPutsThatPictureOnTheCanvasWithItsWork) {
    CDibImage other = MakeDrawing();
    for (int y = 0; y < kCanvasHeight; ++y) SetImagePixel(other, 100, y, 0, 0, 0);
    SetImagePixel(other, 150, 150, 100, 100, 100);   // grey below the threshold: black
    loader.folder = {MakeDrawing(), other};
    board.SetImageURL("http://pictures.test/two");
    board.Click(200, 300);
    ASSERT_EQ(board.History().CanUndo(), 1);

    board.NextPicture();
    board.Click(700, 250);   // the thumbnail shows picture 1
    EXPECT_EQ(ImagePixel(board.Canvas(), 100, 10), 0u);
    EXPECT_EQ(ImagePixel(board.Canvas(), 150, 150), 0u);
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), kWhite);
    EXPECT_EQ(ImagePixel(board.SourcePicture(), 150, 150), MakeColourRef(100, 100, 100));
    EXPECT_EQ(board.History().CanUndo(), 0);
    EXPECT_FALSE(host.buttonEnabled[kButtonUndo]);
    EXPECT_FALSE(host.buttonEnabled[kButtonRedo]);
    EXPECT_EQ(board.PictureIndex(), 1);

    // The first picture comes back as it was left: coloured, its fill undoable.
    board.PreviousPicture();
    board.Click(700, 250);
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), 0x008400FFu);
    EXPECT_EQ(board.History().CanUndo(), 1);
    EXPECT_TRUE(host.buttonEnabled[kButtonUndo]);
    board.Undo();
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), kWhite);
}

}  // namespace
}  // namespace kolo
