#include "platform/soft/MemoryContext.h"

#include <utility>

#include "platform/soft/TextRenderer.h"

namespace kolo {

SoftMemoryContext::SoftMemoryContext(int pixelsPerInch)
    : defaultBitmap_(1, 1, 0), selected_(&defaultBitmap_), pixelsPerInch_(pixelsPerInch) {}

DeviceBitmap* SoftMemoryContext::SelectBitmap(DeviceBitmap* bitmap) {
    auto* soft = dynamic_cast<SoftBitmap*>(bitmap);
    if (soft == nullptr) return nullptr;
    SoftBitmap* previous = std::exchange(selected_, soft);
    return previous;
}

int SoftMemoryContext::SetStretchBltMode(int mode) { return std::exchange(stretchMode_, mode); }

int SoftMemoryContext::StretchDIBits(int xDest, int yDest, int destWidth, int destHeight,
                                     int xSrc, int ySrc, int srcWidth, int srcHeight,
                                     const std::uint8_t* bits, const BitmapInfoHeader& header) {
    return Surface().StretchDIBits(xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth,
                                   srcHeight, bits, header);
}

int SoftMemoryContext::SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc,
                                         int ySrc, int startScan, int scanLines,
                                         const std::uint8_t* bits,
                                         const BitmapInfoHeader& header) {
    return Surface().SetDIBitsToDevice(xDest, yDest, width, height, xSrc, ySrc, startScan,
                                       scanLines, bits, header);
}

void SoftMemoryContext::FillSolidRect(const Rect& rect, ColourRef colour) {
    Surface().FillSolidRect(rect, colour);
}

ColourRef SoftMemoryContext::GetPixel(int x, int y) const { return Surface().GetPixel(x, y); }

int SoftMemoryContext::GetDeviceCaps(int index) const {
    switch (index) {
        case kLogPixelsX:
        case kLogPixelsY: return pixelsPerInch_;
        default: return Surface().GetDeviceCaps(index);
    }
}

int SoftMemoryContext::BitBlt(int xDest, int yDest, int width, int height,
                              const DeviceContext& source, int xSrc, int ySrc) {
    return Surface().BitBlt(xDest, yDest, width, height, source, xSrc, ySrc);
}

int SoftMemoryContext::DrawText(const std::string& text, const Rect& rect, unsigned format) {
    return DrawTextInto(Surface(), text, rect, format, pixelsPerInch_);
}

std::unique_ptr<MemoryContext> SoftMemoryContext::CreateCompatibleDC() const {
    return std::make_unique<SoftMemoryContext>(pixelsPerInch_);
}

}  // namespace kolo
