// Registration of Kolo.OCX as regsvr32 left it: the registry entries of both classes, the
// type library's contents, the version resource; then registering again changes nothing,
// unregistering removes every entry, and a last registration restores them for the tests
// that follow.
//
// Usage: RegistrationTest.exe PATH_OF_KOLO.OCX
#include <windows.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "module/KoloGuids.h"

using namespace kolotest;

namespace {

const std::string kControlClsid = "{B5F7A1AA-2556-4CDF-97D8-C392079D9DC6}";
const std::string kPageClsid = "{659010FD-0838-484F-A6C2-2558489CD2CF}";
const std::string kLibId = "{67E6E094-D12D-4407-9610-F8A1DC78E07B}";
const std::string kDKoloIid = "{10C1E5FE-C315-41F6-8654-FA611C62FE48}";
const std::string kEventsIid = "{DCDC61AA-35D2-4988-9FDA-1679A6877CE4}";

void CheckValue(const std::string& path, const char* name, const std::string& expected) {
    bool found = false;
    const std::string value = ReadRegistryString(path, name, &found);
    Check("HKCR\\" + path + (name != nullptr ? " [" + std::string(name) + "]" : "") + " = \"" +
              expected + "\"",
          found && value == expected, found ? "got \"" + value + "\"" : "missing");
}

// Every key and value under HKCR\path, as text, for comparing two states of the registry.
void Dump(HKEY parent, const std::string& path, std::string& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out += "[" + path + "]\n";
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        BYTE data[1024];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &dataLength) !=
            ERROR_SUCCESS) {
            break;
        }
        out += std::string(name) + "=" + std::to_string(type) + ":" +
               std::string(reinterpret_cast<char*>(data), dataLength) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        RegCloseKey(key);
        key = nullptr;
        Dump(parent, path + "\\" + name, out);
        RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key);
    }
    if (key != nullptr) RegCloseKey(key);
}

void DeleteTreeOfClasses(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, nullptr);
        RegCloseKey(key);
    }
    RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
}

std::string Snapshot() {
    std::string out;
    for (const std::string& path :
         {"CLSID\\" + kControlClsid, "CLSID\\" + kPageClsid, std::string("KOLO.KoloCtrl.1"),
          std::string("KOLO.KoloCtrl"),
          std::string("KOLO.KoloPropPage.1"), "TypeLib\\" + kLibId, "Interface\\" + kDKoloIid,
          "Interface\\" + kEventsIid}) {
        Dump(HKEY_CLASSES_ROOT, path, out);
    }
    return out;
}

void CheckRegistryTable(const std::string& shortPath) {
    const std::string cls = "CLSID\\" + kControlClsid;
    CheckValue("KOLO.KoloCtrl.1", nullptr, "Kolo Control");
    CheckValue("KOLO.KoloCtrl.1\\CLSID", nullptr, kControlClsid);
    CheckValue("KOLO.KoloCtrl", nullptr, "Kolo Control");
    CheckValue("KOLO.KoloCtrl\\CLSID", nullptr, kControlClsid);
    CheckValue("KOLO.KoloCtrl\\CurVer", nullptr, "KOLO.KoloCtrl.1");
    CheckValue(cls + "\\VersionIndependentProgID", nullptr, "KOLO.KoloCtrl");
    CheckValue(cls, nullptr, "Kolo Control");
    CheckValue(cls + "\\ProgID", nullptr, "KOLO.KoloCtrl.1");
    CheckValue(cls + "\\InprocServer32", nullptr, shortPath);
    CheckValue(cls + "\\InprocServer32", "ThreadingModel", "Apartment");
    CheckValue(cls + "\\ToolboxBitmap32", nullptr, shortPath + ", 1");
    CheckValue(cls + "\\MiscStatus", nullptr, "0");
    CheckValue(cls + "\\MiscStatus\\1", nullptr, "131473");
    CheckValue(cls + "\\Control", nullptr, "");
    CheckValue(cls + "\\TypeLib", nullptr, kLibId);
    CheckValue(cls + "\\Version", nullptr, "1.0");
    Check("no Insertable key for the control", !RegistryKeyExists(cls + "\\Insertable"));

    const std::string page = "CLSID\\" + kPageClsid;
    CheckValue(page, nullptr, "Kolo Property Page");
    CheckValue(page + "\\InprocServer32", nullptr, shortPath);
    bool threading = false;
    ReadRegistryString(page + "\\InprocServer32", "ThreadingModel", &threading);
    Check("the page has no threading model", !threading);
    Check("the page has no ProgID key", !RegistryKeyExists(page + "\\ProgID") &&
                                            !RegistryKeyExists("KOLO.KoloPropPage.1"));
    Check("the type library is registered as 1.0", RegistryKeyExists("TypeLib\\" + kLibId + "\\1.0"));
}

