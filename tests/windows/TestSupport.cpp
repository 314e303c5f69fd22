#include "TestSupport.h"

#include <cstdio>

namespace kolotest {
namespace {

int passed = 0;
int failed = 0;

struct DialogCloser {
    std::string caption;
    DWORD timeoutMs;
    std::string* textSeen;
    WPARAM command;
    HWND* ownerSeen;
};

BOOL CALLBACK CollectText(HWND child, LPARAM text) {
    char buffer[1024];
    if (GetWindowTextA(child, buffer, sizeof buffer) > 0) {
        *reinterpret_cast<std::string*>(text) += std::string(buffer) + "|";
    }
    return TRUE;
}

struct DialogSearch {
    const std::string* caption;
    HWND found;
};

// A visible dialog of this process whose caption contains the text searched for.
BOOL CALLBACK MatchDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    char cls[16], caption[256];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    if (GetClassNameA(window, cls, sizeof cls) == 0 || lstrcmpA(cls, "#32770") != 0) return TRUE;
    GetWindowTextA(window, caption, sizeof caption);
    if (std::string(caption).find(*search->caption) == std::string::npos) return TRUE;
    search->found = window;
    return FALSE;
}

DWORD WINAPI CloseDialogThread(LPVOID parameter) {
    auto* closer = static_cast<DialogCloser*>(parameter);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < closer->timeoutMs) {
        DialogSearch search{&closer->caption, nullptr};
        EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
        HWND dialog = search.found;
        if (dialog != nullptr && IsWindowVisible(dialog)) {
            if (closer->textSeen != nullptr) {
                EnumChildWindows(dialog, CollectText, reinterpret_cast<LPARAM>(closer->textSeen));
            }
            if (closer->ownerSeen != nullptr) *closer->ownerSeen = GetWindow(dialog, GW_OWNER);
            PostMessageA(dialog, WM_COMMAND, closer->command, 0);
            break;
        }
        Sleep(20);
    }
    delete closer;
    return 0;
}

}  // namespace

void Check(const std::string& name, bool ok, const std::string& detail) {
    if (ok) {
        ++passed;
        std::printf("ok   %s\n", name.c_str());
    } else {
        ++failed;
        std::printf("FAIL %s%s%s\n", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
}

void CheckHr(const std::string& name, HRESULT actual, HRESULT expected) {
    Check(name, actual == expected,
          "got " + Hex(static_cast<unsigned long>(actual)) + ", expected " +
              Hex(static_cast<unsigned long>(expected)));
}

int Summary() {
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed;
}

std::string Hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", value);
    return text;
}

std::string Narrow(const wchar_t* text) {
    if (text == nullptr) return std::string();
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(length > 0 ? static_cast<std::size_t>(length) : 1u, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], length, nullptr, nullptr);
    result.resize(result.size() - 1);
    return result;
}

std::wstring Widen(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(length > 0 ? static_cast<std::size_t>(length) : 1u, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &result[0], length);
    result.resize(result.size() - 1);
    return result;
}

std::string ReadRegistryString(const std::string& path, const char* name, bool* found) {
    if (found != nullptr) *found = false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::string();
    }
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    const LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return std::string();
    if (found != nullptr) *found = true;
    return data;
}

bool RegistryKeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

HANDLE CloseDialogLater(const std::string& caption, DWORD timeoutMs, std::string* textSeen,
                        WPARAM command, HWND* ownerSeen) {
    auto* closer = new DialogCloser{caption, timeoutMs, textSeen, command, ownerSeen};
    return CreateThread(nullptr, 0, CloseDialogThread, closer, 0, nullptr);
}

HRESULT CallMethod(IDispatch* dispatch, const wchar_t* name, const wchar_t* argument) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT result = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result)) return result;
    VARIANT arg;
    VariantInit(&arg);
    DISPPARAMS params{};
    if (argument != nullptr) {
        V_VT(&arg) = VT_BSTR;
        V_BSTR(&arg) = SysAllocString(argument);
        params.rgvarg = &arg;
        params.cArgs = 1;
    }
    result = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                              nullptr, nullptr);
    VariantClear(&arg);
    return result;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool ShowsBusyCursor(HWND control) {
    SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(700, 50));
    SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor() == LoadCursorA(nullptr, IDC_WAIT);
}

bool WaitForLoad(HWND control, DWORD limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (!ShowsBusyCursor(control)) {
            UpdateWindow(control);
            return true;
        }
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}


std::string Colour(COLORREF c) {
    return "(" + std::to_string(GetRValue(c)) + ", " + std::to_string(GetGValue(c)) + ", " +
           std::to_string(GetBValue(c)) + ")";
}

}  // namespace kolotest
