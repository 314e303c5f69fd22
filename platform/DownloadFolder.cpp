#include "platform/DownloadFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kolo {
namespace {

// Owns the folder for the life of the program; the static's destructor removes it at exit.
class DownloadFolder {
public:
    DownloadFolder() {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::error_code error;
        std::filesystem::path base = (runtime != nullptr && *runtime != '\0')
                                         ? std::filesystem::path(runtime)
                                         : std::filesystem::temp_directory_path(error);
        if (error) return;
        // mkdtemp makes the folder with mode 0700 under a name no other program can predict.
        std::string pattern = (base / "kolo-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~DownloadFolder() {
        if (path_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

const std::string& PrivateDownloadFolder() {
    static const DownloadFolder folder;
    return folder.Path();
}

}  // namespace kolo
