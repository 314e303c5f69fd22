// The board's fixed layout, in control client pixels (origin top-left, y downwards; right and
// bottom exclusive), and the constants of its rules.
#pragma once

#include <cstdint>

#include "image/DibImage.h"
#include "platform/Geometry.h"

namespace kolo {

constexpr int kBoardWidth = 834;    // pixels, the skin's size
constexpr int kBoardHeight = 644;
constexpr Rect kBoardRect{0, 0, kBoardWidth, kBoardHeight};

constexpr Rect kCanvasRect{31, 155, 603, 607};       // 572 × 452, one to one with the canvas
constexpr Rect kThumbnailRect{641, 197, 815, 355};   // 174 × 158
constexpr Rect kSwatchRect{744, 445, 796, 482};      // 52 × 37
constexpr Rect kTitleRect{40, 12, 432, 74};          // the drawn title, "Kolo" and its line
// The buttons: the four worded ones in a row over the canvas, the arrows under the thumbnail.
constexpr Rect kUndoRect{45, 85, 169, 137};
constexpr Rect kRedoRect{179, 85, 310, 119};
constexpr Rect kPrintRect{318, 84, 451, 133};
constexpr Rect kExitRect{461, 85, 564, 119};
constexpr Rect kPreviousRect{673, 370, 706, 403};
constexpr Rect kNextRect{751, 370, 784, 403};
// The palette: 12 × 11 cells of 11 pixels on 1-pixel lines, counted row by row from the top
// left; it spans 145 × 133 pixels.
constexpr int kPaletteColumns = 12;
constexpr int kPaletteRows = 11;
constexpr int kPaletteCells = kPaletteColumns * kPaletteRows;
constexpr int kPaletteCellPitch = 12;   // an 11-pixel cell and its 1-pixel line
constexpr Rect kPaletteRect{651, 492, 651 + 1 + kPaletteColumns * kPaletteCellPitch,
                            492 + 1 + kPaletteRows * kPaletteCellPitch};

constexpr ColourRef kInitialColour = 0x008400FF;     // red 255, green 0, blue 132
// The gap closing the desktop program and the web element start with (the board's own is 0).
constexpr int kDefaultCloseGaps = 2;                  // canvas pixels
constexpr int kThresholdLevel = kLineLevel;          // a canvas is the picture thresholded here

// Button (and command) ids.
constexpr int kButtonUndo = 101;
constexpr int kButtonRedo = 102;
constexpr int kButtonPrint = 104;
constexpr int kButtonExit = 105;
constexpr int kButtonPrevious = 106;
constexpr int kButtonNext = 107;

constexpr const char* kNoImageText = "No Image!!!";
constexpr const char* kPrintDocumentName = "Test Document";

}  // namespace kolo
