// The Windows headers as the Windows target includes them. Three of their ANSI/wide name
// macros collide with operations of the core's platform interfaces (DeviceContext::DrawText
// and StartDoc, ResourceSource::LoadBitmap); they are undefined here, and this layer calls
// the A functions by their own names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DrawText
#undef StartDoc
#undef LoadBitmap

#include <cstdint>

#include "platform/DeviceContext.h"

namespace kolo {

// The board's buttons as child windows: child, visible, owner-drawn push buttons; those the
// board starts disabled get WS_DISABLED too.
constexpr std::uint32_t kButtonStyle = 0x5000000B;
constexpr std::uint32_t kDisabledButtonStyle = 0x5800000B;
static_assert(kButtonStyle == (WS_CHILD | WS_VISIBLE | BS_OWNERDRAW), "button style");
static_assert(kDisabledButtonStyle == (kButtonStyle | WS_DISABLED), "disabled button style");

// The device context's flags and measures are the GDI values, handed through unchanged.
static_assert(kDtCenter == DT_CENTER && kDtVCenter == DT_VCENTER && kDtSingleLine == DT_SINGLELINE,
              "DrawText flags");
static_assert(kRcBitBlt == RC_BITBLT, "raster capability");
static_assert(kStretchColourOnColour == COLORONCOLOR, "stretch mode");
static_assert(kHorzRes == HORZRES && kVertRes == VERTRES && kRasterCaps == RASTERCAPS &&
                  kLogPixelsX == LOGPIXELSX && kLogPixelsY == LOGPIXELSY,
              "device measures");

}  // namespace kolo
