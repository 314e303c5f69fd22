// BMP files: a 14-byte file header ("BM") followed by a packed device-independent bitmap.
//
// LoadBmp fills `image` with the file's picture as 24-bit bottom-up rows and returns 1, or
// returns 0 and leaves `image` empty. Depths 1, 4 and 8 (through the colour table), 16
// (always 5-5-5), 24 and 32 load, other depths are rejected; 40-byte info headers and 12-byte core headers are read, and
// any other header length is taken for a core header (so the longer modern headers fail).
// bfOffBits is not read: rows start right after the colour table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DibImage.h"

namespace kolo {

int LoadBmp(CDibImage& image, const std::string& path);

// The same, from the `size` bytes of a whole file at `data`.
int LoadBmpBytes(CDibImage& image, const std::uint8_t* data, std::size_t size);

}  // namespace kolo
