// Resizing a CDibImage. Enlarging doubles rows (or columns) with averaged in-betweens as long
// as the size at least doubles, then spreads the rest with an error term. Rows are stretched
// in place, whole rows at a time. Columns are stretched one row at a time from a copy of the
// row: every stage of the procedure reads only lines it has not yet written, so building each
// stage's line from the one before gives the same pixels as working in place, and a row stays
// in the cache while all its stages run. Shrinking averages the source lines that fall into
// each destination line, with one loop for rows and one for columns so that both walk memory
// in order. A mean alone would fade a line one source pixel wide into the paper, so wherever
// the lines under a destination pixel hold a dark pixel (a line, at kLineLevel) and their mean
// is light, the pixel takes the darkest of them: a shrunk line never breaks, and thickens by
// at most one pixel.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "image/DibImage.h"

namespace kolo {
namespace {

// The rows of a 24-bit picture as lines for StretchLines. `Copy` and `Average` work in place
// on one buffer; the caller guarantees the source rows are still unwritten.
class Lines {
public:
    static Lines Rows(CDibImage& image) {
        return Lines(image.Pixels(), image.Stride(), image.Width() * 3);
    }

    void Copy(std::int32_t to, std::int32_t from) {
        std::memmove(At(to), At(from), static_cast<std::size_t>(bytes_));
    }
    void Average(std::int32_t to, std::int32_t a, std::int32_t b) {
        std::uint8_t* d = At(to);
        const std::uint8_t* pa = At(a);
        const std::uint8_t* pb = At(b);
        // The length in a local: byte stores may alias any member, which would otherwise be
        // read again after each one and keep the loop from working on many bytes at once.
        const std::int32_t n = bytes_;
        for (std::int32_t i = 0; i < n; ++i) {
            d[i] = static_cast<std::uint8_t>((pa[i] + pb[i]) >> 1);
        }
    }

private:
    Lines(std::uint8_t* base, std::size_t stride, std::int32_t bytes)
        : base_(base), stride_(stride), bytes_(bytes) {}
    std::uint8_t* At(std::int32_t line) { return base_ + stride_ * line; }

