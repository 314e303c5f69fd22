// The whole product driven through `kolo --headless`, checked on the screenshot's pixels.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "board/BoardLayout.h"
#include "platform/soft/BmpResources.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"
#include "tests/support/RingEdge.h"

namespace kolo {
namespace {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    ColourRef At(int x, int y) const {
        const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
        return MakeColourRef(p[0], p[1], p[2]);
    }
};

bool ReadPng(const std::string& path, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

class HeadlessScenario : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        prefix = ::testing::TempDir() + "kolo_headless_" + info->name() + "_";
        for (const char* name : {"a.png", "b.png", "c.png", "page.png", "page.pdf"}) {
            std::remove((prefix + name).c_str());
        }
    }

    int Run(const std::string& arguments) {
        const std::string command = std::string("\"") + KOLO_EXECUTABLE + "\" " + arguments +
                                    " 2>/dev/null";
        const int raw = std::system(command.c_str());
        return raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string File(const char* name) const { return "\"" + prefix + name + "\""; }

    std::unique_ptr<SoftBitmap> LoadArt(int id) {
        BmpResources resources(kEmbeddedResources, kEmbeddedResourceCount);
        auto bitmap = resources.LoadBitmap(id);
        return std::unique_ptr<SoftBitmap>(dynamic_cast<SoftBitmap*>(bitmap.release()));
    }

    std::string prefix;
};

TEST_F(HeadlessScenario, PickPrintAndScreenshotWithoutAFolder) {
    // Move over the canvas, pick palette cell 53, press the disabled undo button, take a
    // screenshot, print, take another.
    const int status = Run("--headless --move 200,300 --click 716,550 --click 100,110"
                           " --screenshot " + File("a.png") + " --click 385,108 --screenshot " +
                           File("b.png") + " --print-to " + File("page.png") +
                           " file:///nonexistent/folder");
    // The folder gave nothing (status 3), but every option was still applied.
    ASSERT_EQ(status, 3);

    Picture shot;
    ASSERT_TRUE(ReadPng(prefix + "a.png", shot));
    ASSERT_EQ(shot.width, 834);
    ASSERT_EQ(shot.height, 644);
    const ColourRef picked = MakeColourRef(204, 153, 0);
    for (int y = kSwatchRect.top; y < kSwatchRect.bottom; ++y) {
        for (int x = kSwatchRect.left; x < kSwatchRect.right; ++x) {
            ASSERT_EQ(shot.At(x, y), picked) << x << ", " << y;
        }
    }
    // Buttons as shown: undo with its disabled face, print with its normal one.
    auto undoDisabled = LoadArt(kIdUndoDisabled);
    auto printNormal = LoadArt(kIdPrintNormal);
    auto skin = LoadArt(kIdSkin);
    ASSERT_TRUE(undoDisabled && printNormal && skin);
    for (int y = 0; y < 52; ++y) {
        for (int x = 0; x < 124; ++x) {
            ASSERT_EQ(shot.At(45 + x, 85 + y), undoDisabled->Surface().GetPixel(x, y));
        }
    }
    EXPECT_EQ(shot.At(318 + 60, 84 + 20), printNormal->Surface().GetPixel(60, 20));
    // The palette and the empty thumbnail are the skin's.
    for (int y = kPaletteRect.top; y < kPaletteRect.bottom; ++y) {
        for (int x = kPaletteRect.left; x < kPaletteRect.right; ++x) {
            ASSERT_EQ(shot.At(x, y), skin->Surface().GetPixel(x, y));
        }
    }
    EXPECT_EQ(shot.At(728, 260), skin->Surface().GetPixel(728, 260));
    // "No Image!!!" at the top centre of the canvas.
    int ink = 0;
    for (int y = kCanvasRect.top; y < kCanvasRect.top + 16; ++y) {
        for (int x = 280; x < 355; ++x) ink += shot.At(x, y) == 0 ? 1 : 0;
    }
    EXPECT_GT(ink, 20);

    Picture after;
    ASSERT_TRUE(ReadPng(prefix + "b.png", after));
    EXPECT_EQ(after.rgb, shot.rgb);   // printing leaves the screen as it was

    Picture page;
    ASSERT_TRUE(ReadPng(prefix + "page.png", page));
    ASSERT_EQ(page.width, 2550);
    ASSERT_EQ(page.height, 3300);
    int pageInk = 0;
    for (int y = 0; y < page.height; y += 2) {
        for (int x = 0; x < page.width; x += 2) {
            if (page.At(x, y) == 0x00FFFFFF) continue;
            ++pageInk;
            ASSERT_TRUE(x >= 300 && x < 2250 && y >= 300 && y < 400) << x << ", " << y;
        }
    }
    EXPECT_GT(pageInk, 100);
}

TEST_F(HeadlessScenario, PrintToPdfWritesOnePage) {
    ASSERT_EQ(Run("--headless --click 385,108 --print-to " + File("page.pdf")), 0);
    std::ifstream pdf(prefix + "page.pdf", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(pdf)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(content.rfind("%PDF-", 0), 0u);
    EXPECT_NE(content.find("/Count 1"), std::string::npos);
}

TEST_F(HeadlessScenario, WithoutPrintToTheDialogIsCancelled) {
    ASSERT_EQ(Run("--headless --click 385,108 --screenshot " + File("a.png")), 0);
    EXPECT_TRUE(Exists(prefix + "a.png"));
    EXPECT_FALSE(Exists(prefix + "page.png"));
}

TEST_F(HeadlessScenario, ExitButtonEndsTheRunWithStatusZero) {
    EXPECT_EQ(Run("--headless --click 512,102 --screenshot " + File("c.png")), 0);
    EXPECT_FALSE(Exists(prefix + "c.png"));
}

// A page with one ring, drawn at four times the canvas: --save writes it at the detail asked
// for, and the printed page at 300 dpi shows the ring's edge in steps of at most two dots
// where it runs diagonally, where the canvas enlarged would show longer ones.
TEST_F(HeadlessScenario, DetailSavesAtItsSizeAndPrintsSmoothCurves) {
    const std::string folder = prefix + "ring/";
    std::system(("mkdir -p \"" + folder + "\"").c_str());
    const int width = 4 * kCanvasRect.Width(), height = 4 * kCanvasRect.Height();
    const std::vector<std::uint8_t> ring = test::RingPixels(width, height, 12);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, (folder + "ring.png").c_str(), 0, ring.data(), 0, nullptr));

