// JPEG files, decoded by the system's IJG-compatible JPEG library (libjpeg-turbo).
//
// LoadJpeg fills `image` with the file's picture as 24-bit bottom-up rows and returns 1, or
// returns 0 and leaves `image` empty. Greyscale files keep their 256 grey levels; every other
// file is reduced by the library to at most 128 colours (two-pass quantization with
// Floyd-Steinberg dithering; one-pass for four-component files, whose cyan, magenta and
// yellow are stored as red, green and blue). Fatal library errors fail the load silently;
// library warnings (a truncated file, for one) go to the library's default output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DibImage.h"

namespace kolo {

int LoadJpeg(CDibImage& image, const std::string& path);

// The same, from the `size` bytes of a whole file at `data`.
int LoadJpegBytes(CDibImage& image, const std::uint8_t* data, std::size_t size);

// The same for a picture that will be fitted into fitWidth × fitHeight (ResizeToFit): one
// much larger is decoded by the library at the fewest eighths of its size that still cover
// the fitted size, and then quantized. Fitting that smaller picture gives nearly the pixels
// fitting the whole one would, at a fraction of the time and memory. A fit size below 1
// decodes the full size.
int LoadJpegBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                       std::int32_t fitWidth, std::int32_t fitHeight);

}  // namespace kolo
