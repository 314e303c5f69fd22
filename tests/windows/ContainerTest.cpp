// The control in containers. A small container of our own (client site, in-place site,
// container with a service provider and a fake web browser, event sink, property bag) creates
// it by ProgID and drives it; Wine's ATL host window creates it the way a real host does. The
// control's pixels are read back from its window to check the picture on the canvas, a fill,
// a palette pick, undo and redo, the thumbnail and the arrows.
//
// Usage: ContainerTest.exe PATH_OF_KOLO.OCX FOLDER_URL [PRINTER_PORT OUTPUT_FILE]
// The folder (tests/windows/make_picture_folder.py) links square.bmp, band.bmp and a
// missing.bmp that answers 404; square.bmp is the first picture loaded and so is on the canvas.
// Its server (tests/windows/serve_folder.py) counts requests and has a silent corner. Folders
// load in the background: after SetImageURL the tests pump messages until the load is over.
#include <windows.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <exdisp.h>
#include <shlguid.h>
#include <tlhelp32.h>
#include <wininet.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "FakeBrowser.h"
#include "TestSite.h"
#include "TestPrinter.h"
#include "TestSupport.h"
#include "module/KoloGuids.h"

using namespace kolotest;

namespace {

constexpr int kBoardWidth = 834;
constexpr int kBoardHeight = 644;
constexpr int kCanvasLeft = 31;    // canvas pixel (x, y) is shown at (x + 31, y + 155)
constexpr int kCanvasTop = 155;
constexpr COLORREF kPink = RGB(255, 0, 132);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The module's file name (Kolo.OCX or Kolo64.OCX), from its path on the command line.
std::wstring moduleName = L"Kolo.OCX";

// ---------------------------------------------------------------- the container

std::vector<UINT> browserMessages;
bool recordBrowserMessages = false;

LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (recordBrowserMessages &&
        (message == WM_ACTIVATE || message == WM_NCDESTROY || message == WM_DESTROY)) {
        browserMessages.push_back(message);
        return 0;   // the window itself stays: the test goes on after Exit
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The frame of a host: its close button and Exit without a browser both close it.
int frameCloses = 0;

LRESULT CALLBACK FrameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) ++frameCloses;
    return DefWindowProcW(window, message, wParam, lParam);   // WM_CLOSE destroys the frame
}

class EventSink : public IDispatch {
public:
    int initImageCount = 0;
    std::vector<std::string> folderEvents;   // "loaded COUNT" and "failed MESSAGE", in order
    LONG references = 1;   // on the stack: counted, never deleted

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
            IsEqualIID(iid, kolo::kIidDKoloEvents)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) override {
        if (id == 1 && params != nullptr && params->cArgs == 0) ++initImageCount;
        if (id == 2 && params != nullptr && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == VT_I4) {
            folderEvents.push_back("loaded " + std::to_string(V_I4(&params->rgvarg[0])));
        }
        if (id == 3 && params != nullptr && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == VT_BSTR) {
            folderEvents.push_back("failed " + Narrow(V_BSTR(&params->rgvarg[0])));
        }
        return S_OK;
    }
};

class PropertyBag : public IPropertyBag {
public:
    std::map<std::wstring, VARIANT> values;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
            *object = static_cast<IPropertyBag*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        auto it = values.find(name);
        if (it == values.end()) return E_INVALIDARG;
        return VariantCopy(value, &it->second);
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
        VARIANT copy;
        VariantInit(&copy);
        VariantCopy(&copy, value);
        values[name] = copy;
        return S_OK;
    }
};

// ---------------------------------------------------------------- helpers

COLORREF PixelAt(HWND window, int x, int y) {
    UpdateWindow(window);
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

void ExpectPixel(const std::string& name, HWND window, int x, int y, COLORREF expected) {
    const COLORREF actual = PixelAt(window, x, y);
    Check(name + " at (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
              Colour(expected),
          actual == expected, "got " + Colour(actual));
}

// A canvas point in control client pixels.
int CanvasX(int x) { return kCanvasLeft + x; }
int CanvasY(int y) { return kCanvasTop + y; }

void ReleaseAt(HWND window, int x, int y) {
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void PressButton(HWND control, int id) {
    // BM_CLICK presses and releases the button; an enabled one sends its command.
    SendMessageW(GetDlgItem(control, id), BM_CLICK, 0, 0);
}

bool Enabled(HWND control, int id) { return IsWindowEnabled(GetDlgItem(control, id)) != FALSE; }

// Puts a property by its name; the value as text or as a boolean.
HRESULT PutProperty(IDispatch* dispatch, const wchar_t* name, VARIANT& value) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT result = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (SUCCEEDED(result)) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        result = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                  nullptr, nullptr, nullptr);
    }
    VariantClear(&value);
    return result;
}
HRESULT SetProperty(IDispatch* dispatch, const wchar_t* name, const std::wstring& text) {
    VARIANT value;
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = SysAllocString(text.c_str());
    return PutProperty(dispatch, name, value);
}
HRESULT SetProperty(IDispatch* dispatch, const wchar_t* name, bool flag) {
    VARIANT value;
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return PutProperty(dispatch, name, value);
}

// A property by its name, as text ("true"/"false" for booleans); "<error 0x...>" on failure.
std::string GetProperty(IDispatch* dispatch, const wchar_t* name) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT result = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    VARIANT value;
    VariantInit(&value);
    DISPPARAMS none{};
    if (SUCCEEDED(result)) {
        result = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                  &value, nullptr, nullptr);
    }
    std::string text = "<error " + Hex(static_cast<unsigned long>(result)) + ">";
    if (SUCCEEDED(result) && V_VT(&value) == VT_BOOL) text = V_BOOL(&value) ? "true" : "false";
    if (SUCCEEDED(result) && V_VT(&value) == VT_BSTR) text = Narrow(V_BSTR(&value));
    VariantClear(&value);
    return text;
}

void LoadFolder(IDispatch* dispatch, HWND control, const std::wstring& url, const std::string& label) {
    CheckHr("SetImageURL " + label, CallMethod(dispatch, L"SetImageURL", url.c_str()));
    Check("the folder loads: " + label, WaitForLoad(control));
}

DWORD Checksum(HWND window, const RECT& area) {
    UpdateWindow(window);
    HDC dc = GetDC(window);
    DWORD sum = 0;
    for (int y = area.top; y < area.bottom; y += 3) {
        for (int x = area.left; x < area.right; x += 3) sum = sum * 31 + GetPixel(dc, x, y);
    }
    ReleaseDC(window, dc);
    return sum;
}

