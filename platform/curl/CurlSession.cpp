#include "platform/curl/CurlSession.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

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

struct PictureSink {
    std::vector<std::uint8_t>* bytes;
    std::int64_t limit;
    CURL* curl;
};

size_t AppendToPicture(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<PictureSink*>(user);
    const size_t bytes = size * count;
    // A server that sends no length is held to the limit as the bytes arrive.
    if (static_cast<std::int64_t>(sink->bytes->size() + bytes) > sink->limit) return 0;
    if (sink->bytes->capacity() == 0) {
        // The announced length, when there is one, saves growing a large picture by doubling.
        curl_off_t length = -1;
        if (curl_easy_getinfo(sink->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
                CURLE_OK &&
            length > 0 && length <= sink->limit) {
            sink->bytes->reserve(static_cast<size_t>(length));
        }
    }
    sink->bytes->insert(sink->bytes->end(), data, data + bytes);
    return bytes;
}

// The last status line of the answer (after redirects), kept for the message.
size_t KeepStatusLine(char* data, size_t size, size_t count, void* user) {
    auto* line = static_cast<std::string*>(user);
    const size_t bytes = size * count;
    if (bytes > 5 && std::string(data, 5) == "HTTP/") {
        line->assign(data, bytes);
        while (!line->empty() && (line->back() == '\n' || line->back() == '\r')) line->pop_back();
    }
    return bytes;
}

// "404 Not Found" from "HTTP/1.1 404 Not Found"; the bare code when the line has no reason.
std::string StatusText(const std::string& statusLine, long code) {
    const std::size_t space = statusLine.find(' ');
    if (space != std::string::npos && space + 1 < statusLine.size()) {
        return statusLine.substr(space + 1);
    }
    return std::to_string(code);
}

// Settings shared by every transfer of a session.
void PrepareTransfer(CURL* curl, const std::string& url, const TransferLimits& limits,
                     std::uint32_t totalMs) {
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kServedProtocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.redirects);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectMs));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    // curl counts a stall in whole seconds.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>((limits.stallMs + 999) / 1000));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(totalMs));
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

// The path a file:// address names, percent-decoded; none when it is no such address.
std::optional<std::string> LocalPath(const std::string& url) {
    CURLU* handle = curl_url();
    char* decoded = nullptr;
    std::optional<std::string> path;
    if (handle != nullptr && curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(handle, CURLUPART_PATH, &decoded, CURLU_URLDECODE) == CURLUE_OK) {
        path = decoded;
    }
    curl_free(decoded);
    curl_url_cleanup(handle);
    return path;
}

// The real path of `path`, every link followed; none when it does not exist.
std::optional<std::string> RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return std::nullopt;
    std::string result(real);
    std::free(real);
    return result;
}

