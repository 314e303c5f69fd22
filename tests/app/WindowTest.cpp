// The program `kolo` in its window, driven like a user under the X server the test runs on
// (tests/app/with_xvfb.sh gives each test its own): clicks and keys through xdotool, the
// window read back from the server pixel by pixel, the cursor through XFixes, a print to a
// PDF file rendered back with pdftoppm. The headless driver of the same program gives the
// expected screens, so the window must show exactly the control's framebuffer.
// GoogleTest comes before Xlib, whose macros (None, Bool, Status) would break its templates.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
// clang-format on
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/soft/BmpResources.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"
#include "tests/support/LocalServer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);   // for anything the program should do
constexpr int kBoardWidth = 834;
constexpr int kBoardHeight = 644;

// Board points used below (client pixels).
constexpr int kWallX = 211, kWallY = 475;        // inside the house's wall
constexpr int kWallLineX = 182;                  // the wall's left line pixel next to it
constexpr int kUndoX = 100, kUndoY = 110;
constexpr int kRedoX = 240, kRedoY = 100;
constexpr int kPrintX = 385, kPrintY = 108;
constexpr int kExitX = 512, kExitY = 100;
constexpr int kPreviousX = 689, kNextX = 767, kArrowY = 386;
constexpr int kThumbnailX = 728, kThumbnailY = 276;
constexpr int kPaletteX = 716, kPaletteY = 550;  // a palette cell
constexpr int kSwatchX = 770, kSwatchY = 463;
constexpr unsigned kPink = 0xFF0084;             // the initial colour, 0xRRGGBB
constexpr unsigned kHalfPink = 0x7F0042;         // a line pixel beside it
constexpr unsigned kWhite = 0xFFFFFF;

struct Screen {
    int width = 0;
    int height = 0;
    std::vector<unsigned> pixels;   // 0xRRGGBB, top-down
    unsigned At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

bool ReadPng(const std::string& path, Screen& screen) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
    screen.width = static_cast<int>(image.width);
    screen.height = static_cast<int>(image.height);
    screen.pixels.resize(rgb.size() / 3);
    for (std::size_t i = 0; i < screen.pixels.size(); ++i) {
        screen.pixels[i] = (rgb[i * 3] << 16) | (rgb[i * 3 + 1] << 8) | rgb[i * 3 + 2];
    }
    return true;
}