HWND MakeWindow(const wchar_t* title) {
    return CreateWindowExW(0, L"KoloTestFrame", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE |
                           WS_CLIPCHILDREN, 0, 0, kBoardWidth + 40, kBoardHeight + 60, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The site's window: a panel inside the frame, as a form or document host has one.
HWND MakePanel(HWND frame) {
    return CreateWindowExW(0, L"KoloTestHost", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                           kBoardWidth + 20, kBoardHeight + 20, frame, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// ---------------------------------------------------------------- the tests

void TestObjectInterfaces(IUnknown* control) {
    IOleObject* object = nullptr;
    control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
    DWORD status = 0;
    CheckHr("GetMiscStatus", object->GetMiscStatus(DVASPECT_CONTENT, &status));
    bool found = false;
    const std::string registered = ReadRegistryString(
        "CLSID\\{B5F7A1AA-2556-4CDF-97D8-C392079D9DC6}\\MiscStatus\\1", nullptr, &found);
    Check("the running control's status 0x20191 is the registry's", status == 0x20191 &&
                                                                        registered == std::to_string(status),
          Hex(status) + " vs \"" + registered + "\"");
    object->Release();

    static const IID kInterfaces[] = {
        IID_IOleObject, IID_IOleInPlaceObject, IID_IOleInPlaceActiveObject, IID_IViewObject2,
        IID_IPersistStreamInit, IID_IPersistPropertyBag, IID_IOleControl, IID_IDispatch,
        IID_IProvideClassInfo2, IID_IConnectionPointContainer, IID_ISpecifyPropertyPages,
        IID_IObjectSafety, kolo::kIidDKolo};
    int answered = 0;
    for (const IID& iid : kInterfaces) {
        IUnknown* probe = nullptr;
        if (SUCCEEDED(control->QueryInterface(iid, reinterpret_cast<void**>(&probe)))) {
            ++answered;
            probe->Release();
        }
    }
    Check("the control answers all the container interfaces", answered == 13,
          std::to_string(answered));
    void* sentinel = reinterpret_cast<void*>(0x1234);
    void* none = sentinel;
    CheckHr("an interface it does not have", control->QueryInterface(IID_IPersistFile, &none),
            E_NOINTERFACE);
    Check("the out-pointer is cleared", none == nullptr);

    IObjectSafety* safety = nullptr;
    control->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety));
    DWORD supported = 0, enabled = 0;
    CheckHr("safety options for IDispatch",
            safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled));
    Check("safe for untrusted callers and data", supported == 3 && enabled == 3,
          Hex(supported) + " " + Hex(enabled));
    supported = enabled = 0;
    CheckHr("safety options for an interface it lacks",
            safety->GetInterfaceSafetyOptions(IID_IPersistFile, &supported, &enabled),
            E_NOINTERFACE);
    Check("the options are written all the same", supported == 3 && enabled == 3);
    CheckHr("setting both options", safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 3));
    CheckHr("setting an option bit above the two", safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4),
            E_FAIL);
    CheckHr("a masked bit missing from the enabled options",
            safety->SetInterfaceSafetyOptions(IID_IDispatch, 3, 1), E_FAIL);
    CheckHr("setting options for an interface it lacks",
            safety->SetInterfaceSafetyOptions(IID_IPersistFile, 1, 1), E_NOINTERFACE);
    safety->Release();

    IProvideClassInfo2* classInfo = nullptr;
    control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&classInfo));
    GUID events = GUID_NULL;
    CheckHr("the default source interface", classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events));
    Check("is _DKoloEvents", IsEqualGUID(events, kolo::kIidDKoloEvents));
    ITypeInfo* coclass = nullptr;
    CheckHr("class info", classInfo->GetClassInfo(&coclass));
    if (coclass != nullptr) coclass->Release();
    classInfo->Release();

    ISpecifyPropertyPages* pages = nullptr;
    control->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages));
    CAUUID list{};
    CheckHr("property pages", pages->GetPages(&list));
    Check("exactly the Kolo property page",
          list.cElems == 1 && IsEqualGUID(list.pElems[0], kolo::kClsidKoloPropPage));
    CoTaskMemFree(list.pElems);
    pages->Release();

    IDispatch* dispatch = nullptr;
    control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    const wchar_t* names[] = {L"SetImageURL", L"AboutBox"};
    const DISPID expected[] = {1, -552};
    for (int i = 0; i < 2; ++i) {
        DISPID id = 0;
        LPOLESTR name[] = {const_cast<LPOLESTR>(names[i])};
        CheckHr(Narrow(names[i]) + " has a dispid",
                dispatch->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id));
        Check(Narrow(names[i]) + " dispid " + std::to_string(expected[i]), id == expected[i],
              std::to_string(id));
    }
    DISPPARAMS noArguments{};
    CheckHr("an unknown dispid", dispatch->Invoke(7, IID_NULL, 0, DISPATCH_METHOD, &noArguments, nullptr,
                                                  nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
    CheckHr("SetImageURL without its argument",
            dispatch->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &noArguments, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
    // CloseGaps starts at 0, takes 0 to 4 and refuses anything else.
    DISPID closeGaps = 0;
    LPOLESTR closeGapsName[] = {const_cast<LPOLESTR>(L"CloseGaps")};
    CheckHr("CloseGaps has a dispid",
            dispatch->GetIDsOfNames(IID_NULL, closeGapsName, 1, LOCALE_USER_DEFAULT, &closeGaps));
    VARIANT width;
    VariantInit(&width);
    CheckHr("CloseGaps read", dispatch->Invoke(closeGaps, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArguments,
                                               &width, nullptr, nullptr));
    Check("CloseGaps starts at 0", V_VT(&width) == VT_I4 && V_I4(&width) == 0);
    DISPID putId = DISPID_PROPERTYPUT;
    for (const LONG given : {3L, 5L}) {
        VARIANT value;
        VariantInit(&value);
        V_VT(&value) = VT_I4;
        V_I4(&value) = given;
        DISPPARAMS put{&value, &putId, 1, 1};
        CheckHr("CloseGaps set to " + std::to_string(given),
                dispatch->Invoke(closeGaps, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr),
                given == 3 ? S_OK : E_INVALIDARG);
    }
    dispatch->Invoke(closeGaps, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArguments, &width, nullptr, nullptr);
    Check("CloseGaps keeps 3", V_I4(&width) == 3, std::to_string(V_I4(&width)));
    dispatch->Release();
}

IUnknown* CreateControl() {
    IUnknown* control = nullptr;
    CLSID clsid;
    CLSIDFromProgID(L"KOLO.KoloCtrl.1", &clsid);
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                     reinterpret_cast<void**>(&control));
    return control;
}

// The container's one connection point through IEnumConnectionPoints, then the connections
// through IEnumConnections: `sink` is advised with `cookie` on entry and on return, and a
// second sink is advised and unadvised in between.
void TestConnectionPoints(IConnectionPointContainer* points, IConnectionPoint* point,
                          EventSink& sink, DWORD cookie) {
    IUnknown* const sentinel = reinterpret_cast<IUnknown*>(static_cast<std::uintptr_t>(0x1234));
    CheckHr("EnumConnectionPoints with no out-pointer", points->EnumConnectionPoints(nullptr), E_POINTER);
    IEnumConnectionPoints* pointList = reinterpret_cast<IEnumConnectionPoints*>(sentinel);
    CheckHr("EnumConnectionPoints", points->EnumConnectionPoints(&pointList));
    if (pointList == nullptr || pointList == reinterpret_cast<IEnumConnectionPoints*>(sentinel)) {
        Check("EnumConnectionPoints gives an enumerator", false);
        return;
    }
    IUnknown* unknown = sentinel;
    CheckHr("the point enumerator has no IConnectionPoint",
            pointList->QueryInterface(IID_IConnectionPoint, reinterpret_cast<void**>(&unknown)),
            E_NOINTERFACE);
    Check("and clears the out-pointer", unknown == nullptr);
    IEnumConnectionPoints* same = nullptr;
    CheckHr("the point enumerator is an IEnumConnectionPoints",
            pointList->QueryInterface(IID_IEnumConnectionPoints, reinterpret_cast<void**>(&same)));
    Check("which is itself", same == pointList);
    if (same != nullptr) same->Release();

    IConnectionPoint* found[2] = {reinterpret_cast<IConnectionPoint*>(sentinel),
                                  reinterpret_cast<IConnectionPoint*>(sentinel)};
    ULONG fetched = 99;
    CheckHr("Next of 2 without a count", pointList->Next(2, found, nullptr), E_POINTER);
    CheckHr("Next into no array", pointList->Next(1, nullptr, &fetched), E_POINTER);
    Check("a failed Next leaves the array alone",
          found[0] == reinterpret_cast<IConnectionPoint*>(sentinel) &&
              found[1] == reinterpret_cast<IConnectionPoint*>(sentinel));
    CheckHr("Next of 2 connection points gives fewer", pointList->Next(2, found, &fetched), S_FALSE);
    Check("exactly one connection point", fetched == 1, std::to_string(fetched));
    Check("the second slot is untouched", found[1] == reinterpret_cast<IConnectionPoint*>(sentinel));
    if (fetched >= 1 && found[0] != nullptr) {
        Check("it is the one FindConnectionPoint gives", found[0] == point);
        IID iid = IID_NULL;
        CheckHr("its connection interface", found[0]->GetConnectionInterface(&iid));
        Check("is _DKoloEvents", IsEqualIID(iid, kolo::kIidDKoloEvents));
        found[0]->Release();
    }
    fetched = 99;
    CheckHr("Next at the end", pointList->Next(1, found, &fetched), S_FALSE);
    Check("gives nothing", fetched == 0, std::to_string(fetched));
    CheckHr("Reset", pointList->Reset());
    found[0] = reinterpret_cast<IConnectionPoint*>(sentinel);
    CheckHr("Next of 1 with no count after Reset", pointList->Next(1, found, nullptr));
    Check("gives the point again", found[0] == point);
    if (found[0] == point) found[0]->Release();
    CheckHr("Reset again", pointList->Reset());
    CheckHr("Skip 1 point", pointList->Skip(1));
    CheckHr("Skip past the end", pointList->Skip(1), S_FALSE);
    CheckHr("Clone with no out-pointer", pointList->Clone(nullptr), E_POINTER);
    CheckHr("Reset before Clone", pointList->Reset());
    IEnumConnectionPoints* pointCopy = nullptr;
    CheckHr("Clone the point enumerator", pointList->Clone(&pointCopy));
    if (pointCopy != nullptr) {
        Check("the clone is another object", pointCopy != pointList);
        fetched = 0;
        CheckHr("the clone's Next", pointCopy->Next(1, found, &fetched));
        Check("gives the point", fetched == 1 && found[0] == point, std::to_string(fetched));
        if (fetched == 1) found[0]->Release();
        pointCopy->Release();
    }
    pointList->Release();

    // The connections: the advised sink, then a second one, then the second unadvised.
    CheckHr("EnumConnections with no out-pointer", point->EnumConnections(nullptr), E_POINTER);
    IEnumConnections* connections = reinterpret_cast<IEnumConnections*>(sentinel);
    CheckHr("EnumConnections", point->EnumConnections(&connections));
    if (connections == nullptr || connections == reinterpret_cast<IEnumConnections*>(sentinel)) {
        Check("EnumConnections gives an enumerator", false);
        return;
    }
    unknown = sentinel;
    CheckHr("the connection enumerator has no IEnumConnectionPoints",
            connections->QueryInterface(IID_IEnumConnectionPoints, reinterpret_cast<void**>(&unknown)),
            E_NOINTERFACE);
    Check("and clears the out-pointer", unknown == nullptr);
    const LONG before = sink.references;
    CONNECTDATA data[2] = {{sentinel, 77}, {sentinel, 77}};
    fetched = 99;
    CheckHr("Next of 2 connections without a count", connections->Next(2, data, nullptr), E_POINTER);
    Check("a failed Next leaves the array alone", data[0].pUnk == sentinel && data[0].dwCookie == 77);
    CheckHr("Next of 2 connections gives fewer", connections->Next(2, data, &fetched), S_FALSE);
    Check("one connection", fetched == 1, std::to_string(fetched));
    Check("the second slot is untouched", data[1].pUnk == sentinel && data[1].dwCookie == 77);
    Check("it is the advised sink with its cookie",
          data[0].pUnk == static_cast<IDispatch*>(&sink) && data[0].dwCookie == cookie,
          Hex(data[0].dwCookie) + " for cookie " + Hex(cookie));
    Check("the sink is AddRef'd for the caller", sink.references == before + 1,
          std::to_string(sink.references - before));
    if (fetched == 1) data[0].pUnk->Release();
    connections->Release();
    Check("releasing the enumerator releases its snapshot", sink.references == before - 1,
          std::to_string(sink.references - before));

    EventSink other;
    DWORD otherCookie = 0;
    CheckHr("Advise a second sink", point->Advise(static_cast<IDispatch*>(&other), &otherCookie));
    Check("its cookie differs", otherCookie != cookie, Hex(otherCookie));
    connections = nullptr;
    CheckHr("EnumConnections with two sinks", point->EnumConnections(&connections));
    if (connections != nullptr) {
        CheckHr("Skip the first connection", connections->Skip(1));
        IEnumConnections* copy = nullptr;
        CheckHr("Clone the connection enumerator", connections->Clone(&copy));
        fetched = 0;
        CheckHr("Next of 2 after Skip 1", connections->Next(2, data, &fetched), S_FALSE);
        Check("gives the second sink with its cookie",
              fetched == 1 && data[0].pUnk == static_cast<IDispatch*>(&other) &&
                  data[0].dwCookie == otherCookie,
              std::to_string(fetched) + " " + Hex(data[0].dwCookie));
        if (fetched == 1) data[0].pUnk->Release();
        CheckHr("Skip past the end of the connections", connections->Skip(1), S_FALSE);
        CheckHr("Reset the connections", connections->Reset());
        fetched = 0;
        CheckHr("Next of 2 after Reset", connections->Next(2, data, &fetched));
        Check("gives both sinks in order",
              fetched == 2 && data[0].dwCookie == cookie && data[1].dwCookie == otherCookie &&
                  data[0].pUnk == static_cast<IDispatch*>(&sink) &&
                  data[1].pUnk == static_cast<IDispatch*>(&other),
              std::to_string(fetched));
        for (ULONG i = 0; i < fetched && i < 2; ++i) data[i].pUnk->Release();
        if (copy != nullptr) {
            fetched = 0;
            CheckHr("the clone's Next of 2 starts where the original was", copy->Next(2, data, &fetched),
                    S_FALSE);
            Check("at the second sink", fetched == 1 && data[0].dwCookie == otherCookie,
                  std::to_string(fetched) + " " + Hex(data[0].dwCookie));
            if (fetched == 1) data[0].pUnk->Release();
        }
        // The snapshot outlives an Unadvise.
        CheckHr("Unadvise the second sink", point->Unadvise(otherCookie));
        if (copy != nullptr) {
            CheckHr("Reset the clone", copy->Reset());
            fetched = 0;
            CheckHr("the clone still lists both", copy->Next(2, data, &fetched));
            Check("two connections in the snapshot", fetched == 2, std::to_string(fetched));
            for (ULONG i = 0; i < fetched && i < 2; ++i) data[i].pUnk->Release();
            copy->Release();
        }
        connections->Release();
    }
    Check("the second sink holds no references after all", other.references == 1,
          std::to_string(other.references));
    connections = nullptr;
    CheckHr("EnumConnections after the second Unadvise", point->EnumConnections(&connections));
    if (connections != nullptr) {
        fetched = 0;
        CheckHr("Next of 2", connections->Next(2, data, &fetched), S_FALSE);
        Check("lists only the first sink", fetched == 1 && data[0].dwCookie == cookie,
              std::to_string(fetched));
        if (fetched == 1) data[0].pUnk->Release();
        connections->Release();
    }
}

// After the last Unadvise the point lists no connections.
void TestNoConnections(IConnectionPoint* point) {
    IEnumConnections* connections = nullptr;
    CheckHr("EnumConnections after Unadvise", point->EnumConnections(&connections));
    if (connections == nullptr) return;
    CONNECTDATA data{};
    ULONG fetched = 99;
    CheckHr("Next with no connections", connections->Next(1, &data, &fetched), S_FALSE);
    Check("the list is empty", fetched == 0, std::to_string(fetched));
    CheckHr("Skip with no connections", connections->Skip(1), S_FALSE);
    connections->Release();
}

void TestPersistence() {
    IUnknown* first = CreateControl();
    IUnknown* second = CreateControl();
    if (first == nullptr || second == nullptr) return;
    IOleObject* firstObject = nullptr;
    IOleObject* secondObject = nullptr;
    first->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&firstObject));
    second->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&secondObject));
    SIZEL size{12345, 6789};
    firstObject->SetExtent(DVASPECT_CONTENT, &size);
    IDispatch* firstDispatch = nullptr;
    IDispatch* secondDispatch = nullptr;
    first->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&firstDispatch));
    second->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&secondDispatch));
    // A closed port: the load fails at once, and with no box.
    const std::wstring address = L"http://127.0.0.1:1/gr\u00fcn/";
    CheckHr("ShowMessages is set", SetProperty(firstDispatch, L"ShowMessages", false));
    CheckHr("ImageURL is set", SetProperty(firstDispatch, L"ImageURL", address));

    IPersistStreamInit* saver = nullptr;
    IPersistStreamInit* loader = nullptr;
    first->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&saver));
    second->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&loader));
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    CheckHr("IPersistStreamInit::Save", saver->Save(stream, TRUE));
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    Check("the stream holds the version, the extents, ShowMessages and ImageURL",
          stat.cbSize.QuadPart == 20 + address.size() * 2,
          std::to_string(static_cast<unsigned long>(stat.cbSize.QuadPart)));
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    DWORD version = 0;
    stream->Read(&version, sizeof version, nullptr);
    Check("the stream starts with version 0x00010001", version == 0x00010001, Hex(version));
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    CheckHr("IPersistStreamInit::Load", loader->Load(stream));
    SIZEL loaded{};
    secondObject->GetExtent(DVASPECT_CONTENT, &loaded);
    Check("the extents round-trip through a stream", loaded.cx == 12345 && loaded.cy == 6789,
          std::to_string(loaded.cx) + " x " + std::to_string(loaded.cy));
    Check("ImageURL and ShowMessages round-trip through a stream",
          GetProperty(secondDispatch, L"ImageURL") == Narrow(address.c_str()) &&
              GetProperty(secondDispatch, L"ShowMessages") == "false",
          GetProperty(secondDispatch, L"ImageURL") + ", " + GetProperty(secondDispatch, L"ShowMessages"));
    // The first version's stream (extents only) still loads, and cut or newer streams do not.
    const struct {
        std::vector<DWORD> words;
        HRESULT expected;
        const char* label;
    } streams[] = {
        {{0x00010000, 500, 600}, S_OK, "a version 0x00010000 stream"},
        {{0x00010001, 500, 600, 1}, E_FAIL, "a stream cut inside its properties"},
        {{0x00010001, 500, 600, 1, 40, 0x00680068}, E_FAIL, "a stream cut inside its address"},
        {{0x00010001, 500, 600, 1, 0x7FFFFFFF}, E_FAIL, "a stream with an absurd address length"},
        {{0x00020000, 500, 600}, E_FAIL, "a newer version's stream"},
    };
    for (const auto& test : streams) {
        IStream* old = nullptr;
        CreateStreamOnHGlobal(nullptr, TRUE, &old);
        old->Write(test.words.data(), static_cast<ULONG>(test.words.size() * sizeof(DWORD)), nullptr);
        old->Seek(start, STREAM_SEEK_SET, nullptr);
        CheckHr(std::string("IPersistStreamInit::Load of ") + test.label, loader->Load(old), test.expected);
        old->Release();
    }
    secondObject->GetExtent(DVASPECT_CONTENT, &loaded);
    Check("the old stream's extents are taken", loaded.cx == 500 && loaded.cy == 600,
          std::to_string(loaded.cx) + " x " + std::to_string(loaded.cy));
    stream->Release();
    saver->Release();
    loader->Release();

    size = SIZEL{2222, 3333};
    firstObject->SetExtent(DVASPECT_CONTENT, &size);
    IPersistPropertyBag* bagSaver = nullptr;
    IPersistPropertyBag* bagLoader = nullptr;
    first->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bagSaver));
    second->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bagLoader));
    PropertyBag bag;
    CheckHr("IPersistPropertyBag::Save", bagSaver->Save(&bag, TRUE, TRUE));
    Check("the bag holds _Version, _ExtentX, _ExtentY, _StockProps, ShowMessages, ImageURL",
          bag.values.size() == 6 && bag.values.count(L"_Version") && bag.values.count(L"_ExtentX") &&
              bag.values.count(L"_ExtentY") && bag.values.count(L"_StockProps") &&
              bag.values.count(L"ShowMessages") && bag.values.count(L"ImageURL"),
          std::to_string(bag.values.size()));
    Check("_Version is 0x00010001", V_I4(&bag.values[L"_Version"]) == 0x00010001);
    CheckHr("ShowMessages is set back", SetProperty(secondDispatch, L"ShowMessages", true));
    CheckHr("IPersistPropertyBag::Load", bagLoader->Load(&bag, nullptr));
    secondObject->GetExtent(DVASPECT_CONTENT, &loaded);
    Check("the extents round-trip through a property bag", loaded.cx == 2222 && loaded.cy == 3333,
          std::to_string(loaded.cx) + " x " + std::to_string(loaded.cy));
    Check("ImageURL and ShowMessages round-trip through a property bag",
          GetProperty(secondDispatch, L"ImageURL") == Narrow(address.c_str()) &&
              GetProperty(secondDispatch, L"ShowMessages") == "false");
    firstDispatch->Release();
    secondDispatch->Release();
    for (auto& entry : bag.values) VariantClear(&entry.second);
    bagSaver->Release();
    bagLoader->Release();
    firstObject->Release();
    secondObject->Release();
    first->Release();
    second->Release();
}