void CheckTypeLibrary() {
    ITypeLib* library = nullptr;
    CheckHr("LoadRegTypeLib finds KOLOLib 1.0", LoadRegTypeLib(kolo::kLibId, 1, 0, 0, &library));
    if (library == nullptr) return;

    BSTR name = nullptr, doc = nullptr, helpFile = nullptr;
    DWORD context = 1;
    library->GetDocumentation(-1, &name, &doc, &context, &helpFile);
    Check("library name KOLOLib", Narrow(name) == "KOLOLib", Narrow(name));
    Check("library help string", Narrow(doc) == "Kolo ActiveX Control module", Narrow(doc));
    Check("the library names no help file", Narrow(helpFile).empty(), Narrow(helpFile));
    Check("library help context 0", context == 0);
    SysFreeString(name);
    SysFreeString(doc);
    SysFreeString(helpFile);

    TLIBATTR* libAttr = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&libAttr))) {
        Check("library version 1.0, locale 0, for the module's own platform",
              libAttr->wMajorVerNum == 1 && libAttr->wMinorVerNum == 0 && libAttr->lcid == 0 &&
                  libAttr->syskind == kolo::kLibSysKind);
        Check("library flag control", (libAttr->wLibFlags & LIBFLAG_FCONTROL) != 0);
        library->ReleaseTLibAttr(libAttr);
    }

    struct Expected {
        const char* label;
        const GUID* guid;
        std::vector<MEMBERID> ids;
        std::vector<VARTYPE> arguments;   // each member's one argument; VT_EMPTY: none
        WORD flags;
    };
    // The properties' get and put come first, as the IDL declares them.
    const Expected interfaces[] = {
        {"_DKolo", &kolo::kIidDKolo, {22, 22, 10, 10, 11, 11, 1, -552},
         {VT_EMPTY, VT_I4, VT_EMPTY, VT_BSTR, VT_EMPTY, VT_BOOL, VT_BSTR, VT_EMPTY},
         TYPEFLAG_FHIDDEN | TYPEFLAG_FDISPATCHABLE},
        {"_DKoloEvents", &kolo::kIidDKoloEvents, {1, 2, 3}, {VT_EMPTY, VT_I4, VT_BSTR},
         TYPEFLAG_FDISPATCHABLE},
    };
    for (const Expected& expected : interfaces) {
        ITypeInfo* info = nullptr;
        CheckHr(std::string(expected.label) + " is in the library",
                library->GetTypeInfoOfGuid(*expected.guid, &info));
        if (info == nullptr) continue;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        Check(std::string(expected.label) + " is a dispinterface", attr->typekind == TKIND_DISPATCH);
        Check(std::string(expected.label) + " has no properties", attr->cVars == 0,
              std::to_string(attr->cVars));
        Check(std::string(expected.label) + " has " + std::to_string(expected.ids.size()) +
                  " methods",
              attr->cFuncs == expected.ids.size(), std::to_string(attr->cFuncs));
        Check(std::string(expected.label) + " type flags", (attr->wTypeFlags & expected.flags) ==
                                                               expected.flags,
              Hex(attr->wTypeFlags));
        if (expected.flags == TYPEFLAG_FDISPATCHABLE) {
            Check("_DKoloEvents is not hidden", (attr->wTypeFlags & TYPEFLAG_FHIDDEN) == 0);
        }
        for (UINT i = 0; i < attr->cFuncs && i < expected.ids.size(); ++i) {
            FUNCDESC* func = nullptr;
            info->GetFuncDesc(i, &func);
            Check(std::string(expected.label) + " method " + std::to_string(i) + " dispid " +
                      std::to_string(expected.ids[i]),
                  func->memid == expected.ids[i], std::to_string(func->memid));
            const VARTYPE argument = expected.arguments[i];
            Check(std::string(expected.label) + " method " + std::to_string(i) + " takes " +
                      (argument == VT_EMPTY ? "no argument" : "one of type " + std::to_string(argument)),
                  argument == VT_EMPTY ? func->cParams == 0
                                       : func->cParams == 1 &&
                                             func->lprgelemdescParam[0].tdesc.vt == argument,
                  std::to_string(func->cParams) + " arguments");
            Check("methods are dispatch methods", func->funckind == FUNC_DISPATCH);
            BSTR help = nullptr;
            info->GetDocumentation(func->memid, nullptr, &help, nullptr, nullptr);
            Check(std::string(expected.label) + " method " + std::to_string(i) +
                      " has a help string",
                  !Narrow(help).empty());
            SysFreeString(help);
            info->ReleaseFuncDesc(func);
        }
        info->ReleaseTypeAttr(attr);
        info->Release();
    }

    ITypeInfo* coclass = nullptr;
    CheckHr("coclass Kolo is in the library", library->GetTypeInfoOfGuid(kolo::kClsidKolo, &coclass));
    if (coclass != nullptr) {
        TYPEATTR* attr = nullptr;
        coclass->GetTypeAttr(&attr);
        Check("coclass flags can-create and control",
              attr->typekind == TKIND_COCLASS &&
                  (attr->wTypeFlags & (TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL)) ==
                      (TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL));
        Check("coclass has two interfaces", attr->cImplTypes == 2);
        int sourceFlags = 0;
        coclass->GetImplTypeFlags(1, &sourceFlags);
        Check("_DKoloEvents is the default source",
              sourceFlags == (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE), Hex(sourceFlags));
        coclass->ReleaseTypeAttr(attr);
        coclass->Release();
    }
    library->Release();
}

