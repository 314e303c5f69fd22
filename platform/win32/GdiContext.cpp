#include "platform/win32/GdiContext.h"

#include <cstring>

namespace kolo {
namespace {

BITMAPINFO InfoFrom(const BitmapInfoHeader& header) {
    // The core's header is the published 40-byte layout, field for field.
    static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "same layout");
    BITMAPINFO info{};
    std::memcpy(&info.bmiHeader, &header, sizeof header);
    return info;
}

}  // namespace

GdiContext::~GdiContext() {
    if (dc_ == nullptr) return;
    if (release_ == Release::kReleaseDC) ReleaseDC(window_, dc_);
    if (release_ == Release::kDeleteDC) DeleteDC(dc_);
}

int GdiContext::SetStretchBltMode(int mode) { return ::SetStretchBltMode(dc_, mode); }

int GdiContext::StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                              int ySrc, int srcWidth, int srcHeight, const std::uint8_t* bits,
                              const BitmapInfoHeader& header) {
    BITMAPINFO info = InfoFrom(header);
    return ::StretchDIBits(dc_, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth,
                           srcHeight, bits, &info, DIB_RGB_COLORS, SRCCOPY);
}

int GdiContext::SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc,
                                  int ySrc, int startScan, int scanLines,
                                  const std::uint8_t* bits, const BitmapInfoHeader& header) {
    BITMAPINFO info = InfoFrom(header);
    return ::SetDIBitsToDevice(dc_, xDest, yDest, static_cast<DWORD>(width),
                               static_cast<DWORD>(height), xSrc, ySrc,
                               static_cast<UINT>(startScan), static_cast<UINT>(scanLines), bits,
                               &info, DIB_RGB_COLORS);
}

void GdiContext::FillSolidRect(const Rect& rect, ColourRef colour) {
    // An opaque ExtTextOut of no text fills the rectangle with the background colour.
    const RECT area{rect.left, rect.top, rect.right, rect.bottom};
    const COLORREF previous = SetBkColor(dc_, colour);
    ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetBkColor(dc_, previous);
}

ColourRef GdiContext::GetPixel(int x, int y) const {
    const COLORREF colour = ::GetPixel(dc_, x, y);
    return colour == CLR_INVALID ? kInvalidColour : colour;
}

int GdiContext::GetDeviceCaps(int index) const { return ::GetDeviceCaps(dc_, index); }

int GdiContext::BitBlt(int xDest, int yDest, int width, int height, const DeviceContext& source,
                       int xSrc, int ySrc) {
    HDC from = HandleOf(source);
    if (from == nullptr) return 0;
    return ::BitBlt(dc_, xDest, yDest, width, height, from, xSrc, ySrc, SRCCOPY) ? 1 : 0;
}

int GdiContext::DrawText(const std::string& text, const Rect& rect, unsigned format) {
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    return ::DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &area, format);
}

std::unique_ptr<MemoryContext> GdiContext::CreateCompatibleDC() const {
    HDC memory = ::CreateCompatibleDC(dc_);
    if (memory == nullptr) return nullptr;
    return std::make_unique<GdiMemoryContext>(memory);
}

int GdiContext::StartDoc(const std::string& documentName) {
    DOCINFOA info{};
    info.cbSize = sizeof info;
    info.lpszDocName = documentName.c_str();
    return ::StartDocA(dc_, &info);
}

int GdiContext::StartPage() { return ::StartPage(dc_); }
int GdiContext::EndPage() { return ::EndPage(dc_); }
int GdiContext::EndDoc() { return ::EndDoc(dc_); }
int GdiContext::AbortDoc() { return ::AbortDoc(dc_); }

GdiMemoryContext::GdiMemoryContext(HDC dc) : context_(dc, GdiContext::Release::kDeleteDC) {}

GdiMemoryContext::~GdiMemoryContext() = default;

DeviceBitmap* GdiMemoryContext::SelectBitmap(DeviceBitmap* bitmap) {
    auto* gdi = dynamic_cast<GdiBitmap*>(bitmap);
    if (gdi == nullptr) return nullptr;
    HGDIOBJ previous = SelectObject(context_.Handle(), gdi->Handle());
    if (previous == nullptr || previous == HGDI_ERROR) return nullptr;
    // The first selection takes out the DC's own default bitmap; the caller gets it back as a
    // borrowed wrapper to put back when done.
    if (!original_) original_ = std::make_unique<GdiBitmap>(static_cast<HBITMAP>(previous), false);
    DeviceBitmap* before = selected_ != nullptr ? selected_ : original_.get();
    selected_ = bitmap == original_.get() ? nullptr : bitmap;
    return before;
}

HDC HandleOf(const DeviceContext& context) {
    if (auto* gdi = dynamic_cast<const GdiContext*>(&context)) return gdi->Handle();
    if (auto* memory = dynamic_cast<const GdiMemoryContext*>(&context)) return memory->Handle();
    return nullptr;
}

}  // namespace kolo
