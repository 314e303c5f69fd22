// BMP files: a 14-byte file header ("BM"), an info header, a colour table and pixel rows.
//
// LoadBmpBytes fills `image` with the file's picture as 24-bit bottom-up rows and returns 1, or
// returns 0 and leaves `image` empty. Read: 12-byte core headers; 40-byte info headers and the
// 52-, 56-, 108- and 124-byte headers that extend them (read as the 40-byte header plus their
// colour masks); depths 1, 4 and 8 through the colour table (biClrUsed honoured when not 0;
// indices past the table are black), 16 and 32 through colour masks (BI_BITFIELDS, else
// 5-5-5 and 8-8-8; the alpha byte is dropped), and 24; run-length encoded 8- and 4-bit rows
// (BI_RLE8, BI_RLE4); rows stored bottom-up or top-down (negative height). Other compressions
// (JPEG or PNG inside a BMP) and other header lengths are rejected. bfOffBits is not read:
// rows start right after the colour table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/DibImage.h"
#include "sources/DecodeCost.h"

namespace kolo {

int LoadBmp(CDibImage& image, const std::string& path);

// The same, from the `size` bytes of a whole file at `data`.
int LoadBmpBytes(CDibImage& image, const std::uint8_t* data, std::size_t size);

// The same for a picture that will be fitted into fitWidth × fitHeight. An uncompressed 24-bit
// picture stored bottom-up and larger than its fit comes out already fitted (at its fit size,
// without the paper), resized straight from the file's rows: the pixels that decoding and then
// fitting give, without a full-size copy of the picture.
int LoadBmpBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                      std::int32_t fitWidth, std::int32_t fitHeight);

// What LoadBmpBytesToFit will take for the file (DecodeCost.h): the picture, or the steps of
// fitting it straight from the file's rows.
DecodeCost BmpDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                         std::int32_t fitHeight);

}  // namespace kolo
