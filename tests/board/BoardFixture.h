// A board on the software platform with the built-in art, a recording host and a loader
// that hands it pictures made in the test, as a folder load would.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "board/ColouringBoard.h"
#include "board/FolderPictures.h"
#include "platform/soft/BmpResources.h"
#include "platform/soft/ScreenContext.h"
#include "resources/EmbeddedResources.h"
#include "tests/board/FakeBoardHost.h"
#include "tests/support/TestImages.h"

namespace kolo {

constexpr int kCanvasWidth = 572;
constexpr int kCanvasHeight = 452;
constexpr int kDividerX = 286;    // canvas column of the drawing's vertical line
constexpr int kShelfY = 100;      // canvas row of the line across the right half

constexpr ColourRef kWhite = 0x00FFFFFF;
constexpr ColourRef kPink = 0x008400FF;       // the starting colour: red 255, green 0, blue 132
constexpr ColourRef kHalfPink = 0x0042007F;   // red 127, green 0, blue 66

// Hands the board the pictures it is given, at once, through the steps every folder load
// takes: each as BMP bytes prepared for the canvas, then applied in order.
class TestFolderLoader : public FolderLoader {
public:
    void StartLoad(ColouringBoard& board, std::uint32_t load, const std::string&) override {
        ++loads;
        board.BeginFolder(load, folder.size());
        for (const CDibImage& picture : folder) {
            const std::string bytes = test::BmpFileBytes(picture);
            board.AddFolderPicture(
                load, PreparePicture(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size(), "picture.bmp", kCanvasWidth, kCanvasHeight));
        }
        board.FinishFolder(load, "");
    }
    void CancelLoad() override {}

    std::vector<CDibImage> folder;
    int loads = 0;
};

inline void SetImagePixel(CDibImage& image, int x, int y, std::uint8_t r, std::uint8_t g,
                          std::uint8_t b) {
    std::uint8_t* p = image.Pixels() + image.Stride() * (image.Height() - 1 - y) + x * 3;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

inline ColourRef ImagePixel(const CDibImage& image, int x, int y) {
    const std::uint8_t* p = image.Pixels() + image.Stride() * (image.Height() - 1 - y) + x * 3;
    return MakeColourRef(p[2], p[1], p[0]);
}

// A white 572 × 452 drawing: a black vertical line splits it in two, and a line across the
// right half splits that again, giving three areas. `tone` greys the left area's top rows
// without reaching the threshold, so that the picture as loaded differs from its canvas.
inline CDibImage MakeDrawing(std::uint8_t tone = 255) {
    CDibImage image;
    image.Allocate(kCanvasWidth, kCanvasHeight);
    std::memset(image.Pixels(), 255, image.Stride() * kCanvasHeight);
    for (int y = 0; y < kCanvasHeight; ++y) SetImagePixel(image, kDividerX, y, 0, 0, 0);
    for (int x = kDividerX; x < kCanvasWidth; ++x) SetImagePixel(image, x, kShelfY, 0, 0, 0);
    for (int y = 0; y < 20; ++y) {
        for (int x = 40; x < 100; ++x) SetImagePixel(image, x, y, tone, tone, tone);
    }
    return image;
}

class BoardTest : public ::testing::Test {
protected:
    BoardTest()
        : screen(kBoardWidth, kBoardHeight),
          host(&screen),
          resources(kEmbeddedResources, kEmbeddedResourceCount),
          board(host, resources) {}

    void SetUp() override {
        board.SetFolderLoader(&loader);
        ASSERT_EQ(board.Initialise(), 0);
        Paint();
    }

    void Paint() {
        const Rect bounds{0, 0, kBoardWidth, kBoardHeight};
        board.Paint(screen, bounds, bounds);
    }

    // Loads `count` copies of the drawing as a folder and paints.
    void LoadDrawings(int count, std::uint8_t tone = 255) {
        loader.folder.assign(static_cast<std::size_t>(count), MakeDrawing(tone));
        board.SetImageURL("http://pictures.test/folder");
        Paint();
    }

    ColourRef Screen(int x, int y) const { return screen.GetPixel(x, y); }

    ScreenContext screen;
    FakeBoardHost host;
    BmpResources resources;
    TestFolderLoader loader;
    ColouringBoard board;
};

}  // namespace kolo
