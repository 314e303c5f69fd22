#include "platform/soft/FramebufferContext.h"

#include <algorithm>
#include <cstring>

#include "platform/soft/SoftBitmap.h"
#include "platform/soft/TextRenderer.h"

namespace kolo {
namespace {

// Only the core's own 24-bit bottom-up rows are drawn here; anything else is refused.
bool IsDrawable24(const BitmapInfoHeader& header, const std::uint8_t* bits) {
    return bits != nullptr && header.biBitCount == 24 && header.biCompression == kBiRgb &&
           header.biWidth > 0 && header.biHeight > 0;
}

}  // namespace

FramebufferContext::FramebufferContext(int width, int height, ColourRef background)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_ * 3) {
    FillRect(Rect{0, 0, width_, height_}, background);
}

void FramebufferContext::DrawImage(const BitmapInfoHeader& header, const std::uint8_t* bits,
                                   const Rect& source, const Rect& dest, ImageFilter filter) {
    (void)filter;   // nearest is the one sampling there is
    if (!IsDrawable24(header, bits) || source.IsEmpty() || dest.IsEmpty()) return;
    const std::size_t stride = static_cast<std::size_t>(RowStride(24, header.biWidth));
    // Clip the destination first so that the per-pixel loop holds no bounds tests.
    const Rect clip = Intersect(dest, Rect{0, 0, width_, height_});
    if (clip.IsEmpty()) return;
    // The source column of each destination column, worked out once per call rather than
    // once per pixel; −1 marks a column outside the image. Unscaled, it is the same column.
    std::vector<std::int32_t> columns(static_cast<std::size_t>(clip.Width()));
    for (int x = clip.left; x < clip.right; ++x) {
        const std::int64_t col =
            source.left + static_cast<std::int64_t>(x - dest.left) * source.Width() / dest.Width();
        columns[static_cast<std::size_t>(x - clip.left)] =
            col < 0 || col >= header.biWidth ? -1 : static_cast<std::int32_t>(col);
    }
    const bool unscaled = source.Width() == dest.Width() && columns.front() >= 0 &&
                          columns.back() >= 0;
    for (int y = clip.top; y < clip.bottom; ++y) {
        // Nearest sample: destination row dy takes the source row dy × height / dest height
        // below the top of the source rectangle.
        const std::int64_t fromTop =
            source.top + static_cast<std::int64_t>(y - dest.top) * source.Height() / dest.Height();
        if (fromTop < 0 || fromTop >= header.biHeight) continue;
        const std::uint8_t* src = bits + static_cast<std::size_t>(header.biHeight - 1 - fromTop) * stride;
        std::uint8_t* dst = Row(y) + static_cast<std::size_t>(clip.left) * 3;
        if (unscaled) {
            // One to one, as the board draws its canvas: a straight run, without the lookup.
            const std::uint8_t* s = src + static_cast<std::size_t>(columns.front()) * 3;
            for (int x = clip.left; x < clip.right; ++x, s += 3, dst += 3) {
                dst[0] = s[2];
                dst[1] = s[1];
                dst[2] = s[0];
            }
            continue;
        }
        for (int x = clip.left; x < clip.right; ++x, dst += 3) {
            const std::int32_t col = columns[static_cast<std::size_t>(x - clip.left)];
            if (col < 0) continue;
            const std::uint8_t* s = src + static_cast<std::size_t>(col) * 3;
            dst[0] = s[2];
            dst[1] = s[1];
            dst[2] = s[0];
        }
    }
}

void FramebufferContext::DrawBitmap(const DeviceBitmap& bitmap, const Rect& source, int x, int y) {
    const auto* soft = dynamic_cast<const SoftBitmap*>(&bitmap);
    if (soft == nullptr) return;
    const FramebufferContext& from = soft->Surface();
    // Clip the source and the destination together, so that both stay in their surfaces.
    const Rect inSource = Intersect(source, Rect{0, 0, from.width_, from.height_});
    const Rect shown = Intersect(Rect{x + inSource.left - source.left, y + inSource.top - source.top,
                                      x + inSource.right - source.left, y + inSource.bottom - source.top},
                                 Rect{0, 0, width_, height_});
    if (shown.IsEmpty()) return;
    const int fromX = source.left + shown.left - x;
    const int fromY = source.top + shown.top - y;
    for (int row = 0; row < shown.Height(); ++row) {
        std::memcpy(Row(shown.top + row) + static_cast<std::size_t>(shown.left) * 3,
                    from.Row(fromY + row) + static_cast<std::size_t>(fromX) * 3,
                    static_cast<std::size_t>(shown.Width()) * 3);
    }
}

void FramebufferContext::FillRect(const Rect& rect, ColourRef colour) {
    const Rect clip = Intersect(rect, Rect{0, 0, width_, height_});
    for (int y = clip.top; y < clip.bottom; ++y) {
        std::uint8_t* d = Row(y) + static_cast<std::size_t>(clip.left) * 3;
        for (int x = clip.left; x < clip.right; ++x, d += 3) {
            d[0] = RedOf(colour);
            d[1] = GreenOf(colour);
            d[2] = BlueOf(colour);
        }
    }
}

void FramebufferContext::DrawText(const std::string& text, const Rect& box,
                                  TextPlacement placement) {
    DrawTextInto(*this, text, box, placement, dotsPerInch_);
}

ColourRef FramebufferContext::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidColour;
    const std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * 3;
    return MakeColourRef(p[0], p[1], p[2]);
}

void FramebufferContext::SetPixel(int x, int y, ColourRef colour) {
    FillRect(Rect{x, y, x + 1, y + 1}, colour);
}

}  // namespace kolo
