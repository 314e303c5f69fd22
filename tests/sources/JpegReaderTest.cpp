// How the JPEG loader drives the library: what it refuses, and clean failure on the library's
// fatal errors, before and after the target block exists. The pixel rules (grey levels, at
// most 128 colours) are checked on real encoder output in ConformanceTest.cpp.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>
#include <jpeglib.h>

#include "SourcesTestSupport.h"
#include "sources/JpegReader.h"

namespace kolo::test {
namespace {

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Offset of the first baseline or progressive frame header (FF C0 or FF C2).
std::size_t FrameHeader(const Bytes& jpeg) {
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) return i;
    }
    return 0;
}

int LoadBytes(CDibImage& image, const Bytes& bytes) {
    return LoadJpeg(image, WriteScratchFile("picture.jpg", bytes));
}

TEST(JpegFailure, AFileThatIsNotAJpegFailsAndLeavesTheImageEmpty) {
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B};
    CDibImage image;
    image.Allocate(2, 2);
    EXPECT_EQ(LoadBytes(image, gif), 0);
    EXPECT_FALSE(image.HasPicture());
}

TEST(JpegFailure, AMissingFileFails) {
    CDibImage image;
    EXPECT_EQ(LoadJpeg(image, ScratchDir() + "/absent.jpg"), 0);
}

TEST(JpegFailure, SizesBeyondTheLimitsAreRefusedOnTheHeader) {
    Bytes jpeg = ReadAll(ConformancePath("jpeg_420.jpg"));
    const std::size_t sof = FrameHeader(jpeg);
    ASSERT_NE(sof, 0u);
    // Frame header: marker (2), length (2), precision (1), height (2), width (2), big-endian.
    for (auto [w, h] : {std::pair{60000, 60000}, std::pair{16385, 8}, std::pair{16384, 16384}}) {
        jpeg[sof + 5] = static_cast<std::uint8_t>(h >> 8);
        jpeg[sof + 6] = static_cast<std::uint8_t>(h);
        jpeg[sof + 7] = static_cast<std::uint8_t>(w >> 8);
        jpeg[sof + 8] = static_cast<std::uint8_t>(w);
        CDibImage image;
        EXPECT_EQ(LoadBytes(image, jpeg), 0) << w << " x " << h;
        EXPECT_FALSE(image.HasPicture());
    }
}

TEST(JpegFailure, UnsupportedPrecisionIsAFatalError) {
    Bytes jpeg = ReadAll(ConformancePath("jpeg_444.jpg"));
    const std::size_t sof = FrameHeader(jpeg);
    ASSERT_NE(sof, 0u);
    jpeg[sof + 4] = 12;
    CDibImage image;
    EXPECT_EQ(LoadBytes(image, jpeg), 0);
}

TEST(JpegFailure, AFatalErrorAfterTheRowsWereWrittenFreesEverything) {
    // A second start-of-image marker where the end-of-image marker belongs: the library
    // meets it while finishing, after every row went into the target block. The sanitizer
    // build checks that the block and the library's memory are released.
    for (const char* name : {"jpeg_grey.jpg", "jpeg_420.jpg"}) {
        Bytes jpeg = ReadAll(ConformancePath(name));
        ASSERT_GE(jpeg.size(), 2u);
        ASSERT_EQ(jpeg[jpeg.size() - 2], 0xFF);
        ASSERT_EQ(jpeg[jpeg.size() - 1], 0xD9);
        jpeg.back() = 0xD8;
        CDibImage image;
        EXPECT_EQ(LoadBytes(image, jpeg), 0) << name;
        EXPECT_FALSE(image.HasPicture());
    }
}

TEST(JpegTruncation, ATruncatedBaselineFileLoadsAtFullSize) {
    CDibImage image;
    ASSERT_EQ(LoadJpeg(image, ConformancePath("jpeg_truncated.jpg")), 1);
    Reference full;
    ASSERT_TRUE(full.Load(ConformancePath("jpeg_420.jpg.rgb")));
    EXPECT_EQ(image.Width(), static_cast<std::int32_t>(full.width));
    EXPECT_EQ(image.Height(), static_cast<std::int32_t>(full.height));
}

