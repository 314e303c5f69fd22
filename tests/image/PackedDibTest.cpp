#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/DibImage.h"
#include "image/PackedDib.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

// Builds packed DIBs field by field.
class DibBuilder {
public:
    // An info header; rows and table are appended by the caller.
    static std::vector<std::uint8_t> Info(std::int32_t width, std::int32_t height,
                                          std::uint16_t bits, std::uint32_t compression = 0,
                                          std::uint32_t clrUsed = 0) {
        BitmapInfoHeader h;
        h.biWidth = width;
        h.biHeight = height;
        h.biBitCount = bits;
        h.biCompression = compression;
        h.biClrUsed = clrUsed;
        std::vector<std::uint8_t> out(sizeof h);
        std::memcpy(out.data(), &h, sizeof h);
        return out;
    }
    // A 12-byte core header: bcSize, bcWidth, bcHeight, bcPlanes, bcBitCount.
    static std::vector<std::uint8_t> Core(std::uint16_t width, std::uint16_t height,
                                          std::uint16_t bits) {
        return {12, 0, 0, 0,
                static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
                static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8),
                1, 0,
                static_cast<std::uint8_t>(bits), 0};
    }
};

void Append(std::vector<std::uint8_t>& v, std::initializer_list<std::uint8_t> bytes) {
    v.insert(v.end(), bytes);
}

MemoryBlock ToBlock(const std::vector<std::uint8_t>& bytes) {
    MemoryBlock block = MemoryBlock::Allocate(bytes.size());
    std::memcpy(block.Data(), bytes.data(), bytes.size());
    return block;
}

std::uint32_t ReadPixel(const std::vector<std::uint8_t>& dib, std::int32_t x, std::int32_t row) {
    std::uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    DibReadPixel(dib.data(), x, row, out);
    return out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<std::uint32_t>(out[3]) << 24);
}

constexpr std::uint32_t kUntouched = 0xAAAAAAAA;

TEST(PackedDibLayout, BitfieldsMovesTableAndPixelsTwelveBytesLater) {
    const auto plain = DibBuilder::Info(4, 4, 16, kBiRgb);
    const auto masked = DibBuilder::Info(4, 4, 16, kBiBitfields);
    EXPECT_EQ(DibHeaderLength(plain.data()), 40);
    EXPECT_EQ(DibHeaderLength(masked.data()), 52);
    EXPECT_EQ(DibPixelData(masked.data()) - masked.data(), 52);
    EXPECT_EQ(DibColourTable(masked.data()) - masked.data(), 52);
}

TEST(PackedDibLayout, ColourCountFollowsClrUsedOrTheDepth) {
    const auto used16 = DibBuilder::Info(2, 2, 8, kBiRgb, 16);
    EXPECT_EQ(DibColourCount(used16.data()), 16);
    EXPECT_EQ(DibColourTableBytes(used16.data()), 64);
    EXPECT_EQ(DibPixelData(used16.data()) - used16.data(), 40 + 64);

    const auto rgb24 = DibBuilder::Info(2, 2, 24);
    EXPECT_EQ(DibColourCount(rgb24.data()), 0);
    EXPECT_EQ(DibPixelData(rgb24.data()) - rgb24.data(), 40);

    EXPECT_EQ(DibColourCount(DibBuilder::Info(2, 2, 1).data()), 2);
    EXPECT_EQ(DibColourCount(DibBuilder::Info(2, 2, 4).data()), 16);
    EXPECT_EQ(DibColourCount(DibBuilder::Info(2, 2, 8).data()), 256);
}

TEST(PackedDibLayout, CoreHeaderHasThreeByteEntriesAndUnsignedSizes) {
    const auto core = DibBuilder::Core(40000, 3, 8);
    EXPECT_EQ(DibHeaderLength(core.data()), 12);
    EXPECT_EQ(DibColourTableBytes(core.data()), 768);
    EXPECT_EQ(DibPixelData(core.data()) - core.data(), 12 + 768);
    EXPECT_EQ(DibWidth(core.data()), 40000);   // zero-extended, not negative
    EXPECT_EQ(DibHeight(core.data()), 3);
    EXPECT_EQ(DibBitsPerPixel(core.data()), 8);
}

TEST(PackedDibLayout, RowsArePaddedToFourBytes) {
    EXPECT_EQ(DibStrideFor(24, 1), 4);
    EXPECT_EQ(DibStrideFor(24, 2), 8);
    EXPECT_EQ(DibStrideFor(24, 4), 12);
    EXPECT_EQ(DibStrideFor(1, 1), 4);
    EXPECT_EQ(DibStrideFor(1, 32), 4);
    EXPECT_EQ(DibStrideFor(1, 33), 8);
    EXPECT_EQ(DibRowStride(DibBuilder::Info(3, 1, 8).data()), 4);
    const auto d = DibBuilder::Info(5, 3, 4);
    EXPECT_EQ(DibPixelOffset(d.data(), 3, 2), 1 + 2 * 4);
}

