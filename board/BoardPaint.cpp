// Painting: the canvas, thumbnail and swatch are composed into the skin bitmap, which is the
// off-screen buffer, and the whole board goes to the target in one block transfer so that no
// half-drawn state is ever shown.
#include "board/ColouringBoard.h"

#include <string>

namespace kolo {
namespace {

constexpr int kProgressBandHeight = 24;              // pixels of the progress line
constexpr ColourRef kProgressBandColour = 0x00FFFFFF;

}  // namespace

void ColouringBoard::Paint(DeviceContext& target, const Rect& bounds, const Rect& invalid) {
    (void)invalid;   // the whole board is composed and copied on every paint
    boundsRect_ = bounds;
    std::unique_ptr<MemoryContext> surface = target.CreateCompatibleDC();
    if (!surface || !skin_) return;
    DeviceBitmap* previous = surface->SelectBitmap(skin_.get());

    if (HasCanvasPicture()) {
        CDibImage view(sourcePicture_);
        canvas_.ComposeOnto(view);
        // The frame's wood stays on top of the picture and of painted areas.
        blankCanvas_.OverlayOnto(255, 255, 255, view);
        view.Draw(*surface, canvasRect_);
    } else {
        CDibImage view(blankCanvas_);
        view.Draw(*surface, canvasRect_);
        surface->DrawText(kNoImageText, canvasRect_, kDtCenter | kDtVCenter);
    }

    if (!pictures_.empty()) {
        // The framed thumbnail changes only with the index or the list, so it is kept from
        // one paint to the next instead of being scaled down again every time.
        if (thumbnailIndex_ != pictureIndex_) {
            thumbnail_ = pictures_[static_cast<std::size_t>(pictureIndex_)];
            thumbnail_.Resize(thumbnailRect_.Width(), thumbnailRect_.Height());
            blankThumbnail_.OverlayOnto(255, 255, 255, thumbnail_);
            thumbnailIndex_ = pictureIndex_;
        }
        thumbnail_.Draw(*surface, thumbnailRect_);
    }
    if (loading_ && loadBegun_) {
        // How far the folder is, over the thumbnail's lower part, below where arrows sit.
        const std::string progress = std::to_string(loadDone_) + " / " + std::to_string(loadTotal_);
        Rect band = thumbnailRect_;
        band.top = band.bottom - kProgressBandHeight;
        surface->FillSolidRect(band, kProgressBandColour);
        surface->DrawText(progress.c_str(), band, kDtCenter | kDtVCenter | kDtSingleLine);
    }

    surface->FillSolidRect(swatchRect_, selectedColour_);

    target.BitBlt(0, 0, bounds.Width(), bounds.Height(), *surface, 0, 0);
    if (previous != nullptr) surface->SelectBitmap(previous);
}

}  // namespace kolo
