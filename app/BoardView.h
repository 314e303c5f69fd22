// BoardView: the board's framebuffer shown in a window of any size. The board keeps its
// proportions, scaled to fit and centred on the window's background; at whole factors each
// board pixel becomes a sharp square block, at any other factor the picture is smoothed.
// Pointer positions are mapped back to the board pixel shown under them.
//
// All sizes here are device pixels (a HiDPI screen's, not the toolkit's logical units).
#pragma once

#include <cairo.h>

#include "board/ColouringBoard.h"
#include "platform/Geometry.h"
#include "platform/RectList.h"
#include "platform/soft/ScreenContext.h"

namespace kolo {

struct BoardPlacement {
    double scale = 1.0;   // device pixels per board pixel
    int left = 0;         // where the board's top-left corner lies in the window
    int top = 0;
    int width = 0;        // the board's size on the screen
    int height = 0;
};

// The largest board that fits a window of width × height, centred on whole pixels.
BoardPlacement FitBoard(int width, int height);

// The board pixel under device point (x, y); false over the background around the board.
bool MapToBoard(const BoardPlacement& placement, double x, double y, int& boardX, int& boardY);

// The first window scale: the largest whole number at which the board fits within 85 % of a
// monitor's work area of width × height; 1 when even that does not fit.
int FirstWindowScale(int workWidth, int workHeight);

// The device pixels that show board pixels `changed` (smoothing reaches a pixel further).
Rect ShownArea(const BoardPlacement& placement, const Rect& changed);

// The detail a board shown at `scale` device pixels a board pixel holds its picture at: as
// many times the canvas as the screen has pixels for it, 1 … kMaxDetail.
int DetailForScale(double scale);

class BoardView {
public:
    BoardView();
    ~BoardView();
    BoardView(const BoardView&) = delete;
    BoardView& operator=(const BoardView&) = delete;

    // Takes the parts `changed` of the screen as shown now (all of it the first time), and
    // returns the board pixels taken, so that only they need drawing again.
    RectList Update(const ScreenContext& screen, const RectList& changed);
    // On a board shown larger than its pixels, the canvas is drawn at the screen's own pixels
    // from the picture at its detail: takes the part `changed` (board pixels) of it again,
    // all of it when the scale changed. At scale 1, or without a picture, the screen's
    // canvas is shown as it is.
    void UpdateCanvas(const ColouringBoard& board, const BoardPlacement& placement,
                      const RectList& changed);
    // Where the screen shows the canvas rectangle (elsewhere on a mirrored board).
    void SetCanvasPlace(const Rect& shown) { canvasPlace_ = shown; }
    // Draws it into `cr`, whose units are device pixels, over a window of width × height.
    // Whatever `cr` is clipped to bounds the work.
    void Draw(cairo_t* cr, int width, int height) const;

private:
    void DropCanvas();
    // Draws board pixels `area` of the canvas again into the kept device-pixel canvas.
    void DrawCanvasPart(const ColouringBoard& board, const Rect& area);

    cairo_surface_t* surface_ = nullptr;
    cairo_surface_t* canvas_ = nullptr;   // the canvas rectangle in device pixels, or none
    double canvasScale_ = 0;              // the scale it was drawn at
    Rect canvasPlace_ = kCanvasRect;      // board pixels of the screen that show it
    bool fresh_ = true;   // nothing taken yet: the whole screen is taken
};

}  // namespace kolo
