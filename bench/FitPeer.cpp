// The fit as it was before shrinking kept line pixels: every destination pixel the plain mean
// of the source lines under it. Kept only as the peer the fit benchmark measures against.
#include "bench/FitPeer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kolo::bench {
namespace {

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
void AverageRows(const PixelRows& source, const ShrinkSpan& span, std::size_t rowBytes, Sum* sums,
                 std::uint8_t* d) {
    std::fill(sums, sums + rowBytes, Sum{0});
    for (std::int32_t k = 0; k < span.count; ++k) {
        const std::uint8_t* p = source.pixels + source.stride * (span.first + k);
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

void ShrinkRows(const PixelRows& source, CDibImage& target) {
    const std::vector<ShrinkSpan> spans = ShrinkSpans(source.height, target.Height());
    const std::size_t rowBytes = static_cast<std::size_t>(source.width) * 3;
    std::vector<std::uint16_t> shortSums(rowBytes);
    std::vector<std::uint32_t> longSums(rowBytes);
    for (std::int32_t r = 0; r < target.Height(); ++r) {
        const ShrinkSpan& span = spans[r];
        std::uint8_t* d = target.Pixels() + target.Stride() * r;
        if (span.count == 1) {
            std::memcpy(d, source.pixels + source.stride * span.first, rowBytes);
        } else if (span.count > 1 && span.count <= kShortSpan) {
            AverageRows(source, span, rowBytes, shortSums.data(), d);
        } else if (span.count > kShortSpan) {
            AverageRows(source, span, rowBytes, longSums.data(), d);
        }
    }
}

void ShrinkColumns(const PixelRows& source, CDibImage& target) {
    const std::vector<ShrinkSpan> spans = ShrinkSpans(source.width, target.Width());
    for (std::int32_t row = 0; row < source.height; ++row) {
        const std::uint8_t* const line = source.pixels + source.stride * row;
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

CDibImage MeanFittedInto(const CDibImage& picture, std::int32_t width, std::int32_t height) {
    const FitSize fit = FitInside(picture.Width(), picture.Height(), width, height);
    const PixelRows source{picture.Pixels(), picture.Stride(), picture.Width(), picture.Height()};
    CDibImage rows;
    if (!rows.Allocate(picture.Width(), fit.height)) return CDibImage();
    ShrinkRows(source, rows);
    CDibImage fitted;
    if (!fitted.Allocate(fit.width, fit.height)) return CDibImage();
    ShrinkColumns(PixelRows{rows.Pixels(), rows.Stride(), rows.Width(), rows.Height()}, fitted);
    fitted.ResizeToFit(width, height);   // only puts it on its paper
    return fitted;
}

}  // namespace kolo::bench