    std::uint8_t* base_;
    std::size_t stride_;    // bytes from one row to the next
    std::int32_t bytes_;    // pixel bytes of a row
};

// Stretches lines 0 … from − 1 to fill lines 0 … to − 1, working from the top line down so
// that every source line is read before it is overwritten.
void StretchLines(Lines& lines, std::int32_t from, std::int32_t to) {
    std::int32_t cur = from;
    while (to >= 2 * cur) {
        lines.Copy(2 * cur - 1, cur - 1);
        for (std::int32_t k = cur - 2; k >= 0; --k) {
            lines.Average(2 * k + 2, k, k + 1);
            lines.Copy(2 * k + 1, k);
        }
        cur *= 2;
    }
    if (to == cur) return;
    std::int32_t d = 2 * cur;
    std::int32_t j = to - 1;
    for (std::int32_t k = cur - 1; k >= 0; --k) {
        d -= to;
        if (d > 0) {
            lines.Copy(j, k);
            j -= 1;
            d += cur;
        } else {
            lines.Average(j, k, k + 1);
            lines.Copy(j - 1, k);
            j -= 2;
            d += 2 * cur;
        }
    }
}


// One stage of stretching a line of pixels from `from` to `to` pixels: the doubling, or the
// final spread. Each destination pixel is either a source pixel or the mean of a source pixel
// and the next one; the means are worked out for the whole line first, and `offsets` gives
// for each destination pixel where its bytes lie in the source pixels followed by the means.
struct StretchStage {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::vector<std::uint32_t> offsets;   // bytes, one per destination pixel
};

std::vector<StretchStage> StretchStages(std::int32_t from, std::int32_t to) {
    std::vector<StretchStage> stages;
    std::int32_t cur = from;
    auto stage = [&stages](std::int32_t a, std::int32_t b) -> StretchStage& {
        stages.push_back(StretchStage{a, b, std::vector<std::uint32_t>(static_cast<std::size_t>(b))});
        return stages.back();
    };
    auto copyOf = [](std::int32_t k) { return static_cast<std::uint32_t>(3 * k); };
    while (to >= 2 * cur) {
        StretchStage& s = stage(cur, 2 * cur);
        const auto meanOf = [cur](std::int32_t k) { return static_cast<std::uint32_t>(3 * (cur + k)); };
        s.offsets[0] = copyOf(0);
        for (std::int32_t k = 0; k < cur; ++k) s.offsets[2 * k + 1] = copyOf(k);
        for (std::int32_t k = 0; k + 1 < cur; ++k) s.offsets[2 * k + 2] = meanOf(k);
        cur *= 2;
    }
    if (to == cur) return stages;
    StretchStage& s = stage(cur, to);
    const auto meanOf = [cur](std::int32_t k) { return static_cast<std::uint32_t>(3 * (cur + k)); };
    std::int32_t d = 2 * cur;
    std::int32_t j = to - 1;
    for (std::int32_t k = cur - 1; k >= 0; --k) {
        d -= to;
        if (d > 0) {
            s.offsets[j] = copyOf(k);
            j -= 1;
            d += cur;
        } else {
            s.offsets[j] = meanOf(k);
            s.offsets[j - 1] = copyOf(k);
            j -= 2;
            d += 2 * cur;
        }
    }
    return stages;
}

// Stretches every row of `source` into the wider `target` of the same height.
void StretchColumns(const PixelRows& source, CDibImage& target) {
    const std::vector<StretchStage> stages = StretchStages(source.width, target.Width());
    // Two working lines, each a line's pixels then its means, with room for the one byte
    // that the four-byte pixel copies read past the last pixel.
    const std::size_t lineBytes = 3 * 2 * static_cast<std::size_t>(target.Width()) + 4;
    std::vector<std::uint8_t> a(lineBytes), b(lineBytes);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(source.width);
    for (std::int32_t row = 0; row < source.height; ++row) {
        std::uint8_t* in = a.data();
        std::uint8_t* out = b.data();
        std::memcpy(in, source.pixels + source.stride * row, rowBytes);
        for (std::size_t i = 0; i < stages.size(); ++i) {
            const StretchStage& stage = stages[i];
            const std::size_t pixelBytes = 3 * static_cast<std::size_t>(stage.from);
            std::uint8_t* means = in + pixelBytes;
            for (std::size_t k = 0; k + 3 < pixelBytes; ++k) {
                means[k] = static_cast<std::uint8_t>((in[k] + in[k + 3]) >> 1);
            }
            const bool last = i + 1 == stages.size();
            std::uint8_t* d = last ? target.Pixels() + target.Stride() * row : out;
            // Four bytes a pixel, each copy overwriting the extra byte of the one before;
            // the last pixel of the target row takes exactly its three.
            const std::int32_t n = stage.to;
            const std::uint32_t* const offsets = stage.offsets.data();
            for (std::int32_t j = 0; j + 1 < n; ++j) std::memcpy(d + 3 * j, in + offsets[j], 4);
            std::memcpy(d + 3 * (n - 1), in + offsets[n - 1], 3);
            std::swap(in, out);
        }
    }
}

// Rows are checked for line pixels a block of this many pixels at a time.
constexpr std::int32_t kBlockPixels = 16;

// The source lines averaged into one destination line when shrinking: `count` lines from
// `first` on. Line 0 takes the whole positions below half a step; line r ≥ 1 the positions one
// apart from half a step plus r − 1 steps, within one step and within the picture. Positions
// one apart truncate to consecutive lines, so a first line and a count describe them.
struct ShrinkSpan {
    std::int32_t first = 0;
    std::int32_t count = 0;
    // Lines from `first` looked at for a dark pixel: `count`, and for the last span every
    // line to the end, which the means leave out.
    std::int32_t darkCount = 0;
    std::uint64_t reciprocal = 0;     // 2^40 / count, rounded up
    std::uint32_t reciprocal16 = 0;   // 2^16 / count, rounded up, for short spans
};

// Spans of up to this many lines are summed in 16 bits and divided with a 16-bit reciprocal,
// which is exact for every sum of up to 16 bytes (checked for each count) and lets the
// compiler work on many bytes at once. Scaling by up to 16 covers every picture in practice.
constexpr std::int32_t kShortSpan = 16;

std::vector<ShrinkSpan> ShrinkSpans(std::int32_t from, std::int32_t to) {
    const double step = static_cast<double>(from) / to;
    const double half = step / 2;
    std::vector<ShrinkSpan> spans(static_cast<std::size_t>(to));
    for (std::int32_t r = 0; r < to; ++r) {
        ShrinkSpan& span = spans[r];
        if (r == 0) {
            for (std::int32_t p = 0; p < half; ++p) ++span.count;
        } else {
            const double start = half + (r - 1) * step;
            span.first = static_cast<std::int32_t>(start);
            for (double p = start; p < start + step && p < from; p += 1.0) ++span.count;
        }
        span.darkCount = r + 1 == to ? from - span.first : span.count;
        if (span.count > 0) {
            const auto n = static_cast<std::uint64_t>(span.count);
            span.reciprocal = ((std::uint64_t{1} << 40) + n - 1) / n;
            span.reciprocal16 = static_cast<std::uint32_t>(((std::uint64_t{1} << 16) + n - 1) / n);
        }
    }
    return spans;
}

// Truncating division of a sum of `count` bytes by `count`, as a multiply and shift: exact for
// sums below 2^40 / count, which 255 × count is for every count up to 65536.
std::uint8_t Mean(std::uint32_t sum, const ShrinkSpan& span) {
    return static_cast<std::uint8_t>((sum * span.reciprocal) >> 40);
}

// The sum of a pixel's three bytes: below kLightSum it belongs to a line.
constexpr std::uint32_t kLightSum = 3 * (kLineLevel + 1);
inline std::uint32_t SumOf(const std::uint8_t* p) { return p[0] + p[1] + p[2]; }


// Takes the smaller of each byte of `mins` and of the row.
void KeepSmaller(std::uint8_t* __restrict mins, const std::uint8_t* __restrict p, std::size_t rowBytes) {
    for (std::size_t i = 0; i < rowBytes; ++i) mins[i] = std::min(mins[i], p[i]);
}

// Averages the span's source rows into `d`, summing in `Sum`, and leaves each byte's minimum
// over the rows in `mins`. Both in one pass, so that each source byte is read once.
template <typename Sum>
void AverageRows(const PixelRows& source, const ShrinkSpan& span, std::size_t rowBytes,
                 Sum* __restrict sums, std::uint8_t* __restrict mins, std::uint8_t* __restrict d) {
    const std::uint8_t* first = source.pixels + source.stride * span.first;
    for (std::size_t i = 0; i < rowBytes; ++i) {
        sums[i] = first[i];
        mins[i] = first[i];
    }
    for (std::int32_t k = 1; k < span.count; ++k) {
        const std::uint8_t* __restrict p = first + source.stride * k;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            sums[i] = static_cast<Sum>(sums[i] + p[i]);
            mins[i] = std::min(mins[i], p[i]);
        }
    }
    if constexpr (sizeof(Sum) == 2) {
        const std::uint32_t m = span.reciprocal16;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            d[i] = static_cast<std::uint8_t>((static_cast<std::uint32_t>(sums[i]) * m) >> 16);
        }
    } else {
        for (std::size_t i = 0; i < rowBytes; ++i) d[i] = Mean(sums[i], span);
    }
}

