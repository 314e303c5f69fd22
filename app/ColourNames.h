// ColourNames: a short spoken name for any colour, e.g. "light red", "dark blue", "grey",
// in the user's language. The name comes from the colour's hue, lightness and chroma by a
// small rule, so every colour of the palette, and any other, has one.
#pragma once

#include <string>

#include "platform/Geometry.h"

namespace kolo {

// The English name, for tests and as the key of the translation.
std::string EnglishColourName(ColourRef colour);

// The name in the user's language.
std::string ColourName(ColourRef colour);

}  // namespace kolo
