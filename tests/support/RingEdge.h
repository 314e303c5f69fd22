// A page with one ring, and how smoothly a print shows its edge: shared by the print tests of
// the headless driver and the window.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace kolo::test {

// A white width × height picture (RGB, rows top-down) with a black ring of `thickness`
// pixels whose outer radius is 0.4 × height, centred.
std::vector<std::uint8_t> RingPixels(int width, int height, double thickness);

struct RingEdge {
    int span = 0;      // rows between the ring's topmost and lowest dark pixel
    int longest = 0;   // the longest step of its outer left edge from one row to the next,
                       // where the edge runs near 45°
};

// The ring's outer left edge on a printed page of width × height dots, of which `dark` says
// which are ink.
RingEdge MeasureRingEdge(int width, int height, const std::function<bool(int x, int y)>& dark);

}  // namespace kolo::test
