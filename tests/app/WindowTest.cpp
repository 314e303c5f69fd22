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
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/BoardView.h"
#include "board/ColouringBoard.h"
#include "control/BoardMirror.h"
#include "platform/soft/BmpResources.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"
#include "tests/support/LocalServer.h"
#include "tests/support/RingEdge.h"

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

// A print's PDF read back at `dpi` into `png`.png, waiting until it is whole: the export
// may still be writing it.
bool WaitForPdfPage(const std::string& pdf, const std::string& png, int dpi, Screen& page) {
    return WaitUntil([&] {
        return RunProgram({"/usr/bin/pdftoppm", "-r", std::to_string(dpi), "-png", "-singlefile", pdf,
                           png}) == 0 &&
               ReadPng(png + ".png", page);
    });
}

class KoloWindow : public ::testing::Test {
protected:
    void SetUp() override {
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr) << "no X server; run under tests/app/with_xvfb.sh";
        // A window the test looks at may close between being listed and being asked about:
        // the call then fails, as the test expects, instead of Xlib ending the test program.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // Per process: two trees may run the same test at once.
        prefix_ = ::testing::TempDir() + "kolo_window_" + std::to_string(getpid()) + "_" + info->name() + "_";
        // A case of a table is named "Test/Case".
        std::replace(prefix_.begin() + static_cast<std::ptrdiff_t>(::testing::TempDir().size()),
                     prefix_.end(), '/', '_');
        // Work kept by an earlier run of the same test must not come back in this one.
        std::filesystem::remove_all(DataHome());
    }

    void TearDown() override {
        if (windowManager_ > 0) {
            kill(windowManager_, SIGTERM);
            waitpid(windowManager_, nullptr, 0);
        }
        for (const pid_t pid : {pid_, otherPid_}) {
            if (pid <= 0) continue;
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (display_ != nullptr) XCloseDisplay(display_);
        // Named per process, the files of a passed test would pile up; a failed one's stay to
        // be read.
        if (HasFailure()) return;
        std::error_code ignored;
        const std::string name = std::filesystem::path(prefix_).filename();
        for (const auto& entry : std::filesystem::directory_iterator(::testing::TempDir(), ignored)) {
            if (entry.path().filename().string().rfind(name, 0) == 0) std::filesystem::remove_all(entry.path(), ignored);
        }
    }

    // Starts kolo with `args` and waits for its board window and the board in it (unless
    // another page comes first). Each test keeps its work in a data folder of its own.
    void Start(const std::vector<std::string>& args, bool boardFirst = true) {
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen((prefix_ + "kolo.log").c_str(), "w", stdout);
            std::freopen((prefix_ + "kolo.log").c_str(), "a", stderr);
            setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
            // SIGQUIT dumps no core into the test's folder.
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            if (fileSizeLimit_ > 0) {
                // As a full disk would: writes past the limit fail instead of ending the program.
                signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{fileSizeLimit_, fileSizeLimit_};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::vector<char*> argv;
            for (const std::string& arg : launcher_) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(const_cast<char*>(KOLO_EXECUTABLE));
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        ASSERT_GT(pid_, 0);
        ASSERT_TRUE(WaitUntil([&] { return (window_ = FindWindow(true, "")) != 0; }))
            << "no board window from kolo";
        if (!boardFirst) return;
        ASSERT_TRUE(WaitUntil([&] { return FindBoard(); })) << "no board in the window";
    }

    std::string DataHome() const { return prefix_ + "data"; }

    // A window manager for what needs one (full screen); started after the board window was
    // found, which it then takes over.
    void StartWindowManager() {
        windowManager_ = fork();
        if (windowManager_ == 0) {
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            execl("/usr/bin/openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(windowManager_, 0);
    }

    bool WindowSizeIs(int width, int height) {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window_, &attributes) &&
               attributes.width == width && attributes.height == height;
    }

    bool Running() { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

    // The skin as the board shows it: mirrored in a language read right to left.
    std::unique_ptr<kolo::FramebufferContext> ShownSkin() {
        kolo::BmpResources resources(kolo::kEmbeddedResources, kolo::kEmbeddedResourceCount);
        const std::unique_ptr<kolo::DeviceBitmap> bitmap = resources.LoadBitmap(kolo::kIdSkin);
        const auto* skin = dynamic_cast<const kolo::SoftBitmap*>(bitmap.get());
        if (skin == nullptr) return nullptr;
        auto shown = std::make_unique<kolo::FramebufferContext>(kBoardWidth, kBoardHeight);
        kolo::BoardMirror(mirrored_).Compose(skin->Surface(), *shown, kolo::kBoardRect);
        return shown;
    }

    // Where the board's area lies in the window (below the header bar, inside the window's
    // edges): found where the skin's title rows, which nothing paints over, appear one to one.
    bool FindBoard() {
        const std::unique_ptr<kolo::FramebufferContext> skin = ShownSkin();
        if (skin == nullptr) return false;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, window_, &attributes)) return false;
        const Screen shown = ReadArea(0, 0, attributes.width, attributes.height);
        if (shown.width == 0) return false;
        for (int top = 0; top + kBoardHeight <= shown.height; ++top) {
            for (int left = 0; left + kBoardWidth <= shown.width; ++left) {
                if (SkinAt(*skin, shown, left, top)) {
                    areaLeft_ = left;
                    areaTop_ = top;
                    decorationWidth_ = attributes.width - kBoardWidth;
                    decorationHeight_ = attributes.height - kBoardHeight;
                    return true;
                }
            }
        }
        return false;
    }

    static bool SkinAt(const kolo::FramebufferContext& skin, const Screen& shown, int left, int top) {
        if (left + kBoardWidth > shown.width || top + kBoardHeight > shown.height) return false;
        for (int y = 0; y < 80; y += 7) {
            for (int x = 0; x < kBoardWidth; x += 13) {
                const kolo::ColourRef c = skin.GetPixel(x, y);
                const unsigned rgb = (kolo::RedOf(c) << 16) | (kolo::GreenOf(c) << 8) |
                                     kolo::BlueOf(c);
                if (shown.At(left + x, top + y) != rgb) return false;
            }
        }
        return true;
    }

    // Whether the board's title rows still show where they were found: a notice covers them.
    bool BoardInPlace() {
        const std::unique_ptr<kolo::FramebufferContext> skin = ShownSkin();
        return skin != nullptr &&
               SkinAt(*skin, ReadArea(0, 0, areaLeft_ + kBoardWidth, areaTop_ + kBoardHeight),
                      areaLeft_, areaTop_);
    }

    // The area's size now: the window less what its bar and edges took at the start.
    void AreaSize(int& width, int& height) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, window_, &attributes);
        width = attributes.width - decorationWidth_;
        height = attributes.height - decorationHeight_;
    }

    kolo::BoardPlacement Placement() {
        int width = 0, height = 0;
        AreaSize(width, height);
        return kolo::FitBoard(width, height);
    }

    // A rectangle of the window as the server shows it.
    Screen ReadArea(int left, int top, int width, int height) {
        XSync(display_, False);
        Screen screen;
        XImage* image = XGetImage(display_, window_, left, top, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (image == nullptr) return screen;
        screen.width = width;
        screen.height = height;
        screen.pixels.resize(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                screen.pixels[static_cast<std::size_t>(y) * width + x] =
                    XGetPixel(image, x, y) & 0xFFFFFF;
            }
        }
        XDestroyImage(image);
        return screen;
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
            const bool isBoard = Role(children[i]) == "kolo-board";
            if (board && isBoard) found = children[i];
            if (!board && !isBoard && Title(children[i]) == title) found = children[i];
        }
        XFree(children);
        return found;
    }

    // How many top-level windows of the program are on the screen.
    int CountWindows() {
        const Atom pidAtom = XInternAtom(display_, "_NET_WM_PID", False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) return -1;
        int shown = 0;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            Atom type = 0;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            if (!XGetWindowAttributes(display_, children[i], &attributes) ||
                attributes.map_state != IsViewable ||
                XGetWindowProperty(display_, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                                   &format, &items, &after, &data) != Success ||
                data == nullptr) {
                continue;
            }
            shown += *reinterpret_cast<long*>(data) == pid_ ? 1 : 0;
            XFree(data);
        }
        XFree(children);
        return shown;
    }

    std::string Role(Window window) {
        const Atom roleAtom = XInternAtom(display_, "WM_WINDOW_ROLE", False);
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        std::string role;
        if (XGetWindowProperty(display_, window, roleAtom, 0, 64, False, AnyPropertyType, &type,
                               &format, &items, &after, &data) == Success &&
            data != nullptr) {
            role.assign(reinterpret_cast<char*>(data), items);
            XFree(data);
        }
        return role;
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

    // The board as the window shows it, one sample a board pixel (its centre) at any scale.
    Screen ReadWindow() {
        const kolo::BoardPlacement placement = Placement();
        if (placement.width == kBoardWidth && placement.height == kBoardHeight) {
            return ReadArea(areaLeft_ + placement.left, areaTop_ + placement.top, kBoardWidth,
                            kBoardHeight);
        }
        const Screen shown = ReadArea(areaLeft_ + placement.left, areaTop_ + placement.top,
                                      placement.width, placement.height);
        Screen board;
        if (shown.width == 0) return board;
        board.width = kBoardWidth;
        board.height = kBoardHeight;
        board.pixels.resize(static_cast<std::size_t>(kBoardWidth) * kBoardHeight);
        for (int y = 0; y < kBoardHeight; ++y) {
            for (int x = 0; x < kBoardWidth; ++x) {
                const int sx = std::min(shown.width - 1,
                                        static_cast<int>((x + 0.5) * placement.scale));
                const int sy = std::min(shown.height - 1,
                                        static_cast<int>((y + 0.5) * placement.scale));
                board.pixels[static_cast<std::size_t>(y) * kBoardWidth + x] = shown.At(sx, sy);
            }
        }
        return board;
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

    // Moves to the window point that shows board point (x, y): its pixel's centre.
    void MoveTo(int x, int y) {
        const kolo::BoardPlacement placement = Placement();
        const int wx = areaLeft_ + placement.left + static_cast<int>((x + 0.5) * placement.scale);
        const int wy = areaTop_ + placement.top + static_cast<int>((y + 0.5) * placement.scale);
        XDo({"mousemove", "--window", std::to_string(window_), std::to_string(wx),
             std::to_string(wy)});
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
    bool KeyUntil(Window window, const std::string& key, const std::function<bool()>& condition,
                  Clock::duration attempt = std::chrono::seconds(5)) {
        for (int tries = 0; tries < 3; ++tries) {
            Key(window, key);
            if (WaitUntil(condition, attempt)) return true;
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

    // The centres of the tiles of a page the window shows instead of the board (the children's
    // names, the gallery), left to right: the runs of the tallest band of rows below `top`
    // whose pixels are not the page's background, the colour at (bgX, bgY).
    std::vector<std::pair<int, int>> Tiles(int top, int bgX, int bgY) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, window_, &attributes);
        const Screen shown = ReadArea(0, 0, attributes.width, attributes.height);
        if (shown.width == 0) return {};
        const unsigned background = shown.At(bgX, bgY);
        constexpr int kEdge = 12;   // the window's own edges are left out
        const auto busy = [&](int y) {
            for (int x = kEdge; x < shown.width - kEdge; ++x) {
                if (shown.At(x, y) != background) return true;
            }
            return false;
        };
        int bandTop = 0, bandHeight = 0;
        for (int y = top; y < shown.height - kEdge;) {
            int end = y;
            while (end < shown.height - kEdge && busy(end)) ++end;
            if (end - y > bandHeight) bandTop = y, bandHeight = end - y;
            y = end + 1;
        }
        std::vector<std::pair<int, int>> tiles;
        const int middle = bandTop + bandHeight / 2;
        for (int x = kEdge; x < shown.width - kEdge;) {
            if (shown.At(x, middle) == background) {
                ++x;
                continue;
            }
            int end = x;
            // A tile's run may hold a few background pixels (lines of a picture's paper).
            while (end < shown.width - kEdge &&
                   (shown.At(end, middle) != background || shown.At(std::min(end + 4, shown.width - 1), middle) != background)) {
                ++end;
            }
            if (end - x > 40) tiles.emplace_back((x + end) / 2, middle);
            x = end + 1;
        }
        return tiles;
    }

    void ClickWindowAt(const std::pair<int, int>& point) {
        XDo({"mousemove", "--window", std::to_string(window_), std::to_string(point.first),
             std::to_string(point.second)});
        XDo({"click", "1"});
    }

    std::string SamplesUrl() const { return std::string("file://") + KOLO_SAMPLES_DIR; }

    // The house's wall coloured in one run and kept: the path of its record, the only one.
    std::string KeepAFill() {
        Start({});
        EXPECT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
        ClickAt(kWallX, kWallY);
        EXPECT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
        Key(window_, "ctrl+q");
        EXPECT_EQ(WaitForExit(), 0);
        std::vector<std::string> records;
        for (const auto& entry : std::filesystem::directory_iterator(DataHome() + "/kolo")) {
            if (entry.path().extension() == ".work") records.push_back(entry.path());
        }
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? std::string() : records[0];
    }

    Display* display_ = nullptr;
    Window window_ = 0;
    pid_t windowManager_ = -1;
    int areaLeft_ = 0;           // the board's area in the window
    int areaTop_ = 0;
    int decorationWidth_ = 0;    // the window's size beyond its area
    int decorationHeight_ = 0;
    pid_t pid_ = -1;
    pid_t otherPid_ = -1;                 // a second instance, when a test runs two
    std::vector<std::string> launcher_;   // runs the program, when set: kolo is its last word
    rlim_t fileSizeLimit_ = 0;            // bytes a file may take, when set
    bool mirrored_ = false;               // the program runs in a language read right to left
    std::string prefix_;
};

TEST_F(KoloWindow, OpensAtTheLargestWholeScaleThatFitsAndCanBeResized) {
    Start({});
    int width = 0, height = 0;
    AreaSize(width, height);
    // 85 % of the test's 1920 × 1440 screen holds the board once, not twice.
    EXPECT_EQ(width, kBoardWidth);
    EXPECT_EQ(height, kBoardHeight);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display_, window_, &hints, &supplied));
    if (hints.flags & PMaxSize) {
        EXPECT_GT(hints.max_width, kBoardWidth * 2) << "the window cannot be made larger";
    }
    if (hints.flags & PMinSize) {
        EXPECT_LT(hints.min_width, kBoardWidth);
    }
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

TEST_F(KoloWindow, InArabicTheBoardIsMirroredWithThePaletteOnTheLeft) {
    setenv("LANGUAGE", "ar", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    mirrored_ = true;
    Start({});
    // The canvas moved right by 200 pixels, unmirrored; the palette and the swatch are on the
    // left, turned over.
    constexpr int kShift = 200;
    constexpr unsigned kCell = 0xCC9900;   // the colour of the palette cell at kPaletteX, kPaletteY
    const int paletteX = kBoardWidth - 1 - kPaletteX, swatchX = kBoardWidth - 1 - kSwatchX;
    ASSERT_TRUE(WaitUntil([&] { return ReadWindow().At(kWallLineX + kShift, kWallY) != kWhite; }));
    EXPECT_EQ(ReadWindow().At(paletteX, kPaletteY), kCell);
    EXPECT_EQ(ReadWindow().At(swatchX, kSwatchY), kPink);

    ClickAt(paletteX, kPaletteY);
    ASSERT_TRUE(WaitForPixel(swatchX, kSwatchY, kCell));
    ClickAt(kWallX + kShift, kWallY);
    EXPECT_TRUE(WaitForPixel(kWallX + kShift, kWallY, kCell));
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
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

// Print all pictures: every picture of the folder, one a page, with its colouring.
TEST_F(KoloWindow, PrintAllWritesEveryPictureWithItsColouring) {
    const std::string pdf = prefix_ + "all.pdf";
    std::remove(pdf.c_str());
    Start({"--print-to", pdf});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    const std::string info = prefix_ + "all.txt";
    // Each page is fitted again at the printer's detail, which takes a while on a busy machine.
    ASSERT_TRUE(KeyUntil(window_, "ctrl+shift+p", [&] {
        return RunProgram({"/usr/bin/pdfinfo", pdf}, info) == 0;
    }, std::chrono::seconds(20))) << "no readable PDF from Print all pictures";
    EXPECT_NE(ReadFile(info).find("Pages:           11\n"), std::string::npos) << ReadFile(info);
    const std::string png = prefix_ + "all";
    Screen page;
    ASSERT_EQ(RunProgram({"/usr/bin/pdftoppm", "-r", "36", "-png", "-f", "1", "-l", "1",
                          "-singlefile", pdf, png}), 0);
    ASSERT_TRUE(ReadPng(png + ".png", page));
    int pink = 0;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            const unsigned colour = page.At(x, y);
            const int r = colour >> 16, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
            pink += r > 230 && g < 30 && b > 110 && b < 155;
        }
    }
    EXPECT_GT(pink, 100) << "the first page shows the house as coloured";
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
    ASSERT_TRUE(WaitForPdfPage(pdf, png, kDpi, page)) << "no readable PDF from the print button";
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

constexpr int kScreenWidth = 1920, kScreenHeight = 1440;   // with_xvfb.sh's screen

TEST_F(KoloWindow, WorkIsKeptWhenBrowsingAwayAndBackAndOnTheNextRun) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));

    // Another picture on the canvas, then the house again through the keyboard: a step right
    // and the thumbnail open the next picture; a step left and Enter bring back the house, the
    // first picture, its wall coloured.
    Key(window_, "Right");
    ClickAt(kThumbnailX, kThumbnailY);
    std::vector<std::string> browse{"--click", "211,475", "--click", "767,386", "--click", "728,276"};
    std::vector<std::string> away = browse;
    away.push_back(SamplesUrl());
    ASSERT_TRUE(WaitForScreen(Expected(away)));
    Key(window_, "Left");
    Key(window_, "Return");
    browse.insert(browse.end(), {"--click", "689,386", "--click", "728,276", SamplesUrl()});
    ASSERT_TRUE(WaitForScreen(Expected(browse))) << "the house did not come back coloured";
    EXPECT_EQ(ReadWindow().At(kWallX, kWallY), kPink);
    ASSERT_TRUE(KeyUntil(window_, "ctrl+z", [&] { return ReadWindow().At(kWallX, kWallY) == kWhite; }))
        << "undo does not reach the fill made before browsing";
    ASSERT_TRUE(KeyUntil(window_, "ctrl+y", [&] { return ReadWindow().At(kWallX, kWallY) == kPink; }));

    // Quit without a question, start again: the colouring and its undo are back.
    Key(window_, "ctrl+q");
    ASSERT_EQ(WaitForExit(), 0);
    Start({});
    EXPECT_TRUE(WaitForScreen(Expected({"--click", "211,475", SamplesUrl()})))
        << "the colouring was not restored on the next run";
    EXPECT_TRUE(KeyUntil(window_, "ctrl+z", [&] { return ReadWindow().At(kWallX, kWallY) == kWhite; }));
    EXPECT_TRUE(WaitForScreen(Expected({"--click", "211,475", "--click", "100,110", SamplesUrl()})));
    ClickAt(kExitX, kExitY);
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, SaveWritesTheComposedCanvasAsTheHeadlessDriverDoes) {
    const std::string saved = prefix_ + "saved.png";
    const std::string expected = prefix_ + "expected-save.png";
    std::remove(saved.c_str());
    Start({"--save-to", saved});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    Screen picture;
    ASSERT_TRUE(KeyUntil(window_, "ctrl+s", [&] { return ReadPng(saved, picture); }));
    ASSERT_EQ(RunProgram({KOLO_EXECUTABLE, "--headless", "--click", "211,475", "--save", expected,
                          SamplesUrl()}),
              0);
    Screen composed;
    ASSERT_TRUE(ReadPng(expected, composed));
    EXPECT_EQ(picture.width, 572);
    EXPECT_EQ(picture.height, 452);
    EXPECT_TRUE(picture.pixels == composed.pixels);
    EXPECT_EQ(picture.At(kWallX - 31, kWallY - 155), kPink);
}

