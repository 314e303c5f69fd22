// Pieces of command-line handling shared by the windowed and the headless modes.
#pragma once

#include <string>

namespace kolo {

bool EndsWith(const std::string& text, const std::string& suffix);

// Handles an argument that no option of the mode took: the first such word is the folder
// address; an unknown option or a second address is refused with a one-line message on
// standard error. Returns false when refused.
bool TakeAddress(const std::string& arg, std::string& address);

// The gap-closing width given to --close-gaps: a whole number from 0 to kMaxCloseGaps.
bool ParseCloseGaps(const std::string& text, int& width);

// The address to load for what the command line gave: an address with a scheme as it is; a
// plain path (absolute or from the current folder) as its file:// address.
std::string FolderAddress(const std::string& given);

}  // namespace kolo
