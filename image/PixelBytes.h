// Helpers for the three-byte pixels of CDibImage rows (blue, green, red), internal to image/.
#pragma once

#include <cstdint>
#include <cstring>

namespace kolo {

// The pixel as one value 0x00RRGGBB, so that a colour test is one comparison.
inline std::uint32_t PixelValue(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}

constexpr std::uint32_t MakePixelValue(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint32_t>(blue) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(red) << 16);
}

inline void StorePixel(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
}

// Counts the pixels from `p` on, at most `limit`, that are pure white. White is the one colour
// whose bytes are all 0xFF, so whole words can be tested wherever they fall in the row.
inline std::int32_t WhiteRunLength(const std::uint8_t* p, std::int32_t limit) {
    constexpr std::int32_t kPixelsPerStep = 8;   // 24 bytes: three 64-bit words
    std::int32_t n = 0;
    while (n + kPixelsPerStep <= limit) {
        std::uint64_t a, b, c;
        std::memcpy(&a, p + 3 * n, 8);
        std::memcpy(&b, p + 3 * n + 8, 8);
        std::memcpy(&c, p + 3 * n + 16, 8);
        if ((a & b & c) != ~std::uint64_t{0}) break;
        n += kPixelsPerStep;
    }
    while (n < limit && PixelValue(p + 3 * n) == 0xFFFFFF) ++n;
    return n;
}

constexpr std::uint32_t kBlackPixel = 0x000000;
constexpr std::uint32_t kWhitePixel = 0xFFFFFF;

}  // namespace kolo
