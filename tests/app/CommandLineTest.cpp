// The program's command line, and the whole product once through the headless driver against
// Python's own HTTP server on the loopback address.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/SamplesFolder.h"
#include "tests/support/LocalServer.h"

namespace {

struct Outcome {
    int status = -1;
    std::string output;   // standard output and standard error together
};

// Runs `program` with `args` and `environment` only, limited in time, in `directory`.
Outcome RunKolo(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& logPath, const std::string& program = KOLO_EXECUTABLE,
            const std::string& directory = ".") {
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen(logPath.c_str(), "w", stdout);
        std::freopen(logPath.c_str(), "a", stderr);
        if (chdir(directory.c_str()) != 0) _exit(126);
        std::vector<std::string> all{"/usr/bin/timeout", "60", program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (const std::string& arg : all) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    Outcome run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    std::ifstream in(logPath);
    std::stringstream text;
    text << in.rdbuf();
    run.output = text.str();
    return run;
}

int Lines(const std::string& text) {
    int lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines;
}

class KoloCommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        for (char& c : name) c = c == '/' ? '_' : c;   // parameterised names have a slash
        prefix_ = ::testing::TempDir() + "kolo_cli_" + name + "_";
    }
    // No DISPLAY: the program must never need one for these.
    Outcome Kolo(const std::vector<std::string>& args, const std::string& program = KOLO_EXECUTABLE,
                 const std::string& directory = ".") {
        return RunKolo(args, {"PATH=/usr/bin:/bin", "HOME=" + ::testing::TempDir()},
                       prefix_ + "log.txt", program, directory);
    }
    std::string prefix_;
};

TEST_F(KoloCommandLine, HelpAndVersionAnswerAndSucceed) {
    const Outcome help = Kolo({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: kolo", 0), 0u) << help.output;
    EXPECT_NE(help.output.find("--headless"), std::string::npos);
    EXPECT_NE(help.output.find("--print-to"), std::string::npos);

    const Outcome version = Kolo({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "kolo 1.0\n");
}

TEST_F(KoloCommandLine, UnknownOptionsAndExtraAddressesAreOneLineErrorsWithStatusTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--colour"}, {"-x", "http://127.0.0.1/"},
          {"file:///a/", "file:///b/"}, {"--print-to"}, {"--print-to", "page.txt"},
          {"--headless", "--bogus"}, {"--close-gaps", "5"}, {"--headless", "--close-gaps", "-1"},
          {"--headless", "--close-gaps"}}) {
        const Outcome run = Kolo(args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_EQ(Lines(run.output), 1) << run.output;
        EXPECT_EQ(run.output.rfind("kolo: ", 0), 0u) << run.output;
    }
}

TEST_F(KoloCommandLine, WithoutADisplayTheWindowSaysSoInOneLineAndPointsToHeadless) {
    const Outcome run = Kolo({});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.output), 1) << run.output;
    EXPECT_NE(run.output.find("--headless"), std::string::npos) << run.output;
}

