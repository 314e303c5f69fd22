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

// The runs a fill recoloured, in the order it took them. Adding one is part of the fill's inner
// loop: the first runs go into room held inline, which needs neither an allocation nor a call.
class RunLog {
public:
    void Add(std::int32_t row, std::int32_t left, std::int32_t end) {
        if (count_ < kInline) {
            inline_[count_++] = FillRun{row, left, end};
        } else {
            more_.push_back(FillRun{row, left, end});
        }
    }
    std::size_t Size() const { return count_ + more_.size(); }
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        for (std::size_t i = 0; i < count_; ++i) visit(inline_[i]);
        for (const FillRun& run : more_) visit(run);
    }

private:
    static constexpr std::size_t kInline = 1024;   // runs, 12 KB
    FillRun inline_[kInline];
    std::size_t count_ = 0;
    std::vector<FillRun> more_;
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
    void RecordRuns(RunLog* runs) { runs_ = runs; }

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
        if (runs_ != nullptr) runs_->Add(row, left, end);
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
    RunLog* runs_ = nullptr;
};

// One bit a pixel over a rectangle of the picture: columns x0 … x0 + width − 1 and bottom-up
// rows row0 … row0 + height − 1, 64 pixels a word; bits past the width stay clear. Coordinates
// given to it are the picture's. A clear word lies between one row and the next, and a clear
// row below the first and above the last, so that the planes can be worked on as one long row
// of words, each word's neighbours read without a test at the edges.
class BitPlane {
public:
    BitPlane(std::int32_t x0, std::int32_t row0, std::int32_t width, std::int32_t height)
        : x0_(x0), row0_(row0), width_(width), height_(height), words_((width + 63) / 64),
          stride_(words_ + 1),
          bits_(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height + 2) + 1, 0) {}

    // Also valid for the clear rows FirstRow() − 1 and EndRow().
    std::uint64_t* Row(std::int32_t row) {
        return bits_.data() + 1 + static_cast<std::ptrdiff_t>(stride_) * (row - row0_ + 1);
    }
    const std::uint64_t* Row(std::int32_t row) const {
        return bits_.data() + 1 + static_cast<std::ptrdiff_t>(stride_) * (row - row0_ + 1);
    }
    std::int32_t Words() const { return words_; }
    std::ptrdiff_t Stride() const { return stride_; }
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
        const std::int32_t first = left >> 6;
        const std::int32_t last = right >> 6;
        const std::uint64_t from = ~std::uint64_t{0} << (left & 63);
        const std::uint64_t to = ~std::uint64_t{0} >> (63 - (right & 63));
        if (first == last) {
            r[first] |= from & to;
            return;
        }
        r[first] |= from;
        for (std::int32_t w = first + 1; w < last; ++w) r[w] = ~std::uint64_t{0};
        r[last] |= to;
    }
    // The bits of a row's last word that stand for pixels.
    std::uint64_t LastWordBits() const {
        const std::int32_t used = width_ - 64 * (words_ - 1);
        return used == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << used) - 1;
    }

private:
    std::int32_t x0_, row0_, width_, height_;
    std::int32_t words_;
    std::ptrdiff_t stride_;   // words from a row to the next, the clear word included
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

// ORs into words[0] … words[count − 1], read as one row, their copies moved `by` columns
// (1 … 63) towards higher columns; words[−1] must be clear.
void ShiftUpInto(std::uint64_t* words, std::ptrdiff_t count, std::int32_t by) {
    // Downwards, so that each word reads its lower neighbour before that is changed.
    for (std::ptrdiff_t i = count - 1; i >= 0; --i) {
        words[i] |= (words[i] << by) | (words[i - 1] >> (64 - by));
    }
}

// The same towards lower columns; words[count] must be clear.
void ShiftDownInto(std::uint64_t* words, std::ptrdiff_t count, std::int32_t by) {
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        words[i] |= (words[i] >> by) | (words[i + 1] << (64 - by));
    }
}

// The runs of set bits of a plane, row after row from the bottom, sorted into 4-connected
// pieces as they arrive: each run is joined to the runs of the row before that share a column
// (union-find). One pass in row order tells whether the bits are all one piece, with no
// flood over them.
class Pieces {
public:
    struct Run {
        std::int32_t row, left, end;   // local columns left … end − 1
        std::int32_t parent;           // a run of the same piece; itself at a piece's root
    };

    void Reserve(std::size_t n) { runs_.reserve(n); }

