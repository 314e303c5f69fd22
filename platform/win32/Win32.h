// The Windows headers as the Windows target includes them. Two of their ANSI/wide name macros
// collide with operations of the core's platform interfaces (DrawingSurface::DrawText,
// ResourceSource::LoadBitmap); they are undefined here, and this layer calls the A functions
// by their own names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DrawText
#undef LoadBitmap

#include <cstdint>

namespace kolo {

// The board's buttons as child windows: child, visible, owner-drawn push buttons; those the
// board starts disabled get WS_DISABLED too.
constexpr std::uint32_t kButtonStyle = 0x5000000B;
constexpr std::uint32_t kDisabledButtonStyle = 0x5800000B;
static_assert(kButtonStyle == (WS_CHILD | WS_VISIBLE | BS_OWNERDRAW), "button style");
static_assert(kDisabledButtonStyle == (kButtonStyle | WS_DISABLED), "disabled button style");

// The drawing surface's words in GDI's numbers. Nearest sampling is COLORONCOLOR, which drops
// rows and columns. Text is centred across; DT_VCENTER has no effect without DT_SINGLELINE,
// so text placed at the top keeps it, as the board's text always has.
constexpr int kNearestStretchMode = 3;
constexpr int kAreaStretchMode = 4;   // HALFTONE: averages the source pixels
constexpr unsigned kTopTextFormat = 0x05;
constexpr unsigned kMiddleTextFormat = 0x25;
static_assert(kNearestStretchMode == COLORONCOLOR, "stretch mode");
static_assert(kAreaStretchMode == HALFTONE, "stretch mode");
static_assert(kTopTextFormat == (DT_CENTER | DT_VCENTER), "text at the top");
static_assert(kMiddleTextFormat == (DT_CENTER | DT_VCENTER | DT_SINGLELINE), "text in the middle");

}  // namespace kolo
