#include "app/PictureWork.h"

#include "app/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kolo {
namespace {

constexpr const char* kWorkSuffix = ".work";
// A work file larger than this is damaged: a million fills take less.
constexpr std::streamoff kMaxWorkFileBytes = 64 << 20;

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
    return folder_ + "/" + WorkRecordName(key) + kWorkSuffix;
}

bool PictureWork::LoadWork(const WorkKey& key, SavedWork& work) {
    const auto pending = unsaved_.find(key);
    if (pending != unsaved_.end()) {
        work = pending->second;
        return true;
    }
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

void PictureWork::WorkChanged(const WorkKey& key, const SavedWork& work) {
    // Without a folder the board's own keeping is all there is.
    if (!folder_.empty()) unsaved_[key] = work;
}

bool PictureWork::Save() {
    if (unsaved_.empty()) return true;
    if (!MakeFolders(folder_)) return false;
    bool ok = true;
    for (auto it = unsaved_.begin(); it != unsaved_.end();) {
        const SavedWork& work = it->second;
        const std::string path = PathFor(it->first);
        bool written = false;
        if (work.done.empty() && work.undone.empty()) {
            written = std::remove(path.c_str()) == 0 || errno == ENOENT;
        } else {
            written = WriteWholeFile(path, FormatWork(it->first, work));
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