TEST(PackedDibColourEntry, ReadsInfoAndCoreEntriesAndZeroPastTheTable) {
    auto info = DibBuilder::Info(1, 1, 1);
    Append(info, {0x10, 0x20, 0x30, 0x40, 0x11, 0x21, 0x31, 0x41});   // two RGBQUADs
    EXPECT_EQ(DibColourEntry(info.data(), 1), 0x41312111u);
    EXPECT_EQ(DibColourEntry(info.data(), 2), 0u);
    EXPECT_EQ(DibColourEntry(info.data(), -1), 0u);

    auto core = DibBuilder::Core(1, 1, 1);
    Append(core, {0x10, 0x20, 0x30, 0x11, 0x21, 0x31});               // two RGBTRIPLEs
    EXPECT_EQ(DibColourEntry(core.data(), 1), 0x00312111u);
}

TEST(PackedDibCreateBlank, RefusesImpossibleArguments) {
    EXPECT_FALSE(DibCreateBlank(0, 10, 8));
    EXPECT_FALSE(DibCreateBlank(10, 0, 8));
    EXPECT_FALSE(DibCreateBlank(10, 10, 0));
    EXPECT_FALSE(DibCreateBlank(10, 10, 33));
    EXPECT_FALSE(DibCreateBlank(-5, 10, 24));
}

TEST(PackedDibCreateBlank, WritesHeaderGreyRampAndZeroPixels) {
    const MemoryBlock block = DibCreateBlank(3, 2, 8);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.Size(), 40u + 1024u + 8u);
    const std::uint8_t* dib = block.Data();
    BitmapInfoHeader h;
    std::memcpy(&h, dib, sizeof h);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 3);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biSizeImage, 8u);
    EXPECT_EQ(h.biClrUsed, 256u);
    for (std::int32_t i = 0; i < 256; ++i) {
        const std::uint32_t grey = static_cast<std::uint32_t>(i) * 0x010101u;
        ASSERT_EQ(DibColourEntry(dib, i), grey) << i;
    }
    for (std::size_t i = 40 + 1024; i < block.Size(); ++i) EXPECT_EQ(dib[i], 0);

    const MemoryBlock four = DibCreateBlank(2, 2, 4);
    EXPECT_EQ(DibColourEntry(four.Data(), 1), 16u * 0x010101u);
    EXPECT_EQ(DibColourEntry(four.Data(), 15), 240u * 0x010101u);
    const MemoryBlock one = DibCreateBlank(2, 2, 1);
    EXPECT_EQ(DibColourEntry(one.Data(), 1), 128u * 0x010101u);

    const MemoryBlock deep = DibCreateBlank(2, 2, 24);
    EXPECT_EQ(deep.Size(), 40u + 16u);
}

TEST(PackedDibReadPixel, IndexedDepthsGoThroughTheTable) {
    // 1 bit: the most significant bit is the leftmost pixel.
    auto mono = DibBuilder::Info(9, 1, 1);
    Append(mono, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0});   // black, white
    Append(mono, {0b01000000, 0b10000000, 0, 0});      // pixels 1 and 8 set
    EXPECT_EQ(ReadPixel(mono, 0, 0), 0u);
    EXPECT_EQ(ReadPixel(mono, 1, 0), 0x00FFFFFFu);
    EXPECT_EQ(ReadPixel(mono, 8, 0), 0x00FFFFFFu);

    // 4 bits: high nibble first; an index past biClrUsed reads black.
    auto nibbles = DibBuilder::Info(3, 1, 4, kBiRgb, 2);
    Append(nibbles, {1, 2, 3, 0, 4, 5, 6, 0});
    Append(nibbles, {0x10, 0x70, 0, 0});
    EXPECT_EQ(ReadPixel(nibbles, 0, 0), 0x00060504u);
    EXPECT_EQ(ReadPixel(nibbles, 1, 0), 0x00030201u);
    EXPECT_EQ(ReadPixel(nibbles, 2, 0), 0u);

    // 8 bits with 16 table entries: bytes 16 … 255 are black.
    auto bytes = DibBuilder::Info(2, 1, 8, kBiRgb, 16);
    for (int i = 0; i < 16; ++i) Append(bytes, {9, 9, 9, 0});
    Append(bytes, {15, 16, 0, 0});
    EXPECT_EQ(ReadPixel(bytes, 0, 0), 0x00090909u);
    EXPECT_EQ(ReadPixel(bytes, 1, 0), 0u);
}

