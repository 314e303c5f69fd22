// The control at another resolution and in sites of any size, and IViewObject::Draw into
// rectangles of any size. Run in a prefix at 192 dpi: a DPI-aware container sizes its site
// from the control's extent, and the board must fill it with every click landing on the board
// point shown, the canvas drawn from the picture held at twice its size. Pixels are read back
// through WM_PRINTCLIENT, which paints as WM_PAINT does, since a 1668 x 1288 site is larger
// than the screen.
//
// Usage: ScaleTest.exe FOLDER_URL (the folder of tests/windows/make_picture_folder.py)
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSite.h"
#include "TestSupport.h"
#include "module/KoloGuids.h"

using namespace kolotest;

namespace {

constexpr int kBoardWidth = 834;
constexpr int kBoardHeight = 644;
constexpr int kDpi = 192;
constexpr COLORREF kPink = RGB(255, 0, 132);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kAmbient = RGB(10, 20, 200);    // the container's background
constexpr COLORREF kSentinel = RGB(1, 2, 3);
constexpr POINT kSquareInside{31 + 200, 155 + 175};   // board points
constexpr POINT kSquareOutline{31 + 101, 155 + 175};
constexpr POINT kOutside{31 + 400, 155 + 350};
constexpr POINT kSwatch{770, 463};
constexpr POINT kUndo{107, 111};   // the centres of the undo and redo buttons
constexpr POINT kRedo{244, 102};

// Palette cell `index`'s centre and colour (12 columns of 12-pixel pitch from (652, 493)).
POINT CellCentre(int index) { return POINT{652 + 12 * (index % 12) + 5, 493 + 12 * (index / 12) + 5}; }
COLORREF CellColour(int index) {
    return RGB(255 - 51 * (index / 36), 255 - 51 * ((index / 6) % 6), 255 - 51 * (index % 6));
}

// A 32-bit top-down DIB section in its own memory context, filled with the sentinel colour.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < width * height; ++i) bits_[i] = 0x010203;   // kSentinel as BGRA
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const DWORD p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Pixels inside and outside `r` that are no longer the sentinel.
    void CountChanged(const RECT& r, int& inside, int& outside) const {
        inside = outside = 0;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (At(x, y) == kSentinel) continue;
                const POINT p{x, y};
                ++(PtInRect(&r, p) ? inside : outside);
            }
        }
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    DWORD* bits_ = nullptr;
};

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// Where the board lies in a site of width x height: as large as fits, centred; computed here
// on its own terms, as the test's expectation.
struct Fit {
    double scale;
    int left, top;
    POINT Device(POINT board) const {   // the centre of the board pixel, in device pixels
        return POINT{static_cast<LONG>(left + (board.x + 0.5) * scale),
                     static_cast<LONG>(top + (board.y + 0.5) * scale)};
    }
};
Fit FitOf(int width, int height) {
    const double scale = std::min(static_cast<double>(width) / kBoardWidth,
                                  static_cast<double>(height) / kBoardHeight);
    return Fit{scale, static_cast<int>((width - static_cast<int>(kBoardWidth * scale + 1e-9)) / 2),
               static_cast<int>((height - static_cast<int>(kBoardHeight * scale + 1e-9)) / 2)};
}

// The control's window painted into a canvas of its size.
void Snapshot(HWND control, Canvas& canvas) {
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
}

void Release(HWND control, POINT device) {
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(device.x, device.y));
}

// Clicks the child window under `device` as the pointer would; gives its id (0: none).
int ClickChild(HWND control, POINT device) {
    HWND child = ChildWindowFromPointEx(control, device, CWP_SKIPINVISIBLE);
    if (child == nullptr || child == control) return 0;
    POINT local = device;
    MapWindowPoints(control, child, &local, 1);
    SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(local.x, local.y));
    SendMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(local.x, local.y));
    PumpMessages();
    return GetDlgCtrlID(child);
}

// ---------------------------------------------------------------- the tests

// The canvas rectangle, in board pixels; at twice the size it shows the picture at its detail.
constexpr RECT kCanvas{31, 155, 603, 607};
bool InCanvas(int boardX, int boardY) {
    const POINT p{boardX, boardY};
    return PtInRect(&kCanvas, p) != FALSE;
}

