// The headless driver against folders that cannot give a picture: every run ends in bounded
// time with an honest exit status and the reason on standard error, and nothing is written to
// disk while pictures download.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/InternetSession.h"
#include "tests/support/LocalServer.h"
#include "tests/support/RunProgram.h"

namespace {

namespace fs = std::filesystem;
using kolo::test::RunLimits;
using kolo::test::RunProgram;

constexpr double kBoundSeconds = 30;
constexpr auto kPageLimitBytes = static_cast<std::size_t>(kolo::TransferLimits{}.pageBytes);

struct FolderCase {
    const char* name;
    const char* address;   // HTTP/ is the fault server, ROOT/ the test's folder
    int status;
    const char* message;   // found in standard error; "" for none at all
};

const FolderCase kFolderCases[] = {
    {"NoAddressGivesTheSamples", "", 0, ""},
    {"SamplesFolder", "SAMPLES", 0, ""},
    {"FolderWithoutPictures", "ROOT/empty", 3, "No pictures found at file://"},
    {"SystemFolder", "/etc", 3, "No pictures found at file:///etc/"},
    {"ScriptAddress", "javascript:alert(1)", 3, "Unsupported address: javascript:alert(1)"},
    {"MissingPage", "HTTP/nowhere/", 3, "The server answered 404"},
    {"EveryPictureFails", "HTTP/missing/", 3, "No pictures found at http://"},
    {"LinkOutsideTheFolder", "ROOT/outside/inner", 3, "No pictures found"},
    {"EncodedSlashInsideTheFolder", "ROOT/outside", 0, ""},
    {"LinkBeyondThePageLimit", "ROOT/big", 3, "No pictures found"},
    {"LinksToFilesOutsideTheFolderOrToPipes", "ROOT/linked", 3, "No pictures found"},
    {"PageCutAtItsLimit", "ROOT/cut", 0,
     "kolo: the folder page was cut at its size limit after 645277 picture links; only the "
     "first 1000 are loaded\n"},
};

void PrintTo(const FolderCase& row, std::ostream* out) { *out << row.name; }

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class FolderFault : public ::testing::TestWithParam<FolderCase> {
protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) / ("kolo_fault_" + std::string(GetParam().name));
        fs::remove_all(root_);
        const fs::path cat = fs::path(KOLO_SAMPLES_DIR) / "cat.gif";
        fs::create_directories(root_ / "empty");
        Write(root_ / "empty" / "notes.txt", "no pictures here");
        // A picture beside the folder, named through an encoded "../".
        fs::create_directories(root_ / "outside" / "inner");
        fs::create_directories(root_ / "outside" / "secret");
        fs::copy_file(cat, root_ / "outside" / "secret" / "target.gif");
        Write(root_ / "outside" / "inner" / "index.html", "<a href=\"..%2fsecret%2ftarget.gif\">x</a>");
        Write(root_ / "outside" / "index.html", "<a href=\"secret%2ftarget.gif\">x</a>");
        // The only link just past the page limit.
        fs::create_directories(root_ / "big");
        fs::copy_file(cat, root_ / "big" / "cat.gif");
        std::string page(kPageLimitBytes, ' ');
        Write(root_ / "big" / "index.html", page + "<a href=cat.gif>");
        // Links and a named pipe where pictures would be: nothing outside is shown, nothing hangs.
        fs::create_directories(root_ / "linked");
        fs::create_symlink(root_ / "outside" / "secret" / "target.gif", root_ / "linked" / "escape.gif");
        mkfifo((root_ / "linked" / "pipe.gif").c_str(), 0600);
        Write(root_ / "linked" / "index.html", "<a href=escape.gif> <a href=pipe.gif>");
        // A million links of 26 bytes, cut at the page limit inside link 645278.
        fs::create_directories(root_ / "cut");
        fs::copy_file(cat, root_ / "cut" / "cat.gif");
        std::string links;
        for (int i = 0; i < 1000000; ++i) links += "<a href=\"cat.gif\">cat</a>\n";
        Write(root_ / "cut" / "index.html", links);
        fs::create_directories(root_ / "missing");
        Write(root_ / "missing" / "index.html", "<a href=gone.gif> <a href=gone.jpg>");
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_P(FolderFault, EndsInBoundedTimeWithItsStatusAndReason) {
    const FolderCase& row = GetParam();
    kolo::test::LocalServer server(kolo::test::FaultServerCommand(root_.string()));
    ASSERT_TRUE(server.Running());
    std::string address = row.address;
    if (address.rfind("HTTP/", 0) == 0) address = server.Url("/" + address.substr(5));
    if (address.rfind("ROOT/", 0) == 0) address = (root_ / address.substr(5)).string();
    if (address == "SAMPLES") address = KOLO_SAMPLES_DIR;

    std::vector<std::string> argv{KOLO_EXECUTABLE, "--headless"};
    if (!address.empty()) argv.push_back(address);
    RunLimits limits;
    limits.seconds = kBoundSeconds;
    const kolo::test::RunResult run = RunProgram(argv, limits);
    EXPECT_EQ(run.status, row.status) << run.errors;
    EXPECT_LT(run.seconds, kBoundSeconds);
    if (*row.message == '\0') {
        EXPECT_EQ(run.errors, "");
    } else {
        EXPECT_NE(run.errors.find(row.message), std::string::npos) << run.errors;
    }
}

INSTANTIATE_TEST_SUITE_P(Headless, FolderFault, ::testing::ValuesIn(kFolderCases),
                         [](const ::testing::TestParamInfo<FolderCase>& info) {
                             return std::string(info.param.name);
                         });

// Pictures download into memory: a run stopped by any signal in the middle of a download, or
// given temporary folders that cannot be used, leaves nothing on disk.
TEST(FolderDownload, WritesNothingWhateverStopsItOrWhereverTemporaryFilesWouldGo) {
    const fs::path root = fs::path(::testing::TempDir()) / "kolo_download_signal";
    fs::remove_all(root);
    fs::create_directories(root / "folder");
    fs::create_directories(root / "tmp");
    fs::copy_file(fs::path(KOLO_SAMPLES_DIR) / "cat.gif", root / "folder" / "cat.gif");
    Write(root / "folder" / "index.html", "<a href=cat.gif> <a href=stall.gif>");
    Write(root / "runtime", "a file where a folder is expected");
    kolo::test::LocalServer server(kolo::test::FaultServerCommand((root / "folder").string()));
    ASSERT_TRUE(server.Running());

    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        RunLimits limits;
        limits.seconds = kBoundSeconds;
        limits.signalAfterSeconds = 1.5;
        limits.signal = signal;
        limits.environment.push_back("TMPDIR=" + (root / "tmp").string());
        limits.environment.push_back("XDG_RUNTIME_DIR=" + (root / "tmp").string());
        const kolo::test::RunResult run = RunProgram({KOLO_EXECUTABLE, "--headless", server.Url()}, limits);
        EXPECT_EQ(run.signal, signal) << run.errors;
        EXPECT_TRUE(fs::is_empty(root / "tmp")) << "signal " << signal;
    }
    // A runtime folder that is a file changes nothing: the picture still loads.
    RunLimits limits;
    limits.seconds = kBoundSeconds;
    limits.environment.push_back("XDG_RUNTIME_DIR=" + (root / "runtime").string());
    limits.environment.push_back("TMPDIR=" + (root / "none").string());
    const kolo::test::RunResult run =
        RunProgram({KOLO_EXECUTABLE, "--headless", (root / "folder").string()}, limits);
    EXPECT_EQ(run.status, 0) << run.errors;
    fs::remove_all(root);
}

