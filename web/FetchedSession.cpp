#include "web/FetchedSession.h"

#include <cstdio>
#include <fstream>

namespace kolo {

std::optional<std::string> FetchedSession::ReadPage(const std::string& url) {
    const auto body = files_->bodies.find(url);
    if (body != files_->bodies.end()) return body->second;
    const auto error = files_->errors.find(url);
    throw InternetError(error != files_->errors.end() ? error->second : "The page was not fetched.");
}

bool FetchedSession::DownloadToFile(const std::string& url, const std::string& path) {
    std::remove(path.c_str());
    const auto body = files_->bodies.find(url);
    if (body == files_->bodies.end() || body->second.empty()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(body->second.data(), static_cast<std::streamsize>(body->second.size()));
    out.close();
    if (out) return true;
    std::remove(path.c_str());
    return false;
}

}  // namespace kolo
