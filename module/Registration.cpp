#include "module/Registration.h"

#include <cstdio>

#include "module/KoloApp.h"
#include "module/KoloGuids.h"
#include "module/KoloResources.h"

namespace kolo {
namespace {

constexpr const char* kControlProgId = "KOLO.KoloCtrl.1";
// Scripts that create the control without a version reach the current one through this.
constexpr const char* kControlIndependentProgId = "KOLO.KoloCtrl";
constexpr DWORD kControlMiscStatus = 0x20191;   // also what the running control reports
constexpr int kToolboxBitmapId = IDB_KOLO;

// Sets the default value (or `name`) of HKCR\path to `data`, creating the key.
bool SetValue(const std::string& path, const char* name, const std::string& data) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG result = RegSetValueExA(key, name, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(data.c_str()),
                                       static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Deletes HKCR\path with all its subkeys in the registry view `view` (0: the module's own);
// a key that is not there counts as deleted. Goes on past a subkey it cannot delete, so that
// as much as possible is removed.
bool DeleteTree(HKEY parent, const std::string& path, REGSAM view = 0) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE | view, &key);
    if (result == ERROR_FILE_NOT_FOUND) return true;
    if (result != ERROR_SUCCESS) return false;
    DWORD index = 0;   // subkeys before this one could not be deleted and are skipped
    bool complete = true;
    for (;;) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (!DeleteTree(key, name, view)) {
            complete = false;
            ++index;
        }
    }
    RegCloseKey(key);
    result = RegDeleteKeyExA(parent, path.c_str(), view, 0);
    return complete && (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND);
}

// The other size's registry view: the 64-bit one for the 32-bit module on 64-bit Windows,
// the 32-bit one for the 64-bit module; 0 on 32-bit Windows, which has only one.
REGSAM OtherView() {
#ifdef _WIN64
    return KEY_WOW64_32KEY;
#else
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
#endif
}

// The type name from the string table; the CLSID text when the string cannot be loaded.
std::string TypeName(UINT stringId, const std::string& clsidText) {
    char text[256];
    const int length = LoadStringA(TheApp().Instance(), stringId, text, sizeof text);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : clsidText;
}

}  // namespace

bool DeleteClassesKey(const std::string& path) { return DeleteTree(HKEY_CLASSES_ROOT, path); }

bool DeleteSharedClassesKey(const std::string& path) {
    const REGSAM other = OtherView();
    const bool own = DeleteTree(HKEY_CLASSES_ROOT, path);
    return (other == 0 || DeleteTree(HKEY_CLASSES_ROOT, path, other)) && own;
}

bool OtherViewRegistersControl() {
    const REGSAM other = OtherView();
    if (other == 0) return false;
    const std::string path = "CLSID\\" + GuidText(kClsidKolo) + "\\InprocServer32";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | other, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::string GuidText(const GUID& guid) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

HRESULT RegisterControlClass(bool registering) {
    const std::string clsid = GuidText(kClsidKolo);
    const std::string classKey = "CLSID\\" + clsid;
    if (!registering) {
        // The ProgIDs are shared by both sizes' modules and stay while the other one is
        // registered. Every key is tried, whatever happened to the others.
        const bool shared = OtherViewRegistersControl();
        const bool removed[] = {DeleteTree(HKEY_CLASSES_ROOT, classKey),
                                shared || DeleteSharedClassesKey(kControlProgId),
                                shared || DeleteSharedClassesKey(kControlIndependentProgId)};
        for (bool ok : removed) {
            if (!ok) return E_FAIL;
        }
        return S_OK;
    }
    const std::string path = TheApp().ShortModulePath();
    if (path.empty()) return E_FAIL;
    const std::string typeName = TypeName(IDS_KOLO, clsid);
    const std::string progId = kControlProgId;
    const std::string independent = kControlIndependentProgId;
    const bool written =
        SetValue(progId, nullptr, typeName) && SetValue(progId + "\\CLSID", nullptr, clsid) &&
        SetValue(independent, nullptr, typeName) &&
        SetValue(independent + "\\CLSID", nullptr, clsid) &&
        SetValue(independent + "\\CurVer", nullptr, progId) &&
        SetValue(classKey, nullptr, typeName) &&
        SetValue(classKey + "\\ProgID", nullptr, progId) &&
        SetValue(classKey + "\\VersionIndependentProgID", nullptr, independent) &&
        SetValue(classKey + "\\InprocServer32", nullptr, path) &&
        SetValue(classKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
        SetValue(classKey + "\\ToolboxBitmap32", nullptr,
                 path + ", " + std::to_string(kToolboxBitmapId)) &&
        SetValue(classKey + "\\MiscStatus", nullptr, "0") &&
        SetValue(classKey + "\\MiscStatus\\1", nullptr, std::to_string(kControlMiscStatus)) &&
        SetValue(classKey + "\\Control", nullptr, "") &&
        SetValue(classKey + "\\TypeLib", nullptr, GuidText(kLibId)) &&
        SetValue(classKey + "\\Version", nullptr,
                 std::to_string(kLibVersionMajor) + "." + std::to_string(kLibVersionMinor));
    return written ? S_OK : E_FAIL;
}

HRESULT RegisterPropertyPageClass(bool registering) {
    const std::string clsid = GuidText(kClsidKoloPropPage);
    const std::string classKey = "CLSID\\" + clsid;
    if (!registering) return DeleteTree(HKEY_CLASSES_ROOT, classKey) ? S_OK : E_FAIL;
    const std::string path = TheApp().ShortModulePath();
    if (path.empty()) return E_FAIL;
    const bool written = SetValue(classKey, nullptr, TypeName(IDS_KOLO_PPG, clsid)) &&
                         SetValue(classKey + "\\InprocServer32", nullptr, path);
    return written ? S_OK : E_FAIL;
}

}  // namespace kolo