// At 192 dpi the natural extent becomes a 1668 x 1288 site, which the board fills exactly:
// outside the canvas every device pixel is the board pixel under it, and clicks reach the board
// point shown.
void TestDoubleSize(HWND control, IViewObject2* view) {
    RECT client{};
    GetClientRect(control, &client);
    Check("the site is 1668 x 1288", client.right == 2 * kBoardWidth && client.bottom == 2 * kBoardHeight,
          std::to_string(client.right) + " x " + std::to_string(client.bottom));

    // The board one to one, as Draw gives it, beside the site.
    Canvas one(kBoardWidth, kBoardHeight);
    RECTL whole{0, 0, kBoardWidth, kBoardHeight};
    CheckHr("Draw one to one", view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, one.Dc(),
                                          &whole, nullptr, nullptr, 0));
    Canvas twice(2 * kBoardWidth, 2 * kBoardHeight);
    Snapshot(control, twice);
    int different = 0;
    for (int y = 0; y < 2 * kBoardHeight; ++y) {
        for (int x = 0; x < 2 * kBoardWidth; ++x) {
            if (!InCanvas(x / 2, y / 2)) different += twice.At(x, y) != one.At(x / 2, y / 2);
        }
    }
    Check("outside the canvas every pixel of the site is the board pixel under it, buttons included",
          different == 0,
          std::to_string(different) + " differ");
    // What the screen shows where it shows the site (the top left of it).
    UpdateWindow(control);
    HDC screen = GetDC(control);
    int shown = 0;
    for (int y = 300; y < 700; y += 7) {
        for (int x = 0; x < 1000; x += 7) shown += GetPixel(screen, x, y) != twice.At(x, y);
    }
    ReleaseDC(control, screen);
    Check("the window shows what it prints", shown == 0, std::to_string(shown) + " differ");

    const Fit fit = FitOf(2 * kBoardWidth, 2 * kBoardHeight);
    auto expect = [&](const std::string& name, POINT board, COLORREF colour) {
        Canvas now(2 * kBoardWidth, 2 * kBoardHeight);
        Snapshot(control, now);
        const COLORREF a = now.At(2 * board.x, 2 * board.y);
        const COLORREF b = now.At(2 * board.x + 1, 2 * board.y + 1);
        Check(name + " is " + Colour(colour), a == colour && b == colour, Colour(a) + " " + Colour(b));
    };
    expect("the square's outline", kSquareOutline, kBlack);
    Release(control, fit.Device(kSquareInside));
    expect("a click at twice a point inside the square fills it", kSquareInside, kPink);
    expect("and leaves the outside", kOutside, kWhite);
    Check("the undo button lies at twice its place", ClickChild(control, fit.Device(kUndo)) == 101);
    expect("and a click on it takes the fill back", kSquareInside, kWhite);
    Check("the redo button lies at twice its place", ClickChild(control, fit.Device(kRedo)) == 102);
    expect("and a click on it paints it again", kSquareInside, kPink);
    Release(control, fit.Device(CellCentre(13)));
    expect("a click on palette cell 13 shows its colour in the swatch", kSwatch, CellColour(13));
}

// Aligned 2 x 2 blocks of the canvas in `twice` whose four pixels are not all one colour, and
// pixels of `one` further than 2 from the mean of their block.
void CompareCanvas(const Canvas& twice, const Canvas& one, int& mixed, int& apart) {
    mixed = apart = 0;
    for (int y = kCanvas.top; y < kCanvas.bottom; ++y) {
        for (int x = kCanvas.left; x < kCanvas.right; ++x) {
            const COLORREF block[] = {twice.At(2 * x, 2 * y), twice.At(2 * x + 1, 2 * y),
                                      twice.At(2 * x, 2 * y + 1), twice.At(2 * x + 1, 2 * y + 1)};
            mixed += block[0] != block[1] || block[0] != block[2] || block[0] != block[3];
            int r = 0, g = 0, b = 0;
            for (COLORREF c : block) r += GetRValue(c), g += GetGValue(c), b += GetBValue(c);
            apart += !Near(one.At(x, y), RGB((r + 2) / 4, (g + 2) / 4, (b + 2) / 4), 2);
        }
    }
}