    for (const int detail : {1, 4}) {
        ASSERT_EQ(Run("--headless --detail " + std::to_string(detail) + " --save " + File("a.png") +
                      " --click 385,108 --print-to " + File("page.png") + " \"file://" + folder + "\""),
                  0);
        Picture saved, page;
        ASSERT_TRUE(ReadPng(prefix + "a.png", saved));
        EXPECT_EQ(saved.width, detail * kCanvasRect.Width());
        EXPECT_EQ(saved.height, detail * kCanvasRect.Height());
        ASSERT_TRUE(ReadPng(prefix + "page.png", page));
        const test::RingEdge edge = test::MeasureRingEdge(
            page.width, page.height, [&](int x, int y) { return RedOf(page.At(x, y)) < 128; });
        ASSERT_GT(edge.span, 1000) << detail;
        const int longest = edge.longest;
        if (detail == 4) {
            EXPECT_LE(longest, 2);
        } else {
            EXPECT_GT(longest, 2) << "the measure must see the canvas's steps";
        }
    }
}

// The windowed mode now opens a window; tests/app covers it, with and without a display.
TEST_F(HeadlessScenario, BadArgumentsExitWithTwo) {
    EXPECT_EQ(Run("--headless --click 12"), 2);
    EXPECT_EQ(Run("--headless --frobnicate"), 2);
    EXPECT_EQ(Run("--headless --screenshot shot.jpg"), 2);
}

}  // namespace
}  // namespace kolo
