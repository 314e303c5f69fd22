// Printing the coloured picture on one page, inside one-inch margins.
#include "board/ColouringBoard.h"

#include <cmath>

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

void ColouringBoard::Print() {
    std::unique_ptr<DeviceContext> printer = host_.RunPrintDialog();
    if (!printer) return;
    // Every return below deletes the printer context with `printer`.
    if (printer->StartDoc(kPrintDocumentName) <= 0) return;
    if (printer->StartPage() <= 0) return;

    const int horzRes = printer->GetDeviceCaps(kHorzRes);
    const int vertRes = printer->GetDeviceCaps(kVertRes);
    const int dpiX = printer->GetDeviceCaps(kLogPixelsX);
    const int dpiY = printer->GetDeviceCaps(kLogPixelsY);
    if ((printer->GetDeviceCaps(kRasterCaps) & kRcBitBlt) == 0) {
        // The started job must not stay open on the spooler: drop it unprinted.
        printer->AbortDoc();
        return;
    }

    const bool hasPicture = sourcePicture_.HasPicture();
    const Rect destination =
        PrintDestination(horzRes, vertRes, dpiX, dpiY, hasPicture ? sourcePicture_.Width() : 0,
                         hasPicture ? sourcePicture_.Height() : 0);
    DrawPictureInto(*printer, destination);
    if (printer->EndPage() > 0) printer->EndDoc();
}

void ColouringBoard::DrawPictureInto(DeviceContext& dc, const Rect& rect) {
    if (!sourcePicture_.HasPicture()) {
        dc.FillSolidRect(rect, 0x00FFFFFF);
        dc.DrawText(kNoImageText, rect, kDtCenter | kDtVCenter);
        return;
    }
    const Rect source{0, 0, sourcePicture_.Width(), sourcePicture_.Height()};
    CDibImage view(sourcePicture_);
    canvas_.ComposeOnto(view);
    view.DrawPart(dc, source, rect);
}

}  // namespace kolo
