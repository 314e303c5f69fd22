#include "control/BoardMirror.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "board/BoardLayout.h"
#include "control/BoardWords.h"
#include "resources/ResourceIds.h"

namespace kolo {
namespace {

constexpr Rect Flip(const Rect& rect) {
    return Rect{kBoardWidth - rect.right, rect.top, kBoardWidth - rect.left, rect.bottom};
}

bool Inside(const Rect& inner, const Rect& outer) {
    return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
           inner.bottom <= outer.bottom;
}

// The parts that move without being turned over, in board pixels. None overlaps another, so
// their mirrored places do not either.
const std::vector<Rect>& KeptParts() {
    static const std::vector<Rect> parts = [] {
        std::vector<Rect> kept{kTitleRect, kCanvasRect, kThumbnailRect, kUndoRect,
                               kRedoRect,  kPrintRect,  kExitRect};
        // The panel's words; those over the thumbnail move with it. A word's box reaches
        // into the swatch's rim, which turns over with the swatch: the box stops short of it.
        constexpr int kSwatchRim = 4;   // pixels of the rim around the swatch
        int count = 0;
        const WordPlace* places = BoardWordPlaces(count);
        for (int i = 0; i < count; ++i) {
            if (places[i].bitmapId != kIdSkin || Inside(places[i].box, kThumbnailRect)) continue;
            Rect box = places[i].box;
            if (box.bottom > kSwatchRect.top - kSwatchRim) {
                box.right = std::min(box.right, kSwatchRect.left - kSwatchRim);
            }
            kept.push_back(box);
        }
        return kept;
    }();
    return parts;
}

// How far a kept part moves to its mirrored place.
std::int32_t Shift(const Rect& part) { return kBoardWidth - part.right - part.left; }

}  // namespace

Rect BoardMirror::Shown(const Rect& board) const {
    if (!mirrored_) return board;
    for (const Rect& part : KeptParts()) {
        if (Inside(board, part)) {
            return Rect{board.left + Shift(part), board.top, board.right + Shift(part), board.bottom};
        }
    }
    return Flip(board);
}

void BoardMirror::ToBoard(int& x, int& y) const {
    if (!mirrored_) return;
    for (const Rect& part : KeptParts()) {
        if (Flip(part).Contains(x, y)) {
            x -= Shift(part);
            return;
        }
    }
    x = kBoardWidth - 1 - x;
}

void BoardMirror::ToShown(int& x, int& y) const {
    if (!mirrored_) return;
    for (const Rect& part : KeptParts()) {
        if (part.Contains(x, y)) {
            x += Shift(part);
            return;
        }
    }
    x = kBoardWidth - 1 - x;
}

RectList BoardMirror::ShownAreas(const Rect& board) const {
    if (!mirrored_) return RectList{board};
    // The flipped place may show kept parts instead; composing it again is still right.
    RectList areas{Flip(board)};
    for (const Rect& part : KeptParts()) {
        const Rect piece = Intersect(board, part);
        if (!piece.IsEmpty()) areas.Add(Shown(piece));
    }
    return areas;
}

void BoardMirror::Compose(const FramebufferContext& board, FramebufferContext& shown,
                          const Rect& area) const {
    const Rect whole = Intersect(area, Rect{0, 0, std::min(board.Width(), shown.Width()),
                                            std::min(board.Height(), shown.Height())});
    if (whole.IsEmpty() || board.Width() != kBoardWidth) return;
    for (int y = whole.top; y < whole.bottom; ++y) {
        const std::uint8_t* in = board.Row(y);
        std::uint8_t* out = shown.Row(y);
        if (!mirrored_) {
            std::memcpy(out + whole.left * 3, in + whole.left * 3, static_cast<std::size_t>(whole.Width()) * 3);
            continue;
        }
        for (int x = whole.left; x < whole.right; ++x) {
            std::memcpy(out + x * 3, in + (kBoardWidth - 1 - x) * 3, 3);
        }
    }
    if (!mirrored_) return;
    for (const Rect& part : KeptParts()) {
        const Rect piece = Intersect(whole, Flip(part));
        if (piece.IsEmpty()) continue;
        const int from = piece.left - Shift(part);
        for (int y = piece.top; y < piece.bottom; ++y) {
            std::memcpy(shown.Row(y) + piece.left * 3, board.Row(y) + from * 3,
                        static_cast<std::size_t>(piece.Width()) * 3);
        }
    }
}

}  // namespace kolo
