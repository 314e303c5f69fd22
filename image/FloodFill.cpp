// The flood fill: recolours the 4-connected area of exactly the seed's colour. The work left
// to do is kept as stretches: pixels of one row just recoloured, and the row next to them
// that has to be looked at. Each run of the area found there is widened to the area's edges
// and recoloured, and leaves a stretch for the row beyond it in the same direction; only
// where it reaches past the stretch it came from does it also leave one for the row it came
// from (the rest of that row is the stretch itself, already recoloured). So a row is read
// about once, not once from each side, and long rows are tested and written eight pixels at
// a time. A run exactly as wide as its stretch goes on to the next row at once, so a corridor
// is walked to its end while its rows are still in the cache.
//
// Stretches wait on a fixed stack of 4096 entries, taken last in first out so that the fill
// stays near the rows it has just read. A branching area (a comb, a tree of corridors) can
// leave more waiting than that: those go to an overflow list, which is handed back whenever
// the stack runs empty, so no part of the area is ever lost. The list allocates only on that
// path; an ordinary fill allocates nothing.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "image/DibImage.h"
#include "image/FillQueue.h"
#include "image/ImageLimits.h"
#include "image/PixelBytes.h"

namespace kolo {

void FillQueue::Reset() {
    tail_ = -1;
    count_ = 0;
    head_ = 0;
}

bool FillQueue::Push(std::int32_t x, std::int32_t row) {
    if (count_ >= kFillQueueCapacity) return false;
    ++count_;
    tail_ = (tail_ + 1) % kFillQueueCapacity;
    entries_[tail_] = Entry{x, row};
    return true;
}

bool FillQueue::Pop(std::int32_t& x, std::int32_t& row) {
    if (count_ <= 0) return false;
    --count_;
    x = entries_[head_].x;
    row = entries_[head_].row;
    head_ = (head_ + 1) % kFillQueueCapacity;
    return true;
}

namespace {

constexpr std::int32_t kPixelsPerBlock = 8;   // 24 bytes: three 64-bit words

// One colour repeated over eight pixels, so that a block of a row is compared or written as
// three words wherever it starts.
struct ColourBlock {
    std::uint64_t words[3];

    explicit ColourBlock(std::uint32_t value) {
        std::uint8_t bytes[24];
        for (int i = 0; i < kPixelsPerBlock; ++i) StorePixel(bytes + 3 * i, value);
        std::memcpy(words, bytes, sizeof bytes);
    }
    bool Matches(const std::uint8_t* p) const {
        std::uint64_t a, b, c;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 8);
        std::memcpy(&c, p + 16, 8);
        return ((a ^ words[0]) | (b ^ words[1]) | (c ^ words[2])) == 0;
    }
    // True when no byte of the eight pixels equals its byte of the colour, so that none of
    // them can be the colour (false does not say that one is).
    bool DiffersEverywhere(const std::uint8_t* p) const {
        std::uint64_t a, b, c;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 8);
        std::memcpy(&c, p + 16, 8);
        return (ZeroBytes(a ^ words[0]) | ZeroBytes(b ^ words[1]) | ZeroBytes(c ^ words[2])) == 0;
    }
    void Store(std::uint8_t* p) const { std::memcpy(p, words, sizeof words); }

private:
    // The top bit of every byte of v that is zero, and no other bit.
    static std::uint64_t ZeroBytes(std::uint64_t v) {
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
        return ~(((v & kLow7) + kLow7) | v | kLow7);
    }
};

// Pixels left … right of the row next to `row`, on the side opposite to the direction, were
// just recoloured; `row` is the one to look at, and the direction (up is towards higher rows)
// says where to go on from it. Sixteen bits hold any coordinate of an acceptable picture.
struct Stretch {
    std::int16_t left;
    std::int16_t right;
    std::int16_t row;
    std::int16_t up;   // 1 going up, 0 going down
};
static_assert(kMaxImageSide <= 0x8000, "coordinates fit sixteen bits");

constexpr std::int32_t kFillStackCapacity = 4096;   // stretches, 32 KB

