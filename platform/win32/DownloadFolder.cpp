// The Windows download folder: a fresh folder under the user's own temporary folder, named
// for this process, so two programs never share their Image001 files. It inherits the
// user's temporary folder's access rights, which other users cannot read, and is removed
// with its files when the module unloads.
#include "platform/DownloadFolder.h"

#include "platform/win32/Win32.h"

namespace kolo {
namespace {

class Win32DownloadFolder {
public:
    Win32DownloadFolder() {
        char base[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathA(sizeof base, base);
        if (length == 0 || length > MAX_PATH) return;
        // A name nobody else can have made: the process id and a counter until one is free.
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            std::string candidate = std::string(base) + "Kolo-" +
                                    std::to_string(GetCurrentProcessId()) + "-" +
                                    std::to_string(attempt);
            if (CreateDirectoryA(candidate.c_str(), nullptr)) {
                path_ = candidate;
                return;
            }
        }
    }
    ~Win32DownloadFolder() {
        if (path_.empty()) return;
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    DeleteFileA((path_ + "\\" + entry.cFileName).c_str());
                }
            } while (FindNextFileA(find, &entry));
            FindClose(find);
        }
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

const std::string& PrivateDownloadFolder() {
    static const Win32DownloadFolder folder;
    return folder.Path();
}

}  // namespace kolo
