// Small files that declare costly pictures: the cost each reader declares before it decodes is
// what its decode really takes, measured as the system counts memory in a child process; the
// size declared is the size decoded; and a declaration beyond what one decode may take is
// refused before anything is allocated for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "sources/DecodeCost.h"
#include "sources/PictureFile.h"
#include "tests/support/RunProgram.h"

namespace kolo {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryAsTheSystemCounts = false;   // the sanitizer keeps freed memory, and more
#else
constexpr bool kMemoryAsTheSystemCounts = true;
#endif
constexpr std::int32_t kFitWidth = 572;   // the canvas, as a folder's pictures are fitted
constexpr std::int32_t kFitHeight = 452;
// A picture-sized block may be mapped in pages of 2 MB, counted whole once touched.
constexpr std::uint64_t kPageSlackBytes = std::uint64_t{4} << 20;

std::vector<std::uint8_t> HostileFile(const std::string& name) {
    static const bool written =
        std::system("/usr/bin/python3 " KOLO_TEST_SUPPORT_DIR "/make_hostile_pictures.py " KOLO_HOSTILE_DIR) == 0;
    EXPECT_TRUE(written);
    std::ifstream in(std::string(KOLO_HOSTILE_DIR) + "/" + name, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct HostileCase {
    const char* file;
    std::int32_t width;    // of the picture decoded for the canvas's fit; 0: refused
    std::int32_t height;
};

const HostileCase kHostileCases[] = {
    {"png_interlaced_rgba.png", 8000, 8000},
    {"jpeg_cmyk_progressive.jpg", 500, 500},   // decoded at an eighth, every coefficient kept
    {"jpeg_stray_byte.jpg", 500, 500},
    {"jpeg_cmyk_too_large.jpg", 0, 0},         // 512 MB of coefficients
    {"gif_dropped_first.gif", 8000, 8000},
    {"bmp_rle_huge.bmp", 8000, 8000},
};

void PrintTo(const HostileCase& row, std::ostream* out) { *out << row.file; }

class HostilePicture : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostilePicture, TakesWhatItsReaderDeclaresAndNoMore) {
    const HostileCase& row = GetParam();
    const std::vector<std::uint8_t> bytes = HostileFile(row.file);
    ASSERT_LT(bytes.size(), std::size_t{1} << 20);
    const DecodeCost cost = PictureDecodeCost(bytes.data(), bytes.size(), row.file, kFitWidth, kFitHeight);
    EXPECT_EQ(cost.Acceptable(), row.width > 0);
    if (row.width > 0) {
        EXPECT_EQ(cost.width, row.width);
        EXPECT_EQ(cost.height, row.height);
    }
    // The decode gives the picture declared, or fails when it was refused.
    const auto decodesAsDeclared = [&] {
        CDibImage image;
        const int loaded = LoadPictureBytes(image, bytes.data(), bytes.size(), row.file, kFitWidth, kFitHeight);
        return loaded == (row.width > 0 ? 1 : 0) && image.Width() == row.width && image.Height() == row.height;
    };
    if (!kMemoryAsTheSystemCounts) {
        EXPECT_TRUE(decodesAsDeclared());
        return;
    }
    const test::ChildMemory memory = test::MeasureInChild([&] {
        if (!decodesAsDeclared()) std::_Exit(1);
    });
    ASSERT_GE(memory.risenKb, 0) << "the decode did not give the picture declared";
    const std::uint64_t risen = static_cast<std::uint64_t>(memory.risenKb) * 1024;
    if (row.width > 0) {
        EXPECT_LE(risen, cost.peakBytes + kPageSlackBytes);
        // Declared close to what is taken, so that decodes that would fit together still do.
        EXPECT_LE(cost.peakBytes, risen + risen / 2 + kPageSlackBytes) << risen;
    } else {
        EXPECT_LT(risen, kPageSlackBytes);   // refused on the header
    }
}

INSTANTIATE_TEST_SUITE_P(SmallFiles, HostilePicture, ::testing::ValuesIn(kHostileCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             std::string name = info.param.file;
                             name[name.find('.')] = '_';
                             return name;
                         });

// A file may give a smaller picture than it declares, and of another shape: a tall strip that
// turns out short is enlarged where the declared one would have shrunk. The fit's declared
// memory must cover every picture within the declaration.
TEST(FitBytes, CoversEveryPictureWithinTheDeclaredSize) {
    const std::int32_t declared[][2] = {{61, 1000}, {1000, 61}, {4000, 3000}, {600, 470}, {20, 20}, {1, 8000}};
    for (const auto& size : declared) {
        const std::uint64_t bound = FitBytes(size[0], size[1], kFitWidth, kFitHeight);
        for (std::int32_t w = 1; w <= size[0]; w += std::max(1, size[0] / 13)) {
            for (std::int32_t h = 1; h <= size[1]; h += std::max(1, size[1] / 13)) {
                ASSERT_LE(FitBytes(w, h, kFitWidth, kFitHeight), bound)
                    << w << " x " << h << " within " << size[0] << " x " << size[1];
            }
        }
    }
}

}  // namespace
}  // namespace kolo
