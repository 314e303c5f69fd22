#include "module/KoloPropPage.h"

#include <new>

#include "module/KoloApp.h"
#include "module/KoloResources.h"

namespace kolo {
namespace {

constexpr DISPID kDispidImageUrl = 10;   // _DKolo's ImageURL

INT_PTR CALLBACK ProbeProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The ImageURL of `object`; empty when it has none.
std::wstring ImageUrlOf(IDispatch* object) {
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    std::wstring text;
    if (SUCCEEDED(object->Invoke(kDispidImageUrl, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr)) &&
        V_VT(&result) == VT_BSTR && V_BSTR(&result) != nullptr) {
        text = V_BSTR(&result);
    }
    VariantClear(&result);
    return text;
}

// The template's size in pixels, measured on a hidden instance of the page.
SIZE PageSize() {
    SIZE size{0, 0};
    HWND probe = CreateDialogParamA(TheApp().Instance(), MAKEINTRESOURCEA(IDD_PROPPAGE_KOLO),
                                    GetDesktopWindow(), ProbeProc, 0);
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
    ReleaseObjects();
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
                                 PageProc, reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr) return E_FAIL;
    filling_ = true;
    SetDlgItemTextW(window_, IDC_IMAGE_URL,
                    objects_.empty() ? L"" : ImageUrlOf(objects_.front()).c_str());
    filling_ = false;
    dirty_ = false;
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
    if (count != 0 && objects == nullptr) return E_POINTER;
    ReleaseObjects();
    for (ULONG i = 0; i < count; ++i) {
        IDispatch* dispatch = nullptr;
        if (objects[i] != nullptr &&
            SUCCEEDED(objects[i]->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            objects_.push_back(dispatch);
        }
    }
    return S_OK;
}

void CKoloPropPage::ReleaseObjects() {
    for (IDispatch* object : objects_) object->Release();
    objects_.clear();
}

HRESULT CKoloPropPage::Apply() {
    if (!dirty_ || window_ == nullptr) return S_OK;
    const int length = GetWindowTextLengthW(GetDlgItem(window_, IDC_IMAGE_URL));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetDlgItemTextW(window_, IDC_IMAGE_URL, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(lstrlenW(text.c_str())));
    HRESULT result = S_OK;
    for (IDispatch* object : objects_) {
        VARIANT value;
        VariantInit(&value);
        V_VT(&value) = VT_BSTR;
        V_BSTR(&value) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        const HRESULT put = object->Invoke(kDispidImageUrl, IID_NULL, LOCALE_USER_DEFAULT,
                                           DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
        VariantClear(&value);
        if (FAILED(put)) result = put;
    }
    if (SUCCEEDED(result)) dirty_ = false;
    return result;
}

INT_PTR CALLBACK CKoloPropPage::PageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* page = reinterpret_cast<CKoloPropPage*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (page != nullptr && message == WM_COMMAND && LOWORD(wParam) == IDC_IMAGE_URL &&
        HIWORD(wParam) == EN_CHANGE && !page->filling_) {
        page->dirty_ = true;
        if (page->site_ != nullptr) page->site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
        return TRUE;
    }
    return FALSE;
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