// The page edits ImageURL: it shows the control's address, and Apply gives the edited one.
void TestPropertyPage(HWND parent, IUnknown* control, const std::wstring& url) {
    IPropertyPage* page = nullptr;
    CheckHr("the property page is created by its CLSID",
            CoCreateInstance(kolo::kClsidKoloPropPage, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IPropertyPage, reinterpret_cast<void**>(&page)));
    if (page == nullptr) return;
    PROPPAGEINFO info{};
    info.cb = sizeof info;
    CheckHr("GetPageInfo", page->GetPageInfo(&info));
    Check("the page is captioned General", Narrow(info.pszTitle) == "General", Narrow(info.pszTitle));
    Check("the page has a size", info.size.cx > 0 && info.size.cy > 0);
    CoTaskMemFree(info.pszTitle);
    IDispatch* dispatch = nullptr;
    control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    CheckHr("ImageURL before the page", SetProperty(dispatch, L"ImageURL", url + L"nowhere/"));
    CheckHr("SetObjects", page->SetObjects(1, &control));
    RECT place{0, 0, 400, 120};
    CheckHr("Activate", page->Activate(parent, &place, TRUE));
    HWND dialog = FindWindowExW(parent, nullptr, L"#32770", nullptr);
    int statics = 0, others = 0;
    HWND edit = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64];
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0) {
            ++statics;
        } else if (lstrcmpiA(cls, "Edit") == 0 && edit == nullptr) {
            edit = child;
        } else {
            ++others;
        }
    }
    Check("the page shows a label and one edit box", statics == 1 && edit != nullptr && others == 0,
          std::to_string(statics) + " statics, " + std::to_string(others) + " others");
    wchar_t shown[512] = L"";
    GetWindowTextW(edit, shown, 512);
    Check("the edit box shows the control's ImageURL", url + L"nowhere/" == shown, Narrow(shown));
    CheckHr("an untouched page is clean", page->IsPageDirty(), S_FALSE);
    SetWindowTextW(edit, url.c_str());
    CheckHr("an edited page is dirty", page->IsPageDirty(), S_OK);
    CheckHr("Apply", page->Apply());
    Check("Apply gives the control the edited address", GetProperty(dispatch, L"ImageURL") == Narrow(url.c_str()),
          GetProperty(dispatch, L"ImageURL"));
    CheckHr("and the page is clean again", page->IsPageDirty(), S_FALSE);
    dispatch->Release();
    CheckHr("Deactivate", page->Deactivate());
    page->Release();
}

