#include "platform/win32/GdiBitmap.h"

namespace kolo {

GdiBitmap::~GdiBitmap() {
    // A bitmap still selected into a context cannot be deleted.
    if (target_) {
        SelectObject(target_->Handle(), targetsOwnBitmap_);
        target_.reset();
    }
    if (owned_ && handle_ != nullptr) DeleteObject(handle_);
}

DrawingSurface* GdiBitmap::DrawingTarget() {
    if (target_) return target_.get();
    // A memory context of the screen's kind, as the bitmaps from resources are.
    HDC memory = CreateCompatibleDC(nullptr);
    if (memory == nullptr) return nullptr;
    HGDIOBJ previous = SelectObject(memory, handle_);
    if (previous == nullptr || previous == HGDI_ERROR) {
        DeleteDC(memory);
        return nullptr;
    }
    targetsOwnBitmap_ = previous;
    target_ = std::make_unique<GdiContext>(memory, GdiContext::Release::kDeleteDC);
    return target_.get();
}

std::int32_t GdiBitmap::Width() const {
    BITMAP info{};
    return GetObjectA(handle_, sizeof info, &info) != 0 ? info.bmWidth : 0;
}

std::int32_t GdiBitmap::Height() const {
    BITMAP info{};
    return GetObjectA(handle_, sizeof info, &info) != 0 ? info.bmHeight : 0;
}

void GdiBitmap::ReadRows24(std::uint8_t* rows) const {
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = Width();
    request.bmiHeader.biHeight = Height();   // positive: bottom row first
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 24;
    request.bmiHeader.biCompression = BI_RGB;
    // GetDIBits wants a device context for the conversion; the screen's serves any bitmap
    // that is not selected into another context.
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, handle_, 0, static_cast<UINT>(request.bmiHeader.biHeight), rows, &request,
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
}

}  // namespace kolo
