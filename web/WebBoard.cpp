// The board as the <kolo-board> element drives it: the control on the software platform with
// the page's hooks for events, dialogs, printing and the network, behind a C interface that
// kolo-board.js calls. Each element runs its own instance of this module, so nothing here is
// shared between boards.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board/BoardLayout.h"
#include "board/KeptWork.h"
#include "control/BoardFocus.h"
#include "control/ColourNames.h"
#include "control/Palette.h"
#include "control/SoftControl.h"
#include "platform/soft/BmpResources.h"
#include "platform/soft/FramebufferContext.h"
#include "platform/soft/TextRenderer.h"
#include "sources/DrawnSvgReader.h"
#include "resources/ResourceIds.h"
#include "web/ArtBundle.h"
#include "web/PageFolder.h"

// Calls into the element that owns this instance (Module.koloHost, set by kolo-board.js).
EM_JS(void, HostInitImage, (), { Module.koloHost.initImage(); });
EM_JS(void, HostMessage, (const char* text), { Module.koloHost.message(UTF8ToString(text)); });
EM_JS(void, HostExit, (), { Module.koloHost.exit(); });
// The page's copy of a picture's work record (malloc'ed, null: none), and a changed one ("":
// nothing left to keep).
EM_JS(char*, HostLoadWork, (const char* folder, const char* picture), {
    const record = Module.koloHost.loadWork(UTF8ToString(folder), UTF8ToString(picture));
    if (record === null) return 0;
    const size = lengthBytesUTF8(record) + 1;
    const pointer = _malloc(size);
    stringToUTF8(record, pointer, size);
    return pointer;
});
EM_JS(void, HostWorkChanged, (const char* folder, const char* picture, const char* record),
      { Module.koloHost.workChanged(UTF8ToString(folder), UTF8ToString(picture), UTF8ToString(record)); });
EM_JS(void, HostPrint, (const std::uint8_t* rgba, int width, int height),
      { Module.koloHost.print(rgba, width, height); });
// Draws the SVG page the element keeps as number `page` (SvgDrawer).
EM_JS(int, HostDrawSvg, (std::uint32_t page, int width, int height, int crisp, std::uint8_t* pixels,
                         std::size_t stride),
      { return Module.koloHost.drawSvg(page >>> 0, width, height, crisp !== 0, pixels, stride) ? 1 : 0; });

namespace kolo {
namespace {

constexpr ColourRef kCursorTransparent = 0x00FF00FF;   // pure magenta in the cursor art

int DrawSvgInPage(std::uint32_t page, std::int32_t width, std::int32_t height, bool crisp,
                  std::uint8_t* pixels, std::size_t stride) {
    return HostDrawSvg(page, width, height, crisp ? 1 : 0, pixels, stride);
}

// The work records live in the page (IndexedDB, or memory only), in the desktop's format.
class PageWorkStore : public WorkStore {
public:
    bool LoadWork(const WorkKey& key, SavedWork& work) override {
        char* record = HostLoadWork(key.folder.c_str(), key.picture.c_str());
        if (record == nullptr) return false;
        const bool read = ParseWork(record, key, work);
        std::free(record);
        return read;
    }
    void WorkChanged(const WorkKey& key, const SavedWork& work) override {
        const bool empty = work.done.empty() && work.undone.empty() && !work.finished;
        HostWorkChanged(key.folder.c_str(), key.picture.c_str(),
                        empty ? "" : FormatWork(key, work).c_str());
    }
};

// Converts `area` of the surface into an RGBA image `stride` pixels wide at `out`, at the same
// place; with `keyed`, the colour `key` is made transparent.
void ToRgba(const FramebufferContext& surface, const Rect& area, int stride, std::uint8_t* out,
            bool keyed, ColourRef key) {
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint8_t* from = surface.Row(y) + area.left * 3;
        std::uint8_t* to = out + (static_cast<std::size_t>(y) * stride + area.left) * 4;
        for (int x = area.left; x < area.right; ++x, from += 3, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            const ColourRef colour = MakeColourRef(from[0], from[1], from[2]);
            to[3] = keyed && colour == key ? 0 : 255;
        }
    }
}

std::vector<std::uint8_t> ToRgba(const FramebufferContext& surface, int width, int height,
                                 bool keyed, ColourRef key) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 4);
    ToRgba(surface, Rect{0, 0, width, height}, width, out.data(), keyed, key);
    return out;
}