    // Adds the runs of a row of `words` words; rows must come one after the other.
    void AddRow(std::int32_t row, const std::uint64_t* bits, std::int32_t words) {
        const std::int32_t start = static_cast<std::int32_t>(runs_.size());
        std::int32_t from = -1;   // the first column of a run that goes on into the next word
        for (std::int32_t w = 0; w < words; ++w) {
            std::uint64_t v = bits[w];
            const std::int32_t base = 64 * w;
            if (from >= 0) {
                if (v == ~std::uint64_t{0}) continue;
                const int end = __builtin_ctzll(~v);
                Add(row, from, base + end);
                from = -1;
                v &= ~std::uint64_t{0} << end;
            }
            while (v != 0) {
                const int left = __builtin_ctzll(v);
                const std::uint64_t after = ~v & (~std::uint64_t{0} << left);
                if (after == 0) {
                    from = base + left;
                    break;
                }
                const int end = __builtin_ctzll(after);
                Add(row, base + left, base + end);
                v &= ~std::uint64_t{0} << end;
            }
        }
        if (from >= 0) Add(row, from, 64 * words);
        const std::int32_t stop = static_cast<std::int32_t>(runs_.size());
        for (std::int32_t i = previous_, j = start; i < start && j < stop;) {
            if (runs_[i].left < runs_[j].end && runs_[j].left < runs_[i].end) Join(i, j);
            if (runs_[i].end < runs_[j].end) {
                ++i;
            } else {
                ++j;
            }
        }
        previous_ = start;
    }

    std::int32_t Count() const { return pieces_; }
    const std::vector<Run>& Runs() const { return runs_; }

    std::int32_t Root(std::int32_t i) {
        while (runs_[i].parent != i) {
            runs_[i].parent = runs_[runs_[i].parent].parent;   // halve the path as it is walked
            i = runs_[i].parent;
        }
        return i;
    }

    // The run holding local column x of a row; −1 when none does.
    std::int32_t Find(std::int32_t row, std::int32_t x) const {
        auto it = std::lower_bound(runs_.begin(), runs_.end(), row,
                                   [](const Run& r, std::int32_t v) { return r.row < v; });
        for (; it != runs_.end() && it->row == row; ++it) {
            if (it->left <= x && x < it->end) return static_cast<std::int32_t>(it - runs_.begin());
        }
        return -1;
    }

private:
    void Add(std::int32_t row, std::int32_t left, std::int32_t end) {
        runs_.push_back(Run{row, left, end, static_cast<std::int32_t>(runs_.size())});
        ++pieces_;
    }

    void Join(std::int32_t a, std::int32_t b) {
        a = Root(a);
        b = Root(b);
        if (a == b) return;
        runs_[std::max(a, b)].parent = std::min(a, b);
        --pieces_;
    }

    std::vector<Run> runs_;
    std::int32_t previous_ = 0;   // the first run of the row added last but one
    std::int32_t pieces_ = 0;
};

// The fill with gap closing. The plain fill runs first and lists its runs: they are the seed's
// whole area. Every pixel of it within an (n + 1)-pixel square of a pixel outside it is a wall;
// what is left is the open area, in which an opening of up to n pixels between lines is shut.
// When the open area is all one piece, the area stays filled whole. Otherwise the fill keeps
// the seed's piece and grows back over the walls for as many steps as they are deep, staying
// inside the area: it reaches the lines again on every side but cannot cross a shut opening,
// which is deeper than that. The rest of the area gets its colour back. A seed on a wall
// starts from the nearest open pixel; an area with no open pixel near the seed (a corridor
// narrower than the openings shut) stays filled whole.
class GapFill {
public:
    GapFill(std::uint8_t* bits, std::ptrdiff_t stride, std::int32_t width, std::int32_t height,
            int gap)
        : bits_(bits), stride_(stride), width_(width), height_(height), gap_(gap),
          before_(gap / 2), after_(gap - gap / 2) {}

    // Narrows what `plain` (which recorded `runs`) filled from (x, seedRow) back to the part the
    // gaps hold, giving the region colour back to the rest; the rectangle (y from the top) of
    // what stays recoloured.
    __attribute__((noinline)) Rect Run(const SpanFill& plain, const RunLog& runs, std::int32_t x,
             std::int32_t seedRow, std::uint32_t region) {
        // Walls reach `before_` pixels left and down of a pixel outside the area, `after_` right
        // and up; the planes cover the area with that much margin, within the picture.
        const std::int32_t x0 = std::max(0, plain.MinX() - after_);
        const std::int32_t row0 = std::max(0, plain.MinRow() - after_);
        const std::int32_t planeWidth = std::min(width_, plain.MaxX() + after_ + 1) - x0;
        const std::int32_t planeHeight = std::min(height_, plain.MaxRow() + after_ + 1) - row0;
        const auto plane = [&] { return BitPlane(x0, row0, planeWidth, planeHeight); };
        BitPlane area = plane();
        runs.ForEach([&](const FillRun& run) { area.SetRun(run.row, run.left - x0, run.end - 1 - x0); });
        BitPlane open = plane();
        Pieces pieces;
        pieces.Reserve(runs.Size());
        FindOpen(area, plain.MinRow(), plain.MaxRow(), open, pieces);
        // When the open area is all one piece, no opening was shut: the fill keeps the whole
        // area, thin ends and sharp corners included.
        if (pieces.Count() <= 1) return plain.Changed();
        std::int32_t sx = x, sr = seedRow;
        if (!open.Get(x, seedRow) && !NearestOpen(open, sx, sr)) return plain.Changed();

        BitPlane kept = plane();
        const std::int32_t seedPiece = pieces.Root(pieces.Find(sr, sx - x0));
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(pieces.Runs().size()); ++i) {
            if (pieces.Root(i) != seedPiece) continue;
            const Pieces::Run& r = pieces.Runs()[i];
            kept.SetRun(r.row, r.left, r.end - 1);
        }
        GrowBack(kept, area, 2 * after_);
        return GiveBack(kept, runs, region);
    }

