// Printing the coloured picture on one page, inside one-inch margins.
#include "board/ColouringBoard.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kolo {

Rect PrintDestination(int horzRes, int vertRes, int dpiX, int dpiY, std::int32_t pictureWidth,
                      std::int32_t pictureHeight) {
    const int printableWidth = horzRes - 2 * dpiX;
    const int printableHeight = vertRes - 2 * dpiY;
    // Without a picture its proportions are undefined: the placeholder takes the whole
    // printable area.
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        return Rect{dpiX, dpiY, horzRes - dpiX, vertRes - dpiY};
    }
    const double aspect = static_cast<double>(pictureWidth) / pictureHeight;
    const int width = static_cast<int>(std::trunc(printableHeight * aspect + 0.5));
    if (width > printableWidth) {
        // Relatively wider than the area: fit the width and centre vertically.
        const int height = static_cast<int>(std::trunc(printableWidth / aspect + 0.5));
        const int top = dpiY + ((printableHeight - height) >> 1);
        return Rect{dpiX, top, horzRes - dpiX, top + height - 1};
    }
    const int left = dpiX + ((printableWidth - width) >> 1);
    return Rect{left, dpiY, left + width - 1, vertRes - dpiY};
}

void ColouringBoard::Print() { host_.PrintPicture(); }

Rect ColouringBoard::PrintPlacement(int pageWidth, int pageHeight, int dpiX, int dpiY) const {
    const bool hasPicture = sourcePicture_.HasPicture();
    return PrintDestination(pageWidth, pageHeight, dpiX, dpiY,
                            hasPicture ? sourcePicture_.Width() : 0,
                            hasPicture ? sourcePicture_.Height() : 0);
}

namespace {

// `page`'s colours over `picture`, drawn into `rect`.
void DrawComposed(DrawingSurface& surface, const Rect& rect, CDibImage picture,
                  const CDibImage& page) {
    const Rect source{0, 0, picture.Width(), picture.Height()};
    page.ComposeOnto(picture);
    // A picture held at more detail than the page shows is averaged down, so that its curves
    // stay smooth instead of losing rows and columns; an enlarged one keeps its sharp pixels.
    const bool shrunk = rect.Width() < source.Width() || rect.Height() < source.Height();
    surface.DrawImage(picture.Header(), picture.Pixels(), source, rect,
                      shrunk ? ImageFilter::kArea : ImageFilter::kNearest);
}

}  // namespace

void ColouringBoard::DrawPictureInto(DrawingSurface& surface, const Rect& rect) const {
    if (!sourcePicture_.HasPicture()) {
        surface.FillRect(rect, 0x00FFFFFF);
        surface.DrawText(noImageText_, rect, TextPlacement::kTop);
        return;
    }
    DrawComposed(surface, rect, sourcePicture_, canvas_);
}

void ColouringBoard::DrawPictureInto(DrawingSurface& surface, const Rect& rect,
                                     int detail) const {
    detail = std::clamp(detail, 1, kMaxDetail);
    if (detail > canvasDetail_) {
        CDibImage picture;
        const CDibImage page = CanvasAtDetail(detail, picture);
        // Without memory for it the page shows the picture as the board holds it.
        if (page.HasPicture()) {
            DrawComposed(surface, rect, std::move(picture), page);
            return;
        }
    }
    DrawPictureInto(surface, rect);
}

}  // namespace kolo
