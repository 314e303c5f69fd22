// CKoloPropPage: the control's one property page, a placeholder that shows dialog template
// 200 under the caption "General" and edits nothing: applying or cancelling changes nothing.
#pragma once

#include "platform/win32/Win32.h"
#include <ocidl.h>

namespace kolo {

HRESULT CreateKoloPropPage(REFIID iid, void** object);

class CKoloPropPage : public IPropertyPage {
public:
    CKoloPropPage();
    virtual ~CKoloPropPage();
    CKoloPropPage(const CKoloPropPage&) = delete;
    CKoloPropPage& operator=(const CKoloPropPage&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT STDMETHODCALLTYPE Show(UINT command) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Apply() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

    HWND Window() const { return window_; }

private:
    LONG references_ = 1;
    IPropertyPageSite* site_ = nullptr;
    HWND window_ = nullptr;
};

}  // namespace kolo
