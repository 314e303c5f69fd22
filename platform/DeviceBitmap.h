// DeviceBitmap: a picture in the form a device keeps it (the skin, frames and button faces
// come from resources as these). The Windows target wraps an HBITMAP; platform/soft/ keeps a
// framebuffer.
//
// DibFromDeviceBitmap turns one into a packed DIB: a 40-byte info header for 24 bits and
// BI_RGB, then bottom-up rows (blue, green, red; padded to 4 bytes), exactly what the
// platform's GetDIBits conversion gives. It returns a null block when the bitmap is empty or
// the memory is not there.
#pragma once

#include <cstdint>

#include "platform/MemoryBlock.h"

namespace kolo {

class DrawingSurface;

class DeviceBitmap {
public:
    virtual ~DeviceBitmap() = default;

    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;

    // A surface that draws into the bitmap, kept with it; null when it cannot be drawn into.
    virtual DrawingSurface* DrawingTarget() = 0;

    // Writes Height() rows of 24-bit pixels, bottom row first, each padded to 4 bytes.
    virtual void ReadRows24(std::uint8_t* rows) const = 0;
};

MemoryBlock DibFromDeviceBitmap(const DeviceBitmap& bitmap);

}  // namespace kolo
