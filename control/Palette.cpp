#include "control/Palette.h"

namespace kolo {
namespace {

constexpr int kStep = 51;        // between channel values of the cube

}  // namespace

ColourRef PaletteColour(int cell) {
    const int red = 255 - kStep * (cell / 36);
    const int green = 255 - kStep * ((cell / 6) % 6);
    const int blue = 255 - kStep * (cell % 6);
    return MakeColourRef(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                         static_cast<std::uint8_t>(blue));
}

int NearestPaletteCell(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    int best = 0;
    long bestDistance = -1;
    for (int cell = 0; cell < kPaletteCells; ++cell) {
        const ColourRef colour = PaletteColour(cell);
        const long dr = static_cast<long>(RedOf(colour)) - red;
        const long dg = static_cast<long>(GreenOf(colour)) - green;
        const long db = static_cast<long>(BlueOf(colour)) - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = cell;
        }
    }
    return best;
}

Rect PaletteCellRect(int cell) {
    const int left = kPaletteRect.left + 1 + (cell % kPaletteColumns) * kPaletteCellPitch;
    const int top = kPaletteRect.top + 1 + (cell / kPaletteColumns) * kPaletteCellPitch;
    return Rect{left, top, left + kPaletteCellPitch - 1, top + kPaletteCellPitch - 1};
}

void PaletteCellCentre(int cell, int& x, int& y) {
    const Rect rect = PaletteCellRect(cell);
    x = (rect.left + rect.right) / 2;
    y = (rect.top + rect.bottom) / 2;
}

}  // namespace kolo
