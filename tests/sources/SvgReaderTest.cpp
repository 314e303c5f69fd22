// SVG pages drawn by librsvg at the size they take on the canvas, where the build has it.
#ifdef KOLO_HAVE_SVG
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// A one-unit line along the rows or the columns of a page up to four times larger than its fit
// stays dark wherever it falls between the pixels it is drawn on.
TEST(SvgReader, AxisLinesStayDarkAtEveryOffset) {
    struct Page {
        int width, height;   // units; the fit is 572 × 452
    };
    for (const Page page : {Page{572, 429}, Page{858, 643}, Page{2000, 1500}, Page{2288, 1716}}) {
        for (const bool across : {true, false}) {
            for (int quarter = 0; quarter < 8; ++quarter) {
                const double at = (across ? page.height : page.width) / 2.0 + quarter / 4.0;
                const std::string a = std::to_string(at), w = std::to_string(page.width),
                                  h = std::to_string(page.height);
                const std::string d = across ? "M0 " + a + " L" + w + " " + a : "M" + a + " 0 L" + a + " " + h;
                CDibImage image;
                ASSERT_EQ(LoadToFit(image, R"(<svg xmlns="http://www.w3.org/2000/svg" width=")" + w +
                                               R"(" height=")" + h + R"("><path d=")" + d +
                                               R"(" stroke="#000" stroke-width="1"/></svg>)"),
                          1);
                int darkest = 255;
                for (std::int32_t i = 0; i < (across ? image.Height() : image.Width()); ++i) {
                    const RgbColour p = across ? test::PixelAt(image, image.Width() / 3, i)
                                               : test::PixelAt(image, i, image.Height() / 3);
                    darkest = std::min(darkest, (p.red + p.green + p.blue) / 3);
                }
                EXPECT_LE(darkest, kLineLevel) << w << " × " << h << (across ? " row " : " column ") << at;
            }
        }
    }
}

// A large page is drawn in two bands at once; the pixels are the ones a single drawing gives,
// at the seam too, drawn larger than the canvas and at four times it. Near the seam cairo may
// start an edge a fraction of a pixel apart: one level at most.
TEST(SvgReader, BandsDrawTheSamePixelsAsOneThread) {
    const std::string open = R"(<svg xmlns="http://www.w3.org/2000/svg" width="2000" height="1500">)";
    // Comments make a short page as long as the pages that are split.
    const std::string padding = "<!--" + std::string(16 * 1024, ' ') + "-->";
    std::string curves = open + R"(<g fill="none" stroke="#000" stroke-width="1.5">)";
    for (int i = 0; i < 400; ++i) {
        const int x = (i * 397) % 1900 + 50, y = (i * 211) % 1400 + 50;
        curves += "<path d=\"M" + std::to_string(x) + " " + std::to_string(y) + " q40 -60 80 0 t80 0 t-80 90 z\"/>";
    }
    curves += "</g></svg>";
    const std::string pages[] = {
        curves,
        // Lines across the middle, where the bands meet at every size asked.
        open + padding + R"(<path d="M0 749.5 H2000 M0 750.2 H2000 M10 0 L1990 1500" stroke="#000"/></svg>)",
        // Filled outlines with a hole, in colour and in a gradient.
        open + padding + R"(<defs><linearGradient id="g"><stop offset="0" stop-color="#f80"/>)"
                         R"(<stop offset="1" stop-color="#08f"/></linearGradient></defs>)"
                         R"(<path fill-rule="evenodd" fill="#c03" d="M100 100 C900 0 1900 700 1000 1400 Z M400 500 h400 v400 h-400 Z"/>)"
                         R"svg(<circle cx="1400" cy="760" r="300" fill="url(#g)" opacity="0.7"/></svg>)svg",
        // Words are drawn on one thread.
        open + padding + R"(<text x="100" y="760" font-size="200">Kolo</text></svg>)",
    };
    for (const std::string& page : pages) {
        ASSERT_GT(page.size(), 16u * 1024);
        for (const int detail : {1, 4}) {
            CDibImage one, two;
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(page.data());
            ASSERT_EQ(LoadSvgBytesToFitOnThreads(one, bytes, page.size(), 572 * detail, 452 * detail, 1), 1);
            ASSERT_EQ(LoadSvgBytesToFitOnThreads(two, bytes, page.size(), 572 * detail, 452 * detail, 2), 1);
            ASSERT_EQ(one.PixelBlock().Size(), two.PixelBlock().Size());
            int furthest = 0;
            for (std::size_t i = 0; i < one.PixelBlock().Size(); ++i) {
                furthest = std::max(furthest, std::abs(one.Pixels()[i] - two.Pixels()[i]));
            }
            EXPECT_LE(furthest, 1) << "page " << &page - pages << " at " << detail;
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
