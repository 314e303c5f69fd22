// libFuzzer target: the PNG loader, its error trap and the transparency path.
#include "fuzz/FuzzLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kolo::FuzzLoad(data, size, "fuzz.png");
}
