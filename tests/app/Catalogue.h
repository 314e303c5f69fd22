// The program's catalogues for tests, read straight from po/LANG.po, so that a test can
// speak every language without the machine having its locale.
#pragma once

#include <set>
#include <string>

namespace kolo {

// Translates from now on as po/LANG.po does; "en": no translation.
void UseCatalogue(const std::string& language);
// The translation of a word (the word itself in English); a word the catalogue lacks or
// leaves untranslated is given back as it is and noted.
const char* FromCatalogue(const char* english);
// The words asked for since UseCatalogue that the catalogue lacks.
const std::set<std::string>& MissingWords();

}  // namespace kolo
