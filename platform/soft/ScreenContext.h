// ScreenContext: the software screen, the framebuffer a control's window shows. It is an
// ordinary framebuffer at 96 pixels per inch; the class names the role.
#pragma once

#include "platform/soft/FramebufferContext.h"

namespace kolo {

class ScreenContext : public FramebufferContext {
public:
    ScreenContext(int width, int height) : FramebufferContext(width, height, 0x00FFFFFF) {}
};

}  // namespace kolo
