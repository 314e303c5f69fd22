#include "platform/soft/BmpResources.h"

#include <cstring>

#include "platform/BitmapHeader.h"

namespace kolo {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;   // "BM", file size, two reserved, pixel offset
constexpr std::size_t kPixelOffsetField = 10;  // offset of bfOffBits in the file header
constexpr std::int32_t kMaxResourceSide = 4096;

}  // namespace

std::unique_ptr<SoftBitmap> ReadBmp24(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < kFileHeaderBytes + sizeof(BitmapInfoHeader) ||
        bytes[0] != 'B' || bytes[1] != 'M') {
        return nullptr;
    }
    BitmapInfoHeader header;
    std::memcpy(&header, bytes + kFileHeaderBytes, sizeof header);
    if (header.biSize != sizeof(BitmapInfoHeader) || header.biBitCount != 24 ||
        header.biCompression != kBiRgb || header.biWidth <= 0 || header.biHeight <= 0 ||
        header.biWidth > kMaxResourceSide || header.biHeight > kMaxResourceSide) {
        return nullptr;
    }
    const std::size_t offset = ReadLe32(bytes + kPixelOffsetField);
    const std::size_t stride = static_cast<std::size_t>(RowStride(24, header.biWidth));
    if (offset > size || (size - offset) / stride < static_cast<std::size_t>(header.biHeight)) {
        return nullptr;
    }
    auto bitmap = std::make_unique<SoftBitmap>(header.biWidth, header.biHeight);
    FramebufferContext& surface = bitmap->Surface();
    for (std::int32_t row = 0; row < header.biHeight; ++row) {
        const std::uint8_t* src = bytes + offset + stride * static_cast<std::size_t>(row);
        std::uint8_t* dst = surface.Row(header.biHeight - 1 - row);
        for (std::int32_t x = 0; x < header.biWidth; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return bitmap;
}

const EmbeddedFile* BmpResources::Find(int id) const {
    for (std::size_t i = 0; i < count_; ++i) {
        if (files_[i].id == id) return &files_[i];
    }
    return nullptr;
}

std::unique_ptr<DeviceBitmap> BmpResources::LoadBitmap(int id) {
    const EmbeddedFile* file = Find(id);
    if (file == nullptr) return nullptr;
    return ReadBmp24(file->bytes, file->size);
}

}  // namespace kolo
