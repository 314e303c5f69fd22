#include "platform/soft/TextRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_MODULE_H

#include <cstdlib>

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/DrawingSurface.h"
#include "platform/soft/FramebufferContext.h"

#ifdef __EMSCRIPTEN__
// FreeType's own module tables: the web page links only what its one TrueType font needs.
extern "C" {
extern const FT_Module_Class sfnt_module_class;
extern const FT_Module_Class tt_driver_class;
extern const FT_Module_Class ft_smooth_renderer_class;
}
#endif

namespace kolo {
namespace {

#ifdef __EMSCRIPTEN__
void* Allocate(FT_Memory, long size) { return std::malloc(static_cast<std::size_t>(size)); }
void Release(FT_Memory, void* block) { std::free(block); }
void* Reallocate(FT_Memory, long, long size, void* block) {
    return std::realloc(block, static_cast<std::size_t>(size));
}
FT_MemoryRec_ gHeap{nullptr, Allocate, Release, Reallocate};

// The default modules (Type 1, CFF, bitmap fonts, the auto-hinter, compressed fonts) are most
// of FreeType's code; the download carries only the TrueType driver and the smooth renderer.
FT_Error OpenLibrary(FT_Library* library) {
    if (FT_Error error = FT_New_Library(&gHeap, library)) return error;
    for (const FT_Module_Class* module : {&sfnt_module_class, &tt_driver_class, &ft_smooth_renderer_class}) {
        if (FT_Error error = FT_Add_Module(*library, module)) {
            FT_Done_Library(*library);
            *library = nullptr;
            return error;
        }
    }
    return 0;
}
void CloseLibrary(FT_Library library) { FT_Done_Library(library); }
#else
FT_Error OpenLibrary(FT_Library* library) { return FT_Init_FreeType(library); }
void CloseLibrary(FT_Library library) { FT_Done_FreeType(library); }
#endif

// One library and one face for the process, opened on first use and kept: reopening the
// font file on every paint would cost more than drawing the text.
class FontFace {
public:
    static FontFace& Instance() {
        static FontFace instance(kDefaultFontPath);
        return instance;
    }
    static FontFace& Bold() {
        static FontFace instance(kBoldFontPath);
        return instance;
    }
    FT_Face Face() const { return face_; }

    // FreeType reads a memory face in place: the bytes are kept with it.
    bool Replace(std::vector<std::uint8_t> bytes) {
        FT_Face face = nullptr;
        if (library_ == nullptr || bytes.empty() ||
            FT_New_Memory_Face(library_, bytes.data(), static_cast<FT_Long>(bytes.size()), 0, &face) != 0) {
            return false;
        }
        if (face_ != nullptr) FT_Done_Face(face_);
        face_ = face;
        bytes_ = std::move(bytes);   // moves the buffer, so the face's pointer stays good
        return true;
    }

private:
    explicit FontFace(const char* path) {
        if (OpenLibrary(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        if (FT_New_Face(library_, path, 0, &face_) != 0) face_ = nullptr;
    }
    ~FontFace() {
        if (face_ != nullptr) FT_Done_Face(face_);
        if (library_ != nullptr) CloseLibrary(library_);
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    std::vector<std::uint8_t> bytes_;   // of a face the host supplied
};

int PixelSizeFor(int pixelsPerInch) {
    const int dpi = pixelsPerInch > 0 ? pixelsPerInch : 96;
    return std::max(1, (kDefaultFontPixels * dpi + 48) / 96);
}

FT_Face PreparedFace(int pixelsPerInch) {
    FT_Face face = FontFace::Instance().Face();
    if (face == nullptr) return nullptr;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(PixelSizeFor(pixelsPerInch))) != 0) {
        return nullptr;
    }
    return face;
}

int LineHeight(FT_Face face) { return static_cast<int>((face->size->metrics.height + 63) >> 6); }
int Ascender(FT_Face face) { return static_cast<int>((face->size->metrics.ascender + 63) >> 6); }

int LineWidth(FT_Face face, const std::string& line) {
    long width = 0;
    for (char32_t ch : DisplayOrder(line)) {
        if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT) != 0) continue;
        width += face->glyph->advance.x;
    }
    return static_cast<int>((width + 63) >> 6);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char ch : text) {
        if (ch == '\n') {
            lines.emplace_back();
        } else if (ch != '\r') {
            lines.back().push_back(ch);
        }
    }
    return lines;
}

