#include "platform/win32/GdiContext.h"

#include <cstring>

#include "platform/win32/GdiBitmap.h"

namespace kolo {
namespace {

BITMAPINFO InfoFrom(const BitmapInfoHeader& header) {
    // The core's header is the published 40-byte layout, field for field.
    static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "same layout");
    BITMAPINFO info{};
    std::memcpy(&info.bmiHeader, &header, sizeof header);
    return info;
}

int StretchModeFor(int sourceWidth, int sourceHeight, int destWidth, int destHeight) {
    const bool whole = sourceWidth > 0 && sourceHeight > 0 && destWidth % sourceWidth == 0 &&
                       destHeight % sourceHeight == 0 &&
                       destWidth / sourceWidth == destHeight / sourceHeight;
    return whole ? kNearestStretchMode : kAreaStretchMode;
}

}  // namespace

int SetStretchModeFor(HDC dc, int sourceWidth, int sourceHeight, int destWidth, int destHeight) {
    const int mode = StretchModeFor(sourceWidth, sourceHeight, destWidth, destHeight);
    // HALFTONE reads the brush origin; it must be set again after the mode.
    const int previous = ::SetStretchBltMode(dc, mode);
    if (mode == kAreaStretchMode) ::SetBrushOrgEx(dc, 0, 0, nullptr);
    return previous;
}

GdiContext::~GdiContext() {
    if (dc_ == nullptr) return;
    if (release_ == Release::kReleaseDC) ReleaseDC(window_, dc_);
    if (release_ == Release::kDeleteDC) DeleteDC(dc_);
}

void GdiContext::DrawImage(const BitmapInfoHeader& header, const std::uint8_t* bits,
                           const Rect& source, const Rect& dest, ImageFilter filter) {
    if (filter == ImageFilter::kArea) {
        // GDI's averaging mode needs its brush origin set again after it is chosen.
        ::SetStretchBltMode(dc_, kAreaStretchMode);
        ::SetBrushOrgEx(dc_, 0, 0, nullptr);
    } else {
        ::SetStretchBltMode(dc_, kNearestStretchMode);
    }
    BITMAPINFO info = InfoFrom(header);
    // The DIB is bottom-up: GDI counts the source rectangle from its bottom row.
    const int fromBottom = header.biHeight - source.bottom;
    if (source.Width() == dest.Width() && source.Height() == dest.Height()) {
        ::SetDIBitsToDevice(dc_, dest.left, dest.top, static_cast<DWORD>(dest.Width()),
                            static_cast<DWORD>(dest.Height()), source.left, fromBottom, 0,
                            static_cast<UINT>(header.biHeight), bits, &info, DIB_RGB_COLORS);
        return;
    }
    ::StretchDIBits(dc_, dest.left, dest.top, dest.Width(), dest.Height(), source.left,
                    fromBottom, source.Width(), source.Height(), bits, &info, DIB_RGB_COLORS,
                    SRCCOPY);
}

void GdiContext::DrawBitmap(const DeviceBitmap& bitmap, const Rect& source, int x, int y) {
    StretchBitmap(bitmap, source, Rect{x, y, x + source.Width(), y + source.Height()});
}

void GdiContext::StretchBitmap(const DeviceBitmap& bitmap, const Rect& source, const Rect& dest) {
    const auto* gdi = dynamic_cast<const GdiBitmap*>(&bitmap);
    if (gdi == nullptr) return;
    // A bitmap that is its own drawing target stays selected into its context; any other is
    // selected into a memory context for the copy.
    HDC from = gdi->TargetHandle();
    HDC memory = nullptr;
    HGDIOBJ previous = nullptr;
    if (from == nullptr) {
        memory = CreateCompatibleDC(dc_);
        if (memory == nullptr) return;
        previous = SelectObject(memory, gdi->Handle());
        from = memory;
    }
    if (source.Width() == dest.Width() && source.Height() == dest.Height()) {
        ::BitBlt(dc_, dest.left, dest.top, dest.Width(), dest.Height(), from, source.left,
                 source.top, SRCCOPY);
    } else {
        const int mode = SetStretchModeFor(dc_, source.Width(), source.Height(), dest.Width(),
                                           dest.Height());
        ::StretchBlt(dc_, dest.left, dest.top, dest.Width(), dest.Height(), from, source.left,
                     source.top, source.Width(), source.Height(), SRCCOPY);
        ::SetStretchBltMode(dc_, mode);
    }
    if (memory != nullptr) {
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
}

void GdiContext::FillRect(const Rect& rect, ColourRef colour) {
    // An opaque ExtTextOut of no text fills the rectangle with the background colour.
    const RECT area{rect.left, rect.top, rect.right, rect.bottom};
    const COLORREF previous = SetBkColor(dc_, colour);
    ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetBkColor(dc_, previous);
}

void GdiContext::DrawText(const std::string& text, const Rect& box, TextPlacement placement) {
    RECT area{box.left, box.top, box.right, box.bottom};
    const unsigned format = placement == TextPlacement::kMiddle ? kMiddleTextFormat : kTopTextFormat;
    ::DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &area, format);
}

}  // namespace kolo