// Runs a program to its end with a time limit; its exit status, or -1.
int RunProgram(const std::vector<std::string>& argv, const std::string& output = "/dev/null",
               int seconds = 60) {
    std::vector<std::string> limited{"/usr/bin/timeout", std::to_string(seconds)};
    limited.insert(limited.end(), argv.begin(), argv.end());
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen(output.c_str(), "w", stdout);
        std::freopen(output.c_str(), "a", stderr);
        std::vector<char*> args;
        for (const std::string& arg : limited) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WaitUntil(const std::function<bool()>& condition, Clock::duration patience = kPatience) {
    const auto end = Clock::now() + patience;
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

class KoloWindow : public ::testing::Test {
protected:
    void SetUp() override {
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr) << "no X server; run under tests/app/with_xvfb.sh";
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        prefix_ = ::testing::TempDir() + "kolo_window_" + info->name() + "_";
    }

    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (display_ != nullptr) XCloseDisplay(display_);
    }

    // Starts kolo with `args` and waits for its board window.
    void Start(const std::vector<std::string>& args) {
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen((prefix_ + "kolo.log").c_str(), "w", stdout);
            std::freopen((prefix_ + "kolo.log").c_str(), "a", stderr);
            std::vector<char*> argv{const_cast<char*>(KOLO_EXECUTABLE)};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ASSERT_GT(pid_, 0);
        ASSERT_TRUE(WaitUntil([&] { return (window_ = FindWindow(true, "")) != 0; }))
            << "no board window from kolo";
    }

    // A viewable top-level window of the program: the board window (834 × 644), or another
    // one titled `title`.
    Window FindWindow(bool board, const std::string& title) {
        const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children,
                        &count)) {
            return 0;
        }
        Window found = 0;
        for (unsigned i = 0; i < count && found == 0; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(display_, children[i], &attributes) ||
                attributes.map_state != IsViewable) {
                continue;
            }
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display_, children[i], pidAtom, 0, 1, False, XA_CARDINAL,
                                   &type, &format, &items, &after, &data) != Success ||
                data == nullptr) {
                continue;
            }
            const long owner = *reinterpret_cast<long*>(data);
            XFree(data);
            if (owner != pid_) continue;
            const bool isBoard =
                attributes.width == kBoardWidth && attributes.height == kBoardHeight;
            if (board && isBoard) found = children[i];
            if (!board && !isBoard && Title(children[i]) == title) found = children[i];
        }
        XFree(children);
        return found;
    }

    std::string Title(Window window) {
        char* name = nullptr;
        std::string title;
        if (XFetchName(display_, window, &name) && name != nullptr) {
            title = name;
            XFree(name);
        }
        return title;
    }

    Screen ReadWindow() {
        XSync(display_, False);
        Screen screen;
        XImage* image =
            XGetImage(display_, window_, 0, 0, kBoardWidth, kBoardHeight, AllPlanes, ZPixmap);
        if (image == nullptr) return screen;
        screen.width = kBoardWidth;
        screen.height = kBoardHeight;
        screen.pixels.resize(static_cast<std::size_t>(kBoardWidth) * kBoardHeight);
        for (int y = 0; y < kBoardHeight; ++y) {
            for (int x = 0; x < kBoardWidth; ++x) {
                screen.pixels[static_cast<std::size_t>(y) * kBoardWidth + x] =
                    XGetPixel(image, x, y) & 0xFFFFFF;
            }
        }
        XDestroyImage(image);
        return screen;
    }

    bool WaitForPixel(int x, int y, unsigned colour) {
        return WaitUntil([&] { return ReadWindow().At(x, y) == colour; });
    }

    // The screen the headless driver shows after the same options.
    // `status` is the driver's exit status for that folder (3 for one that gave no picture).
    Screen Expected(const std::vector<std::string>& options, int status = 0) {
        const std::string path = prefix_ + "expected.png";
        std::remove(path.c_str());
        std::vector<std::string> argv{KOLO_EXECUTABLE, "--headless"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back("--screenshot");
        argv.push_back(path);
        EXPECT_EQ(RunProgram(argv), status);
        Screen screen;
        EXPECT_TRUE(ReadPng(path, screen));
        return screen;
    }

    bool WaitForScreen(const Screen& expected) {
        return WaitUntil([&] { return ReadWindow().pixels == expected.pixels; });
    }

    void XDo(const std::vector<std::string>& args) {
        std::vector<std::string> argv{"/usr/bin/xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        ASSERT_EQ(RunProgram(argv, "/dev/null", 20), 0);
    }

    void MoveTo(int x, int y) {
        XDo({"mousemove", "--window", std::to_string(window_), std::to_string(x),
             std::to_string(y)});
    }

    void ClickAt(int x, int y) {
        MoveTo(x, y);
        XDo({"click", "1"});
    }

    // Keys go to the focused window: GTK ignores keys sent to a window directly.
    void Key(Window window, const std::string& key) {
        XDo({"windowfocus", "--sync", std::to_string(window)});
        XDo({"key", key});
    }

    // Presses `key` on `window` until `condition` holds, a few times at most: a key pressed
    // while the server is still moving the focus can be lost, which is no fault of the program.
    bool KeyUntil(Window window, const std::string& key, const std::function<bool()>& condition) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Key(window, key);
            if (WaitUntil(condition, std::chrono::seconds(5))) return true;
        }
        return false;
    }

    // Waits for the program to end; its exit status, or -1 after the patience runs out.
    int WaitForExit() {
        const auto end = Clock::now() + kPatience;
        int status = 0;
        while (Clock::now() < end) {
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

    // Whether the window shows the face bitmap `id` with its top-left corner at (left, top).
    bool ShowsFace(int id, int left, int top) {
        kolo::BmpResources resources(kolo::kEmbeddedResources, kolo::kEmbeddedResourceCount);
        const std::unique_ptr<kolo::DeviceBitmap> bitmap = resources.LoadBitmap(id);
        const auto* face = dynamic_cast<const kolo::SoftBitmap*>(bitmap.get());
        if (face == nullptr) return false;
        const Screen screen = ReadWindow();
        for (int y = 0; y < face->Height(); ++y) {
            for (int x = 0; x < face->Width(); ++x) {
                const kolo::ColourRef c = face->Surface().GetPixel(x, y);
                const unsigned rgb = (kolo::RedOf(c) << 16) | (kolo::GreenOf(c) << 8) |
                                     kolo::BlueOf(c);
                if (screen.At(left + x, top + y) != rgb) return false;
            }
        }
        return true;
    }

    std::string SamplesUrl() const { return std::string("file://") + KOLO_SAMPLES_DIR; }

    Display* display_ = nullptr;
    Window window_ = 0;
    pid_t pid_ = -1;
    std::string prefix_;
};

TEST_F(KoloWindow, ShowsTheBoardOnTheSamplesAtItsFixedSize) {
    Start({});
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display_, window_, &attributes));
    EXPECT_EQ(attributes.width, kBoardWidth);
    EXPECT_EQ(attributes.height, kBoardHeight);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display_, window_, &hints, &supplied));
    ASSERT_TRUE(hints.flags & PMinSize);
    ASSERT_TRUE(hints.flags & PMaxSize);
    EXPECT_EQ(hints.min_width, kBoardWidth);
    EXPECT_EQ(hints.max_width, kBoardWidth);
    EXPECT_EQ(hints.min_height, kBoardHeight);
    EXPECT_EQ(hints.max_height, kBoardHeight);
    EXPECT_TRUE(WaitForScreen(Expected({SamplesUrl()})))
        << "the window does not show the control's screen of the samples";
    // The title counts the pictures while the folder loads, and is plain once it has loaded.
    EXPECT_EQ(Title(window_), "Kolo");
}