// Loads `ch` into the face's glyph slot, rendered when `render`. `embolden` thickens the
// outline first: bold asked of a host that carries the regular face only (the web page's).
bool LoadGlyph(FT_Face face, char32_t ch, bool embolden, bool render) {
    if (!embolden) return FT_Load_Char(face, ch, render ? FT_LOAD_RENDER : FT_LOAD_DEFAULT) == 0;
    if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT) != 0) return false;
    FT_GlyphSlot_Embolden(face->glyph);
    return !render || FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0;
}

// Blends glyph coverage in `ink` over the surface, clipped to `clip`.
void InkLine(FramebufferContext& surface, FT_Face face, const std::u32string& line, int left,
             int baseline, ColourRef ink, const Rect& clip, bool embolden = false) {
    long penX = static_cast<long>(left) * 64;
    const unsigned inkRgb[3] = {RedOf(ink), GreenOf(ink), BlueOf(ink)};   // framebuffer order
    for (char32_t ch : line) {
        if (!LoadGlyph(face, ch, embolden, true)) continue;
        const FT_GlyphSlot glyph = face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        const int gx = static_cast<int>(penX >> 6) + glyph->bitmap_left;
        const int gy = baseline - glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = gy + static_cast<int>(row);
            if (y < clip.top || y >= clip.bottom) continue;
            const unsigned char* coverage = bitmap.buffer + row * static_cast<unsigned>(bitmap.pitch);
            std::uint8_t* dst = surface.Row(y);
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int x = gx + static_cast<int>(col);
                if (x < clip.left || x >= clip.right || coverage[col] == 0) continue;
                std::uint8_t* p = dst + static_cast<std::size_t>(x) * 3;
                const unsigned a = coverage[col];
                for (int c = 0; c < 3; ++c) {
                    p[c] = static_cast<std::uint8_t>(p[c] * (255u - a) / 255u + inkRgb[c] * a / 255u);
                }
            }
        }
        penX += glyph->advance.x;
    }
}

void DrawLine(FramebufferContext& surface, FT_Face face, const std::string& line, int left,
              int top, int width, const Rect& clip) {
    const int height = LineHeight(face);
    const Rect box = Intersect(Rect{left, top, left + width, top + height}, clip);
    if (box.left < box.right && box.top < box.bottom) surface.FillRect(box, 0x00FFFFFF);
    InkLine(surface, face, DisplayOrder(line), left, top + Ascender(face), 0, clip);
}

}  // namespace

int DrawTextInto(FramebufferContext& surface, const std::string& text, const Rect& rect,
                 TextPlacement placement, int pixelsPerInch) {
    FT_Face face = PreparedFace(pixelsPerInch);
    if (face == nullptr) return 0;
    const Rect clip = Intersect(rect, Rect{0, 0, surface.Width(), surface.Height()});
    const bool middle = placement == TextPlacement::kMiddle;
    const std::vector<std::string> lines =
        middle ? std::vector<std::string>{text} : SplitLines(text);
    const int lineHeight = LineHeight(face);
    const int total = lineHeight * static_cast<int>(lines.size());
    int top = middle ? rect.top + (rect.Height() - total) / 2 : rect.top;
    for (const std::string& line : lines) {
        const int width = LineWidth(face, line);
        const int left = rect.left + (rect.Width() - width) / 2;
        if (clip.left < clip.right && clip.top < clip.bottom) {
            DrawLine(surface, face, line, left, top, width, clip);
        }
        top += lineHeight;
    }
    return total;
}

bool UseFontBytes(std::vector<std::uint8_t> bytes) {
    return FontFace::Instance().Replace(std::move(bytes));
}

bool MeasureTextLine(const std::string& line, int pixelsPerInch, int& width, int& height) {
    FT_Face face = PreparedFace(pixelsPerInch);
    if (face == nullptr) return false;
    width = LineWidth(face, line);
    height = LineHeight(face);
    return true;
}


