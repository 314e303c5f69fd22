// KoloRegistryRows.exe MODULE: the registry rows a module's own DllRegisterServer writes, for an
// installer to write as plain rows. HKEY_CLASSES_ROOT is redirected to a scratch key of the
// current user while the module registers, so the machine's registry is left as it was; every
// value under it is then printed as one line
//
//   KEY<TAB>NAME<TAB>TYPE<TAB>VALUE
//
// KEY relative to HKEY_CLASSES_ROOT, NAME empty for a key's default value, TYPE "sz" or
// "dword", VALUE as text (a dword in decimal), in UTF-8. A key with no value is printed with
// TYPE "key". Exits non-zero when the module cannot be loaded or does not register.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr const wchar_t* kScratchKey = L"Software\\KoloRegistryRows";

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], length,
                        nullptr, nullptr);
    return out;
}

void Print(HKEY key, const std::wstring& path) {
    bool anyValue = false;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[4096];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS) {
            break;
        }
        anyValue = true;
        std::string value;
        const char* kind = "sz";
        if (type == REG_DWORD) {
            kind = "dword";
            value = std::to_string(*reinterpret_cast<DWORD*>(data));
        } else {
            value = Utf8(std::wstring(reinterpret_cast<wchar_t*>(data), dataLength / sizeof(wchar_t)).c_str());
        }
        std::printf("%s\t%s\t%s\t%s\n", Utf8(path).c_str(), Utf8(name).c_str(), kind, value.c_str());
    }
    wchar_t sub[256];
    DWORD subLength = 256;
    bool anyKey = false;
    for (DWORD i = 0; subLength = 256, RegEnumKeyExW(key, i, sub, &subLength, nullptr, nullptr,
                                                     nullptr, nullptr) == ERROR_SUCCESS; ++i) {
        anyKey = true;
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, sub, 0, KEY_READ, &child) == ERROR_SUCCESS) {
            Print(child, path.empty() ? std::wstring(sub) : path + L"\\" + sub);
            RegCloseKey(child);
        }
    }
    if (!anyValue && !anyKey && !path.empty()) std::printf("%s\t\tkey\t\n", Utf8(path).c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: KoloRegistryRows MODULE\n");
        return 2;
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
    HKEY scratch = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &scratch, nullptr) != ERROR_SUCCESS) {
        return 3;
    }
    int status = 0;
    HMODULE module = LoadLibraryW(argv[1]);
    // Through a plain function pointer type, which any other may be cast from.
    auto registerServer = module != nullptr ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                                                  reinterpret_cast<void (*)()>(
                                                      GetProcAddress(module, "DllRegisterServer")))
                                            : nullptr;
    if (registerServer == nullptr) {
        status = 3;
    } else {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, scratch);
        const HRESULT result = registerServer();
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (FAILED(result)) {
            std::fprintf(stderr, "DllRegisterServer failed: 0x%08lX\n", static_cast<unsigned long>(result));
            status = 4;
        } else {
            Print(scratch, L"");
        }
    }
    RegCloseKey(scratch);
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
    return status;
}
