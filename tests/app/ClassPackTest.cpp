// The class pack: a folder on a loopback server printed into one PDF, read back with poppler.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <cairo-pdf.h>
#include <unistd.h>

#include "app/ClassPack.h"
#include "app/PictureWork.h"
#include "app/SamplesFolder.h"
#include "control/Palette.h"
#include "control/SoftControl.h"
#include "platform/curl/CurlSession.h"
#include "board/BoardLayout.h"
#include "board/FolderPictures.h"
#include "board/KeptWork.h"
#include "tests/support/LocalServer.h"
#include "tests/support/RunProgram.h"

namespace kolo {
namespace {

constexpr int kSamplePictures = 11;

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

std::string Field(const std::string& info, const std::string& name) {
    const std::size_t at = info.find(name + ":");
    if (at == std::string::npos) return {};
    const std::size_t start = info.find_first_not_of(' ', at + name.size() + 1);
    return info.substr(start, info.find('\n', start) - start);
}

// How many pixels of the PDF's first page, rendered at 20 dpi, are strongly red.
int RedPixelsOnFirstPage(const std::string& pdf) {
    const std::string ppm = Output("pdftoppm -r 20 -f 1 -l 1 '" + pdf + "'");
    int width = 0, height = 0, depth = 0, used = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &width, &height, &depth, &used) != 3) return -1;
    int red = 0;
    for (std::size_t at = static_cast<std::size_t>(used) + 1; at + 2 < ppm.size(); at += 3) {
        const auto r = static_cast<unsigned char>(ppm[at]), g = static_cast<unsigned char>(ppm[at + 1]),
                   b = static_cast<unsigned char>(ppm[at + 2]);
        red += r > 200 && g < 80 && b < 80;
    }
    return red;
}

class ClassPack : public testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<test::LocalServer>(test::PythonHttpServerCommand(KOLO_SAMPLES_DIR));
        ASSERT_TRUE(server_->Running());
        dir_ = testing::TempDir() + "kolo_pack_" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    test::RunResult Kolo(std::vector<std::string> args) {
        args.insert(args.begin(), KOLO_EXECUTABLE);
        test::RunLimits limits;
        limits.environment.push_back("HOME=" + dir_);
        limits.environment.push_back("XDG_DATA_HOME=" + dir_ + "data");
        return test::RunProgram(args, limits);
    }
    std::unique_ptr<test::LocalServer> server_;
    std::string dir_;
};

TEST_F(ClassPack, EveryPictureOfTheFolderGoesIntoOnePdfOneTwoOrFourToAPage) {
    for (const int perPage : {1, 2, 4}) {
        const std::string pdf = dir_ + "pack" + std::to_string(perPage) + ".pdf";
        const test::RunResult run = Kolo({"--print-all", pdf, "--per-page", std::to_string(perPage),
                                          "--name-line", "--paper", "a4", server_->Url()});
        ASSERT_EQ(run.status, 0) << run.errors;
        const std::string info = Output("pdfinfo '" + pdf + "'");
        EXPECT_EQ(Field(info, "Pages"), std::to_string((kSamplePictures + perPage - 1) / perPage));
        EXPECT_NE(Field(info, "Page size").find("(A4)"), std::string::npos) << info;
    }
}

