// The flood fill: recolours the 4-connected area of exactly the seed's colour, driven by the
// fixed FillQueue. Each queued point seeds a horizontal run: the run is widened to the area's
// edges and recoloured along its row, then one seed is queued for every stretch of the area
// in the rows directly below and above it. Walking rows instead of single pixels keeps the
// memory access sequential and the queue short. A seed is tested again when it is taken, so
// seeds left behind by a run that another run already covered are harmless.
//
// The ring is fixed at 4096 entries, but a branching area (a comb, a tree of corridors) can
// have more stretches waiting than that. Pushes that do not fit go to an overflow list, which
// is handed back to the ring whenever the ring runs empty, so no part of the area is ever
// lost. The list allocates only on that path; an ordinary fill allocates nothing.
#include <vector>

#include "image/DibImage.h"
#include "image/FillQueue.h"
#include "image/PixelBytes.h"

namespace kolo {

void FillQueue::Reset() {
    tail_ = -1;
    count_ = 0;
    head_ = 0;
}

bool FillQueue::Push(std::int32_t x, std::int32_t row) {
    if (count_ >= kFillQueueCapacity) return false;
    ++count_;
    tail_ = (tail_ + 1) % kFillQueueCapacity;
    entries_[tail_] = Entry{x, row};
    return true;
}

bool FillQueue::Pop(std::int32_t& x, std::int32_t& row) {
    if (count_ <= 0) return false;
    --count_;
    x = entries_[head_].x;
    row = entries_[head_].row;
    head_ = (head_ + 1) % kFillQueueCapacity;
    return true;
}

int CDibImage::FloodFill(std::int32_t x, std::int32_t y, std::uint8_t red, std::uint8_t green,
                         std::uint8_t blue) {
    if (!HasPicture()) return 0;
    const std::int32_t width = Width();
    const std::int32_t height = Height();
    if (x < 0 || x >= width || y < 0 || y >= height) return 0;

    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(Stride());
    std::uint8_t* const bits = Pixels();
    const std::int32_t seedRow = height - y - 1;
    const std::uint8_t* seed = bits + stride * seedRow + 3 * x;
    if (!CaptureRegionColour(seed[2], seed[1], seed[0])) return 0;   // a click on a line
    if (MatchesRegionColour(red, green, blue)) return 0;             // already that colour

    const std::uint32_t region = PixelValue(seed);
    const std::uint32_t fill = MakePixelValue(red, green, blue);
    auto isRegion = [region](const std::uint8_t* p) { return PixelValue(p) == region; };

    struct Point {
        std::int32_t x;
        std::int32_t row;
    };
    std::vector<Point> overflow;
    FillQueue queue;
    queue.Reset();
    auto push = [&](std::int32_t px, std::int32_t prow) {
        if (!queue.Push(px, prow)) overflow.push_back(Point{px, prow});
    };
    // Queues one seed for every stretch of region-coloured pixels in columns xl … xr of `row`.
    auto queueRuns = [&](std::int32_t row, std::int32_t xl, std::int32_t xr) {
        const std::uint8_t* const line = bits + stride * row;
        std::int32_t px = xl;
        while (px <= xr) {
            while (px <= xr && !isRegion(line + 3 * px)) ++px;
            if (px > xr) break;
            push(px, row);
            while (px <= xr && isRegion(line + 3 * px)) ++px;
        }
    };

    push(x, seedRow);
    for (;;) {
        std::int32_t px = 0;
        std::int32_t prow = 0;
        if (!queue.Pop(px, prow)) {
            if (overflow.empty()) break;
            while (!overflow.empty() && queue.Count() < kFillQueueCapacity) {
                queue.Push(overflow.back().x, overflow.back().row);
                overflow.pop_back();
            }
            continue;
        }
        std::uint8_t* const line = bits + stride * prow;
        if (!isRegion(line + 3 * px)) continue;   // recoloured since it was queued
        std::int32_t xl = px;
        while (xl > 0 && isRegion(line + 3 * (xl - 1))) --xl;
        std::int32_t xr = px;
        while (xr < width - 1 && isRegion(line + 3 * (xr + 1))) ++xr;
        for (std::uint8_t* p = line + 3 * xl; p <= line + 3 * xr; p += 3) StorePixel(p, fill);
        if (prow > 0) queueRuns(prow - 1, xl, xr);            // below on screen
        if (prow < height - 1) queueRuns(prow + 1, xl, xr);   // above on screen
    }
    return 1;
}

}  // namespace kolo
