#include "platform/win32/WinInetSession.h"

#include <cctype>
#include <cstdlib>
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

// Narrows `limit` to `text`'s number when that is positive and smaller.
void Shorten(std::uint32_t& limit, const std::string& text) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (end != text.c_str() && *end == '\0' && value > 0 && value < limit) {
        limit = static_cast<std::uint32_t>(value);
    }
}

void SetTimeouts(HINTERNET handle, const TransferLimits& limits) {
    DWORD connect = limits.connectMs;
    DWORD stall = limits.stallMs;
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof stall);
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof stall);
}

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

TransferLimits ShortenedLimits(const char* text) {
    TransferLimits limits;
    if (text == nullptr) return limits;
    std::uint32_t* fields[] = {&limits.connectMs, &limits.stallMs, &limits.pageMs, &limits.pictureMs};
    std::string rest = text;
    for (std::uint32_t* field : fields) {
        const std::size_t comma = rest.find(',');
        Shorten(*field, rest.substr(0, comma));
        if (comma == std::string::npos) break;
        rest.erase(0, comma + 1);
    }
    return limits;
}

TransferLimits LimitsFromEnvironment() {
    char text[128] = {};
    const DWORD length = GetEnvironmentVariableA("KOLO_INTERNET_LIMITS_MS", text, sizeof text);
    return ShortenedLimits(length > 0 && length < sizeof text ? text : nullptr);
}

// The handles of one transfer. Abort may close them from another thread, so they are only
// touched under the session's mutex; the transfer's own calls use the copies it took.
class WinInetSession::Transfer {
public:
    Transfer(WinInetSession& session, DWORD totalMs)
        : session_(session), start_(GetTickCount64()), deadline_(start_ + totalMs) {
        std::lock_guard<std::mutex> lock(session_.mutex_);
        session_.current_ = this;
    }
    ~Transfer() {
        std::lock_guard<std::mutex> lock(session_.mutex_);
        session_.current_ = nullptr;
        Close();
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Keeps `handle` as the transfer's connection or request; false (and the handle closed)
    // when the session was aborted meanwhile.
    bool Keep(HINTERNET& slot, HINTERNET handle) {
        std::lock_guard<std::mutex> lock(session_.mutex_);
        if (session_.aborted_) {
            InternetCloseHandle(handle);
            return false;
        }
        slot = handle;
        return true;
    }
    // Closes both handles once; the caller holds the session's mutex. The fields keep their
    // values: only the transfer's own thread writes them, and it stops using them on abort.
    void Close() {
        if (closed_) return;
        closed_ = true;
        if (request != nullptr) InternetCloseHandle(request);
        if (connection != nullptr) InternetCloseHandle(connection);
    }
    bool Expired() const { return session_.aborted_ || GetTickCount64() >= deadline_; }
    // `error` of a call that began at `since`, named as a timeout when the call outlasted the
    // stall limit or the transfer its total time (WinINet reports a dropped connection then).
    DWORD Classify(DWORD error, ULONGLONG since) const {
        if (session_.aborted_) return ERROR_INTERNET_OPERATION_CANCELLED;
        const ULONGLONG now = GetTickCount64();
        if (error == ERROR_INTERNET_TIMEOUT || now >= deadline_ ||
            now - since + kClockSlackMs >= session_.limits_.stallMs) {
            return ERROR_INTERNET_TIMEOUT;
        }
        return error;
    }

    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;

private:
    static constexpr ULONGLONG kClockSlackMs = 100;   // the tick count's coarseness
    WinInetSession& session_;
    bool closed_ = false;
    ULONGLONG start_;
    ULONGLONG deadline_;
};

WinInetSession::WinInetSession(TransferLimits limits)
    : limits_(limits),
      session_(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)) {
    // Windows honours the limits on the session's handle; ftp transfers only have those.
    if (session_ != nullptr) SetTimeouts(session_, limits_);
}

WinInetSession::~WinInetSession() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (session_ != nullptr && !aborted_) InternetCloseHandle(session_);
}

void WinInetSession::Abort() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (aborted_.exchange(true)) return;
    // Closing the handles makes a blocked call on them return with an error.
    if (current_ != nullptr) current_->Close();
    if (session_ != nullptr) InternetCloseHandle(session_);
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

}  // namespace

