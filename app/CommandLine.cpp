#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/SamplesFolder.h"

#include "app/Translation.h"
#include "image/DibImage.h"

namespace kolo {

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool ParseCloseGaps(const std::string& text, int& width) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%d%c", &width, &tail) == 1 && width >= 0 &&
           width <= kMaxCloseGaps;
}

bool TakeAddress(const std::string& arg, std::string& address) {
    if (!arg.empty() && arg[0] == '-') {
        std::cerr << TrFormat(N_("kolo: unknown option %s (kolo --help lists the options)"), arg)
                  << "\n";
        return false;
    }
    if (!address.empty()) {
        std::cerr << Tr("kolo: only one folder address can be given") << "\n";
        return false;
    }
    address = arg;
    return true;
}

std::string FolderAddress(const std::string& given) {
    if (given.empty() || given.find("://") != std::string::npos) return given;
    std::error_code error;
    // "javascript:alert(1)" or "mailto:x" is an address of a kind the control refuses with its
    // message, not a file to look for; a path that exists is still taken as one.
    const std::size_t colon = given.find(':');
    const bool schemeLike =
        colon != std::string::npos && colon >= 2 && std::isalpha(static_cast<unsigned char>(given[0])) &&
        std::all_of(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        });
    if (schemeLike && !std::filesystem::exists(given, error)) return given;
    const std::filesystem::path absolute = std::filesystem::absolute(given, error);
    return FileUrl(error ? given : absolute.lexically_normal().string());
}

}  // namespace kolo
