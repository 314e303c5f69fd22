#include "app/HeadlessDriver.h"

#include <langinfo.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>

#include "app/CommandLine.h"
#include "app/ImageFiles.h"
#include "app/PicturePng.h"
#include "app/Translation.h"
#include "app/SamplesFolder.h"
#include "board/BoardLayout.h"
#include "board/ColouringBoard.h"
#include "control/Palette.h"
#include "control/SoftControl.h"
#include "platform/curl/CurlSession.h"
#include "platform/soft/FramebufferContext.h"

namespace kolo {
namespace {

// The folder could not be read or gave no picture.
constexpr int kStatusNoPictures = 3;

// The pages the headless print dialog offers, at 300 dots per inch, upright.
constexpr PageMeasures kLetterPage{2550, 3300, 300};   // 8.5 × 11 in
constexpr PageMeasures kA4Page{2480, 3508, 300};       // 210 × 297 mm
constexpr int kA4WidthMm = 210;

struct Action {
    enum Kind { kClick, kMove, kScreenshot, kSave, kPicture, kColour } kind;
    int x = 0;
    int y = 0;
    std::string path;
};

struct Options {
    std::vector<Action> actions;
    std::vector<std::string> printTo;   // one file for each print job, in order
    std::string address;
    std::string paper;                  // "a4", "letter", or "" for the locale's
    bool landscape = false;
    int closeGaps = kDefaultCloseGaps;
    int detail = 1;   // scripted outputs stay the canvas's size unless asked
};

bool ParsePoint(const std::string& text, int& x, int& y) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%d,%d%c", &x, &y, &tail) == 2;
}

bool ParseColour(const std::string& text, ColourRef& colour) {
    unsigned rgb = 0;
    char tail = 0;
    if (text.size() != 6 || std::sscanf(text.c_str(), "%6x%c", &rgb, &tail) != 1) return false;
    colour = MakeColourRef(static_cast<std::uint8_t>(rgb >> 16),
                           static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb));
    return true;
}

bool ParsePictureNumber(const std::string& text, int& number) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%d%c", &number, &tail) == 1 && number >= 1;
}

bool Refuse(const std::string& text) {
    std::cerr << "kolo: " << text << '\n';
    return false;
}

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string value = hasValue ? args[i + 1] : std::string();
        if (arg == "--headless") continue;
        if (arg == "--click" || arg == "--move") {
            Action action{arg == "--click" ? Action::kClick : Action::kMove, 0, 0, {}};
            if (!hasValue || !ParsePoint(value, action.x, action.y)) {
                return Refuse(arg + " needs X,Y");
            }
            options.actions.push_back(action);
            ++i;
        } else if (arg == "--screenshot" || arg == "--save") {
            if (!hasValue || !EndsWith(value, ".png")) return Refuse(arg + " needs a FILE.png");
            options.actions.push_back(
                Action{arg == "--save" ? Action::kSave : Action::kScreenshot, 0, 0, value});
            ++i;
        } else if (arg == "--picture") {
            int number = 0;
            if (!hasValue || !ParsePictureNumber(value, number)) {
                return Refuse("--picture needs a picture number from 1");
            }
            options.actions.push_back(Action{Action::kPicture, number, 0, {}});
            ++i;
        } else if (arg == "--colour") {
            ColourRef colour = 0;
            if (!hasValue || !ParseColour(value, colour)) return Refuse("--colour needs RRGGBB");
            options.actions.push_back(Action{Action::kColour, static_cast<int>(colour), 0, {}});
            ++i;
        } else if (arg == "--print-to") {
            if (!hasValue || !(EndsWith(value, ".png") || EndsWith(value, ".pdf"))) {
                return Refuse("--print-to needs a FILE.pdf or FILE.png");
            }
            options.printTo.push_back(value);
            ++i;
        } else if (arg == "--paper") {
            if (!hasValue || (value != "a4" && value != "letter")) {
                return Refuse("--paper needs a4 or letter");
            }
            options.paper = value;
            ++i;
        } else if (arg == "--landscape") {
            options.landscape = true;
        } else if (arg == "--close-gaps") {
            if (!hasValue || !ParseCloseGaps(value, options.closeGaps)) {
                return Refuse("--close-gaps needs a width from 0 to 4");
            }
            ++i;
        } else if (arg == "--detail") {
            char tail = 0;
            if (!hasValue || std::sscanf(value.c_str(), "%d%c", &options.detail, &tail) != 1 ||
                options.detail < 1 || options.detail > kMaxDetail) {
                return Refuse("--detail needs a whole number from 1 to 4");
            }
            ++i;
        } else if (!TakeAddress(arg, options.address)) {
            return false;
        }
    }
    return true;
}