TEST_F(ClassPack, ColouredPrintsTheKeptColouringAndThePlainPackDoesNot) {
    // The house's wall, coloured red and kept as the window would keep it.
    std::ifstream file(std::string(KOLO_SAMPLES_DIR) + "house.bmp", std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    const CDibImage picture = PreparePicture(bytes.data(), bytes.size(), "house.bmp",
                                             kCanvasRect.Width(), kCanvasRect.Height());
    ASSERT_TRUE(picture.HasPicture());
    PictureWork store(dir_ + "data/kolo");
    SavedWork work;
    work.done.push_back(FillEntry{0x00FFFFFF, 0x000000FF, 211 - kCanvasRect.left, 475 - kCanvasRect.top});
    store.WorkChanged(WorkKey{server_->Url(), "house.bmp", PictureHash(picture)}, work);
    ASSERT_TRUE(store.Save());

    const std::string coloured = dir_ + "coloured.pdf", plain = dir_ + "plain.pdf";
    ASSERT_EQ(Kolo({"--print-all", coloured, "--coloured", server_->Url()}).status, 0);
    ASSERT_EQ(Kolo({"--print-all", plain, server_->Url()}).status, 0);
    EXPECT_GT(RedPixelsOnFirstPage(coloured), 500);
    EXPECT_EQ(RedPixelsOnFirstPage(plain), 0);
}

TEST_F(ClassPack, AFolderThatCannotBeReadOrABadCountLeavesNoFile) {
    const std::string pdf = dir_ + "none.pdf";
    EXPECT_EQ(Kolo({"--print-all", pdf, server_->Url("/no-such-folder/")}).status, 3);
    EXPECT_EQ(Kolo({"--print-all", pdf, "--per-page", "3", server_->Url()}).status, 2);
    EXPECT_EQ(Kolo({"--print-all", "pack.txt", server_->Url()}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

struct ChoicesCase {
    PackChoices choices;
    int pages;   // of the eleven samples
};

class WindowPack : public testing::TestWithParam<ChoicesCase> {};

// The window's pages, drawn by the print dialog's handler, for each choice its tab offers.
TEST_P(WindowPack, PagesFollowTheChoices) {
    SoftControl control{[] { return std::make_unique<CurlSession>(); }};
    control.onInitImage = [&control]() { control.Board().SetImageURL(SamplesFolderUrl()); };
    control.Create();
    control.WaitForFolder();
    ASSERT_EQ(control.Board().Pictures().size(), static_cast<std::size_t>(kSamplePictures));
    int x = 0, y = 0;
    PaletteCellCentre(NearestPaletteCell(255, 0, 0), x, y);
    control.Click(x, y);
    control.Click(211, 475);   // the first picture's wall, red

    const PackChoices& choices = GetParam().choices;
    const std::string pdf = testing::TempDir() + "kolo_window_pack_" + std::to_string(getpid()) + ".pdf";
    constexpr double kA4Width = 595.0, kA4Height = 842.0;   // points
    const int pages = PackPageCount(control.Board().Pictures().size(), choices.perPage);
    cairo_surface_t* surface = cairo_pdf_surface_create(pdf.c_str(), kA4Width, kA4Height);
    cairo_t* cr = cairo_create(surface);
    for (int page = 0; page < pages; ++page) {
        DrawBoardPackPage(cr, kA4Width, kA4Height, page, control.Board(), choices);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);

    EXPECT_EQ(pages, GetParam().pages);
    EXPECT_EQ(Field(Output("pdfinfo '" + pdf + "'"), "Pages"), std::to_string(GetParam().pages));
    const std::string text = Output("pdftotext -f 1 -l 1 '" + pdf + "' -");
    int names = 0;
    for (std::size_t at = text.find("Name:"); at != std::string::npos; at = text.find("Name:", at + 1)) ++names;
    EXPECT_EQ(names, choices.nameLine ? choices.perPage : 0);
    EXPECT_EQ(RedPixelsOnFirstPage(pdf) > 100, choices.coloured);
    std::remove(pdf.c_str());
}

INSTANTIATE_TEST_SUITE_P(Choices, WindowPack, testing::Values(
    ChoicesCase{{1, false, true}, 11},
    ChoicesCase{{2, true, false}, 6},
    ChoicesCase{{4, true, true}, 3},
    ChoicesCase{{4, false, false}, 3}));

TEST(PackChoices, KeptLineReadsBackAndAnythingElseGivesTheFallback) {
    for (const int perPage : kPackPerPageChoices) {
        for (const bool nameLine : {false, true}) {
            for (const bool coloured : {false, true}) {
                const PackChoices kept =
                    ParsePackChoices(FormatPackChoices({perPage, nameLine, coloured}), {});
                EXPECT_EQ(kept.perPage, perPage);
                EXPECT_EQ(kept.nameLine, nameLine);
                EXPECT_EQ(kept.coloured, coloured);
            }
        }
    }
    for (const char* text : {"", "3 name coloured", "2 name", "2 name coloured more", "2 Name coloured",
                             "two name coloured", "2 name colored", "-1 plain uncoloured"}) {
        EXPECT_EQ(ParsePackChoices(text, {2, true, true}).perPage, 2) << text;
        EXPECT_TRUE(ParsePackChoices(text, {2, true, true}).nameLine) << text;
    }
}

}  // namespace
}  // namespace kolo
