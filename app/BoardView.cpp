#include "app/BoardView.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "board/BoardLayout.h"
#include "platform/soft/FramebufferContext.h"

namespace kolo {
namespace {

constexpr double kWorkAreaShare = 0.85;   // of the monitor the first window may take
// The letterbox: a calm grey that lets the board's own colours stand out.
constexpr double kBackgroundGrey = 0.18;

}  // namespace

BoardPlacement FitBoard(int width, int height) {
    BoardPlacement placement;
    if (width <= 0 || height <= 0) return placement;
    placement.scale = std::min(static_cast<double>(width) / kBoardWidth,
                               static_cast<double>(height) / kBoardHeight);
    placement.width = static_cast<int>(std::floor(kBoardWidth * placement.scale + 1e-9));
    placement.height = static_cast<int>(std::floor(kBoardHeight * placement.scale + 1e-9));
    placement.left = (width - placement.width) / 2;
    placement.top = (height - placement.height) / 2;
    return placement;
}

bool MapToBoard(const BoardPlacement& placement, double x, double y, int& boardX, int& boardY) {
    if (placement.scale <= 0) return false;
    const double bx = std::floor((x - placement.left) / placement.scale + 1e-9);
    const double by = std::floor((y - placement.top) / placement.scale + 1e-9);
    if (bx < 0 || by < 0 || bx >= kBoardWidth || by >= kBoardHeight) return false;
    boardX = static_cast<int>(bx);
    boardY = static_cast<int>(by);
    return true;
}

int FirstWindowScale(int workWidth, int workHeight) {
    const double width = workWidth * kWorkAreaShare;
    const double height = workHeight * kWorkAreaShare;
    int scale = 1;
    while (kBoardWidth * (scale + 1) <= width && kBoardHeight * (scale + 1) <= height) ++scale;
    return scale;
}

BoardView::BoardView()
    : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kBoardWidth, kBoardHeight)) {}

BoardView::~BoardView() {
    cairo_surface_destroy(surface_);
    DropCanvas();
}

int DetailForScale(double scale) {
    return std::clamp(static_cast<int>(std::ceil(scale - 1e-6)), 1, kMaxDetail);
}

namespace {

// Device pixel where board pixel `at` starts, from the board's corner.
int DeviceOf(int at, double scale) { return static_cast<int>(std::floor(at * scale + 1e-9)); }

// The canvas rectangle in device pixels, from the board's corner.
Rect DeviceCanvas(double scale) {
    return Rect{DeviceOf(kCanvasRect.left, scale), DeviceOf(kCanvasRect.top, scale),
                DeviceOf(kCanvasRect.right, scale), DeviceOf(kCanvasRect.bottom, scale)};
}

}  // namespace

void BoardView::DropCanvas() {
    if (canvas_ != nullptr) cairo_surface_destroy(canvas_);
    canvas_ = nullptr;
    canvasScale_ = 0;
}

void BoardView::UpdateCanvas(const ColouringBoard& board, const BoardPlacement& placement,
                             const RectList& changed) {
    const double scale = placement.scale;
    if (scale <= 1.0 + 1e-9 || !board.HasCanvasPicture()) {
        DropCanvas();
        return;
    }
    // The screen's changes over its canvas, as the board's own canvas pixels.
    RectList areas;
    const int shift = canvasPlace_.left - kCanvasRect.left;
    for (const Rect& area : changed.Within(canvasPlace_)) {
        areas.Add(Rect{area.left - shift, area.top, area.right - shift, area.bottom});
    }
    if (canvas_ == nullptr || std::fabs(canvasScale_ - scale) > 1e-9) {
        DropCanvas();
        const Rect device = DeviceCanvas(scale);
        canvas_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, device.Width(), device.Height());
        if (cairo_surface_status(canvas_) != CAIRO_STATUS_SUCCESS) {
            DropCanvas();
            return;
        }
        canvasScale_ = scale;
        areas = RectList{kCanvasRect};
    }
    for (const Rect& area : areas) DrawCanvasPart(board, area);
}

