#include "app/ClassroomFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

struct NameCase {
    const char* name;
    bool safe;
};

class ChildName : public ::testing::TestWithParam<NameCase> {};

TEST_P(ChildName, IsTakenOnlyWhenItCannotLeaveItsFolder) {
    EXPECT_EQ(kolo::IsChildNameSafe(GetParam().name), GetParam().safe) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ChildName,
    ::testing::Values(NameCase{"Ana", true}, NameCase{"Chloé", true}, NameCase{"Jean-Luc O'Neil", true},
                      NameCase{"Ünal 2", true}, NameCase{"\xD9\x84\xD9\x8A\xD9\x84\xD9\x89", true},  // Arabic
                      NameCase{"\xE5\xB0\x8F\xE6\x98\x8E", true},                                    // Chinese
                      NameCase{"", false}, NameCase{".", false}, NameCase{"..", false},
                      NameCase{".hidden", false}, NameCase{"../Ben", false}, NameCase{"a/b", false},
                      NameCase{"a\\b", false}, NameCase{"tab\there", false}, NameCase{"line\n", false},
                      NameCase{"del\x7F", false}, NameCase{"c1\xC2\x85", false},
                      NameCase{"rtl\xE2\x80\xAEgnp.exe", false}, NameCase{" Ana", false},
                      NameCase{"\xC3", false}, NameCase{"\xC0\xAF", false},   // cut, overlong '/'
                      NameCase{"\xED\xA0\x80", false},                        // a surrogate
                      NameCase{"close-gaps", false}, NameCase{"print-all", false}, NameCase{"0123456789abcdef.work", false}));

TEST(ChildNames, LongNamesAreRefused) {
    EXPECT_TRUE(kolo::IsChildNameSafe(std::string(kolo::kMaxChildNameBytes, 'a')));
    EXPECT_FALSE(kolo::IsChildNameSafe(std::string(kolo::kMaxChildNameBytes + 1, 'a')));
}

TEST(ChildNames, ListIsSplitTrimmedAndRefusedWhole) {
    std::vector<std::string> names{"kept"};
    std::string refused;
    ASSERT_TRUE(kolo::SplitChildNames(" Ana, Ben,,Chloé ,Ana", names, refused));
    EXPECT_EQ(names, (std::vector<std::string>{"Ana", "Ben", "Chloé"}));
    EXPECT_FALSE(kolo::SplitChildNames("Ana,../x", names, refused));
    EXPECT_EQ(refused, "../x");
    EXPECT_EQ(names.size(), 3u);
}

TEST(ClassFolder, SavesNeverReplaceAnEarlierPicture) {
    const std::string folder = ::testing::TempDir() + "kolo_class_folder/a/b";
    std::filesystem::remove_all(::testing::TempDir() + "kolo_class_folder");
    const auto write = [](const std::string& path) { return static_cast<bool>(std::ofstream(path) << "x"); };
    std::string reason;
    EXPECT_EQ(kolo::SaveUnderNewName(folder, "house-coloured", write, reason),
              folder + "/house-coloured.png");
    EXPECT_EQ(kolo::SaveUnderNewName(folder, "house-coloured", write, reason),
              folder + "/house-coloured-2.png");
    // A failed write leaves no file holding the name.
    EXPECT_EQ(kolo::SaveUnderNewName(folder, "kite", [](const std::string&) { return false; }, reason), "");
    EXPECT_FALSE(std::filesystem::exists(folder + "/kite.png"));
    EXPECT_EQ(kolo::SaveUnderNewName("/proc/kolo-no-such", "kite", write, reason), "");
    EXPECT_FALSE(reason.empty());
}

TEST(Settings, AreKeptAsOneLineAndReadBack) {
    const std::string folder = ::testing::TempDir() + "kolo_settings_" + std::to_string(getpid()) + "/a";
    EXPECT_EQ(kolo::ReadSetting(folder, kolo::kPackChoicesSetting), "");
    ASSERT_TRUE(kolo::WriteSetting(folder, kolo::kPackChoicesSetting, "2 name coloured"));
    ASSERT_TRUE(kolo::WriteSetting(folder, kolo::kCloseGapsSetting, "0"));
    EXPECT_EQ(kolo::ReadSetting(folder, kolo::kPackChoicesSetting), "2 name coloured");
    EXPECT_EQ(kolo::ReadSetting(folder, kolo::kCloseGapsSetting), "0");
    EXPECT_FALSE(kolo::WriteSetting("", kolo::kCloseGapsSetting, "1"));
    EXPECT_FALSE(kolo::WriteSetting("/proc/kolo-no-such", kolo::kCloseGapsSetting, "1"));
    std::filesystem::remove_all(::testing::TempDir() + "kolo_settings_" + std::to_string(getpid()));
}

TEST(ClassFolder, PathsReadFromHome) {
    EXPECT_EQ(kolo::PathFromHome("/home/ana/Pictures/Kolo/a.png", "/home/ana"), "Pictures/Kolo/a.png");
    EXPECT_EQ(kolo::PathFromHome("/home/anabel/a.png", "/home/ana"), "/home/anabel/a.png");
    EXPECT_EQ(kolo::ChildWorkFolder("/d/kolo", "Ana"), "/d/kolo/Ana");
    EXPECT_EQ(kolo::ChildWorkFolder("", "Ana"), "");
}

}  // namespace
