#include "app/Translation.h"

#include <libintl.h>

#include <clocale>
#include <filesystem>
#include <system_error>

namespace kolo {
namespace {

constexpr const char* kTextDomain = "kolo";

// The installed catalogues are under share/locale beside bin/; a program run from the build
// tree reads the ones the build compiled.
std::string LocaleFolder() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path installed = program.parent_path().parent_path() / "share/locale";
        if (fs::is_regular_file(installed / "fr/LC_MESSAGES/kolo.mo", error)) {
            return installed.string();
        }
    }
    return KOLO_BUILD_LOCALE_DIR;
}

}  // namespace

void InitTranslation() {
    std::setlocale(LC_ALL, "");
    bindtextdomain(kTextDomain, LocaleFolder().c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
    textdomain(kTextDomain);
}

const char* Tr(const char* english) { return dgettext(kTextDomain, english); }

bool Translated() {
    // Every catalogue translates the board's first button.
    const char* undo = "Undo";
    return Tr(undo) != undo;
}

std::string TrFormat(const char* englishFormat, const std::string& value) {
    const std::string format = Tr(englishFormat);
    const std::size_t at = format.find("%s");
    if (at == std::string::npos) return format;
    return format.substr(0, at) + value + format.substr(at + 2);
}

}  // namespace kolo
