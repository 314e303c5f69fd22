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
