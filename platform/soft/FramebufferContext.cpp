#include "platform/soft/FramebufferContext.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/soft/MemoryContext.h"
#include "platform/soft/TextRenderer.h"

namespace kolo {
namespace {

// Only the core's own 24-bit bottom-up rows are drawn here; anything else is refused.
bool IsDrawable24(const BitmapInfoHeader& header, const std::uint8_t* bits) {
    return bits != nullptr && header.biBitCount == 24 && header.biCompression == kBiRgb &&
           header.biWidth > 0 && header.biHeight > 0;
}

std::size_t Stride24(std::int32_t width) {
    return static_cast<std::size_t>(RowStride(24, width));
}

}  // namespace

FramebufferContext::FramebufferContext(int width, int height, ColourRef background)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_ * 3) {
    FillSolidRect(Rect{0, 0, width_, height_}, background);
}

int FramebufferContext::SetStretchBltMode(int mode) {
    return std::exchange(stretchMode_, mode);
}

int FramebufferContext::StretchDIBits(int xDest, int yDest, int destWidth, int destHeight,
                                      int xSrc, int ySrc, int srcWidth, int srcHeight,
                                      const std::uint8_t* bits, const BitmapInfoHeader& header) {
    if (!IsDrawable24(header, bits) || destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 ||
        srcHeight <= 0) {
        return 0;
    }
    if (destWidth == srcWidth && destHeight == srcHeight) {
        // One to one, as the board draws its canvas: a plain copy, without the sampling.
        return SetDIBitsToDevice(xDest, yDest, destWidth, destHeight, xSrc, ySrc, 0,
                                 header.biHeight, bits, header) > 0
                   ? srcHeight
                   : 0;
    }
    const std::size_t stride = Stride24(header.biWidth);
    // Clip the destination first so that the per-pixel loop holds no bounds tests.
    const int x0 = std::max(xDest, 0);
    const int x1 = std::min(xDest + destWidth, width_);
    const int y0 = std::max(yDest, 0);
    const int y1 = std::min(yDest + destHeight, height_);
    // The source column of each destination column, worked out once per call rather than
    // once per pixel; −1 marks a column outside the DIB.
    std::vector<std::int32_t> columns(static_cast<std::size_t>(std::max(x1 - x0, 0)));
    for (int x = x0; x < x1; ++x) {
        const std::int64_t col = xSrc + static_cast<std::int64_t>(x - xDest) * srcWidth / destWidth;
        columns[static_cast<std::size_t>(x - x0)] =
            col < 0 || col >= header.biWidth ? -1 : static_cast<std::int32_t>(col);
    }
    for (int y = y0; y < y1; ++y) {
        // Nearest sample, as COLORONCOLOR gives: destination row dy takes the source row that
        // lies dy × srcHeight / destHeight rows below the top of the source rectangle.
        const std::int64_t fromTop = static_cast<std::int64_t>(y - yDest) * srcHeight / destHeight;
        const std::int64_t row = ySrc + srcHeight - 1 - fromTop;
        if (row < 0 || row >= header.biHeight) continue;
        const std::uint8_t* src = bits + static_cast<std::size_t>(row) * stride;
        std::uint8_t* dst = Row(y);
        for (int x = x0; x < x1; ++x) {
            const std::int32_t col = columns[static_cast<std::size_t>(x - x0)];
            if (col < 0) continue;
            const std::uint8_t* s = src + static_cast<std::size_t>(col) * 3;
            std::uint8_t* d = dst + static_cast<std::size_t>(x) * 3;
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return srcHeight;
}

int FramebufferContext::SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc,
                                          int ySrc, int startScan, int scanLines,
                                          const std::uint8_t* bits,
                                          const BitmapInfoHeader& header) {
    if (!IsDrawable24(header, bits) || width <= 0 || height <= 0 || startScan < 0 ||
        scanLines <= 0) {
        return 0;
    }
    const std::size_t stride = Stride24(header.biWidth);
    const int lastScan = std::min(startScan + scanLines, header.biHeight);
    // The columns that lie both on the surface and inside the DIB, worked out once.
    const int dx0 = std::max({0, -xDest, -xSrc});
    const int dx1 = std::min({width, width_ - xDest, header.biWidth - xSrc});
    for (int dy = std::max(0, -yDest); dy < height && yDest + dy < height_; ++dy) {
        // The source rectangle's bottom-left corner is (xSrc, ySrc) in bottom-up rows.
        const int row = ySrc + height - 1 - dy;
        if (row < startScan || row >= lastScan) continue;
        const std::uint8_t* s = bits + static_cast<std::size_t>(row - startScan) * stride +
                                static_cast<std::size_t>(xSrc + dx0) * 3;
        std::uint8_t* d = Row(yDest + dy) + static_cast<std::size_t>(xDest + dx0) * 3;
        for (int dx = dx0; dx < dx1; ++dx, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    }
    return scanLines;
}

void FramebufferContext::FillSolidRect(const Rect& rect, ColourRef colour) {
    const int x0 = std::max(rect.left, 0);
    const int x1 = std::min(rect.right, width_);
    const int y0 = std::max(rect.top, 0);
    const int y1 = std::min(rect.bottom, height_);
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* d = Row(y) + static_cast<std::size_t>(x0) * 3;
        for (int x = x0; x < x1; ++x, d += 3) {
            d[0] = RedOf(colour);
            d[1] = GreenOf(colour);
            d[2] = BlueOf(colour);
        }
    }
}

ColourRef FramebufferContext::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidColour;
    const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 3;
    return MakeColourRef(p[0], p[1], p[2]);
}

