// Printing: the placement arithmetic, and the printable picture as a host puts it on a page.
#include "tests/board/BoardFixture.h"

#include <algorithm>
#include <memory>

namespace kolo {
namespace {

class BoardPrintTest : public BoardTest {
protected:
    // A Letter page at 300 dpi with the printable picture where the board places it, as a
    // host with a raster printer prints it.
    std::unique_ptr<FramebufferContext> PrintLetterPage() {
        auto page = std::make_unique<FramebufferContext>(2550, 3300);
        page->SetResolution(300);
        board.DrawPictureInto(*page, board.PrintPlacement(2550, 3300, 300, 300));
        return page;
    }
};

TEST(PrintDestination, WidePictureOnATallPageFitsTheWidth) {
    // pw = 3600, ph = 5400; w = 6834 > 3600, so h = 2845 and the top is 600 + 1277.
    EXPECT_EQ(PrintDestination(4800, 6600, 600, 600, 572, 452), (Rect{600, 1877, 4200, 4721}));
}

TEST(PrintDestination, WidePictureOnAWidePageFitsTheHeight) {
    // pw = 5400, ph = 3600; w = trunc(3600 × 572 / 452 + 0.5) = 4556, left = 600 + 422.
    EXPECT_EQ(PrintDestination(6600, 4800, 600, 600, 572, 452), (Rect{1022, 600, 5577, 4200}));
}

TEST(PrintDestination, PictureOfTheAreasProportionsTakesTheFitHeightBranch) {
    // Printable area 572 × 452 exactly: w = pw, so the height is fitted.
    EXPECT_EQ(PrintDestination(772, 652, 100, 100, 572, 452), (Rect{100, 100, 671, 552}));
}

TEST(PrintDestination, NoPictureGivesThePrintableArea) {
    EXPECT_EQ(PrintDestination(2550, 3300, 300, 300, 0, 0), (Rect{300, 300, 2250, 3000}));
}

TEST_F(BoardPrintTest, TallPagePutsThePictureWhereTheArithmeticSays) {
    LoadDrawings(1);
    EXPECT_EQ(board.PrintPlacement(4800, 6600, 600, 600), (Rect{600, 1877, 4200, 4721}));
}

TEST_F(BoardPrintTest, LetterPageCarriesTheColouredPicture) {
    LoadDrawings(1);
    board.Click(200, 300);
    const std::unique_ptr<FramebufferContext> page = PrintLetterPage();
    EXPECT_EQ(board.PrintPlacement(2550, 3300, 300, 300), (Rect{300, 879, 2250, 2419}));
    EXPECT_EQ(page->GetPixel(876, 1373), kPink);      // canvas (169, 145)
    EXPECT_EQ(page->GetPixel(1276, 1373), kHalfPink); // the line beside the painted area
    EXPECT_EQ(page->GetPixel(1800, 1800), kWhite);    // the unpainted right area
    EXPECT_EQ(page->GetPixel(1800, 879 + 100 * 1540 / 452 + 1), 0u);   // its black line
    EXPECT_EQ(page->GetPixel(100, 100), kWhite);      // margin
    EXPECT_EQ(page->GetPixel(1275, 870), kWhite);     // above the picture
    // No frame is printed: the picture's own pixels reach its edges.
    EXPECT_EQ(page->GetPixel(301, 1373), kPink);
}

TEST_F(BoardPrintTest, PrintButtonAsksTheHostToPrint) {
    LoadDrawings(1);
    board.Command(kButtonPrint);
    EXPECT_EQ(host.printDialogs, 1);
}

// A page with more dots than the board holds gets the picture fitted again at the detail it
// asks for, with the fills that can be undone replayed on a copy; a page asking for less
// gets the board's own. Either way the board keeps its detail and canvas.
struct DetailPrint {
    int held;      // the board's detail
    int printed;   // the page's
};

class BoardPrintAtDetail : public BoardPrintTest, public ::testing::WithParamInterface<DetailPrint> {};

TEST_P(BoardPrintAtDetail, ShowsTheFillsLeftAndLeavesTheBoardAsItWas) {
    const DetailPrint p = GetParam();
    LoadDrawings(1);
    board.SetDetail(p.held);
    board.Click(200, 300);   // the left area
    board.Click(kCanvasRect.left + 400, kCanvasRect.top + 50);
    board.Undo();            // the upper right one, taken back: not printed
    Paint();
    const CDibImage canvas = board.Canvas();
    const int k = std::max(p.held, p.printed);
    const int width = k * kCanvasWidth, height = k * kCanvasHeight;
    FramebufferContext page(width, height, 0x00123456);
    board.DrawPictureInto(page, Rect{0, 0, width, height}, p.printed);
    EXPECT_EQ(page.GetPixel(k * 169, k * 145), kPink);
    EXPECT_EQ(page.GetPixel(k * 400 + k / 2, k * 50 + k / 2), kWhite) << "an undone fill";
    const ColourRef line = page.GetPixel(k * kDividerX + k / 2, k * 145);
    EXPECT_LT(RedOf(line) + GreenOf(line) + BlueOf(line), 3 * 128) << "the divider";
    EXPECT_EQ(page.GetPixel(width - 1, height - 1), kWhite) << "the picture fills the page";
    EXPECT_EQ(board.CanvasDetail(), p.held);
    EXPECT_EQ(test::FirstDifference(board.Canvas(), canvas), "");
}

INSTANTIATE_TEST_SUITE_P(Details, BoardPrintAtDetail,
                         ::testing::Values(DetailPrint{1, 4}, DetailPrint{2, 3}, DetailPrint{4, 2},
                                           DetailPrint{1, 1}));

TEST_F(BoardPrintTest, NoPicturePrintsTheplaceholderInsideTheMargins) {
    const std::unique_ptr<FramebufferContext> page = PrintLetterPage();
    int minX = page->Width(), maxX = -1, minY = page->Height(), maxY = -1;
    for (int y = 0; y < page->Height(); ++y) {
        for (int x = 0; x < page->Width(); ++x) {
            if (page->GetPixel(x, y) == kWhite) continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    ASSERT_GE(maxX, 0) << "nothing printed";
    EXPECT_GE(minX, 300);
    EXPECT_LT(maxX, 2250);
    EXPECT_GE(minY, 300);
    EXPECT_LT(maxY, 300 + 80);   // one line of text at the top of the printable area
    EXPECT_NEAR((minX + maxX) / 2.0, 1275.0, 8.0);
}

}  // namespace
}  // namespace kolo