class SpanFill {
public:
    SpanFill(std::uint8_t* bits, std::ptrdiff_t stride, std::int32_t width, std::int32_t height,
             std::uint32_t region, std::uint32_t fill)
        : bits_(bits), stride_(stride), width_(width), height_(height),
          fill_(fill), regionBlock_(region), fillBlock_(fill) {
        std::uint8_t bytes[3];
        StorePixel(bytes, region);
        std::memcpy(&regionLow_, bytes, 2);
        regionHigh_ = bytes[2];
    }

    void Run(std::int32_t x, std::int32_t seedRow) {
        // The seed row is looked at as if the pixel below the seed had been recoloured; the
        // row below waits under it and so is looked at after the seed is recoloured.
        Push(x, x, seedRow - 1, false);
        Push(x, x, seedRow, true);
        for (;;) {
            if (top_ == 0) {
                if (overflow_.empty()) break;
                while (!overflow_.empty() && top_ < kFillStackCapacity) {
                    stack_[top_++] = overflow_.back();
                    overflow_.pop_back();
                }
                continue;
            }
            Visit(stack_[--top_]);
        }
    }

    // The rectangle (y from the top) of every pixel recoloured.
    Rect Changed() const {
        return Rect{minX_, height_ - 1 - maxRow_, endX_, height_ - minRow_};
    }

private:
    bool IsRegion(const std::uint8_t* line, std::int32_t x) const {
        const std::uint8_t* p = line + 3 * x;
        std::uint16_t low;
        std::memcpy(&low, p, 2);
        return low == regionLow_ && p[2] == regionHigh_;
    }

    void Push(std::int32_t left, std::int32_t right, std::int32_t row, bool up) {
        if (row < 0 || row >= height_) return;
        const Stretch s{static_cast<std::int16_t>(left), static_cast<std::int16_t>(right),
                        static_cast<std::int16_t>(row), static_cast<std::int16_t>(up ? 1 : 0)};
        if (top_ < kFillStackCapacity) {
            stack_[top_++] = s;
        } else {
            overflow_.push_back(s);
        }
    }

    // The first column at or after x that is not the region colour (width when none is).
    std::int32_t RunEnd(const std::uint8_t* line, std::int32_t x) const {
        // Corridors one pixel wide are common: settle those before trying whole blocks.
        if (x >= width_ || !IsRegion(line, x)) return x;
        ++x;
        while (x + kPixelsPerBlock <= width_ && regionBlock_.Matches(line + 3 * x)) {
            x += kPixelsPerBlock;
        }
        while (x < width_ && IsRegion(line, x)) ++x;
        return x;
    }

    // The first column of the run of region colour that ends at column x − 1.
    std::int32_t RunStart(const std::uint8_t* line, std::int32_t x) const {
        if (x == 0 || !IsRegion(line, x - 1)) return x;
        --x;
        while (x >= kPixelsPerBlock && regionBlock_.Matches(line + 3 * (x - kPixelsPerBlock))) {
            x -= kPixelsPerBlock;
        }
        while (x > 0 && IsRegion(line, x - 1)) --x;
        return x;
    }

    // Recolours columns left … end − 1 of `line`, which is row `row`.
    void Paint(std::uint8_t* line, std::int32_t row, std::int32_t left, std::int32_t end) {
        minX_ = std::min(minX_, left);
        endX_ = std::max(endX_, end);
        minRow_ = std::min(minRow_, row);
        maxRow_ = std::max(maxRow_, row);
        std::uint8_t* p = line + 3 * left;
        std::int32_t n = end - left;
        for (; n >= kPixelsPerBlock; n -= kPixelsPerBlock, p += 3 * kPixelsPerBlock) {
            fillBlock_.Store(p);
        }
        for (; n > 0; --n, p += 3) StorePixel(p, fill_);
    }

    // The first column at or after x, up to `last`, that is the region colour (last + 1
    // when none is).
    std::int32_t NextRegion(const std::uint8_t* line, std::int32_t x, std::int32_t last) const {
        while (x + kPixelsPerBlock <= last + 1 && regionBlock_.DiffersEverywhere(line + 3 * x)) {
            x += kPixelsPerBlock;
        }
        while (x <= last && !IsRegion(line, x)) ++x;
        return x;
    }

