#include "bench/BenchPictures.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "sources/PictureFile.h"

namespace kolo::bench {
namespace {

constexpr int kThresholdLevel = 168;   // as the board thresholds its canvas

std::uint8_t* PixelAt(CDibImage& image, std::int32_t x, std::int32_t row) {
    return image.Pixels() + image.Stride() * row + 3 * x;
}

bool SameColour(const std::uint8_t* p, const std::uint8_t* colour) {
    return p[0] == colour[0] && p[1] == colour[1] && p[2] == colour[2];
}

}  // namespace

void PlainQueueFill(CDibImage& image, std::int32_t x, std::int32_t y, RgbColour colour,
                    std::vector<QueuePoint>& queue) {
    const std::int32_t width = image.Width();
    const std::int32_t height = image.Height();
    std::uint8_t region[3];
    std::memcpy(region, PixelAt(image, x, height - 1 - y), 3);
    const std::uint8_t paint[3] = {colour.blue, colour.green, colour.red};
    if (SameColour(region, paint)) return;
    queue.clear();
    auto visit = [&](std::int32_t px, std::int32_t prow) {
        std::uint8_t* p = PixelAt(image, px, prow);
        if (!SameColour(p, region)) return;
        std::memcpy(p, paint, 3);
        queue.push_back(QueuePoint{px, prow});
    };
    visit(x, height - 1 - y);
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const QueuePoint p = queue[head];
        if (p.row > 0) visit(p.x, p.row - 1);
        if (p.x + 1 < width) visit(p.x + 1, p.row);
        if (p.row + 1 < height) visit(p.x, p.row + 1);
        if (p.x > 0) visit(p.x - 1, p.row);
    }
}

std::vector<Seed> WhiteAreas(const CDibImage& canvas) {
    CDibImage scratch = canvas;
    std::vector<Seed> areas;
    std::vector<QueuePoint> queue;
    constexpr RgbColour kMarked{1, 2, 3};   // a colour no thresholded canvas holds
    for (std::int32_t y = 0; y < scratch.Height(); ++y) {
        for (std::int32_t x = 0; x < scratch.Width(); ++x) {
            const std::uint8_t* p = PixelAt(scratch, x, scratch.Height() - 1 - y);
            if (p[0] != 255 || p[1] != 255 || p[2] != 255) continue;
            PlainQueueFill(scratch, x, y, kMarked, queue);
            areas.push_back(Seed{x, y, static_cast<std::int64_t>(queue.size())});
        }
    }
    std::stable_sort(areas.begin(), areas.end(),
                     [](const Seed& a, const Seed& b) { return a.area > b.area; });
    return areas;
}

const std::vector<Drawing>& SampleDrawings() {
    static const std::vector<Drawing> drawings = [] {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(KOLO_SAMPLES_DIR)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".bmp" || ext == ".gif" || ext == ".jpg") files.push_back(entry.path().string());
        }
        std::sort(files.begin(), files.end());
        std::vector<Drawing> out;
        for (const std::string& file : files) {
            Drawing d;
            d.name = std::filesystem::path(file).filename().string();
            if (!LoadFile(d.picture, file)) std::abort();   // the bundled pictures always load
            d.picture.Resize(kCanvasWidth, kCanvasHeight);
            d.picture.SetOutlineColour(0, 0, 0);
            d.canvas = d.picture;
            d.canvas.Threshold(kThresholdLevel);
            d.regions = WhiteAreas(d.canvas);
            if (d.regions.size() > static_cast<std::size_t>(kRegionsPerDrawing)) {
                d.regions.resize(kRegionsPerDrawing);
            }
            out.push_back(std::move(d));
        }
        return out;
    }();
    return drawings;
}

}  // namespace kolo::bench