bool ReadPng(const std::string& path, int& width, int& height, std::vector<unsigned char>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

TEST_F(KoloCommandLine, HeadlessFillsAPictureLoadedFromALoopbackHttpFolder) {
    kolo::test::LocalServer server(kolo::test::PythonHttpServerCommand(KOLO_SAMPLES_DIR));
    ASSERT_TRUE(server.Running());
    const std::string shot = prefix_ + "shot.png";
    std::remove(shot.c_str());
    const Outcome run = Kolo({"--headless", server.Url(), "--click", "211,475", "--screenshot", shot});
    ASSERT_EQ(run.status, 0) << run.output;

    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    ASSERT_TRUE(ReadPng(shot, width, height, rgb));
    ASSERT_EQ(width, 834);
    ASSERT_EQ(height, 644);
    auto at = [&](int x, int y) {
        const unsigned char* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
        return (unsigned{p[0]} << 16) | (unsigned{p[1]} << 8) | p[2];
    };
    // The house's wall took the initial colour; the line beside it shows the colour halved;
    // the door, behind its own line, stayed white.
    EXPECT_EQ(at(211, 475), 0xFF0084u);
    EXPECT_EQ(at(182, 475), 0x7F0042u);
    EXPECT_EQ(at(315, 520), 0xFFFFFFu);
    // The thumbnail shows the folder's first picture, not the skin's empty frame.
    int dark = 0;
    for (int y = 197; y < 355; ++y) {
        for (int x = 641; x < 815; ++x) {
            const unsigned c = at(x, y);
            dark += (c >> 16) < 100 && ((c >> 8) & 0xFF) < 100 && (c & 0xFF) < 100;
        }
    }
    EXPECT_GT(dark, 100);
}

// What the headless driver says on standard error for folders that give no picture, and that
// a plain path is taken as a folder.
TEST_F(KoloCommandLine, HeadlessGivesAPlainReasonForAFolderWithoutPictures) {
    namespace fs = std::filesystem;
    const fs::path empty = prefix_ + "empty folder";
    fs::create_directories(empty);
    kolo::test::LocalServer server(kolo::test::PythonHttpServerCommand(KOLO_SAMPLES_DIR));
    ASSERT_TRUE(server.Running());
    const fs::path samples = fs::path(KOLO_SAMPLES_DIR).parent_path();   // without its "/"
    const struct {
        std::string address;
        std::string directory;
        std::string said;   // the whole output
    } runs[] = {
        {server.Url("/nothing/"), ".",
         "The server answered 404 File not found\nPlease confirm your url.\n"},
        {empty.string(), ".",
         "No pictures found at " + kolo::FileUrl(empty.string()) + "/\nPlease confirm your url.\n"},
        {samples.filename().string(), samples.parent_path().string(), ""},   // relative
        {server.Url("/"), ".", ""},
    };
    for (const auto& run : runs) {
        const Outcome outcome = Kolo({"--headless", run.address}, KOLO_EXECUTABLE, run.directory);
        EXPECT_EQ(outcome.output, run.said) << run.address;
    }
}

TEST(SamplesFolder, FileUrlsPercentEncodeAllButUnreservedBytesAndSlashes) {
    EXPECT_EQ(kolo::FileUrl("/usr/share/kolo/samples/"), "file:///usr/share/kolo/samples/");
    EXPECT_EQ(kolo::FileUrl("/home/ana maria/50%/a#b?c/"),
              "file:///home/ana%20maria/50%25/a%23b%3Fc/");
    EXPECT_EQ(kolo::FileUrl("/x/Bild\xC3\xA4r~_-./"), "file:///x/Bild%C3%A4r~_-./");
}

// The picture part of a screenshot differs from the empty board's when a folder loaded.
int CanvasPixelsDifferent(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    int different = 0;
    for (int y = 155; y < 607; ++y) {
        for (int x = 31; x < 603; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * 834 + x) * 3;
            different += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
        }
    }
    return different;
}

TEST_F(KoloCommandLine, FindsItsSamplesFromAnyFolderAndWhenInstalledUnderAPathToEncode) {
    namespace fs = std::filesystem;
    int width = 0, height = 0;
    std::vector<unsigned char> empty, fromBuild, installed;
    const std::string emptyShot = prefix_ + "empty.png";
    ASSERT_EQ(Kolo({"--headless", "file:///nonexistent/", "--screenshot", emptyShot}).status, 3);
    ASSERT_TRUE(ReadPng(emptyShot, width, height, empty));

    const std::string buildShot = prefix_ + "build.png";
    ASSERT_EQ(Kolo({"--headless", "--screenshot", buildShot}, KOLO_EXECUTABLE, "/").status, 0);
    ASSERT_TRUE(ReadPng(buildShot, width, height, fromBuild));
    EXPECT_GT(CanvasPixelsDifferent(empty, fromBuild), 10000);

    // An installed program, in a prefix whose path needs percent-encoding, with a folder of
    // one picture: it shows that picture, not the source tree's house.
    const fs::path prefix = fs::path(prefix_ + "install dir 100%#");
    fs::remove_all(prefix);
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share/kolo/samples");
    fs::copy_file(KOLO_EXECUTABLE, prefix / "bin/kolo");
    fs::copy_file(std::string(KOLO_SAMPLES_DIR) + "cat.gif", prefix / "share/kolo/samples/cat.gif");
    std::ofstream(prefix / "share/kolo/samples/index.html") << "<a href=\"cat.gif\">Cat</a>\n";
    const std::string installedShot = prefix_ + "installed.png";
    ASSERT_EQ(Kolo({"--headless", "--screenshot", installedShot}, (prefix / "bin/kolo").string(),
                   "/")
                  .status,
              0);
    ASSERT_TRUE(ReadPng(installedShot, width, height, installed));
    EXPECT_GT(CanvasPixelsDifferent(empty, installed), 10000);
    EXPECT_GT(CanvasPixelsDifferent(fromBuild, installed), 10000);
    fs::remove_all(prefix);
}

// Teachers' options of the headless driver: which picture, which colour, which paper, and
// one file for each print job.
struct HeadlessCase {
    const char* name;
    std::vector<std::string> args;   // FILE stands for a file of the case
    int status;
    const char* note;                // expected in the output, or ""
};

class KoloHeadlessOptions : public KoloCommandLine,
                            public ::testing::WithParamInterface<HeadlessCase> {};

