// WinInetSession: an InternetSession over WinINet for http, https and ftp addresses.
//
// ReadPage reads the whole answer up to kPageLimit bytes; it throws InternetError with
// WinINet's own text when the address cannot be opened, and "The server answered 404 Not
// Found" (the status and its reason) for an HTTP status of 400 or above. FetchPicture reads
// the picture's body with the same request that checks its status (2xx only), in memory, up
// to kPictureLimit bytes. Abort closes the session's handle, which ends a call in progress.
#pragma once

#include "platform/win32/Win32.h"
#include <wininet.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/InternetSession.h"

namespace kolo {

class WinInetSession : public InternetSession {
public:
    WinInetSession();
    ~WinInetSession() override;
    WinInetSession(const WinInetSession&) = delete;
    WinInetSession& operator=(const WinInetSession&) = delete;

    std::optional<std::string> ReadPage(const std::string& url) override;
    std::optional<std::vector<std::uint8_t>> FetchPicture(const std::string& url) override;
    void Abort() override;

    static constexpr std::size_t kPageLimit = 16u << 20;      // bytes of a folder page kept
    static constexpr std::size_t kPictureLimit = 64u << 20;   // a larger picture is refused
    static constexpr DWORD kConnectTimeoutMs = 10000;         // to open a connection
    static constexpr DWORD kStallTimeoutMs = 30000;           // without a byte sent or received

private:
    HINTERNET session_;
    std::mutex abortMutex_;
    std::atomic<bool> aborted_{false};
};

// WinINet's text for one of its error codes (or the system's for any other), without the
// trailing line break.
std::string InternetErrorText(DWORD error);

}  // namespace kolo