// The properties verb opens the platform's property frame with the one page.
void TestPropertyFrame(IUnknown* control, HWND parent) {
    IOleObject* object = nullptr;
    control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
    std::string seen;
    HANDLE closer = CloseDialogLater("Kolo", 20000, &seen);
    CheckHr("the properties verb", object->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, parent, nullptr));
    WaitForSingleObject(closer, 20000);
    CloseHandle(closer);
    Check("the property frame shows the page with the control's address",
          seen.find("(ImageURL)") != std::string::npos && seen.find("|http://127.0.0.1:") != std::string::npos,
          seen);
    object->Release();
}

void TestAboutBox(IDispatch* dispatch, HWND frame) {
    for (int round = 1; round <= 2; ++round) {
        std::string seen;
        HWND owner = nullptr;
        HANDLE closer = CloseDialogLater("About Kolo Control", 20000, &seen, IDOK, &owner);
        CheckHr("AboutBox returns after OK, time " + std::to_string(round),
                CallMethod(dispatch, L"AboutBox", nullptr));
        WaitForSingleObject(closer, 20000);
        CloseHandle(closer);
        Check("the About box showed its name line, time " + std::to_string(round),
              seen.find("Kolo Control, Version 1.0") != std::string::npos, seen);
        Check("the About box is owned by the container's frame, time " + std::to_string(round),
              owner == frame);
    }
    Check("the frame takes clicks again after the About box", IsWindowEnabled(frame) != FALSE);
}

void TestBoard(IDispatch* dispatch, HWND control, const std::wstring& url) {
    // Before a folder: the blank canvas and "No Image!!!", the initial swatch.
    ExpectPixel("the swatch starts pink", control, 770, 463, kPink);
    ExpectPixel("the blank canvas is white in the middle", control, CanvasX(286), CanvasY(300), kWhite);
    int dark = 0;
    HDC dc = GetDC(control);
    for (int y = CanvasY(0); y < CanvasY(40); ++y) {
        for (int x = CanvasX(200); x < CanvasX(372); ++x) dark += GetPixel(dc, x, y) == kBlack;
    }
    ReleaseDC(control, dc);
    Check("\"No Image!!!\" is written at the top centre of the canvas", dark > 20, std::to_string(dark));
    Check("undo and redo start disabled", !Enabled(control, 101) && !Enabled(control, 102));
    Check("print, exit and the arrows start enabled",
          Enabled(control, 104) && Enabled(control, 105) && Enabled(control, 106) && Enabled(control, 107));

    // The folder, given without its trailing "/".
    std::wstring bare = url;
    if (!bare.empty() && bare.back() == L'/') bare.pop_back();
    // With the pointer away from the control, starting a load leaves the cursor alone.
    RECT frameRect{};
    GetWindowRect(GetAncestor(control, GA_ROOT), &frameRect);
    SetCursorPos(frameRect.right + 20, frameRect.bottom + 20);
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    CheckHr("SetImageURL", CallMethod(dispatch, L"SetImageURL", bare.c_str()));
    Check("the cursor away from the control stays as it was", GetCursor() == arrow);
    Check("SetImageURL returns while the folder is still loading, with the busy cursor",
          ShowsBusyCursor(control));
    Check("the folder loads", WaitForLoad(control));
    ExpectPixel("square.bmp, not the 404 page after it, is on the canvas: inside the square", control, CanvasX(200), CanvasY(175), kWhite);
    ExpectPixel("its outline", control, CanvasX(101), CanvasY(175), kBlack);
    ExpectPixel("outside the square", control, CanvasX(400), CanvasY(350), kWhite);

    // The brush over the canvas once a picture is there, the arrow elsewhere.
    const HCURSOR brush = LoadCursorW(GetModuleHandleW(moduleName.c_str()), MAKEINTRESOURCEW(201));
    Check("the module has the brush cursor", brush != nullptr);
    SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(CanvasX(10), CanvasY(10)));
    SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    Check("over the canvas the cursor is the brush", GetCursor() == brush);
    SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(700, 50));
    SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    Check("elsewhere it is the arrow", GetCursor() == LoadCursorA(nullptr, IDC_ARROW));

    // A fill, then undo and redo through the buttons.
    ReleaseAt(control, CanvasX(200), CanvasY(175));
    ExpectPixel("a click fills the inside of the square", control, CanvasX(200), CanvasY(175), kPink);
    ExpectPixel("the fill reaches the square's far corner", control, CanvasX(296), CanvasY(246), kPink);
    ExpectPixel("the fill stops at the outline", control, CanvasX(400), CanvasY(350), kWhite);
    ExpectPixel("the outline next to the fill shows half its colour", control, CanvasX(102),
                CanvasY(175), RGB(127, 0, 66));
    Check("after a fill undo is enabled and redo disabled", Enabled(control, 101) && !Enabled(control, 102));
    PressButton(control, 101);
    ExpectPixel("undo takes the fill back", control, CanvasX(200), CanvasY(175), kWhite);
    Check("after undo redo is enabled and undo disabled", !Enabled(control, 101) && Enabled(control, 102));
    PressButton(control, 102);
    ExpectPixel("redo paints it again", control, CanvasX(200), CanvasY(175), kPink);
    Check("after redo undo is enabled and redo disabled", Enabled(control, 101) && !Enabled(control, 102));

    // A palette pick: cell 13 (row 1, column 1) is red 255, green 153, blue 204.
    const int cellX = 651 + 1 + 12 + 5;
    const int cellY = 492 + 1 + 12 + 5;
    ExpectPixel("palette cell 13", control, cellX, cellY, RGB(255, 153, 204));
    ReleaseAt(control, cellX, cellY);
    ExpectPixel("the swatch shows the picked colour", control, 770, 463, RGB(255, 153, 204));
    ReleaseAt(control, 651, cellY);   // a grid line: pure black is never picked
    ExpectPixel("a grid line picks nothing", control, 770, 463, RGB(255, 153, 204));
    ReleaseAt(control, CanvasX(400), CanvasY(350));
    ExpectPixel("the next fill uses the picked colour", control, CanvasX(400), CanvasY(350),
                RGB(255, 153, 204));
    ExpectPixel("and leaves the square as it was", control, CanvasX(200), CanvasY(175), kPink);

    // The thumbnail starts on square.bmp; the next arrow shows band.bmp (index 1), and a click
    // puts it on the canvas.
    const RECT thumbnail{641, 197, 815, 355};
    const DWORD squareThumbnail = Checksum(control, thumbnail);
    PressButton(control, 107);
    const DWORD bandThumbnail = Checksum(control, thumbnail);
    Check("the next arrow shows another thumbnail", bandThumbnail != squareThumbnail);
    ReleaseAt(control, 700, 270);
    ExpectPixel("a thumbnail click puts band.bmp on the canvas: its band", control, CanvasX(200),
                CanvasY(201), kBlack);
    ExpectPixel("the fills of the last picture are gone", control, CanvasX(200), CanvasY(175), kWhite);
    Check("a new picture disables undo and redo", !Enabled(control, 101) && !Enabled(control, 102));
    PressButton(control, 107);
    Check("the next arrow goes round to the first thumbnail",
          Checksum(control, thumbnail) == squareThumbnail);
    ExpectPixel("the arrows leave the canvas alone", control, CanvasX(200), CanvasY(201), kBlack);
    PressButton(control, 107);
    PressButton(control, 106);
    Check("the previous arrow brings the first thumbnail back",
          Checksum(control, thumbnail) == squareThumbnail);
}

