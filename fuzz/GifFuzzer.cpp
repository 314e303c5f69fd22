// libFuzzer target: the GIF reader, its LZW decoder and the conversion of the first image.
#include "fuzz/FuzzLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kolo::FuzzLoad(data, size, "fuzz.gif");
}
