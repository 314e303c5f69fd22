#include "platform/soft/FramebufferContext.h"

#include <algorithm>
#include <cstring>
#include <vector>

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
    if (!IsDrawable24(header, bits) || source.IsEmpty() || dest.IsEmpty()) return;
    const std::size_t stride = static_cast<std::size_t>(RowStride(24, header.biWidth));
    // Clip the destination first so that the per-pixel loop holds no bounds tests.
    const Rect clip = Intersect(dest, Rect{0, 0, width_, height_});
    if (clip.IsEmpty()) return;
    const bool sameSize = source.Width() == dest.Width() && source.Height() == dest.Height();
    if (filter == ImageFilter::kArea && !sameSize) {
        // Only a source inside the image is averaged; nothing is made up past its edge.
        if (source.left < 0 || source.top < 0 || source.right > header.biWidth ||
            source.bottom > header.biHeight) {
            return;
        }
        DrawImageArea(header, bits, source, dest, clip);
        return;
    }
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
            int x = clip.left;
            // While another pixel follows in both rows, a pixel is turned round in one four-byte
            // word (little-endian: blue, green, red, next → red, green, blue, 0); the 0 lands on
            // the next pixel's first byte, which that pixel writes again.
            for (; x + 1 < clip.right; ++x, s += 3, dst += 3) {
                std::uint32_t word;
                std::memcpy(&word, s, 4);
                word = __builtin_bswap32(word) >> 8;
                std::memcpy(dst, &word, 4);
            }
            for (; x < clip.right; ++x, s += 3, dst += 3) {
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

namespace {

// How one destination line of an area-averaged drawing is made: source lines first … first +
// weights.size() − 1, each weighted by the share of it the destination line covers, in 1/65536
// (the weights add up to 65536).
struct AreaSpan {
    std::int32_t first = 0;
    std::vector<std::uint32_t> weights;
};
constexpr std::uint32_t kWholeWeight = 65536;

// Destination line d of `to` covers source positions d × from / to … (d + 1) × from / to.
AreaSpan AreaSpanOf(std::int64_t d, std::int64_t from, std::int64_t to) {
    // Positions are counted in 1/to of a source line, so that every bound is whole.
    const std::int64_t start = d * from, end = (d + 1) * from;
    AreaSpan span;
    span.first = static_cast<std::int32_t>(start / to);
    const std::int64_t last = (end - 1) / to;
    std::uint32_t given = 0;
    for (std::int64_t i = span.first; i <= last; ++i) {
        const std::int64_t covered = std::min(end, (i + 1) * to) - std::max(start, i * to);
        const auto weight = static_cast<std::uint32_t>(covered * kWholeWeight / from);
        span.weights.push_back(weight);
        given += weight;
    }
    // Rounding leaves a little over: the largest share takes it, so that white stays white.
    *std::max_element(span.weights.begin(), span.weights.end()) += kWholeWeight - given;
    return span;
}

}  // namespace

void FramebufferContext::DrawImageArea(const BitmapInfoHeader& header, const std::uint8_t* bits,
                                       const Rect& source, const Rect& dest, const Rect& clip) {
    const std::size_t stride = static_cast<std::size_t>(RowStride(24, header.biWidth));
    std::vector<AreaSpan> columns;
    for (int x = clip.left; x < clip.right; ++x) {
        columns.push_back(AreaSpanOf(x - dest.left, source.Width(), dest.Width()));
    }
    const std::int32_t firstColumn = columns.front().first;
    const std::int32_t endColumn =
        columns.back().first + static_cast<std::int32_t>(columns.back().weights.size());
    std::vector<std::uint32_t> sums(3 * static_cast<std::size_t>(endColumn - firstColumn));
    for (int y = clip.top; y < clip.bottom; ++y) {
        const AreaSpan rows = AreaSpanOf(y - dest.top, source.Height(), dest.Height());
        std::fill(sums.begin(), sums.end(), 0u);
        for (std::size_t r = 0; r < rows.weights.size(); ++r) {
            const std::int64_t fromTop = source.top + rows.first + static_cast<std::int64_t>(r);
            const std::uint8_t* src = bits + static_cast<std::size_t>(header.biHeight - 1 - fromTop) * stride +
                                      static_cast<std::size_t>(source.left + firstColumn) * 3;
            const std::uint32_t weight = rows.weights[r];
            for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += src[i] * weight;
        }
        std::uint8_t* dst = Row(y) + static_cast<std::size_t>(clip.left) * 3;
        for (const AreaSpan& column : columns) {
            std::uint64_t blue = 0, green = 0, red = 0;
            const std::uint32_t* sum = sums.data() + 3 * static_cast<std::size_t>(column.first - firstColumn);
            for (const std::uint32_t weight : column.weights) {
                blue += std::uint64_t{sum[0]} * weight;
                green += std::uint64_t{sum[1]} * weight;
                red += std::uint64_t{sum[2]} * weight;
                sum += 3;
            }
            constexpr std::uint64_t kWhole = std::uint64_t{kWholeWeight} * kWholeWeight;
            *dst++ = static_cast<std::uint8_t>((red + kWhole / 2) / kWhole);
            *dst++ = static_cast<std::uint8_t>((green + kWhole / 2) / kWhole);
            *dst++ = static_cast<std::uint8_t>((blue + kWhole / 2) / kWhole);
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
    if (clip.IsEmpty()) return;
    // The first row pixel by pixel, the others copied from it: every new surface is filled.
    const std::size_t bytes = static_cast<std::size_t>(clip.Width()) * 3;
    std::uint8_t* const first = Row(clip.top) + static_cast<std::size_t>(clip.left) * 3;
    if (RedOf(colour) == GreenOf(colour) && GreenOf(colour) == BlueOf(colour)) {
        std::memset(first, RedOf(colour), bytes);
    } else {
        for (std::uint8_t* d = first; d < first + bytes; d += 3) {
            d[0] = RedOf(colour);
            d[1] = GreenOf(colour);
            d[2] = BlueOf(colour);
        }
    }
    for (int y = clip.top + 1; y < clip.bottom; ++y) {
        std::memcpy(Row(y) + static_cast<std::size_t>(clip.left) * 3, first, bytes);
    }
}

void FramebufferContext::DrawText(const std::string& text, const Rect& box,
                                  TextPlacement placement) {
    DrawTextInto(*this, text, box, placement, dotsPerInch_);
}

void FramebufferContext::DrawLabel(const std::string& text, const Rect& box, const LabelStyle& style) {
    DrawLabelInto(*this, text, box, style);
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
