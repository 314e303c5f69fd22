// The module's static objects and its four entry points.
//
// The static objects are constructed in this order when the module loads and destroyed in
// reverse order when it unloads: the module object, the control's class factory, the
// property page's class factory. Registration walks the factories in the same order.
#include "module/KoloApp.h"

#include <olectl.h>

#include "module/ClassFactory.h"
#include "module/KoloCtrl.h"
#include "module/KoloGuids.h"
#include "module/KoloPropPage.h"
#include "module/Registration.h"

namespace kolo {
namespace {

CKoloApp theApp;
ClassFactory controlFactory(kClsidKolo, "KOLO.KoloCtrl.1", CreateKoloCtrl, RegisterControlClass);
ClassFactory pageFactory(kClsidKoloPropPage, "KOLO.KoloPropPage.1", CreateKoloPropPage,
                         RegisterPropertyPageClass);

ClassFactory* const kFactories[] = {&controlFactory, &pageFactory};

}  // namespace

CKoloApp& TheApp() { return theApp; }

void CKoloApp::InitInstance(HINSTANCE instance) { instance_ = instance; }

void CKoloApp::ExitInstance() { CKoloCtrl::UnregisterWindowClass(); }

std::string CKoloApp::ShortModulePath() const {
    char longPath[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(instance_, longPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    char shortPath[MAX_PATH + 1] = {};
    const DWORD shortLength = GetShortPathNameA(longPath, shortPath, MAX_PATH);
    // A file system without short names keeps the long one.
    if (shortLength == 0 || shortLength >= MAX_PATH) return longPath;
    return shortPath;
}

}  // namespace kolo

using kolo::TheApp;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        TheApp().InitInstance(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        TheApp().ExitInstance();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    for (kolo::ClassFactory* factory : kolo::kFactories) {
        if (IsEqualCLSID(clsid, factory->Clsid())) return factory->QueryInterface(iid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return TheApp().CanUnload() ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    // The type library comes from the module's own resources.
    wchar_t path[MAX_PATH + 1] = {};
    if (GetModuleFileNameW(TheApp().Instance(), path, MAX_PATH) == 0) return SELFREG_E_TYPELIB;
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library))) return SELFREG_E_TYPELIB;
    const HRESULT registered = RegisterTypeLib(library, path, nullptr);
    library->Release();
    if (FAILED(registered)) return SELFREG_E_TYPELIB;

    for (kolo::ClassFactory* factory : kolo::kFactories) {
        if (FAILED(factory->UpdateRegistry(true))) return SELFREG_E_CLASS;
    }
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    // Only what belongs to this size's view goes while the other size's module is registered:
    // the type library's version key, the interface keys and the ProgIDs serve both. Decided
    // before anything is removed. Everything is removed that can be, even when some of it is
    // already gone.
    const bool shared = kolo::OtherViewRegistersControl();
    const std::string library = "TypeLib\\" + kolo::GuidText(kolo::kLibId);
    const std::string version = library + "\\" + std::to_string(kolo::kLibVersionMajor) + "." +
                                std::to_string(kolo::kLibVersionMinor);
    bool libraryGone = kolo::DeleteClassesKey(version + "\\0\\" + kolo::kLibPlatformKey);
    bool classesGone = true;
    if (!shared) {
        libraryGone = kolo::DeleteSharedClassesKey(version) && libraryGone;
        // The library's key goes with its last version.
        RegDeleteKeyA(HKEY_CLASSES_ROOT, library.c_str());
        for (const GUID* iid : {&kolo::kIidDKolo, &kolo::kIidDKoloEvents}) {
            if (!kolo::DeleteSharedClassesKey("Interface\\" + kolo::GuidText(*iid))) classesGone = false;
        }
    }
    for (kolo::ClassFactory* factory : kolo::kFactories) {
        if (FAILED(factory->UpdateRegistry(false))) classesGone = false;
    }
    if (!libraryGone) return SELFREG_E_TYPELIB;
    return classesGone ? S_OK : SELFREG_E_CLASS;
}
