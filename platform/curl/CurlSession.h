// CurlSession: an InternetSession over libcurl for http, https, ftp and file addresses.
// Every transfer is bounded: a connect timeout, a stall timeout, a size limit and a redirect
// limit, so a hostile or dead server costs at most seconds, never a hung control.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/InternetSession.h"

namespace kolo {

struct TransferLimits {
    long connectSeconds = 10;                  // to establish a connection
    long stallSeconds = 30;                    // with no byte arriving, a transfer is aborted
    std::int64_t pageBytes = 16 << 20;         // a longer page is cut here and parsed as it is
    std::int64_t pictureBytes = 64 << 20;      // a larger picture is refused
    long redirects = 5;                        // followed at most
};

class CurlSession : public InternetSession {
public:
    explicit CurlSession(TransferLimits limits = TransferLimits());
    ~CurlSession() override;
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    std::optional<std::string> ReadPage(const std::string& url) override;
    bool DownloadToFile(const std::string& url, const std::string& path) override;

private:
    TransferLimits limits_;
    void* curl_;   // CURL*, kept out of this header so the core never sees curl.h
};

// True for the address kinds a CurlSession serves (scheme compared without regard to case).
bool IsServedAddress(const std::string& url);

}  // namespace kolo