TEST_F(KoloWindow, AtTwiceTheSizeClicksLandOnTheSameBoardPoints) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    XDo({"windowsize", std::to_string(window_), std::to_string(2 * kBoardWidth + decorationWidth_),
         std::to_string(2 * kBoardHeight + decorationHeight_)});
    ASSERT_TRUE(WaitUntil([&] { return Placement().scale == 2.0; })) << "the window did not grow";
    // Around the canvas the board is sharp at a whole factor, as the headless screen at the
    // same detail enlarged; the canvas shows the picture at twice the detail, so its curves
    // are finer than blocks.
    const auto sameBoard = [&](const Screen& expected) {
        return WaitUntil([&] {
            const Screen shown = ReadWindow();
            if (shown.pixels.size() != expected.pixels.size()) return false;
            for (int y = 0; y < kBoardHeight; ++y) {
                for (int x = 0; x < kBoardWidth; ++x) {
                    const bool inCanvas = x >= 31 && x < 603 && y >= 155 && y < 607;
                    if (!inCanvas && shown.At(x, y) != expected.At(x, y)) return false;
                }
            }
            return shown.At(kWallX, kWallY) == expected.At(kWallX, kWallY);
        });
    };
    ASSERT_TRUE(sameBoard(Expected({"--detail", "2", SamplesUrl()})));
    const kolo::BoardPlacement placement = Placement();
    const Screen shown = ReadArea(areaLeft_ + placement.left + 2 * 31,
                                  areaTop_ + placement.top + 2 * 155, 2 * 572, 2 * 452);
    int finer = 0;
    for (int y = 0; y + 1 < shown.height; y += 2) {
        for (int x = 0; x + 1 < shown.width; x += 2) {
            const unsigned c = shown.At(x, y);
            finer += shown.At(x + 1, y) != c || shown.At(x, y + 1) != c ||
                     shown.At(x + 1, y + 1) != c;
        }
    }
    EXPECT_GT(finer, 1000);

    ClickAt(kPaletteX, kPaletteY);
    ClickAt(kWallX, kWallY);
    EXPECT_TRUE(sameBoard(
        Expected({"--detail", "2", "--click", "716,550", "--click", "211,475", SamplesUrl()})))
        << "clicks at twice the size did not reach the same cell and area";
}