// A page linking one small picture a hundred thousand times: the folder takes the most names a
// page gives, and the pictures past the first few are kept as their bytes, so the program's
// peak memory stays far below what as many canvas-size pictures would take (770 MB).
TEST(FolderMemory, APageOfAHundredThousandLinksStaysWithinTheBound) {
    [[maybe_unused]] constexpr long kPeakBoundKb = 400L * 1024;
    const fs::path root = fs::path(::testing::TempDir()) / "kolo_many_links";
    fs::remove_all(root);
    fs::create_directories(root);
    fs::copy_file(fs::path(KOLO_SAMPLES_DIR) / "cat.gif", root / "cat.gif");
    std::string page;
    for (int i = 0; i < 100000; ++i) page += "<a href=\"cat.gif\">cat</a>\n";
    Write(root / "index.html", page);
    kolo::test::LocalServer server(kolo::test::FaultServerCommand(root.string()));
    ASSERT_TRUE(server.Running());

    RunLimits limits;
    limits.seconds = 2 * kBoundSeconds;
    const fs::path shot = root / "shot.png";
    std::vector<std::string> argv{KOLO_EXECUTABLE, "--headless", server.Url()};
    // Past the pictures kept decoded with the next arrow, then onto the canvas.
    for (int i = 0; i < 40; ++i) argv.insert(argv.end(), {"--click", "760,380"});
    argv.insert(argv.end(), {"--click", "720,300", "--screenshot", shot.string()});
    const kolo::test::RunResult run = RunProgram(argv, limits);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "kolo: the folder page links 100000 pictures; only the first 1000 are loaded\n");
    EXPECT_GT(run.peakMemoryKb, 0);
#if !defined(__SANITIZE_ADDRESS__)   // its quarantine keeps every freed block resident
    EXPECT_LT(run.peakMemoryKb, kPeakBoundKb);
#endif
    EXPECT_TRUE(fs::exists(shot));
    fs::remove_all(root);
}

// Small files that declare huge pictures: the loader's threads take turns to decode them
// instead of each holding one at the same time, and keep none of them for the next picture.
TEST(FolderMemory, TinyFilesDeclaringHugePicturesStayWithinTheBound) {
    const fs::path root = fs::path(::testing::TempDir()) / "kolo_huge_declared";
    fs::remove_all(root);
    fs::create_directories(root);
    // 8000 × 8000 with a two-colour table, and codes that end at once: all index 0.
    const std::string gif("GIF89a\x40\x1f\x40\x1f\x80\0\0\0\0\0\xff\xff\xff"
                          "\x2c\0\0\0\0\x40\x1f\x40\x1f\0\x02\x01\x2c\0\x3b",
                          34);
    std::string page;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "big" + std::to_string(i) + ".gif";   // "huge…" is a server mode
        Write(root / name, gif);
        page += "<a href=\"" + name + "\">" + name + "</a>\n";
    }
    Write(root / "index.html", page);
    kolo::test::LocalServer server(kolo::test::FaultServerCommand(root.string()));
    ASSERT_TRUE(server.Running());
    RunLimits limits;
    limits.seconds = 2 * kBoundSeconds;
    const kolo::test::RunResult run = RunProgram({KOLO_EXECUTABLE, "--headless", server.Url()}, limits);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_GT(run.peakMemoryKb, 0);
#if !defined(__SANITIZE_ADDRESS__)   // its quarantine keeps the freed decodes resident
    EXPECT_LT(run.peakMemoryKb, 400L * 1024);
#endif
    fs::remove_all(root);
}

}  // namespace
