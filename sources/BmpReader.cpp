// Reads a BMP file into an image: headers, colour table, then the rows straight into the
// image's own 24-bit rows.
//
// Rejected (the load fails, nothing is kept): a wrong signature; a header length other than
// 12, 40, 52, 56, 108 or 124; a size out of the image limits; a depth the compression does not
// allow; colour masks that are not one run of bits inside the pixel; a compression other than
// none, RLE8, RLE4 and bit fields; a colour table or uncompressed rows that run past the end of
// the file. Every size is checked against the data before anything is allocated.
// Kept (recoverable): a run-length stream that ends early or lacks its end marker keeps the
// pixels decoded so far; runs that go past the row or the picture are clipped, and pixels a
// delta skips, like pixels never reached, take colour-table entry 0.
#include "sources/BmpReader.h"

#include <cstring>
#include <utility>

#include "image/ImageLimits.h"
#include "platform/BitmapHeader.h"
#include "sources/FileStream.h"

namespace kolo {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;          // bfType, bfSize, reserved, bfOffBits
constexpr std::uint8_t kSignature[2] = {'B', 'M'};    // bfType, 0x4D42 little-endian
constexpr std::uint32_t kCoreHeaderBytes = 12;        // BITMAPCOREHEADER
constexpr std::uint32_t kInfoHeaderBytes = 40;        // BITMAPINFOHEADER
// Headers that extend the info header: with the RGB masks (52), the alpha mask too (56), the
// colour space (108, V4) and the rendering intent and profile (124, V5).
constexpr std::uint32_t kExtendedHeaderBytes[] = {52, 56, 108, 124};
constexpr std::size_t kMaskBytes = 12;                // red, green, blue masks after a 40-byte header
constexpr std::size_t kInfoEntryBytes = 4;            // RGBQUAD
constexpr std::size_t kCoreEntryBytes = 3;            // RGBTRIPLE
constexpr std::size_t kPaletteEntries = 256;
// A table may declare more entries than any index reaches; reading them is bounded all the same.
constexpr std::uint64_t kMaxTableEntries = std::uint64_t{1} << 22;

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

// Run-length escapes: a zero count followed by one of these.
constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;                    // then two bytes: right, up

// Offsets of the info header's fields, from the header's start.
constexpr std::size_t kWidthField = 4, kHeightField = 8, kBitCountField = 14;
constexpr std::size_t kCompressionField = 16, kSizeImageField = 20, kClrUsedField = 32;
constexpr std::size_t kMasksField = 40;               // inside headers of 52 bytes and more
// The same for a core header, whose fields are 16 bits wide.
constexpr std::size_t kCoreWidthField = 4, kCoreHeightField = 6, kCoreBitCountField = 10;

// What the headers say, checked against the file.
struct BmpLayout {
    std::int32_t width = 0;          // pixels
    std::int32_t height = 0;         // pixels, positive
    bool topDown = false;            // rows stored top line first (negative biHeight)
    std::uint32_t bits = 0;          // bits per pixel
    std::uint32_t compression = kRgb;
    std::uint32_t masks[3] = {};     // red, green, blue bits of a 16- or 32-bit pixel
    std::size_t tableOffset = 0;     // from the start of the file
    std::size_t tableEntries = 0;
    std::size_t entryBytes = 0;      // kInfoEntryBytes or kCoreEntryBytes
    std::size_t pixelOffset = 0;     // first byte of the rows, from the start of the file
    std::size_t pixelEnd = 0;        // one past the last byte the rows may use
};

// One colour channel of a masked pixel: the run of bits, and a table from its values to 0-255.
struct Channel {
    unsigned shift = 0;              // position of the lowest bit
    unsigned width = 0;              // bits in the run; 0 for an empty mask
};

bool IsExtendedHeader(std::uint32_t length) {
    for (std::uint32_t known : kExtendedHeaderBytes) {
        if (length == known) return true;
    }
    return false;
}

// The run of set bits in `mask`; false when the bits are not one run.
bool MaskChannel(std::uint32_t mask, Channel& channel) {
    channel = Channel();
    if (mask == 0) return true;
    while (((mask >> channel.shift) & 1) == 0) ++channel.shift;
    const std::uint32_t run = mask >> channel.shift;
    while (channel.width < 32 && ((run >> channel.width) & 1) != 0) ++channel.width;
    return channel.width == 32 || (run >> channel.width) == 0;
}

// Reads the headers; false for anything the reader rejects.
bool ReadLayout(const std::uint8_t* data, std::size_t size, BmpLayout& layout) {
    if (size < kFileHeaderBytes + 4) return false;
    const std::uint8_t* header = data + kFileHeaderBytes;
    const std::uint32_t headerBytes = ReadLe32(header);
    const bool core = headerBytes == kCoreHeaderBytes;
    if (!core && headerBytes != kInfoHeaderBytes && !IsExtendedHeader(headerBytes)) return false;
    if (size - kFileHeaderBytes < headerBytes) return false;

    std::int64_t width = 0, height = 0;
    std::uint64_t entries = 0;
    if (core) {
        width = ReadLe16(header + kCoreWidthField);
        height = ReadLe16(header + kCoreHeightField);
        layout.bits = ReadLe16(header + kCoreBitCountField);
        layout.entryBytes = kCoreEntryBytes;
    } else {
        width = static_cast<std::int32_t>(ReadLe32(header + kWidthField));
        height = static_cast<std::int32_t>(ReadLe32(header + kHeightField));
        layout.bits = ReadLe16(header + kBitCountField);
        layout.compression = ReadLe32(header + kCompressionField);
        entries = ReadLe32(header + kClrUsedField);
        layout.entryBytes = kInfoEntryBytes;
    }
    layout.topDown = height < 0;
    if (height < 0) height = -height;
    if (!IsAcceptableImageSize(width, height)) return false;
    layout.width = static_cast<std::int32_t>(width);
    layout.height = static_cast<std::int32_t>(height);

    std::size_t tableOffset = kFileHeaderBytes + headerBytes;
    const std::uint32_t bits = layout.bits;
    switch (layout.compression) {
        case kRgb:
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
            break;
        case kRle8:
            if (bits != 8) return false;
            break;
        case kRle4:
            if (bits != 4) return false;
            break;
        case kBitfields: {
            // The masks move the colour table on whatever the depth; only 16 and 32 bits use them.
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
            // A 40-byte header is followed by the masks; the longer headers hold them.
            const std::uint8_t* masks = header + kMasksField;
            if (headerBytes == kInfoHeaderBytes) {
                if (size < tableOffset + kMaskBytes) return false;
                tableOffset += kMaskBytes;
            }
            for (int c = 0; c < 3; ++c) layout.masks[c] = ReadLe32(masks + 4 * c);
            break;
        }
        default:
            return false;   // JPEG or PNG inside a BMP, and anything newer
    }
    if (bits != 16 && bits != 32) {
        std::memset(layout.masks, 0, sizeof layout.masks);
    } else if (layout.compression != kBitfields) {
        // The defaults: 5-5-5 for 16 bits, 8-8-8 for 32.
        const std::uint32_t defaults16[3] = {0x7C00, 0x03E0, 0x001F};
        const std::uint32_t defaults32[3] = {0xFF0000, 0x00FF00, 0x0000FF};
        std::memcpy(layout.masks, bits == 16 ? defaults16 : defaults32, sizeof layout.masks);
    }
    for (std::uint32_t mask : layout.masks) {
        Channel unused;
        if ((bits == 16 && mask > 0xFFFF) || !MaskChannel(mask, unused)) return false;
    }

    if (entries == 0 && bits <= 8) entries = std::uint64_t{1} << bits;
    if (entries > kMaxTableEntries) return false;
    const std::uint64_t tableBytes = entries * layout.entryBytes;
    if (tableBytes > size - tableOffset) return false;
    layout.tableOffset = tableOffset;
    layout.tableEntries = static_cast<std::size_t>(entries);
    layout.pixelOffset = tableOffset + static_cast<std::size_t>(tableBytes);

    if (layout.compression == kRle8 || layout.compression == kRle4) {
        // The stream runs to biSizeImage when that is given and fits, else to the file's end.
        const std::uint32_t declared = ReadLe32(header + kSizeImageField);
        const std::size_t available = size - layout.pixelOffset;
        layout.pixelEnd = layout.pixelOffset + (declared != 0 && declared < available ? declared : available);
    } else {
        const std::uint64_t rowBytes = static_cast<std::uint64_t>(RowStride(bits, width)) * height;
        if (rowBytes > size - layout.pixelOffset) return false;
        layout.pixelEnd = layout.pixelOffset + static_cast<std::size_t>(rowBytes);
    }
    return true;
}

// The colour table as blue, green, red, 0 words; entries the file lacks are black.
void ReadPalette(const std::uint8_t* data, const BmpLayout& layout, std::uint32_t palette[kPaletteEntries]) {
    const std::size_t count = layout.tableEntries < kPaletteEntries ? layout.tableEntries : kPaletteEntries;
    const std::uint8_t* entry = data + layout.tableOffset;
    for (std::size_t i = 0; i < kPaletteEntries; ++i, entry += layout.entryBytes) {
        palette[i] = i < count ? (entry[0] | (entry[1] << 8) | (entry[2] << 16)) : 0;
    }
}

void StoreColour(std::uint8_t* pixel, std::uint32_t bgr) {
    pixel[0] = static_cast<std::uint8_t>(bgr);
    pixel[1] = static_cast<std::uint8_t>(bgr >> 8);
    pixel[2] = static_cast<std::uint8_t>(bgr >> 16);
}

// The image row that holds stored row `k`: stored rows go bottom-up unless the file is top-down.
std::uint8_t* ImageRow(CDibImage& image, const BmpLayout& layout, std::int64_t k) {
    const std::int64_t row = layout.topDown ? layout.height - 1 - k : k;
    return image.Pixels() + image.Stride() * static_cast<std::size_t>(row);
}

void ConvertIndexedRows(const std::uint8_t* data, const BmpLayout& layout, CDibImage& image) {
    std::uint32_t palette[kPaletteEntries];
    ReadPalette(data, layout, palette);
    const std::size_t stride = static_cast<std::size_t>(RowStride(layout.bits, layout.width));
    const unsigned bits = layout.bits;
    const unsigned perByte = 8 / bits;
    const unsigned valueMask = (1u << bits) - 1;
    for (std::int32_t k = 0; k < layout.height; ++k) {
        const std::uint8_t* src = data + layout.pixelOffset + stride * static_cast<std::size_t>(k);
        std::uint8_t* dst = ImageRow(image, layout, k);
        if (bits == 8) {
            for (std::int32_t x = 0; x < layout.width; ++x, dst += 3) StoreColour(dst, palette[src[x]]);
            continue;
        }
        // Pixels are packed most significant bits first.
        for (std::int32_t x = 0; x < layout.width; ++x, dst += 3) {
            const unsigned shift = 8 - bits * (1 + static_cast<unsigned>(x) % perByte);
            StoreColour(dst, palette[(src[static_cast<unsigned>(x) / perByte] >> shift) & valueMask]);
        }
    }
}

void ConvertMaskedRows(const std::uint8_t* data, const BmpLayout& layout, CDibImage& image) {
    const std::size_t stride = static_cast<std::size_t>(RowStride(layout.bits, layout.width));
    if (layout.bits == 24) {
        for (std::int32_t k = 0; k < layout.height; ++k) {
            std::memcpy(ImageRow(image, layout, k), data + layout.pixelOffset + stride * static_cast<std::size_t>(k),
                        static_cast<std::size_t>(layout.width) * 3);
        }
        return;
    }
    // Each channel's value scaled to 0-255: runs of 8 bits or more keep their top 8 bits,
    // shorter runs are stretched so that their largest value is 255.
    Channel channels[3];
    for (int c = 0; c < 3; ++c) MaskChannel(layout.masks[c], channels[c]);
    const unsigned bytesPerPixel = layout.bits / 8;
    for (std::int32_t k = 0; k < layout.height; ++k) {
        const std::uint8_t* src = data + layout.pixelOffset + stride * static_cast<std::size_t>(k);
        std::uint8_t* dst = ImageRow(image, layout, k);
        for (std::int32_t x = 0; x < layout.width; ++x, src += bytesPerPixel, dst += 3) {
            const std::uint32_t value = bytesPerPixel == 2 ? ReadLe16(src) : ReadLe32(src);
            for (int c = 0; c < 3; ++c) {
                const Channel& ch = channels[c];
                std::uint32_t v = 0;
                if (ch.width >= 8) {
                    v = static_cast<std::uint32_t>((std::uint64_t{value} >> (ch.shift + ch.width - 8)) & 0xFF);
                } else if (ch.width > 0) {
                    const std::uint32_t max = (1u << ch.width) - 1;
                    v = (((value >> ch.shift) & max) * 255 + max / 2) / max;
                }
                dst[2 - c] = static_cast<std::uint8_t>(v);   // stored blue, green, red
            }
        }
    }
}

// Decodes a BI_RLE8 or BI_RLE4 stream. Every pixel starts as entry 0; runs write colours
// where they fall inside the picture.
void DecodeRunLengths(const std::uint8_t* data, const BmpLayout& layout, CDibImage& image) {
    std::uint32_t palette[kPaletteEntries];
    ReadPalette(data, layout, palette);
    const bool four = layout.compression == kRle4;
    const std::int64_t width = layout.width;
    const std::int64_t height = layout.height;
    for (std::int64_t k = 0; k < height; ++k) {
        std::uint8_t* dst = ImageRow(image, layout, k);
        for (std::int64_t x = 0; x < width; ++x) StoreColour(dst + 3 * x, palette[0]);
    }

    const std::uint8_t* p = data + layout.pixelOffset;
    const std::uint8_t* const end = data + layout.pixelEnd;
    std::int64_t x = 0, y = 0;   // y counts stored rows
    // Writes `count` pixels from x on, the i-th of colour index(i), clipped to the row.
    auto put = [&](std::int64_t count, auto index) {
        if (y >= height) return;
        std::uint8_t* row = ImageRow(image, layout, y);
        const std::int64_t stop = x + count < width ? x + count : width;
        for (std::int64_t i = 0; x + i < stop; ++i) StoreColour(row + 3 * (x + i), palette[index(i)]);
        x += count;
    };
    while (end - p >= 2 && y < height) {
        const std::uint8_t count = p[0];
        const std::uint8_t value = p[1];
        p += 2;
        if (count > 0) {
            // Encoded run: one index, or for 4 bits two that alternate.
            put(count, [&](std::int64_t i) { return four ? ((i & 1) ? value & 0x0F : value >> 4) : value; });
        } else if (value == kEndOfLine) {
            x = 0;
            ++y;
        } else if (value == kEndOfBitmap) {
            break;
        } else if (value == kDelta) {
            if (end - p < 2) break;
            x += p[0];
            y += p[1];
            p += 2;
        } else {
            // Absolute run of `value` indices, padded to a whole number of 16-bit words.
            const std::int64_t bytes = four ? (value + 1) / 2 : value;
            const std::int64_t padded = (bytes + 1) & ~std::int64_t{1};
            if (end - p < bytes) break;
            const std::uint8_t* literal = p;
            put(value, [&](std::int64_t i) {
                return four ? ((i & 1) ? literal[i / 2] & 0x0F : literal[i / 2] >> 4) : literal[i];
            });
            p += end - p < padded ? end - p : padded;
        }
    }
}

// The signature and headers, as both the decoder and its cost read them.
bool ReadHeaders(const std::uint8_t* data, std::size_t size, BmpLayout& layout) {
    return data != nullptr && size >= kFileHeaderBytes && data[0] == kSignature[0] &&
           data[1] == kSignature[1] && ReadLayout(data, size, layout);
}

// Whether the picture is fitted straight from the file's rows, and to what size: an
// uncompressed 24-bit picture stored bottom-up and larger than its fit.
bool FitsFromFileRows(const BmpLayout& layout, std::int32_t fitWidth, std::int32_t fitHeight, FitSize& fit) {
    if (fitWidth < 1 || fitHeight < 1 || layout.compression != kRgb || layout.bits != 24 || layout.topDown) {
        return false;
    }
    fit = FitInside(layout.width, layout.height, fitWidth, fitHeight);
    return fit.width <= layout.width && fit.height <= layout.height &&
           (fit.width < layout.width || fit.height < layout.height);
}

}  // namespace