void TestViewObject(IUnknown* unknown, HWND control) {
    IViewObject2* view = nullptr;
    unknown->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kBoardWidth + 10;
    info.bmiHeader.biHeight = -(kBoardHeight + 10);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, section);
    RECTL bounds{10, 10, 10 + kBoardWidth, 10 + kBoardHeight};
    CheckHr("IViewObject::Draw", view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc,
                                            &bounds, nullptr, nullptr, 0));
    GdiFlush();
    const int points[][2] = {{770, 463}, {CanvasX(200), CanvasY(201)}, {CanvasX(200), CanvasY(175)},
                             {700, 270}, {60, 100}, {690, 385}};
    int same = 0;
    for (const auto& p : points) {
        const COLORREF drawn = GetPixel(dc, p[0] + 10, p[1] + 10);
        if (drawn == PixelAt(control, p[0], p[1])) ++same;
    }
    Check("Draw into a DIB section shows what the window shows, buttons included", same == 6,
          std::to_string(same) + " of 6");
    SelectObject(dc, old);
    DeleteObject(section);
    DeleteDC(dc);
    view->Release();
}

void TestBadFolder(IDispatch* dispatch, HWND control, HWND frame) {
    std::string seen;
    HWND owner = nullptr;
    HANDLE closer = CloseDialogLater("Kolo", 30000, &seen, IDOK, &owner);
    CheckHr("SetImageURL with a closed port", CallMethod(dispatch, L"SetImageURL", L"http://127.0.0.1:1/"));
    Check("the load with a closed port ends", WaitForLoad(control));
    WaitForSingleObject(closer, 30000);
    CloseHandle(closer);
    Check("the message ends with the request to confirm the url",
          seen.find("\nPlease confirm your url.") != std::string::npos, seen);
    Check("the message is owned by the container's frame", owner == frame);
    ExpectPixel("the board keeps its picture", control, CanvasX(200), CanvasY(201), kBlack);
    CheckHr("SetImageURL with an empty string", CallMethod(dispatch, L"SetImageURL", L""));
    ExpectPixel("and nothing changes", control, CanvasX(200), CanvasY(201), kBlack);
}

std::string ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string data(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &data[0], static_cast<DWORD>(data.size()), &read, nullptr);
    CloseHandle(file);
    data.resize(read);
    return data;
}

// The print button prints on the default printer, a file printer made for the test.
void TestPrint(HWND control, const std::wstring& output) {
    DeleteFileW(output.c_str());
    HANDLE closer = CloseDialogLater("Print", 20000, nullptr, IDCANCEL);
    PressButton(control, 104);
    WaitForSingleObject(closer, 20000);
    CloseHandle(closer);
    Sleep(500);
    Check("a cancelled print dialog starts no document",
          GetFileAttributesW(output.c_str()) == INVALID_FILE_ATTRIBUTES);

    closer = CloseDialogLater("Print", 20000);
    PressButton(control, 104);
    WaitForSingleObject(closer, 20000);
    CloseHandle(closer);
    std::string page;
    for (int i = 0; i < 100 && page.find("%%Pages: 1") == std::string::npos; ++i) {
        Sleep(50);
        page = ReadWholeFile(output);
    }
    Check("the print button writes a PostScript document", page.rfind("%!PS", 0) == 0,
          std::to_string(page.size()) + " bytes");
    Check("named Test Document", page.find("%%Title: Test Document") != std::string::npos);
    Check("with one page", page.find("%%Pages: 1") != std::string::npos);
    Check("that carries the picture as an image", page.find("\nimage") != std::string::npos);
}

// IViewObject::Draw into a printer's context, as a print preview or a document prints the
// control: a job of one page that carries the board as an image.
void TestDrawOnPrinter(IUnknown* unknown, const std::wstring& output) {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    PrintDlgW(&dialog);
    if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
    Check("the test printer gives a context", dialog.hDC != nullptr);
    if (dialog.hDC == nullptr) return;
    DeleteFileW(output.c_str());
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = L"Drawn";
    document.lpszOutput = output.c_str();
    IViewObject2* view = nullptr;
    unknown->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view));
    const bool started = StartDocW(dialog.hDC, &document) > 0 && StartPage(dialog.hDC) > 0;
    Check("a job starts on the printer", started);
    // Three times the board at 300 dpi, an inch from the corner.
    const RECTL bounds{300, 300, 300 + 3 * kBoardWidth, 300 + 3 * kBoardHeight};
    if (started) {
        CheckHr("Draw into the printer's context", view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr,
                                                              nullptr, dialog.hDC, &bounds, nullptr,
                                                              nullptr, 0));
        EndPage(dialog.hDC);
        EndDoc(dialog.hDC);
    }
    DeleteDC(dialog.hDC);
    view->Release();
    std::string page;
    for (int i = 0; i < 100 && page.find("%%EOF") == std::string::npos; ++i) {
        Sleep(50);
        page = ReadWholeFile(output);
    }
    Check("the job carries the board as an image", page.find("\nimage") != std::string::npos,
          std::to_string(page.size()) + " bytes");
}

bool Near(COLORREF c, int value, int tolerance) {
    return abs(GetRValue(c) - value) <= tolerance && abs(GetGValue(c) - value) <= tolerance &&
           abs(GetBValue(c) - value) <= tolerance;
}

// GIF through the module's own decoder, JPEG through the cross-compiled libjpeg.
void TestFormats(IDispatch* dispatch, HWND control, const std::wstring& url) {
    LoadFolder(dispatch, control, url + L"formats/", "on the GIF and JPEG folder");
    const COLORREF band = PixelAt(control, CanvasX(50), CanvasY(207));
    const COLORREF above = PixelAt(control, CanvasX(50), CanvasY(150));
    Check("bars.jpg is on the canvas: its band is dark", Near(band, 0, 40), Colour(band));
    Check("and the paper above it light", Near(above, 255, 15), Colour(above));
    ReleaseAt(control, CanvasX(50), CanvasY(150));
    ExpectPixel("a fill on the JPEG picture", control, CanvasX(50), CanvasY(150), RGB(255, 153, 204));
    PressButton(control, 107);
    ReleaseAt(control, 700, 270);
    ExpectPixel("bars.gif from the thumbnail: a bar", control, CanvasX(107), CanvasY(100), kBlack);
    ExpectPixel("bars.gif: between the bars", control, CanvasX(200), CanvasY(100), kWhite);

    // Pictures are read into memory: nothing is written under the user's temporary folder.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"Kolo-" + std::to_wstring(GetCurrentProcessId()) + L"-0\\";
    Check("no download folder is made", GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES,
          Narrow(folder.c_str()));
    Check("and not to a shared place", GetFileAttributesW(L"C:\\Image001.jpg") == INVALID_FILE_ATTRIBUTES);
}

