// SVG pages: plain line-art pages through our own reader (SvgPage), which reads them several
// times faster than librsvg and draws them with cairo; every other page through librsvg. Both
// draw at the same size, the same way, so a page looks the same whichever reads it. The bytes are parsed from memory with no base address: librsvg
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
#include <string_view>
#include <system_error>
#include <thread>

#include "image/ImageLimits.h"
#include "sources/SvgPage.h"

namespace kolo {
namespace {

// A page larger than its fit is drawn larger still and shrunk by the fit that keeps line
// pixels, so that a line one unit wide stays a line on the canvas wherever it falls.
// Anti-aliased, such a line must cover 0.7 of a pixel, or falling across two rows it leaves
// neither of them kLineLevel dark; that holds at the fitted size itself up to this ratio.
constexpr double kAntialiasedRatio = 1.4;   // page size / fitted size
// Beyond it the page is drawn without anti-aliasing at its own size, up to kMaxOversample times
// the fit and kMaxDrawnPixels, where a one-unit line always covers the centre of a pixel on
// each row or column it crosses; the shrink averages those pixels, at least 2 × 2 of them.
constexpr double kMinSamples = 2;       // drawn pixels to a fitted one, each way
constexpr double kMaxOversample = 4;    // the same at the most
constexpr double kMaxDrawnPixels = 16.0 * 572 * 452;   // sixteen canvases
constexpr char kWithoutAntialiasing[] = "svg { shape-rendering: crispEdges; }";
// A page is split between threads only when it is long enough for the drawing to outweigh a
// second parse of it, and drawn tall enough for bands of some height.
constexpr std::size_t kMinBandBytes = 16 * 1024;
// Rows each band draws beyond its own: cairo cuts a stroke at the edge of what it draws and
// starts the cut edges afresh there, which moves pixels near the cut by a few levels; past
// this many rows they agree with a drawing in one piece to within one level.
constexpr std::int32_t kBandOverlap = 64;
constexpr std::int32_t kMinBandRows = 64;   // drawn rows each thread takes at the least
constexpr std::uint64_t kReadBytesPerByte = 8;   // memory a page read by our reader holds per byte

struct HandleDeleter {
    void operator()(RsvgHandle* handle) const { g_object_unref(handle); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Handle = std::unique_ptr<RsvgHandle, HandleDeleter>;

// How a page is drawn before the fit: its size, and whether its shapes are anti-aliased.
struct Drawing {
    std::int32_t width;
    std::int32_t height;
    bool crisp;   // shapes without anti-aliasing, unless the page asks for it
};

// The page parsed from memory, null for bytes that are no SVG page.
Handle Parse(const std::uint8_t* data, std::size_t size) {
    GError* error = nullptr;
    Handle handle(rsvg_handle_new_from_data(data, size, &error));
    if (error != nullptr) g_error_free(error);
    if (handle) rsvg_handle_set_dpi(handle.get(), 96);
    return handle;
}

// Has the page's shapes drawn without anti-aliasing for a crisp drawing. A user style sheet:
// the page's own shape-rendering, where it has one, still wins.
bool Prepare(RsvgHandle* handle, const Drawing& drawing) {
    return !drawing.crisp ||
           rsvg_handle_set_stylesheet(handle, reinterpret_cast<const guint8*>(kWithoutAntialiasing),
                                      sizeof kWithoutAntialiasing - 1, nullptr);
}

// How a page of width × height (its own pixels) is drawn for `fit`.
Drawing DrawingFor(double width, double height, FitSize fit) {
    const double ratio = std::min(width / fit.width, height / fit.height);
    if (ratio <= kAntialiasedRatio) return Drawing{fit.width, fit.height, false};
    const double scale =
        std::min({std::max(ratio, kMinSamples), kMaxOversample,
                  std::sqrt(kMaxDrawnPixels / (static_cast<double>(fit.width) * fit.height)),
                  static_cast<double>(kMaxImageSide) / std::max(fit.width, fit.height)});
    // Fewer samples than that would show steps on edges: drawn anti-aliased instead, as large
    // as the limits allow.
    return Drawing{static_cast<std::int32_t>(std::floor(fit.width * std::max(scale, 1.0))),
                   static_cast<std::int32_t>(std::floor(fit.height * std::max(scale, 1.0))),
                   scale >= kMinSamples};
}

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

// Whether the page may draw text. Cairo's glyph caches are shared by every thread, and two
// threads drawing the same glyphs at once have been seen to crash it, so such a page is drawn
// on one thread; a stray word "text" elsewhere only costs the second thread.
bool MayDrawText(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = text.find("text", 1); at != std::string_view::npos; at = text.find("text", at + 1)) {
        if (text[at - 1] == '<' || text[at - 1] == ':') return true;
    }
    return false;
}

// Draws rows top to bottom - 1 of the page drawn at width × height, over white, into the same
// rows of `pixels` (an image of that size); draw(cr, from) draws the page with row `from` at the
// top of cr's surface. Cairo leaves out whatever falls outside the band's surface before it
// rasterises it, so each band costs about its share of the lines.
template <typename Draw>
bool DrawBand(Draw draw, std::uint8_t* pixels, std::size_t stride, std::int32_t width,
              std::int32_t height, std::int32_t top, std::int32_t bottom) {
    const std::int32_t from = std::max(0, top - kBandOverlap);
    const std::int32_t to = std::min(height, bottom + kBandOverlap);
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, to - from));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
    std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    if (!draw(cr.get(), from) || cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return false;
    cairo_surface_flush(surface.get());
    // Cairo's rows run top down, four bytes a pixel (blue, green, red, unused in memory order).
    const unsigned char* rows = cairo_image_surface_get_data(surface.get());
    const int rowBytes = cairo_image_surface_get_stride(surface.get());
    for (std::int32_t y = top; y < bottom; ++y) {
        const unsigned char* s = rows + static_cast<std::ptrdiff_t>(rowBytes) * (y - from);
        std::uint8_t* d = pixels + stride * static_cast<std::size_t>(height - 1 - y);
        for (std::int32_t x = 0; x < width; ++x, s += 4, d += 3) std::memcpy(d, s, 3);
    }
    return true;
}

// Draws the page over white into a drawing-sized image: in one band, or the upper half on this
// thread and the lower half on a second one. band(top, bottom, helper) draws the rows.
template <typename Band>
int Render(CDibImage& image, const Drawing& drawing, bool split, Band band) {
    const std::int32_t width = drawing.width, height = drawing.height;
    if (!IsAcceptableImageSize(width, height) || !image.Reallocate(width, height)) return 0;
    if (!split || height < 2 * kMinBandRows) return band(0, height, false) ? 1 : 0;
    const std::int32_t middle = height / 2;
    bool lowerDrawn = false;
    const auto drawLower = [&] { lowerDrawn = band(middle, height, true); };
    std::thread helper;
    try {
        helper = std::thread(drawLower);
    } catch (const std::system_error&) {
        drawLower();   // no thread to be had: the same work, one band after the other
    }
    const bool upperDrawn = band(0, middle, false);
    if (helper.joinable()) helper.join();
    return upperDrawn && lowerDrawn ? 1 : 0;
}

// Draws the page through librsvg; the second thread parses a handle of its own (librsvg's
// handles are not to be shared between threads).
int RenderWithLibrsvg(RsvgHandle* handle, const std::uint8_t* data, std::size_t size, CDibImage& image,
                      const Drawing& drawing, int threads) {
    const std::int32_t width = drawing.width, height = drawing.height;
    const auto draw = [width, height](RsvgHandle* h) {
        return [h, width, height](cairo_t* cr, std::int32_t from) {
            cairo_translate(cr, 0, -from);
            const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
            GError* error = nullptr;
            const gboolean drawn = rsvg_handle_render_document(h, cr, &viewport, &error);
            if (error != nullptr) g_error_free(error);
            return drawn != FALSE;
        };
    };
    const bool split = threads >= 2 && size >= kMinBandBytes && !MayDrawText(data, size);
    return Render(image, drawing, split, [&](std::int32_t top, std::int32_t bottom, bool helper) {
        if (!helper) return DrawBand(draw(handle), image.Pixels(), image.Stride(), width, height, top, bottom);
        const Handle own = Parse(data, size);
        return own && Prepare(own.get(), drawing) &&
               DrawBand(draw(own.get()), image.Pixels(), image.Stride(), width, height, top, bottom);
    });
}

// Draws a page our own reader took, both bands from the one reading.
int RenderPage(const SvgPage& page, std::size_t size, CDibImage& image, const Drawing& drawing, int threads) {
    const auto draw = [&](cairo_t* cr, std::int32_t from) {
        return DrawSvgPage(page, cr, drawing.width, drawing.height, from, drawing.crisp);
    };
    return Render(image, drawing, threads >= 2 && size >= kMinBandBytes,
                  [&](std::int32_t top, std::int32_t bottom, bool) {
                      return DrawBand(draw, image.Pixels(), image.Stride(), drawing.width, drawing.height, top, bottom);
                  });
}

// Reads the page and draws it at the size `sizeFor` gives for its own size: with our own
// reader where the page keeps to what it reads, through librsvg otherwise.
template <typename SizeFor>
int Load(CDibImage& image, const std::uint8_t* data, std::size_t size, int threads, SizeFor sizeFor,
         bool librsvgOnly = false) {
    image.Release();
    if (data == nullptr || size == 0 || size > kMaxSvgBytes) return 0;
    FitSize fit{};
    Drawing drawing{};
    int drawn = 0;
    SvgPage page;
    bool ours = !librsvgOnly && ReadSvgPage(data, size, page);
    if (ours) {
        fit = sizeFor(page.width, page.height);
        drawing = DrawingFor(page.width, page.height, fit);
        ours = SvgPageDrawable(page, drawing.width, drawing.height);
    }
    if (ours) {
        drawn = RenderPage(page, size, image, drawing, threads);
    } else {
        page = SvgPage{};
        const Handle handle = Parse(data, size);
        if (!handle) return 0;
        double width = 0, height = 0;
        if (!PageSize(handle.get(), width, height)) return 0;
        fit = sizeFor(width, height);
        drawing = DrawingFor(width, height, fit);
        drawn = Prepare(handle.get(), drawing) && RenderWithLibrsvg(handle.get(), data, size, image, drawing, threads);
    }
    if (!drawn) {
        image.Release();
        return 0;
    }
    if (drawing.width != fit.width || drawing.height != fit.height) image = image.Resized(fit.width, fit.height);
    return image.HasPicture() ? 1 : 0;
}

// A length in pixels as a whole number from 1 to kMaxImageSide.
std::int64_t Pixels(double length) {
    return static_cast<std::int64_t>(std::clamp(std::round(length), 1.0, static_cast<double>(kMaxImageSide)));
}

}  // namespace

int LoadSvgBytes(CDibImage& image, const std::uint8_t* data, std::size_t size) {
    return Load(image, data, size, kSvgThreads, [](double width, double height) {
        // A page larger than a picture may be is drawn at the largest size that is allowed.
        const double scale = std::min(1.0, std::sqrt(static_cast<double>(kMaxImagePixels) / (width * height)));
        return FitInside(Pixels(width), Pixels(height), static_cast<std::int32_t>(Pixels(width * scale)),
                         static_cast<std::int32_t>(Pixels(height * scale)));
    });
}

int LoadSvgBytesToFitOnThreads(CDibImage& image, const std::uint8_t* data, std::size_t size,
                               std::int32_t fitWidth, std::int32_t fitHeight, int threads) {
    if (fitWidth < 1 || fitHeight < 1) return 0;
    return Load(image, data, size, threads, [fitWidth, fitHeight](double width, double height) {
        return FitInside(Pixels(width), Pixels(height), fitWidth, fitHeight);
    });
}

int LoadSvgBytesToFitWithLibrsvg(CDibImage& image, const std::uint8_t* data, std::size_t size,
                                 std::int32_t fitWidth, std::int32_t fitHeight, int threads) {
    if (fitWidth < 1 || fitHeight < 1) return 0;
    return Load(
        image, data, size, threads,
        [fitWidth, fitHeight](double width, double height) {
            return FitInside(Pixels(width), Pixels(height), fitWidth, fitHeight);
        },
        true);
}

int LoadSvgBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                      std::int32_t fitWidth, std::int32_t fitHeight) {
    return LoadSvgBytesToFitOnThreads(image, data, size, fitWidth, fitHeight, kSvgThreads);
}

