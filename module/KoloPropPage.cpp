#include "module/KoloPropPage.h"

#include <new>

#include "module/KoloApp.h"
#include "module/KoloResources.h"

namespace kolo {
namespace {

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The template's size in pixels, measured on a hidden instance of the page.
SIZE PageSize() {
    SIZE size{0, 0};
    HWND probe = CreateDialogParamA(TheApp().Instance(), MAKEINTRESOURCEA(IDD_PROPPAGE_KOLO),
                                    GetDesktopWindow(), PageProc, 0);
    if (probe == nullptr) return size;
    RECT rect;
    GetWindowRect(probe, &rect);
    DestroyWindow(probe);
    size.cx = rect.right - rect.left;
    size.cy = rect.bottom - rect.top;
    return size;
}

wchar_t* CopyForCaller(const wchar_t* text) {
    const std::size_t bytes = (lstrlenW(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (copy != nullptr) CopyMemory(copy, text, bytes);
    return copy;
}

}  // namespace

HRESULT CreateKoloPropPage(REFIID iid, void** object) {
    auto* page = new (std::nothrow) CKoloPropPage();
    if (page == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = page->QueryInterface(iid, object);
    page->Release();
    return result;
}

CKoloPropPage::CKoloPropPage() { TheApp().AddRef(); }

CKoloPropPage::~CKoloPropPage() {
    Deactivate();
    if (site_ != nullptr) site_->Release();
    TheApp().Release();
}

HRESULT CKoloPropPage::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyPage)) {
        *object = static_cast<IPropertyPage*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CKoloPropPage::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG CKoloPropPage::Release() {
    const LONG count = InterlockedDecrement(&references_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT CKoloPropPage::SetPageSite(IPropertyPageSite* site) {
    if (site != nullptr) site->AddRef();
    if (site_ != nullptr) site_->Release();
    site_ = site;
    return S_OK;
}

HRESULT CKoloPropPage::Activate(HWND parent, LPCRECT rect, BOOL) {
    if (window_ != nullptr) return E_UNEXPECTED;
    window_ = CreateDialogParamA(TheApp().Instance(), MAKEINTRESOURCEA(IDD_PROPPAGE_KOLO), parent,
                                 PageProc, 0);
    if (window_ == nullptr) return E_FAIL;
    if (rect != nullptr) Move(rect);
    return S_OK;
}

HRESULT CKoloPropPage::Deactivate() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
    return S_OK;
}

HRESULT CKoloPropPage::GetPageInfo(PROPPAGEINFO* info) {
    if (info == nullptr) return E_POINTER;
    wchar_t title[64] = L"";
    LoadStringW(TheApp().Instance(), IDS_KOLO_PPG_CAPTION, title, 64);
    info->cb = sizeof *info;
    info->pszTitle = CopyForCaller(title);
    info->size = PageSize();
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return info->pszTitle != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CKoloPropPage::SetObjects(ULONG count, IUnknown** objects) {
    // Nothing on the page binds to the control, so the objects are not kept.
    if (count != 0 && objects == nullptr) return E_POINTER;
    return S_OK;
}

HRESULT CKoloPropPage::Show(UINT command) {
    if (window_ == nullptr) return E_UNEXPECTED;
    ShowWindow(window_, static_cast<int>(command));
    return S_OK;
}

HRESULT CKoloPropPage::Move(LPCRECT rect) {
    if (rect == nullptr) return E_POINTER;
    if (window_ == nullptr) return E_UNEXPECTED;
    MoveWindow(window_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top,
               TRUE);
    return S_OK;
}

}  // namespace kolo
