#include "web/FetchedSession.h"

namespace kolo {

std::optional<std::string> FetchedSession::ReadPage(const std::string& url) {
    const auto body = files_->bodies.find(url);
    if (body != files_->bodies.end()) return body->second;
    const auto error = files_->errors.find(url);
    throw InternetError(error != files_->errors.end() ? error->second : "The page was not fetched.");
}

std::optional<std::vector<std::uint8_t>> FetchedSession::FetchPicture(const std::string& url) {
    const auto body = files_->bodies.find(url);
    if (body == files_->bodies.end() || body->second.empty()) return std::nullopt;
    return std::vector<std::uint8_t>(body->second.begin(), body->second.end());
}

}  // namespace kolo
