// GdiBitmap: a DeviceBitmap over a GDI bitmap handle. An owning bitmap deletes its handle;
// a borrowed one (the 1 × 1 bitmap a fresh memory DC holds) never does.
//
// ReadRows24 converts through GetDIBits with a 24-bit BI_RGB bottom-up request, so the rows
// arrive exactly as DibFromDeviceBitmap lays them out, whatever the device's own depth.
#pragma once

#include "platform/win32/Win32.h"

#include "platform/DeviceBitmap.h"

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

    HBITMAP Handle() const { return handle_; }

private:
    HBITMAP handle_;
    bool owned_;
};

}  // namespace kolo
