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

TEST(FramebufferContext, SetDibitsCountsTheSourceOriginFromTheBottom) {
    TinyDib dib;
    FramebufferContext dc(4, 4, kGrey);
    // One pixel: the source rectangle's bottom-left corner is (1, 1), the top-right pixel.
    EXPECT_EQ(dc.SetDIBitsToDevice(0, 0, 1, 1, 1, 1, 0, 2, dib.bits.data(), dib.header), 2);
    EXPECT_EQ(dc.GetPixel(0, 0), kWhite);
    dc.SetDIBitsToDevice(2, 2, 2, 2, 0, 0, 0, 2, dib.bits.data(), dib.header);
    EXPECT_EQ(dc.GetPixel(2, 2), kBlue);
    EXPECT_EQ(dc.GetPixel(3, 3), kGreen);
    EXPECT_EQ(dc.GetPixel(2, 3), kRed);
    EXPECT_EQ(dc.GetPixel(1, 1), kGrey);
}

TEST(FramebufferContext, DrawingIsClippedToTheSurface) {
    TinyDib dib;
    FramebufferContext dc(3, 3, kGrey);
    dc.StretchDIBits(-1, -1, 4, 4, 0, 0, 2, 2, dib.bits.data(), dib.header);
    EXPECT_EQ(dc.GetPixel(0, 0), kBlue);
    EXPECT_EQ(dc.GetPixel(2, 2), kGreen);
    dc.SetDIBitsToDevice(2, 2, 2, 2, 0, 0, 0, 2, dib.bits.data(), dib.header);
    EXPECT_EQ(dc.GetPixel(2, 2), kBlue);
    dc.FillSolidRect(Rect{-5, -5, 1, 100}, kRed);
    EXPECT_EQ(dc.GetPixel(0, 2), kRed);
    EXPECT_EQ(dc.GetPixel(3, 0), kInvalidColour);
    EXPECT_EQ(dc.GetPixel(-1, 0), kInvalidColour);
}

TEST(FramebufferContext, RefusesWhatItCannotDraw) {
    TinyDib dib;
    FramebufferContext dc(3, 3, kGrey);
    dib.header.biBitCount = 8;
    EXPECT_EQ(dc.StretchDIBits(0, 0, 3, 3, 0, 0, 2, 2, dib.bits.data(), dib.header), 0);
    dib.header.biBitCount = 24;
    EXPECT_EQ(dc.StretchDIBits(0, 0, 0, 3, 0, 0, 2, 2, dib.bits.data(), dib.header), 0);
    EXPECT_EQ(dc.SetDIBitsToDevice(0, 0, 2, 2, 0, 0, 0, 2, nullptr, dib.header), 0);
    EXPECT_EQ(dc.GetPixel(1, 1), kGrey);
}

TEST(FramebufferContext, ReportsTheMeasuresItWasGiven) {
    FramebufferContext page(2550, 3300);
    page.SetResolution(300);
    EXPECT_EQ(page.GetDeviceCaps(kHorzRes), 2550);
    EXPECT_EQ(page.GetDeviceCaps(kVertRes), 3300);
    EXPECT_EQ(page.GetDeviceCaps(kLogPixelsX), 300);
    EXPECT_EQ(page.GetDeviceCaps(kLogPixelsY), 300);
    EXPECT_EQ(page.GetDeviceCaps(kRasterCaps) & kRcBitBlt, kRcBitBlt);
}

}  // namespace
}  // namespace kolo
