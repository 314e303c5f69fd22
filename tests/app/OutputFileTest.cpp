// Output files of the headless driver are whole or absent: on a full disk, past a file size
// limit, in a missing folder or over a folder, the run ends with status 1 and one line naming
// the file and the reason, and the destination folder holds nothing new.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/AtomicFile.h"
#include "tests/support/RunProgram.h"

namespace {

namespace fs = std::filesystem;
using kolo::test::RunLimits;
using kolo::test::RunProgram;

// Small enough that no output fits once the earlier file took its page.
constexpr const char* kFullDiskSize = "size=8k";
constexpr long long kFileSizeLimitBytes = 4096;

enum class Disk {
    kRoomy,              // an ordinary folder
    kFull,               // a tiny tmpfs of the test's own
    kFileSizeLimit,      // writes past a few kilobytes fail
    kMissingFolder,      // the destination's folder does not exist
    kDestinationFolder,  // the destination is itself a folder
};

struct OutputCase {
    const char* name;
    std::vector<std::string> options;   // FILE stands for the destination
    const char* file;                   // destination name inside the folder
    Disk disk;
    const char* previous;               // content already at the destination, or null
    const char* reason;                 // after "kolo: cannot write FILE: "; null when written
};

const OutputCase kOutputCases[] = {
    {"ScreenshotWritten", {"--screenshot", "FILE"}, "a.png", Disk::kRoomy, nullptr, nullptr},
    {"PdfWritten", {"--click", "385,108", "--print-to", "FILE"}, "p.pdf", Disk::kRoomy, nullptr, nullptr},
    {"PrintedPngReplacesOld", {"--click", "385,108", "--print-to", "FILE"}, "p.png", Disk::kRoomy,
     "old", nullptr},
    {"ScreenshotOnFullDisk", {"--screenshot", "FILE"}, "a.png", Disk::kFull, nullptr,
     "no space left on device"},
    {"PdfOnFullDisk", {"--click", "385,108", "--print-to", "FILE"}, "p.pdf", Disk::kFull, nullptr,
     "no space left on device"},
    {"PrintedPngOnFullDiskKeepsOld", {"--click", "385,108", "--print-to", "FILE"}, "p.png",
     Disk::kFull, "old", "no space left on device"},
    {"PdfPastFileSizeLimit", {"--click", "385,108", "--print-to", "FILE"}, "p.pdf",
     Disk::kFileSizeLimit, nullptr, "file too large"},
    {"ScreenshotPastFileSizeLimitKeepsOld", {"--screenshot", "FILE"}, "a.png", Disk::kFileSizeLimit,
     "old", "file too large"},
    {"PdfInMissingFolder", {"--click", "385,108", "--print-to", "FILE"}, "none/p.pdf",
     Disk::kMissingFolder, nullptr, "no such file or directory"},
    {"ScreenshotOverFolder", {"--screenshot", "FILE"}, "a.png", Disk::kDestinationFolder, nullptr,
     "is a directory"},
};

// Names the row in ctest's list instead of dumping its bytes.
void PrintTo(const OutputCase& row, std::ostream* out) { *out << row.name; }

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    return names;
}

class OutputFile : public ::testing::TestWithParam<OutputCase> {
protected:
    void SetUp() override {
        // The process id keeps two trees testing at once out of each other's folders.
        folder_ = fs::path(::testing::TempDir()) /
                  ("kolo_output_" + std::to_string(getpid()) + "_" + GetParam().name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        if (mounted_) umount(folder_.c_str());
        fs::remove_all(folder_);
    }
    // The tmpfs lives in a mount namespace of this test process alone, so nothing else on the
    // machine sees it and it goes away with the process whatever happens.
    bool MountFullDisk() {
        if (unshare(CLONE_NEWNS) != 0) return false;
        if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
        mounted_ = mount("kolo-full", folder_.c_str(), "tmpfs", 0, kFullDiskSize) == 0;
        return mounted_;
    }
    fs::path folder_;
    bool mounted_ = false;
};

TEST_P(OutputFile, IsWholeOrAbsentWithOneLineNamingItAndWhy) {
    const OutputCase& row = GetParam();
    RunLimits limits;
    if (row.disk == Disk::kFull && !MountFullDisk()) GTEST_SKIP() << "no tmpfs can be mounted here";
    if (row.disk == Disk::kFileSizeLimit) limits.fileSizeBytes = kFileSizeLimitBytes;
    const fs::path destination = folder_ / row.file;
    if (row.disk == Disk::kDestinationFolder) fs::create_directory(destination);
    if (row.previous != nullptr) std::ofstream(destination) << row.previous;
    const std::vector<std::string> before = Entries(folder_);

    std::vector<std::string> argv{KOLO_EXECUTABLE, "--headless"};
    for (const std::string& option : row.options) argv.push_back(option == "FILE" ? destination.string() : option);
    const kolo::test::RunResult run = RunProgram(argv, limits);

    if (row.reason == nullptr) {
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.errors, "");
        EXPECT_GT(fs::file_size(destination), 1000u);
        EXPECT_NE(Read(destination), "old");
        // Created like any new file: the umask decides, not the temporary file's origin.
        EXPECT_EQ(fs::status(destination).permissions() & fs::perms::others_read, fs::perms::others_read);
        EXPECT_EQ(Entries(folder_).size(), before.size() + (row.previous == nullptr));
        return;
    }
    EXPECT_EQ(run.status, 1) << run.errors;
    EXPECT_EQ(run.errors, "kolo: cannot write " + destination.string() + ": " + row.reason + "\n");
    EXPECT_EQ(Entries(folder_), before) << "a temporary or partial file was left";
    if (row.previous != nullptr) {
        EXPECT_EQ(Read(destination), row.previous);
    }
    if (row.disk == Disk::kDestinationFolder) {
        EXPECT_TRUE(fs::is_directory(destination));
    }
}

INSTANTIATE_TEST_SUITE_P(Headless, OutputFile, ::testing::ValuesIn(kOutputCases),
                         [](const ::testing::TestParamInfo<OutputCase>& info) {
                             return std::string(info.param.name);
                         });

// A writer that fails part way leaves nothing; the reason is the writer's error.
TEST(WriteFileAtomically, AFailingWriterLeavesNothingAndGivesItsReason) {
    const fs::path folder = fs::path(::testing::TempDir()) / "kolo_atomic_writer";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string path = (folder / "out.bin").string();
    std::string reason;
    EXPECT_FALSE(kolo::WriteFileAtomically(
        path, [](std::FILE* file) { return std::fputs("half", file) >= 0 ? ENOSPC : EIO; }, reason));
    EXPECT_EQ(reason, "no space left on device");
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_TRUE(kolo::WriteFileAtomically(
        path, [](std::FILE* file) { return std::fputs("whole", file) >= 0 ? 0 : EIO; }, reason));
    EXPECT_EQ(Read(path), "whole");
    EXPECT_EQ(Entries(folder).size(), 1u);
    fs::remove_all(folder);
}

}  // namespace
