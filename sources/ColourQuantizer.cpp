// The library's two-pass quantizer, step for step, so that its pixels are reproduced exactly:
// the same cell sizes, the same order of box splits and tie-breaks, the same rounding, the same
// lazily filled nearest-colour cache and the same error transfer.
#include "sources/ColourQuantizer.h"

#include <algorithm>
#include <cstring>

namespace kolo {
namespace {

// Histogram cells: red (c0) and blue (c2) at 5 bits, green (c1) at 6.
constexpr int kBits0 = 5, kBits1 = 6, kBits2 = 5;
constexpr int kShift0 = 8 - kBits0, kShift1 = 8 - kBits1, kShift2 = 8 - kBits2;
constexpr int kCells0 = 1 << kBits0, kCells1 = 1 << kBits1, kCells2 = 1 << kBits2;
// Distances weigh green most, then red, then blue.
constexpr int kScale0 = 2, kScale1 = 3, kScale2 = 1;

// The nearest-colour cache is filled a block of cells at a time: 1/8 of each side.
constexpr int kBlockLog0 = kBits0 - 3, kBlockLog1 = kBits1 - 3, kBlockLog2 = kBits2 - 3;
constexpr int kBlock0 = 1 << kBlockLog0, kBlock1 = 1 << kBlockLog1, kBlock2 = 1 << kBlockLog2;
constexpr int kBlockShift0 = kShift0 + kBlockLog0, kBlockShift1 = kShift1 + kBlockLog1,
              kBlockShift2 = kShift2 + kBlockLog2;
constexpr int kBlockCells = kBlock0 * kBlock1 * kBlock2;

constexpr std::int32_t kFar = 0x7FFFFFFF;
constexpr int kMaxSample = 255;

int Clamp(int v) { return v < 0 ? 0 : v > kMaxSample ? kMaxSample : v; }

}  // namespace

// A box of cells, bounds inclusive.
struct ColourQuantizer::Box {
    int min0, max0, min1, max1, min2, max2;
    std::int32_t volume;   // the squared diagonal: 0 when the box cannot be split
    long population;       // cells counted in the box
};

ColourQuantizer::ColourQuantizer() : cells_(static_cast<std::size_t>(kCells0) * kCells1 * kCells2, 0) {}

void ColourQuantizer::Count(const std::uint8_t* row, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x, row += 3) {
        std::uint16_t& cell = Cell(row[2] >> kShift0, row[1] >> kShift1, row[0] >> kShift2);
        if (cell != 0xFFFF) ++cell;   // a full cell stays full
    }
}

void ColourQuantizer::Shrink(Box& b) const {
    // Each side moves in to the first plane holding a counted cell.
    auto any = [this](int from0, int to0, int from1, int to1, int from2, int to2) {
        for (int c0 = from0; c0 <= to0; ++c0)
            for (int c1 = from1; c1 <= to1; ++c1)
                for (int c2 = from2; c2 <= to2; ++c2)
                    if (Cell(c0, c1, c2) != 0) return true;
        return false;
    };
    if (b.max0 > b.min0) {
        for (int c = b.min0; c <= b.max0; ++c)
            if (any(c, c, b.min1, b.max1, b.min2, b.max2)) { b.min0 = c; break; }
    }
    if (b.max0 > b.min0) {
        for (int c = b.max0; c >= b.min0; --c)
            if (any(c, c, b.min1, b.max1, b.min2, b.max2)) { b.max0 = c; break; }
    }
    if (b.max1 > b.min1) {
        for (int c = b.min1; c <= b.max1; ++c)
            if (any(b.min0, b.max0, c, c, b.min2, b.max2)) { b.min1 = c; break; }
    }
    if (b.max1 > b.min1) {
        for (int c = b.max1; c >= b.min1; --c)
            if (any(b.min0, b.max0, c, c, b.min2, b.max2)) { b.max1 = c; break; }
    }
    if (b.max2 > b.min2) {
        for (int c = b.min2; c <= b.max2; ++c)
            if (any(b.min0, b.max0, b.min1, b.max1, c, c)) { b.min2 = c; break; }
    }
    if (b.max2 > b.min2) {
        for (int c = b.max2; c >= b.min2; --c)
            if (any(b.min0, b.max0, b.min1, b.max1, c, c)) { b.max2 = c; break; }
    }
    const std::int32_t d0 = ((b.max0 - b.min0) << kShift0) * kScale0;
    const std::int32_t d1 = ((b.max1 - b.min1) << kShift1) * kScale1;
    const std::int32_t d2 = ((b.max2 - b.min2) << kShift2) * kScale2;
    b.volume = d0 * d0 + d1 * d1 + d2 * d2;
    long population = 0;
    for (int c0 = b.min0; c0 <= b.max0; ++c0)
        for (int c1 = b.min1; c1 <= b.max1; ++c1)
            for (int c2 = b.min2; c2 <= b.max2; ++c2)
                if (Cell(c0, c1, c2) != 0) ++population;
    b.population = population;
}