void BoardView::DrawCanvasPart(const ColouringBoard& board, const Rect& area) {
    const double scale = canvasScale_;
    const Rect device = DeviceCanvas(scale);
    const int left = DeviceOf(area.left, scale), top = DeviceOf(area.top, scale);
    FramebufferContext part(DeviceOf(area.right, scale) - left, DeviceOf(area.bottom, scale) - top);
    part.SetScale(scale);
    board.DrawCanvas(part, area, -left, -top);
    cairo_surface_flush(canvas_);
    unsigned char* bytes = cairo_image_surface_get_data(canvas_);
    const int stride = cairo_image_surface_get_stride(canvas_);
    const int x0 = left - device.left, y0 = top - device.top;
    for (int y = 0; y < part.Height(); ++y) {
        const std::uint8_t* in = part.Row(y);
        auto* out = reinterpret_cast<std::uint32_t*>(bytes + static_cast<std::size_t>(y0 + y) * stride) + x0;
        for (int x = 0; x < part.Width(); ++x, in += 3) {
            out[x] = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
        }
    }
    cairo_surface_mark_dirty_rectangle(canvas_, x0, y0, part.Width(), part.Height());
}

Rect ShownArea(const BoardPlacement& placement, const Rect& changed) {
    if (changed.Width() <= 0 || changed.Height() <= 0 || placement.scale <= 0) return {};
    const int reach = static_cast<int>(std::ceil(placement.scale)) + 1;
    const auto at = [&](int board, int origin) {
        return origin + static_cast<int>(std::floor(board * placement.scale));
    };
    return Rect{at(changed.left, placement.left) - reach, at(changed.top, placement.top) - reach,
                at(changed.right, placement.left) + reach,
                at(changed.bottom, placement.top) + reach};
}

RectList BoardView::Update(const ScreenContext& screen, const RectList& changed) {
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return {};
    const RectList areas = (fresh_ ? RectList{kBoardRect} : changed)
                               .Within(Rect{0, 0, std::min(screen.Width(), kBoardWidth),
                                            std::min(screen.Height(), kBoardHeight)});
    fresh_ = false;
    if (areas.IsEmpty()) return {};
    cairo_surface_flush(surface_);
    unsigned char* bytes = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    for (const Rect& area : areas) {
        for (int y = area.top; y < area.bottom; ++y) {
            const std::uint8_t* in = screen.Row(y) + area.left * 3;
            auto* out =
                reinterpret_cast<std::uint32_t*>(bytes + static_cast<std::size_t>(y) * stride);
            for (int x = area.left; x < area.right; ++x, in += 3) {
                out[x] = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
            }
        }
        cairo_surface_mark_dirty_rectangle(surface_, area.left, area.top, area.Width(),
                                           area.Height());
    }
    return areas;
}

void BoardView::Draw(cairo_t* cr, int width, int height) const {
    const BoardPlacement placement = FitBoard(width, height);
    cairo_save(cr);
    cairo_set_source_rgb(cr, kBackgroundGrey, kBackgroundGrey, kBackgroundGrey);
    cairo_paint(cr);
    if (placement.width > 0 && placement.height > 0) {
        cairo_rectangle(cr, placement.left, placement.top, placement.width, placement.height);
        cairo_clip(cr);
        cairo_translate(cr, placement.left, placement.top);
        cairo_scale(cr, placement.scale, placement.scale);
        cairo_set_source_surface(cr, surface_, 0, 0);
        const bool whole = std::fabs(placement.scale - std::round(placement.scale)) < 1e-9;
        cairo_pattern_set_filter(cairo_get_source(cr),
                                 whole ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
        // Past the board's edge the smoothing must not fade into transparent black.
        if (!whole) cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
        cairo_paint(cr);
        if (canvas_ != nullptr && std::fabs(canvasScale_ - placement.scale) < 1e-9) {
            // The canvas over it at the device's own pixels, one to one.
            cairo_scale(cr, 1.0 / placement.scale, 1.0 / placement.scale);
            Rect device = DeviceCanvas(placement.scale);
            const int left = DeviceOf(canvasPlace_.left, placement.scale);
            device = Rect{left, device.top, left + device.Width(), device.bottom};
            cairo_set_source_surface(cr, canvas_, device.left, device.top);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
            cairo_rectangle(cr, device.left, device.top, device.Width(), device.Height());
            cairo_fill(cr);
        }
    }
    cairo_restore(cr);
}

}  // namespace kolo
