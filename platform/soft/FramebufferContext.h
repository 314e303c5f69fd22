// FramebufferContext: a device context that draws into a 24-bit framebuffer in memory.
// Rows are top-down, three bytes a pixel in the order red, green, blue, with no padding,
// so a row can be written to a PNG or a window surface as it stands. Every drawing call is
// clipped to the surface. The measures reported by GetDeviceCaps are settable so that the
// same class can stand for a screen, a memory bitmap or a printer page.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/DeviceContext.h"

namespace kolo {

class FramebufferContext : public DeviceContext {
public:
    FramebufferContext(int width, int height, ColourRef background = 0x00FFFFFF);

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

    void SetPixel(int x, int y, ColourRef colour);
    void SetResolution(int dotsPerInch) { dotsPerInch_ = dotsPerInch; }
    void SetRasterCaps(int caps) { rasterCaps_ = caps; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    int StretchMode() const { return stretchMode_; }
    const std::uint8_t* Row(int y) const { return pixels_.data() + RowOffset(y); }
    std::uint8_t* Row(int y) { return pixels_.data() + RowOffset(y); }

    // The framebuffer behind any software context (itself, or a memory context's selected
    // bitmap); null for other devices.
    static const FramebufferContext* SurfaceOf(const DeviceContext& dc);

private:
    std::size_t RowOffset(int y) const { return static_cast<std::size_t>(y) * width_ * 3; }

    int width_;
    int height_;
    int stretchMode_ = 1;   // BLACKONWHITE, the platform's default
    int dotsPerInch_ = 96;
    int rasterCaps_ = kRcBitBlt;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace kolo
