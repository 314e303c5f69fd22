// Resizing a CDibImage. Enlarging doubles rows (or columns) with averaged in-betweens as long
// as the size at least doubles, then spreads the rest with an error term; rows and columns
// share that procedure, written over "lines": a line is a row of pixels or a one-pixel column.
// Shrinking averages the source lines that fall into each destination line, with one loop for
// rows and one for columns so that both walk memory in order.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "image/DibImage.h"

namespace kolo {
namespace {

// Lines of a 24-bit picture seen either as rows or as columns. `Copy` and `Average` work in
// place on one buffer; the caller guarantees the source lines are still unwritten.
class Lines {
public:
    static Lines Rows(CDibImage& image) {
        return Lines(image.Pixels(), image.Stride(), 3, image.Width() * 3, 1);
    }
    static Lines Columns(CDibImage& image) {
        return Lines(image.Pixels(), 3, image.Stride(), 3, image.Height());
    }

    void Copy(std::int32_t to, std::int32_t from) {
        for (std::int32_t run = 0; run < runs_; ++run) {
            std::memmove(At(to, run), At(from, run), static_cast<std::size_t>(bytes_));
        }
    }
    void Average(std::int32_t to, std::int32_t a, std::int32_t b) {
        for (std::int32_t run = 0; run < runs_; ++run) {
            std::uint8_t* d = At(to, run);
            const std::uint8_t* pa = At(a, run);
            const std::uint8_t* pb = At(b, run);
            for (std::int32_t i = 0; i < bytes_; ++i) {
                d[i] = static_cast<std::uint8_t>((pa[i] + pb[i]) >> 1);
            }
        }
    }
private:
    std::uint8_t* At(std::int32_t line, std::int32_t run) {
        return base_ + lineStep_ * line + runStep_ * run;
    }

    // A line is `runs` stretches of `bytes` contiguous bytes, `runStep` apart; lines are
    // `lineStep` apart. A row is one run of width × 3 bytes; a column is height runs of 3.
    Lines(std::uint8_t* base, std::size_t lineStep, std::size_t runStep, std::int32_t bytes,
          std::int32_t runs)
        : base_(base), lineStep_(lineStep), runStep_(runStep), bytes_(bytes), runs_(runs) {}

    std::uint8_t* base_;
    std::size_t lineStep_;
    std::size_t runStep_;
    std::int32_t bytes_;
    std::int32_t runs_;
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

// The source lines averaged into one destination line when shrinking: `count` lines from
// `first` on. Line 0 takes the whole positions below half a step; line r ≥ 1 the positions one
// apart from half a step plus r − 1 steps, within one step and within the picture. Positions
// one apart truncate to consecutive lines, so a first line and a count describe them.
struct ShrinkSpan {
    std::int32_t first = 0;
    std::int32_t count = 0;
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

// Averages the span's source rows into `d`, summing in `Sum`.
template <typename Sum>
void AverageRows(const CDibImage& source, const ShrinkSpan& span, std::size_t rowBytes, Sum* sums,
                 std::uint8_t* d) {
    std::fill(sums, sums + rowBytes, Sum{0});
    for (std::int32_t k = 0; k < span.count; ++k) {
        const std::uint8_t* p = source.Pixels() + source.Stride() * (span.first + k);
        for (std::size_t i = 0; i < rowBytes; ++i) sums[i] = static_cast<Sum>(sums[i] + p[i]);
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

void ShrinkRows(const CDibImage& source, CDibImage& target) {
    const std::vector<ShrinkSpan> spans = ShrinkSpans(source.Height(), target.Height());
    const std::size_t rowBytes = static_cast<std::size_t>(source.Width()) * 3;
    std::vector<std::uint16_t> shortSums(rowBytes);
    std::vector<std::uint32_t> longSums(rowBytes);
    for (std::int32_t r = 0; r < target.Height(); ++r) {
        const ShrinkSpan& span = spans[r];
        std::uint8_t* d = target.Pixels() + target.Stride() * r;
        if (span.count == 1) {
            std::memcpy(d, source.Pixels() + source.Stride() * span.first, rowBytes);
        } else if (span.count > 1 && span.count <= kShortSpan) {
            AverageRows(source, span, rowBytes, shortSums.data(), d);
        } else if (span.count > kShortSpan) {
            AverageRows(source, span, rowBytes, longSums.data(), d);
        }
    }
}

void ShrinkColumns(const CDibImage& source, CDibImage& target) {
    const std::vector<ShrinkSpan> spans = ShrinkSpans(source.Width(), target.Width());
    for (std::int32_t row = 0; row < source.Height(); ++row) {
        const std::uint8_t* const line = source.Pixels() + source.Stride() * row;
        std::uint8_t* d = target.Pixels() + target.Stride() * row;
        for (const ShrinkSpan& span : spans) {
            std::uint32_t sum[3] = {0, 0, 0};
            const std::uint8_t* p = line + 3 * static_cast<std::size_t>(span.first);
            for (std::int32_t k = 0; k < span.count; ++k, p += 3) {
                sum[0] += p[0];
                sum[1] += p[1];
                sum[2] += p[2];
            }
            if (span.count > 0) {
                d[0] = Mean(sum[0], span);
                d[1] = Mean(sum[1], span);
                d[2] = Mean(sum[2], span);
            }
            d += 3;
        }
    }
}

}  // namespace

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
            for (std::int32_t row = 0; row < Height(); ++row) {
                std::memcpy(fresh.Pixels() + fresh.Stride() * row, Pixels() + Stride() * row,
                            static_cast<std::size_t>(Width()) * 3);
            }
            Lines columns = Lines::Columns(fresh);
            StretchLines(columns, Width(), newWidth);
            *this = std::move(fresh);
        }
    }
    if (newHeight < Height()) {
        CDibImage fresh;
        if (fresh.Allocate(Width(), newHeight)) {
            ShrinkRows(*this, fresh);
            *this = std::move(fresh);
        }
    }
    if (newWidth < Width()) {
        CDibImage fresh;
        if (fresh.Allocate(newWidth, Height())) {
            ShrinkColumns(*this, fresh);
            *this = std::move(fresh);
        }
    }
}

}  // namespace kolo
