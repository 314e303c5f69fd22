// BoardFocus: the board used from the keyboard. Tab moves a focus among the board's parts
// (the six buttons, the picture, the thumbnail and the palette); Space or Enter works the
// focused part as a click would; arrow keys move over the palette's cells, or move a cross
// over the picture where Enter fills. Nothing has the focus until the first Tab, so that the
// window's own keys (arrows browse pictures) work as before.
//
// Everything goes through the control's own click routing, so a disabled button stays
// unpressable and a fill is recorded for undo exactly as a click's. Rectangles and points are
// in the pixels of the screen as shown (mirrored with the control); the host scales them with
// the board when it draws the ring and the cross.
#pragma once

#include <string>

#include "control/SoftControl.h"
#include "platform/Geometry.h"

namespace kolo {

enum class BoardPart {
    kNone = -1,
    kUndo, kRedo, kPrint, kExit, kCanvas, kThumbnail, kPrevious, kNext, kPalette,
    kCount
};

enum class BoardKey { kTab, kBackTab, kLeft, kRight, kUp, kDown, kActivate };

constexpr int kCrosshairStep = 8;   // board pixels an arrow moves the cross

struct BoardPoint {
    int x = 0;
    int y = 0;
};

class BoardFocus {
public:
    explicit BoardFocus(SoftControl& control);

    // Returns whether the key was used; arrows are used only on the palette and the picture.
    bool HandleKey(BoardKey key);
    // Works a part as Space or Enter would, whether or not it has the focus.
    void Activate(BoardPart part);
    // Puts the focus on a part (kNone takes it away).
    void Focus(BoardPart part) { focused_ = part; }
    void PickCell(int cell);

    SoftControl& Control() const { return control_; }
    BoardPart Focused() const { return focused_; }
    int PaletteCell() const { return paletteCell_; }
    BoardPoint Crosshair() const;

    // The rectangle the focus ring goes round: the part's, or the palette's current cell.
    Rect FocusRect() const;
    Rect PartRect(BoardPart part) const;
    // Palette cell `cell`'s rectangle, its lines left out.
    Rect CellRect(int cell) const;
    // The button id of a button part, 0 for the other parts.
    static int ButtonId(BoardPart part);
    bool IsEnabled(BoardPart part) const;

    // The English names; the accessible objects translate them.
    static const char* PartName(BoardPart part);
    ColourRef CellColour(int cell) const;

private:
    void ClickAt(const Rect& rect);
    void MovePaletteCell(int dx, int dy);
    void MoveCrosshair(int dx, int dy);

    SoftControl& control_;
    BoardPart focused_ = BoardPart::kNone;
    int paletteCell_ = 0;
    BoardPoint crosshair_;   // in the board's own pixels
};

}  // namespace kolo