void FramebufferContext::SetPixel(int x, int y, ColourRef colour) {
    FillSolidRect(Rect{x, y, x + 1, y + 1}, colour);
}

int FramebufferContext::GetDeviceCaps(int index) const {
    switch (index) {
        case kHorzRes: return width_;
        case kVertRes: return height_;
        case kLogPixelsX:
        case kLogPixelsY: return dotsPerInch_;
        case kRasterCaps: return rasterCaps_;
        default: return 0;
    }
}

const FramebufferContext* FramebufferContext::SurfaceOf(const DeviceContext& dc) {
    if (const auto* memory = dynamic_cast<const SoftMemoryContext*>(&dc)) {
        return &memory->Surface();
    }
    return dynamic_cast<const FramebufferContext*>(&dc);
}

int FramebufferContext::BitBlt(int xDest, int yDest, int width, int height,
                               const DeviceContext& source, int xSrc, int ySrc) {
    if (width <= 0 || height <= 0) return 0;
    const FramebufferContext* from = SurfaceOf(source);
    // Clip the source and the destination together, so that both stay in their surfaces.
    int dx0 = 0, dy0 = 0, dx1 = width, dy1 = height;
    dx0 = std::max({dx0, -xDest, -xSrc});
    dy0 = std::max({dy0, -yDest, -ySrc});
    dx1 = std::min(dx1, width_ - xDest);
    dy1 = std::min(dy1, height_ - yDest);
    if (from != nullptr) {
        dx1 = std::min(dx1, from->width_ - xSrc);
        dy1 = std::min(dy1, from->height_ - ySrc);
    }
    if (dx0 >= dx1 || dy0 >= dy1) return 0;
    if (from == this) {
        // An overlapping copy inside one surface goes through a scratch copy of the rows.
        const std::vector<std::uint8_t> scratch = pixels_;
        for (int dy = dy0; dy < dy1; ++dy) {
            std::memmove(Row(yDest + dy) + static_cast<std::size_t>(xDest + dx0) * 3,
                         scratch.data() + RowOffset(ySrc + dy) +
                             static_cast<std::size_t>(xSrc + dx0) * 3,
                         static_cast<std::size_t>(dx1 - dx0) * 3);
        }
        return 1;
    }
    if (from != nullptr) {
        for (int dy = dy0; dy < dy1; ++dy) {
            std::memcpy(Row(yDest + dy) + static_cast<std::size_t>(xDest + dx0) * 3,
                        from->Row(ySrc + dy) + static_cast<std::size_t>(xSrc + dx0) * 3,
                        static_cast<std::size_t>(dx1 - dx0) * 3);
        }
        return 1;
    }
    // Any other device: pixel by pixel through its GetPixel.
    for (int dy = dy0; dy < dy1; ++dy) {
        for (int dx = dx0; dx < dx1; ++dx) {
            const ColourRef c = source.GetPixel(xSrc + dx, ySrc + dy);
            if (c != kInvalidColour) SetPixel(xDest + dx, yDest + dy, c);
        }
    }
    return 1;
}

int FramebufferContext::DrawText(const std::string& text, const Rect& rect, unsigned format) {
    return DrawTextInto(*this, text, rect, format, GetDeviceCaps(kLogPixelsY));
}

std::unique_ptr<MemoryContext> FramebufferContext::CreateCompatibleDC() const {
    return std::make_unique<SoftMemoryContext>(GetDeviceCaps(kLogPixelsX));
}

}  // namespace kolo
