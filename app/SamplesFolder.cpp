#include "app/SamplesFolder.h"

#include <filesystem>
#include <system_error>

namespace kolo {

std::string FileUrl(const std::string& absolutePath) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : absolutePath) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~' || byte == '/';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
    return url;
}

std::string SamplesFolderPath() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = program.parent_path().parent_path() / "share/kolo/samples";
        if (fs::is_regular_file(installed / "index.html", error)) {
            return installed.lexically_normal().string() + "/";
        }
    }
    return KOLO_SAMPLES_DIR;
}

std::string SamplesFolderUrl() { return FileUrl(SamplesFolderPath()); }

}  // namespace kolo