    void Visit(Stretch s) {
        for (;;) {
            std::uint8_t* const line = bits_ + stride_ * s.row;
            const std::int32_t onward = s.up ? s.row + 1 : s.row - 1;
            const std::int32_t back = s.up ? s.row - 1 : s.row + 1;
            std::int32_t x = s.left;
            if (IsRegion(line, x)) {
                const std::int32_t left = RunStart(line, x);
                const std::int32_t end = RunEnd(line, x + 1);
                Paint(line, s.row, left, end);
                if (left == s.left && end - 1 == s.right) {
                    // The run is exactly the stretch: nothing to look at going back, and the
                    // next row is this one's only follower, so go on to it straight away.
                    if (onward < 0 || onward >= height_) return;
                    s.row = static_cast<std::int16_t>(onward);
                    continue;
                }
                TakeRun(s, left, end, onward, back);
                x = end + 1;
            }
            while (x <= s.right) {
                // Skip what is not the region's any more, then take the whole run from here.
                x = NextRegion(line, x, s.right);
                if (x > s.right) break;
                const std::int32_t end = RunEnd(line, x + 1);
                Paint(line, s.row, x, end);
                TakeRun(s, x, end, onward, back);
                x = end + 1;
            }
            return;
        }
    }

    // Queues what lies next to the run left … end − 1, just recoloured in the stretch's row.
    void TakeRun(const Stretch& s, std::int32_t left, std::int32_t end, std::int32_t onward,
                 std::int32_t back) {
        Push(left, end - 1, onward, s.up);
        // Where the run reaches past the stretch it came from, the row it came from was not
        // recoloured beside it: look there too, going back.
        if (left < s.left) Push(left, s.left - 1, back, !s.up);
        if (end - 1 > s.right) Push(s.right + 1, end - 1, back, !s.up);
    }

    std::uint8_t* const bits_;
    const std::ptrdiff_t stride_;
    const std::int32_t width_;
    const std::int32_t height_;
    std::uint16_t regionLow_ = 0;   // the region colour's first two bytes, as a row holds them
    std::uint8_t regionHigh_ = 0;   // and its third
    const std::uint32_t fill_;
    const ColourBlock regionBlock_;
    const ColourBlock fillBlock_;
    std::int32_t minX_ = static_cast<std::int32_t>(kMaxImageSide);   // bounds of what was recoloured: columns minX_ …
    std::int32_t endX_ = 0;               // endX_ − 1, bottom-up rows minRow_ … maxRow_
    std::int32_t minRow_ = static_cast<std::int32_t>(kMaxImageSide);
    std::int32_t maxRow_ = 0;
    Stretch stack_[kFillStackCapacity];
    std::int32_t top_ = 0;
    std::vector<Stretch> overflow_;
};

// One bit a pixel over the picture's rows, 64 pixels a word; bits past the width stay clear.
class BitPlane {
public:
    BitPlane(std::int32_t width, std::int32_t height)
        : width_(width), words_((width + 63) / 64),
          bits_(static_cast<std::size_t>(words_) * static_cast<std::size_t>(height), 0) {}

    std::uint64_t* Row(std::int32_t row) { return bits_.data() + static_cast<std::size_t>(words_) * row; }
    const std::uint64_t* Row(std::int32_t row) const {
        return bits_.data() + static_cast<std::size_t>(words_) * row;
    }
    std::int32_t Words() const { return words_; }
    std::int32_t Width() const { return width_; }
    bool Get(std::int32_t x, std::int32_t row) const { return (Row(row)[x >> 6] >> (x & 63)) & 1u; }
    void SetRun(std::int32_t row, std::int32_t left, std::int32_t right) {
        std::uint64_t* r = Row(row);
        for (std::int32_t w = left >> 6; w <= right >> 6; ++w) {
            const std::int32_t lo = std::max(left, w * 64) - w * 64;
            const std::int32_t hi = std::min(right, w * 64 + 63) - w * 64;
            r[w] |= (~std::uint64_t{0} >> (63 - hi)) & (~std::uint64_t{0} << lo);
        }
    }

private:
    std::int32_t width_;
    std::int32_t words_;
    std::vector<std::uint64_t> bits_;
};

