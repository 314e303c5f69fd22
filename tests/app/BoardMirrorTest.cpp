// The board mirrored for a language read right to left: every click on the mirrored board
// does what its twin does on the board as drawn, the arrows go the way they point, and the
// picture, the thumbnail and the worded buttons keep their pixels while the rest turns over.
#include "control/BoardMirror.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "app/SamplesFolder.h"
#include "board/BoardLayout.h"
#include "control/BoardFocus.h"
#include "platform/curl/CurlSession.h"

namespace kolo {
namespace {

constexpr int kWallX = 211, kWallY = 475;   // inside the first sample's wall
constexpr int kRoofX = 300, kRoofY = 250;   // another area of it

// What a click can change: the colour, the thumbnail's and the canvas's picture, the history,
// the prints, whether the board closed, and the canvas's pixels.
using Outcome = std::tuple<ColourRef, std::int32_t, std::int32_t, std::size_t, std::size_t, int, bool,
                           std::vector<std::uint8_t>>;

// A board on the samples, with two fills of which one is undone, so that every button works.
struct SampleBoard {
    explicit SampleBoard(bool mirrored) {
        control.SetMirrored(mirrored);
        control.onInitImage = [this]() { control.Board().SetImageURL(SamplesFolderUrl()); };
        control.print = [this]() { ++prints; };
        control.Create();
        control.WaitForFolder();
        ColouringBoard& board = control.Board();
        board.Click(kWallX, kWallY);
        board.Click(kRoofX, kRoofY);
        board.Undo();
        control.Pump();
    }
    Outcome Now() {
        const ColouringBoard& board = control.Board();
        const CDibImage& canvas = board.Canvas();
        return Outcome(board.SelectedColour(), board.PictureIndex(), board.CanvasIndex(),
                       board.History().UndoEntries().size(), board.History().RedoEntries().size(),
                       prints, control.Closed(),
                       std::vector<std::uint8_t>(canvas.Pixels(), canvas.Pixels() + canvas.Stride() * canvas.Height()));
    }
    SoftControl control{[] { return std::make_unique<CurlSession>(); }};
    int prints = 0;
};

struct Point {
    int x, y;
};

struct TwinClicks {
    const char* name;
    std::vector<Point> drawn;      // on the board as drawn
    std::vector<Point> mirrored;   // their twins, worked out by hand from the layout
};

class MirroredClickTest : public testing::TestWithParam<TwinClicks> {};

TEST_P(MirroredClickTest, LandsOnTheSameActionAsItsTwin) {
    SampleBoard drawn(false), mirrored(true);
    const Outcome before = drawn.Now();
    ASSERT_EQ(mirrored.Now(), before);
    for (std::size_t i = 0; i < GetParam().drawn.size(); ++i) {
        drawn.control.Click(GetParam().drawn[i].x, GetParam().drawn[i].y);
        mirrored.control.Click(GetParam().mirrored[i].x, GetParam().mirrored[i].y);
    }
    const Outcome after = drawn.Now();
    // Compared whole, not printed: the canvas's pixels would fill the log.
    EXPECT_FALSE(after == before) << "the clicks did nothing";
    EXPECT_TRUE(mirrored.Now() == after);
    // The mirrored screen kept up with the board behind it, pixel for pixel.
    const BoardMirror& mirror = mirrored.control.Mirror();
    int wrong = 0;
    for (int y = 0; y < kBoardHeight; ++y) {
        for (int x = 0; x < kBoardWidth; ++x) {
            int bx = x, by = y;
            mirror.ToBoard(bx, by);
            wrong += mirrored.control.Screen().GetPixel(x, y) != drawn.control.Screen().GetPixel(bx, by);
        }
    }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Parts, MirroredClickTest,
    testing::Values(
        TwinClicks{"Undo", {{100, 110}}, {{720, 110}}},
        TwinClicks{"Redo", {{240, 100}}, {{585, 100}}},
        TwinClicks{"Print", {{385, 108}}, {{450, 108}}},
        TwinClicks{"Exit", {{512, 100}}, {{321, 100}}},
        TwinClicks{"NextNextPrevious", {{767, 386}, {767, 386}, {689, 386}}, {{66, 386}, {66, 386}, {144, 386}}},
        TwinClicks{"Next", {{767, 386}}, {{66, 386}}},
        TwinClicks{"NextThenThumbnail", {{767, 386}, {728, 276}}, {{66, 386}, {106, 276}}},
        TwinClicks{"FirstCell", {{657, 497}}, {{176, 497}}},
        TwinClicks{"LastCell", {{790, 618}}, {{43, 618}}},
        TwinClicks{"CellOfARowsMiddle", {{716, 550}}, {{117, 550}}},
        TwinClicks{"CellThenCanvas", {{716, 550}, {kWallX, kWallY}}, {{117, 550}, {kWallX + 200, kWallY}}},
        TwinClicks{"CanvasCorner", {{716, 550}, {32, 156}}, {{117, 550}, {232, 156}}}),
    [](const testing::TestParamInfo<TwinClicks>& info) { return std::string(info.param.name); });

TEST(BoardMirror, PictureAndWordedPartsKeepTheirPixelsTheRestTurnsOver) {
    SampleBoard drawn(false), mirrored(true);
    const ScreenContext& left = drawn.control.Screen();
    const ScreenContext& right = mirrored.control.Screen();
    struct Kept {
        Rect part;
        int shift;   // to its mirrored place
    };
    for (const Kept& kept : {Kept{kCanvasRect, 200}, Kept{kThumbnailRect, -622}, Kept{kUndoRect, 620},
                             Kept{kExitRect, -191}, Kept{kTitleRect, 362}}) {
        for (int y = kept.part.top; y < kept.part.bottom; ++y) {
            for (int x = kept.part.left; x < kept.part.right; ++x) {
                ASSERT_EQ(right.GetPixel(x + kept.shift, y), left.GetPixel(x, y)) << x << "," << y;
            }
        }
    }
    // The palette and the swatch's panel are turned over, so the palette's columns run the
    // other way.
    for (const Rect& flipped : {kPaletteRect, kSwatchRect, kPreviousRect}) {
        for (int y = flipped.top; y < flipped.bottom; ++y) {
            for (int x = flipped.left; x < flipped.right; ++x) {
                ASSERT_EQ(right.GetPixel(kBoardWidth - 1 - x, y), left.GetPixel(x, y)) << x << "," << y;
            }
        }
    }
}

struct MirroredKeys {
    BoardPart part;
    int cell;
    BoardKey key;
    int cellAfter;   // for the palette
    int crossDx;     // for the picture, in board pixels as shown
};

class MirroredKeyTest : public testing::TestWithParam<MirroredKeys> {};

TEST_P(MirroredKeyTest, ArrowsFollowTheirDirectionOnTheScreen) {
    SampleBoard board(true);
    BoardFocus focus(board.control);
    focus.Focus(GetParam().part);
    if (GetParam().part == BoardPart::kPalette) focus.PickCell(GetParam().cell);
    const BoardPoint cross = focus.Crosshair();
    const Rect ring = focus.FocusRect();
    ASSERT_TRUE(focus.HandleKey(GetParam().key));
    if (GetParam().part == BoardPart::kPalette) {
        EXPECT_EQ(focus.PaletteCell(), GetParam().cellAfter);
        const Rect moved = focus.FocusRect();
        EXPECT_EQ(moved.left - ring.left, GetParam().key == BoardKey::kRight ? 12 : -12);
    } else {
        EXPECT_EQ(focus.Crosshair().x - cross.x, GetParam().crossDx);
        EXPECT_TRUE(focus.PartRect(BoardPart::kCanvas).Contains(focus.Crosshair().x, focus.Crosshair().y));
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, MirroredKeyTest, testing::Values(
    MirroredKeys{BoardPart::kPalette, 5, BoardKey::kRight, 4, 0},
    MirroredKeys{BoardPart::kPalette, 5, BoardKey::kLeft, 6, 0},
    MirroredKeys{BoardPart::kCanvas, 0, BoardKey::kRight, 0, kCrosshairStep},
    MirroredKeys{BoardPart::kCanvas, 0, BoardKey::kLeft, 0, -kCrosshairStep}));

}  // namespace
}  // namespace kolo
