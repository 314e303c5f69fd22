#include "bench/SvgPeer.h"

#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kolo::bench {

int LoadSvgBytesToFitBefore(CDibImage& image, const std::uint8_t* data, std::size_t size,
                            std::int32_t fitWidth, std::int32_t fitHeight) {
    image.Release();
    RsvgHandle* handle = rsvg_handle_new_from_data(data, size, nullptr);
    if (handle == nullptr) return 0;
    rsvg_handle_set_dpi(handle, 96);
    double width = 0, height = 0;
    rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height);
    const FitSize fit = FitInside(std::lround(width), std::lround(height), fitWidth, fitHeight);
    const auto oversample = static_cast<std::int32_t>(
        std::clamp(std::ceil(0.4 * std::min(width / fit.width, height / fit.height)), 1.0, 3.0));
    const std::int32_t w = fit.width * oversample, h = fit.height * oversample;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const RsvgRectangle viewport{0, 0, static_cast<double>(w), static_cast<double>(h)};
    const bool drawn = rsvg_handle_render_document(handle, cr, &viewport, nullptr) && image.Reallocate(w, h);
    cairo_surface_flush(surface);
    if (drawn) {
        const unsigned char* rows = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        std::uint8_t* pixels = image.Pixels();
        for (std::int32_t y = 0; y < h; ++y) {
            const unsigned char* s = rows + static_cast<std::ptrdiff_t>(stride) * y;
            std::uint8_t* d = pixels + image.Stride() * static_cast<std::size_t>(h - 1 - y);
            for (std::int32_t x = 0; x < w; ++x, s += 4, d += 3) std::memcpy(d, s, 3);
        }
        if (oversample > 1) image = image.Resized(fit.width, fit.height);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    g_object_unref(handle);
    return drawn && image.HasPicture() ? 1 : 0;
}

}  // namespace kolo::bench
