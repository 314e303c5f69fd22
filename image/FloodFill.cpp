// The flood fill: a breadth-first search over 4-connected neighbours of exactly the seed's
// colour, driven by the fixed FillQueue. A pixel is tested when it is queued and tested again,
// then recoloured, when it is taken, so duplicates in the queue are harmless.
//
// The ring is fixed at 4096 entries, but a branching area can have a wider frontier than
// that. Pushes that do not fit go to an overflow list, which is handed back to the ring
// whenever the ring runs empty, so no pixel of the area is ever lost. The list allocates only
// on that path; an ordinary fill allocates nothing.
#include <vector>

#include "image/DibImage.h"
#include "image/FillQueue.h"

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

    const RgbColour region = regionColour_;
    auto isRegion = [&region](const std::uint8_t* p) {
        return p[0] == region.blue && p[1] == region.green && p[2] == region.red;
    };

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
        std::uint8_t* p = bits + stride * prow + 3 * px;
        if (!isRegion(p)) continue;   // recoloured since it was queued
        p[0] = blue;
        p[1] = green;
        p[2] = red;
        // Below on screen, right, above, left.
        if (prow > 0 && isRegion(p - stride)) push(px, prow - 1);
        if (px < width - 1 && isRegion(p + 3)) push(px + 1, prow);
        if (prow < height - 1 && isRegion(p + stride)) push(px, prow + 1);
        if (px > 0 && isRegion(p - 3)) push(px - 1, prow);
    }
    return 1;
}

}  // namespace kolo
