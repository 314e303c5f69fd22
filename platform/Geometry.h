// Rectangles and packed colours shared by the core and the platform layers.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kolo {

// Left, top, right, bottom in device pixels (y downwards); right and bottom are exclusive.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    bool Contains(std::int32_t x, std::int32_t y) const {
        return left <= x && x < right && top <= y && y < bottom;
    }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool IsEmpty() const { return left >= right || top >= bottom; }
};

// The smallest rectangle holding both; an empty one adds nothing.
inline Rect Union(const Rect& a, const Rect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// The part both cover; empty (IsEmpty) when they do not meet.
inline Rect Intersect(const Rect& a, const Rect& b) {
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

// A colour packed as 0x00BBGGRR, red in the lowest byte: the platform's colour order.
using ColourRef = std::uint32_t;

constexpr ColourRef MakeColourRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<ColourRef>(red) | (static_cast<ColourRef>(green) << 8) |
           (static_cast<ColourRef>(blue) << 16);
}
constexpr std::uint8_t RedOf(ColourRef c) { return static_cast<std::uint8_t>(c); }
constexpr std::uint8_t GreenOf(ColourRef c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t BlueOf(ColourRef c) { return static_cast<std::uint8_t>(c >> 16); }

}  // namespace kolo
