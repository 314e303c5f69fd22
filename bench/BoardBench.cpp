// The board's paint and click costs, each beside a memcpy of the 834 × 644 screen measured in
// the same run as the yardstick: Paint is meant to stay within 25 such copies.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/BenchPictures.h"
#include "bench/PeerRatios.h"
#include "board/ColouringBoard.h"
#include "platform/soft/BmpResources.h"
#include "platform/soft/ScreenContext.h"
#include "resources/EmbeddedResources.h"

namespace kolo {
namespace {

constexpr Rect kBounds{0, 0, kBoardWidth, kBoardHeight};

// A host that answers only what painting and clicking need.
class BenchHost : public BoardHost {
public:
    explicit BenchHost(const ScreenContext& screen) : screen_(screen) {}
    void InvalidateControl(const Rect&) override {}
    void EnableButton(int, bool) override {}
    ColourRef GetDisplayedColour(int x, int y) override { return screen_.GetPixel(x, y); }
    void SetCursor(BoardCursor) override {}
    void FireOnInitImage() override {}
    void ShowMessage(const std::string&) override {}
    void PrintPicture() override {}
    void CloseHost() override {}

private:
    const ScreenContext& screen_;
};

// A line drawing of the canvas size: a grid of black lines 40 pixels apart, so that a fill
// covers one cell and its borders.
class GridFolder : public FolderLoader {
public:
    void StartLoad(ColouringBoard& board, std::uint32_t load, const std::string&) override {
        CDibImage drawing;
        drawing.Allocate(572, 452);
        std::memset(drawing.Pixels(), 255, drawing.Stride() * 452);
        for (int row = 0; row < 452; ++row) {
            std::uint8_t* p = drawing.Pixels() + drawing.Stride() * row;
            for (int x = 0; x < 572; ++x) {
                if (x % 40 == 0 || row % 40 == 0) p[x * 3] = p[x * 3 + 1] = p[x * 3 + 2] = 0;
            }
        }
        drawing.SetOutlineColour(0, 0, 0);
        board.BeginFolder(load, 3);
        for (int i = 0; i < 3; ++i) board.AddFolderPicture(load, drawing);
        board.FinishFolder(load, "");
    }
    void CancelLoad() override {}
};

struct BoardFixture {
    BoardFixture()
        : screen(kBoardWidth, kBoardHeight),
          host(screen),
          resources(kEmbeddedResources, kEmbeddedResourceCount),
          board(host, resources) {
        board.SetFolderLoader(&folder);
        board.Initialise();
        board.SetImageURL("http://pictures.test/grid");
        board.Paint(screen, kBounds, kBounds);
        board.Click(200, 300);
    }
    ScreenContext screen;
    BenchHost host;
    BmpResources resources;
    GridFolder folder;
    ColouringBoard board;
};

void BM_ScreenMemcpy(benchmark::State& state) {
    const std::size_t bytes = static_cast<std::size_t>(kBoardWidth) * kBoardHeight * 3;
    std::vector<std::uint8_t> from(bytes, 7), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ScreenMemcpy);

void BM_PaintAfterFill(benchmark::State& state) {
    BoardFixture f;
    for (auto _ : state) {
        f.board.Paint(f.screen, kBounds, kBounds);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PaintAfterFill)->Unit(benchmark::kMicrosecond);

void BM_ClickThenPaint(benchmark::State& state) {
    BoardFixture f;
    // Two palette cells picked in turn, so that every canvas click really fills its cell.
    const int cells[2][2] = {{652 + 5, 493 + 5}, {652 + 12 * 3 + 5, 493 + 12 * 2 + 5}};
    int turn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.board.Click(cells[turn][0], cells[turn][1]);
        turn ^= 1;
        state.ResumeTiming();
        f.board.Click(200, 300);
        f.board.Paint(f.screen, kBounds, kBounds);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ClickThenPaint)->Unit(benchmark::kMicrosecond);

// A real drawing, coloured over 60 % of its area the way a child would (largest areas
// first), painted after each further fill; beside it the same screen composed naively, pixel
// by pixel, and copied out.
class ColouredDrawing : public FolderLoader {
public:
    void StartLoad(ColouringBoard& board, std::uint32_t load, const std::string&) override {
        board.BeginFolder(load, 1);
        board.AddFolderPicture(load, Drawing().picture);
        board.FinishFolder(load, "");
    }
    void CancelLoad() override {}

    static const bench::Drawing& Drawing() {
        for (const bench::Drawing& d : bench::SampleDrawings()) {
            if (d.name == kDrawingName) return d;
        }
        std::abort();   // the bundled folder always holds it
    }

    static constexpr const char* kDrawingName = "house.bmp";
};

constexpr double kColouredShare = 0.6;
// Two palette cells picked in turn, so that every fill really changes its area.
constexpr int kPaletteCells[2][2] = {{652 + 5, 493 + 5}, {652 + 12 * 3 + 5, 493 + 12 * 2 + 5}};

struct ColouredBoard {
    ColouredBoard()
        : screen(kBoardWidth, kBoardHeight),
          host(screen),
          resources(kEmbeddedResources, kEmbeddedResourceCount),
          board(host, resources) {
        board.SetFolderLoader(&folder);
        board.Initialise();
        board.SetImageURL("http://pictures.test/house");
        // Clicks reach the canvas only once the board knows its bounds from a paint.
        board.Paint(screen, kBounds, kBounds);
        const std::vector<bench::Seed> areas = bench::WhiteAreas(board.Canvas());
        const std::int64_t wanted =
            static_cast<std::int64_t>(kColouredShare * bench::kCanvasWidth * bench::kCanvasHeight);
        std::int64_t coloured = 0;
        int turn = 0;
        for (const bench::Seed& area : areas) {
            if (coloured >= wanted) {
                // The next area is the one the benchmark fills again and again.
                if (small.area == 0) small = area;
                continue;
            }
            board.Click(kPaletteCells[turn][0], kPaletteCells[turn][1]);
            turn ^= 1;
            board.Click(kCanvasRect.left + area.x, kCanvasRect.top + area.y);
            coloured += area.area;
        }
        board.Paint(screen, kBounds, kBounds);
    }
    ScreenContext screen;
    BenchHost host;
    BmpResources resources;
    ColouredDrawing folder;
    ColouringBoard board;
    bench::Seed small{0, 0, 0};
};

void BM_PaintColouredAfterFill(benchmark::State& state) {
    ColouredBoard f;
    int turn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.board.Click(kPaletteCells[turn][0], kPaletteCells[turn][1]);
        turn ^= 1;
        f.board.Click(kCanvasRect.left + f.small.x, kCanvasRect.top + f.small.y);
        state.ResumeTiming();
        f.board.Paint(f.screen, kBounds, kBounds);
        benchmark::ClobberMemory();
    }
}

// The peer: the canvas composed pixel by pixel (the picture, the canvas's colours, a line
// pixel next to a colour taking it halved, the frame on top); at detail 1 straight into the
// screen, at more detail each detail × detail block averaged into its screen pixel; then the
// screen copied out in one block, as a paint must.
void NaiveComposeAndCopy(benchmark::State& state, int detail) {
    ColouredBoard f;
    f.board.SetDetail(detail);
    const int k = f.board.CanvasDetail();
    const CDibImage& source = f.board.SourcePicture();
    const CDibImage& canvas = f.board.Canvas();
    const CDibImage& frame = f.board.BlankCanvas();
    ScreenContext target(kBoardWidth, kBoardHeight);
    auto at = [](const CDibImage& image, int x, int y) {
        const std::uint8_t* p = image.Pixels() + image.Stride() * (image.Height() - 1 - y) + 3 * x;
        return static_cast<std::uint32_t>(p[2]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[0]) << 16);
    };
    const int w = canvas.Width(), h = canvas.Height();
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(w / k) * 3);
    for (auto _ : state) {
        for (int y = 0; y < h; ++y) {
            std::uint8_t* out = f.screen.Row(kCanvasRect.top + y / k) + 3 * kCanvasRect.left;
            for (int x = 0; x < w; ++x) {
                std::uint32_t c = at(canvas, x, y);
                std::uint32_t shown = at(source, x, y);
                if (c == 0) {
                    const int nx[4] = {x, x + 1, x, x - 1}, ny[4] = {y + 1, y, y - 1, y};
                    for (int i = 0; i < 4; ++i) {
                        if (nx[i] < 0 || ny[i] < 0 || nx[i] >= w || ny[i] >= h) continue;
                        const std::uint32_t n = at(canvas, nx[i], ny[i]);
                        if (n != 0 && n != 0xFFFFFF) {
                            shown = (n >> 1) & 0x7F7F7F;
                            break;
                        }
                    }
                } else if (c != 0xFFFFFF) {
                    shown = c;
                }
                const std::uint32_t wood = at(frame, x / k, y / k);
                if (wood != 0xFFFFFF) shown = wood;
                if (k == 1) {
                    out[3 * x] = static_cast<std::uint8_t>(shown);
                    out[3 * x + 1] = static_cast<std::uint8_t>(shown >> 8);
                    out[3 * x + 2] = static_cast<std::uint8_t>(shown >> 16);
                    continue;
                }
                std::uint32_t* sum = sums.data() + 3 * (x / k);
                sum[0] += shown & 0xFF;
                sum[1] += (shown >> 8) & 0xFF;
                sum[2] += shown >> 16;
            }
            if (k == 1 || y % k != k - 1) continue;
            for (std::size_t i = 0; i < sums.size(); ++i) {
                out[i] = static_cast<std::uint8_t>(sums[i] / static_cast<std::uint32_t>(k * k));
                sums[i] = 0;
            }
        }
        std::memcpy(target.Row(0), f.screen.Row(0),
                    static_cast<std::size_t>(kBoardWidth) * kBoardHeight * 3);
        benchmark::ClobberMemory();
    }
}

