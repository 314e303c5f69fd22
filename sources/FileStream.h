// Whole-file reading for the picture loaders, over std::FILE so that the same code can read a
// file on disk or, for the fuzz targets, a buffer opened with fmemopen.
//
// Nothing here throws: every function reports failure as false and leaves its outputs as
// they were, apart from the bytes already copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "platform/MemoryBlock.h"

namespace kolo {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` for binary reading; null when it cannot be opened.
FileHandle OpenForReading(const char* path);

// Length of the stream in bytes, leaving the read position where it was.
bool StreamLength(std::FILE* file, std::int64_t& length);

// Reads exactly `count` bytes; false on a short read.
bool ReadExactly(std::FILE* file, std::uint8_t* into, std::size_t count);

// Reads the rest of the stream into a new block, refusing streams longer than `maxBytes`.
// `block` stays null on failure.
bool ReadRest(std::FILE* file, std::size_t maxBytes, MemoryBlock& block);

}  // namespace kolo
