#include "board/KeptWork.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <tuple>

#include "board/ColouringBoard.h"

namespace kolo {
namespace {

// Version 1 entries carry no fill options; version 2 adds the gap a fill closed; version 3
// adds the record's generation, which tells a writer whether another one wrote it meanwhile;
// version 4 adds the finished mark, and is written only for a marked picture, so that a
// program before the mark still reads every other record.
constexpr const char* kWorkHeaderV1 = "kolo work 1";
constexpr const char* kWorkHeaderV2 = "kolo work 2";
constexpr const char* kWorkHeaderV3 = "kolo work 3";
constexpr const char* kWorkHeader = "kolo work 4";
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
// Bounds on what a record may claim, so a damaged one cannot ask for all memory: far more
// fills than a child makes on one page.
constexpr std::size_t kMaxEntries = 1u << 20;
constexpr std::int32_t kMaxPoint = 1 << 16;   // canvas pixels
constexpr std::uint32_t kMaxRecordedGaps = 4;      // pixels

std::uint64_t Fnv(std::uint64_t hash, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= kFnvPrime;
    }
    return hash;
}

std::string Hex64(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

bool ValidEntry(const FillEntry& entry) {
    if (IsNewPageEntry(entry)) return entry.closeGaps == 0;
    // A fill never paints black: black on the page always means a line.
    return entry.oldColour <= 0x00FFFFFFu && entry.newColour <= 0x00FFFFFFu &&
           entry.newColour != 0 && entry.x >= 0 && entry.x < kMaxPoint && entry.y >= 0 &&
           entry.y < kMaxPoint && entry.closeGaps <= kMaxRecordedGaps;
}

// "<label> <rest of line>"; false when the line does not start with the label.
bool TakeField(std::istream& in, const char* label, std::string& value) {
    std::string line;
    if (!std::getline(in, line)) return false;
    const std::string prefix = std::string(label) + " ";
    if (line.compare(0, prefix.size(), prefix) != 0) return false;
    value = line.substr(prefix.size());
    return true;
}

// A decimal count of at most `limit`, digits only.
bool ParseCount(const std::string& text, std::uint64_t limit, std::uint64_t& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || n > limit) return false;
    value = n;
    return true;
}

bool ParseEntries(std::istream& in, const char* label, bool withOptions,
                  std::vector<FillEntry>& entries) {
    std::string count;
    std::uint64_t n = 0;
    if (!TakeField(in, label, count) || !ParseCount(count, kMaxEntries, n)) return false;
    entries.clear();
    entries.reserve(static_cast<std::size_t>(n));
    const int fields = withOptions ? 5 : 4;
    for (std::uint64_t i = 0; i < n; ++i) {
        std::string line;
        if (!std::getline(in, line)) return false;
        unsigned oldColour = 0, newColour = 0, closeGaps = 0;
        int x = 0, y = 0;
        char tail = 0;
        const int read = withOptions ? std::sscanf(line.c_str(), "%8x %8x %d %d %u %c", &oldColour,
                                                   &newColour, &x, &y, &closeGaps, &tail)
                                     : std::sscanf(line.c_str(), "%8x %8x %d %d %c", &oldColour,
                                                   &newColour, &x, &y, &tail);
        if (read != fields) return false;
        const FillEntry entry{oldColour, newColour, x, y, closeGaps};
        if (!ValidEntry(entry)) return false;
        entries.push_back(entry);
    }
    return true;
}

// `value` in decimal, or as eight lower-case hexadecimal digits, at the end of `out`. A record
// is written again after every fill, with every fill it holds, so this avoids a stream and a
// formatted print per number.
void AppendDecimal(std::string& out, std::int64_t value) {
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end.ptr);
}

void AppendHex8(std::string& out, std::uint32_t value) {
    constexpr char kDigits[] = "0123456789abcdef";
    char digits[8];
    for (int i = 7; i >= 0; --i, value >>= 4) digits[i] = kDigits[value & 0xFu];
    out.append(digits, sizeof digits);
}

void FormatEntries(std::string& out, const char* label, const std::vector<FillEntry>& entries) {
    out += label;
    out += ' ';
    AppendDecimal(out, static_cast<std::int64_t>(entries.size()));
    out += '\n';
    for (const FillEntry& entry : entries) {
        AppendHex8(out, entry.oldColour);
        out += ' ';
        AppendHex8(out, entry.newColour);
        out += ' ';
        AppendDecimal(out, entry.x);
        out += ' ';
        AppendDecimal(out, entry.y);
        out += ' ';
        AppendDecimal(out, entry.closeGaps);
        out += '\n';
    }
}

}  // namespace

