// ColourNames: a short spoken name for a colour, e.g. "light red", "deep amber", "grey", in
// any language through the translation the caller gives (the desktop's catalogue, the web
// page's words, or none for English).
//
// Any colour has a name from its hue, lightness and chroma by a small rule. The palette's
// colours have names of their own, different for every cell in every language: a finer rule
// (24 hues, and a shade from the cell's strongest and weakest channels), plus the qualifier
// "rich" for the darker of two cells that would still share a name.
#pragma once

#include <string>

#include "platform/Geometry.h"

namespace kolo {

// Gives the translation of an English word or format (one %s); returns the text itself when
// it has none.
using TranslateText = const char* (*)(const char* english);

const char* Untranslated(const char* english);

// The rule's English name for any colour.
std::string EnglishColourName(ColourRef colour);

// The palette cell's own name (cell 0 … 131).
std::string PaletteColourName(int cell, TranslateText translate = Untranslated);

// The palette cell's name when the colour is one of the palette's, the rule's name otherwise.
std::string ColourName(ColourRef colour, TranslateText translate = Untranslated);

}  // namespace kolo
