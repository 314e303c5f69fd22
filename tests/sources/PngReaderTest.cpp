// The PNG loader on damaged and cut files, and on transparency.
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "sources/PictureFile.h"

namespace kolo::test {
namespace {

constexpr std::size_t kSignatureBytes = 8;
constexpr std::size_t kChunkOverhead = 12;   // length, type, CRC

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Be32(const Bytes& b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

// Offset just past the chunk of type `type` that comes last in the file.
std::size_t EndOfLast(const Bytes& png, const char* type) {
    std::size_t end = 0;
    for (std::size_t at = kSignatureBytes; at + kChunkOverhead <= png.size();) {
        const std::size_t next = at + kChunkOverhead + Be32(png, at);
        if (std::memcmp(&png[at + 4], type, 4) == 0) end = next;
        at = next;
    }
    return end;
}

int Load(CDibImage& image, const Bytes& bytes) {
    return LoadPictureBytes(image, bytes.data(), bytes.size(), "picture.png");
}

TEST(PngReader, AFileCutBeforeItsLastRowFailsAtEveryLength) {
    const Bytes whole = ReadAll(ConformancePath("png_rgb8_interlaced.png"));
    const std::size_t pixelsEnd = EndOfLast(whole, "IDAT");
    ASSERT_GT(pixelsEnd, kSignatureBytes);
    for (std::size_t cut = 0; cut < pixelsEnd; cut += 1 + cut / 16) {
        CDibImage image;
        image.Allocate(2, 2);
        EXPECT_EQ(Load(image, Bytes(whole.begin(), whole.begin() + cut)), 0) << cut;
        EXPECT_FALSE(image.HasPicture()) << cut;
    }
}

TEST(PngReader, AMissingOrDamagedTailAfterThePixelsIsKept) {
    const Bytes whole = ReadAll(ConformancePath("png_rgb8.png"));
    CDibImage expected;
    ASSERT_EQ(Load(expected, whole), 1);
    Bytes noEnd(whole.begin(), whole.begin() + EndOfLast(whole, "IDAT"));
    Bytes badEnd = whole;
    badEnd.back() ^= 0xFF;   // the end chunk's CRC
    // A text chunk with a wrong CRC right after the header: ancillary, so only a warning.
    Bytes badText(whole.begin(), whole.begin() + EndOfLast(whole, "IHDR"));
    const Bytes text = {0, 0, 0, 3, 't', 'E', 'X', 't', 'a', 0, 'b', 1, 2, 3, 4};
    badText.insert(badText.end(), text.begin(), text.end());
    badText.insert(badText.end(), whole.begin() + static_cast<std::ptrdiff_t>(EndOfLast(whole, "IHDR")), whole.end());
    for (const Bytes* file : {&noEnd, &badEnd, &badText}) {
        CDibImage image;
        ASSERT_EQ(Load(image, *file), 1);
        ASSERT_EQ(image.Width(), expected.Width());
        EXPECT_EQ(std::memcmp(image.Pixels(), expected.Pixels(), image.Stride() * image.Height()), 0);
    }
}

TEST(PngReader, TransparencyIsLaidOverWhitePaper) {
    // The alpha of these files grows from 0 on the top row to 255 on the bottom one.
    for (const char* name : {"png_rgba.png", "png_rgba16.png", "png_grey_alpha.png", "png_rgba_interlaced.png"}) {
        CDibImage image;
        ASSERT_EQ(LoadFile(image, ConformancePath(name)), 1) << name;
        for (int x = 0; x < image.Width(); ++x) ExpectPixel(image, x, 0, 255, 255, 255);
    }
    // The palette file's entry 3 is fully transparent, the colour file's one colour is.
    CDibImage palette;
    ASSERT_EQ(LoadFile(palette, ConformancePath("png_palette_trns.png")), 1);
    const Reference ref = [] {
        Reference r;
        r.Load(ConformancePath("png_palette_trns.png.rgb"));
        return r;
    }();
    int white = 0;
    for (std::uint32_t y = 0; y < ref.height; ++y) {
        for (std::uint32_t x = 0; x < ref.width; ++x) white += PixelAt(palette, x, y) == Rgb{255, 255, 255};
    }
    EXPECT_GT(white, 0);
}

}  // namespace
}  // namespace kolo::test
