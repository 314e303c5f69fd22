#include "web/ArtBundle.h"

namespace kolo {
namespace {

std::uint32_t ReadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

}  // namespace

bool SplitArtBundle(const std::uint8_t* bytes, std::size_t size, std::vector<EmbeddedFile>& files) {
    files.clear();
    std::size_t at = 0;
    while (at < size) {
        if (size - at < 8) break;
        const std::uint32_t id = ReadU32(bytes + at);
        const std::uint32_t length = ReadU32(bytes + at + 4);
        at += 8;
        if (length > size - at) break;
        files.push_back(EmbeddedFile{static_cast<int>(id), "", bytes + at, length});
        at += length;
    }
    if (at == size) return true;
    files.clear();
    return false;
}

}  // namespace kolo
