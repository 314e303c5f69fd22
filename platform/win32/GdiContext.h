// GdiContext: a DrawingSurface over a GDI device context handle. How the handle is given
// back depends on where it came from: a window's DC is released, a created one deleted, a
// borrowed one (BeginPaint's, a container's, a printer's while its job runs) left alone.
#pragma once

#include "platform/win32/Win32.h"

#include "platform/DrawingSurface.h"

namespace kolo {

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
    void DrawImage(const BitmapInfoHeader& header, const std::uint8_t* bits, const Rect& source,
                   const Rect& dest, ImageFilter filter) override;
    // Draws GDI bitmaps only.
    void DrawBitmap(const DeviceBitmap& bitmap, const Rect& source, int x, int y) override;
    void FillRect(const Rect& rect, ColourRef colour) override;
    void DrawText(const std::string& text, const Rect& box, TextPlacement placement) override;

private:
    HDC dc_;
    Release release_;
    HWND window_;
};

}  // namespace kolo
