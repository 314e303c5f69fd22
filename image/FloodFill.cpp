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

// Columns left … end − 1 of a bottom-up row, recoloured by one step of a fill.
struct FillRun {
    std::int32_t row, left, end;
};

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

    // Also lists every run recoloured, in `runs`.
    void RecordRuns(std::vector<FillRun>* runs) { runs_ = runs; }

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
    // The same as bottom-up rows and columns, inclusive.
    std::int32_t MinX() const { return minX_; }
    std::int32_t MaxX() const { return endX_ - 1; }
    std::int32_t MinRow() const { return minRow_; }
    std::int32_t MaxRow() const { return maxRow_; }

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
        if (runs_ != nullptr) runs_->push_back(FillRun{row, left, end});
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
    std::vector<FillRun>* runs_ = nullptr;
};

// One bit a pixel over a rectangle of the picture: columns x0 … x0 + width − 1 and bottom-up
// rows row0 … row0 + height − 1, 64 pixels a word; bits past the width stay clear. Coordinates
// given to it are the picture's.
class BitPlane {
public:
    BitPlane(std::int32_t x0, std::int32_t row0, std::int32_t width, std::int32_t height)
        : x0_(x0), row0_(row0), width_(width), height_(height), words_((width + 63) / 64),
          bits_(static_cast<std::size_t>(words_) * static_cast<std::size_t>(height), 0) {}

    std::uint64_t* Row(std::int32_t row) {
        return bits_.data() + static_cast<std::size_t>(words_) * (row - row0_);
    }
    const std::uint64_t* Row(std::int32_t row) const {
        return bits_.data() + static_cast<std::size_t>(words_) * (row - row0_);
    }
    std::int32_t Words() const { return words_; }
    std::int32_t X0() const { return x0_; }
    std::int32_t Width() const { return width_; }
    std::int32_t FirstRow() const { return row0_; }
    std::int32_t EndRow() const { return row0_ + height_; }
    bool Get(std::int32_t x, std::int32_t row) const {
        x -= x0_;
        return (Row(row)[x >> 6] >> (x & 63)) & 1u;
    }
    // Sets columns left … right (local, inclusive) of a row.
    void SetRun(std::int32_t row, std::int32_t left, std::int32_t right) {
        std::uint64_t* r = Row(row);
        for (std::int32_t w = left >> 6; w <= right >> 6; ++w) {
            const std::int32_t lo = std::max(left, w * 64) - w * 64;
            const std::int32_t hi = std::min(right, w * 64 + 63) - w * 64;
            r[w] |= (~std::uint64_t{0} >> (63 - hi)) & (~std::uint64_t{0} << lo);
        }
    }
    void Clear() { std::fill(bits_.begin(), bits_.end(), std::uint64_t{0}); }
    // The bits of word `w` that stand for pixels.
    std::uint64_t ValidBits(std::int32_t w) const {
        const std::int32_t left = width_ - 64 * w;
        return left >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << left) - 1;
    }

private:
    std::int32_t x0_, row0_, width_, height_;
    std::int32_t words_;
    std::vector<std::uint64_t> bits_;
};

// The first local column from x to last (inclusive) whose bit is `value`; last + 1 when none.
std::int32_t FindBit(const std::uint64_t* r, std::int32_t x, std::int32_t last, bool value) {
    while (x <= last) {
        const std::uint64_t word = (value ? r[x >> 6] : ~r[x >> 6]) >> (x & 63);
        if (word != 0) return std::min(last + 1, x + __builtin_ctzll(word));
        x = (x | 63) + 1;
    }
    return last + 1;
}

// The first local column of the run of set bits that holds column x.
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

// Sets in `reached` the 4-connected set bits of `area` around the seed (picture coordinates),
// which must be set. Both planes cover the same rectangle.
void FloodBits(const BitPlane& area, std::int32_t x, std::int32_t row, BitPlane& reached) {
    const std::int32_t lastX = area.Width() - 1;
    std::vector<std::pair<std::int32_t, std::int32_t>> stack;
    stack.reserve(256);
    stack.emplace_back(x - area.X0(), row);
    while (!stack.empty()) {
        const auto [sx, sr] = stack.back();
        stack.pop_back();
        if (reached.Get(sx + area.X0(), sr)) continue;
        const std::uint64_t* a = area.Row(sr);
        const std::int32_t left = RunStartOf(a, sx);
        const std::int32_t right = FindBit(a, sx, lastX, false) - 1;
        reached.SetRun(sr, left, right);
        for (const std::int32_t next : {sr - 1, sr + 1}) {
            if (next < area.FirstRow() || next >= area.EndRow()) continue;
            const std::uint64_t* b = area.Row(next);
            for (std::int32_t c = FindBit(b, left, right, true); c <= right;) {
                if (!reached.Get(c + area.X0(), next)) stack.emplace_back(c, next);
                c = FindBit(b, FindBit(b, c, lastX, false), right, true);
            }
        }
    }
}