int ColourQuantizer::Cut(std::vector<Box>& boxes, int wanted) const {
    int count = 1;
    while (count < wanted) {
        // The most populous splittable box for the first half of the colours, then the largest.
        Box* split = nullptr;
        if (count * 2 <= wanted) {
            long most = 0;
            for (int i = 0; i < count; ++i) {
                if (boxes[i].population > most && boxes[i].volume > 0) {
                    split = &boxes[i];
                    most = boxes[i].population;
                }
            }
        } else {
            std::int32_t largest = 0;
            for (int i = 0; i < count; ++i) {
                if (boxes[i].volume > largest) {
                    split = &boxes[i];
                    largest = boxes[i].volume;
                }
            }
        }
        if (split == nullptr) break;
        Box& lower = *split;
        Box& upper = boxes[count];
        upper = lower;
        // Halve the longest weighted side; ties go to green, then red, then blue.
        const int d0 = ((lower.max0 - lower.min0) << kShift0) * kScale0;
        const int d1 = ((lower.max1 - lower.min1) << kShift1) * kScale1;
        const int d2 = ((lower.max2 - lower.min2) << kShift2) * kScale2;
        int axis = 1, longest = d1;
        if (d0 > longest) { longest = d0; axis = 0; }
        if (d2 > longest) axis = 2;
        if (axis == 0) {
            lower.max0 = (lower.max0 + lower.min0) / 2;
            upper.min0 = lower.max0 + 1;
        } else if (axis == 1) {
            lower.max1 = (lower.max1 + lower.min1) / 2;
            upper.min1 = lower.max1 + 1;
        } else {
            lower.max2 = (lower.max2 + lower.min2) / 2;
            upper.min2 = lower.max2 + 1;
        }
        Shrink(lower);
        Shrink(upper);
        ++count;
    }
    return count;
}

void ColourQuantizer::MeanColour(const Box& b, int index) {
    // Weighted by pixels, each cell standing at its centre; rounded to nearest.
    std::int64_t total = 0, sum0 = 0, sum1 = 0, sum2 = 0;
    for (int c0 = b.min0; c0 <= b.max0; ++c0)
        for (int c1 = b.min1; c1 <= b.max1; ++c1)
            for (int c2 = b.min2; c2 <= b.max2; ++c2) {
                const std::int64_t n = Cell(c0, c1, c2);
                if (n == 0) continue;
                total += n;
                sum0 += ((c0 << kShift0) + ((1 << kShift0) >> 1)) * n;
                sum1 += ((c1 << kShift1) + ((1 << kShift1) >> 1)) * n;
                sum2 += ((c2 << kShift2) + ((1 << kShift2) >> 1)) * n;
            }
    colours_[0][index] = static_cast<std::uint8_t>((sum0 + (total >> 1)) / total);
    colours_[1][index] = static_cast<std::uint8_t>((sum1 + (total >> 1)) / total);
    colours_[2][index] = static_cast<std::uint8_t>((sum2 + (total >> 1)) / total);
}

