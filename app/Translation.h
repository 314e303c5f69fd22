// Translation: the desktop program's own words through gettext, in the "kolo" text domain.
//
// Tr gives the translation of an English text for the user's language, or the text itself when
// there is none. N_ marks a text for extraction where it is translated later (tables).
#pragma once

#include <string>

#define N_(text) text

namespace kolo {

// Binds the text domain to the catalogues installed beside the program (or built in the build
// tree) and takes the language from the environment. Call once, before the first Tr.
void InitTranslation();

const char* Tr(const char* english);

// True when the user's language is one the program has a catalogue for.
bool Translated();

// A translated format with one %s filled in, e.g. TrFormat("light %s", "red").
std::string TrFormat(const char* englishFormat, const std::string& value);

}  // namespace kolo