// ORs a row of bits, shifted by `by` columns (towards higher columns when positive), into `to`.
void OrShifted(const std::uint64_t* from, std::uint64_t* to, std::int32_t words, std::int32_t by) {
    const std::int32_t whole = std::abs(by) / 64;
    const std::int32_t part = std::abs(by) % 64;
    auto at = [&](std::int32_t i) { return i >= 0 && i < words ? from[i] : std::uint64_t{0}; };
    for (std::int32_t w = 0; w < words; ++w) {
        std::uint64_t v;
        if (by > 0) {
            v = at(w - whole) << part;
            if (part != 0) v |= at(w - whole - 1) >> (64 - part);
        } else {
            v = at(w + whole) >> part;
            if (part != 0) v |= at(w + whole + 1) << (64 - part);
        }
        to[w] |= v;
    }
}

// The fill with gap closing. The plain fill runs first and lists its runs: they are the seed's
// whole area. Every pixel of it within an (n + 1)-pixel square of a pixel outside it is a wall;
// what is left is the open area, in which an opening of up to n pixels between lines is shut.
// When the seed's part of the open area is all of it, the area stays filled whole. Otherwise
// the fill keeps the seed's part and grows back over the walls for as many steps as they are
// deep, staying inside the area: it reaches the lines again on every side but cannot cross a
// shut opening, which is deeper than that. The rest of the area gets its colour back. A seed on a wall starts from the nearest open pixel; an area with no open pixel
// near the seed (a corridor narrower than the openings shut) stays filled whole.
class GapFill {
public:
    GapFill(std::uint8_t* bits, std::ptrdiff_t stride, std::int32_t width, std::int32_t height,
            int gap)
        : bits_(bits), stride_(stride), width_(width), height_(height), gap_(gap) {}

