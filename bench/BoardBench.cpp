// The board's paint and click costs, each beside a memcpy of the 834 × 644 screen measured in
// the same run as the yardstick: Paint is meant to stay within 25 such copies.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

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
    void InvalidateControl() override {}
    void EnableButton(int, bool) override {}
    ColourRef GetDisplayedColour(int x, int y) override { return screen_.GetPixel(x, y); }
    void SetCursor(BoardCursor) override {}
    void FireOnInitImage() override {}
    void ShowMessage(const std::string&) override {}
    std::unique_ptr<DeviceContext> RunPrintDialog() override { return nullptr; }
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

}  // namespace
}  // namespace kolo

BENCHMARK_MAIN();
