#include "module/KoloCtrl.h"

#include <exdisp.h>
#include <shlguid.h>

#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "board/BoardLayout.h"
#include "module/KoloApp.h"
#include "module/KoloGuids.h"
#include "module/KoloResources.h"
#include "platform/win32/GdiBitmap.h"
#include "platform/win32/GdiContext.h"
#include "platform/win32/LocalFolderSession.h"
#include "platform/win32/WinInetSession.h"

namespace kolo {

namespace {

// What an enumerator hands out is AddRef'd; what it holds it releases when it goes.
void AddRefItem(IConnectionPoint* point) { point->AddRef(); }
void AddRefItem(const CONNECTDATA& connection) { connection.pUnk->AddRef(); }
void ReleaseItem(IConnectionPoint* point) { point->Release(); }
void ReleaseItem(const CONNECTDATA& connection) { connection.pUnk->Release(); }

// An enumerator over a fixed list taken when it is made: IEnumConnectionPoints over
// IConnectionPoint pointers, IEnumConnections over CONNECTDATA. Clones copy the list and the
// position.
template <typename Interface, typename Item>
class CKoloEnum final : public Interface {
public:
    CKoloEnum(const IID& iid, std::vector<Item> items, std::size_t position = 0)
        : iid_(iid), items_(std::move(items)), position_(position) {
        for (const Item& item : items_) AddRefItem(item);
    }
    ~CKoloEnum() {
        for (const Item& item : items_) ReleaseItem(item);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, iid_)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG count = InterlockedDecrement(&references_);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }

    // `fetched` may be null only when one item is asked for.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override {
        if (items == nullptr || (fetched == nullptr && count != 1)) return E_POINTER;
        ULONG given = 0;
        while (given < count && position_ < items_.size()) {
            items[given] = items_[position_++];
            AddRefItem(items[given]);
            ++given;
        }
        if (fetched != nullptr) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const std::size_t left = items_.size() - position_;
        if (count > left) {
            position_ = items_.size();
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** copy) override {
        if (copy == nullptr) return E_POINTER;
        *copy = nullptr;
        auto* clone = new (std::nothrow) CKoloEnum(iid_, items_, position_);
        if (clone == nullptr) return E_OUTOFMEMORY;
        *copy = clone;
        return S_OK;
    }

private:
    const IID& iid_;
    std::vector<Item> items_;
    std::size_t position_;
    LONG references_ = 1;
};

using CKoloEnumConnectionPoints = CKoloEnum<IEnumConnectionPoints, IConnectionPoint*>;
using CKoloEnumConnections = CKoloEnum<IEnumConnections, CONNECTDATA>;

}  // namespace

// The one connection point, for _DKoloEvents. Its references are the control's.
class CKoloEventPoint final : public IConnectionPoint {
public:
    explicit CKoloEventPoint(CKoloCtrl& control) : control_(control) {}
    ~CKoloEventPoint() {
        for (Sink& sink : sinks_) sink.dispatch->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
            *object = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return control_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return control_.Release(); }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (iid == nullptr) return E_POINTER;
        *iid = kIidDKoloEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override {
        if (c == nullptr) return E_POINTER;
        *c = static_cast<IConnectionPointContainer*>(&control_);
        (*c)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (sink == nullptr || cookie == nullptr) return E_POINTER;
        *cookie = 0;
        IDispatch* dispatch = nullptr;
        if (FAILED(sink->QueryInterface(kIidDKoloEvents, reinterpret_cast<void**>(&dispatch))) &&
            FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            return CONNECT_E_CANNOTCONNECT;
        }
        sinks_.push_back(Sink{++lastCookie_, dispatch});
        *cookie = lastCookie_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
            if (it->cookie == cookie) {
                IDispatch* dispatch = it->dispatch;
                sinks_.erase(it);
                dispatch->Release();
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    }
    // A snapshot of the connections as they are now.
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
        if (connections == nullptr) return E_POINTER;
        *connections = nullptr;
        std::vector<CONNECTDATA> snapshot;
        for (Sink& sink : sinks_) snapshot.push_back(CONNECTDATA{sink.dispatch, sink.cookie});
        auto* enumerator = new (std::nothrow) CKoloEnumConnections(IID_IEnumConnections, snapshot);
        if (enumerator == nullptr) return E_OUTOFMEMORY;
        *connections = enumerator;
        return S_OK;
    }

    // Calls `id` with `arguments` (last argument first, as DISPPARAMS holds them) on every
    // sink; what the sinks answer is ignored.
    void Fire(DISPID id, VARIANT* arguments = nullptr, UINT count = 0) {
        // A sink may unadvise while being called: call a counted copy of the list.
        std::vector<IDispatch*> targets;
        for (Sink& sink : sinks_) {
            sink.dispatch->AddRef();
            targets.push_back(sink.dispatch);
        }
        for (IDispatch* target : targets) {
            DISPPARAMS params{arguments, nullptr, count, 0};
            target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                           nullptr, nullptr);
            target->Release();
        }
    }

private:
    struct Sink {
        DWORD cookie;
        IDispatch* dispatch;
    };
    CKoloCtrl& control_;
    std::vector<Sink> sinks_;
    DWORD lastCookie_ = 0;
};

namespace {

constexpr const char* kWindowClass = "KoloCtrlWindow";
constexpr const char* kMessageCaption = "Kolo";   // the module's application title
constexpr DISPID kDispidSetImageUrl = 1;
constexpr DISPID kDispidAboutBox = DISPID_ABOUTBOX;   // -552
constexpr DISPID kDispidImageUrl = 10;
constexpr DISPID kDispidShowMessages = 11;
constexpr DISPID kDispidCloseGaps = 22;   // a property; 0 unless the container sets it
constexpr DISPID kDispidOnInitImage = 1;
constexpr DISPID kDispidFolderLoaded = 2;
constexpr DISPID kDispidFolderFailed = 3;
constexpr DWORD kSafeOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
constexpr LONG kHimetricPerInch = 2540;
constexpr int kDesignDpi = 96;   // the resolution the board's pixels are drawn for

ATOM windowClass = 0;
constexpr const char* kDeliveryClass = "KoloCtrlDelivery";
ATOM deliveryClass = 0;
// Posted to the delivery window when the loader has queued results for the board.
constexpr UINT kLoadDelivered = WM_APP + 1;

// The board's natural size is its pixels at 96 dpi, whatever the screen's: a container at
// 192 dpi turns the same HIMETRIC extent into twice the pixels.
LONG BoardPixelsToHimetric(LONG pixels) { return MulDiv(pixels, kHimetricPerInch, kDesignDpi); }

// The resolution of `window`'s device context, as the container reads it.
SIZE WindowDpi(HWND window) {
    SIZE dpi{kDesignDpi, kDesignDpi};
    HDC dc = GetDC(window);
    if (dc == nullptr) return dpi;
    if (GetDeviceCaps(dc, LOGPIXELSX) > 0) dpi.cx = GetDeviceCaps(dc, LOGPIXELSX);
    if (GetDeviceCaps(dc, LOGPIXELSY) > 0) dpi.cy = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi;
}

// The address as it goes on the wire: UTF-8, with every byte outside printable ASCII
// percent-encoded, so a folder named in any language reaches the server as its name.
std::string AddressFromText(const wchar_t* text) {
    if (text == nullptr) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return std::string();
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], length, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length - 1));
    static const char kHex[] = "0123456789ABCDEF";
    std::string address;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            address += '%';
            address += kHex[byte >> 4];
            address += kHex[byte & 0x0F];
        } else {
            address += c;
        }
    }
    return address;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        // OK, Escape and the system menu's close all simply end the modal loop.
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// A printer's or a metafile's context, which a board drawn once for it may give more detail
// than the screen's.
bool IsOutputContext(HDC dc) {
    const DWORD kind = GetObjectType(dc);
    return kind == OBJ_ENHMETADC || kind == OBJ_METADC ||
           GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER;
}