// PNG through the cross-compiled libpng: a portrait picture on transparent paper keeps its
// proportions, centred on white.
void TestPng(IDispatch* dispatch, HWND control, const std::wstring& url) {
    LoadFolder(dispatch, control, url + L"png/", "on the PNG folder");
    constexpr int kLeft = (572 - 226) / 2;   // the picture's left edge on the canvas
    ExpectPixel("tall.png: its bar", control, CanvasX(kLeft + 107), CanvasY(300), kBlack);
    ExpectPixel("tall.png: its transparent paper shows white", control, CanvasX(kLeft + 50), CanvasY(300), kWhite);
    ExpectPixel("tall.png: the margin beside it is white", control, CanvasX(20), CanvasY(300), kWhite);
    ExpectPixel("tall.png: not stretched across the canvas", control, CanvasX(107), CanvasY(300), kWhite);
}

// Folder names outside ASCII and with blanks reach the server percent-encoded as UTF-8.
// FolderLoaded and FolderFailed, with and without the message box; then local folders,
// by file:// address and by path.
void TestEvents(IDispatch* dispatch, HWND control, EventSink& sink, const std::wstring& url) {
    sink.folderEvents.clear();
    LoadFolder(dispatch, control, url, "for FolderLoaded");
    Check("FolderLoaded counts the pictures that loaded",
          sink.folderEvents == std::vector<std::string>{"loaded 2"},
          sink.folderEvents.empty() ? "none" : sink.folderEvents.front());
    Check("ShowMessages is true by default", GetProperty(dispatch, L"ShowMessages") == "true");
    const std::string failed = "failed The server answered 404 Not Found\nPlease confirm your url.";
    for (const bool boxes : {true, false}) {
        const std::string label = boxes ? " with boxes" : " without boxes";
        CheckHr("ShowMessages" + label, SetProperty(dispatch, L"ShowMessages", boxes));
        sink.folderEvents.clear();
        std::string seen;
        HANDLE closer = CloseDialogLater("Kolo", boxes ? 30000 : 1500, &seen);
        LoadFolder(dispatch, control, url + L"nowhere/", "for FolderFailed" + label);
        WaitForSingleObject(closer, 30000);
        CloseHandle(closer);
        Check("FolderFailed carries the message" + label,
              sink.folderEvents == std::vector<std::string>{failed},
              sink.folderEvents.empty() ? "none" : sink.folderEvents.front());
        Check(std::string(boxes ? "the box shows" : "no box shows") + label,
              seen.empty() != boxes, seen);
    }
    Check("ImageURL is the last address given", GetProperty(dispatch, L"ImageURL") == Narrow((url + L"nowhere/").c_str()),
          GetProperty(dispatch, L"ImageURL"));

    // The test's picture folder, as Windows sees it (from KOLO_TEST_LOCAL_FOLDER).
    wchar_t local[MAX_PATH] = L"";
    if (GetEnvironmentVariableW(L"KOLO_TEST_LOCAL_FOLDER", local, MAX_PATH) == 0) {
        Check("KOLO_TEST_LOCAL_FOLDER names the local picture folder", false);
        return;
    }
    std::wstring fileUrl = L"file:///" + std::wstring(local);
    for (wchar_t& c : fileUrl) {
        if (c == L'\\') c = L'/';
    }
    const struct {
        std::wstring address;
        std::string loaded;   // the event, or the start of it
        int x, y;             // a black pixel of the first picture, in canvas pixels
        const char* label;
    } folders[] = {
        {std::wstring(local) + L"\\cases", "loaded 2", 101, 175, "a local path, names sorted case-blind"},
        {fileUrl + L"/cases/", "loaded 2", 101, 175, "a file:// address"},
        {fileUrl + L"/gr%C3%BCn/", "loaded 1", 200, 201, "a file:// address with escapes"},
        {std::wstring(local) + L"\\gr\u00fcn\\", "loaded 1", 200, 201, "a local path with a non-ASCII letter"},
        {std::wstring(local) + L"\\no such folder", "failed ", -1, -1, "a local folder that is not there"},
        {std::wstring(local) + L"\\cases\\sub.bmp\\", "failed No pictures found", -1, -1, "an empty local folder"},
    };
    CheckHr("ShowMessages off for local folders", SetProperty(dispatch, L"ShowMessages", false));
    for (const auto& folder : folders) {
        sink.folderEvents.clear();
        LoadFolder(dispatch, control, folder.address, folder.label);
        const std::string event = sink.folderEvents.empty() ? "none" : sink.folderEvents.front();
        Check(std::string("the folder's event: ") + folder.label,
              sink.folderEvents.size() == 1 && event.compare(0, folder.loaded.size(), folder.loaded) == 0, event);
        if (folder.x >= 0) {
            ExpectPixel(std::string("the first picture is on the canvas: ") + folder.label, control,
                        CanvasX(folder.x), CanvasY(folder.y), kBlack);
        }
    }
    CheckHr("ShowMessages back on", SetProperty(dispatch, L"ShowMessages", true));
}

void TestAddresses(IDispatch* dispatch, HWND control, const std::wstring& url) {
    const struct {
        const wchar_t* folder;
        int x, y;   // a black pixel of the folder's picture, in canvas pixels
        const char* label;
    } folders[] = {
        {L"gr\u00fcn/", 200, 201, "a folder named with a non-ASCII letter"},
        {L"two words/", 101, 175, "a folder named with a blank"},
    };
    for (const auto& folder : folders) {
        LoadFolder(dispatch, control, url + folder.folder, std::string("on ") + folder.label);
        ExpectPixel(std::string("its picture is on the canvas: ") + folder.label, control,
                    CanvasX(folder.x), CanvasY(folder.y), kBlack);
    }
}

void TestExit(HWND control) {
    browserMessages.clear();
    recordBrowserMessages = true;
    PressButton(control, 105);
    recordBrowserMessages = false;
    Check("Exit sends WM_ACTIVATE, WM_NCDESTROY, WM_DESTROY to the browser's window",
          browserMessages == std::vector<UINT>{WM_ACTIVATE, WM_NCDESTROY, WM_DESTROY},
          std::to_string(browserMessages.size()) + " messages");
}

// Exit with no web browser behind the site asks the container's frame to close, the way its
// own close button would; the host's process lives on and the frame closes itself.
void TestExitWithoutBrowser() {
    HWND frame = MakeWindow(L"Kolo test frame without a browser");
    Site site;
    site.window = MakePanel(frame);
    IUnknown* control = CreateControl();
    IOleObject* object = nullptr;
    if (control == nullptr ||
        FAILED(control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)))) {
        Check("a second control for Exit", false);
        return;
    }
    object->SetClientSite(&site);
    RECT place{0, 0, kBoardWidth, kBoardHeight};
    object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.window, &place);
    HWND window = nullptr;
    IOleWindow* oleWindow = nullptr;
    if (SUCCEEDED(control->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&oleWindow)))) {
        oleWindow->GetWindow(&window);
        oleWindow->Release();
    }
    frameCloses = 0;
    PressButton(window, 105);
    Check("right after Exit the frame is still there: the close is posted", IsWindow(frame) != FALSE);
    const DWORD start = GetTickCount();
    MSG message;
    while (IsWindow(frame) && GetTickCount() - start < 10000) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
    Check("Exit without a browser sends WM_CLOSE to the container's frame once", frameCloses == 1,
          std::to_string(frameCloses));
    Check("the frame closed itself and the host goes on", !IsWindow(frame));
    CheckHr("the control closes after its frame", object->Close(OLECLOSE_NOSAVE));
    object->SetClientSite(nullptr);
    object->Release();
    control->Release();
}

// An OLE document container embeds the control in a storage, saves it and loads it back.
void TestDocumentEmbedding(Site& site) {
    const DWORD renderings[] = {OLERENDER_NONE, OLERENDER_DRAW};
    for (DWORD render : renderings) {
        const std::string label = render == OLERENDER_NONE ? " (no rendering)" : " (drawn)";
        IStorage* storage = nullptr;
        CheckHr("a storage" + label,
                StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE |
                                              STGM_DELETEONRELEASE, 0, &storage));
        if (storage == nullptr) continue;
        IOleObject* object = nullptr;
        CheckHr("OleCreate embeds the control" + label,
                OleCreate(kolo::kClsidKolo, IID_IOleObject, render, nullptr, &site, storage,
                          reinterpret_cast<void**>(&object)));
        if (object == nullptr) {
            storage->Release();
            continue;
        }
        RECT place{0, 0, kBoardWidth, kBoardHeight};
        CheckHr("the embedded control shows" + label,
                object->DoVerb(OLEIVERB_SHOW, nullptr, &site, 0, site.window, &place));
        SIZEL size{4321, 1234};
        object->SetExtent(DVASPECT_CONTENT, &size);
        IPersistStorage* persist = nullptr;
        object->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist));
        CheckHr("OleSave" + label, OleSave(persist, storage, TRUE));
        persist->SaveCompleted(nullptr);
        persist->Release();
        CheckHr("the embedded control closes" + label, object->Close(OLECLOSE_NOSAVE));
        object->SetClientSite(nullptr);
        object->Release();

        CLSID stored{};
        ReadClassStg(storage, &stored);
        Check("the storage names the control's class" + label, IsEqualCLSID(stored, kolo::kClsidKolo));
        IOleObject* loaded = nullptr;
        CheckHr("OleLoad" + label, OleLoad(storage, IID_IOleObject, nullptr,
                                           reinterpret_cast<void**>(&loaded)));
        if (loaded != nullptr) {
            SIZEL back{};
            loaded->GetExtent(DVASPECT_CONTENT, &back);
            Check("the extents come back from the storage" + label,
                  back.cx == 4321 && back.cy == 1234,
                  std::to_string(back.cx) + " x " + std::to_string(back.cy));
            loaded->Release();
        }
        storage->Release();
    }
}

