// The module's five identifiers, as in Kolo.idl. Chosen once and never changed: containers
// and web pages refer to them.
#pragma once

#include "platform/win32/Win32.h"

namespace kolo {

// Type library KOLOLib 1.0.
constexpr GUID kLibId = {0x67E6E094, 0xD12D, 0x4407, {0x96, 0x10, 0xF8, 0xA1, 0xDC, 0x78, 0xE0, 0x7B}};
// Dispatch interface _DKolo.
constexpr GUID kIidDKolo = {0x10C1E5FE, 0xC315, 0x41F6, {0x86, 0x54, 0xFA, 0x61, 0x1C, 0x62, 0xFE, 0x48}};
// Event interface _DKoloEvents.
constexpr GUID kIidDKoloEvents = {0xDCDC61AA, 0x35D2, 0x4988, {0x9F, 0xDA, 0x16, 0x79, 0xA6, 0x87, 0x7C, 0xE4}};
// Coclass Kolo, the control, ProgID "KOLO.KoloCtrl.1".
constexpr GUID kClsidKolo = {0xB5F7A1AA, 0x2556, 0x4CDF, {0x97, 0xD8, 0xC3, 0x92, 0x07, 0x9D, 0x9D, 0xC6}};
// The property page, ProgID "KOLO.KoloPropPage.1".
constexpr GUID kClsidKoloPropPage = {0x659010FD, 0x0838, 0x484F, {0xA6, 0xC2, 0x25, 0x58, 0x48, 0x9C, 0xD2, 0xCF}};

constexpr WORD kLibVersionMajor = 1;
constexpr WORD kLibVersionMinor = 0;
// The type library is registered for the module's own platform; the 32- and 64-bit modules
// each have their own entry under the same version.
#ifdef _WIN64
constexpr SYSKIND kLibSysKind = SYS_WIN64;
constexpr const char* kLibPlatformKey = "win64";
#else
constexpr SYSKIND kLibSysKind = SYS_WIN32;
constexpr const char* kLibPlatformKey = "win32";
#endif

}  // namespace kolo