namespace {

// Arabic letters U+0621 … U+064A: the first of their forms in Arabic Presentation Forms-B
// (isolated, then final, initial, medial) and how many forms they have: 1 joins nothing,
// 2 joins only the letter before it, 4 joins on both sides. 0: not a letter with forms.
struct ArabicForms {
    char32_t isolated;
    int count;
};
constexpr char32_t kFirstArabic = 0x0621;
constexpr ArabicForms kArabicForms[] = {
    {0xFE80, 1}, {0xFE81, 2}, {0xFE83, 2}, {0xFE85, 2}, {0xFE87, 2}, {0xFE89, 4}, {0xFE8D, 2},
    {0xFE8F, 4}, {0xFE93, 2}, {0xFE95, 4}, {0xFE99, 4}, {0xFE9D, 4}, {0xFEA1, 4}, {0xFEA5, 4},
    {0xFEA9, 2}, {0xFEAB, 2}, {0xFEAD, 2}, {0xFEAF, 2}, {0xFEB1, 4}, {0xFEB5, 4}, {0xFEB9, 4},
    {0xFEBD, 4}, {0xFEC1, 4}, {0xFEC5, 4}, {0xFEC9, 4}, {0xFECD, 4}, {0, 0},      {0, 0},
    {0, 0},      {0, 0},      {0, 0},      {0x0640, 0}, {0xFED1, 4}, {0xFED5, 4}, {0xFED9, 4},
    {0xFEDD, 4}, {0xFEE1, 4}, {0xFEE5, 4}, {0xFEE9, 4}, {0xFEED, 2}, {0xFEEF, 2}, {0xFEF1, 4},
};
constexpr char32_t kLam = 0x0644;
constexpr char32_t kTatweel = 0x0640;
// Lam followed by alef with madda, hamza above, hamza below, or plain alef: one ligature
// each, isolated then final.
constexpr char32_t kLamAlef[][2] = {
    {0x0622, 0xFEF5}, {0x0623, 0xFEF7}, {0x0625, 0xFEF9}, {0x0627, 0xFEFB},
};

const ArabicForms* FormsOf(char32_t ch) {
    if (ch < kFirstArabic || ch >= kFirstArabic + std::size(kArabicForms)) return nullptr;
    return &kArabicForms[ch - kFirstArabic];
}
// Vowel marks sit on a letter and leave the joining alone.
bool IsArabicMark(char32_t ch) { return ch >= 0x064B && ch <= 0x0652; }
bool JoinsBefore(char32_t ch) {   // can take the letter before it
    const ArabicForms* forms = FormsOf(ch);
    return ch == kTatweel || (forms != nullptr && forms->count >= 2);
}
bool JoinsAfter(char32_t ch) {    // can take the letter after it
    const ArabicForms* forms = FormsOf(ch);
    return ch == kTatweel || (forms != nullptr && forms->count == 4);
}
bool IsArabic(char32_t ch) { return ch >= 0x0600 && ch <= 0x06FF; }
bool IsLeftToRight(char32_t ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
           (ch >= 0xC0 && ch < 0x0600);
}

std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        char32_t ch = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool good = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; good && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            good = (next & 0xC0) == 0x80;
            ch = (ch << 6) | (next & 0x3F);
        }
        if (!good) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(ch);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

// The letters that decide a letter's joins: the nearest ones before and after it that are
// not vowel marks (0 when there is none).
char32_t Neighbour(const std::u32string& text, std::size_t at, int step) {
    for (long i = static_cast<long>(at) + step; i >= 0 && i < static_cast<long>(text.size()); i += step) {
        if (!IsArabicMark(text[static_cast<std::size_t>(i)])) return text[static_cast<std::size_t>(i)];
    }
    return 0;
}

