#include "tests/support/RingEdge.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kolo::test {

std::vector<std::uint8_t> RingPixels(int width, int height, double thickness) {
    std::vector<std::uint8_t> ring(static_cast<std::size_t>(width) * height * 3, 255);
    const double cx = width / 2.0, cy = height / 2.0, outer = 0.4 * height;
    const double inner = outer - thickness;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d >= inner && d <= outer) {
                std::fill_n(ring.begin() + (static_cast<std::ptrdiff_t>(y) * width + x) * 3, 3, 0);
            }
        }
    }
    return ring;
}

RingEdge MeasureRingEdge(int width, int height, const std::function<bool(int x, int y)>& dark) {
    std::vector<int> edge(static_cast<std::size_t>(std::max(height, 0)), -1);
    int top = -1, bottom = -1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width / 2; ++x) {
            if (dark(x, y)) {
                edge[static_cast<std::size_t>(y)] = x;
                if (top < 0) top = y;
                bottom = y;
                break;
            }
        }
    }
    RingEdge measured;
    if (top < 0) return measured;
    measured.span = bottom - top;
    const double middle = (top + bottom) / 2.0, radius = (bottom - top) / 2.0;
    for (int y = top; y < bottom; ++y) {
        const double from = std::fabs(y - middle) / radius;
        if (from < 0.6 || from > 0.8) continue;   // where the edge runs near 45°
        measured.longest = std::max(measured.longest, std::abs(edge[static_cast<std::size_t>(y + 1)] -
                                                               edge[static_cast<std::size_t>(y)]));
    }
    return measured;
}

}  // namespace kolo::test