TEST_F(KoloWindow, F11TogglesFullScreenWithTheBoardScaledToFit) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    StartWindowManager();
    ASSERT_TRUE(KeyUntil(window_, "F11", [&] { return WindowSizeIs(kScreenWidth, kScreenHeight); }))
        << "F11 did not make the window full screen";
    const kolo::BoardPlacement full = kolo::FitBoard(kScreenWidth, kScreenHeight - decorationHeight_);
    EXPECT_GT(full.scale, 2.0);
    ASSERT_TRUE(KeyUntil(window_, "F11", [&] { return !WindowSizeIs(kScreenWidth, kScreenHeight); }));
    EXPECT_TRUE(WaitUntil([&] {
        return WindowSizeIs(kBoardWidth + decorationWidth_, kBoardHeight + decorationHeight_);
    })) << "leaving full screen did not bring the window's size back";
    EXPECT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
}

TEST_F(KoloWindow, EachShortcutOnce) {
    const std::string saved = prefix_ + "shortcut.png";
    std::remove(saved.c_str());
    Start({"--save-to", saved});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));

    // Each key, with the clicks that do the same on the headless driver.
    struct Step {
        const char* key;
        std::vector<std::string> clicks;
    };
    const Step steps[] = {
        {"ctrl+z", {"100,110"}},      {"ctrl+y", {"240,100"}},   {"ctrl+z", {"100,110"}},
        {"ctrl+shift+z", {"240,100"}}, {"Right", {"767,386"}},   {"Page_Down", {"767,386"}},
        {"Page_Up", {"689,386"}},     {"Left", {"689,386"}},
    };
    std::vector<std::string> options{"--click", "211,475"};
    for (const Step& step : steps) {
        for (const std::string& click : step.clicks) options.insert(options.end(), {"--click", click});
        std::vector<std::string> withFolder = options;
        withFolder.push_back(SamplesUrl());
        const Screen expected = Expected(withFolder);
        EXPECT_TRUE(KeyUntil(window_, step.key, [&] { return ReadWindow().pixels == expected.pixels; }))
            << step.key;
    }
    // New page clears the wall, undoably.
    EXPECT_TRUE(KeyUntil(window_, "ctrl+n", [&] { return ReadWindow().At(kWallX, kWallY) == kWhite; }));
    EXPECT_TRUE(KeyUntil(window_, "ctrl+z", [&] { return ReadWindow().At(kWallX, kWallY) == kPink; }));
    Screen picture;
    EXPECT_TRUE(KeyUntil(window_, "ctrl+s", [&] { return ReadPng(saved, picture); }));
    EXPECT_TRUE(KeyUntil(window_, "ctrl+p", [&] { return FindWindow(false, "Print") != 0; }));
    EXPECT_TRUE(KeyUntil(FindWindow(false, "Print"), "Escape", [&] { return FindWindow(false, "Print") == 0; }));
    EXPECT_TRUE(KeyUntil(window_, "F1", [&] { return FindWindow(false, "About Kolo Control") != 0; }));
    EXPECT_TRUE(KeyUntil(FindWindow(false, "About Kolo Control"), "Return",
                         [&] { return FindWindow(false, "About Kolo Control") == 0; }));
    // Enter puts the thumbnail's picture (the second) on the canvas.
    Key(window_, "Right");
    const Screen opened =
        Expected({"--click", "211,475", "--click", "767,386", "--click", "728,276", SamplesUrl()});
    EXPECT_TRUE(KeyUntil(window_, "Return", [&] { return ReadWindow().pixels == opened.pixels; }));
    Key(window_, "ctrl+q");
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, KioskIgnoresExitAndCtrlQAndLeavesOnCtrlAltQ) {
    Start({"--kiosk"});
    EXPECT_EQ(decorationHeight_, 0) << "the header bar shows in the classroom mode";
    StartWindowManager();
    ASSERT_TRUE(WaitUntil([&] { return WindowSizeIs(kScreenWidth, kScreenHeight); }))
        << "the classroom mode is not full screen";
    ClickAt(kExitX, kExitY);
    Key(window_, "ctrl+q");
    Key(window_, "alt+F4");   // the window manager's close, as its close button does
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_TRUE(Running()) << "the program ended in the classroom mode";
    ClickAt(kWallX, kWallY);
    EXPECT_TRUE(WaitForPixel(kWallX, kWallY, kPink)) << "a click at the full screen's scale";
    Key(window_, "ctrl+alt+q");
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, KioskOpensNothingOutsideTheBoardWhateverIsPressed) {
    const std::string classFolder = prefix_ + "class";
    std::filesystem::remove_all(classFolder);
    Start({"--kiosk", "--save-dir", classFolder, "--child", "Ana", "--children", "Ana,Ben"});
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    const auto onlyTheBoard = [&](const std::string& what) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(CountWindows(), 1) << "a window opened after " << what;
        EXPECT_TRUE(Running()) << "the program ended after " << what;
        // Whatever opened is closed again, so that the next key reaches the board.
        if (CountWindows() > 1) XDo({"key", "Escape"});
    };
    // Every key of the window, those it refuses in a classroom and the desktop's usual ones.
    const char* keys[] = {"ctrl+z", "ctrl+y", "ctrl+shift+z", "Left", "Right", "Page_Up", "Page_Down",
                          "Return", "ctrl+n", "ctrl+s", "ctrl+p", "F11", "F1", "ctrl+question",
                          "ctrl+slash", "f", "f", "ctrl+g", "Escape", "ctrl+q", "ctrl+w", "ctrl+o",
                          "alt+F4", "F10", "Menu", "shift+F10", "ctrl+comma", "Escape"};
    for (const char* key : keys) {
        Key(window_, key);
        onlyTheBoard(key);
    }
    // Every board button, by pointer and by the keyboard's focus.
    const std::pair<int, int> buttons[] = {{kUndoX, kUndoY},     {kRedoX, kRedoY},   {kPrintX, kPrintY},
                                           {kExitX, kExitY},     {kPreviousX, kArrowY}, {kNextX, kArrowY},
                                           {kThumbnailX, kThumbnailY}, {kPaletteX, kPaletteY}};
    for (const auto& [x, y] : buttons) {
        ClickAt(x, y);
        onlyTheBoard("a click at " + std::to_string(x) + "," + std::to_string(y));
    }
    MoveTo(kWallX, kWallY);
    XDo({"click", "3"});
    onlyTheBoard("a right click");
    for (int part = 0; part < 12; ++part) {
        Key(window_, "Tab");
        Key(window_, "space");
        onlyTheBoard("space on part " + std::to_string(part));
    }
    // The child's button, in the window's bottom-left corner, brings the names; Escape the board.
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window_, &attributes);
    XDo({"mousemove", "--window", std::to_string(window_), "12", std::to_string(attributes.height - 12)});
    XDo({"click", "1"});
    EXPECT_TRUE(WaitUntil([&] { return !FindBoard(); })) << "the child's button showed no names";
    onlyTheBoard("the child's button");
    Key(window_, "Escape");
    EXPECT_TRUE(WaitUntil([&] { return FindBoard(); }));

    // Save wrote into the class folder, each time under a new name (Enter above opened the
    // second picture).
    EXPECT_TRUE(std::filesystem::exists(classFolder + "/sun-coloured.png"));
    Key(window_, "ctrl+s");
    EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(classFolder + "/sun-coloured-2.png"); }));
    Key(window_, "ctrl+alt+q");
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, EachChildFindsTheirOwnWorkOnThePictureTheyColouredLast) {
    // Ana colours the second picture and leaves.
    Start({"--child", "Ana"});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    Key(window_, "Right");
    ClickAt(kThumbnailX, kThumbnailY);
    ClickAt(kWallX, kWallY);
    const Screen anas = Expected({"--click", "767,386", "--click", "728,276", "--click", "211,475", SamplesUrl()});
    ASSERT_TRUE(WaitForScreen(anas));
    Key(window_, "ctrl+q");
    ASSERT_EQ(WaitForExit(), 0);
    EXPECT_TRUE(std::filesystem::exists(DataHome() + "/kolo/Ana/last-picture"));
    // Ben starts on the first picture, uncoloured; Ana comes back to hers.
    Start({"--child", "Ben"});
    EXPECT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    Key(window_, "ctrl+q");
    ASSERT_EQ(WaitForExit(), 0);
    Start({"--child", "Ana"});
    EXPECT_TRUE(WaitForScreen(anas)) << "Ana's picture did not come back as she left it";
    Key(window_, "ctrl+q");
    EXPECT_EQ(WaitForExit(), 0);
}