TEST(PackedDibReadPixel, DirectDepths) {
    auto w16 = DibBuilder::Info(2, 1, 16);
    Append(w16, {0xFF, 0x7F, 0x1F, 0x80});   // 0x7FFF; then blue 31 with bit 15 set
    EXPECT_EQ(ReadPixel(w16, 0, 0), 0x00F8F8F8u);
    EXPECT_EQ(ReadPixel(w16, 1, 0), 0x000000F8u);

    auto w24 = DibBuilder::Info(1, 2, 24);
    Append(w24, {1, 2, 3, 0, 4, 5, 6, 0});   // row 0 (bottom), row 1
    EXPECT_EQ(ReadPixel(w24, 0, 1), 0x00060504u);

    auto w32 = DibBuilder::Info(1, 1, 32);
    Append(w32, {1, 2, 3, 0x99});
    EXPECT_EQ(ReadPixel(w32, 0, 0), 0x99030201u);   // the fourth byte is kept
}

TEST(PackedDibReadPixel, OutsideThePictureOrUnknownDepthWritesNothing) {
    auto w24 = DibBuilder::Info(2, 2, 24);
    w24.resize(w24.size() + 16);
    EXPECT_EQ(ReadPixel(w24, 2, 0), kUntouched);
    EXPECT_EQ(ReadPixel(w24, 0, 2), kUntouched);
    EXPECT_EQ(ReadPixel(w24, -1, 0), kUntouched);
    auto odd = DibBuilder::Info(1, 1, 12);
    odd.resize(odd.size() + 4);
    EXPECT_EQ(ReadPixel(odd, 0, 0), kUntouched);
}

TEST(PackedDibFitsBlock, RejectsBlocksShorterThanTheirHeaderDeclares) {
    auto ok = DibBuilder::Info(3, 2, 8, kBiRgb, 2);
    ok.resize(ok.size() + 8 + 8);
    EXPECT_TRUE(DibFitsBlock(ok.data(), ok.size()));
    EXPECT_FALSE(DibFitsBlock(ok.data(), ok.size() - 1));   // last row cut short
    EXPECT_FALSE(DibFitsBlock(ok.data(), 20));               // header cut short

    auto table = DibBuilder::Info(1, 1, 8, kBiRgb, 0xFFFFFFFFu);   // table far past the end
    table.resize(table.size() + 64);
    EXPECT_FALSE(DibFitsBlock(table.data(), table.size()));

    auto core = DibBuilder::Core(1, 1, 24);
    core.resize(core.size() + 4);
    EXPECT_TRUE(DibFitsBlock(core.data(), core.size()));
    core[0] = 200;   // a header length past the block
    EXPECT_FALSE(DibFitsBlock(core.data(), core.size()));

    auto huge = DibBuilder::Info(20000, 1, 1);
    huge.resize(huge.size() + 8 + 2500);
    EXPECT_FALSE(DibFitsBlock(huge.data(), huge.size()));   // wider than any picture may be
    auto topDown = DibBuilder::Info(1, -1, 24);
    topDown.resize(topDown.size() + 4);
    EXPECT_FALSE(DibFitsBlock(topDown.data(), topDown.size()));
}

TEST(AdoptPackedDib, ConvertsThroughTheTableAndTakesTheBlock) {
    auto dib = DibBuilder::Info(2, 2, 8, kBiRgb, 2);
    Append(dib, {0, 0, 255, 0, 255, 0, 0, 0});   // red, blue
    Append(dib, {0, 1, 0, 0, 1, 1, 0, 0});       // bottom row: red, blue; top row: blue, blue
    MemoryBlock block = ToBlock(dib);
    CDibImage image;
    ASSERT_EQ(image.AdoptPackedDib(block), 1);
    EXPECT_FALSE(block);
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.Header().biBitCount, 24);
    EXPECT_EQ(test::PixelAt(image, 0, 1), (RgbColour{255, 0, 0}));
    EXPECT_EQ(test::PixelAt(image, 1, 1), (RgbColour{0, 0, 255}));
    EXPECT_EQ(test::PixelAt(image, 0, 0), (RgbColour{0, 0, 255}));
}

TEST(AdoptPackedDib, FailureLeavesTheBlockWithTheCaller) {
    CDibImage image;
    MemoryBlock none;
    EXPECT_EQ(image.AdoptPackedDib(none), 0);

    auto dib = DibBuilder::Info(4, 4, 24);
    dib.resize(dib.size() + 10);   // far fewer rows than declared
    MemoryBlock shortBlock = ToBlock(dib);
    EXPECT_EQ(image.AdoptPackedDib(shortBlock), 0);
    EXPECT_TRUE(shortBlock);
    EXPECT_FALSE(image.HasPicture());
}

}  // namespace
}  // namespace kolo