// What the page's canvas is drawn into at the screen's pixels: DrawCanvas's image straight
// into RGBA rows. A picture held at the screen's own detail (a whole scale up to four) goes
// over one to one, a pixel turned round at a time, which is a fill's repaint there; any other
// size is drawn by the software surface and converted. The buffer is kept from one repaint to
// the next. DrawCanvas draws images only, so nothing else is drawn here.
class CanvasRgba final : public DrawingSurface {
public:
    void Reset(int width, int height, double scale) {
        width_ = width;
        height_ = height;
        scale_ = scale;
        rgba_.resize(static_cast<std::size_t>(width) * height * 4);
        drawn_ = false;
    }
    // The pixels, white where nothing was drawn.
    const std::uint8_t* Pixels() {
        if (!drawn_) std::fill(rgba_.begin(), rgba_.end(), 255);
        drawn_ = true;
        return rgba_.data();
    }

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    double Scale() const override { return scale_; }
    void DrawImage(const BitmapInfoHeader& header, const std::uint8_t* bits, const Rect& source,
                   const Rect& dest, ImageFilter filter) override {
        const Rect clip = Intersect(dest, Rect{0, 0, width_, height_});
        if (clip.IsEmpty()) return;
        const bool oneToOne = bits != nullptr && header.biBitCount == 24 &&
                              header.biCompression == kBiRgb && header.biWidth > 0 &&
                              header.biHeight > 0 && source.Width() == dest.Width() &&
                              source.Height() == dest.Height() && clip == dest &&
                              source.left >= 0 && source.top >= 0 &&
                              source.right <= header.biWidth && source.bottom <= header.biHeight;
        if (!oneToOne) {
            // The software surface refuses what it cannot draw, as it always has.
            FramebufferContext surface(width_, height_);
            surface.SetScale(scale_);
            surface.DrawImage(header, bits, source, dest, filter);
            ToRgba(surface, Rect{0, 0, width_, height_}, width_, rgba_.data(), false, 0);
            drawn_ = true;
            return;
        }
        const std::size_t stride = static_cast<std::size_t>(RowStride(24, header.biWidth));
        for (int y = 0; y < dest.Height(); ++y) {
            // Rows are stored bottom-up, blue first. While another pixel follows in the row a
            // pixel is read as one four-byte word (blue, green, red, next) and written back
            // turned round, opaque.
            const std::uint8_t* from =
                bits + static_cast<std::size_t>(header.biHeight - 1 - (source.top + y)) * stride +
                static_cast<std::size_t>(source.left) * 3;
            std::uint8_t* to = rgba_.data() + (static_cast<std::size_t>(dest.top + y) * width_ + dest.left) * 4;
            int x = 0;
            for (; x + 1 < dest.Width(); ++x, from += 3, to += 4) {
                std::uint32_t word;
                std::memcpy(&word, from, 4);
                word = ((word >> 16) & 0xFFu) | (word & 0xFF00u) | ((word & 0xFFu) << 16) | 0xFF000000u;
                std::memcpy(to, &word, 4);
            }
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 255;
        }
        drawn_ = true;
    }
    void DrawBitmap(const DeviceBitmap&, const Rect&, int, int) override {}
    void FillRect(const Rect&, ColourRef) override {}
    void DrawText(const std::string&, const Rect&, TextPlacement) override {}

private:
    int width_ = 0;
    int height_ = 0;
    double scale_ = 1.0;
    std::vector<std::uint8_t> rgba_;
    bool drawn_ = false;
};

class WebControl : public SoftControl {
public:
    // The page fetches folders itself and hands the answers in through Folder().
    WebControl(const EmbeddedFile* art, std::size_t count)
        : SoftControl({}, {}, art, count), folder_(Board()) {
        onInitImage = [] { HostInitImage(); };
        showMessage = [](const std::string& text) { HostMessage(text.c_str()); };
        Board().SetCloseGaps(kolo::kDefaultCloseGaps);
        Board().SetWorkStore(&workStore_);
    }

    PageFolder& Folder() { return folder_; }
    BoardFocus& Focus() { return focus_; }

