// A file built into the program: the resource id it answers to and its bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kolo {

struct EmbeddedFile {
    int id;                        // resource id, as the Windows resource script numbers it
    const char* name;              // file name in resources/bitmaps/
    const std::uint8_t* bytes;     // the whole file
    std::size_t size;              // bytes
};

}  // namespace kolo
