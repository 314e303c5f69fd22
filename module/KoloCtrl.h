// CKoloCtrl: the colouring-board control as a COM object. It owns a ColouringBoard and is
// its host: GDI for painting, owner-drawn child buttons, the module's cursor, WinINet for
// folders, PrintDlg, MessageBox, and the container's web browser (or, without one, its
// top-level window) for Exit.
//
// Folders load off the container's thread (ThreadedFolderLoader over WinInetSession, and
// LocalFolderSession for local folders): the
// loader's results queue up in the control, and a private message posted to the control's
// delivery window (a message-only window made on the container's thread) runs them there.
// SetImageURL returns at once; a new address or the control's end cancels the load without
// waiting for it: a thread still blocked in a transfer ends on its own when the call returns,
// holding the module loaded (DllCanUnloadNow says no) until then, and its results are dropped.
//
// It answers the control interfaces a container may ask for: IOleObject, IOleInPlaceObject,
// IOleInPlaceActiveObject, IViewObject2, IPersistStreamInit, IPersistPropertyBag,
// IPersistStorage, IOleControl, IDispatch (for _DKolo: SetImageURL, AboutBox and the
// properties ImageURL and ShowMessages), IProvideClassInfo2,
// IConnectionPointContainer with one connection point for _DKoloEvents,
// ISpecifyPropertyPages and IObjectSafety. One object identity; every interface shares one
// reference count and one QueryInterface.
//
// Any size and resolution: the board is drawn as large as the window (or the rectangle Draw is
// given) allows with its proportions kept, centred on the container's ambient background or
// else the board's edge colour; at whole factors each board pixel is a block of device pixels,
// at other sizes the board is smoothed. Enlarged, the canvas is drawn over that from the
// picture held at the window's detail (its scale rounded up, up to four), at the device's own
// pixels; a printer or a metafile gets the detail its rectangle has pixels for, the window
// keeping its own. Pointer events map back to the board point shown. The natural extent is the
// board's 834 x 644 pixels at 96 dpi, in HIMETRIC.
//
// Events: OnInitImage when the window is ready, FolderLoaded(count) when a folder has loaded,
// FolderFailed(message) when it could not (the board's message, also shown in a message box
// unless ShowMessages is false).
//
// Persisted state: the data version 0x00010001, the extents, ShowMessages and ImageURL;
// nothing of the board. Version 0x00010000 (extents only) still loads. A storage holds the
// same bytes as a stream, in its stream "Contents".
#pragma once

#include "platform/win32/Win32.h"
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "board/ColouringBoard.h"
#include "board/ThreadedFolderLoader.h"
#include "module/BoardPlacement.h"
#include "platform/BoardHost.h"
#include "platform/win32/ModuleResources.h"
#include "platform/win32/WinInetSession.h"

namespace kolo {

HRESULT CreateKoloCtrl(REFIID iid, void** object);

// The control's OLE miscellaneous status, as registration writes it: set client site first,
// activate when visible, inside-out, cannot link inside, recompose on resize.
constexpr DWORD kKoloMiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                                  OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
                                  OLEMISC_RECOMPOSEONRESIZE;
// The data version persisted before the extents: major 1, minor 1.
constexpr DWORD kKoloDataVersion = 0x00010001;
// The first version, which held the extents only.
constexpr DWORD kKoloDataVersionExtents = 0x00010000;

class CKoloEventPoint;

class CKoloCtrl : public IOleObject,
                  public IOleInPlaceObject,
                  public IOleInPlaceActiveObject,
                  public IViewObject2,
                  public IPersistStreamInit,
                  public IPersistPropertyBag,
                  public IPersistStorage,
                  public IOleControl,
                  public IDispatch,
                  public IProvideClassInfo2,
                  public IConnectionPointContainer,
                  public ISpecifyPropertyPages,
                  public IObjectSafety,
                  public BoardHost {
public:
    CKoloCtrl();
    virtual ~CKoloCtrl();
    CKoloCtrl(const CKoloCtrl&) = delete;
    CKoloCtrl& operator=(const CKoloCtrl&) = delete;

    static void UnregisterWindowClass();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* name) override;
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow (through IOleInPlaceObject and IOleInPlaceActiveObject)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
    // IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    // IViewObject2
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo,
                                   DVTARGETDEVICE* device, HDC targetInfo, HDC dc,
                                   LPCRECTL bounds, LPCRECTL metafileBounds,
                                   BOOL(STDMETHODCALLTYPE* keepGoing)(ULONG_PTR),
                                   ULONG_PTR keepGoingArgument) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                          LOGPALETTE** colours) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE*,
                                        LPSIZEL size) override;

    // IPersist (through IPersistStreamInit, IPersistPropertyBag and IPersistStorage)
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    // IPersistStreamInit and IPersistStorage
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    // IPersistStreamInit
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;
    // IPersistPropertyBag
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
    // IPersistStorage
    HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) override;
    HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override;
    HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL sameAsLoad) override;
    HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE HandsOffStorage() override { return S_OK; }

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* argumentError) override;

    // IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

    // IObjectSafety
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported,
                                                        DWORD* enabled) override;
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask,
                                                        DWORD enabled) override;

    // BoardHost
    void InvalidateControl(const Rect& rect) override;
    void EnableButton(int id, bool enabled) override;
    ColourRef GetDisplayedColour(int x, int y) override;
    void SetCursor(BoardCursor cursor) override;
    void FireOnInitImage() override;
    void ShowMessage(const std::string& text) override;
    void PrintPicture() override;
    void CloseHost() override;

    // The automation methods of _DKolo.
    void SetImageURL(const std::string& url);
    void AboutBox();
    // The ImageURL property: the address as the container gave it; setting it loads it.
    const std::wstring& ImageURL() const { return imageUrl_; }
    void SetImageURL(const std::wstring& text);
    // Reads or sets the CloseGaps property through IDispatch.
    HRESULT CloseGapsProperty(WORD flags, DISPPARAMS* params, VARIANT* result);