// The board's composed image: 32 bits a pixel, bottom-up.
BITMAPINFO ComposedInfo() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kBoardWidth;
    info.bmiHeader.biHeight = kBoardHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

template <typename T>
void ReleaseAndClear(T*& pointer) {
    if (pointer != nullptr) {
        pointer->Release();
        pointer = nullptr;
    }
}

}  // namespace

std::unique_ptr<InternetSession> CKoloCtrl::OpenSession() {
    return std::make_unique<LocalFolderSession>(std::make_unique<WinInetSession>());
}

HRESULT CreateKoloCtrl(REFIID iid, void** object) {
    auto* control = new (std::nothrow) CKoloCtrl();
    if (control == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = control->QueryInterface(iid, object);
    control->Release();
    return result;
}

CKoloCtrl::CKoloCtrl()
    : resources_(TheApp().Instance()),
      board_(*this, resources_),
      deliveries_(std::make_shared<Deliveries>()),
      eventPoint_(nullptr) {
    // The poster holds the queue, not the control: it may run on any of the loader's threads.
    std::shared_ptr<Deliveries> deliveries = deliveries_;
    folderLoader_ = std::make_unique<ThreadedFolderLoader>(
        OpenSession,
        [deliveries](std::function<void()> task) {
            std::lock_guard<std::mutex> lock(deliveries->mutex);
            if (deliveries->window == nullptr) return;   // the control is going
            deliveries->tasks.push_back(std::move(task));
            // One wake-up for a queue that was empty; RunDelivered drains what follows.
            if (deliveries->tasks.size() == 1) PostMessageA(deliveries->window, kLoadDelivered, 0, 0);
        });
    // Releasing the control must not wait for a transfer WinINet keeps blocked: a load's
    // thread is left to end on its own, holding the module in memory until it has.
    folderLoader_->LeaveThreadsOnEnd([]() -> std::shared_ptr<void> {
        TheApp().AddRef();
        return std::shared_ptr<void>(nullptr, [](void*) { TheApp().Release(); });
    });
    board_.SetFolderLoader(folderLoader_.get());
    TheApp().AddRef();
    eventPoint_ = new CKoloEventPoint(*this);
    extent_.cx = BoardPixelsToHimetric(kBoardWidth);
    extent_.cy = BoardPixelsToHimetric(kBoardHeight);
}

CKoloCtrl::~CKoloCtrl() {
    // The load stops first; its threads may still run, but from here their results are
    // dropped by the poster, and a wake-up still posted dies with the delivery window.
    board_.SetFolderLoader(nullptr);
    folderLoader_.reset();
    HWND delivery = nullptr;
    {
        std::lock_guard<std::mutex> lock(deliveries_->mutex);
        std::swap(delivery, deliveries_->window);
        deliveries_->tasks.clear();
    }
    if (delivery != nullptr) {
        SetWindowLongPtrA(delivery, GWLP_USERDATA, 0);
        DestroyWindow(delivery);
    }
    if (window_ != nullptr) DestroyWindow(window_);
    if (composedDc_ != nullptr) {
        SelectObject(composedDc_, composedDcBitmap_);
        DeleteDC(composedDc_);
    }
    if (composed_ != nullptr) DeleteObject(composed_);
    delete eventPoint_;
    ReleaseAndClear(viewSink_);
    ReleaseAndClear(adviseHolder_);
    ReleaseAndClear(inPlaceSite_);
    ReleaseAndClear(clientSite_);
    TheApp().Release();
}

void CKoloCtrl::UnregisterWindowClass() {
    if (windowClass != 0) UnregisterClassA(kWindowClass, TheApp().Instance());
    windowClass = 0;
    if (deliveryClass != 0) UnregisterClassA(kDeliveryClass, TheApp().Instance());
    deliveryClass = 0;
}

// ---------------------------------------------------------------- IUnknown

HRESULT CKoloCtrl::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject)) {
        *object = static_cast<IOleObject*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceObject)) {
        *object = static_cast<IOleInPlaceObject*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceActiveObject)) {
        *object = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (IsEqualIID(iid, IID_IViewObject) || IsEqualIID(iid, IID_IViewObject2)) {
        *object = static_cast<IViewObject2*>(this);
    } else if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistStreamInit)) {
        *object = static_cast<IPersistStreamInit*>(this);
    } else if (IsEqualIID(iid, IID_IPersistPropertyBag)) {
        *object = static_cast<IPersistPropertyBag*>(this);
    } else if (IsEqualIID(iid, IID_IPersistStorage)) {
        *object = static_cast<IPersistStorage*>(this);
    } else if (IsEqualIID(iid, IID_IOleControl)) {
        *object = static_cast<IOleControl*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidDKolo)) {
        *object = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
        *object = static_cast<IProvideClassInfo2*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else if (IsEqualIID(iid, IID_ISpecifyPropertyPages)) {
        *object = static_cast<ISpecifyPropertyPages*>(this);
    } else if (IsEqualIID(iid, IID_IObjectSafety)) {
        *object = static_cast<IObjectSafety*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CKoloCtrl::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG CKoloCtrl::Release() {
    const LONG count = InterlockedDecrement(&references_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

// ---------------------------------------------------------------- IOleObject

HRESULT CKoloCtrl::SetClientSite(IOleClientSite* site) {
    if (site != nullptr) site->AddRef();
    ReleaseAndClear(clientSite_);
    clientSite_ = site;
    return S_OK;
}

HRESULT CKoloCtrl::GetClientSite(IOleClientSite** site) {
    if (site == nullptr) return E_POINTER;
    *site = clientSite_;
    if (clientSite_ != nullptr) clientSite_->AddRef();
    return S_OK;
}

HRESULT CKoloCtrl::Close(DWORD) {
    InPlaceDeactivate();
    if (adviseHolder_ != nullptr) adviseHolder_->SendOnClose();
    return S_OK;
}

HRESULT CKoloCtrl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT CKoloCtrl::GetClipboardData(DWORD, IDataObject** data) {
    if (data != nullptr) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT CKoloCtrl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                          LPCRECT position) {
    if (site != nullptr && clientSite_ == nullptr) SetClientSite(site);
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            return InPlaceActivate(parent, position);
        case OLEIVERB_HIDE:
            if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
            return S_OK;
        case OLEIVERB_PROPERTIES:
            ShowPropertyFrame(parent != nullptr ? parent : window_);
            return S_OK;
        default:
            return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT CKoloCtrl::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs == nullptr) return E_POINTER;
    return OleRegEnumVerbs(kClsidKolo, verbs);
}

HRESULT CKoloCtrl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT CKoloCtrl::GetUserType(DWORD form, LPOLESTR* name) {
    if (name == nullptr) return E_POINTER;
    return OleRegGetUserType(kClsidKolo, form, name);
}

HRESULT CKoloCtrl::SetExtent(DWORD aspect, SIZEL* size) {
    if (size == nullptr) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    extent_ = *size;
    return S_OK;
}

HRESULT CKoloCtrl::GetExtent(DWORD aspect, SIZEL* size) {
    if (size == nullptr) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

HRESULT CKoloCtrl::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (cookie == nullptr) return E_POINTER;
    *cookie = 0;
    if (adviseHolder_ == nullptr && FAILED(CreateOleAdviseHolder(&adviseHolder_))) {
        return E_OUTOFMEMORY;
    }
    return adviseHolder_->Advise(sink, cookie);
}

HRESULT CKoloCtrl::Unadvise(DWORD cookie) {
    return adviseHolder_ != nullptr ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

HRESULT CKoloCtrl::EnumAdvise(IEnumSTATDATA** advise) {
    if (advise == nullptr) return E_POINTER;
    *advise = nullptr;
    return adviseHolder_ != nullptr ? adviseHolder_->EnumAdvise(advise) : E_FAIL;
}

HRESULT CKoloCtrl::GetMiscStatus(DWORD, DWORD* status) {
    if (status == nullptr) return E_POINTER;
    *status = kKoloMiscStatus;
    return S_OK;
}

// ---------------------------------------------------------------- in-place activation

HRESULT CKoloCtrl::InPlaceActivate(HWND parentHint, LPCRECT position) {
    if (window_ != nullptr) {
        ShowWindow(window_, SW_SHOW);
        return S_OK;
    }
    if (clientSite_ == nullptr) return E_UNEXPECTED;
    RECT place{};
    bool placeKnown = position != nullptr;
    if (placeKnown) place = *position;
    HWND parent = parentHint;

    if (SUCCEEDED(clientSite_->QueryInterface(IID_IOleInPlaceSite,
                                              reinterpret_cast<void**>(&inPlaceSite_)))) {
        if (inPlaceSite_->CanInPlaceActivate() != S_OK) {
            ReleaseAndClear(inPlaceSite_);
            return E_FAIL;
        }
        inPlaceSite_->OnInPlaceActivate();
        HWND siteWindow = nullptr;
        if (SUCCEEDED(inPlaceSite_->GetWindow(&siteWindow)) && siteWindow != nullptr) {
            parent = siteWindow;
        }
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT sitePlace{};
        RECT clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        if (SUCCEEDED(inPlaceSite_->GetWindowContext(&frame, &document, &sitePlace, &clip,
                                                     &frameInfo))) {
            if (!placeKnown) place = sitePlace;
            placeKnown = true;
        }
        ReleaseAndClear(frame);
        ReleaseAndClear(document);
    }
    if (parent == nullptr) return E_FAIL;
    if (!placeKnown) {
        // Without a place from the container: the board's natural size at its resolution.
        const SIZE dpi = WindowDpi(parent);
        place = RECT{0, 0, MulDiv(kBoardWidth, dpi.cx, kDesignDpi),
                     MulDiv(kBoardHeight, dpi.cy, kDesignDpi)};
    }

    if (windowClass == 0) {
        WNDCLASSEXA cls{};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = WindowProc;
        cls.hInstance = TheApp().Instance();
        cls.lpszClassName = kWindowClass;
        windowClass = RegisterClassExA(&cls);
        if (windowClass == 0) return E_FAIL;
    }
    // The window's WM_CREATE runs the board's Initialise, which fires OnInitImage.
    CreateWindowExA(0, kWindowClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, place.left,
                    place.top, place.right - place.left, place.bottom - place.top, parent, nullptr,
                    TheApp().Instance(), this);
    if (window_ == nullptr) return E_FAIL;
    clientSite_->ShowObject();
    return S_OK;
}

HRESULT CKoloCtrl::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return window_ != nullptr ? S_OK : E_FAIL;
}

HRESULT CKoloCtrl::InPlaceDeactivate() {
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
    if (inPlaceSite_ != nullptr) {
        inPlaceSite_->OnInPlaceDeactivate();
        ReleaseAndClear(inPlaceSite_);
    }
    return S_OK;
}

HRESULT CKoloCtrl::UIDeactivate() { return S_OK; }

HRESULT CKoloCtrl::SetObjectRects(LPCRECT position, LPCRECT) {
    if (position == nullptr) return E_POINTER;
    if (window_ != nullptr) {
        MoveWindow(window_, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    }
    return S_OK;
}

// ---------------------------------------------------------------- window

LRESULT CALLBACK CKoloCtrl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* control = static_cast<CKoloCtrl*>(create->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
        control->window_ = window;
    }
    auto* control = reinterpret_cast<CKoloCtrl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (control == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        if (control->window_ == window) control->window_ = nullptr;
        control->boardReady_ = false;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return control->OnMessage(message, wParam, lParam);
}

LRESULT CALLBACK CKoloCtrl::DeliveryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* control = reinterpret_cast<CKoloCtrl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == kLoadDelivered && control != nullptr) {
        control->RunDelivered();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CKoloCtrl::EnsureDeliveryWindow() {
    if (deliveries_->window != nullptr) return true;
    if (deliveryClass == 0) {
        WNDCLASSEXA cls{};
        cls.cbSize = sizeof cls;
        cls.lpfnWndProc = DeliveryProc;
        cls.hInstance = TheApp().Instance();
        cls.lpszClassName = kDeliveryClass;
        deliveryClass = RegisterClassExA(&cls);
        if (deliveryClass == 0) return false;
    }
    HWND window = CreateWindowExA(0, kDeliveryClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  TheApp().Instance(), nullptr);
    if (window == nullptr) return false;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    std::lock_guard<std::mutex> lock(deliveries_->mutex);
    deliveries_->window = window;
    return true;
}

void CKoloCtrl::RunDelivered() {
    // A result may show the message box, whose loop lets the container release the control.
    AddRef();
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(deliveries_->mutex);
            if (deliveries_->tasks.empty()) break;
            task = std::move(deliveries_->tasks.front());
            deliveries_->tasks.pop_front();
        }
        const bool wasLoading = board_.IsLoading();
        try {
            task();
        } catch (const std::exception&) {
            // Nothing may unwind into the window procedure; the picture is simply missing.
        }
        NoteLoadEnd(wasLoading);
    }
    Release();
}

void CKoloCtrl::NoteLoadEnd(bool wasLoading) {
    if (!wasLoading || board_.IsLoading() || loadFailed_) return;
    VARIANT count;
    VariantInit(&count);
    V_VT(&count) = VT_I4;
    V_I4(&count) = static_cast<LONG>(board_.Pictures().size());
    eventPoint_->Fire(kDispidFolderLoaded, &count, 1);
}

void CKoloCtrl::SetImageURL(const std::string& url) {
    // Without a delivery window (no message queue to post to) the folder loads on the spot.
    const bool blocking = !EnsureDeliveryWindow();
    board_.SetFolderLoader(blocking ? static_cast<FolderLoader*>(&blockingLoader_)
                                    : folderLoader_.get());
    loadFailed_ = false;
    board_.SetImageURL(url);
    if (blocking) NoteLoadEnd(!url.empty());
}

void CKoloCtrl::SetImageURL(const std::wstring& text) {
    imageUrl_ = text;
    // A plain local folder is read as its file:// address.
    SetImageURL(AddressFromText(FileUrlOfPath(text).c_str()));
}

int CKoloCtrl::OnCreate() {
    // The six owner-drawn buttons, as children at the board's rectangles; the board's
    // Initialise then sets which of them are enabled.
    for (const BitmapButton& button : board_.Buttons()) {
        const Rect& r = button.GetRect();
        const DWORD style = button.StartsEnabled() ? kButtonStyle : kDisabledButtonStyle;
        CreateWindowExA(0, "BUTTON", "", style, r.left, r.top, r.Width(), r.Height(),
                        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.Id())),
                        TheApp().Instance(), nullptr);
    }
    PlaceBoard();
    boardReady_ = true;
    const int result = board_.Initialise();
    // A persisted address loads once the window is there, unless the container gave one
    // while answering OnInitImage.
    if (result == 0 && board_.ImageUrl().empty() && !imageUrl_.empty()) SetImageURL(imageUrl_);
    return result;
}