// The first column from x to last (inclusive) whose bit is `value` in row `r`; last + 1 when none.
std::int32_t FindBit(const std::uint64_t* r, std::int32_t x, std::int32_t last, bool value) {
    while (x <= last) {
        const std::uint64_t word = (value ? r[x >> 6] : ~r[x >> 6]) >> (x & 63);
        if (word != 0) return std::min(last + 1, x + __builtin_ctzll(word));
        x = (x | 63) + 1;
    }
    return last + 1;
}

// The first column of the run of set bits that holds column x.
std::int32_t RunStartOf(const std::uint64_t* r, std::int32_t x) {
    for (;;) {
        const std::int32_t bit = x & 63;
        // The clear bits at or below x, shifted so that bit x is the top one.
        const std::uint64_t clear = (~r[x >> 6]) << (63 - bit);
        if (clear != 0) return x - __builtin_clzll(clear) + 1;
        if (x - bit == 0) return 0;
        x = x - bit - 1;
    }
}

// The rows and columns a mask flood reached (bottom-up rows), inclusive.
struct BitBounds {
    std::int32_t minX, maxX, minRow, maxRow;
};

// The 4-connected set bits of `area` around the seed, as bits of `reached`; `rowOf(row)` gives
// the area's row, computing it when the area is built on demand. The seed must be set.
template <typename RowOf>
BitBounds FloodBits(RowOf rowOf, std::int32_t height, std::int32_t x, std::int32_t row,
                    BitPlane& reached) {
    BitBounds bounds{x, x, row, row};
    const std::int32_t lastX = reached.Width() - 1;
    std::vector<std::pair<std::int32_t, std::int32_t>> stack{{x, row}};
    while (!stack.empty()) {
        const auto [sx, sr] = stack.back();
        stack.pop_back();
        if (reached.Get(sx, sr)) continue;
        const std::uint64_t* a = rowOf(sr);
        const std::int32_t left = RunStartOf(a, sx);
        const std::int32_t right = FindBit(a, sx, lastX, false) - 1;
        reached.SetRun(sr, left, right);
        bounds = BitBounds{std::min(bounds.minX, left), std::max(bounds.maxX, right),
                           std::min(bounds.minRow, sr), std::max(bounds.maxRow, sr)};
        for (const std::int32_t next : {sr - 1, sr + 1}) {
            if (next < 0 || next >= height) continue;
            const std::uint64_t* b = rowOf(next);
            for (std::int32_t c = FindBit(b, left, right, true); c <= right;) {
                if (!reached.Get(c, next)) stack.emplace_back(c, next);
                c = FindBit(b, FindBit(b, c, lastX, false), right, true);
            }
        }
    }
    return bounds;
}

// Shifts a row of bits by `by` columns (towards higher columns when positive) and ORs it in.
void OrShifted(const std::uint64_t* from, std::uint64_t* to, std::int32_t words, std::int32_t by) {
    const std::int32_t whole = std::abs(by) / 64;
    const std::int32_t part = std::abs(by) % 64;
    for (std::int32_t w = 0; w < words; ++w) {
        const std::int32_t src = by > 0 ? w - whole : w + whole;
        auto at = [&](std::int32_t i) { return i >= 0 && i < words ? from[i] : std::uint64_t{0}; };
        std::uint64_t v;
        if (by > 0) {
            v = at(src) << part;
            if (part != 0) v |= at(src - 1) >> (64 - part);
        } else {
            v = at(src) >> part;
            if (part != 0) v |= at(src + 1) << (64 - part);
        }
        to[w] |= v;
    }
}

// The fill with gap closing. The seed's plain 4-connected area is found first, as bits. Every
// pixel of it within an (n + 1)-pixel square of a pixel outside it is a wall; what is left is
// the open area, in which an opening of up to n pixels between lines is shut. The fill takes
// the seed's part of the open area and then grows back over the walls for as many steps as
// they are deep, staying inside the plain area: it reaches the lines again on every side but
// cannot cross a shut opening, which is deeper than that. A seed on a wall starts from the
// nearest open pixel; an area with no open pixel near the seed (a corridor narrower than the
// openings shut) is filled whole.
class GapFill {
public:
    GapFill(std::uint8_t* bits, std::ptrdiff_t stride, std::int32_t width, std::int32_t height,
            std::uint32_t region, int gap)
        : bits_(bits), stride_(stride), width_(width), height_(height), region_(region),
          gap_(gap), area_(width, height), ready_(static_cast<std::size_t>(height), 0),
          plain_(width, height) {}