    void CloseHost() override {
        SoftControl::CloseHost();
        HostExit();
    }

    // The browser's print dialog runs later, from the page: hand it the printable picture at
    // its own size.
    void PrintPicture() override {
        int size[2];
        const std::uint8_t* rgba = Picture(size);
        HostPrint(rgba, size[0], size[1]);
    }

    // The coloured picture at its own size as RGBA (the empty canvas without a picture), for
    // printing and saving; `size` receives its width and height.
    const std::uint8_t* Picture(int* size) {
        const CDibImage& picture = Board().SourcePicture();
        const bool hasPicture = picture.HasPicture();
        size[0] = hasPicture ? picture.Width() : kCanvasRect.Width();
        size[1] = hasPicture ? picture.Height() : kCanvasRect.Height();
        FramebufferContext page(size[0], size[1]);
        Board().DrawPictureInto(page, Rect{0, 0, size[0], size[1]});
        picture_ = ToRgba(page, size[0], size[1], false, 0);
        return picture_.data();
    }

    // The screen as RGBA; only what was repainted since the last frame is converted again,
    // and FrameAreas says where that is so that the page uploads only those pixels.
    const std::uint8_t* Frame() {
        Pump();
        const bool first = frame_.empty();
        if (first) frame_.resize(static_cast<std::size_t>(kBoardWidth) * kBoardHeight * 4);
        const RectList changed = first ? RectList{kBoardRect} : TakeChanged();
        frameAreas_[0] = 0;
        for (const Rect& area : changed.Within(kBoardRect)) {
            ToRgba(Screen(), area, kBoardWidth, frame_.data(), false, 0);
            std::int32_t* entry = &frameAreas_[1 + 4 * frameAreas_[0]++];
            entry[0] = area.left;
            entry[1] = area.top;
            entry[2] = area.Width();
            entry[3] = area.Height();
        }
        return frame_.data();
    }
    // The areas the last Frame converted: their count, then left, top, width, height of each.
    const std::int32_t* FrameAreas() const { return frameAreas_.data(); }

    // Board pixels `area` of the last Frame enlarged `factor` (1 … kMaxDetail) times, each
    // pixel repeated into a block, as RGBA rows factor × its width wide: what a screen at a
    // whole scale shows of the board's frame. Null for another factor or an area outside the
    // board. The page asks in bands, as for the canvas.
    const std::uint8_t* FrameArea(int factor, const Rect& area) {
        if (factor < 1 || factor > kMaxDetail || frame_.empty() || area.IsEmpty() ||
            !(Intersect(area, kBoardRect) == area)) {
            return nullptr;
        }
        const std::size_t rowBytes = static_cast<std::size_t>(area.Width()) * factor * 4;
        frameArea_.resize(rowBytes * area.Height() * factor);
        std::uint8_t* out = frameArea_.data();
        for (int y = area.top; y < area.bottom; ++y) {
            const std::uint8_t* from = frame_.data() + (static_cast<std::size_t>(y) * kBoardWidth + area.left) * 4;
            std::uint8_t* row = out;
            for (int x = area.left; x < area.right; ++x, from += 4) {
                for (int i = 0; i < factor; ++i, row += 4) std::memcpy(row, from, 4);
            }
            for (int i = 1; i < factor; ++i) std::memcpy(out + i * rowBytes, out, rowBytes);
            out += factor * rowBytes;
        }
        return frameArea_.data();
    }

    // Board pixels `area` of the canvas drawn at `scale` device pixels a board pixel from the
    // picture at its detail, as RGBA; `placed` receives the device rectangle it covers (left,
    // top, width, height; board pixel b starts at device pixel floor(b × scale)). Null
    // without a picture or where `area` misses the canvas. The page asks in bands, so that
    // this buffer, the only one here that grows with the screen, stays small.
    const std::uint8_t* CanvasArea(double scale, const Rect& area, std::int32_t* placed) {
        const Rect part = Intersect(area, Board().CanvasRect());
        if (scale <= 0 || part.IsEmpty() || !Board().HasCanvasPicture()) return nullptr;
        const auto device = [scale](int at) { return static_cast<int>(std::floor(at * scale + 1e-9)); };
        const int left = device(part.left), top = device(part.top);
        const int width = device(part.right) - left, height = device(part.bottom) - top;
        if (width <= 0 || height <= 0) return nullptr;
        canvasArea_.Reset(width, height, scale);
        Board().DrawCanvas(canvasArea_, part, -left, -top);
        placed[0] = left;
        placed[1] = top;
        placed[2] = width;
        placed[3] = height;
        return canvasArea_.Pixels();
    }

private:
    PageWorkStore workStore_;
    PageFolder folder_;
    BoardFocus focus_{*this};
    std::vector<std::uint8_t> frame_;
    std::array<std::int32_t, 1 + 4 * RectList::kMaxRects> frameAreas_{};
    std::vector<std::uint8_t> picture_;
    CanvasRgba canvasArea_;
    std::vector<std::uint8_t> frameArea_;
};

