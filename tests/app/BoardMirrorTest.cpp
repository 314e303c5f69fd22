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

// The picture and the title are read as drawn, so they move without turning over.
TEST(BoardMirror, PictureAndTitleKeepTheirPixels) {
    SampleBoard drawn(false), mirrored(true);
    for (const auto& [part, shift] : {std::pair{kCanvasRect, 200}, std::pair{kTitleRect, 362}}) {
        for (int y = part.top; y < part.bottom; ++y) {
            for (int x = part.left; x < part.right; ++x) {
                ASSERT_EQ(mirrored.control.Screen().GetPixel(x + shift, y), drawn.control.Screen().GetPixel(x, y));
            }
        }
    }
}

TEST(BoardMirror, ArrowsGoTheWayTheyPoint) {
    SampleBoard board(true);
    BoardFocus focus(board.control);
    focus.Focus(BoardPart::kPalette);
    focus.PickCell(5);
    const Rect ring = focus.FocusRect();
    focus.HandleKey(BoardKey::kRight);   // the palette's columns run right to left
    EXPECT_EQ(focus.PaletteCell(), 4);
    EXPECT_EQ(focus.FocusRect().left - ring.left, kPaletteCellPitch);
    focus.Focus(BoardPart::kCanvas);     // the picture is not turned over
    const BoardPoint cross = focus.Crosshair();
    focus.HandleKey(BoardKey::kRight);
    EXPECT_EQ(focus.Crosshair().x - cross.x, kCrosshairStep);
}

}  // namespace
}  // namespace kolo
