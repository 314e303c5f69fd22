// GdiContext: a DrawingSurface over a GDI device context handle. How the handle is given
// back depends on where it came from: a window's DC is released, a created one deleted, a
// borrowed one (BeginPaint's, a container's, a printer's while its job runs) left alone.
#pragma once

#include "platform/win32/Win32.h"

#include "platform/DrawingSurface.h"

namespace kolo {

// Sets how GDI samples a source of one size drawn at another on `dc`: whole factors (one to
// one included) as blocks of pixels, which stay sharp and keep every colour; any other size
// smoothed. Gives the mode it replaced.
int SetStretchModeFor(HDC dc, int sourceWidth, int sourceHeight, int destWidth, int destHeight);

class GdiContext : public DrawingSurface {
public:
    enum class Release { kNone, kReleaseDC, kDeleteDC };

    GdiContext(HDC dc, Release release, HWND window = nullptr)
        : dc_(dc), release_(release), window_(window) {}
    ~GdiContext() override;
    GdiContext(const GdiContext&) = delete;
    GdiContext& operator=(const GdiContext&) = delete;

    HDC Handle() const { return dc_; }

    int Width() const override { return GetDeviceCaps(dc_, HORZRES); }
    int Height() const override { return GetDeviceCaps(dc_, VERTRES); }
    // Device pixels per board pixel where the board is drawn scaled; 1 unless set.
    double Scale() const override { return scale_; }
    void SetScale(double scale) { scale_ = scale; }
    void DrawImage(const BitmapInfoHeader& header, const std::uint8_t* bits, const Rect& source,
                   const Rect& dest, ImageFilter filter) override;
    // Draws GDI bitmaps only.
    void DrawBitmap(const DeviceBitmap& bitmap, const Rect& source, int x, int y) override;
    // Draws the part `source` of a GDI bitmap scaled into `dest` (SetStretchModeFor).
    void StretchBitmap(const DeviceBitmap& bitmap, const Rect& source, const Rect& dest);
    void FillRect(const Rect& rect, ColourRef colour) override;
    void DrawText(const std::string& text, const Rect& box, TextPlacement placement) override;

private:
    HDC dc_;
    Release release_;
    HWND window_;
    double scale_ = 1.0;
};

}  // namespace kolo
