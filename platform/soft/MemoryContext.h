// SoftMemoryContext: the software platform's off-screen context. Every drawing call goes to
// the SoftBitmap selected into it; until one is selected it holds a 1 × 1 bitmap of its own,
// as a new memory context of the platform does.
#pragma once

#include "platform/DeviceContext.h"
#include "platform/soft/SoftBitmap.h"

namespace kolo {

class SoftMemoryContext : public MemoryContext {
public:
    explicit SoftMemoryContext(int pixelsPerInch = 96);

    // Only software bitmaps can be selected; anything else is refused with null and the
    // selection stays as it was.
    DeviceBitmap* SelectBitmap(DeviceBitmap* bitmap) override;

    int SetStretchBltMode(int mode) override;
    int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, const std::uint8_t* bits,
                      const BitmapInfoHeader& header) override;
    int SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc,
                          int startScan, int scanLines, const std::uint8_t* bits,
                          const BitmapInfoHeader& header) override;
    void FillSolidRect(const Rect& rect, ColourRef colour) override;
    ColourRef GetPixel(int x, int y) const override;
    int GetDeviceCaps(int index) const override;
    int BitBlt(int xDest, int yDest, int width, int height, const DeviceContext& source,
               int xSrc, int ySrc) override;
    int DrawText(const std::string& text, const Rect& rect, unsigned format) override;
    std::unique_ptr<MemoryContext> CreateCompatibleDC() const override;

    FramebufferContext& Surface() { return selected_->Surface(); }
    const FramebufferContext& Surface() const { return selected_->Surface(); }

private:
    SoftBitmap defaultBitmap_;
    SoftBitmap* selected_;
    int stretchMode_ = 1;
    int pixelsPerInch_;
};

}  // namespace kolo
