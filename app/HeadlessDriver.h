// The headless driver: the control on the software platform with no display.
//
//   kolo --headless [--picture N] [--colour RRGGBB] [--click X,Y]... [--move X,Y]...
//        [--screenshot FILE.png] [--save FILE.png] [--print-to FILE.pdf|FILE.png]...
//        [--paper a4|letter] [--landscape] [ADDRESS]
//
// The container answers OnInitImage by calling SetImageURL with ADDRESS (or the bundled
// samples folder; a plain path stands for its file:// address); once the whole folder has
// loaded, the picture, colour, pointer, screenshot and save options are applied in the order
// given. The print dialog answers with a page of the chosen paper (the locale's by default)
// at 300 dpi while --print-to names files: each print job writes the next file. Without
// --print-to it is cancelled. Messages go to standard error. The Exit button ends the run;
// the exit status is 0 then too, as when no ADDRESS is given or its folder gave at least one
// picture. A folder that could not be read or gave no picture: status 3, its message on
// standard error. Bad arguments give status 2, a file that cannot be written 1 (with one line
// naming it and why; the file is then absent, never partly written); 1 wins over 3.
#pragma once

#include <string>
#include <vector>

namespace kolo {

int RunHeadless(const std::vector<std::string>& args);

// A page as the headless print dialog offers it.
struct PageMeasures {
    int width;    // device pixels
    int height;
    int dpi;      // pixels per inch, across and down
};

// The page of `paper` ("a4", "letter", or "" for the one LC_PAPER names) at 300 dpi.
PageMeasures HeadlessPage(const std::string& paper, bool landscape);

}  // namespace kolo