// The library warns about damaged data it can work around; the control prints nothing.
TEST(JpegWarnings, DamagedFilesThatStillLoadPrintNothing) {
    const Bytes whole = ReadAll(ConformancePath("jpeg_420.jpg"));
    ASSERT_GT(whole.size(), 1000u);
    const std::size_t scan = [&] {
        for (std::size_t i = 0; i + 1 < whole.size(); ++i) {
            if (whole[i] == 0xFF && whole[i + 1] == 0xDA) return i;   // start of scan
        }
        return std::size_t{0};
    }();
    ASSERT_GT(scan, 0u);
    Bytes extraneous = whole;
    extraneous.insert(extraneous.begin() + static_cast<std::ptrdiff_t>(scan), {0x12, 0x34, 0x56});
    Bytes badMarkerInData = whole;
    badMarkerInData[whole.size() / 2] = 0xFF;
    badMarkerInData[whole.size() / 2 + 1] = 0xD5;   // a restart marker nobody announced
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"truncated in the scan", Bytes(whole.begin(), whole.begin() + whole.size() * 2 / 3)},
        {"bytes before a marker", extraneous},
        {"stray restart marker", badMarkerInData},
    };
    for (const auto& row : cases) {
        CDibImage image;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(LoadBytes(image, row.bytes), 1) << row.name;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << row.name;
    }
}


// The size a picture is decoded at when it will be fitted into a box: the fewest eighths that
// still cover its fit there, and the full size without a box or for a box it fits already.
struct FitCase {
    const char* file;
    std::int32_t boxWidth, boxHeight;
    std::int32_t width, height;   // decoded
};

class JpegFitSize : public ::testing::TestWithParam<FitCase> {};

