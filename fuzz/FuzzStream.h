// Shared by the fuzz targets: hands the input to a loader as the stream it would read from a
// file, so that the fuzzers exercise exactly the code that reads files on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "image/DibImage.h"

namespace kolo {

template <typename Loader>
int FuzzLoad(const std::uint8_t* data, std::size_t size, Loader load) {
    if (size == 0) return 0;   // fmemopen refuses an empty buffer
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (file == nullptr) return 0;
    CDibImage image;
    const int loaded = load(image, file);
    std::fclose(file);
    // A loaded picture must be whole: touch every byte so that the sanitizer sees the block.
    if (loaded && image.HasPicture()) {
        volatile std::uint8_t sum = 0;
        const std::size_t bytes = image.Stride() * static_cast<std::size_t>(image.Height());
        for (std::size_t i = 0; i < bytes; i += 61) sum = static_cast<std::uint8_t>(sum + image.Pixels()[i]);
        (void)sum;
    }
    return 0;
}

}  // namespace kolo
