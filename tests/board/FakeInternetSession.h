// An internet session for unit tests: pages and files come from maps, every request is
// recorded, and an address can be made to fail.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/InternetSession.h"

namespace kolo {

struct FakeNetwork {
    std::map<std::string, std::string> pages;          // address → page text
    std::map<std::string, std::string> files;          // address → file bytes
    std::map<std::string, std::string> pageErrors;     // address → the transport's text
    std::vector<std::string> requests;                 // every address asked for, in order
};

class FakeInternetSession : public InternetSession {
public:
    explicit FakeInternetSession(FakeNetwork& network) : network_(network) {}

    std::optional<std::string> ReadPage(const std::string& url) override {
        network_.requests.push_back(url);
        if (auto error = network_.pageErrors.find(url); error != network_.pageErrors.end()) {
            throw InternetError(error->second);
        }
        if (url.rfind("http://", 0) != 0) return std::nullopt;
        auto page = network_.pages.find(url);
        return page != network_.pages.end() ? page->second : "<html>404</html>";
    }

    std::optional<std::vector<std::uint8_t>> FetchPicture(const std::string& url) override {
        network_.requests.push_back(url);
        auto file = network_.files.find(url);
        if (file == network_.files.end() || file->second.empty()) return std::nullopt;
        return std::vector<std::uint8_t>(file->second.begin(), file->second.end());
    }

private:
    FakeNetwork& network_;
};

}  // namespace kolo
