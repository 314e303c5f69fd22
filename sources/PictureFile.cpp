#include "sources/PictureFile.h"

#include <cstring>

namespace kolo {
namespace {

std::uint64_t Le16(const std::uint8_t* p) { return p[0] | (std::uint64_t{p[1]} << 8); }
std::uint64_t Be16(const std::uint8_t* p) { return (std::uint64_t{p[0]} << 8) | p[1]; }
std::uint64_t Be32(const std::uint8_t* p) { return (Be16(p) << 16) | Be16(p + 2); }
std::int64_t SignedLe32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Le16(p) | (Le16(p + 2) << 16)));
}

std::uint64_t BmpPixels(const std::uint8_t* data, std::size_t size) {
    if (size < 26) return 0;
    if (Le16(data + 14) == 12) return Le16(data + 18) * Le16(data + 20);   // the oldest header
    const std::int64_t width = SignedLe32(data + 18);
    const std::int64_t height = SignedLe32(data + 22);   // negative: stored top-down
    return static_cast<std::uint64_t>(width < 0 ? -width : width) *
           static_cast<std::uint64_t>(height < 0 ? -height : height);
}

std::uint64_t GifPixels(const std::uint8_t* data, std::size_t size) {
    if (size < 13) return 0;
    std::size_t at = 13;
    if (data[10] & 0x80) at += std::size_t{3} << ((data[10] & 7) + 1);   // the global table
    while (at < size) {
        if (data[at] == 0x2C) return at + 9 <= size ? Le16(data + at + 5) * Le16(data + at + 7) : 0;
        if (data[at] != 0x21) return 0;
        at += 2;   // an extension's introducer and label, then its sub-blocks
        while (at < size && data[at] != 0) at += data[at] + std::size_t{1};
        ++at;
    }
    return 0;
}

std::uint64_t JpegPixels(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) return 0;
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) {   // fill before a marker
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {   // markers with no length
            at += 2;
            continue;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                           marker != 0xCC;
        if (frame) return at + 9 <= size ? Be16(data + at + 5) * Be16(data + at + 7) : 0;
        const std::size_t length = Be16(data + at + 2);
        if (length < 2) return 0;
        at += 2 + length;
    }
    return 0;
}

}  // namespace

const std::vector<PictureFormat>& PictureFormats() {
    // The order is fixed: a name holding several extensions goes to the first row listed.
    static const std::vector<PictureFormat> formats = {
        {".bmp", LoadBmpBytes, LoadBmpBytesToFit},
        {".gif", LoadGifBytes, nullptr},
        {".jpg", LoadJpegBytes, LoadJpegBytesToFit},
        {".png", LoadPngBytes, nullptr},
    };
    return formats;
}

std::string LowerAscii(std::string text) {
    // Only ASCII letters change: a name may hold double-byte characters whose trailing bytes
    // must stay as they are, whatever the locale says.
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

const PictureFormat* FindPictureFormat(const std::string& name) {
    const std::string lower = LowerAscii(name);
    for (const PictureFormat& format : PictureFormats()) {
        if (lower.find(format.extension) != std::string::npos) return &format;
    }
    return nullptr;
}

int LoadPictureBytes(CDibImage& image, const std::uint8_t* data, std::size_t size,
                     const std::string& name) {
    const PictureFormat* format = FindPictureFormat(name);
    if (format == nullptr) return 0;
    // Every reader empties the image when it fails, and otherwise may reuse its memory.
    return format->read(image, data, size);
}

int LoadPictureBytes(CDibImage& image, const std::uint8_t* data, std::size_t size,
                     const std::string& name, std::int32_t fitWidth, std::int32_t fitHeight) {
    const PictureFormat* format = FindPictureFormat(name);
    if (format == nullptr) return 0;
    if (format->readToFit == nullptr) return format->read(image, data, size);
    return format->readToFit(image, data, size, fitWidth, fitHeight);
}

std::uint64_t DeclaredPixels(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) return 0;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return BmpPixels(data, size);
    if (size >= 4 && std::memcmp(data, "GIF8", 4) == 0) return GifPixels(data, size);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) return JpegPixels(data, size);
    if (size >= 24 && std::memcmp(data, "\x89PNG", 4) == 0) return Be32(data + 16) * Be32(data + 20);
    return 0;
}

int LoadFile(CDibImage& image, const std::string& path) {
    const PictureFormat* format = FindPictureFormat(path);
    if (format == nullptr) return 0;
    return LoadPictureFile(image, path, format->read);
}

}  // namespace kolo
