// The class pack: every picture of a folder in one PDF, ready to print for a class.
//
//   kolo --print-all FILE.pdf [--per-page 1|2|4] [--name-line] [--coloured]
//        [--paper a4|letter] [--landscape] [ADDRESS]
//
// The pictures come in page order, 1, 2 or 4 to a page inside one-inch margins, each fitted
// and centred in its share of the page, uncoloured, or (--coloured) with the colouring kept
// for it in $XDG_DATA_HOME/kolo. With --name-line each has "Name: ________" above it. Pictures
// are fetched and decoded one at a time and let go once on the page, so the memory a run takes
// does not grow with the folder. Exit status as the headless driver's: 0 written, 1 the file
// could not be written (nothing is left at its path), 2 a command line it does not
// understand, 3 the folder could not be read or gave no picture.
//
// The window's "Print all pictures…" lays out its pages with the same code.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "image/DibImage.h"

namespace kolo {

class ColouringBoard;

struct PackCell {
    double x, y, width, height;   // points from the page's top-left corner
};

constexpr int kPackPerPageChoices[] = {1, 2, 4};

// What a pack holds besides its pictures: the window's print dialog offers the same choices
// as the command line's options.
struct PackChoices {
    int perPage = 1;          // one of kPackPerPageChoices
    bool nameLine = false;    // "Name: ________" above each picture
    bool coloured = false;    // with the kept colouring
};

// The choices as kept between runs, one line ("2 name coloured"), and read back: anything
// that is not such a line gives `fallback`.
std::string FormatPackChoices(const PackChoices& choices);
PackChoices ParsePackChoices(const std::string& text, const PackChoices& fallback);

// How many pages `pictures` pictures take, `perPage` to a page (at least one).
int PackPageCount(std::size_t pictures, int perPage);

// The share of a page (in points) each of `perPage` pictures takes inside the margins: one
// whole, two one above the other (side by side on a page wider than tall), four in a grid.
std::vector<PackCell> PackCells(double pageWidth, double pageHeight, int perPage);

// Draws `picture` fitted and centred in `cell`, below a name line when `nameLine`.
void DrawPackPicture(cairo_t* cr, const PackCell& cell, const CDibImage& picture, bool nameLine);

// Draws page `page` (from 0) of the pack of the board's pictures on a page of pageWidth ×
// pageHeight points, as the window prints it; each picture is made only for its own page, at
// the detail (up to four times the canvas) that the printer's dotsPerPoint give its cell.
void DrawBoardPackPage(cairo_t* cr, double pageWidth, double pageHeight, int page,
                       ColouringBoard& board, const PackChoices& choices, double dotsPerPoint = 1.0);

int RunClassPack(const std::vector<std::string>& args);

}  // namespace kolo
