// Button commands, undo and redo, the arrows and the cursor over the canvas.
#include "tests/board/BoardFixture.h"

#include <cstring>

namespace kolo {
namespace {

bool SamePixels(const CDibImage& a, const CDibImage& b) {
    return a.HasPicture() && b.HasPicture() && a.PixelBlock().Size() == b.PixelBlock().Size() &&
           std::memcmp(a.Pixels(), b.Pixels(), a.PixelBlock().Size()) == 0;
}

TEST_F(BoardTest, UndoAndRedoReplayTheFillAndSwapAvailability) {
    LoadDrawings(1);
    board.Click(200, 300);
    ASSERT_EQ(ImagePixel(board.Canvas(), 169, 145), kPink);

    board.Command(kButtonUndo);
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), kWhite);
    EXPECT_FALSE(host.buttonEnabled[kButtonUndo]);
    EXPECT_TRUE(host.buttonEnabled[kButtonRedo]);

    board.Command(kButtonRedo);
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), kPink);
    EXPECT_TRUE(host.buttonEnabled[kButtonUndo]);
    EXPECT_FALSE(host.buttonEnabled[kButtonRedo]);
}

TEST_F(BoardTest, UndoAndRedoOfTwoFillsGoNewestFirst) {
    LoadDrawings(1);
    board.Click(200, 300);                  // left area pink
    board.Click(kCanvasRect.left + 400, kCanvasRect.top + 300);   // lower right area pink
    board.Undo();
    EXPECT_EQ(ImagePixel(board.Canvas(), 400, 300), kWhite);
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), kPink);
    EXPECT_TRUE(host.buttonEnabled[kButtonUndo]);
    EXPECT_TRUE(host.buttonEnabled[kButtonRedo]);
    board.Undo();
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), kWhite);
    board.Redo();
    board.Redo();
    EXPECT_EQ(ImagePixel(board.Canvas(), 169, 145), kPink);
    EXPECT_EQ(ImagePixel(board.Canvas(), 400, 300), kPink);
}

TEST_F(BoardTest, UndoWithAnEmptyHistoryRequestsNoRepaint) {
    LoadDrawings(1);
    const int invalidations = host.invalidations;
    board.Undo();
    board.Redo();
    EXPECT_EQ(host.invalidations, invalidations);
}

TEST_F(BoardTest, ArrowsMoveOnlyTheThumbnail) {
    LoadDrawings(3);
    board.Click(200, 300);
    const CDibImage canvasBefore = board.Canvas();
    const int invalidations = host.invalidations;

    board.NextPicture();
    EXPECT_EQ(board.PictureIndex(), 1);
    board.NextPicture();
    EXPECT_EQ(board.PictureIndex(), 2);
    board.NextPicture();
    EXPECT_EQ(board.PictureIndex(), 0);   // after the last comes the first
    board.PreviousPicture();
    EXPECT_EQ(board.PictureIndex(), 0);   // no wrap backwards
    board.NextPicture();
    board.PreviousPicture();
    EXPECT_EQ(board.PictureIndex(), 0);

    EXPECT_EQ(host.invalidations, invalidations + 6);
    EXPECT_TRUE(SamePixels(board.Canvas(), canvasBefore));
    EXPECT_EQ(board.History().CanUndo(), 1);
    EXPECT_EQ(board.History().CanRedo(), 0);
}

TEST_F(BoardTest, NextPictureWithNoPicturesStaysAtZeroAndRepaints) {
    const int invalidations = host.invalidations;
    board.NextPicture();
    EXPECT_EQ(board.PictureIndex(), 0);
    EXPECT_EQ(host.invalidations, invalidations + 1);
    board.PreviousPicture();
    EXPECT_EQ(board.PictureIndex(), 0);
}

TEST_F(BoardTest, CommandIdsOutsideTheButtonsRunNothing) {
    LoadDrawings(3);
    board.Click(200, 300);
    const int invalidations = host.invalidations;
    for (int id : {103, 108, 100, (1 << 16) | kButtonNext, -1}) board.Command(id);
    EXPECT_EQ(host.invalidations, invalidations);
    EXPECT_EQ(board.PictureIndex(), 0);
    EXPECT_EQ(host.printDialogs, 0);
    EXPECT_EQ(host.closes, 0);
}

TEST_F(BoardTest, CommandRunsTheButtonOfItsId) {
    LoadDrawings(3);
    board.Command(kButtonNext);
    EXPECT_EQ(board.PictureIndex(), 1);
    board.Command(kButtonPrevious);
    EXPECT_EQ(board.PictureIndex(), 0);
    board.Command(kButtonExit);
    EXPECT_EQ(host.closes, 1);
    board.Command(kButtonPrint);
    EXPECT_EQ(host.printDialogs, 1);
}

TEST_F(BoardTest, FirstPointerMoveAlwaysSetsTheCursor) {
    EXPECT_EQ(board.LastCursorState(), -1);
    board.PointerMoved(5, 5);
    ASSERT_EQ(host.cursors.size(), 1u);
    EXPECT_EQ(host.cursors[0], BoardCursor::kArrow);
    EXPECT_EQ(board.LastCursorState(), 0);
    board.PointerMoved(6, 6);   // still off the canvas: nothing to change
    EXPECT_EQ(host.cursors.size(), 1u);
}

TEST_F(BoardTest, BrushOverTheCanvasOnlyWithAPicture) {
    board.PointerMoved(5, 5);
    board.PointerMoved(200, 300);   // over the canvas, no picture: the cursor is left alone
    EXPECT_EQ(host.cursors.size(), 1u);
    EXPECT_TRUE(board.OverCanvas());
    EXPECT_EQ(board.LastCursorState(), 1);

    LoadDrawings(1);   // busy while it loads, the brush once the picture is there
    ASSERT_EQ(host.cursors.size(), 3u);
    EXPECT_EQ(host.cursors[1], BoardCursor::kBusy);
    EXPECT_EQ(host.cursors[2], BoardCursor::kBrush);
    board.PointerMoved(5, 5);
    board.PointerMoved(200, 300);
    ASSERT_EQ(host.cursors.size(), 5u);
    EXPECT_EQ(host.cursors[3], BoardCursor::kArrow);
    EXPECT_EQ(host.cursors[4], BoardCursor::kBrush);
    board.PointerMoved(201, 301);
    EXPECT_EQ(host.cursors.size(), 5u);
}

TEST_F(BoardTest, SetCursorMessageSetsTheCursorEveryTime) {
    LoadDrawings(1);
    board.PointerMoved(200, 300);
    const std::size_t before = host.cursors.size();
    board.UpdateCursor();
    board.UpdateCursor();
    ASSERT_EQ(host.cursors.size(), before + 2);
    EXPECT_EQ(host.cursors.back(), BoardCursor::kBrush);
}

TEST_F(BoardTest, EachBoardKeepsItsOwnCursorState) {
    FakeBoardHost otherHost;
    ColouringBoard other(otherHost, resources);
    other.Initialise();
    board.PointerMoved(5, 5);
    other.PointerMoved(5, 5);   // its own first move: it sets its cursor too
    ASSERT_EQ(otherHost.cursors.size(), 1u);
    EXPECT_EQ(otherHost.cursors[0], BoardCursor::kArrow);
}

TEST_F(BoardTest, ExitGoesThroughTheHost) {
    board.Exit();
    EXPECT_EQ(host.closes, 1);
}

}  // namespace
}  // namespace kolo