bool WritePrintedPage(const std::string& path, const FramebufferContext& page, int dotsPerInch,
                      std::string& reason) {
    if (EndsWith(path, ".pdf")) {
        return WritePdfPage(path, page.Row(0), page.Width(), page.Height(), dotsPerInch, &reason);
    }
    return WritePng(path, page.Row(0), page.Width(), page.Height(), &reason);
}

// An output that could not be written: one line naming the file and why, and status 1.
int CannotWrite(const std::string& path, const std::string& reason) {
    std::cerr << "kolo: cannot write " << path << ": " << reason << '\n';
    return 1;
}

// Puts the folder's picture `number` (from 1) on the canvas as a child would: the arrows
// bring it to the thumbnail, a click on the thumbnail opens it. With one picture it is on
// the canvas already.
bool ShowPicture(SoftControl& control, int number) {
    ColouringBoard& board = control.Board();
    const auto count = static_cast<int>(board.Pictures().size());
    if (number > count) {
        std::cerr << "kolo: --picture " << number << ": the folder has " << count
                  << (count == 1 ? " picture\n" : " pictures\n");
        return false;
    }
    while (board.PictureIndex() != number - 1) board.Command(kButtonNext);
    control.Pump();
    control.Click((kThumbnailRect.left + kThumbnailRect.right) / 2,
                  (kThumbnailRect.top + kThumbnailRect.bottom) / 2);
    return true;
}

void ChooseColour(SoftControl& control, ColourRef wanted) {
    const int cell = NearestPaletteCell(RedOf(wanted), GreenOf(wanted), BlueOf(wanted));
    const ColourRef taken = PaletteColour(cell);
    if (taken != wanted) {
        char text[80];
        std::snprintf(text, sizeof text,
                      "kolo: %02X%02X%02X is not in the palette; the nearest, %02X%02X%02X, is "
                      "used\n",
                      RedOf(wanted), GreenOf(wanted), BlueOf(wanted), RedOf(taken),
                      GreenOf(taken), BlueOf(taken));
        std::cerr << text;
    }
    int x = 0, y = 0;
    PaletteCellCentre(cell, x, y);
    control.Click(x, y);
}

}  // namespace

PageMeasures HeadlessPage(const std::string& paper, bool landscape) {
    std::string name = paper;
    if (name.empty()) {
        // The locale's paper, as LC_PAPER gives it. The plain C locale names A4 for want of
        // any choice; Letter stays the default there, as it was before any locale counted.
        const char* current = std::setlocale(LC_PAPER, nullptr);
        const std::string previous = current != nullptr ? current : "C";
        const char* chosen = std::setlocale(LC_PAPER, "");
        const std::string locale = chosen != nullptr ? chosen : "C";
        const bool plain = locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0;
        const auto width = static_cast<int>(
            reinterpret_cast<std::intptr_t>(nl_langinfo(_NL_PAPER_WIDTH)));
        name = !plain && width == kA4WidthMm ? "a4" : "letter";
        std::setlocale(LC_PAPER, previous.c_str());
    }
    PageMeasures page = name == "a4" ? kA4Page : kLetterPage;
    if (landscape) std::swap(page.width, page.height);
    return page;
}

