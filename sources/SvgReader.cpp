// SVG pages through librsvg. The bytes are parsed from memory with no base address: librsvg
// then refuses every reference to another file, so a page that names images or style sheets
// shows without them (recoverable: the rest of the page is drawn). Its own limits on the number
// of elements and the depth of references bound the work a page can ask for; the byte cap
// bounds the parse. A page that does not parse, or that gives no size (no width and height in
// absolute units and no viewBox), is rejected.
#include "sources/SvgReader.h"

#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "image/ImageLimits.h"

namespace kolo {
namespace {

constexpr double kMaxOversample = 3;   // times the fitted size, each way

struct HandleDeleter {
    void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};

// The page's own size in pixels (96 to the inch), from its width and height or its viewBox.
bool PageSize(RsvgHandle* handle, double& width, double& height) {
    if (rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height) && width > 0 && height > 0) {
        return true;
    }
    gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
    RsvgLength w, h;
    RsvgRectangle viewBox;
    rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &w, &hasHeight, &h, &hasViewBox, &viewBox);
    if (!hasViewBox || !(viewBox.width > 0) || !(viewBox.height > 0)) return false;
    width = viewBox.width;
    height = viewBox.height;
    return true;
}

// Draws the page over white into a width × height image.
int Render(RsvgHandle* handle, CDibImage& image, std::int32_t width, std::int32_t height) {
    if (!IsAcceptableImageSize(width, height)) return 0;
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return 0;
    std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
    GError* error = nullptr;
    const gboolean drawn = rsvg_handle_render_document(handle, cr.get(), &viewport, &error);
    if (error != nullptr) g_error_free(error);
    if (!drawn || cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return 0;
    cairo_surface_flush(surface.get());
    if (!image.Reallocate(width, height)) return 0;
    // Cairo's rows run top down, four bytes a pixel (blue, green, red, unused in memory order).
    const unsigned char* rows = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    std::uint8_t* pixels = image.Pixels();
    for (std::int32_t y = 0; y < height; ++y) {
        const unsigned char* s = rows + static_cast<std::ptrdiff_t>(stride) * y;
        std::uint8_t* d = pixels + image.Stride() * static_cast<std::size_t>(height - 1 - y);
        for (std::int32_t x = 0; x < width; ++x, s += 4, d += 3) std::memcpy(d, s, 3);
    }
    return 1;
}

// Parses the page and draws it at the size `sizeFor` gives for its own size.
template <typename SizeFor>
int Load(CDibImage& image, const std::uint8_t* data, std::size_t size, SizeFor sizeFor) {
    image.Release();
    if (data == nullptr || size == 0 || size > kMaxSvgBytes) return 0;
    GError* error = nullptr;
    std::unique_ptr<RsvgHandle, HandleDeleter> handle(rsvg_handle_new_from_data(data, size, &error));
    if (error != nullptr) g_error_free(error);
    if (!handle) return 0;
    rsvg_handle_set_dpi(handle.get(), 96);
    double width = 0, height = 0;
    if (!PageSize(handle.get(), width, height)) return 0;
    const FitSize fit = sizeFor(width, height);
    // On a page much larger than its fit a line one unit wide covers too little of a pixel to
    // stay a line on the canvas: such a page is drawn at up to kMaxOversample times its fit,
    // enough for such a line to cover 40 % of a pixel, and shrunk, which keeps line pixels.
    const auto oversample = static_cast<std::int32_t>(
        std::clamp(std::ceil(0.4 * std::min(width / fit.width, height / fit.height)), 1.0, kMaxOversample));
    if (Render(handle.get(), image, fit.width * oversample, fit.height * oversample) == 0) {
        image.Release();
        return 0;
    }
    if (oversample > 1) image = image.Resized(fit.width, fit.height);
    return image.HasPicture() ? 1 : 0;
}

// A length in pixels as a whole number from 1 to kMaxImageSide.
std::int64_t Pixels(double length) {
    return static_cast<std::int64_t>(std::clamp(std::round(length), 1.0, static_cast<double>(kMaxImageSide)));
}

}  // namespace

int LoadSvgBytes(CDibImage& image, const std::uint8_t* data, std::size_t size) {
    return Load(image, data, size, [](double width, double height) {
        // A page larger than a picture may be is drawn at the largest size that is allowed.
        const double scale = std::min(1.0, std::sqrt(static_cast<double>(kMaxImagePixels) / (width * height)));
        return FitInside(Pixels(width), Pixels(height), static_cast<std::int32_t>(Pixels(width * scale)),
                         static_cast<std::int32_t>(Pixels(height * scale)));
    });
}

int LoadSvgBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                      std::int32_t fitWidth, std::int32_t fitHeight) {
    if (fitWidth < 1 || fitHeight < 1) return 0;
    return Load(image, data, size, [fitWidth, fitHeight](double width, double height) {
        return FitInside(Pixels(width), Pixels(height), fitWidth, fitHeight);
    });
}

DecodeCost SvgDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                         std::int32_t fitHeight) {
    if (data == nullptr || size == 0 || size > kMaxSvgBytes) return DecodeCost{};
    GError* error = nullptr;
    std::unique_ptr<RsvgHandle, HandleDeleter> handle(rsvg_handle_new_from_data(data, size, &error));
    if (error != nullptr) g_error_free(error);
    if (!handle) return DecodeCost{};
    rsvg_handle_set_dpi(handle.get(), 96);
    double width = 0, height = 0;
    if (!PageSize(handle.get(), width, height)) return DecodeCost{};
    const std::int64_t ownWidth = Pixels(width), ownHeight = Pixels(height);
    const FitSize fit = fitWidth > 0 && fitHeight > 0 ? FitInside(ownWidth, ownHeight, fitWidth, fitHeight)
                                                      : FitSize{static_cast<std::int32_t>(ownWidth),
                                                                static_cast<std::int32_t>(ownHeight)};
    // Drawn at up to three times the fit each way: Cairo's surface at four bytes a pixel, the
    // picture copied from it, and the fitted one.
    const std::int64_t drawn = 9 * static_cast<std::int64_t>(fit.width) * fit.height;
    return DecodeCost{fit.width, fit.height,
                      4 * static_cast<std::uint64_t>(drawn) + PictureBytes(drawn, 1) +
                          PictureBytes(fit.width, fit.height)};
}

}  // namespace kolo
