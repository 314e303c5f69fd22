#include "SourcesTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>

#include <unistd.h>

namespace kolo::test {
namespace {

std::filesystem::path ScratchRoot() {
    return std::filesystem::temp_directory_path() /
           ("kolo_sources_tests_" + std::to_string(::getpid()));
}

// Removes the scratch files when the test program ends.
class ScratchCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(ScratchRoot(), ignored);
    }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

}  // namespace

std::string ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    const auto dir = ScratchRoot() / name;
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string WriteScratchFile(const std::string& name, const Bytes& bytes) {
    const std::string path = ScratchDir() + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string ConformancePath(const std::string& name) {
    return std::string(KOLO_CONFORMANCE_DIR) + "/" + name;
}

Rgb PixelAt(const CDibImage& image, int x, int y) {
    const std::uint8_t* p =
        image.Pixels() + image.Stride() * static_cast<std::size_t>(image.Height() - 1 - y) + 3 * x;
    return {p[2], p[1], p[0]};
}

void ExpectPixel(const CDibImage& image, int x, int y, int r, int g, int b) {
    ASSERT_TRUE(image.HasPicture());
    ASSERT_LT(x, image.Width());
    ASSERT_LT(y, image.Height());
    const Rgb expected{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                       static_cast<std::uint8_t>(b)};
    EXPECT_EQ(PixelAt(image, x, y), expected) << "at (" << x << ", " << y << ")";
}

bool Reference::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::uint8_t size[8];
    if (!in.read(reinterpret_cast<char*>(size), 8)) return false;
    width = size[0] | size[1] << 8 | size[2] << 16 | static_cast<std::uint32_t>(size[3]) << 24;
    height = size[4] | size[5] << 8 | size[6] << 16 | static_cast<std::uint32_t>(size[7]) << 24;
    rgb.assign(std::size_t{width} * height * 3, 0);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(rgb.data()),
                                     static_cast<std::streamsize>(rgb.size())));
}

void Put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

Bytes PackCodes(const std::vector<std::pair<std::uint32_t, unsigned>>& codes) {
    Bytes out;
    std::uint32_t buffer = 0;
    unsigned bits = 0;
    for (const auto& [code, width] : codes) {
        buffer |= code << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(static_cast<std::uint8_t>(buffer));
            buffer >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) out.push_back(static_cast<std::uint8_t>(buffer));
    return out;
}

Bytes SubBlocks(const Bytes& data) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - i);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(i),
                   data.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    out.push_back(0);
    return out;
}

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}

}  // namespace kolo::test