// Gives each light pixel of the destination row `d` whose span holds a dark pixel the darkest
// pixel of the span (rows first … first + count − 1 of `source`). `mins` holds each byte's
// minimum over those rows: where no byte of a block is at or below the level, no pixel of it
// can be dark, which settles nearly all of a line drawing's row a block at a time.
void KeepLinesInRow(const PixelRows& source, std::int32_t first, std::int32_t count,
                    const std::uint8_t* mins, std::uint8_t* d) {
    const std::int32_t width = source.width;
    for (std::int32_t x0 = 0; x0 < width; x0 += kBlockPixels) {
        const std::int32_t end = std::min(width, x0 + kBlockPixels);
        std::uint8_t low = 255;
        for (std::int32_t i = 3 * x0; i < 3 * end; ++i) low = std::min(low, mins[i]);
        if (low > kLineLevel) continue;
        for (std::int32_t x = x0; x < end; ++x) {
            if (SumOf(mins + 3 * x) >= kLightSum || SumOf(d + 3 * x) < kLightSum) continue;
            const std::uint8_t* darkest = nullptr;
            std::uint32_t darkestSum = kLightSum;
            for (std::int32_t k = 0; k < count; ++k) {
                const std::uint8_t* p = source.pixels + source.stride * (first + k) + 3 * x;
                if (SumOf(p) < darkestSum) {
                    darkestSum = SumOf(p);
                    darkest = p;
                }
            }
            if (darkest != nullptr) std::memcpy(d + 3 * x, darkest, 3);
        }
    }
}