TEST_F(KoloWindow, StartScreenTileOpensTheBoardOnThatChildsWork) {
    Start({"--child", "Ben"});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    Key(window_, "ctrl+q");
    ASSERT_EQ(WaitForExit(), 0);

    Start({"--children", "Ana,Ben"}, false);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window_, &attributes);
    std::vector<std::pair<int, int>> tiles;
    ASSERT_TRUE(WaitUntil([&] {
        tiles = Tiles(0, attributes.width / 2, attributes.height - 20);
        return tiles.size() == 2;
    })) << "no tiles for Ana and Ben";
    ClickWindowAt(tiles[1]);
    ASSERT_TRUE(WaitUntil([&] { return FindBoard(); })) << "Ben's tile did not open the board";
    EXPECT_TRUE(WaitForPixel(kWallX, kWallY, kPink)) << "the board is not Ben's work";
}

TEST_F(KoloWindow, GalleryTilePutsItsPictureOnTheBoard) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    Key(window_, "ctrl+g");
    ASSERT_TRUE(WaitUntil([&] { return !BoardInPlace(); })) << "no gallery";
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window_, &attributes);
    std::vector<std::pair<int, int>> tiles;
    ASSERT_TRUE(WaitUntil([&] {
        tiles = Tiles(areaTop_, attributes.width - 20, areaTop_ + 2);
        return tiles.size() >= 2;
    })) << "fewer than two tiles in the gallery's first row";
    ClickWindowAt(tiles[1]);
    EXPECT_TRUE(WaitForScreen(Expected({"--picture", "2", SamplesUrl()})));
}

