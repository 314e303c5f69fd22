#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/MemoryBlock.h"
#include "platform/soft/FramebufferContext.h"

namespace kolo {
namespace {

TEST(MemoryBlock, AllocatesZeroedDuplicatesAndFrees) {
    MemoryBlock block = MemoryBlock::Allocate(5);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.Size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(block.Data()[i], 0);
    block.Data()[4] = 9;
    MemoryBlock copy = block.Duplicate();
    block.Data()[4] = 1;
    EXPECT_EQ(copy.Data()[4], 9);
    block.Free();
    EXPECT_FALSE(block);
    EXPECT_EQ(block.Size(), 0u);
    EXPECT_FALSE(block.Duplicate());
    EXPECT_FALSE(MemoryBlock::Allocate(0));
    EXPECT_FALSE(MemoryBlock::Allocate(SIZE_MAX));   // failure is a null block, not a throw
}

// A 2 × 2 24-bit bottom-up DIB: bottom row red, green; top row blue, white.
struct TinyDib {
    BitmapInfoHeader header;
    std::vector<std::uint8_t> bits{0, 0, 255, 0, 255, 0, 0, 0,
                                   255, 0, 0, 255, 255, 255, 0, 0};
    TinyDib() {
        header.biWidth = 2;
        header.biHeight = 2;
        header.biBitCount = 24;
    }
};

constexpr ColourRef kRed = MakeColourRef(255, 0, 0);
constexpr ColourRef kGreen = MakeColourRef(0, 255, 0);
constexpr ColourRef kBlue = MakeColourRef(0, 0, 255);
constexpr ColourRef kWhite = MakeColourRef(255, 255, 255);
constexpr ColourRef kGrey = MakeColourRef(9, 9, 9);

TEST(FramebufferContext, ImageSourceCountsRowsFromTheTop) {
    TinyDib dib;
    FramebufferContext dc(4, 4, kGrey);
    // One pixel: the source's top-right pixel.
    dc.DrawImage(dib.header, dib.bits.data(), Rect{1, 0, 2, 1}, Rect{0, 0, 1, 1},
                 ImageFilter::kNearest);
    EXPECT_EQ(dc.GetPixel(0, 0), kWhite);
    dc.DrawImage(dib.header, dib.bits.data(), Rect{0, 0, 2, 2}, Rect{2, 2, 4, 4},
                 ImageFilter::kNearest);
    EXPECT_EQ(dc.GetPixel(2, 2), kBlue);
    EXPECT_EQ(dc.GetPixel(3, 3), kGreen);
    EXPECT_EQ(dc.GetPixel(2, 3), kRed);
    EXPECT_EQ(dc.GetPixel(1, 1), kGrey);
}

TEST(FramebufferContext, DrawingIsClippedToTheSurface) {
    TinyDib dib;
    FramebufferContext dc(3, 3, kGrey);
    dc.DrawImage(dib.header, dib.bits.data(), Rect{0, 0, 2, 2}, Rect{-1, -1, 3, 3},
                 ImageFilter::kNearest);
    EXPECT_EQ(dc.GetPixel(0, 0), kBlue);
    EXPECT_EQ(dc.GetPixel(2, 2), kGreen);
    dc.DrawImage(dib.header, dib.bits.data(), Rect{0, 0, 2, 2}, Rect{2, 2, 4, 4},
                 ImageFilter::kNearest);
    EXPECT_EQ(dc.GetPixel(2, 2), kBlue);
    dc.FillRect(Rect{-5, -5, 1, 100}, kRed);
    EXPECT_EQ(dc.GetPixel(0, 2), kRed);
    EXPECT_EQ(dc.GetPixel(3, 0), kInvalidColour);
    EXPECT_EQ(dc.GetPixel(-1, 0), kInvalidColour);
}

// A filled rectangle covers exactly its pixels, whether its colour is a grey (one byte
// repeated) or not, and however it is clipped.
TEST(FramebufferContext, FillCoversExactlyItsRectangle) {
    const struct {
        Rect rect;
        ColourRef colour;
    } fills[] = {{Rect{1, 1, 4, 3}, kRed}, {Rect{1, 1, 4, 3}, MakeColourRef(7, 7, 7)},
                 {Rect{-2, 2, 2, 9}, MakeColourRef(10, 20, 30)}, {Rect{4, 0, 9, 1}, kGreen},
                 {Rect{2, 2, 2, 4}, kRed}};
    for (const auto& fill : fills) {
        FramebufferContext dc(5, 4, kGrey);
        dc.FillRect(fill.rect, fill.colour);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                EXPECT_EQ(dc.GetPixel(x, y), fill.rect.Contains(x, y) ? fill.colour : kGrey)
                    << fill.rect.left << "," << fill.rect.top << " at " << x << "," << y;
            }
        }
    }
}