std::u32string JoinArabic(const std::u32string& text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t ch = text[i];
        const ArabicForms* forms = FormsOf(ch);
        if (forms == nullptr || forms->isolated == 0 || ch == kTatweel) {
            out.push_back(ch);
            continue;
        }
        const bool before = JoinsBefore(ch) && JoinsAfter(Neighbour(text, i, -1));
        if (ch == kLam && i + 1 < text.size()) {
            const auto ligature = std::find_if(std::begin(kLamAlef), std::end(kLamAlef),
                                               [&](const char32_t* pair) { return pair[0] == text[i + 1]; });
            if (ligature != std::end(kLamAlef)) {
                out.push_back((*ligature)[1] + (before ? 1 : 0));
                ++i;
                continue;
            }
        }
        const bool after = JoinsAfter(ch) && JoinsBefore(Neighbour(text, i, 1));
        const int form = before && after ? 3 : after ? 2 : before ? 1 : 0;
        out.push_back(forms->isolated + static_cast<char32_t>(std::min(form, forms->count - 1)));
    }
    return out;
}

// Every pixel size a face is set to goes through here. `embolden` is set when bold was asked
// for and only the regular face is at hand.
FT_Face FaceAt(bool bold, int pixels, bool& embolden) {
    FT_Face face = (bold ? FontFace::Bold() : FontFace::Instance()).Face();
    embolden = face == nullptr && bold;
    if (embolden) face = FontFace::Instance().Face();
    if (face == nullptr || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(std::max(1, pixels))) != 0) {
        return nullptr;
    }
    return face;
}

int CodePointsWidth(FT_Face face, const std::u32string& line, bool embolden) {
    long width = 0;
    for (char32_t ch : line) {
        if (!LoadGlyph(face, ch, embolden, false)) continue;
        width += face->glyph->advance.x;
    }
    return static_cast<int>((width + 63) >> 6);
}

constexpr int kSmallestLabelPixels = 6;

// The size and face a label is written with in a box `width` wide.
FT_Face FittedFace(const std::u32string& line, int width, const LabelStyle& style, int& pixels,
                   int& lineWidth, bool& embolden) {
    for (pixels = std::max(style.pixels, 1);; --pixels) {
        FT_Face face = FaceAt(style.bold, pixels, embolden);
        if (face == nullptr) return nullptr;
        lineWidth = CodePointsWidth(face, line, embolden);
        if (lineWidth <= width || pixels <= kSmallestLabelPixels) return face;
    }
}

}  // namespace

std::u32string DisplayOrder(const std::string& utf8) {
    std::u32string text = JoinArabic(DecodeUtf8(utf8));
    if (std::none_of(text.begin(), text.end(), IsArabic) &&
        std::none_of(text.begin(), text.end(), [](char32_t ch) { return ch >= 0xFE70 && ch <= 0xFEFF; })) {
        return text;
    }
    std::reverse(text.begin(), text.end());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        while (end < text.size() && IsLeftToRight(text[end])) ++end;
        std::reverse(text.begin() + static_cast<long>(i), text.begin() + static_cast<long>(end));
        i = end == i ? i + 1 : end;
    }
    return text;
}

bool FitLabel(const std::string& text, int width, const LabelStyle& style, int& pixels, int& labelWidth) {
    bool embolden = false;
    return FittedFace(DisplayOrder(text), width, style, pixels, labelWidth, embolden) != nullptr;
}

int DrawLabelInto(FramebufferContext& surface, const std::string& text, const Rect& box,
                  const LabelStyle& style) {
    const std::u32string line = DisplayOrder(text);
    int pixels = 0, width = 0;
    bool embolden = false;
    FT_Face face = FittedFace(line, box.Width(), style, pixels, width, embolden);
    if (face == nullptr) return 0;
    const Rect clip = Intersect(box, Rect{0, 0, surface.Width(), surface.Height()});
    if (clip.left >= clip.right || clip.top >= clip.bottom) return pixels;
    // Centred as the art's own words are: the middle between ascender and descender on the
    // middle of the box.
    const long ascender = face->size->metrics.ascender, descender = face->size->metrics.descender;
    const int baseline = (box.top + box.bottom) / 2 + static_cast<int>((ascender + descender) / 128);
    const int left = box.left + (box.Width() - width) / 2;
    if (style.shadow != kInvalidColour) {
        InkLine(surface, face, line, left + 1, baseline + 1, style.shadow, clip, embolden);
    }
    InkLine(surface, face, line, left, baseline, style.ink, clip, embolden);
    return pixels;
}

}  // namespace kolo
