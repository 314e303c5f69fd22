#include "app/Palette.h"

#include "board/BoardLayout.h"

namespace kolo {
namespace {

constexpr int kColumns = 12;
constexpr int kCellPitch = 12;   // an 11-pixel cell and its 1-pixel line
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

void PaletteCellCentre(int cell, int& x, int& y) {
    x = kPaletteRect.left + 1 + (cell % kColumns) * kCellPitch + 5;
    y = kPaletteRect.top + 1 + (cell / kColumns) * kCellPitch + 5;
}

}  // namespace kolo
