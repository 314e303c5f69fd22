// libFuzzer target: the GIF reader, its LZW decoder and the conversion of the first image.
// A load writes the first image straight into the picture; the reader's full parse keeps
// every image as colour indices and converts the first afterwards. Both must give the same
// result and the same bytes, or the input is reported as a crash.
#include <cstdlib>
#include <cstring>

#include "fuzz/FuzzLoad.h"
#include "sources/GifReader.h"

namespace {

int ConvertFromFullParse(kolo::CDibImage& image, const std::uint8_t* data, std::size_t size) {
    kolo::GifReader reader;
    if (!reader.ParseBytes(data, size) || reader.Images().empty()) return 0;
    reader.SelectImage(0);
    const kolo::GifImage& first = *reader.CurrentImage();
    if (first.width == 0 || first.height == 0) return 1;
    if (!image.Allocate(first.width, first.height) || !reader.ConvertInto(image)) {
        image.Release();
        return 0;
    }
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kolo::FuzzLoad(data, size, "fuzz.gif");
    kolo::CDibImage loaded, parsed;
    const int loadResult = kolo::LoadGifBytes(loaded, data, size);
    if (loadResult != ConvertFromFullParse(parsed, data, size)) std::abort();
    if (loaded.HasPicture() != parsed.HasPicture()) std::abort();
    if (loaded.HasPicture() &&
        (loaded.Width() != parsed.Width() || loaded.Height() != parsed.Height() ||
         std::memcmp(loaded.Pixels(), parsed.Pixels(), loaded.PixelBlock().Size()) != 0)) {
        std::abort();
    }
    return 0;
}
