#include "platform/curl/CurlSession.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>
#include <mutex>

namespace kolo {
namespace {

constexpr const char* kServedSchemes[] = {"http", "https", "ftp", "file"};
constexpr const char* kServedProtocols = "http,https,ftp,file";

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct PageSink {
    std::string* text;
    std::int64_t limit;
    bool cut = false;
};

size_t AppendToPage(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<PageSink*>(user);
    const size_t bytes = size * count;
    const auto room = static_cast<size_t>(sink->limit - static_cast<std::int64_t>(sink->text->size()));
    if (bytes > room) {
        // Keep what fits and stop the transfer; the caller parses the page as it stands.
        sink->text->append(data, room);
        sink->cut = true;
        return 0;
    }
    sink->text->append(data, bytes);
    return bytes;
}

struct FileSink {
    std::FILE* file;
    std::int64_t written = 0;
};

size_t AppendToFile(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<FileSink*>(user);
    const size_t written = std::fwrite(data, size, count, sink->file);
    sink->written += static_cast<std::int64_t>(written * size);
    return written * size;
}

// Settings shared by every transfer of a session.
void PrepareTransfer(CURL* curl, const std::string& url, const TransferLimits& limits) {
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kServedProtocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.redirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Kolo/1.0");
}

std::string SchemeOf(const std::string& url) {
    const std::size_t colon = url.find("://");
    if (colon == std::string::npos) return "";
    std::string scheme = url.substr(0, colon);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return scheme;
}

bool HasScheme(const std::string& url, const char* scheme) { return SchemeOf(url) == scheme; }

// For a file:// address of a folder, what a web server would answer: the folder's index page
// when it has one, else a listing with one anchor per file.
std::optional<std::string> LocalFolderPage(const std::string& url) {
    CURLU* handle = curl_url();
    char* decoded = nullptr;
    std::optional<std::string> folder;
    if (handle != nullptr && curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(handle, CURLUPART_PATH, &decoded, CURLU_URLDECODE) == CURLUE_OK) {
        std::error_code error;
        if (std::filesystem::is_directory(decoded, error)) folder = decoded;
    }
    curl_free(decoded);
    curl_url_cleanup(handle);
    if (!folder) return std::nullopt;

    const std::filesystem::path index = std::filesystem::path(*folder) / "index.html";
    std::error_code error;
    if (std::filesystem::is_regular_file(index, error)) {
        std::ifstream in(index, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.bad()) return text;
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(*folder, error)) {
        if (entry.is_regular_file(error)) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string listing = "<html><body>\n";
    for (const std::string& name : names) {
        char* escaped = curl_easy_escape(nullptr, name.c_str(), static_cast<int>(name.size()));
        listing += "<a href=\"" + std::string(escaped != nullptr ? escaped : "") + "\">" + name + "</a>\n";
        curl_free(escaped);
    }
    return listing + "</body></html>\n";
}

}  // namespace

bool IsServedAddress(const std::string& url) {
    return std::any_of(std::begin(kServedSchemes), std::end(kServedSchemes),
                       [&](const char* scheme) { return HasScheme(url, scheme); });
}

CurlSession::CurlSession(TransferLimits limits) : limits_(limits) {
    InitialiseCurlOnce();
    curl_ = curl_easy_init();
}

CurlSession::~CurlSession() { curl_easy_cleanup(static_cast<CURL*>(curl_)); }

std::optional<std::string> CurlSession::ReadPage(const std::string& url) {
    if (!IsServedAddress(url)) return std::nullopt;
    auto* curl = static_cast<CURL*>(curl_);
    if (curl == nullptr) throw InternetError("The internet session could not be started.");
    if (HasScheme(url, "file")) {
        if (std::optional<std::string> page = LocalFolderPage(url)) return page;
    }

    std::string text;
    PageSink sink{&text, limits_.pageBytes};
    PrepareTransfer(curl, url, limits_);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToPage);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    const CURLcode result = curl_easy_perform(curl);
    if (result != CURLE_OK && !(result == CURLE_WRITE_ERROR && sink.cut)) {
        throw InternetError(curl_easy_strerror(result));
    }
    return text;
}

bool CurlSession::DownloadToFile(const std::string& url, const std::string& path) {
    // An older file must never stand in for a download that fails.
    std::remove(path.c_str());
    auto* curl = static_cast<CURL*>(curl_);
    if (curl == nullptr || !IsServedAddress(url)) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;

    FileSink sink{file};
    PrepareTransfer(curl, url, limits_);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.pictureBytes));
    // A server that sends no length is held to the same limit as the bytes arrive.
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION,
                     +[](void* user, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) -> int {
                         const auto* limit = static_cast<const std::int64_t*>(user);
                         return now > *limit ? 1 : 0;
                     });
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &limits_.pictureBytes);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    const CURLcode result = curl_easy_perform(curl);
    const bool closed = std::fclose(file) == 0;
    if (result != CURLE_OK || !closed || sink.written == 0) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace kolo