    // Narrows what `plain` (which recorded `runs`) filled from (x, seedRow) back to the part the
    // gaps hold, giving the region colour back to the rest; the rectangle (y from the top) of
    // what stays recoloured.
    Rect Run(const SpanFill& plain, const std::vector<FillRun>& runs, std::int32_t x,
             std::int32_t seedRow, std::uint32_t region) {
        // Walls reach `before` pixels left and down of a pixel outside the area, `after` right
        // and up; the planes cover the area with that much margin, within the picture.
        const std::int32_t before = gap_ / 2;
        const std::int32_t after = gap_ - before;
        const std::int32_t x0 = std::max(0, plain.MinX() - after);
        const std::int32_t row0 = std::max(0, plain.MinRow() - after);
        const std::int32_t planeWidth = std::min(width_, plain.MaxX() + after + 1) - x0;
        const std::int32_t planeHeight = std::min(height_, plain.MaxRow() + after + 1) - row0;
        const auto plane = [&] { return BitPlane(x0, row0, planeWidth, planeHeight); };
        BitPlane area = plane();
        for (const FillRun& run : runs) area.SetRun(run.row, run.left - x0, run.end - 1 - x0);

        const std::int32_t words = area.Words();
        const std::int32_t endRow = area.EndRow();
        BitPlane across = plane();   // the walls each row's own outside pixels make
        for (std::int32_t row = row0; row < endRow; ++row) {
            const std::uint64_t* a = area.Row(row);
            std::uint64_t* h = across.Row(row);
            std::uint64_t previous = 0;
            std::uint64_t current = ~a[0] & area.ValidBits(0);
            for (std::int32_t w = 0; w < words; ++w) {
                const std::uint64_t next = w + 1 < words ? ~a[w + 1] & area.ValidBits(w + 1) : 0;
                std::uint64_t v = current;
                for (std::int32_t d = 1; d <= after; ++d) v |= (current << d) | (previous >> (64 - d));
                for (std::int32_t d = 1; d <= before; ++d) v |= (current >> d) | (next << (64 - d));
                h[w] = v;
                previous = current;
                current = next;
            }
        }
        BitPlane open = plane();
        for (std::int32_t row = row0; row < endRow; ++row) {
            std::uint64_t* o = open.Row(row);
            const std::uint64_t* a = area.Row(row);
            for (std::int32_t w = 0; w < words; ++w) {
                std::uint64_t wall = 0;
                for (std::int32_t r = std::max(row0, row - after); r <= std::min(endRow - 1, row + before); ++r) {
                    wall |= across.Row(r)[w];
                }
                o[w] = a[w] & ~wall;
            }
        }
        std::int32_t sx = x, sr = seedRow;
        if (!open.Get(x, seedRow) && !NearestOpen(open, sx, sr)) return plain.Changed();
        BitPlane kept = std::move(across);   // its memory, cleared
        kept.Clear();
        FloodBits(open, sx, sr, kept);
        // When the open area is all one piece, no opening was shut: the fill keeps the whole
        // area, thin ends and sharp corners included.
        if (SameBits(kept, open)) return plain.Changed();
        GrowBack(kept, area, 2 * after);
        return GiveBack(kept, runs, region);
    }

private:
    // Moves the seed to the nearest open pixel within gap + 1 columns and rows; false if none.
    bool NearestOpen(const BitPlane& open, std::int32_t& x, std::int32_t& row) const {
        const std::int32_t reach = gap_ + 1;
        std::int32_t best = -1;
        std::int32_t bx = x, br = row;
        const std::int32_t lastX = open.X0() + open.Width() - 1;
        for (std::int32_t r = std::max(open.FirstRow(), row - reach);
             r <= std::min(open.EndRow() - 1, row + reach); ++r) {
            for (std::int32_t c = std::max(open.X0(), x - reach); c <= std::min(lastX, x + reach); ++c) {
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

    static bool SameBits(const BitPlane& a, const BitPlane& b) {
        for (std::int32_t row = a.FirstRow(); row < a.EndRow(); ++row) {
            if (!std::equal(a.Row(row), a.Row(row) + a.Words(), b.Row(row))) return false;
        }
        return true;
    }

    // Widens `kept` by one pixel to each side, `steps` times, never past the area.
    static void GrowBack(BitPlane& kept, const BitPlane& area, std::int32_t steps) {
        const std::int32_t words = kept.Words();
        BitPlane next = BitPlane(kept.X0(), kept.FirstRow(), kept.Width(), kept.EndRow() - kept.FirstRow());
        for (std::int32_t step = 0; step < steps; ++step) {
            for (std::int32_t row = kept.FirstRow(); row < kept.EndRow(); ++row) {
                std::uint64_t* n = next.Row(row);
                const std::uint64_t* f = kept.Row(row);
                std::copy(f, f + words, n);
                OrShifted(f, n, words, 1);
                OrShifted(f, n, words, -1);
                for (const std::int32_t r : {row - 1, row + 1}) {
                    if (r < kept.FirstRow() || r >= kept.EndRow()) continue;
                    const std::uint64_t* g = kept.Row(r);
                    for (std::int32_t w = 0; w < words; ++w) n[w] |= g[w];
                }
                const std::uint64_t* a = area.Row(row);
                for (std::int32_t w = 0; w < words; ++w) n[w] &= a[w];
            }
            std::swap(kept, next);
        }
    }

    // Puts the region colour back on every pixel of the runs that `kept` leaves out; the
    // rectangle (y from the top) of the pixels kept.
    Rect GiveBack(const BitPlane& kept, const std::vector<FillRun>& runs, std::uint32_t region) {
        std::int32_t minX = width_, endX = 0, minRow = height_, maxRow = -1;
        const std::int32_t x0 = kept.X0();
        for (const FillRun& run : runs) {
            const std::uint64_t* k = kept.Row(run.row);
            std::uint8_t* line = bits_ + stride_ * run.row;
            const std::int32_t last = run.end - 1 - x0;
            for (std::int32_t c = run.left - x0; c <= last;) {
                const bool keep = ((k[c >> 6] >> (c & 63)) & 1u) != 0;
                const std::int32_t end = FindBit(k, c, last, !keep);
                if (keep) {
                    minX = std::min(minX, c + x0);
                    endX = std::max(endX, end + x0);
                    minRow = std::min(minRow, run.row);
                    maxRow = std::max(maxRow, run.row);
                } else {
                    for (std::int32_t i = c; i < end; ++i) StorePixel(line + 3 * (i + x0), region);
                }
                c = end;
            }
        }
        return Rect{minX, height_ - 1 - maxRow, endX, height_ - minRow};
    }

    std::uint8_t* const bits_;
    const std::ptrdiff_t stride_;
    const std::int32_t width_;
    const std::int32_t height_;
    const int gap_;
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
    SpanFill fill(bits, stride, width, height, region, MakePixelValue(red, green, blue));
    if (closeGaps <= 0) {
        fill.Run(x, seedRow);
        changed = fill.Changed();
        return 1;
    }
    std::vector<FillRun> runs;
    runs.reserve(1024);
    fill.RecordRuns(&runs);
    fill.Run(x, seedRow);
    GapFill gaps(bits, stride, width, height, std::min(closeGaps, kMaxFillGap));
    changed = gaps.Run(fill, runs, x, seedRow, region);
    return 1;
}

}  // namespace kolo
