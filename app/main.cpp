// kolo: the colouring book on Linux. Only the headless driver exists so far; the window
// needs a display toolkit that is not part of this program yet.
#include <iostream>
#include <string>
#include <vector>

#include "app/HeadlessDriver.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--headless") return kolo::RunHeadless(args);
    }
    std::cerr << "kolo: the windowed mode needs a display and arrives in a later version; "
                 "run kolo --headless\n";
    return 2;
}
