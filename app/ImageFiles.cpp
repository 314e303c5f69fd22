#include "app/ImageFiles.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>

#include "app/AtomicFile.h"

namespace kolo {
namespace {

constexpr double kPointsPerInch = 72.0;

// The file both encoders write through, keeping the first failure's errno: the libraries
// report a failed write only as "write error", and the user needs to know the disk is full.
struct FileSink {
    std::FILE* file;
    int error = 0;

    bool Write(const void* data, std::size_t length) {
        if (error != 0) return false;
        errno = 0;
        if (std::fwrite(data, 1, length, file) == length) return true;
        error = errno != 0 ? errno : EIO;
        return false;
    }
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    if (!static_cast<FileSink*>(png_get_io_ptr(png))->Write(data, length)) {
        png_error(png, "write failed");
    }
}

void PngFlush(png_structp png) {
    auto* sink = static_cast<FileSink*>(png_get_io_ptr(png));
    if (sink->error == 0 && std::fflush(sink->file) != 0) sink->error = errno != 0 ? errno : EIO;
}

// libpng's own handlers print to standard error; the caller reports the failure in one line.
[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// libpng reports errors with a long jump back into the function that set it up; nothing with
// a destructor lives across it there.
int WritePngRows(FileSink& sink, const std::uint8_t* rgb, int width, int height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (png == nullptr) return ENOMEM;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
        return sink.error != 0 ? sink.error : EIO;
    }
    png_set_write_fn(png, &sink, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(rgb + static_cast<std::size_t>(y) * width * 3));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return sink.error;
}

cairo_status_t CairoWrite(void* closure, const unsigned char* data, unsigned int length) {
    return static_cast<FileSink*>(closure)->Write(data, length) ? CAIRO_STATUS_SUCCESS
                                                                 : CAIRO_STATUS_WRITE_ERROR;
}

// Draws pages into a PDF written through `sink`. Every cairo object is released on every
// path, and each status is checked before the object is used further: a context in error
// hands out shared error objects that must not be touched.
int WritePdfThroughSink(FileSink& sink, double widthPoints, double heightPoints,
                        const std::function<bool(cairo_t*)>& drawPages) {
    cairo_surface_t* pdf = cairo_pdf_surface_create_for_stream(CairoWrite, &sink, widthPoints, heightPoints);
    bool drawn = false;
    if (cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS) {
        cairo_t* cr = cairo_create(pdf);
        drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS && drawPages(cr) &&
                cairo_status(cr) == CAIRO_STATUS_SUCCESS;
        cairo_destroy(cr);
    }
    // The document's tail is written here, so only the status after finishing tells whether
    // the whole file reached the disk.
    cairo_surface_finish(pdf);
    const bool finished = cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(pdf);
    if (sink.error != 0) return sink.error;
    return drawn && finished ? 0 : EIO;
}

// One page, the raster at its size in points.
int WritePdfToSink(FileSink& sink, cairo_surface_t* image, int widthPixels, int heightPixels,
                   int dotsPerInch) {
    const double scale = kPointsPerInch / dotsPerInch;
    return WritePdfThroughSink(sink, widthPixels * scale, heightPixels * scale, [&](cairo_t* cr) {
        cairo_scale(cr, scale, scale);
        cairo_set_source_surface(cr, image, 0, 0);
        // Device pixels stay sharp: the page is a raster, not a picture to be smoothed.
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_show_page(cr);
        return true;
    });
}

bool Report(bool written, const std::string& why, std::string* reason) {
    if (!written && reason != nullptr) *reason = why;
    return written;
}

}  // namespace

cairo_surface_t* PageSurface(const std::uint8_t* rgb, int widthPixels, int heightPixels) {
    cairo_surface_t* image =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, widthPixels, heightPixels);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return nullptr;
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
    return image;
}

bool WritePng(const std::string& path, const std::uint8_t* rgb, int width, int height,
              std::string* reason) {
    if (rgb == nullptr || width <= 0 || height <= 0) return Report(false, "nothing to write", reason);
    std::string why;
    const bool written = WriteFileAtomically(
        path,
        [&](std::FILE* file) {
            FileSink sink{file};
            return WritePngRows(sink, rgb, width, height);
        },
        why);
    return Report(written, why, reason);
}

bool WritePdfPage(const std::string& path, const std::uint8_t* rgb, int widthPixels,
                  int heightPixels, int dotsPerInch, std::string* reason) {
    if (rgb == nullptr || widthPixels <= 0 || heightPixels <= 0 || dotsPerInch <= 0) {
        return Report(false, "nothing to write", reason);
    }
    // The page is drawn before the file is created, so a page that cannot be drawn leaves
    // no trace on disk.
    cairo_surface_t* image = PageSurface(rgb, widthPixels, heightPixels);
    if (image == nullptr) return Report(false, "out of memory", reason);
    std::string why;
    const bool written = WriteFileAtomically(
        path,
        [&](std::FILE* file) {
            FileSink sink{file};
            return WritePdfToSink(sink, image, widthPixels, heightPixels, dotsPerInch);
        },
        why);
    cairo_surface_destroy(image);
    return Report(written, why, reason);
}

int WritePdfPages(std::FILE* file, double widthPoints, double heightPoints,
                  const std::function<bool(cairo_t*)>& drawPages) {
    FileSink sink{file};
    return WritePdfThroughSink(sink, widthPoints, heightPoints, drawPages);
}

}  // namespace kolo
