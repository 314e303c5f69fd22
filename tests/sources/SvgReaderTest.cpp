// SVG pages drawn by librsvg at the size they take on the canvas, where the build has it.
#ifdef KOLO_HAVE_SVG
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "sources/PictureFile.h"
#include "sources/SvgReader.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

int LoadToFit(CDibImage& image, const std::string& text, std::int32_t width = 572,
              std::int32_t height = 452) {
    return LoadSvgBytesToFit(image, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                             width, height);
}

// A page's own size, from width and height or from its viewBox, decides the proportions; the
// drawing is made at the fitted size over white, lines where the page puts them.
TEST(SvgReader, DrawsThePageAtItsFittedSizeOverWhite) {
    const std::string frame = R"(<rect x="0" y="0" width="100" height="200" fill="none" stroke="#000" stroke-width="8"/>)";
    for (const std::string& open : {std::string(R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="200">)"),
                                    std::string(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 100 200">)")}) {
        CDibImage image;
        ASSERT_EQ(LoadToFit(image, open + frame + "</svg>"), 1) << open;
        EXPECT_EQ(image.Width(), 226);
        EXPECT_EQ(image.Height(), 452);
        EXPECT_EQ(test::PixelAt(image, 113, 226), test::kWhite);
        EXPECT_EQ(test::PixelAt(image, 1, 226), test::kBlack);
        EXPECT_EQ(test::PixelAt(image, 113, 450), test::kBlack);
    }
}

// A one-unit line of a page 3.5 and 7 times larger than its fit stays a line on the canvas.
TEST(SvgReader, ThinLinesOfLargePagesStayDark) {
    for (const int width : {2002, 4004}) {
        const std::string w = std::to_string(width);
        CDibImage image;
        ASSERT_EQ(LoadToFit(image, R"(<svg xmlns="http://www.w3.org/2000/svg" width=")" + w + R"(" height=")" + w +
                                       R"("><path d="M0 0 L)" + w + " " + w + R"(" stroke="#000" stroke-width="1"/></svg>)"),
                  1);
        ASSERT_EQ(image.Width(), 452);
        for (std::int32_t y = 10; y < 440; y += 7) {
            int darkest = 255;   // the line may lie a pixel to either side of the diagonal
            for (std::int32_t x = y - 1; x <= y + 1; ++x) {
                const RgbColour p = test::PixelAt(image, x, y);
                darkest = std::min(darkest, (p.red + p.green + p.blue) / 3);
            }
            EXPECT_LE(darkest, kLineLevel) << width << " at " << y;
        }
    }
}

// Nothing outside the page is read: a black picture it names is left out and the rest still
// shows.
TEST(SvgReader, FilesThePageNamesAreNotRead) {
    const std::string black = ::testing::TempDir() + "kolo-black.bmp";
    {
        // A 1 × 1 BMP: file header, 40-byte info header, one black pixel padded to 4 bytes.
        const unsigned char bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0,
                                     0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        std::FILE* file = std::fopen(black.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bmp, 1, sizeof bmp, file);
        std::fclose(file);
    }
    for (const std::string& href : {"file://" + black, black, std::string("kolo-black.bmp")}) {
        CDibImage image;
        ASSERT_EQ(LoadToFit(image, R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="40" height="40">)"
                                   R"(<image x="0" y="0" width="40" height="40" xlink:href=")" + href + R"("/>)"
                                   R"(<rect x="30" y="30" width="10" height="10"/></svg>)", 40, 40),
                  1);
        EXPECT_EQ(test::PixelAt(image, 10, 10), test::kWhite) << href;
        EXPECT_EQ(test::PixelAt(image, 35, 35), test::kBlack);
    }
}

TEST(SvgReader, BrokenOrSizelessPagesFailAndLeaveNothing) {
    const std::string cases[] = {
        "<svg",
        "not a page at all",
        R"(<svg xmlns="http://www.w3.org/2000/svg"><rect width="5" height="5"/></svg>)",
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="0" height="10"/>)",
        std::string(kMaxSvgBytes + 1, ' '),
    };
    for (const std::string& text : cases) {
        CDibImage image;
        image.Allocate(3, 3);
        EXPECT_EQ(LoadToFit(image, text), 0) << text.substr(0, 40);
        EXPECT_FALSE(image.HasPicture());
    }
}

TEST(SvgReader, SvgNamesAreReadWhateverTheirCase) {
    for (const char* name : {"kite.svg", "KITE.SVG", "a/b.Svg"}) {
        const PictureFormat* format = FindPictureFormat(name);
        ASSERT_NE(format, nullptr) << name;
        EXPECT_EQ(format->readToFit, &LoadSvgBytesToFit);
    }
    CDibImage kite;
    ASSERT_EQ(LoadFile(kite, KOLO_SAMPLES_DIR "kite.svg"), 1);
    EXPECT_EQ(kite.Width(), 420);
    EXPECT_EQ(kite.Height(), 600);
}

}  // namespace
}  // namespace kolo
#endif