int LoadBmpBytes(CDibImage& image, const std::uint8_t* data, std::size_t size) {
    BmpLayout layout;
    if (!ReadHeaders(data, size, layout)) {
        image.Release();
        return 0;
    }
    // Every pixel is written below (run-length pictures are cleared to entry 0 first), so the
    // image's own memory is reused as it stands.
    if (!image.Reallocate(layout.width, layout.height)) return 0;
    if (layout.compression == kRle8 || layout.compression == kRle4) {
        DecodeRunLengths(data, layout, image);
    } else if (layout.bits <= 8) {
        ConvertIndexedRows(data, layout, image);
    } else {
        ConvertMaskedRows(data, layout, image);
    }
    return 1;
}

int LoadBmpBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                      std::int32_t fitWidth, std::int32_t fitHeight) {
    BmpLayout layout;
    FitSize fit{};
    if (ReadHeaders(data, size, layout) && FitsFromFileRows(layout, fitWidth, fitHeight, fit)) {
        // The file's rows are laid out as an image's (ReadLayout checked that they are all
        // there), so they are fitted where they lie. The image's memory goes first: the file
        // and a full-size picture are never held together.
        image.Release();
        const PixelRows rows{data + layout.pixelOffset, Stride24(layout.width), layout.width,
                             layout.height};
        CDibImage fitted = ResizedRows(rows, fit.width, fit.height);
        if (fitted.HasPicture()) {
            image = std::move(fitted);
            return 1;
        }
    }
    return LoadBmpBytes(image, data, size);
}

DecodeCost BmpDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                         std::int32_t fitHeight) {
    BmpLayout layout;
    if (!ReadHeaders(data, size, layout)) return DecodeCost{};
    FitSize fit{};
    if (FitsFromFileRows(layout, fitWidth, fitHeight, fit)) {
        // Resized straight from the file's rows: its steps are all the decode holds.
        return DecodeCost{fit.width, fit.height, FitBytes(layout.width, layout.height, fit.width, fit.height)};
    }
    return DecodeCost{layout.width, layout.height, PictureBytes(layout.width, layout.height)};
}

int LoadBmp(CDibImage& image, const std::string& path) {
    return LoadPictureFile(image, path, LoadBmpBytes);
}

}  // namespace kolo
