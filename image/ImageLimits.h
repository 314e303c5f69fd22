// The largest picture the program accepts. Every path that sizes pixels from outside data
// checks against these before it allocates, so a small hostile file cannot demand gigabytes.
#pragma once

#include <cstdint>

namespace kolo {

constexpr std::int64_t kMaxImageSide = 16384;         // pixels, either dimension
constexpr std::int64_t kMaxImagePixels = 64000000;    // width × height
// The most one decode may hold at once, as its reader declares it: the largest picture with
// room for a reader's own buffers, yet a progressive or four-component JPEG of the largest size
// (whose library keeps every coefficient) is refused rather than taking half a gigabyte.
constexpr std::uint64_t kMaxDecodeBytes = std::uint64_t{256} << 20;

constexpr bool IsAcceptableImageSize(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

}  // namespace kolo
