// The software platform's contexts: block copies, memory contexts, text and printer pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/DeviceBitmap.h"
#include "platform/soft/MemoryContext.h"
#include "platform/soft/PrinterPageContext.h"
#include "platform/soft/ScreenContext.h"
#include "platform/soft/SoftBitmap.h"
#include "platform/soft/TextRenderer.h"

namespace kolo {
namespace {

constexpr ColourRef kWhite = 0x00FFFFFF;
constexpr ColourRef kRed = 0x000000FF;
constexpr ColourRef kBlue = 0x00FF0000;

struct InkBox {
    int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};

InkBox FindInk(const FramebufferContext& fb) {
    InkBox box;
    for (int y = 0; y < fb.Height(); ++y) {
        for (int x = 0; x < fb.Width(); ++x) {
            const ColourRef c = fb.GetPixel(x, y);
            if (RedOf(c) >= 128 || RedOf(c) != GreenOf(c) || GreenOf(c) != BlueOf(c)) continue;
            box.minX = std::min(box.minX, x);
            box.maxX = std::max(box.maxX, x);
            box.minY = std::min(box.minY, y);
            box.maxY = std::max(box.maxY, y);
        }
    }
    return box;
}

TEST(SoftBlockCopy, CopiesFromAMemoryContextsSelectedBitmap) {
    ScreenContext screen(40, 30);
    SoftBitmap bitmap(10, 10, kRed);
    bitmap.Surface().SetPixel(9, 9, kBlue);
    std::unique_ptr<MemoryContext> memory = screen.CreateCompatibleDC();
    ASSERT_NE(memory, nullptr);
    DeviceBitmap* previous = memory->SelectBitmap(&bitmap);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(screen.BitBlt(5, 6, 10, 10, *memory, 0, 0), 1);
    EXPECT_EQ(screen.GetPixel(5, 6), kRed);
    EXPECT_EQ(screen.GetPixel(14, 15), kBlue);
    EXPECT_EQ(screen.GetPixel(4, 6), kWhite);
    EXPECT_EQ(screen.GetPixel(15, 15), kWhite);
    EXPECT_EQ(memory->SelectBitmap(previous), &bitmap);
}

TEST(SoftBlockCopy, ClipsAtBothSurfaces) {
    ScreenContext screen(8, 8);
    ScreenContext source(4, 4);
    source.FillSolidRect(Rect{0, 0, 4, 4}, kRed);
    EXPECT_EQ(screen.BitBlt(6, -2, 10, 10, source, 0, 0), 1);
    EXPECT_EQ(screen.GetPixel(6, 0), kRed);
    EXPECT_EQ(screen.GetPixel(7, 1), kRed);
    EXPECT_EQ(screen.GetPixel(6, 2), kWhite);   // past the source's last row
    EXPECT_EQ(screen.BitBlt(0, 0, 4, 4, source, 10, 10), 0);
}

TEST(SoftMemoryContext, DrawsIntoTheSelectedBitmapOnly) {
    SoftMemoryContext memory;
    SoftBitmap first(5, 5), second(5, 5);
    memory.SelectBitmap(&first);
    memory.FillSolidRect(Rect{0, 0, 2, 2}, kBlue);
    memory.SelectBitmap(&second);
    memory.FillSolidRect(Rect{0, 0, 5, 5}, kRed);
    EXPECT_EQ(first.Surface().GetPixel(1, 1), kBlue);
    EXPECT_EQ(first.Surface().GetPixel(3, 3), kWhite);
    EXPECT_EQ(second.Surface().GetPixel(3, 3), kRed);
    EXPECT_EQ(memory.GetPixel(3, 3), kRed);
}

TEST(SoftMemoryContext, BitmapBecomesBottomUpPackedRows) {
    SoftBitmap bitmap(3, 2, kWhite);
    bitmap.Surface().SetPixel(0, 1, MakeColourRef(10, 20, 30));   // bottom-left
    MemoryBlock dib = DibFromDeviceBitmap(bitmap);
    ASSERT_TRUE(dib);
    ASSERT_EQ(dib.Size(), 40u + 12u * 2u);
    const std::uint8_t* rows = dib.Data() + 40;
    EXPECT_EQ(rows[0], 30);   // blue first
    EXPECT_EQ(rows[1], 20);
    EXPECT_EQ(rows[2], 10);
    EXPECT_EQ(rows[9], 0);    // row padding
    EXPECT_EQ(rows[12], 255);
}

TEST(SoftDrawText, CentresTheFirstLineAtTheTopWithoutSingleLine) {
    ScreenContext screen(300, 200);
    screen.FillSolidRect(Rect{0, 0, 300, 200}, kRed);
    const Rect rect{20, 40, 280, 190};
    const int height = screen.DrawText("No Image!!!", rect, kDtCenter | kDtVCenter);
    EXPECT_GT(height, 10);
    const InkBox ink = FindInk(screen);
    ASSERT_GE(ink.maxX, 0);
    EXPECT_NEAR((ink.minX + ink.maxX) / 2.0, 150.0, 3.0);
    EXPECT_GE(ink.minY, 40);
    EXPECT_LT(ink.maxY, 40 + height);
    // The line's box is opaque white; the rest of the rectangle is untouched.
    EXPECT_EQ(screen.GetPixel(150, 40), kWhite);
    EXPECT_EQ(screen.GetPixel(150, 40 + height + 2), kRed);
    EXPECT_EQ(screen.GetPixel(25, 45), kRed);
}

TEST(SoftDrawText, SingleLineCentresVertically) {
    ScreenContext screen(300, 200);
    const int height = screen.DrawText("Kolo", Rect{0, 0, 300, 200},
                                       kDtCenter | kDtVCenter | kDtSingleLine);
    const InkBox ink = FindInk(screen);
    EXPECT_GE(ink.minY, (200 - height) / 2);
    EXPECT_LT(ink.maxY, (200 + height) / 2);
}

TEST(SoftDrawText, IsClippedToItsRectangle) {
    ScreenContext screen(100, 40);
    screen.DrawText("A rather long line of text", Rect{30, 0, 70, 40}, kDtCenter);
    const InkBox ink = FindInk(screen);
    EXPECT_GE(ink.minX, 30);
    EXPECT_LT(ink.maxX, 70);
}

TEST(SoftDrawText, FollowsTheDeviceResolution) {
    int screenWidth = 0, screenHeight = 0, printerWidth = 0, printerHeight = 0;
    ASSERT_TRUE(MeasureTextLine("No Image!!!", 96, screenWidth, screenHeight));
    ASSERT_TRUE(MeasureTextLine("No Image!!!", 300, printerWidth, printerHeight));
    EXPECT_NEAR(printerHeight, screenHeight * 300 / 96, 4);
    EXPECT_NEAR(printerWidth, screenWidth * 300 / 96, 12);
}

std::vector<std::uint8_t> FontFile(const char* name) {
    std::ifstream in(std::string("/usr/share/fonts/truetype/dejavu/") + name, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<ColourRef> DrawnPixels() {
    FramebufferContext surface(120, 24);
    surface.FillSolidRect(Rect{0, 0, 120, 24}, kWhite);
    surface.DrawText("No Image!!!", Rect{0, 0, 120, 24}, kDtCenter | kDtVCenter | kDtSingleLine);
    std::vector<ColourRef> pixels;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 120; ++x) pixels.push_back(surface.GetPixel(x, y));
    }
    return pixels;
}

// The font is process-wide: the last case puts the machine's own font back, from memory.
TEST(SoftDrawText, TakesTheFontFromTheHostsBytes) {
    int regularWidth = 0, height = 0;
    ASSERT_TRUE(MeasureTextLine("No Image!!!", 96, regularWidth, height));
    const std::vector<ColourRef> fromFile = DrawnPixels();
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool taken;
        int widthChange;   // sign of the change against the machine's font
    };
    const std::vector<Case> cases = {
        {"not a font", {'n', 'o', 't', 0, 'a', ' ', 'f', 'o', 'n', 't'}, false, 0},
        {"no bytes", {}, false, 0},
        {"a cut font file", [] { auto b = FontFile("DejaVuSans-Bold.ttf"); b.resize(200); return b; }(),
         false, 0},
        {"another font", FontFile("DejaVuSans-Bold.ttf"), true, 1},
        {"the machine's font from memory", FontFile("DejaVuSans.ttf"), true, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UseFontBytes(c.bytes), c.taken) << c.name;
        int width = 0;
        ASSERT_TRUE(MeasureTextLine("No Image!!!", 96, width, height)) << c.name;
        EXPECT_EQ((width > regularWidth) - (width < regularWidth), c.widthChange) << c.name;
        if (c.taken) UseFontBytes(FontFile("DejaVuSans.ttf"));
    }
    EXPECT_EQ(DrawnPixels(), fromFile);
}

TEST(SoftPrinterPage, ReportsTheMeasuresItWasMadeWith) {
    auto log = std::make_shared<PrintJobLog>();
    PrinterPageContext page(PrinterMeasures{400, 500, 100, 120, 0}, log);
    EXPECT_EQ(page.GetDeviceCaps(kHorzRes), 400);
    EXPECT_EQ(page.GetDeviceCaps(kVertRes), 500);
    EXPECT_EQ(page.GetDeviceCaps(kLogPixelsX), 100);
    EXPECT_EQ(page.GetDeviceCaps(kLogPixelsY), 120);
    EXPECT_EQ(page.GetDeviceCaps(kRasterCaps), 0);
}

TEST(SoftPrinterPage, RecordsTheJobAndKeepsEachPage) {
    auto log = std::make_shared<PrintJobLog>();
    {
        PrinterPageContext page(PrinterMeasures{40, 50, 10, 10, kRcBitBlt}, log);
        EXPECT_EQ(page.StartPage(), 0);   // no document yet
        EXPECT_GT(page.StartDoc("Test Document"), 0);
        EXPECT_GT(page.StartPage(), 0);
        page.FillSolidRect(Rect{1, 2, 3, 4}, kBlue);
        EXPECT_EQ(page.EndDoc(), 0);      // the page is still open
        EXPECT_GT(page.EndPage(), 0);
        EXPECT_GT(page.EndDoc(), 0);
    }
    const std::vector<std::string> expected = {"StartPage", "StartDoc", "StartPage", "EndDoc",
                                               "EndPage",   "EndDoc",   "DeleteDC"};
    EXPECT_EQ(log->calls, expected);
    EXPECT_EQ(log->documentName, "Test Document");
    ASSERT_EQ(log->pages.size(), 1u);
    const PrintedPage& kept = log->pages[0];
    EXPECT_EQ(kept.width, 40);
    EXPECT_EQ(kept.height, 50);
    const std::size_t at = (2u * 40u + 1u) * 3u;
    EXPECT_EQ(kept.rgb[at], 0);        // red
    EXPECT_EQ(kept.rgb[at + 2], 255);  // blue
}

TEST(SoftPrinterPage, AbortDropsTheJob) {
    auto log = std::make_shared<PrintJobLog>();
    PrinterPageContext page(PrinterMeasures{10, 10, 10, 10, kRcBitBlt}, log);
    page.StartDoc("Test Document");
    page.StartPage();
    EXPECT_GT(page.AbortDoc(), 0);
    EXPECT_TRUE(log->pages.empty());
    EXPECT_EQ(page.EndDoc(), 0);
}

}  // namespace
}  // namespace kolo