DecodeCost SvgDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                         std::int32_t fitHeight) {
    if (data == nullptr || size == 0 || size > kMaxSvgBytes) return DecodeCost{};
    // The root element gives the size of a page our reader takes, without a parse of the rest.
    double width = 0, height = 0;
    if (!ReadSvgPageSize(data, size, width, height)) {
        const Handle handle = Parse(data, size);
        if (!handle || !PageSize(handle.get(), width, height)) return DecodeCost{};
    }
    const std::int64_t ownWidth = Pixels(width), ownHeight = Pixels(height);
    const FitSize fit = fitWidth > 0 && fitHeight > 0 ? FitInside(ownWidth, ownHeight, fitWidth, fitHeight)
                                                      : FitSize{static_cast<std::int32_t>(ownWidth),
                                                                static_cast<std::int32_t>(ownHeight)};
    // Cairo's surfaces at four bytes a pixel (each band with its overlap), the picture copied
    // from them, the fitted one, and the page as read (its outlines are about as many bytes as
    // a few times its text).
    const Drawing drawing = DrawingFor(width, height, fit);
    const std::int64_t drawn = static_cast<std::int64_t>(drawing.width) * drawing.height;
    const std::int64_t overlap = static_cast<std::int64_t>(drawing.width) * 2 * kBandOverlap;
    return DecodeCost{fit.width, fit.height,
                      4 * static_cast<std::uint64_t>(drawn + overlap) +
                          PictureBytes(drawing.width, drawing.height) + PictureBytes(fit.width, fit.height) +
                          kReadBytesPerByte * size};
}

}  // namespace kolo