LRESULT CKoloCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate();
        case WM_ERASEBKGND:
            return 1;   // every paint covers the whole control
        case WM_SIZE:
            PlaceBoard();
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window_, &paint);
            PaintWindow(dc, paint.rcPaint, false);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client{};
            GetClientRect(window_, &client);
            PaintWindow(reinterpret_cast<HDC>(wParam), client, true);
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE: {
            // Device pixels to the board point shown under them; the letterbox is no part of
            // the board, so a click there does nothing.
            int x = -1;
            int y = -1;
            placement_.ToBoard(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                               x, y);
            if (message == WM_MOUSEMOVE) {
                board_.PointerMoved(x, y);
            } else if (kBoardRect.Contains(x, y)) {
                board_.Click(x, y);
            }
            return 0;
        }
        case WM_SETCURSOR:
            answeringSetCursor_ = true;
            board_.UpdateCursor();
            answeringSetCursor_ = false;
            return TRUE;
        case WM_COMMAND:
            // The notification code in the high word is not examined.
            board_.Command(LOWORD(wParam));
            return 0;
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        default:
            return DefWindowProcA(window_, message, wParam, lParam);
    }
}

void CKoloCtrl::OnDrawItem(const DRAWITEMSTRUCT& item) {
    BitmapButton* button = board_.FindButton(static_cast<int>(item.CtlID));
    if (button == nullptr) return;
    button->SetPressed((item.itemState & ODS_SELECTED) != 0);
    const DeviceBitmap* face = button->CurrentFace();
    if (face == nullptr) return;
    GdiContext target(item.hDC, GdiContext::Release::kNone);
    // The face at the board's size, scaled to the button's as the board is.
    const Rect& rect = button->GetRect();
    target.StretchBitmap(*face, Rect{0, 0, rect.Width(), rect.Height()},
                         Rect{item.rcItem.left, item.rcItem.top, item.rcItem.right,
                              item.rcItem.bottom});
}