    // Recolours what the fill from (x, seedRow) reaches; the rectangle (y from the top) of it.
    Rect Run(std::int32_t x, std::int32_t seedRow, std::uint32_t fill) {
        const BitBounds b = FloodBits([this](std::int32_t row) { return AreaRow(row); }, height_, x,
                                      seedRow, plain_);
        // Walls: the squares [−before, after] around every pixel outside the area.
        const std::int32_t before = gap_ / 2;
        const std::int32_t after = gap_ - before;
        const std::int32_t words = plain_.Words();
        const std::int32_t firstRow = std::max(0, b.minRow - 1);
        const std::int32_t endRow = std::min(height_, b.maxRow + 2);
        BitPlane across(width_, height_);   // the walls of each row from its own outside
        std::vector<std::uint64_t> outside(static_cast<std::size_t>(words));
        for (std::int32_t row = firstRow; row < endRow; ++row) {
            const std::uint64_t* p = plain_.Row(row);
            for (std::int32_t w = 0; w < words; ++w) outside[w] = ~p[w] & ValidBits(w);
            std::uint64_t* h = across.Row(row);
            for (std::int32_t d = -before; d <= after; ++d) OrShifted(outside.data(), h, words, d);
        }
        BitPlane open(width_, height_);
        for (std::int32_t row = b.minRow; row <= b.maxRow; ++row) {
            std::uint64_t* o = open.Row(row);
            const std::uint64_t* p = plain_.Row(row);
            for (std::int32_t w = 0; w < words; ++w) {
                std::uint64_t wall = 0;
                for (std::int32_t d = -after; d <= before; ++d) {
                    const std::int32_t r = row + d;
                    // Past the picture's top and bottom there is no line.
                    if (r >= 0 && r < height_) {
                        wall |= r >= firstRow && r < endRow ? across.Row(r)[w] : ~std::uint64_t{0};
                    }
                }
                o[w] = p[w] & ~wall;
            }
        }
        BitPlane filled(width_, height_);
        std::int32_t sx = x, sr = seedRow;
        if (!open.Get(x, seedRow) && !NearestOpen(open, b, sx, sr)) {
            filled = std::move(plain_);
        } else {
            FloodBits([&open](std::int32_t row) { return open.Row(row); }, height_, sx, sr, filled);
            GrowBack(filled, b, 2 * after);
        }
        return Paint(filled, b, fill);
    }

private:
    std::uint64_t ValidBits(std::int32_t word) const {
        const std::int32_t left = width_ - 64 * word;
        return left >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
    }

    // The row of the area (pixels of the seed's colour), worked out the first time it is asked.
    const std::uint64_t* AreaRow(std::int32_t row) {
        std::uint64_t* r = area_.Row(row);
        if (ready_[row] == 0) {
            ready_[row] = 1;
            const std::uint8_t* p = bits_ + stride_ * row;
            for (std::int32_t x = 0; x < width_; ++x, p += 3) {
                if (PixelValue(p) == region_) r[x >> 6] |= std::uint64_t{1} << (x & 63);
            }
        }
        return r;
    }

    // Moves the seed to the nearest open pixel within gap + 1 columns and rows; false if none.
    bool NearestOpen(const BitPlane& open, const BitBounds& b, std::int32_t& x, std::int32_t& row) const {
        const std::int32_t reach = gap_ + 1;
        std::int32_t best = -1;
        std::int32_t bx = x, br = row;
        for (std::int32_t r = std::max(b.minRow, row - reach); r <= std::min(b.maxRow, row + reach); ++r) {
            for (std::int32_t c = std::max(b.minX, x - reach); c <= std::min(b.maxX, x + reach); ++c) {
                const std::int32_t d = (c - x) * (c - x) + (r - row) * (r - row);
                if (open.Get(c, r) && (best < 0 || d < best)) {
                    best = d;
                    bx = c;
                    br = r;
                }
            }
        }
        x = bx;
        row = br;
        return best >= 0;
    }

