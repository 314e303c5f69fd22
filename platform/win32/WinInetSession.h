// WinInetSession: an InternetSession over WinINet (the folder's page) and urlmon (picture
// downloads), for http, https and ftp addresses.
//
// ReadPage reads the whole answer, an error page included, up to kPageLimit bytes, and
// throws InternetError with WinINet's own text when the address cannot be opened.
// DownloadToFile asks for the address over WinINet first and refuses an HTTP status other
// than 2xx: URLDownloadToFileA reports success for an error page and would save it as the
// picture. A failed download leaves no file behind.
#pragma once

#include "platform/win32/Win32.h"
#include <wininet.h>

#include <cstddef>
#include <optional>
#include <string>

#include "platform/InternetSession.h"

namespace kolo {

class WinInetSession : public InternetSession {
public:
    WinInetSession();
    ~WinInetSession() override;
    WinInetSession(const WinInetSession&) = delete;
    WinInetSession& operator=(const WinInetSession&) = delete;

    std::optional<std::string> ReadPage(const std::string& url) override;
    bool DownloadToFile(const std::string& url, const std::string& path) override;

    static constexpr std::size_t kPageLimit = 16u << 20;   // bytes of a folder page kept
    static constexpr DWORD kConnectTimeoutMs = 10000;   // to open a connection
    static constexpr DWORD kStallTimeoutMs = 30000;     // without a byte sent or received

private:
    HINTERNET session_;
};

// WinINet's text for one of its error codes (or the system's for any other), without the
// trailing line break.
std::string InternetErrorText(DWORD error);

}  // namespace kolo
