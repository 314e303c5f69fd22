// BoardMirror: the board laid out for a language read right to left, as a toolkit mirrors a
// window: the panel of the thumbnail, the arrows, the swatch and the palette goes to the
// left, the canvas to the right, and rows of buttons and the palette's columns run the other
// way. What is read or drawn is not turned over: the picture, the thumbnail, the worded
// buttons, the title and the words of the panel each keep their pixels and only move to
// their mirrored place. Everything else (the sky, the wood, the arrows' glyphs, the palette)
// is the board flipped left to right.
//
// The board itself keeps its own layout; the mirror only maps between the board's pixels
// and the pixels shown. Without it (the default) both are the same.
#pragma once

#include "control/Palette.h"
#include "platform/Geometry.h"
#include "platform/RectList.h"
#include "platform/soft/FramebufferContext.h"

namespace kolo {

class BoardMirror {
public:
    explicit BoardMirror(bool mirrored = false) : mirrored_(mirrored) {}

    bool Mirrored() const { return mirrored_; }

    // Where a board rectangle shows. A rectangle inside one of the parts that keep their
    // pixels moves with it; any other is flipped (its bounds, when it straddles a part).
    Rect Shown(const Rect& board) const;
    // The board pixel shown at (x, y), and the shown pixel of a board pixel. Points off the
    // board stay off it.
    void ToBoard(int& x, int& y) const;
    void ToShown(int& x, int& y) const;
    // The shown pixels that board pixels `board` make.
    RectList ShownAreas(const Rect& board) const;
    // Makes pixels `area` of `shown` again from `board`; both are the board's size.
    void Compose(const FramebufferContext& board, FramebufferContext& shown, const Rect& area) const;

private:
    bool mirrored_;
};

}  // namespace kolo