void TestAtlHost(const std::wstring& url, HWND parent) {
    HMODULE atl = LoadLibraryW(L"atl.dll");
    Check("Wine's ATL host loads", atl != nullptr);
    if (atl == nullptr) return;
    using Init = BOOL(WINAPI*)();
    using GetControl = HRESULT(WINAPI*)(HWND, IUnknown**);
    auto init = reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto getControl = reinterpret_cast<GetControl>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    Check("AtlAxWinInit", init != nullptr && init());
    HWND host = CreateWindowExW(0, L"AtlAxWin", L"KOLO.KoloCtrl.1", WS_CHILD | WS_VISIBLE, 0, 0,
                                kBoardWidth, kBoardHeight, parent, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
    Check("an AtlAxWin window creates the control by ProgID", host != nullptr);
    IUnknown* unknown = nullptr;
    if (host != nullptr && getControl != nullptr) getControl(host, &unknown);
    Check("the ATL host holds the control", unknown != nullptr);
    if (unknown == nullptr) return;
    IDispatch* dispatch = nullptr;
    unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    HWND control = nullptr;
    IOleWindow* window = nullptr;
    if (SUCCEEDED(unknown->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)))) {
        window->GetWindow(&control);
        window->Release();
    }
    Check("the ATL host activated the control in place", control != nullptr && IsWindow(control));
    if (control != nullptr && dispatch != nullptr) {
        ExpectPixel("in the ATL host the swatch is pink", control, 770, 463, kPink);
        LoadFolder(dispatch, control, url, "in the ATL host");
        ExpectPixel("in the ATL host the square's outline", control, CanvasX(101), CanvasY(175), kBlack);
        ReleaseAt(control, CanvasX(200), CanvasY(175));
        ExpectPixel("in the ATL host a click fills", control, CanvasX(200), CanvasY(175), kPink);
    }
    if (dispatch != nullptr) dispatch->Release();
    unknown->Release();
    DestroyWindow(host);
}

// ---------------------------------------------------------------- loading in the background

constexpr const wchar_t* kLimitsVariable = L"KOLO_INTERNET_LIMITS_MS";
// Connect, stall, page and picture limits for the slow-server tests, in milliseconds.
constexpr const wchar_t* kShortLimits = L"3000,2000,6000,4000";
constexpr DWORD kShortStallMs = 2000;
constexpr const char* kConfirm = "\nPlease confirm your url.";

int timerTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++timerTicks; }

// The server's GET counts by path since the last look (which starts them afresh).
std::map<std::string, int> ServerRequests(const std::wstring& url) {
    std::map<std::string, int> counts;
    HINTERNET session = InternetOpenW(L"KoloTest", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET request = InternetOpenUrlW(session, (url + L"_requests").c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD, 0);
    std::string body;
    char chunk[4096];
    DWORD read = 0;
    while (request != nullptr && InternetReadFile(request, chunk, sizeof chunk, &read) && read > 0) {
        body.append(chunk, read);
    }
    if (request != nullptr) InternetCloseHandle(request);
    if (session != nullptr) InternetCloseHandle(session);
    std::size_t start = 0;
    for (std::size_t end; (end = body.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = body.substr(start, end - start);
        const std::size_t blank = line.rfind(' ');
        if (blank != std::string::npos) counts[line.substr(0, blank)] = std::atoi(line.c_str() + blank + 1);
    }
    return counts;
}

std::string Describe(const std::map<std::string, int>& counts) {
    std::string text;
    for (const auto& entry : counts) text += entry.first + " " + std::to_string(entry.second) + "; ";
    return text;
}

int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    }
    CloseHandle(snapshot);
    return count;
}

// Runs the container's message loop for `ms` milliseconds.
void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Loads `folder` expecting the control's message; gives its text, empty when none came.
std::string LoadWithMessage(IDispatch* dispatch, HWND control, const std::wstring& folder,
                            const std::string& label, HWND* owner = nullptr) {
    std::string seen;
    HANDLE closer = CloseDialogLater("Kolo", 30000, &seen, IDOK, owner);
    LoadFolder(dispatch, control, folder, label);
    WaitForSingleObject(closer, 30000);
    CloseHandle(closer);
    return seen;
}

void TestLoading(IDispatch* dispatch, HWND control, HWND frame, const std::wstring& url) {
    const RECT thumbnail{641, 197, 815, 355};
    ServerRequests(url);
    LoadFolder(dispatch, control, url, "to count its requests");
    const std::map<std::string, int> expected{{"/", 1}, {"/band.bmp", 1}, {"/missing.bmp", 1}, {"/square.bmp", 1}};
    const std::map<std::string, int> requests = ServerRequests(url);
    Check("one request for the page and one per picture, the missing one's included",
          requests == expected, Describe(requests));

    // A page that answers 404: the message, and the folder before it stays whole.
    const DWORD squareThumbnail = Checksum(control, thumbnail);
    const std::string notFound = LoadWithMessage(dispatch, control, url + L"nowhere/", "on a folder the server does not have");
    Check("a 404 folder names the status",
          notFound.find(std::string("The server answered 404 Not Found") + kConfirm) != std::string::npos, notFound);
    ExpectPixel("after the 404 the canvas keeps square.bmp", control, CanvasX(101), CanvasY(175), kBlack);
    PressButton(control, 107);
    Check("and the arrows still go round its folder", Checksum(control, thumbnail) != squareThumbnail);

    // A page whose links give no picture: the message, and an empty list.
    const DWORD before = Checksum(control, thumbnail);
    const std::string none = LoadWithMessage(dispatch, control, url + L"broken/", "on a folder with no picture");
    Check("a folder without a picture says so",
          none.find("No pictures found at " + Narrow(url.c_str()) + "broken/" + kConfirm) != std::string::npos, none);
    const DWORD emptied = Checksum(control, thumbnail);
    Check("the thumbnail of the old folder is gone", emptied != before);
    PressButton(control, 107);
    Check("and the arrows have nothing to show", Checksum(control, thumbnail) == emptied);

    // Addresses that give no folder each get the message, and the folder before stays.
    LoadFolder(dispatch, control, url, "before the bad addresses");
    const struct {
        std::wstring address;
        std::string reason;   // part of the message
    } bad[] = {
        {L"ftp2://127.0.0.1/", "Unsupported address: ftp2://127.0.0.1/"},
        {L"windows", "Unsupported address: windows/"},
        {L"https://127.0.0.1:1/", ""},
        {url + std::wstring(3000, L'a') + L"/", "The server answered 404 Not Found"},
        {L"http://" + std::wstring(300, L'h') + L".test/", ""},
    };
    for (const auto& test : bad) {
        const std::string label = Narrow(test.address.substr(0, 40).c_str());
        const std::string message = LoadWithMessage(dispatch, control, test.address, "on " + label);
        Check("a message for " + label, message.find(test.reason + kConfirm) != std::string::npos &&
              message.find(std::string("|") + kConfirm) == std::string::npos, message);
        ExpectPixel("and the folder before stays: " + label, control, CanvasX(101), CanvasY(175), kBlack);
    }

    SetEnvironmentVariableW(kLimitsVariable, kShortLimits);
    // A server that accepts and never answers: the container goes on, the load gives up at
    // the stall limit.
    LoadFolder(dispatch, control, url, "before the silent server");
    std::string seen;
    HWND owner = nullptr;
    HANDLE closer = CloseDialogLater("Kolo", 30000, &seen, IDOK, &owner);
    timerTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CountTick);
    const DWORD start = GetTickCount();
    CheckHr("SetImageURL on a silent server", CallMethod(dispatch, L"SetImageURL", (url + L"silent/").c_str()));
    const DWORD returned = GetTickCount() - start;
    Check("returns at once", returned < 1000, std::to_string(returned) + " ms");
    Check("the load on the silent server ends", WaitForLoad(control, 30000));
    const DWORD elapsed = GetTickCount() - start;
    KillTimer(nullptr, timer);
    WaitForSingleObject(closer, 30000);
    CloseHandle(closer);
    Check("the container's message loop ran all along", timerTicks >= 10, std::to_string(timerTicks) + " ticks");
    Check("it gives up at the stall limit", elapsed >= kShortStallMs - 200 && elapsed < kShortStallMs + 5000,
          std::to_string(elapsed) + " ms");
    Check("the message says the server timed out",
          seen.find(std::string("timed out.") + kConfirm) != std::string::npos, seen);
    Check("the message is owned by the container's frame", owner == frame);
    ExpectPixel("the board keeps its folder", control, CanvasX(101), CanvasY(175), kBlack);

    // A new address cancels the silent load at once; its failure never shows.
    seen.clear();
    closer = CloseDialogLater("Kolo", kShortStallMs + 3000, &seen);
    CheckHr("SetImageURL on the silent server again", CallMethod(dispatch, L"SetImageURL", (url + L"silent/").c_str()));
    Sleep(300);   // the page's request is sent and blocked
    const DWORD readdressed = GetTickCount();
    CheckHr("SetImageURL right after it", CallMethod(dispatch, L"SetImageURL", (url + L"png/").c_str()));
    const DWORD readdressTook = GetTickCount() - readdressed;
    Check("a new address during a blocked load returns at once", readdressTook <= 100,
          std::to_string(readdressTook) + " ms");
    Check("the folder loads right after it", WaitForLoad(control));
    ExpectPixel("the newer folder's picture is on the canvas", control, CanvasX((572 - 226) / 2 + 107), CanvasY(300), kBlack);
    PumpFor(kShortStallMs + 1500);
    WaitForSingleObject(closer, 10000);
    CloseHandle(closer);
    Check("the cancelled load shows no message", seen.empty(), seen);
    ExpectPixel("nor changes the canvas", control, CanvasX((572 - 226) / 2 + 107), CanvasY(300), kBlack);

    // A picture that keeps trickling is cut at the picture's total time.
    const DWORD dripStart = GetTickCount();
    const std::string dripped = LoadWithMessage(dispatch, control, url + L"drip/", "on a picture that never ends");
    const DWORD dripElapsed = GetTickCount() - dripStart;
    Check("a picture that never ends is given up",
          dripped.find("No pictures found at " + Narrow(url.c_str()) + "drip/" + kConfirm) != std::string::npos, dripped);
    Check("at its total time", dripElapsed < 4000 + 6000, std::to_string(dripElapsed) + " ms");
    SetEnvironmentVariableW(kLimitsVariable, nullptr);
}

