// libFuzzer target: the folder page parser, checked against the properties every caller
// relies on. Any page at all must give names that are safe to append to a folder address.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sources/PictureIndex.h"

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

std::vector<std::string> Parse(const std::string& page, int& result) {
    std::vector<std::string> names;
    result = kolo::ParsePictureNames(page.c_str(), names);
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    int result = 0;
    const std::vector<std::string> names = Parse(page, result);

    // The count reported matches the list.
    Check(result == (names.empty() ? 0 : 1));

    // Nothing after the first NUL counts: the page cut there, or followed by other bytes,
    // gives the same names.
    const std::size_t nul = page.find('\0');
    const std::string head = page.substr(0, nul);
    int headResult = 0;
    Check(Parse(head, headResult) == names);
    if (nul != std::string::npos) {
        int tailResult = 0;
        Check(Parse(head + '\0' + "<a href=x.gif>", tailResult) == names);
    }

    // At most one name for each "<" before the NUL.
    std::size_t opens = 0;
    for (const char c : head) opens += c == '<';
    Check(names.size() <= opens);

    // A name holds none of the bytes that end a value or quote it.
    for (const std::string& name : names) {
        Check(name.find_first_of("'\" \t\n>") == std::string::npos);
    }

    // Names already in the list are kept, and the new ones come after them.
    std::vector<std::string> appended{"kept.gif"};
    Check(kolo::ParsePictureNames(head.c_str(), appended) == 1);
    Check(appended.size() == names.size() + 1 && appended[0] == "kept.gif");
    Check(std::equal(names.begin(), names.end(), appended.begin() + 1));
    return 0;
}