int ColourQuantizer::ChooseColours(int wanted, std::size_t width) {
    wanted = std::clamp(wanted, 1, 256);
    std::vector<Box> boxes(static_cast<std::size_t>(wanted));
    boxes[0] = Box{0, kCells0 - 1, 0, kCells1 - 1, 0, kCells2 - 1, 0, 0};
    Shrink(boxes[0]);
    colourCount_ = Cut(boxes, wanted);
    for (int i = 0; i < colourCount_; ++i) MeanColour(boxes[static_cast<std::size_t>(i)], i);

    std::fill(cells_.begin(), cells_.end(), std::uint16_t{0});
    width_ = width;
    errors_.assign((width + 2) * 3, 0);
    oddRow_ = false;
    // Errors pass unchanged up to 16, at half rate up to 48, and no further.
    int* table = limit_ + kMaxSample;
    int in = 0, out = 0;
    for (; in < 16; in++, out++) table[in] = out, table[-in] = -out;
    for (; in < 48; in++, out += (in & 1) ? 0 : 1) table[in] = out, table[-in] = -out;
    for (; in <= kMaxSample; in++) table[in] = out, table[-in] = -out;
    return colourCount_;
}

void ColourQuantizer::FillNearest(int c0, int c1, int c2) {
    // The block of cells holding this one, as the centre of its first cell and of its last.
    c0 >>= kBlockLog0;
    c1 >>= kBlockLog1;
    c2 >>= kBlockLog2;
    const int min0 = (c0 << kBlockShift0) + ((1 << kShift0) >> 1);
    const int min1 = (c1 << kBlockShift1) + ((1 << kShift1) >> 1);
    const int min2 = (c2 << kBlockShift2) + ((1 << kShift2) >> 1);
    const int max0 = min0 + ((1 << kBlockShift0) - (1 << kShift0));
    const int max1 = min1 + ((1 << kBlockShift1) - (1 << kShift1));
    const int max2 = min2 + ((1 << kBlockShift2) - (1 << kShift2));
    const int mid0 = (min0 + max0) >> 1, mid1 = (min1 + max1) >> 1, mid2 = (min2 + max2) >> 1;

    // Candidates: colours whose nearest point of the block is no farther than the smallest
    // farthest point of any colour.
    std::int32_t nearest[256];
    std::int32_t smallestFarthest = kFar;
    auto side = [](int x, int lo, int hi, int mid, int scale, std::int32_t& near, std::int32_t& far) {
        std::int32_t t;
        if (x < lo) {
            t = (x - lo) * scale; near = t * t;
            t = (x - hi) * scale; far = t * t;
        } else if (x > hi) {
            t = (x - hi) * scale; near = t * t;
            t = (x - lo) * scale; far = t * t;
        } else {
            near = 0;
            t = (x <= mid ? x - hi : x - lo) * scale;
            far = t * t;
        }
    };
    for (int i = 0; i < colourCount_; ++i) {
        std::int32_t n0, f0, n1, f1, n2, f2;
        side(colours_[0][i], min0, max0, mid0, kScale0, n0, f0);
        side(colours_[1][i], min1, max1, mid1, kScale1, n1, f1);
        side(colours_[2][i], min2, max2, mid2, kScale2, n2, f2);
        nearest[i] = n0 + n1 + n2;
        smallestFarthest = std::min(smallestFarthest, f0 + f1 + f2);
    }

    // The nearest candidate to each cell's centre, distances stepped from cell to cell.
    constexpr std::int32_t kStep0 = (1 << kShift0) * kScale0;
    constexpr std::int32_t kStep1 = (1 << kShift1) * kScale1;
    constexpr std::int32_t kStep2 = (1 << kShift2) * kScale2;
    std::int32_t best[kBlockCells];
    std::uint8_t bestColour[kBlockCells] = {};
    std::fill(std::begin(best), std::end(best), kFar);
    for (int i = 0; i < colourCount_; ++i) {
        if (nearest[i] > smallestFarthest) continue;
        std::int32_t inc0 = (min0 - colours_[0][i]) * kScale0;
        std::int32_t dist0 = inc0 * inc0;
        std::int32_t inc1 = (min1 - colours_[1][i]) * kScale1;
        dist0 += inc1 * inc1;
        std::int32_t inc2 = (min2 - colours_[2][i]) * kScale2;
        dist0 += inc2 * inc2;
        inc0 = inc0 * (2 * kStep0) + kStep0 * kStep0;
        inc1 = inc1 * (2 * kStep1) + kStep1 * kStep1;
        inc2 = inc2 * (2 * kStep2) + kStep2 * kStep2;
        int cell = 0;
        std::int32_t xx0 = inc0;
        for (int i0 = 0; i0 < kBlock0; ++i0) {
            std::int32_t dist1 = dist0, xx1 = inc1;
            for (int i1 = 0; i1 < kBlock1; ++i1) {
                std::int32_t dist2 = dist1, xx2 = inc2;
                for (int i2 = 0; i2 < kBlock2; ++i2, ++cell) {
                    if (dist2 < best[cell]) {
                        best[cell] = dist2;
                        bestColour[cell] = static_cast<std::uint8_t>(i);
                    }
                    dist2 += xx2;
                    xx2 += 2 * kStep2 * kStep2;
                }
                dist1 += xx1;
                xx1 += 2 * kStep1 * kStep1;
            }
            dist0 += xx0;
            xx0 += 2 * kStep0 * kStep0;
        }
    }
    int cell = 0;
    for (int i0 = 0; i0 < kBlock0; ++i0)
        for (int i1 = 0; i1 < kBlock1; ++i1)
            for (int i2 = 0; i2 < kBlock2; ++i2, ++cell)
                Cell((c0 << kBlockLog0) + i0, (c1 << kBlockLog1) + i1, (c2 << kBlockLog2) + i2) =
                    static_cast<std::uint16_t>(bestColour[cell] + 1);
}

