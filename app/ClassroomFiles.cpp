#include "app/ClassroomFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/AtomicFile.h"
#include "app/PictureWork.h"

namespace kolo {
namespace {

// Files the program keeps beside the children's folders; a child may not take their names.
constexpr const char* kKeptFileNames[] = {kCloseGapsSetting, kPackChoicesSetting, kLastPictureSetting};
constexpr std::size_t kMaxSettingBytes = 64;   // one short line
constexpr const char* kKeptFileEndings[] = {".work", ".part"};
// Names tried for one save before giving up: a class saves far fewer of one picture.
constexpr int kMaxSaveNames = 10000;

bool EndsWith(const std::string& text, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

// The code point starting at `at`, advancing `at`; false for bytes that are not well-formed
// UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
bool NextCodePoint(const std::string& text, std::size_t& at, std::uint32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    std::uint32_t smallest = 0;
    if (lead < 0x80) {
        code = lead;
        ++at;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, smallest = 0x10000;
    } else {
        return false;
    }
    if (at + length > text.size()) return false;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return false;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    at += length;
    return code >= smallest && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

bool IsControl(std::uint32_t code) {
    // C0, DEL, C1, and the invisible marks that turn text around or hide parts of it.
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || (code >= 0x200B && code <= 0x200F) ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) ||
           code == 0xFEFF;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool IsChildNameSafe(const std::string& name) {
    if (name.empty() || name.size() > kMaxChildNameBytes || name.front() == '.' ||
        name.front() == ' ' || name.back() == ' ') {
        return false;
    }
    for (const char* kept : kKeptFileNames) {
        if (name == kept) return false;
    }
    for (const char* ending : kKeptFileEndings) {
        if (EndsWith(name, ending)) return false;
    }
    for (std::size_t at = 0; at < name.size();) {
        std::uint32_t code = 0;
        if (!NextCodePoint(name, at, code) || IsControl(code) || code == '/' || code == '\\') {
            return false;
        }
    }
    return true;
}

bool SplitChildNames(const std::string& list, std::vector<std::string>& names,
                     std::string& refused) {
    std::vector<std::string> found;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        const std::string name = Trimmed(list.substr(start, comma - start));
        start = comma + 1;
        if (name.empty()) continue;
        if (!IsChildNameSafe(name)) {
            refused = name;
            return false;
        }
        bool repeated = false;
        for (const std::string& earlier : found) repeated = repeated || earlier == name;
        if (!repeated) found.push_back(name);
    }
    names = std::move(found);
    return true;
}

std::string ChildWorkFolder(const std::string& base, const std::string& child) {
    if (base.empty() || child.empty()) return base;
    return base + "/" + child;
}

std::string DefaultSaveFolder(const std::string& picturesDir) {
    if (!picturesDir.empty()) return picturesDir + "/Kolo";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/Pictures/Kolo";
}

std::string SaveUnderNewName(const std::string& folder, const std::string& stem,
                             const std::function<bool(const std::string& path)>& write,
                             std::string& reason) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        reason = error ? error.message() : "not a folder";
        return {};
    }
    for (int number = 1; number <= kMaxSaveNames; ++number) {
        const std::string path = folder + "/" + stem +
                                 (number == 1 ? std::string() : "-" + std::to_string(number)) +
                                 ".png";
        // An empty file holds the name while the picture is written beside it and renamed
        // over it.
        const int held = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (held < 0) {
            if (errno == EEXIST) continue;
            reason = std::strerror(errno);
            return {};
        }
        close(held);
        if (write(path)) return path;
        std::remove(path.c_str());
        reason = "the picture could not be written";
        return {};
    }
    reason = "every name is taken";
    return {};
}

std::string PathFromHome(const std::string& path, const std::string& home) {
    if (home.empty() || home == "/" || path.size() <= home.size() + 1 ||
        path.compare(0, home.size(), home) != 0 || path[home.size()] != '/') {
        return path;
    }
    return path.substr(home.size() + 1);
}

std::string ReadSetting(const std::string& folder, const char* name) {
    std::string text, reason;
    if (folder.empty() ||
        ReadStoreFile(folder + "/" + name, kMaxSettingBytes, text, reason) != StoreRead::kRead) {
        return {};
    }
    return text.substr(0, text.find('\n'));
}

bool WriteSetting(const std::string& folder, const char* name, const std::string& line) {
    if (folder.empty()) return false;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string text = line + "\n";
    std::string reason;
    return WriteFileAtomically(folder + "/" + name, [&text](std::FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size() ? 0 : EIO;
    }, reason);
}

}  // namespace kolo