// The module's own answer to DllCanUnloadNow; E_FAIL when it is not loaded.
HRESULT ModuleCanUnload() {
    HMODULE module = GetModuleHandleW(moduleName.c_str());
    // Through a plain function pointer type, which any other may be cast from.
    auto canUnload = module != nullptr ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                                             reinterpret_cast<void (*)()>(
                                                 GetProcAddress(module, "DllCanUnloadNow")))
                                       : nullptr;
    return canUnload != nullptr ? canUnload() : E_FAIL;
}

// Releasing a control mid-load returns at once: a load's thread blocked on a silent server
// keeps the module loaded and ends on its own at the stall limit; a wake-up posted before the
// release finds nothing to run.
void TestReleaseWhileLoading(const std::wstring& url) {
    SetEnvironmentVariableW(kLimitsVariable, kShortLimits);
    const struct {
        const wchar_t* folder;
        DWORD unpumpedMs;   // time the loader gets while nothing is pumped
        bool blocked;       // a transfer is still blocked at the release
        const char* label;
    } cases[] = {
        {L"silent/", 300, true, "waiting for a silent server"},
        {L"", 1500, false, "with results queued and not yet run"},
    };
    for (const auto& test : cases) {
        const int threadsBefore = ThreadCount();
        IUnknown* control = CreateControl();
        IDispatch* dispatch = nullptr;
        if (control == nullptr ||
            FAILED(control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            Check(std::string("a control to release ") + test.label, false);
            if (control != nullptr) control->Release();
            continue;
        }
        CheckHr(std::string("SetImageURL on a control without a window, ") + test.label,
                CallMethod(dispatch, L"SetImageURL", (url + test.folder).c_str()));
        Sleep(test.unpumpedMs);
        const DWORD start = GetTickCount();
        dispatch->Release();
        control->Release();
        const DWORD took = GetTickCount() - start;
        std::printf("release %s: %lu ms\n", test.label, static_cast<unsigned long>(took));
        Check(std::string("releasing the control returns at once ") + test.label, took <= 100,
              std::to_string(took) + " ms");
        if (test.blocked) {
            CheckHr("the blocked thread keeps the module loaded", ModuleCanUnload(), S_FALSE);
        }
        PumpFor(test.blocked ? kShortStallMs + 1500 : 300);
        Check(std::string("no thread of the load outlives its transfer ") + test.label,
              ThreadCount() <= threadsBefore,
              std::to_string(ThreadCount()) + " threads, " + std::to_string(threadsBefore) + " before");
        CheckHr(std::string("and the module may unload ") + test.label, ModuleCanUnload(), S_OK);
    }
    SetEnvironmentVariableW(kLimitsVariable, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: ContainerTest PATH_OF_KOLO.OCX FOLDER_URL\n");
        return 2;
    }
    const std::wstring url = argv[2];
    moduleName = argv[1];
    moduleName = moduleName.substr(moduleName.find_last_of(L"\\/") + 1);
    OleInitialize(nullptr);
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"KoloTestHost";
    RegisterClassW(&cls);
    WNDCLASSW frameClass = cls;
    frameClass.lpfnWndProc = FrameWindowProc;
    frameClass.lpszClassName = L"KoloTestFrame";
    RegisterClassW(&frameClass);
    WNDCLASSW browserClass = cls;
    browserClass.lpfnWndProc = BrowserWindowProc;
    browserClass.lpszClassName = L"KoloTestBrowser";
    RegisterClassW(&browserClass);

    for (const wchar_t* progId : {L"KOLO.KoloCtrl.1", L"KOLO.KoloCtrl"}) {
        CLSID clsid{};
        CheckHr("the ProgID " + Narrow(progId) + " is registered", CLSIDFromProgID(progId, &clsid));
        Check("and names the control's CLSID", IsEqualCLSID(clsid, kolo::kClsidKolo));
    }

    HWND hostWindow = MakeWindow(L"Kolo test container");
    HWND browserWindow = CreateWindowExW(0, L"KoloTestBrowser", L"browser", WS_OVERLAPPEDWINDOW,
                                         0, 0, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr),
                                         nullptr);
    Site site;
    site.window = MakePanel(hostWindow);
    site.browser = CreateFakeBrowser(browserWindow);

    IUnknown* control = CreateControl();
    Check("CoCreateInstance by ProgID", control != nullptr);
    if (control == nullptr) return Summary();
    TestObjectInterfaces(control);
    TestPersistence();
    TestPropertyPage(hostWindow, control, url);

    EventSink sink;
    IConnectionPointContainer* points = nullptr;
    control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points));
    IConnectionPoint* point = nullptr;
    CheckHr("the _DKoloEvents connection point", points->FindConnectionPoint(kolo::kIidDKoloEvents, &point));
    DWORD cookie = 0;
    if (point != nullptr) CheckHr("Advise", point->Advise(static_cast<IDispatch*>(&sink), &cookie));
    if (point != nullptr) TestConnectionPoints(points, point, sink, cookie);

    IOleObject* object = nullptr;
    control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
    CheckHr("SetClientSite", object->SetClientSite(&site));
    Check("no OnInitImage before the window exists", sink.initImageCount == 0);
    RECT place{0, 0, kBoardWidth, kBoardHeight};
    CheckHr("DoVerb in-place activate", object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0,
                                                       site.window, &place));
    Check("OnInitImage arrives once, with the window", sink.initImageCount == 1,
          std::to_string(sink.initImageCount));
    HWND controlWindow = nullptr;
    IOleInPlaceObject* inPlace = nullptr;
    control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace));
    CheckHr("the control has a window", inPlace->GetWindow(&controlWindow));
    RECT client{};
    GetClientRect(controlWindow, &client);
    Check("the control's window is 834 x 644", client.right == kBoardWidth && client.bottom == kBoardHeight);

    IDispatch* dispatch = nullptr;
    control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    TestBoard(dispatch, controlWindow, url);
    TestViewObject(control, controlWindow);
    TestAboutBox(dispatch, hostWindow);
    TestPropertyFrame(control, hostWindow);
    TestBadFolder(dispatch, controlWindow, hostWindow);
    if (argc > 3) {
        Check("a file printer for the test", InstallTestPrinter(argv[3]));
        TestPrint(controlWindow, argv[4]);
        TestDrawOnPrinter(control, std::wstring(argv[4]) + L".drawn");
    }
    TestFormats(dispatch, controlWindow, url);
    TestAddresses(dispatch, controlWindow, url);
    TestEvents(dispatch, controlWindow, sink, url);
    TestPng(dispatch, controlWindow, url);
    TestLoading(dispatch, controlWindow, hostWindow, url);
    TestExit(controlWindow);

    if (point != nullptr) {
        CheckHr("Unadvise", point->Unadvise(cookie));
        TestNoConnections(point);
        point->Release();
    }
    points->Release();
    inPlace->Release();
    dispatch->Release();
    CheckHr("Close", object->Close(OLECLOSE_NOSAVE));
    Check("closing destroys the control's window", !IsWindow(controlWindow));
    object->SetClientSite(nullptr);
    object->Release();
    control->Release();

    TestDocumentEmbedding(site);
    TestExitWithoutBrowser();
    TestReleaseWhileLoading(url);
    TestAtlHost(url, hostWindow);

    DestroyWindow(hostWindow);
    site.browser->Release();
    OleUninitialize();
    return Summary();
}
