// The headless driver: the control on the software platform with no display.
//
//   kolo --headless [--click X,Y]... [--move X,Y]... [--screenshot FILE.png]
//        [--print-to FILE.pdf|FILE.png] [ADDRESS]
//
// The container answers OnInitImage by calling SetImageURL with ADDRESS (or the bundled
// samples folder; a plain path stands for its file:// address); once the whole folder has
// loaded, the pointer and screenshot options are applied in the order given.
// The print dialog answers with a Letter page at 300 dpi when --print-to names a file, and is
// cancelled otherwise. Messages go to standard error. The Exit button ends the run; the exit
// status is 0 then too, as when no ADDRESS is given or its folder gave at least one picture.
// A folder that could not be read or gave no picture: status 3, its message on standard
// error. Bad arguments give status 2, a file that cannot be written 1 (with one line naming
// it and why; the file is then absent, never partly written); 1 wins over 3.
#pragma once

#include <string>
#include <vector>

namespace kolo {

int RunHeadless(const std::vector<std::string>& args);

}  // namespace kolo
