// The desktop window's costs: a fill and the redraw of the board scaled to twice its size (the
// board's paint, the copy into the window's image and the scaled drawing), and the restore of
// a picture's saved work of 200 fills. The copy of the screen into the window's image alone is
// measured beside them as the yardstick. Run with --benchmark_repetitions for min and median.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <vector>

#include "app/BoardView.h"
#include "app/SamplesFolder.h"
#include "control/Palette.h"
#include "control/SoftControl.h"
#include "platform/curl/CurlSession.h"

namespace kolo {
namespace {

constexpr int kWallX = 211, kWallY = 475;   // inside the house's wall
constexpr int kScale = 2;

SessionFactory Curl() {
    return [] { return std::make_unique<CurlSession>(); };
}

void OpenSamples(SoftControl& control) {
    control.onInitImage = [&control]() { control.Board().SetImageURL(SamplesFolderUrl()); };
    control.Create();
    control.WaitForFolder();
}

void FillAndRedrawAtTwice(benchmark::State& state) {
    SoftControl control(Curl());
    OpenSamples(control);
    // Detail 1 is the board's pixels enlarged; detail 2 what the window holds at this scale,
    // the canvas drawn from it at the window's own pixels.
    const int detail = static_cast<int>(state.range(0));
    control.Board().SetDetail(detail);
    control.Pump();
    const BoardPlacement placement = FitBoard(kBoardWidth * kScale, kBoardHeight * kScale);
    BoardView view;
    cairo_surface_t* window = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kBoardWidth * kScale,
                                                         kBoardHeight * kScale);
    cairo_t* cr = cairo_create(window);
    bool filled = false;
    for (auto _ : state) {
        // A fill, then its undo, which is a fill back: each pass recolours the wall.
        if (!filled) {
            control.Click(kWallX, kWallY);
        } else {
            control.Board().Undo();
            control.Pump();
        }
        filled = !filled;
        // As the window does: only the window pixels that show what changed are drawn.
        const RectList changed = view.Update(control.Screen(), control.TakeChanged());
        if (detail > 1) view.UpdateCanvas(control.Board(), placement, changed);
        cairo_save(cr);
        for (const Rect& part : changed) {
            const Rect area = ShownArea(placement, part);
            cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
        }
        cairo_clip(cr);
        view.Draw(cr, kBoardWidth * kScale, kBoardHeight * kScale);
        cairo_restore(cr);
        cairo_surface_flush(window);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(window));
    }
    cairo_destroy(cr);
    cairo_surface_destroy(window);
}

void ScreenIntoWindowImage(benchmark::State& state) {
    SoftControl control(Curl());
    OpenSamples(control);
    BoardView view;
    for (auto _ : state) view.Update(control.Screen(), RectList{kBoardRect});
}

void RestoreTwoHundredFills(benchmark::State& state) {
    SoftControl control(Curl());
    OpenSamples(control);
    ColouringBoard& board = control.Board();
    // Fills over the whole canvas in changing colours, until 200 have been recorded.
    int cell = 1;
    for (int y = 160; y < 605 && board.History().UndoEntries().size() < 200; y += 9) {
        for (int x = 35; x < 600 && board.History().UndoEntries().size() < 200; x += 13) {
            int px = 0, py = 0;
            PaletteCellCentre(cell, px, py);
            control.Click(px, py);
            cell = cell % (kPaletteCells - 1) + 1;
            control.Click(x, y);
        }
    }
    const std::vector<FillEntry> done = board.History().UndoEntries();
    if (done.size() < 200) state.SkipWithError("fewer than 200 fills recorded");
    for (auto _ : state) benchmark::DoNotOptimize(board.RestoreWork(done, {}));
    state.counters["fills"] = static_cast<double>(done.size());
}

double Min(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

BENCHMARK(FillAndRedrawAtTwice)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Min);
BENCHMARK(ScreenIntoWindowImage)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Min);
BENCHMARK(RestoreTwoHundredFills)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Min);

}  // namespace
}  // namespace kolo

BENCHMARK_MAIN();
