// Inputs shared by the benchmarks: the bundled line drawings as the board puts them on its
// canvas, with seeds for their largest areas, and the peers' plain fill.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/DibImage.h"

namespace kolo::bench {

constexpr std::int32_t kCanvasWidth = 572;    // pixels
constexpr std::int32_t kCanvasHeight = 452;
constexpr int kRegionsPerDrawing = 4;

struct Seed {
    std::int32_t x;   // from the left
    std::int32_t y;   // from the top
    std::int64_t area;   // pixels in its area
};

struct Drawing {
    std::string name;
    CDibImage picture;          // as loaded and scaled, grey tones kept
    CDibImage canvas;           // thresholded, outline black
    std::vector<Seed> regions;  // white areas, largest first
};

// Every picture of samples/, loaded, scaled to the canvas and thresholded as the board does.
const std::vector<Drawing>& SampleDrawings();

// The white areas of a thresholded canvas, largest first, one seed each.
std::vector<Seed> WhiteAreas(const CDibImage& canvas);

// The textbook fill the project is compared with: a first-in first-out queue of single
// pixels, each recoloured as it is queued so that it is queued once. `queue` is scratch kept
// by the caller, so that no timed fill allocates once it has grown.
struct QueuePoint {
    std::int32_t x;
    std::int32_t row;
};
void PlainQueueFill(CDibImage& image, std::int32_t x, std::int32_t y, RgbColour colour,
                    std::vector<QueuePoint>& queue);

}  // namespace kolo::bench