void ColourQuantizer::Map(std::uint8_t* row) {
    // One array holds this row's incoming errors ahead of the current column and the next
    // row's behind it; the spare column at each end saves testing for the row's ends.
    const int* limit = limit_ + kMaxSample;
    int dir, dir3;
    std::uint8_t* pixel = row;
    std::int16_t* error;
    if (oddRow_) {
        pixel += (width_ - 1) * 3;
        dir = -1;
        error = errors_.data() + (width_ + 1) * 3;
    } else {
        dir = 1;
        error = errors_.data();
    }
    dir3 = dir * 3;
    oddRow_ = !oddRow_;
    int cur0 = 0, cur1 = 0, cur2 = 0;
    int below0 = 0, below1 = 0, below2 = 0;
    int belowPrev0 = 0, belowPrev1 = 0, belowPrev2 = 0;
    for (std::size_t x = width_; x > 0; --x) {
        // The error from the left (times 7) and from the row above, rounded to a sixteenth.
        cur0 = limit[(cur0 + error[dir3 + 0] + 8) >> 4];
        cur1 = limit[(cur1 + error[dir3 + 1] + 8) >> 4];
        cur2 = limit[(cur2 + error[dir3 + 2] + 8) >> 4];
        cur0 = Clamp(cur0 + pixel[2]);
        cur1 = Clamp(cur1 + pixel[1]);
        cur2 = Clamp(cur2 + pixel[0]);
        std::uint16_t& cached = Cell(cur0 >> kShift0, cur1 >> kShift1, cur2 >> kShift2);
        if (cached == 0) FillNearest(cur0 >> kShift0, cur1 >> kShift1, cur2 >> kShift2);
        const int index = cached - 1;
        pixel[2] = colours_[0][index];
        pixel[1] = colours_[1][index];
        pixel[0] = colours_[2][index];
        cur0 -= colours_[0][index];
        cur1 -= colours_[1][index];
        cur2 -= colours_[2][index];
        // 3/16 below behind, 5/16 below, 1/16 below ahead, 7/16 ahead.
        error[0] = static_cast<std::int16_t>(belowPrev0 + cur0 * 3);
        belowPrev0 = below0 + cur0 * 5;
        below0 = cur0;
        cur0 *= 7;
        error[1] = static_cast<std::int16_t>(belowPrev1 + cur1 * 3);
        belowPrev1 = below1 + cur1 * 5;
        below1 = cur1;
        cur1 *= 7;
        error[2] = static_cast<std::int16_t>(belowPrev2 + cur2 * 3);
        belowPrev2 = below2 + cur2 * 5;
        below2 = cur2;
        cur2 *= 7;
        pixel += dir3;
        error += dir3;
    }
    error[0] = static_cast<std::int16_t>(belowPrev0);
    error[1] = static_cast<std::int16_t>(belowPrev1);
    error[2] = static_cast<std::int16_t>(belowPrev2);
}

}  // namespace kolo
