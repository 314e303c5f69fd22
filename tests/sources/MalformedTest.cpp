// Every file in malformed/ must fail cleanly: result 0, an empty image, and (in the
// sanitizer build) no invalid access and no leak. Crashes found by fuzzing are added there.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "sources/PictureFile.h"

namespace kolo::test {
namespace {

std::vector<std::string> MalformedFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(KOLO_MALFORMED_DIR)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name != "README.md") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Malformed : public ::testing::TestWithParam<std::string> {};

TEST_P(Malformed, FailsCleanly) {
    CDibImage image;
    image.Allocate(2, 2);
    EXPECT_EQ(LoadFile(image, std::string(KOLO_MALFORMED_DIR) + "/" + GetParam()), 0);
    EXPECT_FALSE(image.HasPicture());
}

INSTANTIATE_TEST_SUITE_P(Files, Malformed, ::testing::ValuesIn(MalformedFiles()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace kolo::test
