// PNG files, decoded by the system's libpng.
//
// LoadPngBytes fills `image` with the file's picture as 24-bit bottom-up rows and returns 1, or
// returns 0 and leaves `image` empty. Every colour type and bit depth loads, interlaced or not:
// palettes and low-depth grey expand to 8 bits a channel, 16-bit samples keep their high byte,
// grey becomes three equal channels, and transparency (an alpha channel or a tRNS chunk) is
// laid over white paper. Gamma, colour-space and background chunks have no effect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DibImage.h"
#include "sources/DecodeCost.h"

namespace kolo {

int LoadPngBytes(CDibImage& image, const std::uint8_t* data, std::size_t size);

// The same, from the file at `path`.
int LoadPng(CDibImage& image, const std::string& path);

// What LoadPngBytes will take for the file (DecodeCost.h), read by libpng from the chunks
// before the pixel data as the decode reads them: the picture, one row of four-byte pixels
// when it has transparency (interlaced or not: each pass is laid over the paper as it comes),
// and libpng's rows and tables, to which the decode holds libpng.
DecodeCost PngDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                         std::int32_t fitHeight);

}  // namespace kolo
