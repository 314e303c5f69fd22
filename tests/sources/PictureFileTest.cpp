// Which decoder LoadFile picks, and what it leaves in the image.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "sources/PictureFile.h"

namespace kolo::test {
namespace {

// 1 × 1 at 24 bits, one pixel red 10, green 20, blue 30.
Bytes TinyBmp() {
    Bytes out = {'B', 'M'};
    Put32(out, 14 + 40 + 4);   // bfSize
    Put32(out, 0);             // reserved
    Put32(out, 14 + 40);       // bfOffBits
    Put32(out, 40);            // biSize
    Put32(out, 1);             // biWidth
    Put32(out, 1);             // biHeight
    Put16(out, 1);             // biPlanes
    Put16(out, 24);            // biBitCount
    for (int i = 0; i < 6; ++i) Put32(out, 0);   // compression … important colours
    out.insert(out.end(), {30, 20, 10, 0});      // blue, green, red, padding
    return out;
}

// A picture that is not 1 × 1, to tell "left alone" from "loaded".
CDibImage Previous() {
    CDibImage image;
    image.Allocate(3, 2);
    return image;
}

void ExpectLeftAlone(const CDibImage& image) {
    ASSERT_TRUE(image.HasPicture());
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Height(), 2);
}

TEST(LoadFileDispatch, TheExtensionIsMatchedWhateverItsCase) {
    CDibImage image;
    ASSERT_EQ(LoadFile(image, WriteScratchFile("Image001.BMP", TinyBmp())), 1);
    ExpectPixel(image, 0, 0, 10, 20, 30);
}

TEST(LoadFileDispatch, DirectoryNamesCountAndBmpIsTriedFirst) {
    for (const char* name : {"pictures.gif/a.bmp", "x.bmp/y.jpg", "p.JPG/q.Gif.BMp"}) {
        CDibImage image = Previous();
        EXPECT_EQ(LoadFile(image, WriteScratchFile(name, TinyBmp())), 1) << name;
        ExpectPixel(image, 0, 0, 10, 20, 30);
    }
}

TEST(LoadFileDispatch, GifAndJpegNamesGoToTheirDecoders) {
    CDibImage image;
    EXPECT_EQ(LoadFile(image, ConformancePath("gif89a_im.gif")), 1);
    EXPECT_TRUE(image.HasPicture());
    EXPECT_EQ(LoadFile(image, ConformancePath("jpeg_444.jpg")), 1);
    EXPECT_TRUE(image.HasPicture());
    // A bitmap behind a GIF name is read as a GIF, and fails.
    EXPECT_EQ(LoadFile(image, WriteScratchFile("a.gif", TinyBmp())), 0);
    EXPECT_FALSE(image.HasPicture());
}

TEST(LoadFileDispatch, AnUnrecognisedNameLeavesThePreviousPicture) {
    for (const char* name : {"a.jpeg", "a.tif", "abmp", "a.bm"}) {
        CDibImage image = Previous();
        EXPECT_EQ(LoadFile(image, WriteScratchFile(name, TinyBmp())), 0) << name;
        ExpectLeftAlone(image);
    }
}

TEST(LoadFileDispatch, AFailedDecoderLeavesTheImageEmpty) {
    Bytes notBmp = TinyBmp();
    notBmp[0] = 'X';
    CDibImage image = Previous();
    EXPECT_EQ(LoadFile(image, WriteScratchFile("a.bmp", notBmp)), 0);
    EXPECT_FALSE(image.HasPicture());

    image = Previous();
    EXPECT_EQ(LoadFile(image, ScratchDir() + "/missing.jpg"), 0);
    EXPECT_FALSE(image.HasPicture());
}

TEST(PictureFormats, OnlyAsciiLettersAreLowered) {
    // Latin-1 capitals and the trailing bytes of double-byte characters stay as they are.
    EXPECT_EQ(LowerAscii("C:\\IMAGE001.BMP"), "c:\\image001.bmp");
    EXPECT_EQ(LowerAscii("\xC4\x5A\x8A\x41.GIF"), "\xC4\x7A\x8A\x61.gif");
}

TEST(PictureFormats, ANameHasTheFormatOfTheFirstRowItContains) {
    const struct {
        const char* name;
        const char* extension;   // null: no format
    } cases[] = {
        {"a.BMP", ".bmp"},      {"x.jpg.html", ".jpg"},   {"p.JPG/q.Gif", ".gif"},
        {"b.gif.bmp", ".bmp"},  {"a.jpeg", nullptr},      {"readme.txt", nullptr},
        {"abmp", nullptr},      {"", nullptr},            {"Page.PNG", ".png"},
        {"a.png.jpg", ".jpg"},
    };
    for (const auto& c : cases) {
        const PictureFormat* format = FindPictureFormat(c.name);
        if (c.extension == nullptr) {
            EXPECT_EQ(format, nullptr) << c.name;
        } else {
            ASSERT_NE(format, nullptr) << c.name;
            EXPECT_STREQ(format->extension, c.extension) << c.name;
        }
    }
}

TEST(LoadPictureBytes, DecodesFromMemoryByTheNameAlone) {
    const Bytes bmp = TinyBmp();
    CDibImage image = Previous();
    ASSERT_EQ(LoadPictureBytes(image, bmp.data(), bmp.size(), "no/such/file.BMP"), 1);
    ExpectPixel(image, 0, 0, 10, 20, 30);

    image = Previous();
    EXPECT_EQ(LoadPictureBytes(image, bmp.data(), bmp.size(), "picture.txt"), 0);
    ExpectLeftAlone(image);
    // Every reader takes an empty span and a null pointer as a failed decode.
    for (const PictureFormat& format : PictureFormats()) {
        image = Previous();
        EXPECT_EQ(LoadPictureBytes(image, nullptr, 0, std::string("a") + format.extension), 0)
            << format.extension;
        EXPECT_FALSE(image.HasPicture());
        EXPECT_EQ(LoadPictureBytes(image, bmp.data(), 1, std::string("a") + format.extension), 0)
            << format.extension;
    }
}


// Decoding into an image that held a larger picture reuses its memory; what was there must
// never show through: pixels a run-length delta skips, rows an interlaced or truncated file
// never reaches, and the padding at the end of odd-width rows.
TEST(LoadPictureBytes, AnImageReusedForPictureAfterPictureHoldsExactlyEachFreshDecode) {
    const struct {
        const char* file;
        int percentKept;   // of the file's bytes: less than 100 cuts it short
    } cases[] = {{"bench_572x452_24bit.bmp", 100}, {"bmp8_rle_deltas.bmp", 100},
                 {"bmp4_rle_deltas.bmp", 100},     {"gif87a_im_interlaced.gif", 100},
                 {"gif87a_im_interlaced.gif", 60}, {"gif87a_im.gif", 60},
                 {"gif_3x1000_im.gif", 100},       {"jpeg_420.jpg", 100},
                 {"jpeg_truncated.jpg", 100},      {"bmp24_top_down.bmp", 100},
                 {"bmp16_555.bmp", 100}};
    CDibImage reused;
    for (const auto& c : cases) {
        const char* file = c.file;
        MemoryBlock whole;
        ASSERT_TRUE(ReadWholeFile(ConformancePath(file), 1 << 26, whole)) << file;
        const std::vector<std::uint8_t> bytes(whole.Data(), whole.Data() + whole.Size() * c.percentKept / 100);
        if (reused.HasPicture()) {
            // Whatever the last picture left, in a pattern no decoder writes by chance.
            std::memset(reused.Pixels(), 0xA5, reused.Stride() * static_cast<std::size_t>(reused.Height()));
        }
        CDibImage fresh;
        ASSERT_EQ(LoadPictureBytes(fresh, bytes.data(), bytes.size(), file), 1) << file;
        ASSERT_EQ(LoadPictureBytes(reused, bytes.data(), bytes.size(), file), 1) << file;
        ASSERT_EQ(reused.Width(), fresh.Width()) << file;
        ASSERT_EQ(reused.Height(), fresh.Height()) << file;
        const std::size_t size = fresh.Stride() * static_cast<std::size_t>(fresh.Height());
        EXPECT_EQ(std::memcmp(reused.Pixels(), fresh.Pixels(), size), 0) << file;
    }
    // A failed load still leaves the image empty.
    const std::uint8_t junk[] = {'B', 'M', 0, 0};
    EXPECT_EQ(LoadPictureBytes(reused, junk, sizeof junk, "junk.bmp"), 0);
    EXPECT_FALSE(reused.HasPicture());
}


// A BMP fitted straight from its file's rows shows exactly what decoding it whole and then
// fitting shows; files it does not apply to (top-down, 8-bit, no larger than the box) are
// decoded whole as before, and damaged ones fail the same way.
TEST(LoadPictureBytes, BmpFittedFromTheFileIsThePictureDecodedAndThenFitted) {
    const struct {
        const char* file;
        std::int32_t boxWidth, boxHeight;
        int percentKept;
    } cases[] = {{"bench_572x452_24bit.bmp", 300, 200, 100}, {"bench_572x452_24bit.bmp", 200, 300, 100},
                 {"bench_572x452_24bit.bmp", 572, 452, 100}, {"bench_572x452_24bit.bmp", 800, 600, 100},
                 {"bench_572x452_24bit.bmp", 571, 1000, 100}, {"bmp24_im.bmp", 7, 5, 100},
                 {"bmp24_top_down.bmp", 7, 5, 100},         {"bench_572x452_8bit.bmp", 300, 200, 100},
                 {"bench_572x452_24bit.bmp", 300, 200, 99}};
    for (const auto& c : cases) {
        MemoryBlock whole;
        ASSERT_TRUE(ReadWholeFile(ConformancePath(c.file), 1 << 26, whole)) << c.file;
        const std::size_t size = whole.Size() * c.percentKept / 100;
        CDibImage decoded, fitted;
        fitted.Allocate(900, 900);   // memory the fitted load may give up
        const int plain = LoadPictureBytes(decoded, whole.Data(), size, "a.bmp");
        EXPECT_EQ(LoadPictureBytes(fitted, whole.Data(), size, "a.bmp", c.boxWidth, c.boxHeight), plain)
            << c.file;
        EXPECT_EQ(fitted.HasPicture(), decoded.HasPicture()) << c.file;
        if (!plain) continue;
        decoded.ResizeToFit(c.boxWidth, c.boxHeight);
        fitted.ResizeToFit(c.boxWidth, c.boxHeight);
        ASSERT_EQ(fitted.Width(), decoded.Width()) << c.file;
        ASSERT_EQ(fitted.Height(), decoded.Height()) << c.file;
        EXPECT_EQ(std::memcmp(fitted.Pixels(), decoded.Pixels(),
                              decoded.Stride() * static_cast<std::size_t>(decoded.Height())), 0)
            << c.file << " into " << c.boxWidth << "x" << c.boxHeight;
    }
}

}  // namespace
// The size a picture declares, read before any decode, is the size it decodes to; cut
// anywhere, or not a picture at all, it is unknown and nothing past the bytes is read.
TEST(PictureDecodeCost, DeclaresTheSizeTheDecoderGives) {
    for (const char* name : {"house.bmp", "sun.gif", "flower.jpg", "rocket.jpg", "boat.png",
                             "giraffe.png", "tree.bmp", "cat.gif"}) {
        const std::string path = std::string(KOLO_SAMPLES_DIR) + name;
        std::ifstream in(path, std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CDibImage image;
        ASSERT_EQ(LoadFile(image, path), 1) << name;
        const DecodeCost cost = PictureDecodeCost(bytes.data(), bytes.size(), name, 0, 0);
        EXPECT_EQ(cost.width, image.Width()) << name;
        EXPECT_EQ(cost.height, image.Height()) << name;
        EXPECT_GE(cost.peakBytes, image.PixelBlock().Size()) << name;
        for (std::size_t cut = 0; cut < std::min<std::size_t>(bytes.size(), 1024); ++cut) {
            const DecodeCost head = PictureDecodeCost(bytes.data(), cut, name, 0, 0);
            EXPECT_TRUE(head.Refused() || (head.width == image.Width() && head.height == image.Height()))
                << name << " cut at " << cut;
        }
    }
    const Bytes text = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
    EXPECT_TRUE(PictureDecodeCost(text.data(), text.size(), "a.gif", 0, 0).Refused());
    EXPECT_TRUE(PictureDecodeCost(nullptr, 0, "a.gif", 0, 0).Refused());
}

}  // namespace kolo::test
