#include "app/PictureWork.h"

#include "app/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <tuple>

namespace kolo {
namespace {

constexpr const char* kWorkHeader = "kolo work 1";
constexpr const char* kWorkSuffix = ".work";
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
// Bounds on what a work file may claim, so a damaged one cannot ask for all memory: far more
// fills than a child makes on one page, and the file size they need.
constexpr std::size_t kMaxEntries = 1u << 20;
constexpr std::streamoff kMaxWorkFileBytes = 64 << 20;
constexpr std::int32_t kMaxPoint = 1 << 16;   // canvas pixels

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

bool SameEntries(const std::vector<FillEntry>& a, const std::vector<FillEntry>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(FillEntry)) == 0);
}

bool ValidEntry(const FillEntry& entry) {
    if (IsNewPageEntry(entry)) return true;
    // A fill never paints black: black on the page always means a line.
    return entry.oldColour <= 0x00FFFFFFu && entry.newColour <= 0x00FFFFFFu &&
           entry.newColour != 0 && entry.x >= 0 && entry.x < kMaxPoint && entry.y >= 0 &&
           entry.y < kMaxPoint;
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

bool ParseEntries(std::istream& in, const char* label, std::vector<FillEntry>& entries) {
    std::string count;
    if (!TakeField(in, label, count)) return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long n = std::strtoull(count.c_str(), &end, 10);
    if (errno != 0 || end == count.c_str() || *end != '\0' || count[0] == '-' ||
        n > kMaxEntries) {
        return false;
    }
    entries.clear();
    entries.reserve(static_cast<std::size_t>(n));
    for (unsigned long long i = 0; i < n; ++i) {
        std::string line;
        if (!std::getline(in, line)) return false;
        unsigned oldColour = 0, newColour = 0;
        int x = 0, y = 0;
        char tail = 0;
        if (std::sscanf(line.c_str(), "%8x %8x %d %d %c", &oldColour, &newColour, &x, &y,
                        &tail) != 4) {
            return false;
        }
        const FillEntry entry{oldColour, newColour, x, y};
        if (!ValidEntry(entry)) return false;
        entries.push_back(entry);
    }
    return true;
}

void FormatEntries(std::ostream& out, const char* label, const std::vector<FillEntry>& entries) {
    out << label << ' ' << entries.size() << '\n';
    char line[64];
    for (const FillEntry& entry : entries) {
        std::snprintf(line, sizeof line, "%08x %08x %d %d\n", entry.oldColour, entry.newColour,
                      entry.x, entry.y);
        out << line;
    }
}

// Writes `text` to `path` whole or not at all.
bool WriteWholeFile(const std::string& path, const std::string& text) {
    std::string reason;
    return WriteFileAtomically(
        path,
        [&text](std::FILE* file) {
            return std::fwrite(text.data(), 1, text.size(), file) == text.size()
                       ? 0
                       : (errno != 0 ? errno : EIO);
        },
        reason);
}

// Makes `path` and its missing parents, private to the user.
bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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

std::string FormatWork(const WorkKey& key, const SavedWork& work) {
    std::ostringstream out;
    out << kWorkHeader << '\n'
        << "folder " << key.folder << '\n'
        << "picture " << key.picture << '\n'
        << "content " << Hex64(key.contentHash) << '\n';
    FormatEntries(out, "done", work.done);
    FormatEntries(out, "undone", work.undone);
    return out.str();
}

bool ParseWork(const std::string& text, const WorkKey& key, SavedWork& work) {
    std::istringstream in(text);
    std::string line, folder, picture, content;
    if (!std::getline(in, line) || line != kWorkHeader) return false;
    if (!TakeField(in, "folder", folder) || folder != key.folder) return false;
    if (!TakeField(in, "picture", picture) || picture != key.picture) return false;
    if (!TakeField(in, "content", content) || content != Hex64(key.contentHash)) return false;
    SavedWork read;
    if (!ParseEntries(in, "done", read.done) || !ParseEntries(in, "undone", read.undone)) {
        return false;
    }
    // Nothing may follow but an empty end.
    if (std::getline(in, line) && !line.empty()) return false;
    work = std::move(read);
    return true;
}

std::string DefaultWorkFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    // The base directory rules ignore a relative XDG_DATA_HOME.
    if (data != nullptr && data[0] == '/') return std::string(data) + "/kolo";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/kolo";
    return {};
}

PictureWork::PictureWork(std::string folder) : folder_(std::move(folder)) {}

std::string PictureWork::PathFor(const WorkKey& key) const {
    std::uint64_t hash = kFnvOffset;
    const std::string text = key.folder + '\n' + key.picture + '\n' + Hex64(key.contentHash);
    hash = Fnv(hash, text.data(), text.size());
    return folder_ + "/" + Hex64(hash) + kWorkSuffix;
}

bool PictureWork::Load(const WorkKey& key, SavedWork& work) const {
    if (folder_.empty()) return false;
    std::ifstream in(PathFor(key), std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > kMaxWorkFileBytes) return false;
    std::string text(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(text.data(), size)) return false;
    return ParseWork(text, key, work);
}

bool PictureWork::Follow(ColouringBoard& board) {
    if (!followed_ || board.CanvasSerial() != serial_) {
        // A picture was put on the canvas, with a cleared history: its work comes back.
        followed_ = true;
        serial_ = board.CanvasSerial();
        hasCurrent_ = board.SourcePicture().HasPicture() && board.CanvasIndex() >= 0;
        if (!hasCurrent_) return Unsaved();
        current_ = WorkKey{board.ImageUrl(), board.CanvasPictureName(),
                           PictureHash(board.SourcePicture())};
        SavedWork work;
        const auto found = session_.find(current_);
        if (found != session_.end()) {
            work = found->second;
        } else if (!Load(current_, work)) {
            work = SavedWork{};
        }
        if (!work.done.empty() || !work.undone.empty()) board.RestoreWork(work.done, work.undone);
        session_[current_] = std::move(work);
        return Unsaved();
    }
    if (!hasCurrent_) return Unsaved();
    const FillHistory& history = board.History();
    SavedWork& kept = session_[current_];
    if (!SameEntries(kept.done, history.UndoEntries()) ||
        !SameEntries(kept.undone, history.RedoEntries())) {
        kept.done = history.UndoEntries();
        kept.undone = history.RedoEntries();
        unsaved_.insert(current_);
    }
    return Unsaved();
}

bool PictureWork::Save() {
    if (folder_.empty()) {
        unsaved_.clear();
        return true;
    }
    if (unsaved_.empty()) return true;
    if (!MakeFolders(folder_)) return false;
    bool ok = true;
    for (auto it = unsaved_.begin(); it != unsaved_.end();) {
        const SavedWork& work = session_[*it];
        const std::string path = PathFor(*it);
        bool written = false;
        if (work.done.empty() && work.undone.empty()) {
            written = std::remove(path.c_str()) == 0 || errno == ENOENT;
        } else {
            written = WriteWholeFile(path, FormatWork(*it, work));
        }
        if (written) {
            it = unsaved_.erase(it);
        } else {
            ok = false;
            ++it;
        }
    }
    return ok;
}

}  // namespace kolo
