// libFuzzer target: our own SVG reader, and the drawing of every page it takes at the canvas's
// size (through the loader the folder uses, so both bands and the shrink run too). Pages it
// leaves to librsvg are not drawn here: librsvg is the system's, not ours to fuzz.
#include <cstdint>

#include "image/DibImage.h"
#include "sources/SvgPage.h"
#include "sources/SvgReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kolo::SvgPage page;
    if (!kolo::ReadSvgPage(data, size, page)) return 0;
    double width = 0, height = 0;
    if (!kolo::ReadSvgPageSize(data, size, width, height) || width != page.width || height != page.height) {
        __builtin_trap();   // the size the folder is told must be the size drawn
    }
    kolo::CDibImage image;
    if (kolo::LoadSvgBytesToFit(image, data, size, 572, 452) && image.HasPicture()) {
        volatile std::uint8_t sum = 0;
        const std::size_t bytes = image.Stride() * static_cast<std::size_t>(image.Height());
        for (std::size_t i = 0; i < bytes; i += 61) sum = static_cast<std::uint8_t>(sum + image.Pixels()[i]);
        (void)sum;
    }
    return 0;
}
