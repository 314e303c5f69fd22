/* A web browser object that only knows its window: the one link of the control's Exit chain
 * that Wine cannot give (its browser host needs Gecko). Written in C because only the C
 * declaration of IWebBrowser2 lets a test fill the handful of slots it needs; the control
 * calls nothing but QueryInterface, AddRef, Release and get_HWND. */
#define COBJMACROS
#include <windows.h>
#include <exdisp.h>

#include "FakeBrowser.h"

typedef struct {
    IWebBrowser2 iface;
    LONG refs;
    HWND window;
} FakeBrowser;

static HRESULT STDMETHODCALLTYPE Browser_QueryInterface(IWebBrowser2* self, REFIID iid, void** out) {
    if (out == NULL) return E_POINTER;
    *out = NULL;
    if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IDispatch) ||
        IsEqualIID(iid, &IID_IWebBrowser) || IsEqualIID(iid, &IID_IWebBrowserApp) ||
        IsEqualIID(iid, &IID_IWebBrowser2)) {
        *out = self;
        IWebBrowser2_AddRef(self);
        return S_OK;
    }
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE Browser_AddRef(IWebBrowser2* self) {
    return (ULONG)InterlockedIncrement(&((FakeBrowser*)self)->refs);
}

static ULONG STDMETHODCALLTYPE Browser_Release(IWebBrowser2* self) {
    LONG refs = InterlockedDecrement(&((FakeBrowser*)self)->refs);
    if (refs == 0) HeapFree(GetProcessHeap(), 0, self);
    return (ULONG)refs;
}

static HRESULT STDMETHODCALLTYPE Browser_get_HWND(IWebBrowser2* self, SHANDLE_PTR* window) {
    if (window == NULL) return E_POINTER;
    *window = (SHANDLE_PTR)((FakeBrowser*)self)->window;
    return S_OK;
}

static IWebBrowser2Vtbl browserVtbl = {
    .QueryInterface = Browser_QueryInterface,
    .AddRef = Browser_AddRef,
    .Release = Browser_Release,
    .get_HWND = Browser_get_HWND,
};

IWebBrowser2* CreateFakeBrowser(HWND window) {
    FakeBrowser* browser = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *browser);
    if (browser == NULL) return NULL;
    browser->iface.lpVtbl = &browserVtbl;
    browser->refs = 1;
    browser->window = window;
    return &browser->iface;
}
