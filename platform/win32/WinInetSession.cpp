#include "platform/win32/WinInetSession.h"

#include <urlmon.h>

#include <cctype>
#include <vector>

namespace kolo {
namespace {

constexpr const char* kAgent = "Kolo";
constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kReadChunk = 64 * 1024;   // bytes per InternetReadFile

// True for the schemes WinINet opens; anything else is not this session's to serve.
bool IsServedAddress(const std::string& url) {
    std::string scheme = url.substr(0, url.find(':'));
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme == "http" || scheme == "https" || scheme == "ftp";
}

// Closes a WinINet handle at the end of a scope.
struct InternetHandle {
    HINTERNET handle;
    ~InternetHandle() {
        if (handle != nullptr) InternetCloseHandle(handle);
    }
};

}  // namespace

std::string InternetErrorText(DWORD error) {
    char* text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
        GetModuleHandleA("wininet.dll"), error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (length == 0) {
        length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    }
    std::string result = length != 0 ? std::string(text, length) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    if (result.empty()) result = "Internet error " + std::to_string(error);
    return result;
}

WinInetSession::WinInetSession()
    : session_(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)) {
    if (session_ == nullptr) return;
    // Without limits a server that accepts and never answers would hold the load for good.
    DWORD connect = kConnectTimeoutMs;
    DWORD stall = kStallTimeoutMs;
    InternetSetOptionA(session_, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(session_, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof stall);
    InternetSetOptionA(session_, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof stall);
}

WinInetSession::~WinInetSession() {
    if (session_ != nullptr) InternetCloseHandle(session_);
}

std::optional<std::string> WinInetSession::ReadPage(const std::string& url) {
    if (!IsServedAddress(url)) return std::nullopt;
    if (session_ == nullptr) throw InternetError(InternetErrorText(GetLastError()));
    InternetHandle request{InternetOpenUrlA(session_, url.c_str(), nullptr, 0, kOpenFlags, 0)};
    if (request.handle == nullptr) throw InternetError(InternetErrorText(GetLastError()));

    std::string page;
    std::vector<char> chunk(kReadChunk);
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.handle, chunk.data(), kReadChunk, &read)) {
            throw InternetError(InternetErrorText(GetLastError()));
        }
        if (read == 0) break;
        page.append(chunk.data(), read);
        if (page.size() >= kPageLimit) {
            page.resize(kPageLimit);
            break;
        }
    }
    return page;
}

bool WinInetSession::DownloadToFile(const std::string& url, const std::string& path) {
    DeleteFileA(path.c_str());   // an older picture must never stand in for this one
    if (!IsServedAddress(url) || session_ == nullptr) return false;
    {
        InternetHandle request{InternetOpenUrlA(session_, url.c_str(), nullptr, 0, kOpenFlags, 0)};
        if (request.handle == nullptr) return false;
        DWORD status = 0;
        DWORD size = sizeof status;
        if (HttpQueryInfoA(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                           &status, &size, nullptr) &&
            (status < 200 || status > 299)) {
            return false;
        }
    }
    if (URLDownloadToFileA(nullptr, url.c_str(), path.c_str(), 0, nullptr) != S_OK) {
        DeleteFileA(path.c_str());
        return false;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.nFileSizeLow == 0 && data.nFileSizeHigh == 0)) {
        DeleteFileA(path.c_str());
        return false;
    }
    return true;
}

}  // namespace kolo