TEST_F(KoloWindow, FillUndoAndRedoRecolourTheAreaAndItsBorder) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ASSERT_EQ(ReadWindow().At(kWallX, kWallY), kWhite);

    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    EXPECT_EQ(ReadWindow().At(kWallLineX, kWallY), kHalfPink);
    EXPECT_TRUE(WaitForScreen(Expected({"--click", "211,475", SamplesUrl()})));

    ClickAt(kUndoX, kUndoY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kWhite));
    EXPECT_EQ(ReadWindow().At(kWallLineX, kWallY), 0x000000u);
    EXPECT_TRUE(WaitForScreen(Expected({"--click", "211,475", "--click", "100,110", SamplesUrl()})))
        << "undo and redo buttons do not show their faces as the control does";

    ClickAt(kRedoX, kRedoY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    EXPECT_EQ(ReadWindow().At(kWallLineX, kWallY), kHalfPink);
}

TEST_F(KoloWindow, PaletteCellSetsTheSwatch) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    const unsigned cell = ReadWindow().At(kPaletteX, kPaletteY);
    ASSERT_NE(cell, kPink);
    ASSERT_EQ(ReadWindow().At(kSwatchX, kSwatchY), kPink);

    ClickAt(kPaletteX, kPaletteY);
    ASSERT_TRUE(WaitForPixel(kSwatchX, kSwatchY, cell));
    ClickAt(kWallX, kWallY);
    EXPECT_TRUE(WaitForPixel(kWallX, kWallY, cell));
}

