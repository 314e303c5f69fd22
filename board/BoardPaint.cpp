// Painting: the canvas, thumbnail and swatch are composed into the skin bitmap, which is the
// off-screen buffer, and the part asked for goes to the target in one block transfer so that
// no half-drawn state is ever shown.
#include "board/ColouringBoard.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"

namespace kolo {
namespace {

constexpr int kProgressBandHeight = 24;              // pixels of the progress line
constexpr ColourRef kProgressBandColour = 0x00FFFFFF;
constexpr std::uint8_t kFrameKey = 255;   // white: the frame's see-through colour
constexpr std::uint32_t kFrameKeyRgb = 0xFFFFFF;
constexpr Rect kWholePage{0, 0, std::numeric_limits<std::int32_t>::max(),
                          std::numeric_limits<std::int32_t>::max()};

// Makes again the thumbnail's pixels whose centres fall inside `area` of the page (canvas
// pixels, y from the top): the shrunk picture, coloured where the page pixel at the centre
// is coloured (multiplied with the picture, so that lines stay dark; the page's paper and
// lines leave it as it is), under the frame's pixels that are not white. Sampling the page
// instead of shrinking it keeps this cheap enough to follow every fill. All three images are
// the thumbnail's size; `page` may be null (no colouring).
void ComposeThumbnail(CDibImage& thumbnail, const CDibImage& picture, const CDibImage* page,
                      const CDibImage& frame, const Rect& area) {
    const std::int32_t width = thumbnail.Width(), height = thumbnail.Height();
    const std::int64_t pageWidth = page ? page->Width() : width;
    const std::int64_t pageHeight = page ? page->Height() : height;
    // The page pixel at the centre of thumbnail column x (or row y), and back.
    const auto sampleOf = [](std::int64_t i, std::int64_t from, std::int64_t to) {
        return (2 * i + 1) * to / (2 * from);
    };
    std::vector<std::int32_t> columns;   // byte offsets of the samples in a page row
    std::int32_t firstX = width, endX = 0;
    for (std::int32_t x = 0; x < width; ++x) {
        const std::int64_t sample = sampleOf(x, width, pageWidth);
        columns.push_back(static_cast<std::int32_t>(3 * sample));
        if (sample >= area.left && sample < area.right) {
            firstX = std::min(firstX, x);
            endX = x + 1;
        }
    }
    std::uint8_t* const pixels = thumbnail.Pixels();
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int64_t pageY = sampleOf(y, height, pageHeight);
        if (pageY < area.top || pageY >= area.bottom) continue;
        // Rows are stored bottom-up.
        const std::size_t bottomUp = static_cast<std::size_t>(height - 1 - y);
        std::uint8_t* out = pixels + thumbnail.Stride() * bottomUp;
        const std::uint8_t* in = picture.Pixels() + picture.Stride() * bottomUp;
        const std::uint8_t* wood = frame.Pixels() + frame.Stride() * bottomUp;
        const std::uint8_t* pageRow =
            page ? page->Pixels() + page->Stride() * static_cast<std::size_t>(pageHeight - 1 - pageY)
                 : nullptr;
        for (std::int32_t x = firstX; x < endX; ++x) {
            const std::int32_t at = 3 * x;
            if (wood[at] != 255 || wood[at + 1] != 255 || wood[at + 2] != 255) {
                std::memcpy(out + at, wood + at, 3);
                continue;
            }
            std::memcpy(out + at, in + at, 3);
            if (pageRow == nullptr) continue;
            const std::uint8_t* colour = pageRow + columns[static_cast<std::size_t>(x)];
            const unsigned sum = colour[0] + colour[1] + colour[2];
            if (sum == 0 || sum == 3 * 255) continue;
            for (int c = 0; c < 3; ++c) {
                out[at + c] = static_cast<std::uint8_t>((in[at + c] * colour[c] + 127) / 255);
            }
        }
    }
}

}  // namespace

Rect ColouringBoard::NoteCanvasFill(std::uint64_t before, const Rect& changed) {
    if (thumbnailCanvas_ == before && thumbnailIndex_ == canvasIndex_) {
        thumbnailCanvas_ = canvas_.Generation();
        thumbnailAgain_ = Union(thumbnailAgain_, changed);
    }
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
        OverlayFrame(again);
        return again;
    }
    // A kept canvas of the same size is written over rather than made again: a new block
    // would be cleared and faulted in page by page before the picture is copied into it.
    const Rect whole{0, 0, sourcePicture_.Width(), sourcePicture_.Height()};
    if (composedCanvas_.CopyArea(sourcePicture_, whole) == 0) composedCanvas_ = sourcePicture_;
    canvas_.ComposeOnto(composedCanvas_);
    // The frame's wood stays on top of the picture and of painted areas.
    OverlayFrame(whole);
    composedFromSource_ = sourcePicture_.Generation();
    composedFromCanvas_ = canvas_.Generation();
    composedFromFrame_ = blankCanvas_.Generation();
    skinShowsCanvas_ = nullptr;   // the skin needs all of it
    return Rect{0, 0, composedCanvas_.Width(), composedCanvas_.Height()};
}

void ColouringBoard::OverlayFrame(const Rect& area) {
    if (canvasDetail_ > 1 &&
        blankCanvas_.OverlayScaledOnto(kFrameKeyRgb, composedCanvas_, canvasDetail_, area) != 0) {
        return;
    }
    blankCanvas_.OverlayOnto(kFrameKey, kFrameKey, kFrameKey, composedCanvas_, area);
}

