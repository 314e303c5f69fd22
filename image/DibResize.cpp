// Resizing a CDibImage. Enlarging doubles rows (or columns) with averaged in-betweens as long
// as the size at least doubles, then spreads the rest with an error term; shrinking averages
// the source lines that fall into each destination line. Rows and columns share one procedure
// each, written over "lines": a line is a row of pixels or a one-pixel column.
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
        return Lines(image.Pixels(), image.Stride(), 3, image.Width() * 3, 1, image.Height());
    }
    static Lines Columns(CDibImage& image) {
        return Lines(image.Pixels(), 3, image.Stride(), 3, image.Height(), image.Width());
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
    std::uint8_t* At(std::int32_t line, std::int32_t run) {
        return base_ + lineStep_ * line + runStep_ * run;
    }
    std::int32_t Runs() const { return runs_; }
    std::int32_t Bytes() const { return bytes_; }
    std::int32_t Count() const { return count_; }

private:
    // A line is `runs` stretches of `bytes` contiguous bytes, `runStep` apart; lines are
    // `lineStep` apart. A row is one run of width × 3 bytes; a column is height runs of 3.
    Lines(std::uint8_t* base, std::size_t lineStep, std::size_t runStep, std::int32_t bytes,
          std::int32_t runs, std::int32_t count)
        : base_(base), lineStep_(lineStep), runStep_(runStep), bytes_(bytes), runs_(runs),
          count_(count) {}

    std::uint8_t* base_;
    std::size_t lineStep_;
    std::size_t runStep_;
    std::int32_t bytes_;
    std::int32_t runs_;
    std::int32_t count_;
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

// Source line positions averaged into destination line r when `from` lines shrink to `to`.
// Line 0 takes the whole positions below half a step; line r ≥ 1 takes the positions one apart
// from half a step plus r − 1 steps, within one step and within the picture.
std::vector<std::int32_t> ShrinkSamples(std::int32_t r, std::int32_t from, std::int32_t to) {
    const double step = static_cast<double>(from) / to;
    const double half = step / 2;
    std::vector<std::int32_t> samples;
    if (r == 0) {
        for (std::int32_t p = 0; p < half; ++p) samples.push_back(p);
        return samples;
    }
    const double start = half + (r - 1) * step;
    for (double p = start; p < start + step && p < from; p += 1.0) {
        samples.push_back(static_cast<std::int32_t>(p));
    }
    return samples;
}

void ShrinkLines(Lines& source, Lines& target) {
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(source.Bytes()));
    for (std::int32_t r = 0; r < target.Count(); ++r) {
        const std::vector<std::int32_t> samples = ShrinkSamples(r, source.Count(), target.Count());
        if (samples.empty()) continue;
        const auto n = static_cast<std::uint32_t>(samples.size());
        for (std::int32_t run = 0; run < source.Runs(); ++run) {
            std::fill(sums.begin(), sums.end(), 0u);
            for (std::int32_t s : samples) {
                const std::uint8_t* p = source.At(s, run);
                for (std::int32_t i = 0; i < source.Bytes(); ++i) sums[i] += p[i];
            }
            std::uint8_t* d = target.At(r, run);
            for (std::int32_t i = 0; i < source.Bytes(); ++i) {
                d[i] = static_cast<std::uint8_t>(sums[i] / n);
            }
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
            Lines source = Lines::Rows(*this);
            Lines target = Lines::Rows(fresh);
            ShrinkLines(source, target);
            *this = std::move(fresh);
        }
    }
    if (newWidth < Width()) {
        CDibImage fresh;
        if (fresh.Allocate(newWidth, Height())) {
            Lines source = Lines::Columns(*this);
            Lines target = Lines::Columns(fresh);
            ShrinkLines(source, target);
            *this = std::move(fresh);
        }
    }
}

}  // namespace kolo