private:
    friend class CKoloEventPoint;
    // A session for local folders (file:// and plain paths) and WinINet's addresses.
    static std::unique_ptr<InternetSession> OpenSession();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK DeliveryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Makes the delivery window on the calling (the container's) thread; false if it cannot.
    bool EnsureDeliveryWindow();
    // Runs the loader's queued results, in order, on the container's thread.
    void RunDelivered();
    // Fires FolderLoaded when the folder's load has just ended (it was loading before the
    // last result) without a failure.
    void NoteLoadEnd(bool wasLoading);
    // Takes a persisted ImageURL, loading it at once when the window is there.
    void LoadPersistedUrl(const std::wstring& url);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int OnCreate();
    void OnDrawItem(const DRAWITEMSTRUCT& item);
    // Paints the board one to one at (x, y) of `dc`; a window paint passes the part of the
    // board it updates.
    void PaintInto(HDC dc, int x, int y, bool withButtons, const RECT* update = nullptr);
    // Paints the window's client area, or the part `update` of it, into `dc`: the board where
    // the placement puts it, the letterbox around it.
    void PaintWindow(HDC dc, const RECT& update, bool withButtons);
    // Draws the whole board, buttons included, scaled to `placement` in `dc`, and the letterbox
    // over the rest of `area`; false when the board's image cannot be made. Enlarged, the
    // canvas's board pixels inside `part` come from the picture at its detail.
    bool DrawScaled(HDC dc, const BoardPlacement& placement, const Rect& area,
                    const Rect& part = kBoardRect);
    // Runs `draw` with the picture held at `detail` when that is more than the screen's and
    // `dc` is a printer's or a metafile's, then holds it at the screen's detail again.
    void DrawAtDetail(int detail, HDC dc, const std::function<void()>& draw);
    void FillLetterbox(HDC dc, const BoardPlacement& placement, const Rect& area);
    // The container's ambient background colour, or else the board's own edge colour.
    COLORREF LetterboxColour();
    // After the window took a new size: the placement follows it, and the buttons with it.
    void PlaceBoard();
    // The board's image with its buttons, in composed_, brought up to date; false without one.
    bool ComposeBoard();
    HRESULT InPlaceActivate(HWND parentHint, LPCRECT position);
    void ShowPropertyFrame(HWND parent);
    HRESULT LoadTypeInfo(const GUID& guid, LCID locale, ITypeInfo** info);
    // The container's top-level window, which owns the control's modal windows and is asked
    // to close on Exit when no web browser hosts the control; null before the control has
    // a window or a site with one.
    HWND ContainerFrame() const;

    LONG references_ = 1;
    ModuleResources resources_;
    ColouringBoard board_;
    // The loader's results waiting for the container's thread, shared with the loader's
    // poster; `window` is the delivery window the wake-up message goes to.
    struct Deliveries {
        std::mutex mutex;
        std::deque<std::function<void()>> tasks;
        HWND window = nullptr;
    };
    std::shared_ptr<Deliveries> deliveries_;
    std::unique_ptr<ThreadedFolderLoader> folderLoader_;
    SequentialFolderLoader blockingLoader_{OpenSession};
    HWND window_ = nullptr;
    bool boardReady_ = false;   // Initialise has run for the current window
    BoardPlacement placement_;  // where the board lies in the window
    // The whole board with its button faces, for painting it at another size: a 32-bit DIB
    // section selected into its own memory context.
    HDC composedDc_ = nullptr;
    HBITMAP composed_ = nullptr;
    HGDIOBJ composedDcBitmap_ = nullptr;   // what the context held before, put back at the end
    void* composedBits_ = nullptr;
    bool letterboxKnown_ = false;
    COLORREF letterbox_ = 0;
    bool answeringSetCursor_ = false;   // inside WM_SETCURSOR
    bool quietView_ = false;            // the view sink is not told of changes meanwhile
    IOleClientSite* clientSite_ = nullptr;
    IOleInPlaceSite* inPlaceSite_ = nullptr;
    IOleAdviseHolder* adviseHolder_ = nullptr;
    IAdviseSink* viewSink_ = nullptr;
    DWORD viewAspects_ = 0;
    DWORD viewFlags_ = 0;
    SIZEL extent_{};                 // HIMETRIC
    DWORD safetyEnabled_ = 0;
    std::wstring imageUrl_;          // ImageURL, persisted
    bool showMessages_ = true;       // ShowMessages, persisted
    bool loadFailed_ = false;        // the current load has fired FolderFailed
    CKoloEventPoint* eventPoint_;    // owned; shares this object's lifetime
};

}  // namespace kolo