// The bytes of the regular file at `path` when its real path lies inside `folder` (a real
// path): a link inside a local folder to a file elsewhere reads nothing, and neither does a
// named pipe or a device, which could block the reader or never end. Within `limit` bytes.
std::optional<std::vector<std::uint8_t>> ReadContainedFile(const std::string& path, const std::string& folder,
                                                           std::int64_t limit) {
    const std::optional<std::string> real = RealPath(path);
    if (!real || real->size() <= folder.size() || real->compare(0, folder.size(), folder) != 0 ||
        (folder.back() != '/' && (*real)[folder.size()] != '/')) {
        return std::nullopt;
    }
    // No link at the end either: the path checked is the path opened.
    const int fd = open(real->c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 && status.st_size <= limit) {
        bytes.resize(static_cast<std::size_t>(status.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
    }
    close(fd);
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

// For a file:// address of a folder, what a web server would answer: the folder's index page
// when it has one, else a listing with one anchor per file. `cut` tells whether the page was
// cut at the limit.
std::optional<std::string> LocalFolderPage(const std::string& url, std::int64_t limit, bool& cut) {
    std::optional<std::string> folder = LocalPath(url);
    std::error_code error;
    if (!folder || !std::filesystem::is_directory(*folder, error)) return std::nullopt;

    const std::filesystem::path index = std::filesystem::path(*folder) / "index.html";
    if (std::filesystem::is_regular_file(index, error)) {
        // Cut at the page limit like a page from a server, whatever size the file has.
        std::ifstream in(index, std::ios::binary);
        const std::uintmax_t size = std::filesystem::file_size(index, error);
        std::string text(error ? 0 : static_cast<std::size_t>(std::min<std::uintmax_t>(size, limit)), '\0');
        cut = !error && size > static_cast<std::uintmax_t>(limit);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        if (!in.bad()) return text;
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(*folder, error)) {
        if (entry.is_regular_file(error)) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string listing = "<html><body>\n";
    for (const std::string& name : names) {
        if (static_cast<std::int64_t>(listing.size()) > limit) {
            cut = true;
            break;
        }
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
    multi_ = curl_multi_init();
}

CurlSession::~CurlSession() {
    curl_multi_cleanup(static_cast<CURLM*>(multi_));
    curl_easy_cleanup(static_cast<CURL*>(curl_));
}

void CurlSession::Abort() {
    aborted_ = true;
    if (multi_ != nullptr) curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

int CurlSession::Perform() {
    auto* curl = static_cast<CURL*>(curl_);
    auto* multi = static_cast<CURLM*>(multi_);
    if (aborted_) return CURLE_ABORTED_BY_CALLBACK;
    if (curl_multi_add_handle(multi, curl) != CURLM_OK) return CURLE_FAILED_INIT;
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int left = 0;
        bool done = false;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
                done = true;
            }
        }
        if (done || aborted_) break;
        // The wait ends with activity, a timeout of curl's own, or Abort's wake-up.
        if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (aborted_) break;
    }
    curl_multi_remove_handle(multi, curl);
    return result;
}

std::optional<std::string> CurlSession::ReadPage(const std::string& url) {
    if (!IsServedAddress(url)) return std::nullopt;
    auto* curl = static_cast<CURL*>(curl_);
    if (curl == nullptr || multi_ == nullptr) {
        throw InternetError("The internet session could not be started.");
    }
    pageCut_ = false;
    if (HasScheme(url, "file")) {
        if (std::optional<std::string> page = LocalFolderPage(url, limits_.pageBytes, pageCut_)) return page;
    }

    std::string text;
    std::string statusLine;
    PageSink sink{&text, limits_.pageBytes};
    PrepareTransfer(curl, url, limits_, limits_.pageMs);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToPage);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, KeepStatusLine);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &statusLine);
    const auto result = static_cast<CURLcode>(Perform());
    if (result != CURLE_OK && !(result == CURLE_WRITE_ERROR && sink.cut)) {
        throw InternetError(curl_easy_strerror(result));
    }
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    if ((HasScheme(url, "http") || HasScheme(url, "https")) && code >= 400) {
        throw InternetError("The server answered " + StatusText(statusLine, code));
    }
    pageCut_ = sink.cut;
    return text;
}

void CurlSession::EnterFolder(const std::string& folderUrl) {
    localFolder_.clear();
    if (!HasScheme(folderUrl, "file")) return;
    const std::optional<std::string> path = LocalPath(folderUrl);
    const std::optional<std::string> real = path ? RealPath(*path) : std::nullopt;
    // A folder that cannot be resolved contains nothing: no picture of it is read.
    localFolder_ = real ? *real : std::string("\0", 1);
}

std::optional<std::vector<std::uint8_t>> CurlSession::FetchPicture(const std::string& url) {
    auto* curl = static_cast<CURL*>(curl_);
    if (curl == nullptr || multi_ == nullptr || !IsServedAddress(url)) return std::nullopt;

    if (!localFolder_.empty() && HasScheme(url, "file")) {
        const std::optional<std::string> path = LocalPath(url);
        if (!path) return std::nullopt;
        return ReadContainedFile(*path, localFolder_, limits_.pictureBytes);
    }

    std::vector<std::uint8_t> bytes;
    PictureSink sink{&bytes, limits_.pictureBytes, curl};
    PrepareTransfer(curl, url, limits_, limits_.pictureMs);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToPicture);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.pictureBytes));
    if (static_cast<CURLcode>(Perform()) != CURLE_OK || bytes.empty()) return std::nullopt;
    // The bytes may be kept for the whole folder: no room a false length or growth left over.
    if (bytes.capacity() - bytes.size() > bytes.size() / 8) bytes.shrink_to_fit();
    return bytes;
}

}  // namespace kolo
