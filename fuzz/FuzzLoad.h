// Shared by the fuzz targets: hands the input to the program's own loader under a file name of
// the format being fuzzed, so that the fuzzers exercise exactly the path a downloaded file takes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"
#include "sources/PictureFile.h"

namespace kolo {

inline int FuzzLoad(const std::uint8_t* data, std::size_t size, const char* name) {
    CDibImage image;
    const int loaded = LoadPictureBytes(image, data, size, name);
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
