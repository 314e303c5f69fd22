// The published 40-byte Windows bitmap info header, as laid out in files and packed bitmaps.
// All fields are little-endian; the struct is only ever copied to and from byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kolo {

// Bytes in one row of pixels `bitsPerPixel` deep and `width` wide: rows are padded to a
// multiple of 4 bytes. 64 bits wide so that no width read from a file can wrap it.
constexpr std::int64_t RowStride(std::int64_t bitsPerPixel, std::int64_t width) {
    return ((bitsPerPixel * width + 31) >> 3) & ~std::int64_t{3};
}

// Little-endian fields as files store them, read byte by byte whatever the host's order.
constexpr std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
constexpr std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct BitmapInfoHeader {
    std::uint32_t biSize = 40;          // header length in bytes
    std::int32_t biWidth = 0;           // width in pixels
    std::int32_t biHeight = 0;          // height in pixels; positive means rows stored bottom-up
    std::uint16_t biPlanes = 1;         // always 1
    std::uint16_t biBitCount = 0;       // bits per pixel
    std::uint32_t biCompression = 0;    // 0 = BI_RGB, 3 = BI_BITFIELDS
    std::uint32_t biSizeImage = 0;      // bytes of pixel rows (stride × height)
    std::int32_t biXPelsPerMeter = 0;   // horizontal resolution, unused
    std::int32_t biYPelsPerMeter = 0;   // vertical resolution, unused
    std::uint32_t biClrUsed = 0;        // colour-table entries, 0 = the default for the depth
    std::uint32_t biClrImportant = 0;   // unused
};
static_assert(sizeof(BitmapInfoHeader) == 40, "the header is read and written as 40 raw bytes");

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

}  // namespace kolo
