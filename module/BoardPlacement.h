// BoardPlacement: where the board lies in an area of any size that shows it (a site, a
// rectangle a container asks Draw to fill): as large as fits with its proportions kept, centred,
// the rest of the area left to a letterbox. Integer arithmetic only, so that the drawing and the
// mapping of a device point back to the board agree exactly.
#pragma once

#include "platform/Geometry.h"

namespace kolo {

struct BoardPlacement {
    int left = 0;     // the board's top-left corner, in the area's device pixels
    int top = 0;
    int width = 0;    // the board's size there; 0 for an empty area
    int height = 0;

    bool IsOneToOne() const;
    // The detail the picture on the canvas is worth holding at for this placement
    // (DetailFor the board's width).
    int Detail() const;
    Rect Shown() const { return Rect{left, top, left + width, top + height}; }
    // The board point at the centre of device pixel (x, y); outside the board over the
    // letterbox. False for an empty placement.
    bool ToBoard(int x, int y, int& boardX, int& boardY) const;
    // The device pixels that show the board rectangle `part`, rounded outwards.
    Rect ToDevice(const Rect& part) const;
};

// The detail that gives each of `devicePixels` a picture pixel of its own where the board has
// `boardPixels`: their ratio rounded up, 1 … kMaxDetail (1 for an empty or smaller area).
int DetailFor(int devicePixels, int boardPixels);

// The placement in `area`; an empty one when the area is empty.
BoardPlacement FitBoard(const Rect& area);

}  // namespace kolo
