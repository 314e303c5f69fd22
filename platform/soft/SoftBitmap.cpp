#include "platform/soft/SoftBitmap.h"

#include "platform/BitmapHeader.h"

namespace kolo {

void SoftBitmap::ReadRows24(std::uint8_t* rows) const {
    const int width = surface_.Width();
    const std::size_t stride = static_cast<std::size_t>(RowStride(24, width));
    for (int row = 0; row < surface_.Height(); ++row) {
        // Row 0 of a DIB is the bottom line of the picture; the framebuffer is top-down RGB.
        const std::uint8_t* src = surface_.Row(surface_.Height() - 1 - row);
        std::uint8_t* dst = rows + stride * static_cast<std::size_t>(row);
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        for (std::size_t pad = static_cast<std::size_t>(width) * 3; pad < stride; ++pad) {
            rows[stride * static_cast<std::size_t>(row) + pad] = 0;
        }
    }
}

}  // namespace kolo