int RunHeadless(const std::vector<std::string>& args) {
    Options options;
    if (!ParseOptions(args, options)) return 2;
    const std::string address =
        !options.address.empty() ? FolderAddress(options.address) : SamplesFolderUrl();
    const PageMeasures page = HeadlessPage(options.paper, options.landscape);

    SoftControl control([] { return std::make_unique<CurlSession>(); });
    control.onInitImage = [&control, &address]() { control.Board().SetImageURL(address); };

    // Each print job is a page raster, printed as the dialog's printer would.
    std::vector<std::unique_ptr<FramebufferContext>> printed;
    if (!options.printTo.empty()) {
        control.print = [&printed, &control, page]() {
            auto sheet = std::make_unique<FramebufferContext>(page.width, page.height);
            sheet->SetResolution(page.dpi);
            const ColouringBoard& board = control.Board();
            board.DrawPictureInto(*sheet, board.PrintPlacement(page.width, page.height, page.dpi,
                                                                page.dpi));
            printed.push_back(std::move(sheet));
        };
    }
    std::size_t pagesWritten = 0;
    int status = 0;

    if (Translated()) control.SetLanguage(Tr);
    control.Create();
    control.Board().SetCloseGaps(options.closeGaps);
    control.Board().SetDetail(options.detail);
    // The options replay on the whole folder, so that the run is the same every time.
    control.WaitForFolder();
    const ColouringBoard& board = control.Board();
    const std::size_t linksRead = board.LinkCount() + board.IgnoredLinkCount();
    if (board.PageWasCut()) {
        // The page's end was never read: how many it links is not known, only how many came
        // before the cut.
        std::cerr << "kolo: the folder page was cut at its size limit after " << linksRead
                  << (linksRead == 1 ? " picture link" : " picture links");
        if (board.IgnoredLinkCount() > 0) std::cerr << "; only the first " << board.LinkCount() << " are loaded";
        std::cerr << "\n";
    } else if (board.IgnoredLinkCount() > 0) {
        std::cerr << "kolo: the folder page links " << linksRead << " pictures; only the first "
                  << board.LinkCount() << " are loaded\n";
    }
    if (board.LeftOutCount() > 0) {
        std::cerr << "kolo: " << board.LeftOutCount()
                  << " pictures of the folder were left out: they need more memory than one folder may take\n";
    }
    // A run on a folder that gave nothing is a failure a batch script must see, though the
    // options still replay on the board as it stands (the message is on standard error).
    const int folderStatus =
        !options.address.empty() && board.Pictures().empty() ? kStatusNoPictures : 0;
    for (const Action& action : options.actions) {
        switch (action.kind) {
            case Action::kClick: control.Click(action.x, action.y); break;
            case Action::kMove: control.MouseMove(action.x, action.y); break;
            case Action::kScreenshot: {
                const ScreenContext& screen = control.Screen();
                std::string reason;
                if (!WritePng(action.path, screen.Row(0), screen.Width(), screen.Height(),
                              &reason)) {
                    status = CannotWrite(action.path, reason);
                }
                break;
            }
            case Action::kSave:
                if (!control.Board().SourcePicture().HasPicture()) {
                    std::cerr << "kolo: no picture to save in " << action.path << '\n';
                    status = 1;
                } else {
                    std::string reason;
                    if (!SavePicturePng(control.Board(), action.path, &reason)) {
                        status = CannotWrite(action.path, reason);
                    }
                }
                break;
            case Action::kPicture:
                if (!ShowPicture(control, action.x)) return 2;
                break;
            case Action::kColour: ChooseColour(control, static_cast<ColourRef>(action.x)); break;
        }
        control.Pump();
        // Each finished print job goes to the next file at once; jobs past the last file
        // replace it.
        while (printed.size() > pagesWritten) {
            const std::size_t file = std::min(pagesWritten, options.printTo.size() - 1);
            const std::string& path = options.printTo[file];
            std::string reason;
            if (!WritePrintedPage(path, *printed[pagesWritten], page.dpi, reason)) {
                status = CannotWrite(path, reason);
            }
            printed[pagesWritten++].reset();   // written: its raster is not needed any more
        }
        if (control.Closed()) break;
    }
    return status != 0 ? status : folderStatus;
}

}  // namespace kolo
