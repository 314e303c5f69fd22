/* A fake web browser for the control's Exit chain: get_HWND gives `window`. */
#pragma once

#include <windows.h>
#include <exdisp.h>

#ifdef __cplusplus
extern "C" {
#endif

IWebBrowser2* CreateFakeBrowser(HWND window);

#ifdef __cplusplus
}
#endif