void CKoloCtrl::PlaceBoard() {
    if (window_ == nullptr) return;
    RECT client{};
    GetClientRect(window_, &client);
    placement_ = FitBoard(Rect{client.left, client.top, client.right, client.bottom});
    // The picture is held at as much detail as the site has device pixels for; the fills are
    // replayed there, so the colouring stays.
    board_.SetDetail(placement_.Detail());
    for (const BitmapButton& button : board_.Buttons()) {
        HWND child = GetDlgItem(window_, button.Id());
        const Rect place = placement_.ToDevice(button.GetRect());
        if (child != nullptr) {
            MoveWindow(child, place.left, place.top, place.Width(), place.Height(), TRUE);
        }
    }
    InvalidateRect(window_, nullptr, FALSE);
}

void CKoloCtrl::PaintInto(HDC dc, int x, int y, bool withButtons, const RECT* update) {
    const Rect invalid = update != nullptr
                             ? Rect{update->left, update->top, update->right, update->bottom}
                             : kBoardRect;
    POINT origin;
    SetViewportOrgEx(dc, x, y, &origin);
    {
        GdiContext target(dc, GdiContext::Release::kNone);
        board_.Paint(target, kBoardRect, invalid);
        // The buttons are child windows that draw themselves on screen; a copy of the board
        // into another context carries their current faces as well.
        if (withButtons) {
            for (const BitmapButton& button : board_.Buttons()) button.Draw(target);
        }
    }
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

void CKoloCtrl::PaintWindow(HDC dc, const RECT& update, bool withButtons) {
    RECT client{};
    GetClientRect(window_, &client);
    const Rect area{client.left, client.top, client.right, client.bottom};
    if (!placement_.IsOneToOne()) {
        // The board points under the update, and one more around them that smoothing reaches.
        int left = 0, top = 0, right = 0, bottom = 0;
        placement_.ToBoard(update.left, update.top, left, top);
        placement_.ToBoard(update.right - 1, update.bottom - 1, right, bottom);
        DrawScaled(dc, placement_, area, Rect{left - 1, top - 1, right + 2, bottom + 2});
        return;
    }
    // One to one the board paints only the part asked for, straight from its own image.
    const RECT part{update.left - placement_.left, update.top - placement_.top,
                    update.right - placement_.left, update.bottom - placement_.top};
    PaintInto(dc, placement_.left, placement_.top, withButtons, &part);
    FillLetterbox(dc, placement_, area);
}

bool CKoloCtrl::ComposeBoard() {
    if (composedDc_ == nullptr) {
        const BITMAPINFO info = ComposedInfo();
        HDC dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP bitmap = dc != nullptr ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                                       : nullptr;
        if (bitmap == nullptr) {
            if (dc != nullptr) DeleteDC(dc);
            return false;
        }
        composedDc_ = dc;
        composed_ = bitmap;
        composedBits_ = bits;
        composedDcBitmap_ = SelectObject(dc, bitmap);
    }
    PaintInto(composedDc_, 0, 0, true);
    GdiFlush();   // the bits are read directly next
    return true;
}

bool CKoloCtrl::DrawScaled(HDC dc, const BoardPlacement& placement, const Rect& area,
                           const Rect& part) {
    if (!ComposeBoard()) return false;
    const BITMAPINFO info = ComposedInfo();
    // From the bits rather than the memory context, which a printer or a metafile cannot
    // take as a source.
    const int mode = SetStretchModeFor(dc, kBoardWidth, kBoardHeight, placement.width, placement.height);
    StretchDIBits(dc, placement.left, placement.top, placement.width, placement.height, 0, 0,
                  kBoardWidth, kBoardHeight, composedBits_, &info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, mode);
    if (placement.width > kBoardWidth && board_.CanvasDetail() > 1) {
        // Over the enlarged skin, the canvas from the picture at its detail, at the device's
        // own pixels.
        GdiContext target(dc, GdiContext::Release::kNone);
        target.SetScale(static_cast<double>(placement.width) / kBoardWidth);
        board_.DrawCanvas(target, part, placement.left, placement.top);
    }
    FillLetterbox(dc, placement, area);
    return true;
}

void CKoloCtrl::DrawAtDetail(int detail, HDC dc, const std::function<void()>& draw) {
    const int shown = board_.Detail();
    const bool raise = detail > shown && IsOutputContext(dc);
    if (raise) {
        // The container is not told of a change that is undone before Draw returns.
        quietView_ = true;
        board_.SetDetail(detail);
    }
    draw();
    if (raise) {
        board_.SetDetail(shown);
        quietView_ = false;
    }
}

void CKoloCtrl::FillLetterbox(HDC dc, const BoardPlacement& placement, const Rect& area) {
    const Rect board = Intersect(placement.Shown(), area);
    if (board == area) return;
    const RECT bands[] = {
        {area.left, area.top, area.right, board.top},
        {area.left, board.bottom, area.right, area.bottom},
        {area.left, board.top, board.left, board.bottom},
        {board.right, board.top, area.right, board.bottom},
    };
    HBRUSH brush = CreateSolidBrush(LetterboxColour());
    for (const RECT& band : bands) {
        if (band.left < band.right && band.top < band.bottom) ::FillRect(dc, &band, brush);
    }
    DeleteObject(brush);
}

COLORREF CKoloCtrl::LetterboxColour() {
    if (letterboxKnown_) return letterbox_;
    IDispatch* ambient = nullptr;
    if (clientSite_ != nullptr &&
        SUCCEEDED(clientSite_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient)))) {
        VARIANT value;
        VariantInit(&value);
        DISPPARAMS none{};
        if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_BACKCOLOR, IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr)) &&
            SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4)) &&
            SUCCEEDED(OleTranslateColor(static_cast<OLE_COLOR>(V_I4(&value)), nullptr, &letterbox_))) {
            letterboxKnown_ = true;
        }
        VariantClear(&value);
        ambient->Release();
    }
    if (!letterboxKnown_) {
        // The skin's corner: the board looks framed by its own edge.
        const auto* skin = dynamic_cast<const GdiBitmap*>(board_.Skin());
        HDC from = skin != nullptr ? skin->TargetHandle() : nullptr;
        if (from == nullptr) return GetSysColor(COLOR_WINDOW);
        letterbox_ = GetPixel(from, 0, 0);
        letterboxKnown_ = true;
    }
    return letterbox_;
}

