#include "app/PictureWork.h"

#include "app/AtomicFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

namespace kolo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kWorkSuffix = ".work";
constexpr const char* kPartSuffix = ".part";     // AtomicFile's temporary files
constexpr const char* kLockName = "lock";        // the file Save locks, beside the records
// A work file larger than this is damaged: a million fills take less.
constexpr std::size_t kMaxWorkFileBytes = 64 << 20;
// A local file reads in far less; a store on a hung network share must not hang the window.
constexpr auto kReadTimeLimit = std::chrono::seconds(1);
// Another window holds the lock only while it writes a few small files.
constexpr auto kLockTimeLimit = std::chrono::seconds(2);
constexpr auto kLockRetry = std::chrono::milliseconds(10);
constexpr std::size_t kReadChunkBytes = 64 << 10;

// Writes `text` to `path` whole or not at all.
bool WriteWholeFile(const std::string& path, const std::string& text, std::string& reason) {
    return WriteFileAtomically(
        path,
        [&text](std::FILE* file) {
            return std::fwrite(text.data(), 1, text.size(), file) == text.size()
                       ? 0
                       : (errno != 0 ? errno : EIO);
        },
        reason);
}

// Makes `path` and its missing parents, private to the user; false with the reason.
bool MakeFolders(const std::string& path, std::string& reason) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            reason = ErrorReason(errno);
            return false;
        }
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        reason = ErrorReason(ENOTDIR);
        return false;
    }
    return true;
}

std::string KindReason(mode_t mode) {
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISDIR(mode)) return "a folder";
    return "not a regular file";
}

// The folder's lock for as long as it lives; closing the file lets it go, also when the
// program dies.
class FolderLock {
public:
    explicit FolderLock(const std::string& path) {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            reason_ = errno == ELOOP ? KindReason(S_IFLNK) : ErrorReason(errno);
            return;
        }
        struct stat info {};
        if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            reason_ = "its lock is " + KindReason(info.st_mode);
            return;
        }
        const auto end = Clock::now() + kLockTimeLimit;
        while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                reason_ = ErrorReason(errno);
                return;
            }
            if (Clock::now() > end) {
                reason_ = "another window kept holding it";
                return;
            }
            std::this_thread::sleep_for(kLockRetry);
        }
        held_ = true;
    }
    ~FolderLock() {
        if (fd_ >= 0) close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return held_; }
    const std::string& Reason() const { return reason_; }

private:
    int fd_ = -1;
    bool held_ = false;
    std::string reason_;
};

// A temporary file AtomicFile names ".<name>.<pid>-<n>.part" is stale once its writer is
// gone; one of a running program (another window) is left to it.
bool StalePart(const std::string& name) {
    const std::size_t suffix = name.size() - std::char_traits<char>::length(kPartSuffix);
    if (name.size() < 2 || name[0] != '.' || name.compare(suffix, std::string::npos, kPartSuffix) != 0) {
        return false;
    }
    const std::size_t dot = name.rfind('.', suffix - 1);
    if (dot == std::string::npos || dot == 0) return false;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + dot + 1, &end, 10);
    if (end == name.c_str() + dot + 1 || *end != '-' || pid <= 0) return false;
    return pid == getpid() || (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

void RemoveStaleParts(const std::string& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (StalePart(name) && it->is_regular_file(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

}  // namespace

StoreRead ReadStoreFile(const std::string& path, std::size_t maxBytes, std::string& text,
                        std::string& reason) {
    // Looked at before it is opened, so that no device is ever opened; checked again on the
    // open file in case the name changed in between. A pipe opened without O_NONBLOCK would
    // wait for a writer.
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        // A store that is not a folder holds no record; saving says why.
        if (errno == ENOENT || errno == ENOTDIR) return StoreRead::kMissing;
        reason = ErrorReason(errno);
        return StoreRead::kRefused;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = KindReason(info.st_mode);
        return StoreRead::kRefused;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return StoreRead::kMissing;
        reason = errno == ELOOP ? KindReason(S_IFLNK) : ErrorReason(errno);
        return StoreRead::kRefused;
    }
    const auto refuse = [&](std::string why) {
        close(fd);
        reason = std::move(why);
        return StoreRead::kRefused;
    };
    if (fstat(fd, &info) != 0) return refuse(ErrorReason(errno));
    if (!S_ISREG(info.st_mode)) return refuse(KindReason(info.st_mode));
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) return refuse("too large");
    const auto end = Clock::now() + kReadTimeLimit;
    std::string read;
    read.reserve(static_cast<std::size_t>(info.st_size));
    std::vector<char> chunk(kReadChunkBytes);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno != EINTR && errno != EAGAIN) return refuse(ErrorReason(errno));
        if (got == 0) break;
        if (got > 0) read.append(chunk.data(), static_cast<std::size_t>(got));
        if (read.size() > maxBytes) return refuse("too large");
        if (Clock::now() > end) return refuse("too slow to read");
    }
    close(fd);
    text = std::move(read);
    return StoreRead::kRead;
}

