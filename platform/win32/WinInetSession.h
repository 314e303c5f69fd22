// WinInetSession: an InternetSession over WinINet for http, https and ftp addresses.
//
// ReadPage reads the whole answer up to the page limit; it throws InternetError with
// WinINet's own text when the address cannot be opened, and "The server answered 404 Not
// Found" (the status and its reason) for an HTTP status of 400 or above. FetchPicture reads
// the picture's body with the same request that checks its status (2xx only), in memory, up
// to the picture limit.
//
// Every transfer is bounded by the session's TransferLimits: the connect and stall limits go
// on each http connection and request (Wine ignores them on the session's handle), and the
// total time is checked between reads. Abort closes the handles of the transfer in progress
// and the session's, which ends a blocked call where WinINet allows it (on Windows at once;
// under Wine a blocked call still waits for the stall limit).
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

// The shared transfer limits, each shortened by the variable KOLO_INTERNET_LIMITS_MS
// ("connect,stall,page,picture" in milliseconds) where it gives a smaller positive number; a
// test's way to meet a dead server in seconds. A limit is never lengthened.
TransferLimits LimitsFromEnvironment();
// `text` in that form applied to the shared limits; malformed or missing fields keep theirs.
TransferLimits ShortenedLimits(const char* text);

class WinInetSession : public InternetSession {
public:
    explicit WinInetSession(TransferLimits limits = LimitsFromEnvironment());
    ~WinInetSession() override;
    WinInetSession(const WinInetSession&) = delete;
    WinInetSession& operator=(const WinInetSession&) = delete;

    std::optional<std::string> ReadPage(const std::string& url) override;
    std::optional<std::vector<std::uint8_t>> FetchPicture(const std::string& url) override;
    void Abort() override;

    class Transfer;   // one request and its connection, closed by Abort or at its end

private:
    friend class Transfer;
    // Opens `url` and sends the request; null with `error` set on failure.
    bool Open(const std::string& url, Transfer& transfer, DWORD& error);

    TransferLimits limits_;
    HINTERNET session_;
    std::mutex mutex_;              // guards the handles below against Abort
    std::atomic<bool> aborted_{false};
    Transfer* current_ = nullptr;   // the transfer in progress
};

// WinINet's text for one of its error codes (or the system's for any other), without the
// trailing line break.
std::string InternetErrorText(DWORD error);

}  // namespace kolo