HRESULT CKoloCtrl::OnAmbientPropertyChange(DISPID id) {
    if (id == DISPID_AMBIENT_BACKCOLOR || id == DISPID_UNKNOWN) {
        letterboxKnown_ = false;
        if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
    }
    return S_OK;
}

// ---------------------------------------------------------------- IViewObject2

HRESULT CKoloCtrl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                        LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (dc == nullptr || bounds == nullptr) return E_INVALIDARG;
    const Rect area{bounds->left, bounds->top, bounds->right, bounds->bottom};
    if (area.IsEmpty()) return S_OK;
    // Nothing reaches past the rectangle asked for, whatever the context (screen, printer,
    // metafile) and its clipping.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    const RECT whole{area.left, area.top, area.right, area.bottom};
    // Before its window exists the board has no art loaded: an empty white area.
    const BoardPlacement placement = FitBoard(area);
    bool drawn = false;
    if (boardReady_) {
        DrawAtDetail(placement.Detail(), dc, [&] { drawn = DrawScaled(dc, placement, area); });
    }
    if (!drawn) ::FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RestoreDC(dc, saved);
    return S_OK;
}

HRESULT CKoloCtrl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
    if (colours != nullptr) *colours = nullptr;
    return S_FALSE;
}

HRESULT CKoloCtrl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    if (sink != nullptr) sink->AddRef();
    ReleaseAndClear(viewSink_);
    viewSink_ = sink;
    viewAspects_ = aspects;
    viewFlags_ = flags;
    return S_OK;
}

HRESULT CKoloCtrl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects != nullptr) *aspects = viewAspects_;
    if (flags != nullptr) *flags = viewFlags_;
    if (sink != nullptr) {
        *sink = viewSink_;
        if (viewSink_ != nullptr) viewSink_->AddRef();
    }
    return S_OK;
}

HRESULT CKoloCtrl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

// ---------------------------------------------------------------- persistence

HRESULT CKoloCtrl::GetClassID(CLSID* clsid) {
    if (clsid == nullptr) return E_POINTER;
    *clsid = kClsidKolo;
    return S_OK;
}

namespace {

// The stream form: the data version, then the extents in HIMETRIC; from version 0x00010001
// on, ShowMessages (0 or 1), the length of ImageURL in UTF-16 units and its text.
struct PersistedState {
    DWORD version;
    LONG extentX;
    LONG extentY;
};
struct PersistedProperties {
    DWORD showMessages;
    DWORD urlLength;
};
// A longer address than any server takes is a damaged stream.
constexpr DWORD kMaxPersistedUrl = 32768;

bool ReadExactly(IStream* stream, void* data, ULONG size) {
    ULONG read = 0;
    return SUCCEEDED(stream->Read(data, size, &read)) && read == size;
}

bool WriteExactly(IStream* stream, const void* data, ULONG size) {
    ULONG written = 0;
    return SUCCEEDED(stream->Write(data, size, &written)) && written == size;
}

}  // namespace