std::string DefaultWorkFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    // The base directory rules ignore a relative XDG_DATA_HOME.
    if (data != nullptr && data[0] == '/') return std::string(data) + "/kolo";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/kolo";
    return {};
}

PictureWork::PictureWork(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty()) RemoveStaleParts(folder_);
}

std::string PictureWork::PathFor(const WorkKey& key) const {
    return folder_ + "/" + WorkRecordName(key) + kWorkSuffix;
}

bool PictureWork::ReadKept(const WorkKey& key, Kept& kept) {
    const std::string path = PathFor(key);
    std::string text, reason;
    switch (ReadStoreFile(path, kMaxWorkFileBytes, text, reason)) {
        case StoreRead::kMissing: kept = Kept{}; return true;
        case StoreRead::kRead: return ParseWork(text, key, kept.work, &kept.generation);
        case StoreRead::kRefused: break;
    }
    // The picture starts clean; the record's place is written over when it is next kept.
    std::fprintf(stderr, "kolo: kept colouring left unread: %s: %s\n", path.c_str(), reason.c_str());
    return false;
}

bool PictureWork::LoadWork(const WorkKey& key, SavedWork& work) {
    const auto pending = unsaved_.find(key);
    if (pending != unsaved_.end()) {
        work = pending->second;
        return true;
    }
    if (folder_.empty()) return false;
    Kept kept;
    if (!ReadKept(key, kept)) kept = Kept{};
    kept_[key] = kept;
    if (kept.work.done.empty() && kept.work.undone.empty()) return false;
    work = kept.work;
    return true;
}

void PictureWork::WorkChanged(const WorkKey& key, const SavedWork& work) {
    // Without a folder the board's own keeping is all there is.
    if (!folder_.empty()) unsaved_[key] = work;
}

bool PictureWork::SaveOne(const WorkKey& key, const SavedWork& ours, std::string& reason) {
    Kept& base = kept_[key];
    // What cannot be read is replaced, as a damaged file always was: nothing in it to merge.
    Kept disk;
    if (!ReadKept(key, disk)) disk = base;
    // Another window wrote this picture since this one read or wrote it: both keep their fills.
    const bool merging = disk.generation != base.generation;
    const SavedWork work = merging ? MergeWork(base.work, ours, disk.work) : ours;
    const std::uint64_t generation = std::max(disk.generation, base.generation) + 1;
    const std::string path = PathFor(key);
    const bool empty = work.done.empty() && work.undone.empty() && !work.finished;
    if (empty) {
        if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
            reason = ErrorReason(errno);
            return false;
        }
    } else if (!WriteWholeFile(path, FormatWork(key, work, generation), reason)) {
        return false;
    }
    base = Kept{empty ? 0 : generation, work};
    if (merging) merged_.emplace_back(key, work);
    return true;
}

bool PictureWork::Save() {
    if (unsaved_.empty()) return true;
    std::string reason;
    bool ok = MakeFolders(folder_, reason);
    if (ok) {
        const FolderLock lock(folder_ + "/" + kLockName);
        ok = lock.Held();
        if (!ok) reason = lock.Reason();
        for (auto it = unsaved_.begin(); lock.Held() && it != unsaved_.end();) {
            if (SaveOne(it->first, it->second, reason)) {
                it = unsaved_.erase(it);
            } else {
                ok = false;
                ++it;
            }
        }
    }
    problem_ = ok ? std::string() : "The colouring could not be kept in " + folder_ + ": " + reason + ".";
    return ok;
}

std::vector<std::pair<WorkKey, SavedWork>> PictureWork::TakeMerged() {
    return std::exchange(merged_, {});
}

}  // namespace kolo
