// The board's fixed layout, in control client pixels (origin top-left, y downwards; right and
// bottom exclusive), and the constants of its rules.
#pragma once

#include <cstdint>

#include "platform/Geometry.h"

namespace kolo {

constexpr int kBoardWidth = 834;    // pixels, the skin's size
constexpr int kBoardHeight = 644;

constexpr Rect kCanvasRect{31, 155, 603, 607};       // 572 × 452, one to one with the canvas
constexpr Rect kThumbnailRect{641, 197, 815, 355};   // 174 × 158
constexpr Rect kSwatchRect{744, 445, 796, 482};      // 52 × 37
constexpr Rect kPaletteRect{651, 492, 796, 625};     // 12 × 11 cells of 11 pixels on 1-pixel lines

constexpr ColourRef kInitialColour = 0x008400FF;     // red 255, green 0, blue 132
constexpr int kThresholdLevel = 168;                 // a canvas is the picture thresholded here

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