void ShrinkRows(const PixelRows& source, CDibImage& target) {
    const std::vector<ShrinkSpan> spans = ShrinkSpans(source.height, target.Height());
    const std::size_t rowBytes = static_cast<std::size_t>(source.width) * 3;
    std::vector<std::uint16_t> shortSums(rowBytes);
    std::vector<std::uint32_t> longSums(rowBytes);
    std::vector<std::uint8_t> mins(rowBytes);
    for (std::int32_t r = 0; r < target.Height(); ++r) {
        const ShrinkSpan& span = spans[r];
        std::uint8_t* d = target.Pixels() + target.Stride() * r;
        const std::uint8_t* const firstRow = source.pixels + source.stride * span.first;
        if (span.count == 1) {
            std::memcpy(d, firstRow, rowBytes);
            std::memcpy(mins.data(), firstRow, rowBytes);
        } else if (span.count > 1 && span.count <= kShortSpan) {
            AverageRows(source, span, rowBytes, shortSums.data(), mins.data(), d);
        } else if (span.count > kShortSpan) {
            AverageRows(source, span, rowBytes, longSums.data(), mins.data(), d);
        }
        for (std::int32_t k = span.count; k < span.darkCount; ++k) {
            KeepSmaller(mins.data(), firstRow + source.stride * k, rowBytes);
        }
        if (span.darkCount > 1) KeepLinesInRow(source, span.first, span.darkCount, mins.data(), d);
    }
}

// Each destination pixel of a row: the mean of its span's pixels, or, when that is light and
// one of them is a line pixel, the darkest of them. One pass finds both.
void ShrinkColumns(const PixelRows& source, CDibImage& target) {
    const std::vector<ShrinkSpan> spans = ShrinkSpans(source.width, target.Width());
    for (std::int32_t row = 0; row < source.height; ++row) {
        const std::uint8_t* const line = source.pixels + source.stride * row;
        std::uint8_t* d = target.Pixels() + target.Stride() * row;
        for (const ShrinkSpan& span : spans) {
            std::uint32_t sum[3] = {0, 0, 0};
            std::uint32_t darkestSum = kLightSum;
            const std::uint8_t* darkest = nullptr;
            const std::uint8_t* p = line + 3 * static_cast<std::size_t>(span.first);
            for (std::int32_t k = 0; k < span.darkCount; ++k, p += 3) {
                if (k < span.count) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
                if (SumOf(p) < darkestSum) {
                    darkestSum = SumOf(p);
                    darkest = p;
                }
            }
            if (span.count > 0) {
                d[0] = Mean(sum[0], span);
                d[1] = Mean(sum[1], span);
                d[2] = Mean(sum[2], span);
            }
            if (darkest != nullptr && SumOf(d) >= kLightSum) {
                std::memcpy(d, darkest, 3);
            }
            d += 3;
        }
    }
}