// The widest source of the metafile's bitmap records.
int CALLBACK NoteWidest(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM widest) {
    const int width = record->iType == EMR_STRETCHDIBITS ? reinterpret_cast<const EMRSTRETCHDIBITS*>(record)->cxSrc
                      : record->iType == EMR_SETDIBITSTODEVICE ? reinterpret_cast<const EMRSETDIBITSTODEVICE*>(record)->cxSrc
                                                              : 0;
    *reinterpret_cast<int*>(widest) = std::max(*reinterpret_cast<int*>(widest), width);
    return 1;
}

// A ring held at twice the canvas's size: in the 1668 x 1288 site its curve is drawn at the
// device's own pixels, not in 2 x 2 blocks, and averages back to the board's own anti-aliased
// canvas, also after a fill and a resize to the board's size and back. A metafile four times
// the size carries the picture at four times the canvas, and leaves the site as it was.
void TestDetail(IOleInPlaceObject* inPlace, HWND control, IViewObject2* view, IDispatch* dispatch,
                const std::wstring& url) {
    const RECT twiceSite{0, 0, 2 * kBoardWidth, 2 * kBoardHeight}, oneSite{0, 0, kBoardWidth, kBoardHeight};
    inPlace->SetObjectRects(&twiceSite, &twiceSite);
    CallMethod(dispatch, L"SetImageURL", (url + L"detail/").c_str());
    Check("the ring's folder loads", WaitForLoad(control));
    const Fit fit = FitOf(2 * kBoardWidth, 2 * kBoardHeight);
    const POINT centre{31 + 286, 155 + 226};
    Release(control, fit.Device(CellCentre(5)));
    Release(control, fit.Device(centre));
    inPlace->SetObjectRects(&oneSite, &oneSite);
    inPlace->SetObjectRects(&twiceSite, &twiceSite);
    Canvas one(kBoardWidth, kBoardHeight), twice(2 * kBoardWidth, 2 * kBoardHeight);
    const RECTL whole{0, 0, kBoardWidth, kBoardHeight};
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, one.Dc(), &whole, nullptr, nullptr, 0);
    Snapshot(control, twice);
    const POINT inside = fit.Device(centre);
    Check("the fill at the ring's centre outlives a resize", twice.At(inside.x, inside.y) == CellColour(5),
          Colour(twice.At(inside.x, inside.y)));
    int mixed = 0, apart = 0;
    CompareCanvas(twice, one, mixed, apart);
    Check("the ring's curve shows at the device's pixels", mixed > 500, std::to_string(mixed) + " mixed blocks");
    Check("and averages back to the board's own canvas", apart == 0, std::to_string(apart) + " pixels differ");

    HDC metafile = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    const RECTL fourTimes{0, 0, 4 * kBoardWidth, 4 * kBoardHeight};
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, metafile, &fourTimes, nullptr, nullptr, 0);
    HENHMETAFILE picture = CloseEnhMetaFile(metafile);
    int widest = 0;
    EnumEnhMetaFile(nullptr, picture, NoteWidest, &widest, nullptr);
    DeleteEnhMetaFile(picture);
    Check("a metafile four times the size carries the picture at four times the canvas",
          widest == 4 * 572, std::to_string(widest));
    Canvas after(2 * kBoardWidth, 2 * kBoardHeight);
    Snapshot(control, after);
    int changed = 0;
    for (int y = 0; y < 2 * kBoardHeight; ++y) {
        for (int x = 0; x < 2 * kBoardWidth; ++x) changed += after.At(x, y) != twice.At(x, y);
    }
    Check("and the site shows what it showed before", changed == 0, std::to_string(changed) + " differ");
}

