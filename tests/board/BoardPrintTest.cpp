// Printing: the placement arithmetic, the print job's calls and the printed pixels.
#include "tests/board/BoardFixture.h"

#include <algorithm>

#include "platform/soft/PrinterPageContext.h"

namespace kolo {
namespace {

ColourRef PagePixel(const PrintedPage& page, int x, int y) {
    const std::uint8_t* p = page.rgb.data() + (static_cast<std::size_t>(y) * page.width + x) * 3;
    return MakeColourRef(p[0], p[1], p[2]);
}

class BoardPrintTest : public BoardTest {
protected:
    // The print dialog answers with a software printer of these measures.
    void UsePrinter(const PrinterMeasures& measures, bool keepPages = true) {
        log = std::make_shared<PrintJobLog>();
        log->keepPages = keepPages;
        host.printDialog = [this, measures]() -> std::unique_ptr<DeviceContext> {
            return std::make_unique<PrinterPageContext>(measures, log);
        };
    }
    std::shared_ptr<PrintJobLog> log;
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
    UsePrinter(PrinterMeasures{4800, 6600, 600, 600, kRcBitBlt}, false);
    board.Command(kButtonPrint);
    ASSERT_EQ(log->pictureDestinations.size(), 1u);
    EXPECT_EQ(log->pictureDestinations[0], (Rect{600, 1877, 4200, 4721}));
}

TEST_F(BoardPrintTest, LetterPageCarriesTheColouredPicture) {
    LoadDrawings(1);
    board.Click(200, 300);
    UsePrinter(PrinterMeasures{2550, 3300, 300, 300, kRcBitBlt});
    board.Print();

    const std::vector<std::string> expected = {"StartDoc", "StartPage", "EndPage", "EndDoc",
                                               "DeleteDC"};
    EXPECT_EQ(log->calls, expected);
    EXPECT_EQ(log->documentName, "Test Document");
    ASSERT_EQ(log->pictureDestinations.size(), 1u);
    EXPECT_EQ(log->pictureDestinations[0], (Rect{300, 879, 2250, 2419}));
    ASSERT_EQ(log->pages.size(), 1u);
    const PrintedPage& page = log->pages[0];
    EXPECT_EQ(PagePixel(page, 876, 1373), kPink);      // canvas (169, 145)
    EXPECT_EQ(PagePixel(page, 1276, 1373), kHalfPink); // the line beside the painted area
    EXPECT_EQ(PagePixel(page, 1800, 1800), kWhite);    // the unpainted right area
    EXPECT_EQ(PagePixel(page, 1800, 879 + 100 * 1540 / 452 + 1), 0u);   // its black line
    EXPECT_EQ(PagePixel(page, 100, 100), kWhite);      // margin
    EXPECT_EQ(PagePixel(page, 1275, 870), kWhite);     // above the picture
    // No frame is printed: the picture's own pixels reach its edges.
    EXPECT_EQ(PagePixel(page, 301, 1373), kPink);
}

TEST_F(BoardPrintTest, CancelledDialogStartsNoDocument) {
    LoadDrawings(1);
    board.Print();
    EXPECT_EQ(host.printDialogs, 1);
}

TEST_F(BoardPrintTest, DeviceThatRefusesTheDocumentIsDeletedUntouched) {
    LoadDrawings(1);
    FramebufferContext* plain = nullptr;
    host.printDialog = [&plain]() -> std::unique_ptr<DeviceContext> {
        auto dc = std::make_unique<FramebufferContext>(50, 50);
        plain = dc.get();
        return dc;
    };
    board.Print();   // a screen-like context answers StartDoc with 0
    EXPECT_NE(plain, nullptr);
}

TEST_F(BoardPrintTest, PrinterWithoutBitmapSupportPrintsNothingAndClosesTheJob) {
    LoadDrawings(1);
    UsePrinter(PrinterMeasures{2550, 3300, 300, 300, 0});
    board.Print();
    const std::vector<std::string> expected = {"StartDoc", "StartPage", "AbortDoc", "DeleteDC"};
    EXPECT_EQ(log->calls, expected);
    EXPECT_TRUE(log->pages.empty());
    EXPECT_TRUE(log->pictureDestinations.empty());
}

TEST_F(BoardPrintTest, NoPicturePrintsTheplaceholderInsideTheMargins) {
    UsePrinter(PrinterMeasures{2550, 3300, 300, 300, kRcBitBlt});
    board.Print();
    ASSERT_EQ(log->pages.size(), 1u);
    const PrintedPage& page = log->pages[0];
    int minX = page.width, maxX = -1, minY = page.height, maxY = -1;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            if (PagePixel(page, x, y) == kWhite) continue;
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
    EXPECT_TRUE(log->pictureDestinations.empty());
    EXPECT_EQ(log->calls.back(), "DeleteDC");
}

}  // namespace
}  // namespace kolo
