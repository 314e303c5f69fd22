#include "sources/PictureFile.h"

namespace kolo {

const std::vector<PictureFormat>& PictureFormats() {
    // The order is fixed: a name holding several extensions goes to the first row listed.
    static const std::vector<PictureFormat> formats = {
        {".bmp", LoadBmpBytes, LoadBmpBytesToFit, BmpDecodeCost},
        {".gif", LoadGifBytes, nullptr, GifDecodeCost},
        {".jpg", LoadJpegBytes, LoadJpegBytesToFit, JpegDecodeCost},
        {".png", LoadPngBytes, nullptr, PngDecodeCost},
#ifdef KOLO_HAVE_SVG
        {".svg", LoadSvgBytes, LoadSvgBytesToFit, SvgDecodeCost},
#elif defined(__EMSCRIPTEN__)
        // The web element's browser draws SVG pages; the core gets a ticket for each.
        {".svg", LoadDrawnSvgBytes, LoadDrawnSvgBytesToFit, DrawnSvgDecodeCost},
#endif
    };
    return formats;
}

std::string LowerAscii(std::string text) {
    // Only ASCII letters change: a name may hold double-byte characters whose trailing bytes
    // must stay as they are, whatever the locale says.
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

const PictureFormat* FindPictureFormat(const std::string& name) {
    const std::string lower = LowerAscii(name);
    for (const PictureFormat& format : PictureFormats()) {
        if (lower.find(format.extension) != std::string::npos) return &format;
    }
    return nullptr;
}

int LoadPictureBytes(CDibImage& image, const std::uint8_t* data, std::size_t size,
                     const std::string& name) {
    const PictureFormat* format = FindPictureFormat(name);
    if (format == nullptr) return 0;
    // Every reader empties the image when it fails, and otherwise may reuse its memory.
    return format->read(image, data, size);
}

int LoadPictureBytes(CDibImage& image, const std::uint8_t* data, std::size_t size,
                     const std::string& name, std::int32_t fitWidth, std::int32_t fitHeight) {
    const PictureFormat* format = FindPictureFormat(name);
    if (format == nullptr) return 0;
    if (format->readToFit == nullptr) return format->read(image, data, size);
    return format->readToFit(image, data, size, fitWidth, fitHeight);
}

DecodeCost PictureDecodeCost(const std::uint8_t* data, std::size_t size, const std::string& name,
                             std::int32_t fitWidth, std::int32_t fitHeight) {
    const PictureFormat* format = FindPictureFormat(name);
    if (format == nullptr || data == nullptr) return DecodeCost{};
    // A format without a fitting reader decodes the full size whatever the fit.
    if (format->readToFit == nullptr) fitWidth = fitHeight = 0;
    return format->cost(data, size, fitWidth, fitHeight);
}

int LoadFile(CDibImage& image, const std::string& path) {
    const PictureFormat* format = FindPictureFormat(path);
    if (format == nullptr) return 0;
    return LoadPictureFile(image, path, format->read);
}

}  // namespace kolo
