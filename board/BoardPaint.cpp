// Painting: the canvas, thumbnail and swatch are composed into the skin bitmap, which is the
// off-screen buffer, and the part asked for goes to the target in one block transfer so that
// no half-drawn state is ever shown.
#include "board/ColouringBoard.h"

#include <algorithm>
#include <string>

#include "resources/ResourceIds.h"

namespace kolo {
namespace {

constexpr int kProgressBandHeight = 24;              // pixels of the progress line
constexpr ColourRef kProgressBandColour = 0x00FFFFFF;
constexpr std::uint8_t kFrameKey = 255;   // white: the frame's see-through colour

}  // namespace

Rect ColouringBoard::NoteCanvasFill(std::uint64_t before, const Rect& changed) {
    // A line pixel next to the area shows its colour halved, so one pixel around it changes.
    const Rect grown{std::max(changed.left - 1, 0), std::max(changed.top - 1, 0),
                     std::min(changed.right + 1, canvas_.Width()),
                     std::min(changed.bottom + 1, canvas_.Height())};
    // Only a kept canvas that was current before the fill can be brought up to date by
    // recomposing where the fill went; any other is made whole again anyway.
    if (composedFromCanvas_ == before) {
        composedFromCanvas_ = canvas_.Generation();
        composeAgain_ = Union(composeAgain_, grown);
    }
    if (canvas_.Width() == canvasRect_.Width() && canvas_.Height() == canvasRect_.Height()) {
        return Rect{canvasRect_.left + grown.left, canvasRect_.top + grown.top,
                    canvasRect_.left + grown.right, canvasRect_.top + grown.bottom};
    }
    // A canvas of another size is stretched onto the rectangle; a nearest sample may come
    // from one pixel further along.
    const auto across = [this](int x) {
        return canvasRect_.left + static_cast<int>(std::int64_t{x} * canvasRect_.Width() / canvas_.Width());
    };
    const auto down = [this](int y) {
        return canvasRect_.top + static_cast<int>(std::int64_t{y} * canvasRect_.Height() / canvas_.Height());
    };
    return Intersect(Rect{across(grown.left) - 1, down(grown.top) - 1, across(grown.right) + 2,
                          down(grown.bottom) + 2},
                     canvasRect_);
}

Rect ColouringBoard::ComposeCanvas() {
    const Rect again = composeAgain_;
    composeAgain_ = Rect{};
    const bool current = composedCanvas_.HasPicture() &&
                         composedFromSource_ == sourcePicture_.Generation() &&
                         composedFromCanvas_ == canvas_.Generation() &&
                         composedFromFrame_ == blankCanvas_.Generation() &&
                         canvas_.Width() == sourcePicture_.Width() &&
                         canvas_.Height() == sourcePicture_.Height();
    if (current) {
        if (again.IsEmpty()) return again;
        composedCanvas_.CopyArea(sourcePicture_, again);
        canvas_.ComposeOnto(composedCanvas_, again);
        blankCanvas_.OverlayOnto(kFrameKey, kFrameKey, kFrameKey, composedCanvas_, again);
        return again;
    }
    composedCanvas_ = sourcePicture_;
    canvas_.ComposeOnto(composedCanvas_);
    // The frame's wood stays on top of the picture and of painted areas.
    blankCanvas_.OverlayOnto(kFrameKey, kFrameKey, kFrameKey, composedCanvas_);
    composedFromSource_ = sourcePicture_.Generation();
    composedFromCanvas_ = canvas_.Generation();
    composedFromFrame_ = blankCanvas_.Generation();
    skinShowsCanvas_ = nullptr;   // the skin needs all of it
    return Rect{0, 0, composedCanvas_.Width(), composedCanvas_.Height()};
}

void ColouringBoard::Paint(DrawingSurface& target, const Rect& bounds, const Rect& invalid) {
    boundsRect_ = bounds;
    if (!skin_) return;
    if (pictures_.empty() && !loading_ && skinShowsThumbnail_) {
        // An earlier folder's thumbnail or progress is still drawn into the skin: an empty
        // folder starts again from the bare skin.
        if (std::unique_ptr<DeviceBitmap> bare = resources_.LoadBitmap(kIdSkin)) {
            skin_ = std::move(bare);
            skinShowsCanvas_ = nullptr;
        }
        skinShowsThumbnail_ = false;
    }
    DrawingSurface* surface = skin_->DrawingTarget();
    if (surface == nullptr) return;

    if (HasCanvasPicture()) {
        // The skin keeps what was drawn into it, so only what changed is drawn again, when
        // the kept canvas maps one to one onto the canvas rectangle.
        const Rect changed = ComposeCanvas();
        const bool oneToOne = composedCanvas_.Width() == canvasRect_.Width() &&
                              composedCanvas_.Height() == canvasRect_.Height();
        if (skinShowsCanvas_ != skin_.get() || !oneToOne) {
            composedCanvas_.Draw(*surface, canvasRect_);
        } else if (!changed.IsEmpty()) {
            composedCanvas_.DrawPart(*surface, changed,
                                     Rect{canvasRect_.left + changed.left, canvasRect_.top + changed.top,
                                          canvasRect_.left + changed.right,
                                          canvasRect_.top + changed.bottom});
        }
        skinShowsCanvas_ = skin_.get();
    } else {
        CDibImage view(blankCanvas_);
        view.Draw(*surface, canvasRect_);
        surface->DrawText(kNoImageText, canvasRect_, TextPlacement::kTop);
        skinShowsCanvas_ = nullptr;
    }
    if (!pictures_.empty()) {
        // The framed thumbnail changes only with the index or the list, so it is kept from
        // one paint to the next instead of being scaled down again every time.
        if (thumbnailIndex_ != pictureIndex_) {
            thumbnail_ = pictures_[static_cast<std::size_t>(pictureIndex_)].Image();
            thumbnail_.Resize(thumbnailRect_.Width(), thumbnailRect_.Height());
            blankThumbnail_.OverlayOnto(255, 255, 255, thumbnail_);
            thumbnailIndex_ = pictureIndex_;
        }
        thumbnail_.Draw(*surface, thumbnailRect_);
        skinShowsThumbnail_ = true;
    }
    if (loading_ && loadBegun_) {
        // How far the folder is, over the thumbnail's lower part, below where arrows sit.
        const std::string progress = std::to_string(loadDone_) + " / " + std::to_string(loadTotal_);
        Rect band = thumbnailRect_;
        band.top = band.bottom - kProgressBandHeight;
        surface->FillRect(band, kProgressBandColour);
        surface->DrawText(progress, band, TextPlacement::kMiddle);
        skinShowsThumbnail_ = true;
    }

    surface->FillRect(swatchRect_, selectedColour_);

    // The skin holds the whole board; only the part asked for goes to the target, whose
    // origin the board's is, wherever `bounds` lies.
    const Rect asked{invalid.left - bounds.left, invalid.top - bounds.top,
                     invalid.right - bounds.left, invalid.bottom - bounds.top};
    const Rect copy = Intersect(asked, Rect{0, 0, bounds.Width(), bounds.Height()});
    if (!copy.IsEmpty()) target.DrawBitmap(*skin_, copy, copy.left, copy.top);
}

}  // namespace kolo
