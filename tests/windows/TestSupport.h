// Checks for the Wine test programs: each check prints its result, failures with the values
// involved; Summary prints "N passed, N failed" and gives the number of failures as the
// program's exit status.
#pragma once

#include <windows.h>

#include <cstdio>

#include <string>

namespace kolotest {

void Check(const std::string& name, bool ok, const std::string& detail = std::string());
// An HRESULT check: passes when `actual` equals `expected`; the values go into the message.
void CheckHr(const std::string& name, HRESULT actual, HRESULT expected = S_OK);
int Summary();

std::string Hex(unsigned long value);
// "(red, green, blue)".
std::string Colour(COLORREF c);
std::string Narrow(const wchar_t* text);
std::wstring Widen(const std::string& text);

// The string value `name` (null: the default value) of HKCR\path; `found` says whether it is
// there at all.
std::string ReadRegistryString(const std::string& path, const char* name, bool* found);
bool RegistryKeyExists(const std::string& path);

// Posts `command` (IDOK unless told) to the first visible top-level dialog (#32770) of this
// process whose caption contains `caption` as soon as one appears, from a helper thread, up to `timeoutMs`; the texts of its
// child windows go to `textSeen`, its owner window to `ownerSeen`. Gives back the thread.
HANDLE CloseDialogLater(const std::string& caption, DWORD timeoutMs, std::string* textSeen = nullptr,
                        WPARAM command = IDOK, HWND* ownerSeen = nullptr);

// Calls the method `name` by IDispatch, with one text argument or (null) none.
HRESULT CallMethod(IDispatch* dispatch, const wchar_t* name, const wchar_t* argument);
// Dispatches every message waiting in this thread's queue.
void PumpMessages();
// Whether the control shows the busy cursor, with the pointer over its button column.
bool ShowsBusyCursor(HWND control);
// Runs the container's message loop until the control's folder load is over (its busy
// cursor is gone), at most `limitMs`; false when it was still loading then.
bool WaitForLoad(HWND control, DWORD limitMs = 60000);

}  // namespace kolotest