private:
    // Marks in `open` the pixels of rows first … last of `area` that are no wall, and sorts
    // them into pieces. A pixel is a wall when a pixel of the picture outside the area lies
    // within after_ columns and rows below it or before_ above: the rows there are gathered
    // first, then spread across. The rows are worked on as one long row of words.
    __attribute__((noinline)) void FindOpen(const BitPlane& area, std::int32_t first, std::int32_t last, BitPlane& open,
                  Pieces& pieces) const {
        const std::int32_t words = area.Words();
        const std::ptrdiff_t stride = area.Stride();
        std::uint64_t* const o = open.Row(first);
        const std::ptrdiff_t count = stride * (last - first) + words;
        for (std::int32_t k = -after_; k <= before_; ++k) {
            // Rows past the picture are no outside, and rows of the picture past the plane
            // are too far from the area to matter.
            const std::int32_t from = std::max(first, area.FirstRow() - k);
            const std::int32_t to = std::min(last, area.EndRow() - 1 - k);
            if (from > to) continue;
            const std::uint64_t* a = area.Row(from + k);
            std::uint64_t* d = open.Row(from);
            const std::ptrdiff_t n = stride * (to - from) + words;
            for (std::ptrdiff_t i = 0; i < n; ++i) d[i] |= ~a[i];
        }
        const std::uint64_t lastBits = area.LastWordBits();
        for (std::int32_t row = first; row <= last; ++row) open.Row(row)[words - 1] &= lastBits;
        const auto clearGaps = [&] {
            for (std::int32_t row = first + 1; row <= last; ++row) open.Row(row)[-1] = 0;
        };
        clearGaps();
        // Each step doubles the columns covered, so a wide reach costs a few passes.
        for (std::int32_t covered = 0; covered < after_;) {
            const std::int32_t by = std::min(covered + 1, after_ - covered);
            ShiftUpInto(o, count, by);
            clearGaps();
            covered += by;
        }
        for (std::int32_t covered = 0; covered < before_;) {
            const std::int32_t by = std::min(covered + 1, before_ - covered);
            ShiftDownInto(o, count, by);
            clearGaps();
            covered += by;
        }
        // The word after the last row stays clear, as ShiftDownInto needs: nothing writes it.
        const std::uint64_t* a = area.Row(first);
        for (std::ptrdiff_t i = 0; i < count; ++i) o[i] = a[i] & ~o[i];
        for (std::int32_t row = first; row <= last; ++row) pieces.AddRow(row, open.Row(row), words);
    }

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

    // Widens `kept` by one pixel to each side, `steps` times, never past the area. The clear
    // words and rows around the plane's rows stay clear, as the area's are.
    static void GrowBack(BitPlane& kept, const BitPlane& area, std::int32_t steps) {
        BitPlane next = BitPlane(kept.X0(), kept.FirstRow(), kept.Width(), kept.EndRow() - kept.FirstRow());
        const std::ptrdiff_t stride = kept.Stride();
        const std::ptrdiff_t count = stride * (kept.EndRow() - 1 - kept.FirstRow()) + kept.Words();
        const std::uint64_t* a = area.Row(area.FirstRow());
        for (std::int32_t step = 0; step < steps; ++step) {
            const std::uint64_t* f = kept.Row(kept.FirstRow());
            std::uint64_t* n = next.Row(next.FirstRow());
            for (std::ptrdiff_t i = 0; i < count; ++i) {
                const std::uint64_t across = (f[i] << 1) | (f[i - 1] >> 63) | (f[i] >> 1) | (f[i + 1] << 63);
                n[i] = (f[i] | across | f[i - stride] | f[i + stride]) & a[i];
            }
            std::swap(kept, next);
        }
    }

    // Puts the region colour back on every pixel of the runs that `kept` leaves out; the
    // rectangle (y from the top) of the pixels kept.
    Rect GiveBack(const BitPlane& kept, const RunLog& runs, std::uint32_t region) {
        std::int32_t minX = width_, endX = 0, minRow = height_, maxRow = -1;
        const std::int32_t x0 = kept.X0();
        runs.ForEach([&](const FillRun& run) {
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
        });
        return Rect{minX, height_ - 1 - maxRow, endX, height_ - minRow};
    }

    std::uint8_t* const bits_;
    const std::ptrdiff_t stride_;
    const std::int32_t width_;
    const std::int32_t height_;
    const int gap_;
    const std::int32_t before_;   // how far a wall reaches left and down of what makes it
    const std::int32_t after_;    // and right and up
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
    RunLog runs;
    fill.RecordRuns(&runs);
    fill.Run(x, seedRow);
    GapFill gaps(bits, stride, width, height, std::min(closeGaps, kMaxFillGap));
    changed = gaps.Run(fill, runs, x, seedRow, region);
    return 1;
}

}  // namespace kolo
