#include "sources/FileStream.h"

#include <utility>

namespace kolo {

FileHandle OpenForReading(const char* path) { return FileHandle(std::fopen(path, "rb")); }

bool StreamLength(std::FILE* file, std::int64_t& length) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return false;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < 0) return false;
    length = end;
    return true;
}

bool ReadExactly(std::FILE* file, std::uint8_t* into, std::size_t count) {
    return count == 0 || std::fread(into, 1, count, file) == count;
}

bool ReadRest(std::FILE* file, std::size_t maxBytes, MemoryBlock& block) {
    std::int64_t length = 0;
    const long here = std::ftell(file);
    if (here < 0 || !StreamLength(file, length) || length < here) return false;
    const auto rest = static_cast<std::uint64_t>(length - here);
    if (rest == 0 || rest > maxBytes) return false;
    MemoryBlock data = MemoryBlock::Allocate(static_cast<std::size_t>(rest));
    if (!data || !ReadExactly(file, data.Data(), data.Size())) return false;
    block = std::move(data);
    return true;
}

}  // namespace kolo
