// Files written by real encoders (ImageMagick, Pillow) at test time, decoded here and compared
// with Pillow's own decode of the same file.
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "sources/GifReader.h"
#include "sources/PictureFile.h"

namespace kolo::test {
namespace {

// Every pixel equal to the reference, after masking each channel with `mask`, or within
// `tolerance` of it.
void ExpectMatchesReference(const CDibImage& image, const Reference& ref, std::uint8_t mask = 0xFF,
                            int tolerance = 0) {
    ASSERT_TRUE(image.HasPicture());
    ASSERT_EQ(image.Width(), static_cast<std::int32_t>(ref.width));
    ASSERT_EQ(image.Height(), static_cast<std::int32_t>(ref.height));
    int mismatches = 0;
    for (std::uint32_t y = 0; y < ref.height; ++y) {
        for (std::uint32_t x = 0; x < ref.width; ++x) {
            Rgb want = ref.At(x, y);
            want = {static_cast<std::uint8_t>(want.r & mask), static_cast<std::uint8_t>(want.g & mask),
                    static_cast<std::uint8_t>(want.b & mask)};
            Rgb got = PixelAt(image, static_cast<int>(x), static_cast<int>(y));
            got = {static_cast<std::uint8_t>(got.r & mask), static_cast<std::uint8_t>(got.g & mask),
                   static_cast<std::uint8_t>(got.b & mask)};
            const bool close = std::abs(got.r - want.r) <= tolerance &&
                               std::abs(got.g - want.g) <= tolerance &&
                               std::abs(got.b - want.b) <= tolerance;
            if (!close && ++mismatches <= 5) {
                ADD_FAILURE() << "(" << x << ", " << y << "): got " << got << ", want " << want;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

Reference LoadReference(const std::string& name) {
    Reference ref;
    EXPECT_TRUE(ref.Load(ConformancePath(name + ".rgb"))) << name;
    return ref;
}

class BmpConformance : public ::testing::TestWithParam<std::tuple<const char*, std::uint8_t>> {};

TEST_P(BmpConformance, EveryPixelMatchesAnIndependentDecode) {
    const auto [name, mask] = GetParam();
    CDibImage image;
    ASSERT_EQ(LoadFile(image, ConformancePath(name)), 1);
    ExpectMatchesReference(image, LoadReference(name), mask);
}

// 16-bit pixels keep five bits a channel: only those are compared.
INSTANTIATE_TEST_SUITE_P(
    Encoders, BmpConformance,
    ::testing::Values(std::tuple{"bmp1_pillow.bmp", 0xFF}, std::tuple{"bmp1_im.bmp", 0xFF},
                      std::tuple{"bmp4_im.bmp", 0xFF}, std::tuple{"bmp8_im.bmp", 0xFF},
                      std::tuple{"bmp8_pillow.bmp", 0xFF}, std::tuple{"bmp8_no_clrused.bmp", 0xFF},
                      std::tuple{"bmp16_555.bmp", 0xF8}, std::tuple{"bmp16_bitfields.bmp", 0xF8},
                      std::tuple{"bmp24_pillow.bmp", 0xFF}, std::tuple{"bmp24_im.bmp", 0xFF},
                      std::tuple{"bmp32_pillow.bmp", 0xFF}, std::tuple{"bmp32_im.bmp", 0xFF},
                      std::tuple{"bmp24_core_im.bmp", 0xFF}, std::tuple{"bmp8_core_im.bmp", 0xFF},
                      std::tuple{"bmp32_bitfields.bmp", 0xFF}, std::tuple{"bmp8_im_rle.bmp", 0xFF},
                      std::tuple{"bmp8_im_rle_v5.bmp", 0xFF}, std::tuple{"bmp8_rle_deltas.bmp", 0xFF},
                      std::tuple{"bmp4_rle_deltas.bmp", 0xFF}, std::tuple{"bmp24_im_v5.bmp", 0xFF},
                      std::tuple{"bmp32_im_v5.bmp", 0xFF}, std::tuple{"bmp24_v4.bmp", 0xFF},
                      std::tuple{"bmp32_v3.bmp", 0xFF}, std::tuple{"bmp16_565_im.bmp", 0xF8},
                      std::tuple{"bmp24_top_down.bmp", 0xFF}),
    [](const auto& info) {
        std::string name = std::get<0>(info.param);
        return name.substr(0, name.find('.'));
    });

// File, and how far a channel may stray: laying transparency over white rounds differently
// in Pillow, by at most one level.
class PngConformance : public ::testing::TestWithParam<std::tuple<const char*, int>> {};

TEST_P(PngConformance, EveryPixelMatchesAnIndependentDecode) {
    const auto [name, tolerance] = GetParam();
    CDibImage image;
    ASSERT_EQ(LoadFile(image, ConformancePath(name)), 1);
    ExpectMatchesReference(image, LoadReference(name), 0xFF, tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, PngConformance,
    ::testing::Values(std::tuple{"png_palette.png", 0}, std::tuple{"png_palette_trns.png", 1},
                      std::tuple{"png_grey1.png", 0}, std::tuple{"png_grey2.png", 0},
                      std::tuple{"png_grey4.png", 0}, std::tuple{"png_grey8.png", 0},
                      std::tuple{"png_grey16.png", 0}, std::tuple{"png_grey_alpha.png", 1},
                      std::tuple{"png_rgb8.png", 0}, std::tuple{"png_rgb16.png", 0},
                      std::tuple{"png_rgba.png", 1}, std::tuple{"png_rgba16.png", 1},
                      std::tuple{"png_rgb_trns.png", 1}, std::tuple{"png_rgb8_interlaced.png", 0},
                      std::tuple{"png_rgba_interlaced.png", 1},
                      std::tuple{"png_palette_interlaced.png", 0}),
    [](const auto& info) {
        std::string name = std::get<0>(info.param);
        return name.substr(0, name.find('.'));
    });

class GifConformance : public ::testing::TestWithParam<const char*> {};

TEST_P(GifConformance, EveryPixelOfEveryFullFrameMatchesAnIndependentDecode) {
    const std::string name = GetParam();
    CDibImage image;
    ASSERT_EQ(LoadFile(image, ConformancePath(name)), 1);
    ExpectMatchesReference(image, LoadReference(name));

    // Later frames, where the reference decode could give them on their own.
    GifReader reader;
    ASSERT_EQ(reader.Parse(ConformancePath(name)), 1);
    for (std::size_t k = 1; k < reader.Images().size(); ++k) {
        Reference ref;
        if (!ref.Load(ConformancePath(name + ".frame" + std::to_string(k) + ".rgb"))) continue;
        reader.SelectImage(k);
        CDibImage frame;
        ASSERT_EQ(frame.Allocate(reader.CurrentImage()->width, reader.CurrentImage()->height), 1);
        ASSERT_EQ(reader.ConvertInto(frame), 1);
        SCOPED_TRACE("frame " + std::to_string(k));
        ExpectMatchesReference(frame, ref);
    }
}

INSTANTIATE_TEST_SUITE_P(Encoders, GifConformance,
                         ::testing::Values("gif87a_im.gif", "gif87a_im_interlaced.gif",
                                           "gif89a_im.gif", "gif_pillow_interlaced.gif",
                                           "gif_pillow_plain.gif", "gif_frames_extensions.gif",
                                           "gif_pillow_local_tables.gif", "gif_offset_frame.gif",
                                           "gif_1x1_pillow.gif", "gif_1x1_im.gif",
                                           "gif_3x1000_pillow.gif", "gif_3x1000_im.gif",
                                           "bench_572x452.gif", "bench_572x452_interlaced.gif",
                                           "bench_2000x1500.gif",
                                           "bench_2000x1500_interlaced.gif"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

TEST(GifConformanceStructure, EncoderFilesCarryWhatTheyAreMeantToTest) {
    GifReader reader;
    ASSERT_EQ(reader.Parse(ConformancePath("gif_frames_extensions.gif")), 1);
    EXPECT_EQ(reader.Images().size(), 3u);
    EXPECT_FALSE(reader.Comments().empty());
    EXPECT_FALSE(reader.Applications().empty());
    EXPECT_FALSE(reader.GraphicControls().empty());

    ASSERT_EQ(reader.Parse(ConformancePath("gif_pillow_local_tables.gif")), 1);
    ASSERT_EQ(reader.Images().size(), 2u);
    EXPECT_TRUE(reader.Images()[1].hasLocalTable);

    ASSERT_EQ(reader.Parse(ConformancePath("gif87a_im_interlaced.gif")), 1);
    ASSERT_EQ(reader.Images().size(), 1u);
    EXPECT_TRUE(reader.Images()[0].flags & 0x40);

    ASSERT_EQ(reader.Parse(ConformancePath("gif_offset_frame.gif")), 1);
    ASSERT_EQ(reader.Images().size(), 1u);
    EXPECT_EQ(reader.Images()[0].left, 40);
    EXPECT_EQ(reader.Images()[0].top, 40);
}

std::set<std::uint32_t> DistinctColours(const CDibImage& image) {
    std::set<std::uint32_t> colours;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Rgb c = PixelAt(image, x, y);
            colours.insert(c.r << 16 | c.g << 8 | c.b);
        }
    }
    return colours;
}

// Dithering moves single pixels, so closeness is judged on 8 × 8 averages and on the mean.
void ExpectCloseToReference(const CDibImage& image, const Reference& ref, double blockTolerance,
                            double meanTolerance) {
    ASSERT_EQ(image.Width(), static_cast<std::int32_t>(ref.width));
    ASSERT_EQ(image.Height(), static_cast<std::int32_t>(ref.height));
    double totalError = 0;
    double worstBlock = 0;
    for (std::uint32_t by = 0; by + 8 <= ref.height; by += 8) {
        for (std::uint32_t bx = 0; bx + 8 <= ref.width; bx += 8) {
            double sums[3] = {0, 0, 0};
            for (std::uint32_t y = by; y < by + 8; ++y) {
                for (std::uint32_t x = bx; x < bx + 8; ++x) {
                    const Rgb got = PixelAt(image, static_cast<int>(x), static_cast<int>(y));
                    const Rgb want = ref.At(x, y);
                    sums[0] += got.r - want.r;
                    sums[1] += got.g - want.g;
                    sums[2] += got.b - want.b;
                    totalError += std::abs(got.r - want.r) + std::abs(got.g - want.g) + std::abs(got.b - want.b);
                }
            }
            for (double s : sums) worstBlock = std::max(worstBlock, std::abs(s) / 64);
        }
    }
    const double mean = totalError / (3.0 * ref.width * ref.height);
    EXPECT_LE(worstBlock, blockTolerance);
    EXPECT_LE(mean, meanTolerance);
}

TEST(JpegConformance, GreyscaleKeepsEveryGreyLevelExactly) {
    CDibImage image;
    ASSERT_EQ(LoadFile(image, ConformancePath("jpeg_grey.jpg")), 1);
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Rgb c = PixelAt(image, x, y);
            ASSERT_TRUE(c.r == c.g && c.g == c.b) << "(" << x << ", " << y << ")";
        }
    }
    // Well over 128 levels: no quantization for grey.
    EXPECT_GT(DistinctColours(image).size(), 128u);
    ExpectMatchesReference(image, LoadReference("jpeg_grey.jpg"));
}

// File, and the largest mean error per channel: the one-pass quantizer of a four-component
// file keeps only three or four levels a channel, so its dithering strays further per pixel.
class JpegColourConformance : public ::testing::TestWithParam<std::tuple<const char*, double>> {};

TEST_P(JpegColourConformance, AtMost128ColoursCloseToAnIndependentDecode) {
    const std::string name = std::get<0>(GetParam());
    const double meanTolerance = std::get<1>(GetParam());
    CDibImage image;
    ASSERT_EQ(LoadFile(image, ConformancePath(name)), 1);
    const std::size_t colours = DistinctColours(image).size();
    EXPECT_LE(colours, 128u);
    EXPECT_GT(colours, 16u);
    ExpectCloseToReference(image, LoadReference(name), 24.0, meanTolerance);
}

// The four-component file holds its stored cyan, magenta and yellow as red, green, blue.
INSTANTIATE_TEST_SUITE_P(Encoders, JpegColourConformance,
                         ::testing::Values(std::tuple{"jpeg_420.jpg", 12.0},
                                           std::tuple{"jpeg_444.jpg", 12.0},
                                           std::tuple{"jpeg_progressive.jpg", 12.0},
                                           std::tuple{"jpeg_im.jpg", 12.0},
                                           std::tuple{"jpeg_cmyk.jpg", 48.0}),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param);
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace kolo::test
