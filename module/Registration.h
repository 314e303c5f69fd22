// Registry entries of the module's classes under HKEY_CLASSES_ROOT, written and removed by
// the class factories' UpdateRegistry.
#pragma once

#include "platform/win32/Win32.h"

#include <string>

namespace kolo {

// Registry text form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(const GUID& guid);

// The control class: ProgID keys, CLSID keys with InprocServer32, ToolboxBitmap32,
// MiscStatus, Control, TypeLib and Version. No Insertable key.
HRESULT RegisterControlClass(bool registering);
// The property page class: its CLSID key and InprocServer32 with no threading model.
HRESULT RegisterPropertyPageClass(bool registering);

}  // namespace kolo
