#include "platform/soft/TextRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <vector>

#include "platform/DrawingSurface.h"
#include "platform/soft/FramebufferContext.h"

namespace kolo {
namespace {

// One library and one face for the process, opened on first use and kept: reopening the
// font file on every paint would cost more than drawing the text.
class FontFace {
public:
    static FontFace& Instance() {
        static FontFace instance;
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
    FontFace() {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        if (FT_New_Face(library_, kDefaultFontPath, 0, &face_) != 0) face_ = nullptr;
    }
    ~FontFace() {
        if (face_ != nullptr) FT_Done_Face(face_);
        if (library_ != nullptr) FT_Done_FreeType(library_);
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
    for (unsigned char ch : line) {
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

void DrawLine(FramebufferContext& surface, FT_Face face, const std::string& line, int left,
              int top, int width, const Rect& clip) {
    const int height = LineHeight(face);
    const Rect box = Intersect(Rect{left, top, left + width, top + height}, clip);
    if (box.left < box.right && box.top < box.bottom) surface.FillRect(box, 0x00FFFFFF);

    long penX = static_cast<long>(left) * 64;   // 26.6 fixed point; left may be negative
    const int baseline = top + Ascender(face);
    for (unsigned char ch : line) {
        if (FT_Load_Char(face, ch, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot glyph = face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        const int gx = static_cast<int>(penX >> 6) + glyph->bitmap_left;
        const int gy = baseline - glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = gy + static_cast<int>(row);
            if (y < clip.top || y >= clip.bottom) continue;
            const unsigned char* coverage = bitmap.buffer + row * bitmap.pitch;
            std::uint8_t* dst = surface.Row(y);
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int x = gx + static_cast<int>(col);
                if (x < clip.left || x >= clip.right || coverage[col] == 0) continue;
                // Black ink over what is there, weighted by the glyph's coverage.
                const unsigned keep = 255u - coverage[col];
                std::uint8_t* p = dst + static_cast<std::size_t>(x) * 3;
                p[0] = static_cast<std::uint8_t>(p[0] * keep / 255u);
                p[1] = static_cast<std::uint8_t>(p[1] * keep / 255u);
                p[2] = static_cast<std::uint8_t>(p[2] * keep / 255u);
            }
        }
        penX += glyph->advance.x;
    }
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

}  // namespace kolo