// Sites of other shapes: the board as large as fits, centred on the container's background,
// the buttons, the palette and the canvas where they are shown.
void TestSiteShapes(IOleInPlaceObject* inPlace, HWND control) {
    struct Shape {
        int width, height;
        POINT band;   // a device point of the letterbox; (-1, -1) when there is none
    };
    const Shape shapes[] = {
        {1000, 1000, {500, 40}},     // taller than the board: bands above and below
        {2000, 1000, {60, 500}},     // wider: bands left and right
        {417, 322, {-1, -1}},        // half size
        {835, 645, {-1, -1}},        // a pixel more each way: scaled, smoothed
    };
    int cell = 20;
    for (const Shape& shape : shapes) {
        const std::string label = " in a " + std::to_string(shape.width) + " x " + std::to_string(shape.height) + " site";
        RECT place{0, 0, shape.width, shape.height};
        CheckHr("SetObjectRects" + label, inPlace->SetObjectRects(&place, &place));
        const Fit fit = FitOf(shape.width, shape.height);
        Release(control, fit.Device(CellCentre(cell)));
        Release(control, fit.Device(kOutside));
        Canvas now(shape.width, shape.height);
        Snapshot(control, now);
        if (shape.band.x >= 0) {
            const COLORREF band = now.At(shape.band.x, shape.band.y);
            Check("the letterbox is the container's background" + label, band == kAmbient, Colour(band));
        }
        int left = 0, inside = 0;
        const RECT all{0, 0, shape.width, shape.height};
        now.CountChanged(all, inside, left);
        Check("the whole site is painted" + label, inside == shape.width * shape.height,
              std::to_string(shape.width * shape.height - inside) + " pixels left");
        const POINT swatch = fit.Device(kSwatch);
        const POINT outside = fit.Device(kOutside);
        Check("a palette click picks cell " + std::to_string(cell) + label,
              Near(now.At(swatch.x, swatch.y), CellColour(cell), 2), Colour(now.At(swatch.x, swatch.y)));
        Check("a canvas click fills with it" + label,
              Near(now.At(outside.x, outside.y), CellColour(cell), 2), Colour(now.At(outside.x, outside.y)));
        const POINT next = fit.Device(POINT{767, 386});
        Check("the next arrow lies where it is shown" + label,
              ChildWindowFromPointEx(control, next, CWP_SKIPINVISIBLE) == GetDlgItem(control, 107));
        cell += 7;
    }
}

