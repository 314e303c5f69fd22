// Packed device-independent bitmaps: a whole Windows DIB (header, colour table, pixel rows)
// back to back in one MemoryBlock.
//
// The queries take a pointer to the start of such a block and follow the published layout:
// a first field of 40 selects BITMAPINFOHEADER, any other value BITMAPCOREHEADER; BI_BITFIELDS
// adds 12 bytes of masks to the header; biClrUsed, when not 0, gives the table length; rows are
// bottom-up and padded to 4 bytes. They trust the block: call DibFitsBlock first on anything
// that came from outside the program. Colours leave as four bytes blue, green, red, reserved
// (0x00RRGGBB read as one little-endian value), not in the platform's 0x00BBGGRR order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/MemoryBlock.h"

namespace kolo {

constexpr std::int32_t kInfoHeaderSize = 40;
constexpr std::int32_t kBitfieldsMaskBytes = 12;   // three 32-bit masks after the info header

std::int32_t DibHeaderLength(const std::uint8_t* dib);
const std::uint8_t* DibColourTable(const std::uint8_t* dib);
std::int32_t DibColourCount(const std::uint8_t* dib);
std::int32_t DibColourTableBytes(const std::uint8_t* dib);
const std::uint8_t* DibPixelData(const std::uint8_t* dib);
std::int32_t DibWidth(const std::uint8_t* dib);
std::int32_t DibHeight(const std::uint8_t* dib);
std::int32_t DibBitsPerPixel(const std::uint8_t* dib);
std::int32_t DibRowStride(const std::uint8_t* dib);
std::int32_t DibPixelOffset(const std::uint8_t* dib, std::int32_t x, std::int32_t row);

// Colour-table entry `index` as 0x00RRGGBB (bytes blue, green, red, reserved); 0 past the table.
std::uint32_t DibColourEntry(const std::uint8_t* dib, std::int32_t index);

// Row stride in bytes for a depth and width: rows are padded to a multiple of 4 bytes.
std::int32_t DibStrideFor(std::int32_t bitsPerPixel, std::int32_t width);

// A zero-filled block with an info header for 1 to 32 bits per pixel; depths of 8 bits or
// fewer get a grey-ramp colour table. Null for a size or depth out of range, or on failure.
MemoryBlock DibCreateBlank(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel);

// Writes the colour of pixel (x, row) into out[0..3] (blue, green, red, fourth byte), or
// leaves `out` untouched for a point outside the picture or a depth other than 1, 4, 8, 16,
// 24 or 32.
void DibReadPixel(const std::uint8_t* dib, std::int32_t x, std::int32_t row, std::uint8_t out[4]);

// True when a block of `size` bytes holds everything its header declares: the header itself,
// the colour table and every pixel row, for a positive size no larger than an image may be.
bool DibFitsBlock(const std::uint8_t* dib, std::size_t size);

}  // namespace kolo
