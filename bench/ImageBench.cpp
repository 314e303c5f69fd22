// Image operations on canvas-sized pictures, each beside a memcpy of the same pixel buffer
// as the yardstick, so results can be read as ratios measured in one run. The fill and the
// resize are measured beside their peers in PeerBench.cpp.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/DibImage.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

constexpr std::int32_t kCanvasWidth = 572;
constexpr std::int32_t kCanvasHeight = 452;

void CopyBuffer(benchmark::State& state, std::int32_t width, std::int32_t height) {
    const std::size_t bytes = Stride24(width) * height;
    std::vector<std::uint8_t> source(bytes, 0x5A);
    std::vector<std::uint8_t> target(bytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_MemcpyCanvas(benchmark::State& state) { CopyBuffer(state, kCanvasWidth, kCanvasHeight); }
void BM_Memcpy800x600(benchmark::State& state) { CopyBuffer(state, 800, 600); }

// A grey line drawing stands in for a loaded picture.
CDibImage MakePicture(std::int32_t width, std::int32_t height) {
    CDibImage picture = test::MakeImage(width, height, test::kWhite);
    for (std::int32_t y = 0; y < height; y += 16) {
        test::FillRectAt(picture, 0, y, width, y + 2, RgbColour{60, 60, 60});
    }
    for (std::int32_t x = 0; x < width; x += 24) {
        test::FillRectAt(picture, x, 0, x + 2, height, RgbColour{120, 120, 120});
    }
    return picture;
}

void BM_Threshold(benchmark::State& state) {
    CDibImage picture = MakePicture(kCanvasWidth, kCanvasHeight);
    for (auto _ : state) {
        picture.Threshold(168);
        benchmark::ClobberMemory();
    }
}

void BM_ComposeOnto(benchmark::State& state) {
    const CDibImage picture = MakePicture(kCanvasWidth, kCanvasHeight);
    CDibImage canvas = picture;
    canvas.Threshold(168);
    canvas.FloodFill(5, 5, 255, 0, 132);
    CDibImage target = picture;
    for (auto _ : state) {
        benchmark::DoNotOptimize(canvas.ComposeOnto(target));
        benchmark::ClobberMemory();
    }
}

void BM_OverlayOnto(benchmark::State& state) {
    const CDibImage frame = MakePicture(kCanvasWidth, kCanvasHeight);
    CDibImage target = test::MakeImage(kCanvasWidth, kCanvasHeight, test::kBlack);
    for (auto _ : state) {
        benchmark::DoNotOptimize(frame.OverlayOnto(255, 255, 255, target));
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_MemcpyCanvas);
BENCHMARK(BM_Memcpy800x600);
BENCHMARK(BM_Threshold)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComposeOnto)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OverlayOnto)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kolo

BENCHMARK_MAIN();
