// The picture held at detail: fills, undo and gap closing there, work that survives a change
// of detail, and the canvas drawn to a scaled screen.
#include "tests/board/BoardFixture.h"

#include "platform/soft/FramebufferContext.h"

namespace kolo {
namespace {

constexpr int kLeftX = 200, kLeftY = 300;                // inside the drawing's left area
constexpr int kUpperRightX = kCanvasRect.left + 400, kUpperRightY = kCanvasRect.top + 50;

class BoardDetail : public BoardTest, public ::testing::WithParamInterface<int> {};

TEST_P(BoardDetail, FillsUndoAndNewDetailWorkOnThePictureHeldAtDetail) {
    const int k = GetParam();
    LoadDrawings(1);
    board.SetDetail(k);
    ASSERT_EQ(board.CanvasDetail(), k);
    ASSERT_EQ(board.Canvas().Width(), k * kCanvasWidth);
    board.Click(kLeftX, kLeftY);
    Paint();
    const int cx = kLeftX - kCanvasRect.left, cy = kLeftY - kCanvasRect.top;
    EXPECT_EQ(ImagePixel(board.Canvas(), k * cx, k * cy), kPink);
    EXPECT_EQ(ImagePixel(board.Canvas(), k * 400, k * 300), kWhite) << "past the divider";
    EXPECT_EQ(Screen(kLeftX, kLeftY), kPink);
    EXPECT_EQ(Screen(kUpperRightX, kUpperRightY), kWhite);

    // Another detail refits the picture and replays the fill; the screen stays as it was.
    const CDibImage atK = board.Canvas();
    board.SetDetail(k == 1 ? 3 : 1);
    Paint();
    EXPECT_EQ(Screen(kLeftX, kLeftY), kPink);
    EXPECT_EQ(Screen(kUpperRightX, kUpperRightY), kWhite);
    board.SetDetail(k);
    EXPECT_EQ(test::FirstDifference(board.Canvas(), atK), "");

    board.Undo();
    Paint();
    EXPECT_EQ(Screen(kLeftX, kLeftY), kWhite);
    EXPECT_EQ(ImagePixel(board.Canvas(), k * cx, k * cy), kWhite);
}

INSTANTIATE_TEST_SUITE_P(K, BoardDetail, ::testing::Range(1, kMaxDetail + 1));

// An opening two canvas pixels wide in the divider is shut at every detail by a gap width of
// two: it is as many times wider at detail as the picture is.
TEST_F(BoardTest, GapClosingScalesWithTheDetail) {
    CDibImage drawing = MakeDrawing();
    for (int y = 200; y < 202; ++y) SetImagePixel(drawing, kDividerX, y, 255, 255, 255);
    loader.folder.assign(1, drawing);
    board.SetImageURL("http://pictures.test/folder");
    board.SetCloseGaps(2);
    for (int k = 1; k <= kMaxDetail; ++k) {
        board.SetDetail(k);
        board.Click(kLeftX, kLeftY);
        EXPECT_EQ(ImagePixel(board.Canvas(), k * (kLeftX - kCanvasRect.left), k * 300), kPink) << k;
        EXPECT_EQ(ImagePixel(board.Canvas(), k * 400, k * 300), kWhite) << "leaked at " << k;
        board.Undo();
    }
}

// The first picture of a folder may come already prepared at detail: the board takes it as it
// is only when it is of the detail the board holds now (the window may have been resized
// meanwhile), and fits the picture itself otherwise.
TEST_F(BoardTest, APictureArrivingAtDetailIsTakenOnlyAtTheBoardsDetail) {
    const FolderPicture picture(MakeDrawing());
    const CDibImage fitted = picture.ImageAt(2);
    CDibImage marked = fitted;
    SetImagePixel(marked, 30, 30, 0, 0, 0);   // no fit of the drawing has this dot
    board.SetFolderLoader(nullptr);
    board.SetDetail(2);
    const std::pair<CDibImage, const CDibImage*> cases[] = {   // handed in, then held
        {marked, &marked}, {picture.ImageAt(3), &fitted}, {CDibImage(), &fitted}};
    for (const auto& [detailed, held] : cases) {
        board.SetImageURL("http://pictures.test/folder");
        board.BeginFolder(board.CurrentLoad(), 1);
        board.AddFolderPicture(board.CurrentLoad(), picture, "a.bmp", false, detailed);
        ASSERT_EQ(board.CanvasDetail(), 2);
        EXPECT_EQ(test::FirstDifference(board.SourcePicture(), *held), "") << detailed.Width();
        board.FinishFolder(board.CurrentLoad(), "");
    }
}

// A screen at twice the board's pixels gets the canvas from the picture at detail 2 as it is,
// and the frame and the colouring where the board shows them.
TEST_F(BoardTest, DrawCanvasGivesAScaledScreenThePictureAtItsDetail) {
    LoadDrawings(1);
    board.SetDetail(2);
    board.Click(kLeftX, kLeftY);
    Paint();
    FramebufferContext device(2 * kBoardWidth, 2 * kBoardHeight, 0x00123456);
    device.SetScale(2.0);
    board.DrawCanvas(device, kBoardRect);
    EXPECT_EQ(device.GetPixel(2 * kLeftX, 2 * kLeftY), kPink);
    EXPECT_EQ(device.GetPixel(2 * kUpperRightX, 2 * kUpperRightY), kWhite);
    EXPECT_EQ(device.GetPixel(2 * kCanvasRect.left - 1, 2 * kCanvasRect.top), 0x00123456u)
        << "outside the canvas nothing is drawn";
    // The divider is a line at detail: its middle is dark on the scaled screen too.
    const ColourRef line = device.GetPixel(2 * (kCanvasRect.left + kDividerX) + 1, 2 * kLeftY);
    EXPECT_LT(RedOf(line) + GreenOf(line) + BlueOf(line), 3 * 128);
}

}  // namespace
}  // namespace kolo
