// CKoloApp: the module object. It knows the module's instance handle and counts the live
// objects and server locks that keep the module loaded (DllCanUnloadNow).
#pragma once

#include "platform/win32/Win32.h"

#include <string>

namespace kolo {

class CKoloApp {
public:
    CKoloApp() = default;
    CKoloApp(const CKoloApp&) = delete;
    CKoloApp& operator=(const CKoloApp&) = delete;

    // Module start-up and shut-down, from DllMain.
    void InitInstance(HINSTANCE instance);
    void ExitInstance();

    HINSTANCE Instance() const { return instance_; }

    // Every live object and every IClassFactory::LockServer(TRUE) holds one count.
    void AddRef() { InterlockedIncrement(&count_); }
    void Release() { InterlockedDecrement(&count_); }
    bool CanUnload() const { return count_ == 0; }

    // The module's full path in short form, as registration writes it.
    std::string ShortModulePath() const;

private:
    HINSTANCE instance_ = nullptr;
    volatile LONG count_ = 0;
};

CKoloApp& TheApp();

}  // namespace kolo