// Draw into rectangles of other sizes on a memory context, an enhanced metafile and back.
void TestDrawWhereAsked(IViewObject2* view) {
    struct Target {
        const char* label;
        RECT bounds;
    };
    const Target targets[] = {
        {"a half-size rectangle", {100, 100, 517, 422}},
        {"a wide rectangle", {30, 40, 930, 340}},
        {"a tall rectangle", {300, 10, 500, 790}},
    };
    for (const Target& target : targets) {
        Canvas canvas(1000, 800);
        const RECTL bounds{target.bounds.left, target.bounds.top, target.bounds.right, target.bounds.bottom};
        CheckHr(std::string("Draw into ") + target.label,
                view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds,
                           nullptr, nullptr, 0));
        int inside = 0, outside = 0;
        canvas.CountChanged(target.bounds, inside, outside);
        const int area = (target.bounds.right - target.bounds.left) * (target.bounds.bottom - target.bounds.top);
        Check(std::string("nothing is painted outside ") + target.label, outside == 0,
              std::to_string(outside) + " pixels");
        Check(std::string("all of ") + target.label + " is painted", inside == area,
              std::to_string(area - inside) + " pixels left");
    }
    Canvas half(1000, 800);
    const RECTL bounds{100, 100, 517, 422};
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, half.Dc(), &bounds, nullptr, nullptr, 0);
    const COLORREF swatch = half.At(100 + kSwatch.x / 2, 100 + kSwatch.y / 2);
    Check("the half-size board shows the swatch at half its place", Near(swatch, CellColour(41), 2),
          Colour(swatch));

    // The metafile records the board inside the rectangle, and plays back as the board.
    HDC metafile = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    const RECTL recorded{50, 60, 50 + 417, 60 + 322};
    CheckHr("Draw into an enhanced metafile",
            view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, metafile, &recorded,
                       nullptr, nullptr, 0));
    HENHMETAFILE picture = CloseEnhMetaFile(metafile);
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(picture, sizeof header, &header);
    const RECTL& b = header.rclBounds;   // inclusive
    Check("the metafile's picture lies within the rectangle",
          b.left >= recorded.left && b.top >= recorded.top && b.right < recorded.right &&
              b.bottom < recorded.bottom && b.right > b.left,
          std::to_string(b.left) + "," + std::to_string(b.top) + " " + std::to_string(b.right) + "," +
              std::to_string(b.bottom));
    Canvas played(600, 500);
    const RECT at{b.left, b.top, b.right + 1, b.bottom + 1};
    Check("it plays back", PlayEnhMetaFile(played.Dc(), picture, &at) != FALSE);
    const COLORREF playedSwatch = played.At(50 + kSwatch.x / 2, 60 + kSwatch.y / 2);
    Check("played back, the swatch shows at half its place", Near(playedSwatch, CellColour(41), 4),
          Colour(playedSwatch));
    // Playing back maps the metafile's frame, rounded to HIMETRIC, onto the rectangle: a
    // pixel either way.
    RECT margin = at;
    InflateRect(&margin, 1, 1);
    int inside = 0, outside = 0;
    played.CountChanged(margin, inside, outside);
    Check("and nothing lies outside the rectangle", outside == 0, std::to_string(outside) + " pixels");
    DeleteEnhMetaFile(picture);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: ScaleTest FOLDER_URL\n");
        return 2;
    }
    // A DPI-aware container: the one that got a half-size board before.
    SetProcessDPIAware();
    OleInitialize(nullptr);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    Check("the container runs at 192 dpi", dpi == kDpi, std::to_string(dpi));

    IUnknown* unknown = nullptr;
    CheckHr("CoCreateInstance", CoCreateInstance(kolo::kClsidKolo, nullptr, CLSCTX_INPROC_SERVER,
                                                 IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    if (unknown == nullptr) return Summary();
    IOleObject* object = nullptr;
    IViewObject2* view = nullptr;
    unknown->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
    unknown->QueryInterface(IID_IViewObject2, reinterpret_cast<void**>(&view));

    // The container turns the HIMETRIC extent into its own pixels.
    SIZEL extent{}, viewExtent{};
    CheckHr("IOleObject::GetExtent", object->GetExtent(DVASPECT_CONTENT, &extent));
    CheckHr("IViewObject2::GetExtent", view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &viewExtent));
    const SIZE pixels{MulDiv(extent.cx, dpi, 2540), MulDiv(extent.cy, dpi, 2540)};
    Check("the natural extent is 834 x 644 pixels at 96 dpi",
          MulDiv(extent.cx, 96, 2540) == kBoardWidth && MulDiv(extent.cy, 96, 2540) == kBoardHeight,
          std::to_string(extent.cx) + " x " + std::to_string(extent.cy));
    Check("and 1668 x 1288 at 192 dpi", pixels.cx == 2 * kBoardWidth && pixels.cy == 2 * kBoardHeight,
          std::to_string(pixels.cx) + " x " + std::to_string(pixels.cy));
    Check("both interfaces give the same extent", viewExtent.cx == extent.cx && viewExtent.cy == extent.cy);

    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"KoloScaleHost";
    RegisterClassW(&cls);
    Site site;
    site.window = CreateWindowExW(0, L"KoloScaleHost", L"Kolo at 192 dpi", WS_POPUP | WS_VISIBLE |
                                  WS_CLIPCHILDREN, 0, 0, 2200, 1400, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    site.place = RECT{0, 0, pixels.cx, pixels.cy};
    site.background = kAmbient;
    CheckHr("SetClientSite", object->SetClientSite(&site));
    // No position: the control takes the site's.
    CheckHr("DoVerb in-place activate", object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0,
                                                       site.window, nullptr));
    IOleInPlaceObject* inPlace = nullptr;
    unknown->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace));
    HWND control = nullptr;
    inPlace->GetWindow(&control);
    IDispatch* dispatch = nullptr;
    unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    CheckHr("SetImageURL", CallMethod(dispatch, L"SetImageURL", argv[1]));
    Check("the folder loads", WaitForLoad(control));

    TestDoubleSize(control, view);
    TestSiteShapes(inPlace, control);
    TestDrawWhereAsked(view);
    TestDetail(inPlace, control, view, dispatch, argv[1]);

    dispatch->Release();
    inPlace->Release();
    view->Release();
    CheckHr("Close", object->Close(OLECLOSE_NOSAVE));
    object->SetClientSite(nullptr);
    object->Release();
    unknown->Release();
    DestroyWindow(site.window);
    OleUninitialize();
    return Summary();
}
