// Registry entries of the module's classes under HKEY_CLASSES_ROOT, written and removed by
// the class factories' UpdateRegistry.
#pragma once

#include "platform/win32/Win32.h"

#include <string>

namespace kolo {

// Registry text form of a GUID: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(const GUID& guid);

// Deletes HKCR\path with its subkeys, as much of it as it can; true when nothing is left.
bool DeleteClassesKey(const std::string& path);
// The same in both registry views, for keys both sizes' modules write.
bool DeleteSharedClassesKey(const std::string& path);
// Whether the other size's module is registered in its view (its control's InprocServer32
// is there); the keys both share stay while it is.
bool OtherViewRegistersControl();

// The control class: ProgID keys (versioned, and version-independent with CurVer), CLSID keys with InprocServer32, ToolboxBitmap32,
// VersionIndependentProgID, MiscStatus, Control, TypeLib and Version. No Insertable key.
// Unregistering removes what it can and succeeds when nothing was there; the ProgIDs only when
// the other size's module is not registered.
HRESULT RegisterControlClass(bool registering);
// The property page class: its CLSID key and InprocServer32 with no threading model.
HRESULT RegisterPropertyPageClass(bool registering);

}  // namespace kolo