TEST_F(KoloWindow, PrintOnA4LandscapeKeepsOneInchMargins) {
    const std::string pdf = prefix_ + "landscape.pdf";
    std::remove(pdf.c_str());
    Start({"--print-to", pdf, "--paper", "a4", "--landscape"});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    constexpr int kDpi = 72;
    const std::string png = prefix_ + "landscape";
    Screen page;
    Key(window_, "ctrl+p");
    ASSERT_TRUE(WaitForPdfPage(pdf, png, kDpi, page)) << "no readable PDF from Ctrl+P";
    // A4 across: 842 × 595 points.
    EXPECT_EQ(page.width, 842);
    EXPECT_NEAR(page.height, 595, 1);
    const kolo::Rect inside = kolo::PrintDestination(page.width, page.height, kDpi, kDpi, 572, 452);
    int left = page.width, top = page.height, right = -1, bottom = -1;
    for (int y = 0; y < page.height; ++y) {
        for (int x = 0; x < page.width; ++x) {
            if (page.At(x, y) == kWhite) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, 0) << "an empty page";
    EXPECT_GE(left, kDpi - 1);
    EXPECT_GE(top, kDpi - 1);
    EXPECT_LE(right, page.width - kDpi);
    EXPECT_LE(bottom, page.height - kDpi);
    // Fitted to the printable height, centred across: the house's ground line spans the
    // whole width and its path reaches the bottom.
    EXPECT_NEAR(left, inside.left, 3);
    EXPECT_NEAR(right, inside.right, 3);
    EXPECT_GE(top, inside.top - 2);
    EXPECT_NEAR(bottom, inside.bottom, 3);
}

// A page with one ring, drawn at four times the canvas, printed from the window (whose own
// picture is held at less detail) on each paper: the PDF carries the picture finer than
// 250 dpi, the ring's edge where it runs diagonally goes in steps of at most two dots at
// 300 dpi, the fill inside it is printed too, and the window shows what it showed before.
struct SharpPrint {
    const char* paper;
    bool landscape;
};

class KoloWindowSharpPrint : public KoloWindow, public ::testing::WithParamInterface<SharpPrint> {};

TEST_P(KoloWindowSharpPrint, CarriesThePictureAtThePrintersDots) {
    const std::string folder = prefix_ + "ring/";
    std::filesystem::create_directories(folder);
    const int width = 4 * 572, height = 4 * 452;
    const std::vector<std::uint8_t> ring = kolo::test::RingPixels(width, height, 12);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, (folder + "ring.png").c_str(), 0, ring.data(), 0,
                                        nullptr));
    const std::string pdf = prefix_ + "ring.pdf";
    std::remove(pdf.c_str());
    std::vector<std::string> args{"--print-to", pdf, "--paper", GetParam().paper};
    if (GetParam().landscape) args.push_back("--landscape");
    args.push_back("file://" + folder);
    Start(args);
    constexpr int kInsideX = 31 + 286, kInsideY = 155 + 226;   // the canvas's middle
    // A click before the picture arrives fills nothing; one after it fills the ring's inside.
    ASSERT_TRUE(WaitUntil([&] {
        ClickAt(kInsideX, kInsideY);
        return WaitUntil([&] { return ReadWindow().At(kInsideX, kInsideY) == kPink; },
                         std::chrono::seconds(1));
    })) << "the ring's picture never showed";
    const Screen before = ReadWindow();
    Key(window_, "ctrl+p");

    constexpr int kDpi = 300;
    const std::string png = prefix_ + "ring";
    Screen page;
    ASSERT_TRUE(WaitForPdfPage(pdf, png, kDpi, page)) << "no readable PDF from Ctrl+P";
    const std::string list = prefix_ + "images.txt";
    ASSERT_EQ(RunProgram({"/usr/bin/pdfimages", "-list", pdf}, list), 0);
    // Two heading lines, then one line per image; x-ppi and y-ppi are its 13th and 14th fields.
    std::istringstream lines(ReadFile(list));
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line);
    int images = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> field{std::istream_iterator<std::string>(fields), {}};
        ASSERT_GE(field.size(), 14u) << line;
        EXPECT_GE(std::stoi(field[12]), 250) << line;
        EXPECT_GE(std::stoi(field[13]), 250) << line;
        ++images;
    }
    EXPECT_EQ(images, 1);

    const kolo::test::RingEdge edge = kolo::test::MeasureRingEdge(
        page.width, page.height, [&](int x, int y) { return (page.At(x, y) >> 16) < 128; });
    ASSERT_GT(edge.span, 1000) << "no ring on the page";
    EXPECT_LE(edge.longest, 2);
    const unsigned middle = page.At(page.width / 2, page.height / 2);
    EXPECT_TRUE((middle >> 16) > 230 && ((middle >> 8) & 0xFF) < 30) << std::hex << middle;
    EXPECT_TRUE(ReadWindow().pixels == before.pixels) << "printing changed the window";
}

