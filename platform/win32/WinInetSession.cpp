#include "platform/win32/WinInetSession.h"

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
    std::lock_guard<std::mutex> lock(abortMutex_);
    if (session_ != nullptr && !aborted_) InternetCloseHandle(session_);
}

void WinInetSession::Abort() {
    std::lock_guard<std::mutex> lock(abortMutex_);
    // Closing the session's handle makes a blocked call on it return with an error.
    if (!aborted_.exchange(true) && session_ != nullptr) InternetCloseHandle(session_);
}

namespace {

// The HTTP status of an answer; 0 when it has none (ftp).
DWORD StatusOf(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        return 0;
    }
    return status;
}

// "404 Not Found" for an answer with that status line.
std::string StatusText(HINTERNET request, DWORD status) {
    char reason[256] = {};
    DWORD size = sizeof reason - 1;
    std::string text = std::to_string(status);
    if (HttpQueryInfoA(request, HTTP_QUERY_STATUS_TEXT, reason, &size, nullptr) && size > 0) {
        text += " " + std::string(reason, size);
    }
    return text;
}

// Appends the rest of the answer to `body`, at most `limit` bytes in all; false when the
// transfer fails or the body would be longer than `limit` and `refuseLonger` is set.
bool ReadBody(HINTERNET request, std::size_t limit, bool refuseLonger, std::string& body) {
    std::vector<char> chunk(kReadChunk);
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, chunk.data(), kReadChunk, &read)) return false;
        if (read == 0) return true;
        body.append(chunk.data(), read);
        if (body.size() > limit) {
            if (refuseLonger) return false;
            body.resize(limit);
            return true;
        }
    }
}

}  // namespace

std::optional<std::string> WinInetSession::ReadPage(const std::string& url) {
    if (!IsServedAddress(url)) return std::nullopt;
    if (session_ == nullptr || aborted_) throw InternetError(InternetErrorText(GetLastError()));
    InternetHandle request{InternetOpenUrlA(session_, url.c_str(), nullptr, 0, kOpenFlags, 0)};
    if (request.handle == nullptr) throw InternetError(InternetErrorText(GetLastError()));
    const DWORD status = StatusOf(request.handle);
    if (status >= 400) throw InternetError("The server answered " + StatusText(request.handle, status));

    std::string page;
    if (!ReadBody(request.handle, kPageLimit, false, page)) {
        throw InternetError(InternetErrorText(GetLastError()));
    }
    return page;
}

std::optional<std::vector<std::uint8_t>> WinInetSession::FetchPicture(const std::string& url) {
    if (!IsServedAddress(url) || session_ == nullptr || aborted_) return std::nullopt;
    InternetHandle request{InternetOpenUrlA(session_, url.c_str(), nullptr, 0, kOpenFlags, 0)};
    if (request.handle == nullptr) return std::nullopt;
    const DWORD status = StatusOf(request.handle);
    if (status != 0 && (status < 200 || status > 299)) return std::nullopt;
    std::string body;
    if (!ReadBody(request.handle, kPictureLimit, true, body) || body.empty()) return std::nullopt;
    return std::vector<std::uint8_t>(body.begin(), body.end());
}

}  // namespace kolo