    // Widens `filled` by one pixel to each side, `steps` times, never past the plain area.
    void GrowBack(BitPlane& filled, const BitBounds& b, std::int32_t steps) const {
        const std::int32_t words = filled.Words();
        BitPlane next(width_, height_);
        for (std::int32_t step = 0; step < steps; ++step) {
            for (std::int32_t row = b.minRow; row <= b.maxRow; ++row) {
                std::uint64_t* n = next.Row(row);
                const std::uint64_t* f = filled.Row(row);
                std::copy(f, f + words, n);
                OrShifted(f, n, words, 1);
                OrShifted(f, n, words, -1);
                for (const std::int32_t r : {row - 1, row + 1}) {
                    if (r < b.minRow || r > b.maxRow) continue;
                    const std::uint64_t* g = filled.Row(r);
                    for (std::int32_t w = 0; w < words; ++w) n[w] |= g[w];
                }
                const std::uint64_t* p = plain_.Row(row);
                for (std::int32_t w = 0; w < words; ++w) n[w] &= p[w];
            }
            std::swap(filled, next);
        }
    }

    Rect Paint(const BitPlane& filled, const BitBounds& b, std::uint32_t fill) {
        const ColourBlock block(fill);
        std::int32_t minX = width_, endX = 0, minRow = height_, maxRow = -1;
        for (std::int32_t row = b.minRow; row <= b.maxRow; ++row) {
            const std::uint64_t* f = filled.Row(row);
            std::uint8_t* line = bits_ + stride_ * row;
            for (std::int32_t x = FindBit(f, b.minX, b.maxX, true); x <= b.maxX;) {
                const std::int32_t end = FindBit(f, x, b.maxX, false);
                minX = std::min(minX, x);
                endX = std::max(endX, end);
                minRow = std::min(minRow, row);
                maxRow = std::max(maxRow, row);
                std::uint8_t* p = line + 3 * x;
                std::int32_t n = end - x;
                for (; n >= kPixelsPerBlock; n -= kPixelsPerBlock, p += 3 * kPixelsPerBlock) block.Store(p);
                for (; n > 0; --n, p += 3) StorePixel(p, fill);
                x = FindBit(f, end, b.maxX, true);
            }
        }
        return Rect{minX, height_ - 1 - maxRow, endX, height_ - minRow};
    }

    std::uint8_t* const bits_;
    const std::ptrdiff_t stride_;
    const std::int32_t width_;
    const std::int32_t height_;
    const std::uint32_t region_;
    const int gap_;
    BitPlane area_;                     // pixels of the seed's colour, rows made on demand
    std::vector<std::uint8_t> ready_;   // 1 for each row of area_ made
    BitPlane plain_;                    // the seed's plain 4-connected area
};

}  // namespace

int CDibImage::FloodFill(std::int32_t x, std::int32_t y, std::uint8_t red, std::uint8_t green,
                         std::uint8_t blue) {
    Rect changed;
    return FloodFill(x, y, red, green, blue, changed);
}

int CDibImage::FloodFill(std::int32_t x, std::int32_t y, std::uint8_t red, std::uint8_t green,
                         std::uint8_t blue, Rect& changed, int closeGaps) {
    if (!HasPicture()) return 0;
    const std::int32_t width = Width();
    const std::int32_t height = Height();
    if (x < 0 || x >= width || y < 0 || y >= height) return 0;

    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(Stride());
    const std::int32_t seedRow = height - y - 1;
    const std::uint8_t* seed = pixels_.Data() + stride * seedRow + 3 * x;
    if (!CaptureRegionColour(seed[2], seed[1], seed[0])) return 0;   // a click on a line
    if (MatchesRegionColour(red, green, blue)) return 0;             // already that colour

    const std::uint32_t region = PixelValue(seed);
    std::uint8_t* const bits = Pixels();   // from here on the pixels change
    if (closeGaps > 0) {
        GapFill fill(bits, stride, width, height, region, std::min(closeGaps, kMaxCloseGaps));
        changed = fill.Run(x, seedRow, MakePixelValue(red, green, blue));
        return 1;
    }
    SpanFill fill(bits, stride, width, height, region, MakePixelValue(red, green, blue));
    fill.Run(x, seedRow);
    changed = fill.Changed();
    return 1;
}

}  // namespace kolo
