// Resource ids of the board's bitmaps and cursor, as the Windows resource script numbers
// them. The BMP file for each is in resources/bitmaps/ (see resources/CMakeLists.txt).
#pragma once

namespace kolo {

constexpr int kIdBrushCursor = 201;        // 96 × 72, hot spot kBrushHotSpotX, kBrushHotSpotY
constexpr int kIdSkin = 202;               // the whole screen, kBoardWidth × kBoardHeight
constexpr int kIdExitPressed = 203;
constexpr int kIdUndoNormal = 204;
constexpr int kIdPrintPressed = 205;
constexpr int kIdPrintNormal = 206;
constexpr int kIdRedoDisabled = 207;
constexpr int kIdRedoPressed = 208;
constexpr int kIdRedoNormal = 209;
constexpr int kIdUndoDisabled = 210;
constexpr int kIdUndoPressed = 211;
constexpr int kIdExitNormal = 212;
constexpr int kIdThumbnailFrame = 219;     // 174 × 158
constexpr int kIdNextPressed = 221;
constexpr int kIdPreviousNormal = 220;
constexpr int kIdNextNormal = 222;
constexpr int kIdPreviousPressed = 223;
constexpr int kIdCanvasFrame = 224;        // 572 × 452

// The skin and the faces of the four worded buttons without their words have the worded
// bitmap's id plus this (only the software hosts carry them).
constexpr int kWordlessArtOffset = 100;

// The brush tip, in cursor pixels from the top-left; pure magenta pixels are transparent.
constexpr int kBrushHotSpotX = 0;
constexpr int kBrushHotSpotY = 66;

}  // namespace kolo
