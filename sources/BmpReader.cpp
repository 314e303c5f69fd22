// Reads a BMP file into an image.
//
// The bitmap after the 14-byte file header is already a packed DIB, so the reader checks what
// the header declares, copies the rest of the file into one block and lets the image adopt
// it. Everything wrong with a file rejects it: there is no partial picture. The declared size
// is checked against the image limits and against the file length before the block is
// allocated, so neither a huge claimed size nor a truncated file costs memory or reads past
// the data. Depths other than 1, 4, 8, 16, 24 and 32 bits are rejected as well.
#include "sources/BmpReader.h"

#include <cstdint>
#include <cstring>

#include "image/ImageLimits.h"
#include "image/PackedDib.h"
#include "platform/BitmapHeader.h"
#include "sources/FileStream.h"

namespace kolo {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;          // bfType, bfSize, reserved, bfOffBits
constexpr std::uint8_t kSignature[2] = {'B', 'M'};    // bfType, 0x4D42 little-endian
constexpr std::int64_t kCoreHeaderMinimum = 12;       // bcSize, bcWidth, bcHeight, planes, bits
constexpr std::int64_t kInfoEntryBytes = 4;           // RGBQUAD
constexpr std::int64_t kCoreEntryBytes = 3;           // RGBTRIPLE

// Header and colour table together may not exceed this; with the largest rows (64 million
// pixels of 32 bits) it bounds the block a file can make us allocate.
constexpr std::int64_t kMaxPreludeBytes = std::int64_t{16} << 20;
constexpr std::int64_t kMaxBlockBytes = kMaxImagePixels * 4 + kMaxPreludeBytes;

// Bytes the packed bitmap declares (header, colour table, rows), by the same layout rules the
// packed-bitmap functions apply, in 64 bits so that no field can wrap. `prelude` holds the
// first bytes of the packed bitmap, `available` of them valid. -1 when the header cannot be
// read or its size is unacceptable.
std::int64_t DeclaredBlockBytes(const std::uint8_t* prelude, std::int64_t available) {
    if (available < 4) return -1;
    const std::int64_t first = ReadLe32(prelude);
    const bool info = first == kInfoHeaderSize;
    if (available < (info ? kInfoHeaderSize : kCoreHeaderMinimum)) return -1;
    if (!info && first < kCoreHeaderMinimum) return -1;

    BitmapInfoHeader header;
    std::int64_t width = 0, height = 0, bits = 0, headerBytes = 0, colours = 0;
    if (info) {
        std::memcpy(&header, prelude, sizeof header);
        width = header.biWidth;
        height = header.biHeight;
        bits = header.biBitCount;
        headerBytes = header.biCompression == kBiBitfields ? kInfoHeaderSize + kBitfieldsMaskBytes
                                                           : kInfoHeaderSize;
        colours = header.biClrUsed;
    } else {
        width = ReadLe16(prelude + 4);
        height = ReadLe16(prelude + 6);
        bits = ReadLe16(prelude + 10);
        headerBytes = first;
        colours = 0;
    }
    if (!IsAcceptableImageSize(width, height)) return -1;
    // A depth no pixel reader knows would give a black picture of any size from a few bytes
    // of header: nothing to show, and a cheap way to make us allocate the largest picture.
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
    if (colours == 0) colours = bits <= 8 ? (std::int64_t{1} << bits) : 0;
    const std::int64_t prelude64 = headerBytes + colours * (info ? kInfoEntryBytes : kCoreEntryBytes);
    if (prelude64 > kMaxPreludeBytes) return -1;
    return prelude64 + RowStride(bits, width) * height;
}

}  // namespace

int LoadBmpBytes(CDibImage& image, const std::uint8_t* data, std::size_t size) {
    image.Release();
    if (data == nullptr || size < kFileHeaderBytes) return 0;
    if (data[0] != kSignature[0] || data[1] != kSignature[1]) return 0;
    const std::uint8_t* packed = data + kFileHeaderBytes;
    const std::int64_t rest = static_cast<std::int64_t>(size - kFileHeaderBytes);
    if (rest <= 0 || rest > kMaxBlockBytes) return 0;

    // Look at the header before committing memory to the whole bitmap.
    const std::int64_t declared = DeclaredBlockBytes(packed, rest < kInfoHeaderSize ? rest : kInfoHeaderSize);
    if (declared < 0 || declared > rest) return 0;

    MemoryBlock block = MemoryBlock::Allocate(static_cast<std::size_t>(rest));
    if (!block) return 0;
    std::memcpy(block.Data(), packed, block.Size());
    // On failure the block is still ours and goes with this scope.
    return image.AdoptPackedDib(block);
}

int LoadBmp(CDibImage& image, const std::string& path) {
    return LoadPictureFile(image, path, LoadBmpBytes);
}

}  // namespace kolo
