// What a decode will cost, declared by each reader before it decodes.
//
// Every format has one cost function, read from the same parse its decoder starts with, so the
// loader that weighs a file and the decoder that reads it cannot disagree. It takes the whole
// file and the fit the picture is meant for (both 0: the full size) and gives the size of the
// picture the decoder will hand back and the most memory the decode holds at once: the picture
// itself, the reader's own buffers and those of any library it drives. A decode that would need
// more than it declared fails instead, and a declaration above kMaxDecodeBytes is refused by
// its reader, so a small file can never make the program take more than that for one picture.
//
// A new format adds a function of this type beside its reader and names it in its row of
// PictureFormats. An empty cost (width 0) means that its reader will refuse the file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"
#include "image/ImageLimits.h"

namespace kolo {

struct DecodeCost {
    std::int32_t width = 0;       // of the decoded picture at most, pixels; 0: refused
    std::int32_t height = 0;
    std::uint64_t peakBytes = 0;  // memory held at once while decoding, the picture included

    bool Refused() const { return width <= 0 || height <= 0; }
    // Within what any one decode may take.
    bool Acceptable() const { return !Refused() && peakBytes <= kMaxDecodeBytes; }
};

using CostReader = DecodeCost (*)(const std::uint8_t* data, std::size_t size,
                                  std::int32_t fitWidth, std::int32_t fitHeight);

// The bytes of a 24-bit picture of width × height as CDibImage holds it.
constexpr std::uint64_t PictureBytes(std::int64_t width, std::int64_t height) {
    return width <= 0 || height <= 0
               ? 0
               : static_cast<std::uint64_t>(Stride24(static_cast<std::int32_t>(width))) *
                     static_cast<std::uint64_t>(height);
}

// What fitting a picture of up to width × height into fitWidth × fitHeight holds besides the
// picture: the resize works in at most two steps, rows then columns or the other way, each into
// a new picture held while the next is made, with the tables and sums of one line, and the
// fitted picture is then put on paper of the fit's size. A file may give a smaller picture
// than it declares, of another shape, that is enlarged where the declared one would shrink, so
// the bound takes the whole box for the fitted picture rather than the declared shape's fit.
inline std::uint64_t FitBytes(std::int32_t width, std::int32_t height, std::int32_t fitWidth,
                              std::int32_t fitHeight) {
    if (width <= 0 || height <= 0 || fitWidth <= 0 || fitHeight <= 0) return 0;
    const std::int64_t w = std::max<std::int64_t>(width, fitWidth);
    const std::int64_t h = std::max<std::int64_t>(height, fitHeight);
    const std::uint64_t firstStep = std::max(PictureBytes(w, fitHeight), PictureBytes(fitWidth, h));
    // Each step's tables and sums for one line or column, a few bytes a pixel of the longest.
    constexpr std::uint64_t kLineBytesPerPixel = 32;
    constexpr std::uint64_t kLineSlackBytes = 4096;
    const std::uint64_t lines = kLineBytesPerPixel * static_cast<std::uint64_t>(std::max(w, h)) + kLineSlackBytes;
    return firstStep + PictureBytes(fitWidth, fitHeight) + lines;
}

}  // namespace kolo