void BM_NaiveComposeAndCopy(benchmark::State& state) { NaiveComposeAndCopy(state, 1); }

BENCHMARK(BM_PaintColouredAfterFill)->Name("paint a coloured drawing after a fill/kolo")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NaiveComposeAndCopy)->Name("paint a coloured drawing after a fill/naive compose")->Unit(benchmark::kMicrosecond);

// The whole canvas composed, as when a picture is first painted: the coloured page taken
// back from a New page before each round (not timed), then painted, at detail 1 and 4;
// beside it the naive compose of the same page at the same detail.
void PaintWholeCanvas(benchmark::State& state, int detail) {
    ColouredBoard f;
    f.board.SetDetail(detail);
    for (auto _ : state) {
        state.PauseTiming();
        f.board.NewPage();
        f.board.Paint(f.screen, kBounds, kBounds);
        f.board.Undo();
        state.ResumeTiming();
        f.board.Paint(f.screen, kBounds, kBounds);
        benchmark::ClobberMemory();
    }
}

void BM_PaintWholeCanvas(benchmark::State& state) { PaintWholeCanvas(state, 1); }
void BM_PaintWholeCanvasAtFour(benchmark::State& state) { PaintWholeCanvas(state, kMaxDetail); }
void BM_NaiveWholeCanvasAtFour(benchmark::State& state) { NaiveComposeAndCopy(state, kMaxDetail); }

