// JPEG files, decoded by the system's IJG-compatible JPEG library (libjpeg-turbo).
//
// LoadJpeg fills `image` with the file's picture as 24-bit bottom-up rows and returns 1, or
// returns 0 and leaves `image` empty. Greyscale files keep their 256 grey levels; colour files
// are reduced to at most 128 colours exactly as the library's two-pass quantizer would reduce
// them (median cut, Floyd-Steinberg dithering); four-component files are reduced by the
// library in one pass, their cyan, magenta and yellow stored as red, green and blue. Files of
// any other number of components, and fatal library errors, fail the load silently; library
// warnings (a truncated file, for one) are dropped and the completed picture kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DibImage.h"
#include "sources/DecodeCost.h"

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

// What LoadJpegBytesToFit will take for the file and fit (DecodeCost.h), read from the header
// by the library as the decode reads it: the picture at its scaled size, the quantizer's
// tables, and the library's buffers, every coefficient of the picture included when it is
// progressive or its components come in scans of their own. The decode holds the library to
// its part and fails when it would need more.
DecodeCost JpegDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                          std::int32_t fitHeight);

}  // namespace kolo
