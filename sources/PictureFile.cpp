#include "sources/PictureFile.h"

namespace kolo {
namespace {

// Only ASCII letters change: the path may hold double-byte characters whose trailing bytes
// must stay as they are.
std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

int LoadFile(CDibImage& image, const std::string& path) {
    const std::string lower = LowerAscii(path);
    // The order is fixed: a name holding several of these goes to the first decoder listed.
    if (lower.find(".bmp") != std::string::npos) {
        image.Release();
        return LoadBmp(image, path);
    }
    if (lower.find(".gif") != std::string::npos) {
        image.Release();
        return LoadGif(image, path);
    }
    if (lower.find(".jpg") != std::string::npos) {
        image.Release();
        return LoadJpeg(image, path);
    }
    return 0;
}

}  // namespace kolo
