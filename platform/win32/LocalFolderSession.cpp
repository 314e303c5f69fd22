#include "platform/win32/LocalFolderSession.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace kolo {
namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// UTF-8 bytes to UTF-16; empty when they are not valid UTF-8.
std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        &wide[0], length);
    return wide;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length,
                        nullptr, nullptr);
    return narrow;
}

// Every byte but letters, digits and "-._~" (and those in `keep`) as %XX.
std::string PercentEncoded(const std::string& text, const char* keep) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || std::strchr("-._~", c) != nullptr ||
            (c != '\0' && std::strchr(keep, c) != nullptr)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string SystemText(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    return message.empty() ? "The folder could not be read (error " + std::to_string(error) + ")."
                           : message;
}

}  // namespace

std::wstring PathOfFileUrl(const std::string& url) {
    if (!StartsWithNoCase(url, "file:")) return std::wstring();
    std::string rest = url.substr(5);
    std::string decoded;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexDigit(rest[i + 1]) >= 0 &&
            HexDigit(rest[i + 2]) >= 0) {
            decoded += static_cast<char>(HexDigit(rest[i + 1]) * 16 + HexDigit(rest[i + 2]));
            i += 2;
        } else {
            decoded += rest[i];
        }
    }
    // A NUL would end the path early and name another file than the address.
    if (decoded.find('\0') != std::string::npos) return std::wstring();
    std::replace(decoded.begin(), decoded.end(), '/', '\\');
    if (decoded.compare(0, 3, "\\\\\\") == 0) {
        decoded.erase(0, 3);   // file:///C:/x: no host
    } else if (decoded.compare(0, 2, "\\\\") != 0) {
        return std::wstring();   // no authority: not an address this session reads
    }
    return FromUtf8(decoded);
}

std::wstring FileUrlOfPath(const std::wstring& path) {
    const bool drive = path.size() >= 3 && std::iswalpha(path[0]) != 0 && path[1] == L':' &&
                       (path[2] == L'\\' || path[2] == L'/');
    const bool share = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
    if (!drive && !share) return path;
    std::string utf8 = ToUtf8(share ? path.substr(2) : path);
    std::replace(utf8.begin(), utf8.end(), '\\', '/');
    return FromUtf8((share ? "file://" : "file:///") + PercentEncoded(utf8, "/:"));
}

std::optional<std::string> LocalFolderSession::ReadPage(const std::string& url) {
    std::wstring folder = PathOfFileUrl(url);
    if (folder.empty()) return network_ ? network_->ReadPage(url) : std::nullopt;
    if (folder.back() != L'\\') folder += L'\\';
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // An empty folder is a folder without pictures, not a failure.
        if (error == ERROR_FILE_NOT_FOUND) return std::string();
        throw InternetError(SystemText(error));
    }
    std::vector<std::wstring> names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    std::string page;
    for (const std::wstring& name : names) {
        page += "<a href=\"" + PercentEncoded(ToUtf8(name), "") + "\">x</a>\n";
    }
    return page;
}

std::optional<std::vector<std::uint8_t>> LocalFolderSession::FetchPicture(const std::string& url) {
    const std::wstring path = PathOfFileUrl(url);
    if (path.empty()) return network_ ? network_->FetchPicture(url) : std::nullopt;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
        static_cast<std::uint64_t>(size.QuadPart) <= kPictureLimit) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        if (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) &&
            read == data.size()) {
            bytes = std::move(data);
        }
    }
    CloseHandle(file);
    return bytes;
}

void LocalFolderSession::Abort() {
    if (network_) network_->Abort();
}

}  // namespace kolo
