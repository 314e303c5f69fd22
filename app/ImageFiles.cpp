#include "app/ImageFiles.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace kolo {
namespace {

constexpr double kPointsPerInch = 72.0;

// libpng reports errors with a long jump back into the function that set it up; nothing with
// a destructor lives across it there.
bool WritePngRows(std::FILE* file, const std::uint8_t* rgb, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(rgb + static_cast<std::size_t>(y) * width * 3));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, const std::uint8_t* rgb, int width, int height) {
    if (rgb == nullptr || width <= 0 || height <= 0) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = WritePngRows(file, rgb, width, height);
    return std::fclose(file) == 0 && written;
}

bool WritePdfPage(const std::string& path, const std::uint8_t* rgb, int widthPixels,
                  int heightPixels, int dotsPerInch) {
    if (rgb == nullptr || widthPixels <= 0 || heightPixels <= 0 || dotsPerInch <= 0) return false;
    cairo_surface_t* image =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, widthPixels, heightPixels);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return false;
    }
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < heightPixels; ++y) {
        auto* dst = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        const std::uint8_t* src = rgb + static_cast<std::size_t>(y) * widthPixels * 3;
        for (int x = 0; x < widthPixels; ++x, src += 3) {
            dst[x] = (static_cast<std::uint32_t>(src[0]) << 16) |
                     (static_cast<std::uint32_t>(src[1]) << 8) | src[2];
        }
    }
    cairo_surface_mark_dirty(image);

    const double scale = kPointsPerInch / dotsPerInch;
    cairo_surface_t* pdf =
        cairo_pdf_surface_create(path.c_str(), widthPixels * scale, heightPixels * scale);
    cairo_t* cr = cairo_create(pdf);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    // Device pixels stay sharp: the page is a raster, not a picture to be smoothed.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_show_page(cr);
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_finish(pdf);
    const bool finished = cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(pdf);
    cairo_surface_destroy(image);
    return drawn && finished;
}

}  // namespace kolo