PixelRows RowsOf(const CDibImage& image) {
    return PixelRows{image.Pixels(), image.Stride(), image.Width(), image.Height()};
}

}  // namespace

CDibImage ResizedRows(const PixelRows& source, std::int32_t newWidth, std::int32_t newHeight) {
    CDibImage fresh;
    if (source.pixels == nullptr || source.width < 1 || source.height < 1) return fresh;
    // The first step that Resize would take reads the source into a new picture; the remaining
    // steps work on that.
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(source.width);
    if (newHeight > source.height) {
        if (!fresh.Allocate(source.width, newHeight)) return CDibImage();
        for (std::int32_t row = 0; row < source.height; ++row) {
            std::memcpy(fresh.Pixels() + fresh.Stride() * row, source.pixels + source.stride * row, rowBytes);
        }
        Lines rows = Lines::Rows(fresh);
        StretchLines(rows, source.height, newHeight);
    } else if (newWidth > source.width) {
        if (!fresh.Allocate(newWidth, source.height)) return CDibImage();
        StretchColumns(source, fresh);
    } else if (newHeight < source.height) {
        if (!fresh.Allocate(source.width, newHeight)) return CDibImage();
        ShrinkRows(source, fresh);
    } else if (newWidth < source.width) {
        if (!fresh.Allocate(newWidth, source.height)) return CDibImage();
        ShrinkColumns(source, fresh);
    } else {
        if (!fresh.Allocate(source.width, source.height)) return CDibImage();
        for (std::int32_t row = 0; row < source.height; ++row) {
            std::memcpy(fresh.Pixels() + fresh.Stride() * row, source.pixels + source.stride * row, rowBytes);
        }
        return fresh;
    }
    fresh.Resize(newWidth, newHeight);
    return fresh;
}

CDibImage CDibImage::Resized(std::int32_t newWidth, std::int32_t newHeight) const {
    if (!HasPicture()) return CDibImage();
    if (newWidth == Width() && newHeight == Height()) return CDibImage(*this);
    return ResizedRows(RowsOf(*this), newWidth, newHeight);
}

void CDibImage::Resize(std::int32_t newWidth, std::int32_t newHeight) {
    if (!HasPicture()) return;
    // Each step builds a fresh image and takes it over whole, colours included, so the
    // outline colour is back at its initial value afterwards.

    if (newHeight > Height()) {
        CDibImage fresh;
        if (fresh.Allocate(Width(), newHeight)) {
            std::memcpy(fresh.Pixels(), Pixels(), Stride() * Height());
            Lines rows = Lines::Rows(fresh);
            StretchLines(rows, Height(), newHeight);
            *this = std::move(fresh);
        }
    }
    if (newWidth > Width()) {
        CDibImage fresh;
        if (fresh.Allocate(newWidth, Height())) {
            StretchColumns(RowsOf(*this), fresh);
            *this = std::move(fresh);
        }
    }
    if (newHeight < Height()) {
        CDibImage fresh;
        if (fresh.Allocate(Width(), newHeight)) {
            ShrinkRows(RowsOf(*this), fresh);
            *this = std::move(fresh);
        }
    }
    if (newWidth < Width()) {
        CDibImage fresh;
        if (fresh.Allocate(newWidth, Height())) {
            ShrinkColumns(RowsOf(*this), fresh);
            *this = std::move(fresh);
        }
    }
}

}  // namespace kolo