void CheckVersionResource(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    Check("the module has a version resource", size != 0);
    if (size == 0) return;
    std::vector<char> block(size);
    GetFileVersionInfoA(path.c_str(), 0, size, block.data());
    void* value = nullptr;
    UINT length = 0;
    Check("the version block marks the file self-registering",
          VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\OLESelfRegister", &value,
                         &length) != 0);
    const std::string fileName = path.substr(path.find_last_of('\\') + 1);
    const struct {
        const char* name;
        std::string expected;   // empty: any text but an empty one
    } strings[] = {
        {"OriginalFilename", fileName},
        {"CompanyName", ""},
        {"LegalCopyright", ""},
        {"FileDescription", "Kolo ActiveX Control Module"},
    };
    for (const auto& entry : strings) {
        const std::string query = std::string("\\StringFileInfo\\040904B0\\") + entry.name;
        const bool found = VerQueryValueA(block.data(), query.c_str(), &value, &length) != 0;
        const std::string text = found ? static_cast<char*>(value) : "";
        Check(std::string("version string ") + entry.name,
              found && (entry.expected.empty() ? !text.empty() : text == entry.expected), text);
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length)) {
        Check("file version 1.0.0.1",
              fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0x00000001);
    }
}

// An exported function by name, as its real type (GetProcAddress knows only FARPROC).
template <typename Function>
Function Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: RegistrationTest PATH_OF_KOLO.OCX\n");
        return 2;
    }
    CoInitialize(nullptr);
    const std::string path = Narrow(argv[1]);
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);

    CheckRegistryTable(shortPath);
    CheckTypeLibrary();
    CheckVersionResource(path);

    HMODULE module = LoadLibraryA(path.c_str());
    Check("the module loads", module != nullptr);
    if (module == nullptr) return Summary();
    using EntryPoint = HRESULT(STDAPICALLTYPE*)();
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto registerServer = Entry<EntryPoint>(module, "DllRegisterServer");
    auto unregisterServer = Entry<EntryPoint>(module, "DllUnregisterServer");
    auto canUnload = Entry<EntryPoint>(module, "DllCanUnloadNow");
    auto getClassObject = Entry<GetClassObject>(module, "DllGetClassObject");
    Check("the four entry points are exported",
          registerServer && unregisterServer && canUnload && getClassObject);
    if (!(registerServer && unregisterServer && canUnload && getClassObject)) return Summary();

    void* sentinel = reinterpret_cast<void*>(0x1234);
    void* factory = sentinel;
    CheckHr("an unknown CLSID has no factory", getClassObject(IID_IUnknown, IID_IClassFactory, &factory),
            CLASS_E_CLASSNOTAVAILABLE);
    Check("the out-pointer is cleared on failure", factory == nullptr);
    IClassFactory* controlFactory = nullptr;
    CheckHr("the control's factory", getClassObject(kolo::kClsidKolo, IID_IClassFactory,
                                                    reinterpret_cast<void**>(&controlFactory)));
    CheckHr("a factory keeps the module loaded", canUnload(), S_FALSE);
    if (controlFactory != nullptr) {
        IUnknown* outer = reinterpret_cast<IUnknown*>(controlFactory);
        void* object = sentinel;
        CheckHr("no aggregation", controlFactory->CreateInstance(outer, IID_IUnknown, &object),
                CLASS_E_NOAGGREGATION);
        controlFactory->Release();
    }
    CheckHr("the module can unload when nothing is left", canUnload(), S_OK);

    const std::string once = Snapshot();
    CheckHr("registering again", registerServer());
    const std::string twice = Snapshot();
    Check("registering twice leaves what registering once left", once == twice);

    CheckHr("DllUnregisterServer", unregisterServer());
    Check("the control's CLSID key is gone", !RegistryKeyExists("CLSID\\" + kControlClsid));
    Check("the page's CLSID key is gone", !RegistryKeyExists("CLSID\\" + kPageClsid));
    Check("the control's ProgID key is gone", !RegistryKeyExists("KOLO.KoloCtrl.1"));
    Check("the type library registration is gone", !RegistryKeyExists("TypeLib\\" + kLibId));
    Check("the interface keys are gone", !RegistryKeyExists("Interface\\" + kDKoloIid) &&
                                             !RegistryKeyExists("Interface\\" + kEventsIid));
    ITypeLib* library = nullptr;
    Check("LoadRegTypeLib fails after unregistering",
          FAILED(LoadRegTypeLib(kolo::kLibId, 1, 0, 0, &library)));
    if (library != nullptr) library->Release();

    CheckHr("unregistering when nothing is registered", unregisterServer());

    // Unregistering removes whatever is left when some entries are already gone.
    const std::vector<std::string> missing[] = {
        {"KOLO.KoloCtrl.1"},
        {"KOLO.KoloCtrl", "CLSID\\" + kPageClsid},
        {"CLSID\\" + kControlClsid + "\\InprocServer32"},
        {"CLSID\\" + kControlClsid},
        {"TypeLib\\" + kLibId},
    };
    for (const std::vector<std::string>& keys : missing) {
        registerServer();
        for (const std::string& key : keys) DeleteTreeOfClasses(key);
        CheckHr("unregistering without " + keys.front(), unregisterServer());
        Check("and nothing is left", Snapshot().empty(), Snapshot());
    }

    CheckHr("registering after unregistering", registerServer());
    Check("the entries are back as before", Snapshot() == once);

    FreeLibrary(module);
    CoUninitialize();
    return Summary();
}