HRESULT CKoloCtrl::Load(LPSTREAM stream) {
    if (stream == nullptr) return E_POINTER;
    PersistedState state{};
    if (!ReadExactly(stream, &state, sizeof state)) return E_FAIL;
    // Older versions convert as they are; a newer one is not ours to read.
    if (state.version > kKoloDataVersion) return E_FAIL;
    PersistedProperties properties{1, 0};
    std::wstring url;
    if (state.version > kKoloDataVersionExtents) {
        if (!ReadExactly(stream, &properties, sizeof properties) ||
            properties.urlLength > kMaxPersistedUrl) {
            return E_FAIL;
        }
        url.resize(properties.urlLength);
        if (!url.empty() &&
            !ReadExactly(stream, &url[0], static_cast<ULONG>(url.size() * sizeof(wchar_t)))) {
            return E_FAIL;
        }
    }
    extent_.cx = state.extentX;
    extent_.cy = state.extentY;
    showMessages_ = properties.showMessages != 0;
    LoadPersistedUrl(url);
    return S_OK;
}

HRESULT CKoloCtrl::Save(LPSTREAM stream, BOOL) {
    if (stream == nullptr) return E_POINTER;
    const PersistedState state{kKoloDataVersion, extent_.cx, extent_.cy};
    const PersistedProperties properties{showMessages_ ? 1u : 0u,
                                         static_cast<DWORD>(imageUrl_.size())};
    const bool written =
        WriteExactly(stream, &state, sizeof state) &&
        WriteExactly(stream, &properties, sizeof properties) &&
        (imageUrl_.empty() ||
         WriteExactly(stream, imageUrl_.data(), static_cast<ULONG>(imageUrl_.size() * sizeof(wchar_t))));
    return written ? S_OK : STG_E_CANTSAVE;
}

HRESULT CKoloCtrl::GetSizeMax(ULARGE_INTEGER* size) {
    if (size == nullptr) return E_POINTER;
    size->QuadPart = sizeof(PersistedState) + sizeof(PersistedProperties) +
                     imageUrl_.size() * sizeof(wchar_t);
    return S_OK;
}

void CKoloCtrl::LoadPersistedUrl(const std::wstring& url) {
    imageUrl_ = url;
    // Before the window exists the address waits for it (OnCreate).
    if (boardReady_ && !url.empty()) SetImageURL(url);
}

HRESULT CKoloCtrl::InitNew() { return S_OK; }

namespace {

bool ReadLong(IPropertyBag* bag, const wchar_t* name, IErrorLog* log, LONG& value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    if (FAILED(bag->Read(name, &v, log))) return false;
    const bool ok = SUCCEEDED(VariantChangeType(&v, &v, 0, VT_I4));
    if (ok) value = V_I4(&v);
    VariantClear(&v);
    return ok;
}

HRESULT WriteLong(IPropertyBag* bag, const wchar_t* name, LONG value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return bag->Write(name, &v);
}

HRESULT WriteBool(IPropertyBag* bag, const wchar_t* name, bool value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return bag->Write(name, &v);
}

HRESULT WriteText(IPropertyBag* bag, const wchar_t* name, const std::wstring& value) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    if (V_BSTR(&v) == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = bag->Write(name, &v);
    VariantClear(&v);
    return result;
}

}  // namespace

HRESULT CKoloCtrl::Load(IPropertyBag* bag, IErrorLog* log) {
    if (bag == nullptr) return E_POINTER;
    LONG version = static_cast<LONG>(kKoloDataVersion);
    ReadLong(bag, L"_Version", log, version);
    if (static_cast<DWORD>(version) > kKoloDataVersion) return E_FAIL;
    // Missing values keep what the control has.
    ReadLong(bag, L"_ExtentX", log, extent_.cx);
    ReadLong(bag, L"_ExtentY", log, extent_.cy);
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(bag->Read(L"ShowMessages", &value, log)) &&
        SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL))) {
        showMessages_ = V_BOOL(&value) != VARIANT_FALSE;
    }
    VariantClear(&value);
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = nullptr;
    if (SUCCEEDED(bag->Read(L"ImageURL", &value, log)) &&
        SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BSTR)) && V_BSTR(&value) != nullptr) {
        LoadPersistedUrl(V_BSTR(&value));
    }
    VariantClear(&value);
    return S_OK;
}

HRESULT CKoloCtrl::Save(IPropertyBag* bag, BOOL, BOOL) {
    if (bag == nullptr) return E_POINTER;
    const HRESULT results[] = {
        WriteLong(bag, L"_Version", static_cast<LONG>(kKoloDataVersion)),
        WriteLong(bag, L"_ExtentX", extent_.cx),
        WriteLong(bag, L"_ExtentY", extent_.cy),
        WriteLong(bag, L"_StockProps", 0),   // no stock properties
        WriteBool(bag, L"ShowMessages", showMessages_),
        WriteText(bag, L"ImageURL", imageUrl_),
    };
    for (HRESULT result : results) {
        if (FAILED(result)) return result;
    }
    return S_OK;
}

namespace {

const wchar_t kContentsStream[] = L"Contents";

}  // namespace

HRESULT CKoloCtrl::InitNew(IStorage* storage) { return storage != nullptr ? S_OK : E_POINTER; }

HRESULT CKoloCtrl::Load(IStorage* storage) {
    if (storage == nullptr) return E_POINTER;
    IStream* stream = nullptr;
    HRESULT result = storage->OpenStream(kContentsStream, nullptr,
                                         STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(result)) return result;
    result = Load(stream);
    stream->Release();
    return result;
}

HRESULT CKoloCtrl::Save(IStorage* storage, BOOL) {
    if (storage == nullptr) return E_POINTER;
    IStream* stream = nullptr;
    HRESULT result = storage->CreateStream(
        kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
    if (FAILED(result)) return STG_E_CANTSAVE;
    result = Save(stream, TRUE);
    stream->Release();
    return result;
}

// ---------------------------------------------------------------- IOleControl

HRESULT CKoloCtrl::GetControlInfo(CONTROLINFO* info) {
    if (info == nullptr) return E_POINTER;
    info->hAccel = nullptr;   // no mnemonics
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

// ---------------------------------------------------------------- IDispatch

HRESULT CKoloCtrl::LoadTypeInfo(const GUID& guid, LCID locale, ITypeInfo** info) {
    ITypeLib* library = nullptr;
    HRESULT result = LoadRegTypeLib(kLibId, kLibVersionMajor, kLibVersionMinor, locale, &library);
    if (FAILED(result)) return result;
    result = library->GetTypeInfoOfGuid(guid, info);
    library->Release();
    return result;
}

HRESULT CKoloCtrl::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT CKoloCtrl::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return LoadTypeInfo(kIidDKolo, locale, info);
}

HRESULT CKoloCtrl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    ITypeInfo* info = nullptr;
    HRESULT result = LoadTypeInfo(kIidDKolo, locale, &info);
    if (FAILED(result)) return result;
    result = info->GetIDsOfNames(names, count, ids);
    info->Release();
    return result;
}

