// ClassFactory: the class factory of one of the module's two classes. It creates a fresh
// object for each CreateInstance and knows how to write and remove that class's registry
// entries.
#pragma once

#include "platform/win32/Win32.h"
#include <unknwn.h>

namespace kolo {

class ClassFactory : public IClassFactory {
public:
    using Creator = HRESULT (*)(REFIID iid, void** object);
    using Registrar = HRESULT (*)(bool registering);

    ClassFactory(const CLSID& clsid, const char* progId, Creator create, Registrar update)
        : clsid_(clsid), progId_(progId), create_(create), update_(update) {}

    const CLSID& Clsid() const { return clsid_; }
    const char* ProgId() const { return progId_; }
    // Writes (or removes) the class's registry entries.
    HRESULT UpdateRegistry(bool registering) const { return update_(registering); }

    // IUnknown: the factories are static objects; their counts only keep the module.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IClassFactory
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    CLSID clsid_;
    const char* progId_;
    Creator create_;
    Registrar update_;
};

}  // namespace kolo