TEST(FramebufferContext, LeavesOutWhatItCannotDraw) {
    TinyDib dib;
    FramebufferContext dc(3, 3, kGrey);
    dib.header.biBitCount = 8;
    dc.DrawImage(dib.header, dib.bits.data(), Rect{0, 0, 2, 2}, Rect{0, 0, 3, 3},
                 ImageFilter::kNearest);
    dib.header.biBitCount = 24;
    dc.DrawImage(dib.header, dib.bits.data(), Rect{0, 0, 2, 2}, Rect{0, 0, 0, 3},
                 ImageFilter::kNearest);
    dc.DrawImage(dib.header, nullptr, Rect{0, 0, 2, 2}, Rect{0, 0, 2, 2}, ImageFilter::kNearest);
    // A source reaching past the image takes only the rows and columns that are there.
    dc.DrawImage(dib.header, dib.bits.data(), Rect{1, 1, 3, 3}, Rect{0, 0, 2, 2},
                 ImageFilter::kNearest);
    EXPECT_EQ(dc.GetPixel(0, 0), kGreen);
    EXPECT_EQ(dc.GetPixel(1, 0), kGrey);
    EXPECT_EQ(dc.GetPixel(0, 1), kGrey);
    EXPECT_EQ(dc.GetPixel(1, 1), kGrey);
}

}  // namespace
}  // namespace kolo

namespace kolo {
namespace {

// Area averaging weighs each source pixel by the share of the device pixel it covers: a 2 × 2
// block gives its mean, a pixel and a half its weighted mean, a source wholly of one colour
// that colour; and it never reads outside the image.
TEST(FramebufferContext, AreaFilterTakesTheMeanOfTheCoveredSource) {
    TinyDib dib;   // red, green (bottom); blue, white (top)
    const struct {
        Rect source, dest;
        ColourRef expected;
    } cases[] = {
        {Rect{0, 0, 2, 2}, Rect{0, 0, 1, 1}, MakeColourRef(128, 128, 128)},
        {Rect{0, 1, 2, 2}, Rect{0, 0, 1, 1}, MakeColourRef(128, 128, 0)},   // red beside green
        {Rect{1, 0, 2, 1}, Rect{0, 0, 3, 3}, kWhite},
        {Rect{0, 0, 2, 1}, Rect{0, 0, 3, 1}, kBlue},   // middle: half blue, half white
        {Rect{0, 0, 3, 2}, Rect{0, 0, 1, 1}, kGrey},   // past the image: nothing drawn
    };
    for (const auto& row : cases) {
        FramebufferContext dc(3, 3, kGrey);
        dc.DrawImage(dib.header, dib.bits.data(), row.source, row.dest, ImageFilter::kArea);
        EXPECT_EQ(dc.GetPixel(0, 0), row.expected) << row.source.left << "," << row.source.top;
    }
    FramebufferContext dc(3, 1, kGrey);
    dc.DrawImage(dib.header, dib.bits.data(), Rect{0, 0, 2, 1}, Rect{0, 0, 3, 1}, ImageFilter::kArea);
    EXPECT_EQ(dc.GetPixel(1, 0), MakeColourRef(128, 128, 255));
}

// One row drawn one to one: every pixel keeps its colour, and nothing is written past the
// run, whether it ends inside the surface, at its edge or is cut by it.
struct UnscaledRun {
    int width;   // pixels in the source row
    int left;    // where the run starts on a 6-pixel-wide surface
};

class FramebufferUnscaled : public ::testing::TestWithParam<UnscaledRun> {};

TEST_P(FramebufferUnscaled, CopiesEachPixelAndNothingPastTheRun) {
    const UnscaledRun run = GetParam();
    BitmapInfoHeader header;
    header.biWidth = run.width;
    header.biHeight = 1;
    header.biBitCount = 24;
    // Pixel i is blue 10 + i, green 100 + i, red 200 + i; the row is padded to four bytes.
    std::vector<std::uint8_t> bits((3 * static_cast<std::size_t>(run.width) + 3) & ~std::size_t{3}, 0xEE);
    for (int i = 0; i < run.width; ++i) {
        bits[3 * i] = static_cast<std::uint8_t>(10 + i);
        bits[3 * i + 1] = static_cast<std::uint8_t>(100 + i);
        bits[3 * i + 2] = static_cast<std::uint8_t>(200 + i);
    }
    FramebufferContext dc(6, 1, kGrey);
    dc.DrawImage(header, bits.data(), Rect{0, 0, run.width, 1},
                 Rect{run.left, 0, run.left + run.width, 1}, ImageFilter::kNearest);
    for (int x = 0; x < 6; ++x) {
        const int i = x - run.left;
        const ColourRef expected = i >= 0 && i < run.width ? MakeColourRef(200 + i, 100 + i, 10 + i) : kGrey;
        EXPECT_EQ(dc.GetPixel(x, 0), expected) << "x " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, FramebufferUnscaled,
                         ::testing::Values(UnscaledRun{1, 2}, UnscaledRun{2, 0}, UnscaledRun{3, 1},
                                           UnscaledRun{5, 1}, UnscaledRun{6, 0},
                                           UnscaledRun{4, 3}));

}  // namespace
}  // namespace kolo