TEST_P(KoloHeadlessOptions, StatusAndMessage) {
    std::vector<std::string> args{"--headless"};
    for (const std::string& arg : GetParam().args) {
        args.push_back(arg == "FILE" ? prefix_ + "out.png" : arg);
    }
    const Outcome run = Kolo(args);
    EXPECT_EQ(run.status, GetParam().status) << run.output;
    EXPECT_NE(run.output.find(GetParam().note), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KoloHeadlessOptions,
    ::testing::Values(
        HeadlessCase{"ColourInThePalette", {"--colour", "CC9900"}, 0, ""},
        HeadlessCase{"ColourNotInThePalette", {"--colour", "0000ff"}, 0,
                     "0000FF is not in the palette; the nearest, 6666FF, is used"},
        HeadlessCase{"ColourMalformed", {"--colour", "12345"}, 2, "--colour needs RRGGBB"},
        HeadlessCase{"PictureZero", {"--picture", "0"}, 2, "--picture needs"},
        HeadlessCase{"PicturePastTheEnd", {"--picture", "99"}, 2, "--picture 99: the folder has "},
        HeadlessCase{"PaperUnknown", {"--paper", "a3"}, 2, "--paper needs a4 or letter"},
        HeadlessCase{"SaveWithoutAPicture", {"--save", "FILE", "file:///nonexistent/"}, 1,
                     "no picture to save"}),
    [](const ::testing::TestParamInfo<HeadlessCase>& info) { return info.param.name; });

// How many pictures the bundled folder's page links to; the house is the first.
int SamplePictures() {
    std::ifstream in(std::string(KOLO_SAMPLES_DIR) + "index.html");
    std::stringstream page;
    page << in.rdbuf();
    int count = 0;
    for (std::size_t at = page.str().find("href="); at != std::string::npos;
         at = page.str().find("href=", at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(KoloCommandLine, HeadlessPictureAndColourChooseWhatIsColoured) {
    int width = 0, height = 0;
    std::vector<unsigned char> house, last, blue;
    const std::string houseFile = prefix_ + "house.png", lastFile = prefix_ + "last.png",
                      blueFile = prefix_ + "blue.png";
    ASSERT_EQ(Kolo({"--headless", "--save", houseFile}).status, 0);
    ASSERT_EQ(Kolo({"--headless", "--picture", "1", "--colour", "CC00FF", "--click", "211,475",
                    "--save", blueFile, "--picture", std::to_string(SamplePictures()),
                    "--save", lastFile})
                  .status,
              0);
    ASSERT_TRUE(ReadPng(houseFile, width, height, house));
    ASSERT_TRUE(ReadPng(blueFile, width, height, blue));
    ASSERT_TRUE(ReadPng(lastFile, width, height, last));
    ASSERT_EQ(width, 572);
    ASSERT_EQ(height, 452);
    const std::size_t wall = (static_cast<std::size_t>(475 - 155) * width + (211 - 31)) * 3;
    EXPECT_EQ(blue[wall], 0xCC);
    EXPECT_EQ(blue[wall + 1], 0x00);
    EXPECT_EQ(blue[wall + 2], 0xFF);
    EXPECT_EQ(house[wall], 0xFF);   // the house as loaded, its wall white
    EXPECT_NE(last, house) << "--picture N left the house on the canvas";
}

TEST_F(KoloCommandLine, HeadlessWritesEveryPrintToInOrderOnTheChosenPaper) {
    const std::string a = prefix_ + "a.png", b = prefix_ + "b.png", c = prefix_ + "c.png";
    for (const std::string& file : {a, b, c}) std::remove(file.c_str());
    // The first job before any fill, the second after: two different pages.
    ASSERT_EQ(Kolo({"--headless", "--paper", "a4", "--click", "385,108", "--click", "211,475",
                    "--click", "385,108", "--print-to", a, "--print-to", b})
                  .status,
              0);
    ASSERT_EQ(Kolo({"--headless", "--paper", "letter", "--landscape", "--click", "385,108",
                    "--print-to", c})
                  .status,
              0);
    int width = 0, height = 0;
    std::vector<unsigned char> first, second, across;
    ASSERT_TRUE(ReadPng(a, width, height, first));
    EXPECT_EQ(width, 2480);   // A4 at 300 dpi
    EXPECT_EQ(height, 3508);
    ASSERT_TRUE(ReadPng(b, width, height, second));
    EXPECT_NE(first, second);
    ASSERT_TRUE(ReadPng(c, width, height, across));
    EXPECT_EQ(width, 3300);   // Letter across
    EXPECT_EQ(height, 2550);
}

TEST_F(KoloCommandLine, HeadlessPaperFollowsTheLocaleAndIsLetterInThePlainOne) {
    const std::string page = prefix_ + "page.png";
    const Outcome run = RunKolo({"--headless", "--click", "385,108", "--print-to", page},
                                {"PATH=/usr/bin:/bin", "LC_PAPER=C"}, prefix_ + "log.txt");
    ASSERT_EQ(run.status, 0) << run.output;
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    ASSERT_TRUE(ReadPng(page, width, height, rgb));
    EXPECT_EQ(width, 2550);
    EXPECT_EQ(height, 3300);
}

}  // namespace
