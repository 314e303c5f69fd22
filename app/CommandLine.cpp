#include "app/CommandLine.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/SamplesFolder.h"

#include "app/Translation.h"

namespace kolo {

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
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
    const std::filesystem::path absolute = std::filesystem::absolute(given, error);
    return FileUrl(error ? given : absolute.lexically_normal().string());
}

}  // namespace kolo