// The board's words in the page's language, English and translation (empty: English). A
// hundred or so, looked up when the board is drawn and a colour named: a plain list will do.
std::vector<std::pair<std::string, std::string>> g_words;

const char* PageWord(const char* english) {
    for (const auto& [from, to] : g_words) {
        if (from == english) return to.c_str();
    }
    return english;
}

TranslateText PageLanguage() { return g_words.empty() ? Untranslated : PageWord; }

// The instance's art, kept for the life of the module.
std::vector<std::uint8_t> g_artBytes;
std::vector<EmbeddedFile> g_art;
std::vector<std::uint8_t> g_image;   // the last RGBA image handed to the page
std::string g_text;                  // the last text handed to the page

// A bitmap of the art as RGBA, magenta transparent when `keyed`.
const std::uint8_t* ArtImage(int id, bool keyed, int* size) {
    BmpResources resources(g_art.data(), g_art.size());
    const EmbeddedFile* file = resources.Find(id);
    if (file == nullptr) return nullptr;
    std::unique_ptr<SoftBitmap> bitmap = ReadBmp24(file->bytes, file->size);
    if (!bitmap) return nullptr;
    const FramebufferContext& surface = bitmap->Surface();
    size[0] = surface.Width();
    size[1] = surface.Height();
    g_image = ToRgba(surface, size[0], size[1], keyed, kCursorTransparent);
    return g_image.data();
}

}  // namespace
}  // namespace kolo

using kolo::WebControl;

extern "C" {

// Takes the unpacked art bundle (allocated with malloc by the page); 1 when it was whole.
EMSCRIPTEN_KEEPALIVE int kolo_set_art(std::uint8_t* bytes, std::size_t size) {
    kolo::g_artBytes.assign(bytes, bytes + size);
    std::free(bytes);
    if (!kolo::SplitArtBundle(kolo::g_artBytes.data(), kolo::g_artBytes.size(), kolo::g_art)) {
        return 0;
    }
    for (const kolo::EmbeddedFile& file : kolo::g_art) {
        if (file.id == kolo::kArtIdFont &&
            !kolo::UseFontBytes(std::vector<std::uint8_t>(file.bytes, file.bytes + file.size))) {
            return 0;
        }
    }
    return 1;
}

// The translations of the board's words, as English and translation one after the other, each
// ending in a zero byte. Call before kolo_create; the words stay for the instance's life.
EMSCRIPTEN_KEEPALIVE void kolo_set_words(const char* pairs, std::size_t size) {
    const char* end = pairs + size;
    while (pairs < end) {
        const char* english = pairs;
        const char* stop = static_cast<const char*>(std::memchr(english, 0, end - english));
        if (stop == nullptr) break;
        const char* word = stop + 1;
        const char* wordStop = word < end ? static_cast<const char*>(std::memchr(word, 0, end - word))
                                          : nullptr;
        if (wordStop == nullptr) break;
        kolo::g_words.emplace_back(english, word);
        pairs = wordStop + 1;
    }
}

// `mirrored`: the board laid out for a language read right to left.
EMSCRIPTEN_KEEPALIVE WebControl* kolo_create(int mirrored) {
    kolo::SetSvgDrawer(kolo::DrawSvgInPage);
    auto* control = new WebControl(kolo::g_art.data(), kolo::g_art.size());
    if (!kolo::g_words.empty()) control->SetLanguage(kolo::PageWord);
    if (mirrored != 0) control->SetMirrored(true);
    control->Create();
    return control;
}

EMSCRIPTEN_KEEPALIVE const std::uint8_t* kolo_frame(WebControl* control) { return control->Frame(); }
EMSCRIPTEN_KEEPALIVE const std::int32_t* kolo_frame_areas(WebControl* control) {
    return control->FrameAreas();
}
// The detail the page shows the board at (1 … 4): the picture on the canvas is fitted again
// and its fills replayed when it changes.
EMSCRIPTEN_KEEPALIVE void kolo_set_detail(WebControl* control, int detail) {
    control->Board().SetDetail(detail);
}
// Board pixels left, top, right, bottom of the last frame enlarged `factor` times
// (WebControl::FrameArea).
EMSCRIPTEN_KEEPALIVE const std::uint8_t* kolo_frame_area(WebControl* control, int factor, int left,
                                                        int top, int right, int bottom) {
    return control->FrameArea(factor, kolo::Rect{left, top, right, bottom});
}
// Board pixels left, top, right, bottom of the canvas at `scale` device pixels a board pixel
// (WebControl::CanvasArea); `placed` receives the device rectangle.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* kolo_canvas_area(WebControl* control, double scale, int left,
                                                         int top, int right, int bottom,
                                                         std::int32_t* placed) {
    return control->CanvasArea(scale, kolo::Rect{left, top, right, bottom}, placed);
}
// 0: the arrow, 1: the brush, 2: busy.
EMSCRIPTEN_KEEPALIVE int kolo_cursor(WebControl* control) {
    switch (control->Cursor()) {
        case kolo::BoardCursor::kBrush: return 1;
        case kolo::BoardCursor::kBusy: return 2;
        default: return 0;
    }
}

