// The board's palette as the headless driver chooses from it: 12 × 11 cells of the colour
// cube whose channels take 0, 51, … 255, counted down from white; pure black is not there.
#pragma once

#include <cstdint>

#include "board/BoardLayout.h"
#include "platform/Geometry.h"

namespace kolo {

// Colour of cell k (0 … 131, row by row from the top left), packed 0x00BBGGRR.
ColourRef PaletteColour(int cell);

// The cell whose colour is nearest to red, green, blue (least squared distance; the first
// such cell on a tie).
int NearestPaletteCell(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// Cell k's rectangle on the board, its 1-pixel lines left out.
Rect PaletteCellRect(int cell);
// The centre of cell k on the board, where a click picks it.
void PaletteCellCentre(int cell, int& x, int& y);

}  // namespace kolo
