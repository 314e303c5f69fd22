#include "app/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace kolo {
namespace {

// Enough tries to step over files left by runs that were killed; each name includes the pid.
constexpr int kTemporaryNameTries = 100;

// A hidden name beside the destination that no other writer uses. The file is created with
// mode 0666 so that the umask gives it the permissions any new file would get.
int CreateTemporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        temporary = folder + "." + name + "." + std::to_string(getpid()) + "-" +
                    std::to_string(counter++) + ".part";
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::string ErrorReason(int error) {
    std::string text = std::strerror(error != 0 ? error : EIO);
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

bool WriteFileAtomically(const std::string& path, const FileWriter& write, std::string& reason) {
    if (path.empty() || path.back() == '/') {
        reason = ErrorReason(EISDIR);
        return false;
    }
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) {
        reason = ErrorReason(errno);
        return false;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        reason = ErrorReason(errno);
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    int error = write(file);
    // A full disk often shows only when the buffers are flushed or the file is closed.
    if (error == 0 && std::fflush(file) != 0) error = errno;
    if (error == 0 && fsync(fileno(file)) != 0 && errno != EINVAL) error = errno;
    if (std::fclose(file) != 0 && error == 0) error = errno;
    return CommitTemporary(temporary, path, error, reason);
}

bool CommitTemporary(const std::string& temporary, const std::string& path, int error,
                     std::string& reason) {
    if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        reason = ErrorReason(error);
        return false;
    }
    return true;
}

}  // namespace kolo