HRESULT CKoloCtrl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO*, UINT* argumentError) {
    // Dispatch by dispid: a dispinterface cannot go through ITypeInfo::Invoke.
    if (id == kDispidCloseGaps) return CloseGapsProperty(flags, params, result);
    if (result != nullptr) VariantInit(result);
    const UINT count = params != nullptr ? params->cArgs : 0;
    // A property put names its one argument DISPID_PROPERTYPUT; nothing else takes names.
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const UINT named = params != nullptr ? params->cNamedArgs : 0;
    if (named != 0 && !(put && named == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT)) {
        return DISP_E_NONAMEDARGS;
    }
    // The one argument as `type`; false (with argumentError set) when it does not convert.
    auto argument = [&](VARTYPE type, VARIANT& value) {
        VariantInit(&value);
        if (SUCCEEDED(VariantChangeType(&value, &params->rgvarg[0], 0, type))) return true;
        if (argumentError != nullptr) *argumentError = 0;
        return false;
    };
    switch (id) {
        case kDispidSetImageUrl:
        case kDispidImageUrl: {
            if (id == kDispidImageUrl && (flags & DISPATCH_PROPERTYGET) != 0 && !put) {
                if (count != 0) return DISP_E_BADPARAMCOUNT;
                if (result == nullptr) return S_OK;
                V_VT(result) = VT_BSTR;
                V_BSTR(result) = SysAllocString(imageUrl_.c_str());
                return V_BSTR(result) != nullptr ? S_OK : E_OUTOFMEMORY;
            }
            if (id == kDispidSetImageUrl ? (flags & DISPATCH_METHOD) == 0 : !put) {
                return DISP_E_MEMBERNOTFOUND;
            }
            if (count != 1) return DISP_E_BADPARAMCOUNT;
            VARIANT text;
            if (!argument(VT_BSTR, text)) return DISP_E_TYPEMISMATCH;
            SetImageURL(std::wstring(V_BSTR(&text) != nullptr ? V_BSTR(&text) : L""));
            VariantClear(&text);
            return S_OK;
        }
        case kDispidShowMessages: {
            if (put) {
                if (count != 1) return DISP_E_BADPARAMCOUNT;
                VARIANT value;
                if (!argument(VT_BOOL, value)) return DISP_E_TYPEMISMATCH;
                showMessages_ = V_BOOL(&value) != VARIANT_FALSE;
                return S_OK;
            }
            if ((flags & DISPATCH_PROPERTYGET) == 0) return DISP_E_MEMBERNOTFOUND;
            if (count != 0) return DISP_E_BADPARAMCOUNT;
            if (result != nullptr) {
                V_VT(result) = VT_BOOL;
                V_BOOL(result) = showMessages_ ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        }
        case kDispidAboutBox:
            if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
            if (count != 0) return DISP_E_BADPARAMCOUNT;
            AboutBox();
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CKoloCtrl::CloseGapsProperty(WORD flags, DISPPARAMS* params, VARIANT* result) {
    if ((flags & DISPATCH_PROPERTYPUT) != 0) {
        if (params == nullptr || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        VARIANT width;
        VariantInit(&width);
        if (FAILED(VariantChangeType(&width, &params->rgvarg[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        if (V_I4(&width) < 0 || V_I4(&width) > kMaxCloseGaps) return E_INVALIDARG;
        board_.SetCloseGaps(V_I4(&width));
        return S_OK;
    }
    if ((flags & DISPATCH_PROPERTYGET) == 0) return DISP_E_MEMBERNOTFOUND;
    if (result == nullptr) return E_POINTER;
    VariantInit(result);
    V_VT(result) = VT_I4;
    V_I4(result) = board_.CloseGaps();
    return S_OK;
}

void CKoloCtrl::AboutBox() {
    // Owned by the container's frame, which it disables while it is up, so it cannot go
    // behind a host that still takes clicks. A dialog that cannot be created shows nothing
    // and reports nothing.
    DialogBoxParamA(TheApp().Instance(), MAKEINTRESOURCEA(IDD_ABOUTBOX_KOLO), ContainerFrame(),
                    AboutProc, 0);
}

HWND CKoloCtrl::ContainerFrame() const {
    HWND start = window_;
    if (start == nullptr && clientSite_ != nullptr) {
        IOleWindow* site = nullptr;
        if (SUCCEEDED(clientSite_->QueryInterface(IID_IOleWindow,
                                                  reinterpret_cast<void**>(&site)))) {
            site->GetWindow(&start);
            site->Release();
        }
    }
    return start != nullptr ? GetAncestor(start, GA_ROOT) : nullptr;
}

// ---------------------------------------------------------------- IProvideClassInfo2

HRESULT CKoloCtrl::GetClassInfo(ITypeInfo** info) {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    return LoadTypeInfo(kClsidKolo, LOCALE_NEUTRAL, info);
}

HRESULT CKoloCtrl::GetGUID(DWORD kind, GUID* guid) {
    if (guid == nullptr) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *guid = GUID_NULL;
        return E_INVALIDARG;
    }
    *guid = kIidDKoloEvents;
    return S_OK;
}

// ---------------------------------------------------------------- connection points

HRESULT CKoloCtrl::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (points == nullptr) return E_POINTER;
    *points = nullptr;
    auto* enumerator = new (std::nothrow)
        CKoloEnumConnectionPoints(IID_IEnumConnectionPoints, {eventPoint_});
    if (enumerator == nullptr) return E_OUTOFMEMORY;
    *points = enumerator;
    return S_OK;
}

HRESULT CKoloCtrl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (point == nullptr) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(iid, kIidDKoloEvents)) return CONNECT_E_NOCONNECTION;
    *point = eventPoint_;
    eventPoint_->AddRef();
    return S_OK;
}

// ---------------------------------------------------------------- property pages

HRESULT CKoloCtrl::GetPages(CAUUID* pages) {
    if (pages == nullptr) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (pages->pElems == nullptr) return E_OUTOFMEMORY;
    pages->pElems[0] = kClsidKoloPropPage;
    pages->cElems = 1;
    return S_OK;
}

void CKoloCtrl::ShowPropertyFrame(HWND parent) {
    IUnknown* self = static_cast<IOleObject*>(this);
    CLSID page = kClsidKoloPropPage;
    OleCreatePropertyFrame(parent, 0, 0, L"Kolo Control", 1, &self, 1, &page,
                           LOCALE_USER_DEFAULT, 0, nullptr);
}

// ---------------------------------------------------------------- IObjectSafety

HRESULT CKoloCtrl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
    if (supported == nullptr || enabled == nullptr) return E_POINTER;
    *supported = kSafeOptions;
    *enabled = kSafeOptions;
    IUnknown* probe = nullptr;
    const HRESULT result = QueryInterface(iid, reinterpret_cast<void**>(&probe));
    if (probe != nullptr) probe->Release();
    return result;
}

HRESULT CKoloCtrl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
    IUnknown* probe = nullptr;
    if (FAILED(QueryInterface(iid, reinterpret_cast<void**>(&probe)))) return E_NOINTERFACE;
    probe->Release();
    if ((mask & ~kSafeOptions) != 0) return E_FAIL;
    if ((mask & ~enabled) != 0) return E_FAIL;
    safetyEnabled_ = enabled & mask;
    return S_OK;
}

// ---------------------------------------------------------------- BoardHost

void CKoloCtrl::InvalidateControl(const Rect& rect) {
    // Smoothing carries a board pixel into the device pixels around it.
    const int reach = placement_.IsOneToOne() ? 0 : 1;
    const Rect shown = placement_.ToDevice(
        Rect{rect.left - reach, rect.top - reach, rect.right + reach, rect.bottom + reach});
    const RECT area{shown.left, shown.top, shown.right, shown.bottom};
    if (window_ != nullptr) InvalidateRect(window_, &area, FALSE);
    if (viewSink_ != nullptr && !quietView_) viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

void CKoloCtrl::EnableButton(int id, bool enabled) {
    if (window_ == nullptr) return;
    HWND button = GetDlgItem(window_, id);
    if (button != nullptr) EnableWindow(button, enabled ? TRUE : FALSE);
}

ColourRef CKoloCtrl::GetDisplayedColour(int x, int y) {
    // The board's own image, which the screen shows at any size (smoothed, when scaled).
    const auto* skin = dynamic_cast<const GdiBitmap*>(board_.Skin());
    HDC from = skin != nullptr ? skin->TargetHandle() : nullptr;
    if (window_ == nullptr || from == nullptr) return kInvalidColour;
    const COLORREF colour = GetPixel(from, x, y);
    return colour == CLR_INVALID ? kInvalidColour : colour;
}

void CKoloCtrl::SetCursor(BoardCursor cursor) {
    // A load starting or ending changes the cursor only while the pointer is over the
    // control; elsewhere the cursor belongs to the window under the pointer.
    if (!answeringSetCursor_) {
        POINT pointer;
        if (window_ == nullptr || !GetCursorPos(&pointer)) return;
        HWND under = WindowFromPoint(pointer);
        if (under != window_ && !IsChild(window_, under)) return;
    }
    HCURSOR handle = cursor == BoardCursor::kBrush
                         ? LoadCursorA(TheApp().Instance(), MAKEINTRESOURCEA(IDC_BRUSH))
                     : cursor == BoardCursor::kBusy ? LoadCursorA(nullptr, IDC_WAIT)
                                                    : LoadCursorA(nullptr, IDC_ARROW);
    ::SetCursor(handle);
}

void CKoloCtrl::FireOnInitImage() { eventPoint_->Fire(kDispidOnInitImage); }

void CKoloCtrl::ShowMessage(const std::string& text) {
    // The board's one message says that a folder could not be loaded.
    loadFailed_ = true;
    VARIANT message;
    VariantInit(&message);
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    V_VT(&message) = VT_BSTR;
    V_BSTR(&message) = SysAllocStringLen(nullptr, length > 0 ? length - 1 : 0);
    if (V_BSTR(&message) != nullptr && length > 1) {
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, V_BSTR(&message), length);
    }
    // A sink may release the control from its handler.
    AddRef();
    eventPoint_->Fire(kDispidFolderFailed, &message, 1);
    VariantClear(&message);
    if (showMessages_) {
        MessageBoxA(ContainerFrame(), text.c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    }
    Release();
}

// The print job on the printer the dialog returns: one page with the board's picture where
// its placement puts it. Every way out deletes the printer's context.
void CKoloCtrl::PrintPicture() {
    PRINTDLGA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.Flags = PD_RETURNDC;
    dialog.nFromPage = dialog.nToPage = dialog.nMinPage = dialog.nMaxPage = 1;
    dialog.nCopies = 1;
    PrintDlgA(&dialog);   // its result is not needed: a cancelled dialog returns no context
    if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
    if (dialog.hDC == nullptr) return;
    HDC printer = dialog.hDC;
    DOCINFOA document{};
    document.cbSize = sizeof document;
    document.lpszDocName = kPrintDocumentName;
    if (StartDocA(printer, &document) > 0) {
        if (StartPage(printer) <= 0 || (GetDeviceCaps(printer, RASTERCAPS) & RC_BITBLT) == 0) {
            // The started job must not stay open on the spooler: drop it unprinted.
            AbortDoc(printer);
        } else {
            GdiContext page(printer, GdiContext::Release::kNone);
            const Rect place = board_.PrintPlacement(
                GetDeviceCaps(printer, HORZRES), GetDeviceCaps(printer, VERTRES),
                GetDeviceCaps(printer, LOGPIXELSX), GetDeviceCaps(printer, LOGPIXELSY));
            // The picture at as much detail as the page has printer dots for, drawn from a
            // copy: the board keeps the detail the screen shows.
            board_.DrawPictureInto(page, place, DetailFor(place.Width(), kCanvasRect.Width()));
            if (EndPage(printer) > 0) EndDoc(printer);
        }
    }
    DeleteDC(printer);
}

void CKoloCtrl::CloseHost() {
    // The chain to the hosting browser's window: client site, container, service provider,
    // web browser. Every link is released on the way out.
    HWND browserWindow = nullptr;
    IOleContainer* container = nullptr;
    IServiceProvider* services = nullptr;
    IWebBrowser2* browser = nullptr;
    if (clientSite_ != nullptr && SUCCEEDED(clientSite_->GetContainer(&container)) &&
        container != nullptr &&
        SUCCEEDED(container->QueryInterface(IID_IServiceProvider,
                                            reinterpret_cast<void**>(&services))) &&
        services != nullptr &&
        SUCCEEDED(services->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2,
                                         reinterpret_cast<void**>(&browser))) &&
        browser != nullptr) {
        SHANDLE_PTR handle = 0;
        if (SUCCEEDED(browser->get_HWND(&handle))) browserWindow = reinterpret_cast<HWND>(handle);
    }
    if (browserWindow != nullptr) {
        SendMessageA(browserWindow, WM_ACTIVATE, 0, 0);
        SendMessageA(browserWindow, WM_NCDESTROY, 0, 0);
        SendMessageA(browserWindow, WM_DESTROY, 0, 0);
    }
    ReleaseAndClear(browser);
    ReleaseAndClear(services);
    ReleaseAndClear(container);
    // Without a browser the container's frame is asked to close, as its own close button
    // would: the host may ask to save its work first, and the process is the host's to end.
    if (browserWindow == nullptr) {
        HWND frame = ContainerFrame();
        if (frame != nullptr) PostMessageA(frame, WM_CLOSE, 0, 0);
    }
}

}  // namespace kolo