// kind 0: button down, 1: button up, 2: move; board pixels.
EMSCRIPTEN_KEEPALIVE void kolo_pointer(WebControl* control, int kind, int x, int y) {
    switch (kind) {
        case 0: control->LeftButtonDown(x, y); break;
        case 1: control->LeftButtonUp(x, y); break;
        default: control->MouseMove(x, y); break;
    }
}

// What the page compares to send its change events: the canvas picture's index (-1: none),
// the number of pictures, the history's lengths (every fill, undo and redo changes them) and
// a count of the pictures given to the canvas; then the thumbnail's picture, which the arrows
// move without changing the canvas; and whether the canvas's picture is marked finished.
EMSCRIPTEN_KEEPALIVE void kolo_state(WebControl* control, int* state) {
    const kolo::ColouringBoard& board = control->Board();
    state[0] = board.CanvasIndex();
    state[1] = static_cast<int>(board.Pictures().size());
    state[2] = static_cast<int>(board.History().UndoEntries().size());
    state[3] = static_cast<int>(board.History().RedoEntries().size());
    state[4] = static_cast<int>(board.CanvasSerial());
    state[5] = board.PictureIndex();
    state[6] = board.CanvasFinished() ? 1 : 0;
}
// The name of the picture on the canvas ("" without one).
EMSCRIPTEN_KEEPALIVE const char* kolo_picture_name(WebControl* control) {
    kolo::g_text = control->Board().CanvasPictureName();
    return kolo::g_text.c_str();
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* kolo_picture(WebControl* control, int* size) {
    return control->Picture(size);
}
EMSCRIPTEN_KEEPALIVE void kolo_new_page(WebControl* control) {
    control->Board().NewPage();
}
// The finished mark of the picture on the canvas (kept with its work), and whether picture
// `index` of the folder carries it (-1: the canvas's).
EMSCRIPTEN_KEEPALIVE void kolo_set_finished(WebControl* control, int finished) {
    control->Board().SetCanvasFinished(finished != 0);
}
EMSCRIPTEN_KEEPALIVE int kolo_finished(WebControl* control, int index) {
    kolo::ColouringBoard& board = control->Board();
    return (index < 0 ? board.CanvasFinished() : board.IsFinished(index)) ? 1 : 0;
}

// The keyboard, as the desktop's: the page moves its own focus over elements laid on the
// board's parts (BoardPart numbers) and hands the keys over. `key` is a BoardKey; returns 1
// when the key was used.
EMSCRIPTEN_KEEPALIVE int kolo_key(WebControl* control, int part, int key) {
    kolo::BoardFocus& focus = control->Focus();
    focus.Focus(static_cast<kolo::BoardPart>(part));
    return focus.HandleKey(static_cast<kolo::BoardKey>(key)) ? 1 : 0;
}
// The part's rectangle in board pixels (left, top, right, bottom) and whether it is enabled.
EMSCRIPTEN_KEEPALIVE int kolo_part(WebControl* control, int part, int* rect) {
    const kolo::BoardFocus& focus = control->Focus();
    const kolo::Rect r = focus.PartRect(static_cast<kolo::BoardPart>(part));
    rect[0] = r.left;
    rect[1] = r.top;
    rect[2] = r.right;
    rect[3] = r.bottom;
    return focus.IsEnabled(static_cast<kolo::BoardPart>(part)) ? 1 : 0;
}
// The palette cell under the keyboard, the cross over the picture, and a cell's rectangle.
EMSCRIPTEN_KEEPALIVE void kolo_focus_state(WebControl* control, int* state) {
    const kolo::BoardFocus& focus = control->Focus();
    state[0] = focus.PaletteCell();
    state[1] = focus.Crosshair().x;
    state[2] = focus.Crosshair().y;
}
EMSCRIPTEN_KEEPALIVE void kolo_cell_rect(WebControl* control, int cell, int* rect) {
    const kolo::Rect r = control->Focus().CellRect(cell);
    rect[0] = r.left;
    rect[1] = r.top;
    rect[2] = r.right;
    rect[3] = r.bottom;
}
// The spoken name of palette cell `cell`, or of the picked colour when `cell` is -1.
// Cell `cell`'s colour, or the picked one for -1, packed 0x00BBGGRR.
EMSCRIPTEN_KEEPALIVE std::uint32_t kolo_cell_colour(WebControl* control, int cell) {
    return cell < 0 ? control->Board().SelectedColour() : kolo::PaletteColour(cell);
}
EMSCRIPTEN_KEEPALIVE const char* kolo_colour_name(WebControl* control, int cell) {
    kolo::g_text = cell < 0 ? kolo::ColourName(control->Board().SelectedColour(), kolo::PageLanguage())
                            : kolo::PaletteColourName(cell, kolo::PageLanguage());
    return kolo::g_text.c_str();
}

// A folder load the page drives (PageFolder.h): start, the page's text, each picture in page
// order (null bytes: it failed), finish. Every call after the start names the load.
// The close-gaps attribute: fills stop at openings of up to `width` pixels; below 0, the default.
EMSCRIPTEN_KEEPALIVE void kolo_set_close_gaps(WebControl* control, int width) {
    control->Board().SetCloseGaps(width < 0 ? kolo::kDefaultCloseGaps : width);
}
EMSCRIPTEN_KEEPALIVE std::uint32_t kolo_folder_start(WebControl* control, const char* url) {
    return control->Folder().Start(url);
}
EMSCRIPTEN_KEEPALIVE long kolo_folder_page(WebControl* control, std::uint32_t load,
                                           const char* text, std::size_t size) {
    return control->Folder().PageRead(load, std::string(text, size));
}
EMSCRIPTEN_KEEPALIVE const char* kolo_folder_address(WebControl* control, std::size_t index) {
    return control->Folder().PictureAddress(index);
}
EMSCRIPTEN_KEEPALIVE void kolo_folder_picture(WebControl* control, std::uint32_t load,
                                              std::size_t index, const std::uint8_t* bytes,
                                              std::size_t size) {
    control->Folder().PictureRead(load, index, bytes, size);
}
EMSCRIPTEN_KEEPALIVE void kolo_folder_finish(WebControl* control, std::uint32_t load,
                                             const char* reason) {
    control->Folder().Finish(load, reason);
}

// Art for the page: the brush cursor with its hot spot, and the About box's icon. `size`
// receives width and height.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* kolo_cursor_image(int* size) {
    size[2] = kolo::kBrushHotSpotX;
    size[3] = kolo::kBrushHotSpotY;
    return kolo::ArtImage(kolo::kIdBrushCursor, true, size);
}
EMSCRIPTEN_KEEPALIVE const std::uint8_t* kolo_icon_image(int* size) {
    return kolo::ArtImage(kolo::kArtIdIcon, false, size);
}

}  // extern "C"