bool WinInetSession::Open(const std::string& url, Transfer& transfer, DWORD& error) {
    error = ERROR_INTERNET_OPERATION_CANCELLED;
    if (session_ == nullptr || aborted_) return false;
    char scheme[16] = {}, host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
    std::vector<char> path(url.size() + 2), extra(url.size() + 2);
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = sizeof scheme;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) {
        error = GetLastError();
        return false;
    }
    const ULONGLONG since = GetTickCount64();
    if (parts.nScheme == INTERNET_SCHEME_FTP) {
        HINTERNET request = InternetOpenUrlA(session_, url.c_str(), nullptr, 0, kOpenFlags, 0);
        if (request == nullptr) {
            error = transfer.Classify(GetLastError(), since);
            return false;
        }
        return transfer.Keep(transfer.request, request);
    }
    // http and https: the connection and the request are made first, so that the limits
    // are on them before anything is sent.
    HINTERNET connection = InternetConnectA(session_, host, parts.nPort, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    if (connection == nullptr) {
        error = GetLastError();
        return false;
    }
    if (!transfer.Keep(transfer.connection, connection)) return false;
    SetTimeouts(connection, limits_);
    if (aborted_) return false;
    std::string target = std::string(path.data()) + extra.data();
    if (target.empty()) target = "/";
    const DWORD flags = kOpenFlags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", target.c_str(), nullptr, nullptr,
                                         nullptr, flags, 0);
    if (request == nullptr) {
        error = GetLastError();
        return false;
    }
    if (!transfer.Keep(transfer.request, request)) return false;
    SetTimeouts(request, limits_);
    if (aborted_) return false;
    if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        error = transfer.Classify(GetLastError(), since);
        return false;
    }
    return true;
}

namespace {

// Appends the rest of the answer to `body`, at most `limit` bytes in all; false (with
// `error`) when the transfer fails or runs out of time, or the body would be longer than
// `limit` and `refuseLonger` is set. Reads only what has arrived, so the total time is
// checked at least once a stall limit.
template <typename TransferT>
bool ReadBody(HINTERNET request, const TransferT& transfer, std::size_t limit, bool refuseLonger,
              std::string& body, DWORD& error) {
    std::vector<char> chunk(kReadChunk);
    for (;;) {
        if (transfer.Expired()) {
            error = transfer.Classify(ERROR_INTERNET_TIMEOUT, GetTickCount64());
            return false;
        }
        const ULONGLONG since = GetTickCount64();
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
            error = transfer.Classify(GetLastError(), since);
            return false;
        }
        DWORD read = 0;
        if (available > 0 &&
            !InternetReadFile(request, chunk.data(), available < kReadChunk ? available : kReadChunk,
                              &read)) {
            error = transfer.Classify(GetLastError(), since);
            return false;
        }
        if (read == 0) return true;
        body.append(chunk.data(), read);
        if (body.size() > limit) {
            error = ERROR_INSUFFICIENT_BUFFER;
            if (refuseLonger) return false;
            body.resize(limit);
            return true;
        }
    }
}

}  // namespace

std::optional<std::string> WinInetSession::ReadPage(const std::string& url) {
    if (!IsServedAddress(url)) return std::nullopt;
    Transfer transfer(*this, limits_.pageMs);
    DWORD error = 0;
    if (!Open(url, transfer, error)) throw InternetError(InternetErrorText(error));
    const DWORD status = StatusOf(transfer.request);
    if (status >= 400) throw InternetError("The server answered " + StatusText(transfer.request, status));

    std::string page;
    if (!ReadBody(transfer.request, transfer, static_cast<std::size_t>(limits_.pageBytes), false, page, error)) {
        throw InternetError(InternetErrorText(error));
    }
    return page;
}

std::optional<std::vector<std::uint8_t>> WinInetSession::FetchPicture(const std::string& url) {
    if (!IsServedAddress(url)) return std::nullopt;
    Transfer transfer(*this, limits_.pictureMs);
    DWORD error = 0;
    if (!Open(url, transfer, error)) return std::nullopt;
    const DWORD status = StatusOf(transfer.request);
    if (status != 0 && (status < 200 || status > 299)) return std::nullopt;
    std::string body;
    if (!ReadBody(transfer.request, transfer, static_cast<std::size_t>(limits_.pictureBytes), true, body, error) || body.empty()) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(body.begin(), body.end());
}

}  // namespace kolo
