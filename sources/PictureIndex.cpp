#include "sources/PictureIndex.h"

#include <algorithm>
#include <cstring>

#include "sources/PictureFile.h"

namespace kolo {
namespace {

constexpr std::size_t kShortestKeptTag = 6;   // "<a b=>" and up; both brackets count

bool IsNameEnd(char c) { return c == '\0' || c == '>' || c == ' ' || c == '\t' || c == '\n'; }

bool IsValueDelimiter(char c) { return c == ' ' || c == '>' || c == '\t' || c == '\n'; }

// The tags of the page in order: "<" … ">" of more than five characters that do not close an
// element. A "<" inside a tag does not restart it; a tag left open at the end is dropped.
std::vector<std::string> CollectTags(const char* text) {
    std::vector<std::string> tags;
    std::string buffer;
    bool inTag = false;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '<') inTag = true;
        if (inTag) buffer.push_back(*p);
        if (*p == '>') {
            if (buffer.size() >= kShortestKeptTag && buffer[1] != '/') tags.push_back(buffer);
            buffer.clear();
            inTag = false;
        }
    }
    return tags;
}

// The last path segment of an href value, unless its only "/" is the first character: a
// root-relative "/c.bmp" is kept whole.
std::string NameFromValue(const std::string& value) {
    const std::size_t slash = value.rfind('/');
    std::string name = (slash != std::string::npos && slash >= 1) ? value.substr(slash + 1) : value;
    name.erase(std::remove_if(name.begin(), name.end(),
                              [](char c) { return c == '\'' || c == '"'; }),
               name.end());
    return name;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%XX" becomes its byte; a "%" not followed by two hex digits stays as it is, as the
// transport leaves it.
std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            decoded.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

}  // namespace

bool FindPictureExtension(const std::string& name, std::string& extension) {
    const PictureFormat* format = FindPictureFormat(name);
    if (format == nullptr) return false;
    extension = format->extension;
    return true;
}

int ParseAnchorHref(const std::string& tag, std::string& value) {
    std::size_t pos = tag.find_first_not_of("< \t");
    if (pos == std::string::npos) return 0;
    std::size_t nameEnd = pos;
    while (nameEnd < tag.size() && !IsNameEnd(tag[nameEnd])) ++nameEnd;
    // A carriage return does not end the name, so "a\r" is not an anchor.
    if (LowerAscii(tag.substr(pos, nameEnd - pos)) != "a") return 0;

    // Only the search is case-blind; the value keeps the page's own spelling.
    const std::string rest = tag.substr(nameEnd);
    const std::size_t href = LowerAscii(rest).find("href=");
    if (href == std::string::npos) return 0;
    std::size_t start = href + std::strlen("href=");
    while (start < rest.size() && IsValueDelimiter(rest[start])) ++start;
    std::size_t end = start;
    while (end < rest.size() && !IsValueDelimiter(rest[end])) ++end;
    value = rest.substr(start, end - start);
    return 1;
}

bool NameStaysInFolder(const std::string& name) {
    const std::string path = PercentDecoded(name);
    if (path.find('\0') != std::string::npos) return false;
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return false;
    // "C:" or "c:\" would name another drive where backslashes are separators.
    if (path.size() >= 2 && path[1] == ':') return false;
    int depth = 0;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string::npos) end = path.size();
        const std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (--depth < 0) return false;
        } else if (!segment.empty() && segment != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

int ParsePictureNames(const char* pageText, std::vector<std::string>& names) {
    for (const std::string& tag : CollectTags(pageText)) {
        std::string value;
        std::string extension;
        if (!ParseAnchorHref(tag, value) || !FindPictureExtension(value, extension)) continue;
        names.push_back(NameFromValue(value));
    }
    return names.empty() ? 0 : 1;
}

}  // namespace kolo
