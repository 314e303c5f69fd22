// kolo: the colouring book on Linux. With a display it opens the board in a window; with
// --headless it drives the same control without one.
#include <gtk/gtk.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ControlWindow.h"
#include "app/HeadlessDriver.h"
#include "app/Translation.h"

namespace {

constexpr int kStatusUsage = 2;   // a command line we do not understand

// Translated whole, so that a language may reflow it.
constexpr const char* kUsage = N_(
    "Usage: kolo [--print-to FILE.pdf] [ADDRESS]\n"
    "       kolo --headless [--click X,Y]... [--move X,Y]... [--screenshot FILE.png]\n"
    "            [--print-to FILE.pdf|FILE.png] [ADDRESS]\n"
    "\n"
    "Kolo is a colouring book for children. It opens the pictures of the folder at ADDRESS\n"
    "(an http://, https://, ftp:// or file:// address of a page that links to .bmp, .gif,\n"
    ".jpg and .png files), or the bundled sample pictures when no address is given.\n"
    "\n"
    "  --print-to FILE.pdf   the Print button writes FILE.pdf instead of showing the dialog\n"
    "  --headless            run without a display; the options below apply in order\n"
    "  --click X,Y           press and release the left button at a point of the board\n"
    "  --move X,Y            move the pointer to a point of the board\n"
    "  --screenshot FILE.png write the board as shown\n"
    "  --help                show this text\n"
    "  --version             show the version\n"
    "\n"
    "F1 in the window shows the About box.\n");

// What a batch script can rely on from --headless.
constexpr const char* kExitStatusHelp = N_(
    "\n"
    "Exit status of --headless: 0 when the folder gave at least one picture (or no ADDRESS\n"
    "was given), 1 when an output file could not be written (none is left half-written),\n"
    "2 for a command line it does not understand, 3 when the folder could not be read or\n"
    "gave no picture (the reason is on standard error).\n");

// The window's own options; false with a one-line message when they cannot be used.
bool ParseWindowOptions(const std::vector<std::string>& args, kolo::WindowOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--print-to") {
            if (i + 1 >= args.size() || !kolo::EndsWith(args[i + 1], ".pdf")) {
                std::cerr << kolo::Tr("kolo: --print-to needs a FILE.pdf") << "\n";
                return false;
            }
            options.exportPdf = args[++i];
        } else if (!kolo::TakeAddress(arg, options.address)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    kolo::InitTranslation();
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help") {
            std::cout << kolo::Tr(kUsage) << kolo::Tr(kExitStatusHelp);
            return 0;
        }
        if (arg == "--version") {
            std::cout << "kolo 1.0\n";
            return 0;
        }
    }
    for (const std::string& arg : args) {
        if (arg == "--headless") return kolo::RunHeadless(args);
    }

    kolo::WindowOptions options;
    if (!ParseWindowOptions(args, options)) return kStatusUsage;
    // The desktop matches the window to its launcher and icons by this name.
    g_set_prgname(KOLO_APP_ID);
    // GTK is given no arguments: the command line is ours alone.
    if (!gtk_init_check(nullptr, nullptr)) {
        std::cerr << kolo::Tr("kolo: no display to open a window on; without one, run "
                              "kolo --headless (kolo --help shows how)")
                  << "\n";
        return 1;
    }
    // Set once the display is open: GDK takes its own copy then.
    gdk_set_program_class(KOLO_APP_ID);
    // As GTK itself decides: a right-to-left language translates this text to say so, and
    // the window is mirrored.
    if (std::string(kolo::Tr("default:LTR")) == "default:RTL") {
        gtk_widget_set_default_direction(GTK_TEXT_DIR_RTL);
    }
    kolo::ControlWindow window(options);
    return window.Run();
}
