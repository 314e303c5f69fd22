#include "platform/DeviceBitmap.h"

#include <cstring>

#include "platform/BitmapHeader.h"

namespace kolo {

MemoryBlock DibFromDeviceBitmap(const DeviceBitmap& bitmap) {
    const std::int32_t width = bitmap.Width();
    const std::int32_t height = bitmap.Height();
    if (width <= 0 || height <= 0) return MemoryBlock();
    const std::size_t stride = static_cast<std::size_t>(RowStride(24, width));
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    MemoryBlock block = MemoryBlock::Allocate(imageSize + sizeof(BitmapInfoHeader));
    if (!block) return block;
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = 24;
    header.biCompression = kBiRgb;
    header.biSizeImage = static_cast<std::uint32_t>(imageSize);
    std::memcpy(block.Data(), &header, sizeof header);
    bitmap.ReadRows24(block.Data() + sizeof header);
    return block;
}

}  // namespace kolo
