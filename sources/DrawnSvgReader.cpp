#include "sources/DrawnSvgReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/ImageLimits.h"

namespace kolo {
namespace {

constexpr char kTicketMagic[4] = {'K', 'S', 'V', 'G'};

// A page much larger than its fit has one-unit lines far thinner than a pixel there: drawn
// anti-aliased at the fit they come out as light greys above kLineLevel, and fills run
// through them. Up to this ratio an anti-aliased one-unit line still covers enough of a pixel.
constexpr double kAntialiasedRatio = 1.4;   // page size / fitted size
// Beyond it the page is drawn without anti-aliasing, larger than the fit (at most its own
// size), where the browser draws every line at least one pixel wide; the line-keeping shrink
// then keeps it dark. Below two drawn pixels a fitted one edges would show steps, so such a
// page is drawn anti-aliased, as large as the limits allow.
constexpr double kMinSamples = 2;       // drawn pixels to a fitted one, each way
constexpr double kMaxOversample = 4;
// What one drawing may take: sixteen canvases, about 12 MB of the core's memory, the only
// block that grows with the page; the browser's own surface is outside it.
constexpr double kMaxDrawnPixels = 16.0 * 572 * 452;

SvgDrawer g_drawer = nullptr;

struct Ticket {
    std::uint32_t page;
    std::int32_t width;
    std::int32_t height;
};

std::uint32_t ReadU32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

bool ReadTicket(const std::uint8_t* data, std::size_t size, Ticket& ticket) {
    if (data == nullptr || size != kSvgTicketBytes || std::memcmp(data, kTicketMagic, 4) != 0) return false;
    const std::uint32_t width = ReadU32(data + 8), height = ReadU32(data + 12);
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) return false;
    ticket = Ticket{ReadU32(data + 4), static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
    return true;
}

struct Drawing {
    FitSize fit;        // the picture handed back
    FitSize drawn;      // the drawing it is shrunk from
    bool crisp;
};

// How `ticket`'s page is drawn for a fit in fitWidth × fitHeight (0: its own size, within the
// picture limits).
Drawing DrawingFor(const Ticket& ticket, std::int32_t fitWidth, std::int32_t fitHeight) {
    if (fitWidth <= 0 || fitHeight <= 0) {
        const double pixels = static_cast<double>(ticket.width) * ticket.height;
        const double scale = std::min(1.0, std::sqrt(kMaxImagePixels / pixels));
        fitWidth = std::max(1, static_cast<std::int32_t>(ticket.width * scale));
        fitHeight = std::max(1, static_cast<std::int32_t>(ticket.height * scale));
    }
    const FitSize fit = FitInside(ticket.width, ticket.height, fitWidth, fitHeight);
    const double ratio = std::min(static_cast<double>(ticket.width) / fit.width,
                                  static_cast<double>(ticket.height) / fit.height);
    if (ratio <= kAntialiasedRatio) return Drawing{fit, fit, false};
    const double scale =
        std::min({ratio, kMaxOversample, std::sqrt(kMaxDrawnPixels / (static_cast<double>(fit.width) * fit.height)),
                  static_cast<double>(kMaxImageSide) / std::max(fit.width, fit.height)});
    if (scale < 1) return Drawing{fit, fit, false};
    const FitSize drawn{static_cast<std::int32_t>(std::floor(fit.width * scale)),
                        static_cast<std::int32_t>(std::floor(fit.height * scale))};
    return Drawing{fit, drawn, scale >= kMinSamples};
}

int Load(CDibImage& image, const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
         std::int32_t fitHeight) {
    image.Release();
    Ticket ticket{};
    if (g_drawer == nullptr || !ReadTicket(data, size, ticket)) return 0;
    const Drawing drawing = DrawingFor(ticket, fitWidth, fitHeight);
    if (image.Reallocate(drawing.drawn.width, drawing.drawn.height) == 0 ||
        g_drawer(ticket.page, drawing.drawn.width, drawing.drawn.height, drawing.crisp, image.Pixels(),
                 image.Stride()) == 0) {
        image.Release();
        return 0;
    }
    if (drawing.drawn.width != drawing.fit.width || drawing.drawn.height != drawing.fit.height) {
        image = image.Resized(drawing.fit.width, drawing.fit.height);
    }
    return image.HasPicture() ? 1 : 0;
}

}  // namespace

void SetSvgDrawer(SvgDrawer drawer) { g_drawer = drawer; }

std::vector<std::uint8_t> MakeSvgTicket(std::uint32_t page, std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> ticket(kTicketMagic, kTicketMagic + 4);
    for (const std::uint32_t value : {page, width, height}) {
        for (int shift = 0; shift < 32; shift += 8) ticket.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    return ticket;
}

int LoadDrawnSvgBytes(CDibImage& image, const std::uint8_t* data, std::size_t size) {
    return Load(image, data, size, 0, 0);
}

int LoadDrawnSvgBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                           std::int32_t fitWidth, std::int32_t fitHeight) {
    if (fitWidth < 1 || fitHeight < 1) return 0;
    return Load(image, data, size, fitWidth, fitHeight);
}

DecodeCost DrawnSvgDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                              std::int32_t fitHeight) {
    Ticket ticket{};
    if (!ReadTicket(data, size, ticket)) return DecodeCost{};
    const Drawing drawing = DrawingFor(ticket, fitWidth, fitHeight);
    return DecodeCost{drawing.fit.width, drawing.fit.height,
                      PictureBytes(drawing.drawn.width, drawing.drawn.height) +
                          FitBytes(drawing.drawn.width, drawing.drawn.height, drawing.fit.width, drawing.fit.height)};
}

}  // namespace kolo
