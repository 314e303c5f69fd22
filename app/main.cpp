// kolo: the colouring book on Linux. With a display it opens the board in a window; with
// --headless it drives the same control without one.
#include <gtk/gtk.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/ClassroomFiles.h"
#include "app/CommandLine.h"
#include "app/ControlWindow.h"
#include "app/ClassPack.h"
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

// Kept apart from the others so that their translations stay whole.
constexpr const char* kDetailUsage = N_(
    "\n"
    "Headless detail:\n"
    "  --detail K            colour, save and print the picture at K times the canvas's size\n"
    "                        (1-4, 1 by default): --save writes it at that size\n");

// A class's pages in one run.
constexpr const char* kClassPackUsage = N_(
    "\n"
    "Class pack: kolo --print-all FILE.pdf [--per-page 1|2|4] [--name-line] [--coloured]\n"
    "                 [--paper a4|letter] [--landscape] [ADDRESS]\n"
    "  writes every picture of the folder into FILE.pdf, 1, 2 or 4 to a page, uncoloured\n"
    "  or with their kept colouring, each under a \"Name: ____\" line if asked; exit status\n"
    "  as for --headless.\n");

// Families and classrooms.
constexpr const char* kClassroomUsage = N_(
    "\n"
    "Families and classrooms:\n"
    "  --save-dir DIR        Save writes into DIR under a new name each time, without\n"
    "                        asking (in the classroom mode: Pictures/Kolo unless given)\n"
    "  --child NAME          keep this child's colouring apart from the others'\n"
    "  --children A,B,...    start with a big tile for each child's name\n");

// The options of the desktop program and of the teachers' batch runs, after the basic ones.
constexpr const char* kMoreUsage = N_(
    "\n"
    "Window:\n"
    "  --fullscreen          start in full screen (F11 leaves it)\n"
    "  --kiosk               classroom mode: full screen, no header bar; Exit, Ctrl+Q and\n"
    "                        the close button do nothing; only Ctrl+Alt+Q ends the program\n"
    "  --paper a4|letter     the paper printed on (the locale's paper by default)\n"
    "  --landscape           print across the paper\n"
    "  --save-to FILE.png    Save writes FILE.png instead of asking for a file\n"
    "  --close-gaps N        fills stop at openings of up to N pixels in the lines (0-4;\n"
    "                        2 unless the menu's \"Close small gaps\" was turned off);\n"
    "                        headless too\n"
    "Headless, in order with the others:\n"
    "  --picture N           put the folder's Nth picture (from 1) on the canvas\n"
    "  --colour RRGGBB       choose a colour (the nearest in the palette)\n"
    "  --save FILE.png       write the coloured picture, as Print would print it\n"
    "  --paper, --landscape  as above; --print-to may be given again: each print job\n"
    "                        writes the next file\n");

// After the keys, which the shortcut table lists.
constexpr const char* kKeptWorkHelp = N_(
    "\n"
    "The colouring of every picture is kept in $XDG_DATA_HOME/kolo and comes back when the\n"
    "folder is opened again.\n");

// The window's own options; false with a one-line message when they cannot be used.
bool ParseWindowOptions(const std::vector<std::string>& args, kolo::WindowOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--print-to") {
            if (!hasValue || !kolo::EndsWith(args[i + 1], ".pdf")) {
                std::cerr << kolo::Tr("kolo: --print-to needs a FILE.pdf") << "\n";
                return false;
            }
            options.exportPdf = args[++i];
        } else if (arg == "--save-to") {
            if (!hasValue || !kolo::EndsWith(args[i + 1], ".png")) {
                std::cerr << "kolo: --save-to needs a FILE.png\n";
                return false;
            }
            options.saveTo = args[++i];
        } else if (arg == "--paper") {
            if (!hasValue || (args[i + 1] != "a4" && args[i + 1] != "letter")) {
                std::cerr << "kolo: --paper needs a4 or letter\n";
                return false;
            }
            options.paper = args[++i];
        } else if (arg == "--landscape") {
            options.landscape = true;
        } else if (arg == "--fullscreen") {
            options.fullscreen = true;
        } else if (arg == "--kiosk") {
            options.kiosk = true;
        } else if (arg == "--save-dir") {
            if (!hasValue || args[i + 1].empty()) {
                std::cerr << kolo::Tr("kolo: --save-dir needs a folder") << "\n";
                return false;
            }
            options.saveDir = args[++i];
        } else if (arg == "--child") {
            if (!hasValue || !kolo::IsChildNameSafe(args[i + 1])) {
                std::cerr << kolo::Tr("kolo: --child needs a name without slashes, control "
                                      "characters or a leading dot")
                          << "\n";
                return false;
            }
            options.child = args[++i];
        } else if (arg == "--children") {
            std::string refused;
            if (!hasValue || !kolo::SplitChildNames(args[i + 1], options.children, refused) ||
                options.children.empty()) {
                std::cerr << kolo::TrFormat(N_("kolo: --children needs names separated by commas; "
                                               "\"%s\" cannot be used"),
                                            refused)
                          << "\n";
                return false;
            }
            ++i;
        } else if (arg == "--close-gaps") {
            if (!hasValue || !kolo::ParseCloseGaps(args[i + 1], options.closeGaps)) {
                std::cerr << "kolo: --close-gaps needs a width from 0 to 4\n";
                return false;
            }
            ++i;
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
            std::cout << kolo::Tr(kUsage) << kolo::Tr(kMoreUsage) << kolo::KeysHelp() << kolo::Tr(kKeptWorkHelp)
                      << kolo::Tr(kDetailUsage)
                      << kolo::Tr(kClassPackUsage)
                      << kolo::Tr(kClassroomUsage)
                      << kolo::Tr(kExitStatusHelp);
            return 0;
        }
        if (arg == "--version") {
            std::cout << "kolo 1.0\n";
            return 0;
        }
    }
    for (const std::string& arg : args) {
        if (arg == "--print-all") return kolo::RunClassPack(args);
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