TEST_P(JpegFitSize, IsTheFewestEighthsThatStillCoverTheFit) {
    const FitCase& c = GetParam();
    const Bytes bytes = ReadAll(ConformancePath(c.file));
    CDibImage image;
    ASSERT_EQ(LoadJpegBytesToFit(image, bytes.data(), bytes.size(), c.boxWidth, c.boxHeight), 1);
    EXPECT_EQ(image.Width(), c.width);
    EXPECT_EQ(image.Height(), c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, JpegFitSize,
    ::testing::Values(FitCase{"jpeg_420.jpg", 0, 0, 131, 97},             // no box: full size
                      FitCase{"jpeg_420.jpg", 200, 200, 131, 97},         // fits already
                      FitCase{"jpeg_420.jpg", 115, 90, 115, 85},          // 7/8, fit 115 × 85
                      FitCase{"jpeg_420.jpg", 32, 24, 33, 25},            // 2/8, fit 32 × 24
                      FitCase{"jpeg_420.jpg", 16, 12, 17, 13},            // 1/8, fit 16 × 12
                      FitCase{"jpeg_420.jpg", 8, 24, 17, 13},             // tall box: 8 × 6
                      FitCase{"jpeg_grey.jpg", 32, 24, 33, 25},
                      FitCase{"jpeg_progressive.jpg", 32, 24, 33, 25},
                      FitCase{"jpeg_cmyk.jpg", 32, 24, 33, 25},
                      FitCase{"bench_photo_1024x768.jpg", 572, 452, 640, 480}));

// Mean absolute difference per byte between two pictures of one size.
double MeanDifference(const CDibImage& a, const CDibImage& b) {
    std::uint64_t total = 0;
    for (std::int32_t row = 0; row < a.Height(); ++row) {
        const std::uint8_t* pa = a.Pixels() + a.Stride() * static_cast<std::size_t>(row);
        const std::uint8_t* pb = b.Pixels() + b.Stride() * static_cast<std::size_t>(row);
        for (std::int32_t i = 0; i < 3 * a.Width(); ++i) total += static_cast<std::uint32_t>(std::abs(pa[i] - pb[i]));
    }
    return static_cast<double>(total) / (3.0 * a.Width() * a.Height());
}

// Both are quantized and dithered; the smaller decode is shrunk less, so less of its dither
// is averaged away. The bounds hold the difference to that noise: a misplaced or miscoloured
// picture is far beyond them.
TEST(JpegFitSize, FittingTheSmallerDecodeShowsNearlyWhatFittingTheWholeOneDoes) {
    const struct {
        const char* file;
        double meanDifference;      // per byte, of 255
        double thresholdFlips;      // share of pixels on the other side of the canvas threshold
    } cases[] = {{"bench_photo_1024x768.jpg", 6.0, 0.05}, {"bench_drawing_1024x768.jpg", 8.0, 0.03}};
    for (const auto& c : cases) {
        const Bytes bytes = ReadAll(ConformancePath(c.file));
        CDibImage whole, scaled;
        ASSERT_EQ(LoadJpegBytes(whole, bytes.data(), bytes.size()), 1);
        ASSERT_EQ(LoadJpegBytesToFit(scaled, bytes.data(), bytes.size(), 572, 452), 1);
        ASSERT_LT(scaled.Width(), whole.Width()) << c.file;
        whole.ResizeToFit(572, 452);
        scaled.ResizeToFit(572, 452);
        ASSERT_EQ(scaled.Width(), whole.Width());
        ASSERT_EQ(scaled.Height(), whole.Height());
        EXPECT_LT(MeanDifference(whole, scaled), c.meanDifference) << c.file;
        whole.Threshold(168);   // as the board makes its canvas
        scaled.Threshold(168);
        EXPECT_LT(MeanDifference(whole, scaled) / 255.0, c.thresholdFlips) << c.file;
    }
}

// The library quantizing the picture itself (two passes, 128 colours) at the size `expected`
// came out at, its indices written through its colour map into 24-bit rows.
CDibImage LibraryQuantized(const Bytes& bytes, const CDibImage& expected) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.quantize_colors = TRUE;
    cinfo.desired_number_of_colors = 128;
    cinfo.scale_denom = 8;
    for (cinfo.scale_num = 1; cinfo.scale_num < 8; ++cinfo.scale_num) {
        jpeg_calc_output_dimensions(&cinfo);
        if (static_cast<std::int32_t>(cinfo.output_width) == expected.Width()) break;
    }
    jpeg_start_decompress(&cinfo);
    CDibImage image;
    image.Allocate(static_cast<std::int32_t>(cinfo.output_width), static_cast<std::int32_t>(cinfo.output_height));
    std::vector<JSAMPLE> line(cinfo.output_width);
    while (cinfo.output_scanline < cinfo.output_height) {
        const std::int32_t y = static_cast<std::int32_t>(cinfo.output_scanline);
        JSAMPROW row = line.data();
        jpeg_read_scanlines(&cinfo, &row, 1);
        std::uint8_t* out = image.Pixels() + image.Stride() * static_cast<std::size_t>(image.Height() - 1 - y);
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x, out += 3) {
            out[0] = cinfo.colormap[2][line[x]];
            out[1] = cinfo.colormap[1][line[x]];
            out[2] = cinfo.colormap[0][line[x]];
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

// Colour pictures are quantized outside the library, the way it does: same colours, same
// dither, byte for byte, at full size and when decoded smaller for a fit.
TEST(JpegColours, AreTheLibrarysOwnQuantizationByteForByte) {
    const char* files[] = {"jpeg_420.jpg", "jpeg_444.jpg", "jpeg_progressive.jpg", "jpeg_im.jpg",
                           "bench_photo_1024x768.jpg", "bench_drawing_1024x768.jpg"};
    const std::int32_t boxes[][2] = {{0, 0}, {572, 452}, {40, 30}};
    for (const char* file : files) {
        const Bytes bytes = ReadAll(ConformancePath(file));
        for (const auto& box : boxes) {
            CDibImage ours;
            ASSERT_EQ(LoadJpegBytesToFit(ours, bytes.data(), bytes.size(), box[0], box[1]), 1) << file;
            const CDibImage library = LibraryQuantized(bytes, ours);
            ASSERT_EQ(library.Height(), ours.Height()) << file;
            for (std::int32_t y = 0; y < ours.Height(); ++y) {
                const std::size_t at = ours.Stride() * static_cast<std::size_t>(y);
                ASSERT_EQ(std::memcmp(ours.Pixels() + at, library.Pixels() + at, 3 * static_cast<std::size_t>(ours.Width())), 0)
                    << file << " in a box of " << box[0] << " x " << box[1] << ", row " << y;
            }
        }
    }
}

// A picture of two components has no colours the control could show: refused, not read as
// red, green and blue.
TEST(JpegFailure, APictureOfTwoComponentsIsRefused) {
    Bytes bytes = ReadAll(ConformancePath("jpeg_grey.jpg"));
    const std::size_t frame = FrameHeader(bytes);
    ASSERT_GT(frame, 0u);
    // The frame header names one component (FF C0, length, precision, height, width, 1,
    // id, sampling, table); give it a second one like it, and the scan header too.
    const std::size_t count = frame + 9;
    ASSERT_EQ(bytes[count], 1);
    bytes[count] = 2;
    bytes[frame + 3] = static_cast<std::uint8_t>(bytes[frame + 3] + 3);
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(count + 4), {2, 0x11, 0});
    std::size_t scan = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) { scan = i; break; }
    }
    ASSERT_GT(scan, 0u);
    ASSERT_EQ(bytes[scan + 4], 1);
    bytes[scan + 4] = 2;
    bytes[scan + 3] = static_cast<std::uint8_t>(bytes[scan + 3] + 2);
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(scan + 7), {2, 0});
    CDibImage image;
    EXPECT_EQ(LoadJpegBytes(image, bytes.data(), bytes.size()), 0);
    EXPECT_FALSE(image.HasPicture());
}

}  // namespace
}  // namespace kolo::test
