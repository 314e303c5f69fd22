// Colouring pages drawn as published templates are (tests/support/make_line_art.py): every
// click well inside a closed shape of the page fills that shape's share of the canvas, give or
// take the lines thickened by the fit, and never floods past it; hand-drawn pages whose lines
// have openings hold the fill once gap closing is at least the opening.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "sources/PictureFile.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

constexpr std::int32_t kCanvasWidth = 572;
constexpr std::int32_t kCanvasHeight = 452;
constexpr RgbColour kMark{1, 2, 3};   // a colour no page holds

struct Page {
    std::string name, closedName;
    int gap = 0;   // the openings in its lines, canvas pixels
    std::vector<std::pair<std::int32_t, std::int32_t>> clicks;
};

std::vector<Page> ReadPages() {
    std::ifstream in(std::string(KOLO_LINE_ART_DIR) + "/pages.txt");
    std::vector<Page> pages;
    std::string word;
    while (in >> word) {
        if (word == "page") {
            pages.emplace_back();
            in >> pages.back().name >> pages.back().closedName >> pages.back().gap;
        } else if (word == "click" && !pages.empty()) {
            std::int32_t x = 0, y = 0;
            in >> x >> y;
            pages.back().clicks.emplace_back(x, y);
        }
    }
    return pages;
}

CDibImage Load(const std::string& name) {
    CDibImage image;
    EXPECT_EQ(LoadFile(image, std::string(KOLO_LINE_ART_DIR) + "/" + name), 1) << name;
    return image;
}

// Fills from (x, y) with the mark and counts the pixels it took: 0 when the click is on a line.
std::int64_t FilledPixels(CDibImage& image, std::int32_t x, std::int32_t y, int closeGaps) {
    Rect changed;
    if (image.FloodFill(x, y, kMark.red, kMark.green, kMark.blue, changed, closeGaps) == 0) return 0;
    std::int64_t count = 0;
    for (std::int32_t py = changed.top; py < changed.bottom; ++py) {
        for (std::int32_t px = changed.left; px < changed.right; ++px) {
            count += test::PixelAt(image, px, py) == kMark ? 1 : 0;
        }
    }
    return count;
}

struct Tally {
    int clicks = 0, leaks = 0, short_ = 0;
    double LeakRate() const { return clicks == 0 ? 0 : 100.0 * leaks / clicks; }
    double ShortRate() const { return clicks == 0 ? 0 : 100.0 * short_ / clicks; }
};

// Every click of every page, fitted to the canvas, filled at each of `widths` of gap closing
// (−1: at the page's own opening); tallied per width by whether the page's lines are closed.
std::map<int, std::map<bool, Tally>> Measure(const std::vector<int>& widths) {
    std::map<int, std::map<bool, Tally>> tallies;
    for (const Page& page : ReadPages()) {
        CDibImage source = Load(page.closedName);
        source.Threshold(kLineLevel);
        CDibImage canvas = Load(page.name).FittedInto(kCanvasWidth, kCanvasHeight);
        canvas.Threshold(kLineLevel);
        canvas.SetOutlineColour(0, 0, 0);
        const FitSize fit = FitInside(source.Width(), source.Height(), kCanvasWidth, kCanvasHeight);
        const double share = static_cast<double>(fit.width) * fit.height /
                             (static_cast<double>(source.Width()) * source.Height());
        for (const auto& [x, y] : page.clicks) {
            const double expected = share * static_cast<double>(FilledPixels(source, x, y, 0));
            source.FloodFill(x, y, 255, 255, 255);   // the page as it was
            // Clicks on a line, on shapes too small to matter on the canvas, or in an area that
            // is not closed on the page itself (overlapping shapes) say nothing.
            if (expected < 30 || expected > kCanvasWidth * kCanvasHeight / 4) continue;
            const std::int32_t cx = (kCanvasWidth - fit.width) / 2 + x * fit.width / source.Width();
            const std::int32_t cy = (kCanvasHeight - fit.height) / 2 + y * fit.height / source.Height();
            for (const int width : widths) {
                CDibImage coloured = canvas;
                const double filled = static_cast<double>(
                    FilledPixels(coloured, cx, cy, width < 0 ? page.gap : width));
                Tally& tally = tallies[width][page.gap == 0];
                ++tally.clicks;
                if (filled > 1.5 * expected + 50) ++tally.leaks;
                if (filled < 0.5 * expected) ++tally.short_;
            }
        }
    }
    return tallies;
}

void Report(const char* what, const Tally& t) {
    std::printf("%-44s %4d clicks  leaks %5.1f %%  short %5.1f %%\n", what, t.clicks, t.LeakRate(),
                t.ShortRate());
}

// Closed pages hold at every width; pages with openings hold once the width reaches them. The
// rates at each width are printed, for choosing the hosts' default.
TEST(LineArtPages, ClicksFillTheirShapeAndNoMore) {
    const std::map<int, std::map<bool, Tally>> tallies = Measure({0, 1, 2, 3, 4, -1});
    for (const auto& [width, byKind] : tallies) {
        for (const auto& [closed, tally] : byKind) {
            const std::string label = std::string(closed ? "closed pages" : "pages with openings") +
                                      ", close gaps " + (width < 0 ? "= opening" : std::to_string(width));
            Report(label.c_str(), tally);
            if (!closed && width >= 0) continue;
            ASSERT_GT(tally.clicks, 50) << label;
            EXPECT_LE(tally.LeakRate(), 1.0) << label;
            EXPECT_LE(tally.ShortRate(), 2.0) << label;
        }
    }
}

}  // namespace
}  // namespace kolo