bool WorkKey::operator<(const WorkKey& other) const {
    return std::tie(folder, picture, contentHash) <
           std::tie(other.folder, other.picture, other.contentHash);
}

std::uint64_t PictureHash(const CDibImage& picture) {
    if (!picture.HasPicture()) return 0;
    std::uint64_t hash = kFnvOffset;
    const std::int32_t size[2] = {picture.Width(), picture.Height()};
    hash = Fnv(hash, size, sizeof size);
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) * 3;
    for (std::int32_t row = 0; row < picture.Height(); ++row) {
        hash = Fnv(hash, picture.Pixels() + picture.Stride() * static_cast<std::size_t>(row),
                   rowBytes);
    }
    return hash;
}

std::string WorkRecordName(const WorkKey& key) {
    const std::string text = key.folder + '\n' + key.picture + '\n' + Hex64(key.contentHash);
    return Hex64(Fnv(kFnvOffset, text.data(), text.size()));
}

std::string FormatWork(const WorkKey& key, const SavedWork& work, std::uint64_t generation) {
    std::string out;
    // About forty characters a fill.
    out.reserve(160 + key.folder.size() + key.picture.size() +
                40 * (work.done.size() + work.undone.size()));
    out += work.finished ? kWorkHeader : kWorkHeaderV3;
    out += "\nfolder ";
    out += key.folder;
    out += "\npicture ";
    out += key.picture;
    out += "\ncontent ";
    out += Hex64(key.contentHash);
    out += "\ngeneration ";
    out += std::to_string(generation);
    out += '\n';
    if (work.finished) out += "finished 1\n";
    FormatEntries(out, "done", work.done);
    FormatEntries(out, "undone", work.undone);
    return out;
}

bool ParseWork(const std::string& text, const WorkKey& key, SavedWork& work,
               std::uint64_t* generation) {
    std::istringstream in(text);
    std::string line, folder, picture, content, count;
    if (!std::getline(in, line) ||
        (line != kWorkHeader && line != kWorkHeaderV3 && line != kWorkHeaderV2 &&
         line != kWorkHeaderV1)) {
        return false;
    }
    const bool withOptions = line != kWorkHeaderV1;
    const bool withGeneration = line == kWorkHeader || line == kWorkHeaderV3;
    const bool withMark = line == kWorkHeader;
    if (!TakeField(in, "folder", folder) || folder != key.folder) return false;
    if (!TakeField(in, "picture", picture) || picture != key.picture) return false;
    if (!TakeField(in, "content", content) || content != Hex64(key.contentHash)) return false;
    // Older records were written before generations: they count as the first.
    std::uint64_t readGeneration = 0;
    if (withGeneration && (!TakeField(in, "generation", count) ||
                           !ParseCount(count, ~std::uint64_t{0}, readGeneration))) {
        return false;
    }
    SavedWork read;
    if (withMark) {
        std::string mark;
        if (!TakeField(in, "finished", mark) || (mark != "0" && mark != "1")) return false;
        read.finished = mark == "1";
    }
    if (!ParseEntries(in, "done", withOptions, read.done) ||
        !ParseEntries(in, "undone", withOptions, read.undone)) {
        return false;
    }
    // Nothing may follow but an empty end.
    if (std::getline(in, line) && !line.empty()) return false;
    work = std::move(read);
    if (generation != nullptr) *generation = readGeneration;
    return true;
}

SavedWork MergeWork(const SavedWork& base, const SavedWork& ours, const SavedWork& theirs) {
    const auto sameFill = [](const FillEntry& a, const FillEntry& b) {
        return std::tie(a.oldColour, a.newColour, a.x, a.y, a.closeGaps) ==
               std::tie(b.oldColour, b.newColour, b.x, b.y, b.closeGaps);
    };
    const auto shared = std::mismatch(base.done.begin(), base.done.end(), ours.done.begin(),
                                      ours.done.end(), sameFill);
    SavedWork merged = theirs;
    // The mark follows the window that changed it.
    if (ours.finished != base.finished) merged.finished = ours.finished;
    if (shared.second == ours.done.end()) return merged;
    merged.done.insert(merged.done.end(), shared.second, ours.done.end());
    merged.undone = ours.undone;
    return merged;
}

}  // namespace kolo
