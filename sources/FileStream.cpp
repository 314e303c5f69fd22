#include "sources/FileStream.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace kolo {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, MemoryBlock& block) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long length = std::ftell(file.get());
    if (length <= 0 || static_cast<unsigned long>(length) > maxBytes ||
        std::fseek(file.get(), 0, SEEK_SET) != 0) {
        return false;
    }
    MemoryBlock data = MemoryBlock::Allocate(static_cast<std::size_t>(length));
    if (!data || std::fread(data.Data(), 1, data.Size(), file.get()) != data.Size()) return false;
    block = std::move(data);
    return true;
}

int LoadPictureFile(CDibImage& image, const std::string& path, PictureReader read) {
    MemoryBlock file;
    if (!ReadWholeFile(path, kMaxPictureFileBytes, file)) {
        image.Release();
        return 0;
    }
    return read(image, file.Data(), file.Size());
}

}  // namespace kolo
