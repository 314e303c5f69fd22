// GdiBitmap: a DeviceBitmap over a GDI bitmap handle. An owning bitmap deletes its handle;
// a borrowed one never does. Its drawing target is a memory context of its own that holds it
// selected from the first request until the bitmap goes.
//
// ReadRows24 converts through GetDIBits with a 24-bit BI_RGB bottom-up request, so the rows
// arrive exactly as DibFromDeviceBitmap lays them out, whatever the device's own depth.
#pragma once

#include "platform/win32/Win32.h"

#include <memory>

#include "platform/DeviceBitmap.h"
#include "platform/win32/GdiContext.h"

namespace kolo {

class GdiBitmap : public DeviceBitmap {
public:
    GdiBitmap(HBITMAP handle, bool owned) : handle_(handle), owned_(owned) {}
    ~GdiBitmap() override;
    GdiBitmap(const GdiBitmap&) = delete;
    GdiBitmap& operator=(const GdiBitmap&) = delete;

    std::int32_t Width() const override;
    std::int32_t Height() const override;
    void ReadRows24(std::uint8_t* rows) const override;
    DrawingSurface* DrawingTarget() override;

    HBITMAP Handle() const { return handle_; }
    // The memory context that holds the bitmap for its drawing target; null before one.
    HDC TargetHandle() const { return target_ ? target_->Handle() : nullptr; }

private:
    HBITMAP handle_;
    bool owned_;
    std::unique_ptr<GdiContext> target_;
    HGDIOBJ targetsOwnBitmap_ = nullptr;   // what the memory context held before, put back at the end
};

}  // namespace kolo
