// ArtBundle: the board's bitmaps and font as the web page ships them, one compressed file
// that the page unpacks and hands over. Records follow each other: a little-endian 32-bit
// id, a 32-bit size, then that many bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/EmbeddedFile.h"

namespace kolo {

constexpr int kArtIdIcon = 1;   // the About box's 32 × 32 icon, a BMP
constexpr int kArtIdFont = 2;   // the board's TrueType font

// Splits `bytes` into files that point into it; false (and `files` empty) when a record runs
// past the end.
bool SplitArtBundle(const std::uint8_t* bytes, std::size_t size, std::vector<EmbeddedFile>& files);

}  // namespace kolo