INSTANTIATE_TEST_SUITE_P(Papers, KoloWindowSharpPrint,
                         ::testing::Values(SharpPrint{"letter", false}, SharpPrint{"a4", true}),
                         [](const auto& info) {
                             return std::string(info.param.paper) +
                                    (info.param.landscape ? "Landscape" : "Portrait");
                         });

// The store's folder: its records' texts, and whether a temporary file is left in it.
struct StoreContents {
    std::vector<std::string> records;
    bool partLeft = false;
};

StoreContents ReadStore(const std::string& folder) {
    StoreContents contents;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename();
        contents.partLeft |= name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0;
        if (it->path().extension() == ".work") contents.records.push_back(ReadFile(it->path()));
    }
    return contents;
}

constexpr int kDoorX = 310, kDoorY = 500;   // inside the house's door

TEST_F(KoloWindow, TwoWindowsOnOnePictureBothKeepTheirFills) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    const pid_t first = pid_;
    const Window firstWindow = window_;
    otherPid_ = first;
    Start({});
    const pid_t second = pid_;
    const Window secondWindow = window_;
    // Side by side, so that each shows all of its board.
    XDo({"windowmove", std::to_string(secondWindow), "900", "0"});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    const unsigned cell = ReadWindow().At(kPaletteX, kPaletteY);

    pid_ = first;
    window_ = firstWindow;
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    ASSERT_TRUE(WaitUntil([&] { return !ReadStore(DataHome() + "/kolo").records.empty(); }))
        << "the first window did not keep its fill";
    pid_ = second;
    window_ = secondWindow;
    ClickAt(kPaletteX, kPaletteY);
    ClickAt(kDoorX, kDoorY);
    ASSERT_TRUE(WaitForPixel(kDoorX, kDoorY, cell));
    // Keeping its fill, the second window finds the first one's and shows both.
    EXPECT_TRUE(WaitForPixel(kWallX, kWallY, kPink)) << "the second window lost the first's fill";

    for (const auto& [pid, window] : {std::pair{first, firstWindow}, std::pair{second, secondWindow}}) {
        pid_ = pid;
        Key(window, "ctrl+q");
        EXPECT_EQ(WaitForExit(), 0);
    }
    otherPid_ = -1;
    Start({});
    EXPECT_TRUE(WaitForPixel(kWallX, kWallY, kPink)) << "the first window's fill was lost";
    EXPECT_TRUE(WaitForPixel(kDoorX, kDoorY, cell)) << "the second window's fill was lost";
}