BENCHMARK(BM_PaintWholeCanvas)->Name("compose the whole canvas at detail 1/kolo")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NaiveComposeAndCopy)->Name("compose the whole canvas at detail 1/naive compose")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintWholeCanvasAtFour)->Name("compose the whole canvas at detail 4/kolo")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NaiveWholeCanvasAtFour)->Name("compose the whole canvas at detail 4/naive compose")->Unit(benchmark::kMicrosecond);

// A picture's kept work put back: the real drawing coloured as a child would, 200 fills of
// areas taken at random among the ones large enough to aim at (the same area often again,
// in another colour), replayed onto the picture as the board does when the picture returns
// to the canvas; beside it the same picture put back with no work.
constexpr std::size_t kChildFills = 200;
constexpr std::size_t kAimedAreas = 30;   // the largest areas of the drawing

struct ChildColouredBoard : ColouredBoard {
    ChildColouredBoard() {
        board.RestoreWork({}, {});
        const std::vector<bench::Seed> areas = bench::WhiteAreas(board.Canvas());
        std::uint32_t random = 12345;
        int cell = 0;
        while (board.History().UndoEntries().size() < kChildFills) {
            random = random * 1664525u + 1013904223u;   // a fixed sequence, the same every run
            const bench::Seed& area = areas[(random >> 8) % std::min(areas.size(), kAimedAreas)];
            if (random % 3 == 0) {
                cell = (cell + 1) % 12;
                board.Click(kPaletteRect.left + 6 + 12 * cell, kPaletteRect.top + 6 + 12 * (cell % 5));
            }
            board.Click(kCanvasRect.left + area.x, kCanvasRect.top + area.y);
        }
        done = board.History().UndoEntries();
    }
    std::vector<FillEntry> done;
};

void BM_RestoreChildsWork(benchmark::State& state) {
    ChildColouredBoard f;
    for (auto _ : state) {
        f.board.RestoreWork(f.done, {});
        benchmark::ClobberMemory();
    }
}

void BM_RestoreNoWork(benchmark::State& state) {
    ChildColouredBoard f;
    for (auto _ : state) {
        f.board.RestoreWork({}, {});
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_RestoreChildsWork)->Name("restore 200 fills/kolo")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RestoreNoWork)->Name("restore 200 fills/no work")->Unit(benchmark::kMillisecond);

// The window moved to a screen with more pixels: the picture fitted again at four times the
// canvas with 50 of the child's fills replayed there; beside it the same re-fit without work.
constexpr std::size_t kRefitFills = 50;

void Refit(benchmark::State& state, bool withWork) {
    ChildColouredBoard f;
    f.board.RestoreWork(withWork ? std::vector<FillEntry>(f.done.begin(), f.done.begin() + kRefitFills)
                                 : std::vector<FillEntry>{},
                        {});
    for (auto _ : state) {
        state.PauseTiming();
        f.board.SetDetail(1);
        state.ResumeTiming();
        f.board.SetDetail(kMaxDetail);
        benchmark::ClobberMemory();
    }
}

void BM_RefitWithFills(benchmark::State& state) { Refit(state, true); }
void BM_RefitNoWork(benchmark::State& state) { Refit(state, false); }

BENCHMARK(BM_RefitWithFills)->Name("refit at detail 4 with 50 fills/kolo")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefitNoWork)->Name("refit at detail 4 with 50 fills/no work")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kolo

int main(int argc, char** argv) { return kolo::bench::RunWithRatios(argc, argv); }
