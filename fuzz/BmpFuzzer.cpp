// libFuzzer target: the BMP reader.
#include "fuzz/FuzzStream.h"
#include "sources/BmpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kolo::FuzzLoad(data, size, kolo::LoadBmpStream);
}
