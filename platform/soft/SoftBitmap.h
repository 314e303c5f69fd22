// SoftBitmap: a device bitmap of the software platform, a framebuffer of its own size, which
// is also its drawing target.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/DeviceBitmap.h"
#include "platform/soft/FramebufferContext.h"

namespace kolo {

class SoftBitmap : public DeviceBitmap {
public:
    SoftBitmap(int width, int height, ColourRef background = 0x00FFFFFF)
        : surface_(width, height, background) {}

    std::int32_t Width() const override { return surface_.Width(); }
    std::int32_t Height() const override { return surface_.Height(); }
    void ReadRows24(std::uint8_t* rows) const override;
    DrawingSurface* DrawingTarget() override { return &surface_; }

    FramebufferContext& Surface() { return surface_; }
    const FramebufferContext& Surface() const { return surface_; }

private:
    FramebufferContext surface_;
};

}  // namespace kolo
