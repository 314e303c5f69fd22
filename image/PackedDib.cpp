#include "image/PackedDib.h"

#include <cstring>

#include "image/ImageLimits.h"
#include "platform/BitmapHeader.h"

namespace kolo {
namespace {

constexpr std::int32_t kCoreWidthOffset = 4;      // bcWidth, unsigned 16 bits
constexpr std::int32_t kCoreHeightOffset = 6;     // bcHeight, unsigned 16 bits
constexpr std::int32_t kCoreBitCountOffset = 10;  // bcBitCount, 16 bits
constexpr std::int32_t kCoreHeaderMinimum = 12;   // bytes a core header needs for those fields
constexpr std::int32_t kInfoEntryBytes = 4;       // RGBQUAD
constexpr std::int32_t kCoreEntryBytes = 3;       // RGBTRIPLE

bool IsInfoHeader(const std::uint8_t* dib) {
    return ReadLe32(dib) == static_cast<std::uint32_t>(kInfoHeaderSize);
}

BitmapInfoHeader ReadInfoHeader(const std::uint8_t* dib) {
    BitmapInfoHeader header;
    std::memcpy(&header, dib, sizeof header);
    return header;
}

// Colour count by the layout rule, kept 64 bits wide so that a hostile biClrUsed cannot wrap.
std::int64_t ColourCount64(const std::uint8_t* dib) {
    if (IsInfoHeader(dib)) {
        const std::uint32_t used = ReadInfoHeader(dib).biClrUsed;
        if (used != 0) return used;
    }
    const std::int32_t bits = DibBitsPerPixel(dib);
    return bits <= 8 ? (std::int64_t{1} << bits) : 0;
}

std::int32_t EntryBytes(const std::uint8_t* dib) {
    return IsInfoHeader(dib) ? kInfoEntryBytes : kCoreEntryBytes;
}

}  // namespace

std::int32_t DibHeaderLength(const std::uint8_t* dib) {
    if (IsInfoHeader(dib)) {
        return ReadInfoHeader(dib).biCompression == kBiBitfields
                   ? kInfoHeaderSize + kBitfieldsMaskBytes
                   : kInfoHeaderSize;
    }
    return static_cast<std::int32_t>(ReadLe32(dib));
}

const std::uint8_t* DibColourTable(const std::uint8_t* dib) {
    return dib + DibHeaderLength(dib);
}

std::int32_t DibColourCount(const std::uint8_t* dib) {
    return static_cast<std::int32_t>(ColourCount64(dib));
}

std::int32_t DibColourTableBytes(const std::uint8_t* dib) {
    return static_cast<std::int32_t>(ColourCount64(dib) * EntryBytes(dib));
}

const std::uint8_t* DibPixelData(const std::uint8_t* dib) {
    return dib + DibColourTableBytes(dib) + DibHeaderLength(dib);
}

std::int32_t DibWidth(const std::uint8_t* dib) {
    return IsInfoHeader(dib) ? ReadInfoHeader(dib).biWidth : ReadLe16(dib + kCoreWidthOffset);
}

std::int32_t DibHeight(const std::uint8_t* dib) {
    return IsInfoHeader(dib) ? ReadInfoHeader(dib).biHeight : ReadLe16(dib + kCoreHeightOffset);
}

std::int32_t DibBitsPerPixel(const std::uint8_t* dib) {
    return IsInfoHeader(dib) ? ReadInfoHeader(dib).biBitCount
                             : ReadLe16(dib + kCoreBitCountOffset);
}

std::int32_t DibStrideFor(std::int32_t bitsPerPixel, std::int32_t width) {
    return static_cast<std::int32_t>(RowStride(bitsPerPixel, width));
}

std::int32_t DibRowStride(const std::uint8_t* dib) {
    return DibStrideFor(DibBitsPerPixel(dib), DibWidth(dib));
}

std::int32_t DibPixelOffset(const std::uint8_t* dib, std::int32_t x, std::int32_t row) {
    const std::int64_t offset = ((std::int64_t{x} * DibBitsPerPixel(dib)) >> 3) +
                                std::int64_t{row} * DibRowStride(dib);
    return static_cast<std::int32_t>(offset);
}

std::uint32_t DibColourEntry(const std::uint8_t* dib, std::int32_t index) {
    if (index < 0 || index >= ColourCount64(dib)) return 0;
    const std::uint8_t* entry = DibColourTable(dib) + index * EntryBytes(dib);
    // A core entry has no fourth byte; its reserved byte reads as 0.
    const std::uint32_t reserved = IsInfoHeader(dib) ? entry[3] : 0;
    return static_cast<std::uint32_t>(entry[0]) | (static_cast<std::uint32_t>(entry[1]) << 8) |
           (static_cast<std::uint32_t>(entry[2]) << 16) | (reserved << 24);
}

MemoryBlock DibCreateBlank(std::int32_t width, std::int32_t height, std::int32_t bitsPerPixel) {
    if (width < 1 || height < 1 || bitsPerPixel < 1 || bitsPerPixel > 32) return MemoryBlock();
    const std::int64_t imageSize = RowStride(bitsPerPixel, width) * height;
    const std::int64_t colours = bitsPerPixel > 8 ? 0 : (std::int64_t{1} << bitsPerPixel);
    const std::int64_t blockSize = imageSize + colours * kInfoEntryBytes + kInfoHeaderSize;
    if (blockSize > INT32_MAX) return MemoryBlock();

    MemoryBlock block = MemoryBlock::Allocate(static_cast<std::size_t>(blockSize));
    if (!block) return block;

    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<std::uint16_t>(bitsPerPixel);
    header.biSizeImage = static_cast<std::uint32_t>(imageSize);
    header.biClrUsed = static_cast<std::uint32_t>(colours);
    std::memcpy(block.Data(), &header, sizeof header);

    // Grey ramp: 8 bits give 0, 1, … 255; 4 bits 0, 16, … 240; 1 bit 0 and 128.
    std::uint8_t* table = block.Data() + kInfoHeaderSize;
    for (std::int64_t i = 0; i < colours; ++i) {
        const auto level = static_cast<std::uint8_t>((i * (256 >> bitsPerPixel)) % 256);
        table[i * 4 + 0] = level;
        table[i * 4 + 1] = level;
        table[i * 4 + 2] = level;
    }
    return block;
}

void DibReadPixel(const std::uint8_t* dib, std::int32_t x, std::int32_t row, std::uint8_t out[4]) {
    if (x < 0 || x >= DibWidth(dib) || row < 0 || row >= DibHeight(dib)) return;
    const std::uint8_t* p = DibPixelData(dib) + DibPixelOffset(dib, x, row);
    std::uint32_t colour = 0;
    switch (DibBitsPerPixel(dib)) {
        case 1:
            // The most significant bit is the leftmost pixel.
            colour = DibColourEntry(dib, (*p >> (7 - (x % 8))) & 1);
            break;
        case 4:
            colour = DibColourEntry(dib, (x % 2 == 0) ? (*p >> 4) : (*p & 0x0F));
            break;
        case 8:
            colour = DibColourEntry(dib, *p);
            break;
        case 16: {
            // 5-5-5 always; bit 15 is ignored and BI_BITFIELDS masks are not consulted.
            const std::uint32_t w = p[0] + 256u * p[1];
            out[0] = static_cast<std::uint8_t>((w << 3) & 0xF8);
            out[1] = static_cast<std::uint8_t>((w >> 2) & 0xF8);
            out[2] = static_cast<std::uint8_t>((w >> 7) & 0xF8);
            out[3] = 0;
            return;
        }
        case 24:
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
            out[3] = 0;
            return;
        case 32:
            // The fourth byte is passed on as stored.
            std::memcpy(out, p, 4);
            return;
        default:
            return;
    }
    out[0] = static_cast<std::uint8_t>(colour);
    out[1] = static_cast<std::uint8_t>(colour >> 8);
    out[2] = static_cast<std::uint8_t>(colour >> 16);
    out[3] = static_cast<std::uint8_t>(colour >> 24);
}

bool DibFitsBlock(const std::uint8_t* dib, std::size_t size) {
    if (dib == nullptr || size < 4) return false;
    const std::uint32_t first = ReadLe32(dib);
    if (first == static_cast<std::uint32_t>(kInfoHeaderSize)) {
        if (size < static_cast<std::size_t>(kInfoHeaderSize)) return false;
    } else if (first < static_cast<std::uint32_t>(kCoreHeaderMinimum) || first > size) {
        return false;
    }
    const std::int64_t headerLength = IsInfoHeader(dib) ? DibHeaderLength(dib) : first;
    const std::int64_t width = DibWidth(dib);
    const std::int64_t height = DibHeight(dib);
    if (!IsAcceptableImageSize(width, height)) return false;
    const std::int64_t tableBytes = ColourCount64(dib) * EntryBytes(dib);
    const std::int64_t rowBytes = RowStride(DibBitsPerPixel(dib), width) * height;
    return headerLength + tableBytes + rowBytes <= static_cast<std::int64_t>(size);
}

}  // namespace kolo