struct QuitSignal {
    const char* name;
    int number;
};

class KoloWindowSignal : public KoloWindow, public ::testing::WithParamInterface<QuitSignal> {};

TEST_P(KoloWindowSignal, KeepsAFillMadeJustBeforeIt) {
    Start({});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    ASSERT_EQ(kill(pid_, GetParam().number), 0);
    int status = 0;
    ASSERT_TRUE(WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }))
        << "the program did not end";
    pid_ = -1;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam().number)
        << "it should end as the signal asks, once the work is kept";
    const StoreContents kept = ReadStore(DataHome() + "/kolo");
    ASSERT_EQ(kept.records.size(), 1u) << "the fill was not kept";
    EXPECT_NE(kept.records[0].find("\ndone 1\n"), std::string::npos) << kept.records[0];
    EXPECT_FALSE(kept.partLeft);
}

INSTANTIATE_TEST_SUITE_P(Signals, KoloWindowSignal,
                         ::testing::Values(QuitSignal{"Interrupt", SIGINT}, QuitSignal{"Terminate", SIGTERM},
                                           QuitSignal{"HangUp", SIGHUP}, QuitSignal{"Quit", SIGQUIT}),
                         [](const ::testing::TestParamInfo<QuitSignal>& info) { return info.param.name; });

// What stands where the house's record was kept, and what the program says of it ("" for
// nothing to check).
struct StoreFault {
    const char* name;
    std::function<void(const std::string& record, const std::string& scratch)> make;
    const char* said;
};

class KoloWindowStoreFault : public KoloWindow, public ::testing::WithParamInterface<StoreFault> {};

