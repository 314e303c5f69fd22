// Whole-file reading for the picture loaders: every decoder reads from a byte span, so a file
// on disk is read into memory first, in one piece, with a cap on its length.
//
// Nothing here throws: failure is false, with the output left as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DibImage.h"
#include "image/ImageLimits.h"
#include "platform/MemoryBlock.h"

namespace kolo {

// The longest picture file read. The largest legitimate one is an uncompressed 32-bit BMP of
// the largest picture with its header and colour table; this stops a huge file of anything
// else from being read into memory.
constexpr std::size_t kMaxPictureFileBytes =
    static_cast<std::size_t>(kMaxImagePixels * 4 + (std::int64_t{16} << 20));

// Reads the whole file at `path` into `block`. False when the file cannot be opened or read,
// is empty, or is longer than `maxBytes`; `block` then stays as it was.
bool ReadWholeFile(const std::string& path, std::size_t maxBytes, MemoryBlock& block);

// What every decoder is: it fills `image` from the `size` bytes at `data` with a 24-bit
// bottom-up picture and returns 1, or returns 0 and leaves `image` empty.
using PictureReader = int (*)(CDibImage& image, const std::uint8_t* data, std::size_t size);

// The same, for a picture that will be fitted into fitWidth × fitHeight: the reader may give
// it at a smaller size that still covers its fit there (CDibImage::ResizeToFit), never larger.
using FittingReader = int (*)(CDibImage& image, const std::uint8_t* data, std::size_t size,
                              std::int32_t fitWidth, std::int32_t fitHeight);

// Reads the file at `path` (up to kMaxPictureFileBytes) and decodes it with `read`; 0 and an
// empty image when the file cannot be read.
int LoadPictureFile(CDibImage& image, const std::string& path, PictureReader read);

}  // namespace kolo
