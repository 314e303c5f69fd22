// CKoloPropPage: the control's one property page, dialog template 200 under the caption
// "General": an edit box for the ImageURL property. It shows the first object's address;
// Apply gives the edited text to every object (which loads it), and only when it was edited.
#pragma once

#include "platform/win32/Win32.h"
#include <ocidl.h>

#include <string>
#include <vector>

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
    HRESULT STDMETHODCALLTYPE IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Apply() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

    HWND Window() const { return window_; }

private:
    static INT_PTR CALLBACK PageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void ReleaseObjects();

    LONG references_ = 1;
    std::vector<IDispatch*> objects_;   // the controls being edited, held
    bool dirty_ = false;
    bool filling_ = false;              // the page is setting the edit box itself
    IPropertyPageSite* site_ = nullptr;
    HWND window_ = nullptr;
};

}  // namespace kolo