TEST_F(KoloWindow, ArrowsMoveTheThumbnailAndAThumbnailClickChangesTheCanvas) {
    Start({});
    const Screen first = Expected({SamplesUrl()});
    ASSERT_TRUE(WaitForScreen(first));

    // The button shows its pressed face while held down, its normal face once released.
    constexpr int kNextLeft = 751, kNextTop = 370;
    ASSERT_TRUE(ShowsFace(kolo::kIdNextNormal, kNextLeft, kNextTop));
    MoveTo(kNextX, kArrowY);
    XDo({"mousedown", "1"});
    EXPECT_TRUE(WaitUntil([&] { return ShowsFace(kolo::kIdNextPressed, kNextLeft, kNextTop); }));
    XDo({"mouseup", "1"});
    EXPECT_TRUE(WaitUntil([&] { return ShowsFace(kolo::kIdNextNormal, kNextLeft, kNextTop); }));
    EXPECT_TRUE(WaitForScreen(Expected({"--click", "767,386", SamplesUrl()})));

    ClickAt(kPreviousX, kArrowY);
    EXPECT_TRUE(WaitForScreen(
        Expected({"--click", "767,386", "--click", "689,386", SamplesUrl()})));

    ClickAt(kNextX, kArrowY);
    ClickAt(kThumbnailX, kThumbnailY);
    const Screen chosen = Expected({"--click", "767,386", "--click", "689,386", "--click",
                                    "767,386", "--click", "728,276", SamplesUrl()});
    EXPECT_TRUE(WaitForScreen(chosen));
    // The canvas now holds another picture than the house the folder opened on.
    int differing = 0;
    for (int y = 155; y < 607; ++y) {
        for (int x = 31; x < 603; ++x) differing += chosen.At(x, y) != first.At(x, y);
    }
    EXPECT_GT(differing, 1000);
}

TEST_F(KoloWindow, BrushCursorOverTheCanvasArrowElsewhere) {
    int eventBase = 0, errorBase = 0;
    ASSERT_TRUE(XFixesQueryExtension(display_, &eventBase, &errorBase));
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));

    auto brushShown = [&] {
        XFixesCursorImage* cursor = XFixesGetCursorImage(display_);
        if (cursor == nullptr) return false;
        const bool brush = cursor->width == 96 && cursor->height == 72 && cursor->xhot == 0 &&
                           cursor->yhot == 66;
        XFree(cursor);
        return brush;
    };
    MoveTo(300, 300);
    EXPECT_TRUE(WaitUntil(brushShown)) << "no brush cursor with its tip at (0, 66)";
    MoveTo(700, 300);
    EXPECT_TRUE(WaitUntil([&] { return !brushShown(); })) << "the brush stays off the canvas";
    MoveTo(200, 400);
    EXPECT_TRUE(WaitUntil(brushShown));
}

