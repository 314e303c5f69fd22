// FetchedSession: the page's network as the folder loader sees it. The browser's fetch() is
// asynchronous and the loader reads synchronously, so the element fetches the folder's page
// and pictures first and hands the answers here; the loader then reads them back by address.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/InternetSession.h"

namespace kolo {

struct FetchedFiles {
    std::map<std::string, std::string> bodies;   // address -> bytes that arrived whole
    std::map<std::string, std::string> errors;   // address -> the browser's reason
};

class FetchedSession : public InternetSession {
public:
    explicit FetchedSession(std::shared_ptr<const FetchedFiles> files) : files_(std::move(files)) {}

    // The page's bytes as fetched; its failure as an InternetError with the browser's reason.
    std::optional<std::string> ReadPage(const std::string& url) override;
    // The fetched picture's bytes; nothing when it failed or was never fetched.
    std::optional<std::vector<std::uint8_t>> FetchPicture(const std::string& url) override;

private:
    std::shared_ptr<const FetchedFiles> files_;
};

}  // namespace kolo
