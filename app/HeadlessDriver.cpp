#include "app/HeadlessDriver.h"

#include <cstdio>
#include <iostream>
#include <memory>

#include "app/CommandLine.h"
#include "app/ImageFiles.h"
#include "app/SamplesFolder.h"
#include "app/SoftControl.h"
#include "board/ColouringBoard.h"
#include "platform/curl/CurlSession.h"
#include "platform/soft/PrinterPageContext.h"

namespace kolo {
namespace {

// The folder could not be read or gave no picture.
constexpr int kStatusNoPictures = 3;

// The page the headless print dialog offers: US Letter at 300 dots per inch.
constexpr PrinterMeasures kLetterPage{2550, 3300, 300, 300, kRcBitBlt};

struct Action {
    enum Kind { kClick, kMove, kScreenshot } kind;
    int x = 0;
    int y = 0;
    std::string path;
};

struct Options {
    std::vector<Action> actions;
    std::string printTo;
    std::string address;
};

bool ParsePoint(const std::string& text, int& x, int& y) {
    char tail = 0;
    return std::sscanf(text.c_str(), "%d,%d%c", &x, &y, &tail) == 2;
}

bool ParseOptions(const std::vector<std::string>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--headless") continue;
        if (arg == "--click" || arg == "--move") {
            Action action{arg == "--click" ? Action::kClick : Action::kMove, 0, 0, {}};
            if (!hasValue || !ParsePoint(args[++i], action.x, action.y)) {
                std::cerr << "kolo: " << arg << " needs X,Y\n";
                return false;
            }
            options.actions.push_back(action);
        } else if (arg == "--screenshot") {
            if (!hasValue || !EndsWith(args[i + 1], ".png")) {
                std::cerr << "kolo: --screenshot needs a FILE.png\n";
                return false;
            }
            options.actions.push_back(Action{Action::kScreenshot, 0, 0, args[++i]});
        } else if (arg == "--print-to") {
            if (!hasValue || !(EndsWith(args[i + 1], ".png") || EndsWith(args[i + 1], ".pdf"))) {
                std::cerr << "kolo: --print-to needs a FILE.pdf or FILE.png\n";
                return false;
            }
            options.printTo = args[++i];
        } else if (!TakeAddress(arg, options.address)) {
            return false;
        }
    }
    return true;
}

bool WritePrintedPage(const std::string& path, const PrintedPage& page, int dotsPerInch,
                      std::string& reason) {
    if (EndsWith(path, ".pdf")) {
        return WritePdfPage(path, page.rgb.data(), page.width, page.height, dotsPerInch, &reason);
    }
    return WritePng(path, page.rgb.data(), page.width, page.height, &reason);
}

// An output that could not be written: one line naming the file and why, and status 1.
int CannotWrite(const std::string& path, const std::string& reason) {
    std::cerr << "kolo: cannot write " << path << ": " << reason << '\n';
    return 1;
}

}  // namespace

int RunHeadless(const std::vector<std::string>& args) {
    Options options;
    if (!ParseOptions(args, options)) return 2;
    const std::string address =
        !options.address.empty() ? FolderAddress(options.address) : SamplesFolderUrl();

    SoftControl control([] { return std::make_unique<CurlSession>(); });
    control.onInitImage = [&control, &address]() { control.Board().SetImageURL(address); };

    auto log = std::make_shared<PrintJobLog>();
    if (!options.printTo.empty()) {
        control.printDialog = [log]() -> std::unique_ptr<DeviceContext> {
            return std::make_unique<PrinterPageContext>(kLetterPage, log);
        };
    }
    std::size_t pagesWritten = 0;
    int status = 0;

    control.Create();
    // The options replay on the whole folder, so that the run is the same every time.
    control.WaitForFolder();
    const ColouringBoard& board = control.Board();
    if (board.IgnoredLinkCount() > 0) {
        std::cerr << "kolo: the folder page links " << board.LinkCount() + board.IgnoredLinkCount()
                  << " pictures; only the first " << board.LinkCount() << " are loaded\n";
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
        }
        // A finished print job goes to the file at once; a later job replaces it.
        if (log->pages.size() > pagesWritten) {
            pagesWritten = log->pages.size();
            std::string reason;
            if (!WritePrintedPage(options.printTo, log->pages.back(), kLetterPage.dpiX, reason)) {
                status = CannotWrite(options.printTo, reason);
            }
        }
        if (control.Closed()) break;
    }
    return status != 0 ? status : folderStatus;
}

}  // namespace kolo