TEST_P(KoloWindowStoreFault, IsLeftUnreadAndTheWindowKeepsAnswering) {
    const std::string record = KeepAFill();
    ASSERT_FALSE(record.empty());
    std::filesystem::remove(record);
    GetParam().make(record, prefix_);
    Start({});
    // The house comes clean: nothing was taken from the record's place, and nothing waits on it.
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    EXPECT_TRUE(WaitForPixel(kWallX, kWallY, kPink)) << "the window stopped answering";
    Key(window_, "ctrl+q");
    EXPECT_EQ(WaitForExit(), 0) << "Ctrl+Q did not end the program";
    EXPECT_NE(ReadFile(prefix_ + "kolo.log").find(GetParam().said), std::string::npos)
        << ReadFile(prefix_ + "kolo.log");
    EXPECT_FALSE(ReadStore(DataHome() + "/kolo").partLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KoloWindowStoreFault,
    ::testing::Values(
        StoreFault{"NamedPipe", [](const std::string& record, const std::string&) {
                       ASSERT_EQ(mkfifo(record.c_str(), 0600), 0);
                   }, "not a regular file"},
        StoreFault{"LinkToAPipe", [](const std::string& record, const std::string& scratch) {
                       std::remove((scratch + "pipe").c_str());
                       ASSERT_EQ(mkfifo((scratch + "pipe").c_str(), 0600), 0);
                       ASSERT_EQ(symlink((scratch + "pipe").c_str(), record.c_str()), 0);
                   }, "a symbolic link"},
        StoreFault{"Folder", [](const std::string& record, const std::string&) {
                       std::filesystem::create_directory(record);
                   }, "a folder"},
        // A write the program's earlier run never finished: pid 1 is no kolo, so only a
        // dead writer's number stands in the name.
        StoreFault{"StalePart", [](const std::string& record, const std::string&) {
                       const pid_t gone = fork();
                       if (gone == 0) _exit(0);
                       waitpid(gone, nullptr, 0);
                       const std::filesystem::path path(record);
                       std::ofstream(path.parent_path() / ("." + path.filename().string() + "." +
                                                           std::to_string(gone) + "-0.part"))
                           << "kolo work 3\nfol";
                   }, ""},
        // Readable all the same when the tests run as root: then it is only damaged.
        StoreFault{"Unreadable", [](const std::string& record, const std::string&) {
                       std::ofstream(record) << "kolo work 3\nfolder ";
                       chmod(record.c_str(), 0);
                   }, ""}),
    [](const ::testing::TestParamInfo<StoreFault>& info) { return info.param.name; });

// A store that cannot be written, and the reason the grown-up is told ("" where the limit
// cuts the program's log short too).
struct OutputFault {
    const char* name;
    enum class Kind { kFullDisk, kReadOnlyDisk, kFileSizeLimit, kStoreIsAFile } kind;
    const char* reason;
};

class KoloWindowOutputFault : public KoloWindow, public ::testing::WithParamInterface<OutputFault> {};

TEST_P(KoloWindowOutputFault, SaysSoInTheWindowAndPrintsNoEmptyPage) {
    using Kind = OutputFault::Kind;
    const OutputFault& fault = GetParam();
    std::filesystem::create_directories(DataHome());
    std::string pdf = DataHome() + "/page.pdf";
    if (fault.kind == Kind::kFullDisk || fault.kind == Kind::kReadOnlyDisk) {
        // A small disk of the program's own, in a namespace where it may mount one.
        if (RunProgram({"/usr/bin/unshare", "-rm", "/bin/true"}) != 0) {
            GTEST_SKIP() << "no user namespace to mount a small disk in";
        }
        const std::string script =
            fault.kind == Kind::kFullDisk
                ? "mount -t tmpfs -o size=256k tmpfs \"$1\" || exit 99; "
                  "cat /dev/zero >\"$1/filler\" 2>/dev/null; shift; exec \"$@\""
                : "mount -t tmpfs -o ro tmpfs \"$1\" || exit 99; shift; exec \"$@\"";
        launcher_ = {"/usr/bin/unshare", "-rm", "/bin/sh", "-c", script, "sh", DataHome()};
    } else if (fault.kind == Kind::kFileSizeLimit) {
        fileSizeLimit_ = 64;   // bytes: less than any record or page
        std::filesystem::remove_all(prefix_ + "out");
        std::filesystem::create_directories(prefix_ + "out");
        pdf = prefix_ + "out/page.pdf";
    } else {
        std::ofstream(DataHome() + "/kolo") << "not a folder\n";
        pdf = DataHome() + "/kolo/page.pdf";
    }
    Start({"--print-to", pdf});
    ASSERT_TRUE(WaitForScreen(Expected({SamplesUrl()})));
    ClickAt(kWallX, kWallY);
    ASSERT_TRUE(WaitForPixel(kWallX, kWallY, kPink));
    // The notice shows over the top of the board.
    EXPECT_TRUE(WaitUntil([&] { return !BoardInPlace(); })) << "no notice in the window";
    EXPECT_NE(ReadFile(prefix_ + "kolo.log").find(fault.reason), std::string::npos)
        << ReadFile(prefix_ + "kolo.log");

    Key(window_, "ctrl+p");
    Window message = 0;
    ASSERT_TRUE(WaitUntil([&] { return (message = FindWindow(false, "Kolo")) != 0; }))
        << "a print that could not be written was not reported";
    EXPECT_TRUE(KeyUntil(message, "Return", [&] { return FindWindow(false, "Kolo") == 0; }));
    EXPECT_FALSE(std::filesystem::exists(pdf)) << "a page was left that holds no picture";
    EXPECT_FALSE(ReadStore(std::filesystem::path(pdf).parent_path()).partLeft);
    Key(window_, "ctrl+q");
    EXPECT_EQ(WaitForExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KoloWindowOutputFault,
    ::testing::Values(OutputFault{"FullDisk", OutputFault::Kind::kFullDisk, "no space left on device"},
                      OutputFault{"ReadOnlyDisk", OutputFault::Kind::kReadOnlyDisk, "read-only file system"},
                      OutputFault{"FileSizeLimit", OutputFault::Kind::kFileSizeLimit, ""},
                      OutputFault{"StoreIsAFile", OutputFault::Kind::kStoreIsAFile, "not a directory"}),
    [](const ::testing::TestParamInfo<OutputFault>& info) { return info.param.name; });

}  // namespace
