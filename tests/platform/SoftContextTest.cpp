// The software platform's surfaces: bitmap copies, drawing into a bitmap, and text.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/DeviceBitmap.h"
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

TEST(SoftBitmapCopy, CopiesThePartAskedForUnscaled) {
    ScreenContext screen(40, 30);
    SoftBitmap bitmap(10, 10, kRed);
    bitmap.Surface().SetPixel(9, 9, kBlue);
    screen.DrawBitmap(bitmap, Rect{0, 0, 10, 10}, 5, 6);
    EXPECT_EQ(screen.GetPixel(5, 6), kRed);
    EXPECT_EQ(screen.GetPixel(14, 15), kBlue);
    EXPECT_EQ(screen.GetPixel(4, 6), kWhite);
    EXPECT_EQ(screen.GetPixel(15, 15), kWhite);
    screen.DrawBitmap(bitmap, Rect{9, 9, 10, 10}, 0, 0);
    EXPECT_EQ(screen.GetPixel(0, 0), kBlue);
    EXPECT_EQ(screen.GetPixel(1, 0), kWhite);
}

TEST(SoftBitmapCopy, ClipsAtBothSurfaces) {
    ScreenContext screen(8, 8);
    SoftBitmap source(4, 4, kRed);
    screen.DrawBitmap(source, Rect{0, 0, 10, 10}, 6, -2);
    EXPECT_EQ(screen.GetPixel(6, 0), kRed);
    EXPECT_EQ(screen.GetPixel(7, 1), kRed);
    EXPECT_EQ(screen.GetPixel(6, 2), kWhite);   // past the source's last row
    screen.DrawBitmap(source, Rect{-2, 1, 2, 3}, 0, 5);
    EXPECT_EQ(screen.GetPixel(1, 5), kWhite);   // left of the source
    EXPECT_EQ(screen.GetPixel(2, 5), kRed);
    EXPECT_EQ(screen.GetPixel(3, 6), kRed);
    EXPECT_EQ(screen.GetPixel(2, 7), kWhite);
}

TEST(SoftBitmap, IsItsOwnDrawingTarget) {
    SoftBitmap bitmap(5, 5);
    DrawingSurface* target = bitmap.DrawingTarget();
    ASSERT_NE(target, nullptr);
    target->FillRect(Rect{0, 0, 2, 2}, kBlue);
    EXPECT_EQ(bitmap.Surface().GetPixel(1, 1), kBlue);
    EXPECT_EQ(bitmap.Surface().GetPixel(3, 3), kWhite);
}

TEST(SoftBitmap, BecomesBottomUpPackedRows) {
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

TEST(SoftDrawText, CentresTheFirstLineAtTheTop) {
    ScreenContext screen(300, 200);
    screen.FillRect(Rect{0, 0, 300, 200}, kRed);
    const Rect rect{20, 40, 280, 190};
    const int height = DrawTextInto(screen, "No Image!!!", rect, TextPlacement::kTop, 96);
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

TEST(SoftDrawText, MiddleCentresVertically) {
    ScreenContext screen(300, 200);
    const int height =
        DrawTextInto(screen, "Kolo", Rect{0, 0, 300, 200}, TextPlacement::kMiddle, 96);
    const InkBox ink = FindInk(screen);
    EXPECT_GE(ink.minY, (200 - height) / 2);
    EXPECT_LT(ink.maxY, (200 + height) / 2);
}

TEST(SoftDrawText, IsClippedToItsRectangle) {
    ScreenContext screen(100, 40);
    screen.DrawText("A rather long line of text", Rect{30, 0, 70, 40}, TextPlacement::kTop);
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
    surface.FillRect(Rect{0, 0, 120, 24}, kWhite);
    surface.DrawText("No Image!!!", Rect{0, 0, 120, 24}, TextPlacement::kMiddle);
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

}  // namespace
}  // namespace kolo
