// libFuzzer target: the JPEG loader and its error trap.
#include "fuzz/FuzzStream.h"
#include "sources/JpegReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kolo::FuzzLoad(data, size, kolo::LoadJpegStream);
}
