// The board from the keyboard: focus order, arrows on the palette and the picture, and
// Enter working the focused part through the control's own routing.
#include "control/BoardFocus.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/SamplesFolder.h"
#include "board/BoardLayout.h"
#include "platform/curl/CurlSession.h"

namespace kolo {
namespace {

class BoardFocusTest : public testing::Test {
protected:
    void SetUp() override {
        control_.onInitImage = [this]() { control_.Board().SetImageURL(SamplesFolderUrl()); };
        control_.Create();
        control_.WaitForFolder();
    }
    SoftControl control_{[] { return std::make_unique<CurlSession>(); }};
    BoardFocus focus_{control_};
};

TEST_F(BoardFocusTest, TabVisitsEveryPartOnceAndWraps) {
    const std::vector<BoardPart> order = {
        BoardPart::kUndo,      BoardPart::kRedo,     BoardPart::kPrint,
        BoardPart::kExit,      BoardPart::kCanvas,   BoardPart::kThumbnail,
        BoardPart::kPrevious,  BoardPart::kNext,     BoardPart::kPalette,  BoardPart::kUndo};
    EXPECT_EQ(focus_.Focused(), BoardPart::kNone);
    for (const BoardPart expected : order) {
        EXPECT_TRUE(focus_.HandleKey(BoardKey::kTab));
        EXPECT_EQ(focus_.Focused(), expected);
    }
}

TEST_F(BoardFocusTest, BackTabFromNothingStartsAtTheLastPart) {
    EXPECT_TRUE(focus_.HandleKey(BoardKey::kBackTab));
    EXPECT_EQ(focus_.Focused(), BoardPart::kPalette);
    EXPECT_TRUE(focus_.HandleKey(BoardKey::kBackTab));
    EXPECT_EQ(focus_.Focused(), BoardPart::kNext);
}

struct ArrowCase {
    BoardPart part;
    BoardKey key;
    bool used;
};

class ArrowsTest : public BoardFocusTest, public testing::WithParamInterface<ArrowCase> {};

// Arrows belong to the palette and the picture; elsewhere the window's own keys get them.
TEST_P(ArrowsTest, ArrowsAreUsedOnlyOnThePaletteAndThePicture) {
    focus_.Focus(GetParam().part);
    EXPECT_EQ(focus_.HandleKey(GetParam().key), GetParam().used);
}

INSTANTIATE_TEST_SUITE_P(Parts, ArrowsTest, testing::Values(
    ArrowCase{BoardPart::kNone, BoardKey::kLeft, false},
    ArrowCase{BoardPart::kNone, BoardKey::kActivate, false},
    ArrowCase{BoardPart::kUndo, BoardKey::kRight, false},
    ArrowCase{BoardPart::kThumbnail, BoardKey::kDown, false},
    ArrowCase{BoardPart::kPalette, BoardKey::kLeft, true},
    ArrowCase{BoardPart::kCanvas, BoardKey::kUp, true}));

struct CellMove {
    int from;
    std::vector<BoardKey> keys;
    int to;
};

class PaletteMoveTest : public BoardFocusTest, public testing::WithParamInterface<CellMove> {};

TEST_P(PaletteMoveTest, ArrowsMoveOverCellsAndStopAtTheEdges) {
    focus_.Focus(BoardPart::kPalette);
    focus_.PickCell(GetParam().from);
    for (const BoardKey key : GetParam().keys) focus_.HandleKey(key);
    EXPECT_EQ(focus_.PaletteCell(), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(Cells, PaletteMoveTest, testing::Values(
    CellMove{0, {BoardKey::kRight}, 1},
    CellMove{0, {BoardKey::kDown}, 12},
    CellMove{0, {BoardKey::kLeft, BoardKey::kUp}, 0},            // corner: nowhere to go
    CellMove{11, {BoardKey::kRight}, 11},                         // end of a row: no wrap
    CellMove{131, {BoardKey::kDown, BoardKey::kRight}, 131},
    CellMove{120, {BoardKey::kUp, BoardKey::kRight}, 109}));

TEST_F(BoardFocusTest, EnterOnAPaletteCellPicksItsColour) {
    focus_.Focus(BoardPart::kPalette);
    focus_.PickCell(0);
    for (int i = 0; i < 3; ++i) focus_.HandleKey(BoardKey::kRight);
    focus_.HandleKey(BoardKey::kDown);
    ASSERT_TRUE(focus_.HandleKey(BoardKey::kActivate));
    // Cell 15: row 1, column 3, the palette's colour (255, 255 - 51 * 2, 255 - 51 * 3).
    EXPECT_EQ(control_.Board().SelectedColour(), MakeColourRef(255, 153, 102));
    EXPECT_EQ(focus_.CellColour(15), MakeColourRef(255, 153, 102));
}

TEST_F(BoardFocusTest, CrossStaysOnThePicture) {
    focus_.Focus(BoardPart::kCanvas);
    for (int i = 0; i < 200; ++i) focus_.HandleKey(BoardKey::kLeft);
    for (int i = 0; i < 200; ++i) focus_.HandleKey(BoardKey::kUp);
    EXPECT_EQ(focus_.Crosshair().x, kCanvasRect.left);
    EXPECT_EQ(focus_.Crosshair().y, kCanvasRect.top);
    for (int i = 0; i < 200; ++i) focus_.HandleKey(BoardKey::kRight);
    EXPECT_EQ(focus_.Crosshair().x, kCanvasRect.right - 1);
}

TEST_F(BoardFocusTest, EnterOnThePictureFillsAndADisabledUndoStaysUnpressed) {
    focus_.Focus(BoardPart::kUndo);
    ASSERT_FALSE(focus_.IsEnabled(BoardPart::kUndo));
    focus_.HandleKey(BoardKey::kActivate);
    EXPECT_FALSE(focus_.IsEnabled(BoardPart::kRedo));

    focus_.Focus(BoardPart::kCanvas);
    focus_.HandleKey(BoardKey::kActivate);
    EXPECT_TRUE(focus_.IsEnabled(BoardPart::kUndo));
    focus_.Focus(BoardPart::kUndo);
    focus_.HandleKey(BoardKey::kActivate);
    EXPECT_FALSE(focus_.IsEnabled(BoardPart::kUndo));
    EXPECT_TRUE(focus_.IsEnabled(BoardPart::kRedo));
}

}  // namespace
}  // namespace kolo
