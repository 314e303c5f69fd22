#include "tests/app/Catalogue.h"

#include <fstream>
#include <map>

namespace kolo {
namespace {

// A catalogue's translations, read from po/LANG.po: msgid and msgstr on one line or continued
// on the lines after.
std::map<std::string, std::string> ReadCatalogue(const std::string& language) {
    std::map<std::string, std::string> catalogue;
    std::ifstream po(std::string(KOLO_PO_DIR) + language + ".po");
    std::string line, id, text;
    std::string* current = nullptr;
    auto unquote = [](const std::string& quoted) {
        std::string out;
        for (std::size_t i = quoted.find('"') + 1; i + 1 < quoted.size(); ++i) {
            if (quoted[i] == '\\' && i + 2 < quoted.size()) ++i;
            out += quoted[i];
        }
        return out;
    };
    while (std::getline(po, line)) {
        if (line.rfind("msgid ", 0) == 0) {
            if (!id.empty()) catalogue[id] = text;
            id.clear();
            text.clear();
            current = &id;
        } else if (line.rfind("msgstr ", 0) == 0) {
            current = &text;
        } else if (line.empty() || line[0] != '"') {
            continue;
        }
        if (current != nullptr) *current += unquote(line);
    }
    if (!id.empty()) catalogue[id] = text;
    return catalogue;
}

std::map<std::string, std::string> g_catalogue;
std::set<std::string> g_missing;
bool g_english = true;

const char* Lookup(const char* english) {
    const auto found = g_catalogue.find(english);
    if (found == g_catalogue.end() || found->second.empty()) {
        g_missing.insert(english);
        return english;
    }
    return found->second.c_str();
}

}  // namespace

void UseCatalogue(const std::string& language) {
    g_catalogue = language == "en" ? std::map<std::string, std::string>{} : ReadCatalogue(language);
    g_missing.clear();
    g_english = language == "en";
}

const char* FromCatalogue(const char* english) { return g_english ? english : Lookup(english); }

const std::set<std::string>& MissingWords() { return g_missing; }

}  // namespace kolo