TEST_F(KoloWindow, PrintWritesOnePdfPageInsideOneInchMargins) {
    const std::string pdf = prefix_ + "page.pdf";
    std::remove(pdf.c_str());
    Start({"--print-to", pdf});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    ClickAt(kPrintX, kPrintY);

    // The export runs inside the click; the page is whole once pdftoppm can read it.
    constexpr int kDpi = 72;
    const std::string png = prefix_ + "page";
    Screen page;
    ASSERT_TRUE(WaitUntil([&] {
        return RunProgram({"/usr/bin/pdftoppm", "-r", std::to_string(kDpi), "-png",
                           "-singlefile", pdf, png}) == 0 &&
               ReadPng(png + ".png", page);
    })) << "no readable PDF from the print button";
    const std::string info = prefix_ + "info.txt";
    ASSERT_EQ(RunProgram({"/usr/bin/pdfinfo", pdf}, info), 0);
    EXPECT_NE(ReadFile(info).find("Pages:           1\n"), std::string::npos);

    // Everything printed lies inside one inch from every edge. The house, wider than the
    // printable area in proportion, fills its width and is centred down the page: its ground
    // line spans the whole width and its path reaches the bottom edge.
    int left = page.width, top = page.height, right = -1, bottom = -1, pink = 0, black = 0;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            const unsigned colour = page.At(x, y);
            if (colour == kWhite) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            const int r = colour >> 16, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
            pink += r > 230 && g < 30 && b > 110 && b < 155;
            black += r < 40 && g < 40 && b < 40;
        }
    }
    ASSERT_GE(right, 0) << "an empty page";
    EXPECT_GE(left, kDpi - 1);
    EXPECT_GE(top, kDpi - 1);
    EXPECT_LE(right, page.width - kDpi);
    EXPECT_LE(bottom, page.height - kDpi);
    const int printableWidth = page.width - 2 * kDpi;
    const int printableHeight = page.height - 2 * kDpi;
    EXPECT_NEAR(right - left + 1, printableWidth, 3);
    const int pictureHeight = printableWidth * 452 / 572;
    const int pictureTop = kDpi + (printableHeight - pictureHeight) / 2;
    EXPECT_GE(top, pictureTop - 2);
    EXPECT_NEAR(bottom, pictureTop + pictureHeight - 1, 3);
    EXPECT_GT(pink, 2000) << "the filled wall is missing from the page";
    EXPECT_GT(black, 500) << "the lines are missing from the page";

    ClickAt(kExitX, kExitY);
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, CancellingThePrintDialogPrintsNothing) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kPrintX, kPrintY);
    Window dialog = 0;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindow(false, "Print")) != 0; }))
        << "no print dialog";
    ASSERT_TRUE(KeyUntil(dialog, "Escape", [&] { return FindWindow(false, "Print") == 0; }));
    // The board goes on as before: a fill still works, and Exit still ends the program.
    ClickAt(kWallX, kWallY);
    EXPECT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    ClickAt(kExitX, kExitY);
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, ExitEndsTheProgramWithStatusZero) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kExitX, kExitY);
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, OpensAFolderFromALoopbackHttpServer) {
    kolo::test::LocalServer server(kolo::test::PythonHttpServerCommand(KOLO_SAMPLES_DIR));
    ASSERT_TRUE(server.Running());
    Start({server.Url()});
    ASSERT_TRUE(WaitForScreen(Expected({server.Url()})));
    ClickAt(kWallX, kWallY);
    EXPECT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    EXPECT_EQ(ReadWindow().At(kWallLineX, kWallY), kHalfPink);
}

TEST_F(KoloWindow, BadAddressShowsTheMessageAndKeepsRunning) {
    // Nothing listens on port 1 of the loopback address.
    const std::string address = "http://127.0.0.1:1/";
    Start({address});
    Window message = 0;
    ASSERT_TRUE(WaitUntil([&] { return (message = FindWindow(false, "Kolo")) != 0; }))
        << "no message window titled Kolo";
    ASSERT_TRUE(KeyUntil(message, "Return", [&] { return FindWindow(false, "Kolo") == 0; }));
    EXPECT_TRUE(WaitForScreen(Expected({address}, 3)))
        << "the board should stay empty, with its No Image text";
    ClickAt(kExitX, kExitY);
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, F1ShowsTheAboutBoxUntilOk) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    const auto aboutShown = [&] { return FindWindow(false, "About Kolo Control") != 0; };
    const auto aboutGone = [&] { return FindWindow(false, "About Kolo Control") == 0; };
    ASSERT_TRUE(KeyUntil(window_, "F1", aboutShown));
    EXPECT_TRUE(KeyUntil(FindWindow(false, "About Kolo Control"), "Return", aboutGone));
    // Shown again on the next F1: each time a fresh modal box.
    ASSERT_TRUE(KeyUntil(window_, "F1", aboutShown));
    EXPECT_TRUE(KeyUntil(FindWindow(false, "About Kolo Control"), "Escape", aboutGone));
    ClickAt(kExitX, kExitY);
    EXPECT_EQ(WaitForExit(), 0);
}

}  // namespace
