// FramebufferContext: a drawing surface that is a 24-bit framebuffer in memory. Rows are
// top-down, three bytes a pixel in the order red, green, blue, with no padding, so a row can
// be written to a PNG or a window surface as it stands. Text is drawn at the surface's pixels
// per inch (96 unless set), so that a printed page gets the screen's point size.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/DrawingSurface.h"

namespace kolo {

class FramebufferContext : public DrawingSurface {
public:
    FramebufferContext(int width, int height, ColourRef background = 0x00FFFFFF);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    double Scale() const override { return scale_; }
    void DrawImage(const BitmapInfoHeader& header, const std::uint8_t* bits, const Rect& source,
                   const Rect& dest, ImageFilter filter) override;
    // Draws software bitmaps only.
    void DrawBitmap(const DeviceBitmap& bitmap, const Rect& source, int x, int y) override;
    void FillRect(const Rect& rect, ColourRef colour) override;
    void DrawText(const std::string& text, const Rect& box, TextPlacement placement) override;
    void DrawLabel(const std::string& text, const Rect& box, const LabelStyle& style) override;

    // The colour at a point; kInvalidColour outside the surface.
    ColourRef GetPixel(int x, int y) const;
    void SetPixel(int x, int y, ColourRef colour);
    void SetResolution(int dotsPerInch) { dotsPerInch_ = dotsPerInch; }
    void SetScale(double scale) { scale_ = scale > 0 ? scale : 1.0; }

    const std::uint8_t* Row(int y) const { return pixels_.data() + RowOffset(y); }
    std::uint8_t* Row(int y) { return pixels_.data() + RowOffset(y); }

private:
    std::size_t RowOffset(int y) const { return static_cast<std::size_t>(y) * width_ * 3; }
    void DrawImageArea(const BitmapInfoHeader& header, const std::uint8_t* bits,
                       const Rect& source, const Rect& dest, const Rect& clip);

    int width_;
    int height_;
    int dotsPerInch_ = 96;
    double scale_ = 1.0;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace kolo
