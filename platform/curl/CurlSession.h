// CurlSession: an InternetSession over libcurl for http, https, ftp and file addresses.
// Every transfer is bounded: a connect timeout, a stall timeout, a size limit and a redirect
// limit, so a hostile or dead server costs at most seconds, never a hung control; and Abort
// from another thread ends a transfer within milliseconds.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/InternetSession.h"

namespace kolo {

class CurlSession : public InternetSession {
public:
    explicit CurlSession(TransferLimits limits = TransferLimits());
    ~CurlSession() override;
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    std::optional<std::string> ReadPage(const std::string& url) override;
    std::optional<std::vector<std::uint8_t>> FetchPicture(const std::string& url) override;
    void Abort() override;
    bool LastPageCut() const override { return pageCut_; }
    void EnterFolder(const std::string& folderUrl) override;

private:
    // Runs the prepared transfer until it ends or is aborted; a CURLcode.
    int Perform();

    TransferLimits limits_;
    void* curl_;    // CURL*, kept out of this header so the core never sees curl.h
    void* multi_;   // CURLM*, whose wait Abort can wake
    std::atomic<bool> aborted_{false};
    bool pageCut_ = false;
    std::string localFolder_;   // the real path of the file:// folder entered; "" for none
};

// True for the address kinds a CurlSession serves (scheme compared without regard to case).
bool IsServedAddress(const std::string& url);

}  // namespace kolo