Rect ColouringBoard::ShowCanvas(const Rect& changed) {
    const int k = canvasDetail_;
    const std::int32_t width = composedCanvas_.Width() / k, height = composedCanvas_.Height() / k;
    const Rect area = Intersect(changed, Rect{0, 0, composedCanvas_.Width(), composedCanvas_.Height()});
    Rect blocks{area.left / k, area.top / k, (area.right + k - 1) / k, (area.bottom + k - 1) / k};
    if (!shownCanvas_.HasPicture() || shownCanvas_.Width() != width ||
        shownCanvas_.Height() != height) {
        if (!shownCanvas_.Allocate(width, height)) return {};
        blocks = Rect{0, 0, width, height};
    }
    composedCanvas_.AverageBlocksOnto(shownCanvas_, k, blocks);
    return blocks;
}

void ColouringBoard::DrawCanvas(DrawingSurface& target, const Rect& invalid, int originX,
                                int originY) const {
    if (!HasCanvasPicture() || !composedCanvas_.HasPicture()) return;
    const Rect part = Intersect(invalid, canvasRect_);
    if (part.IsEmpty()) return;
    const double scale = target.Scale();
    const auto device = [scale](std::int32_t at) {
        return static_cast<std::int32_t>(std::floor(at * scale + 1e-9));
    };
    const std::int64_t width = composedCanvas_.Width(), height = composedCanvas_.Height();
    const auto across = [&](std::int32_t x) {
        return static_cast<std::int32_t>((x - canvasRect_.left) * width / canvasRect_.Width());
    };
    const auto down = [&](std::int32_t y) {
        return static_cast<std::int32_t>((y - canvasRect_.top) * height / canvasRect_.Height());
    };
    target.DrawImage(composedCanvas_.Header(), composedCanvas_.Pixels(),
                     Rect{across(part.left), down(part.top), across(part.right), down(part.bottom)},
                     Rect{originX + device(part.left), originY + device(part.top),
                          originX + device(part.right), originY + device(part.bottom)},
                     ImageFilter::kArea);
}

void ColouringBoard::RefreshThumbnail(bool moved) {
    const bool showsCanvas = pictureIndex_ == canvasIndex_ && HasCanvasPicture();
    const Rect again = thumbnailAgain_;
    thumbnailAgain_ = Rect{};
    CDibImage keptPage;
    if (moved) {
        CDibImage picture = pictures_[static_cast<std::size_t>(pictureIndex_)].Image();
        if (!showsCanvas) keptPage = KeptPage(pictureIndex_, picture);
        thumbnailPicture_ = std::move(picture);
        thumbnailPicture_.Resize(thumbnailRect_.Width(), thumbnailRect_.Height());
    }
    const CDibImage* page = showsCanvas && IsPageColoured(history_.UndoEntries()) ? &canvas_
                            : keptPage.HasPicture()                                 ? &keptPage
                                                                                    : nullptr;
    const bool sameSizes = thumbnailPicture_.Width() == blankThumbnail_.Width() &&
                           thumbnailPicture_.Height() == blankThumbnail_.Height();
    if (!moved && sameSizes && showsCanvas && thumbnailCanvas_ == canvas_.Generation()) {
        // Only the board's own fills changed the canvas since: only where they went.
        ComposeThumbnail(thumbnail_, thumbnailPicture_, page, blankThumbnail_, again);
        return;
    }
    thumbnail_ = thumbnailPicture_;
    if (sameSizes) {
        ComposeThumbnail(thumbnail_, thumbnailPicture_, page, blankThumbnail_, kWholePage);
    } else {
        blankThumbnail_.OverlayOnto(255, 255, 255, thumbnail_);
    }
    thumbnailIndex_ = pictureIndex_;
    thumbnailCanvas_ = showsCanvas ? canvas_.Generation() : 0;
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
        Rect changed = ComposeCanvas();
        const CDibImage* shown = &composedCanvas_;
        if (canvasDetail_ > 1) {
            // The skin has the board's own pixels: the picture at detail is averaged down.
            changed = skinShowsCanvas_ != skin_.get() ? ShowCanvas(kWholePage)
                                                      : ShowCanvas(changed);
            shown = &shownCanvas_;
        }
        const bool oneToOne = shown->Width() == canvasRect_.Width() &&
                              shown->Height() == canvasRect_.Height();
        if (skinShowsCanvas_ != skin_.get() || !oneToOne) {
            shown->Draw(*surface, canvasRect_);
        } else if (!changed.IsEmpty()) {
            shown->DrawPart(*surface, changed,
                                     Rect{canvasRect_.left + changed.left, canvasRect_.top + changed.top,
                                          canvasRect_.left + changed.right,
                                          canvasRect_.top + changed.bottom});
        }
        skinShowsCanvas_ = skin_.get();
    } else {
        CDibImage view(blankCanvas_);
        view.Draw(*surface, canvasRect_);
        surface->DrawText(noImageText_, canvasRect_, TextPlacement::kTop);
        skinShowsCanvas_ = nullptr;
    }
    if (!pictures_.empty()) {
        // The framed thumbnail changes only with the index, the list or, when it shows the
        // picture on the canvas, the colouring, so it is kept from one paint to the next
        // instead of being scaled down again every time.
        const bool showsCanvas = pictureIndex_ == canvasIndex_ && HasCanvasPicture();
        if (thumbnailIndex_ != pictureIndex_) {
            RefreshThumbnail(true);
        } else if (showsCanvas &&
                   (thumbnailCanvas_ != canvas_.Generation() || !thumbnailAgain_.IsEmpty())) {
            RefreshThumbnail(false);
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
