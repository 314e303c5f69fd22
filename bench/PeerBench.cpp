// The flood fill and the resize beside their peers, on the same inputs in the same process:
// OpenCV's floodFill and resize with INTER_AREA (when the build found OpenCV, run on one
// thread as Kolo is) and a plain queue fill. Inputs: an empty canvas, the bundled line
// drawings (their largest areas, filled in turn) at the canvas's size and at four times it,
// and a comb and an H-tree of one-pixel corridors. Run with --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// so that peers take turns; the ratios are printed after the table.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/BenchPictures.h"
#include "bench/PeerRatios.h"
#include "image/DibImage.h"
#include "tests/support/TestImages.h"

#ifdef KOLO_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace kolo::bench {
namespace {

constexpr RgbColour kPink{255, 0, 132};
constexpr RgbColour kGreen{0, 153, 0};
constexpr double kFillMinTime = 0.2;   // seconds a repetition runs at least

struct FillInput {
    std::string name;
    CDibImage canvas;
    std::vector<Seed> seeds;
};

std::vector<FillInput> FillInputs() {
    std::vector<FillInput> inputs;
    const Seed centre{kCanvasWidth / 2, kCanvasHeight / 2, 0};
    inputs.push_back({"empty canvas", test::MakeImage(kCanvasWidth, kCanvasHeight, test::kWhite), {centre}});
    for (const Drawing& d : SampleDrawings()) inputs.push_back({d.name, d.canvas, d.regions});
    // The board at its most detail: the drawings fitted at four times the canvas, as a large
    // screen or a print holds them.
    for (const Drawing& d : SampleDrawings()) {
        CDibImage canvas = d.picture.Resized(kMaxDetail * kCanvasWidth, kMaxDetail * kCanvasHeight);
        canvas.SetOutlineColour(0, 0, 0);
        canvas.Threshold(kLineLevel);
        std::vector<Seed> seeds = WhiteAreas(canvas);
        if (seeds.size() > static_cast<std::size_t>(kRegionsPerDrawing)) seeds.resize(kRegionsPerDrawing);
        inputs.push_back({d.name + " at 4x", std::move(canvas), std::move(seeds)});
    }
    inputs.push_back({"comb", test::MakeComb(kCanvasWidth, kCanvasHeight), {centre}});
    inputs.push_back({"H-tree", test::MakeHTree(kCanvasWidth, kCanvasHeight), {centre}});
    return inputs;
}

// Every seed's area is filled once an iteration, alternating between two colours so that
// each fill recolours its whole area and no copy of the picture is timed.
template <typename Fill>
void FillInTurn(benchmark::State& state, const FillInput& input, Fill fill) {
    CDibImage canvas = input.canvas;
    bool pink = true;
    for (auto _ : state) {
        for (const Seed& seed : input.seeds) fill(canvas, seed, pink ? kPink : kGreen);
        pink = !pink;
        benchmark::ClobberMemory();
    }
}

void KoloFill(CDibImage& canvas, const Seed& seed, RgbColour c) {
    benchmark::DoNotOptimize(canvas.FloodFill(seed.x, seed.y, c.red, c.green, c.blue));
}

#ifdef KOLO_HAVE_OPENCV
// The image's own rows seen by OpenCV; they are bottom-up, so a point's row is counted from
// the bottom as the image counts it.
cv::Mat Wrap(CDibImage& image) {
    return cv::Mat(image.Height(), image.Width(), CV_8UC3, image.Pixels(), image.Stride());
}

void OpenCvFill(CDibImage& canvas, const Seed& seed, RgbColour c) {
    cv::Mat mat = Wrap(canvas);
    const cv::Point point(seed.x, canvas.Height() - 1 - seed.y);
    benchmark::DoNotOptimize(
        cv::floodFill(mat, point, cv::Scalar(c.blue, c.green, c.red), nullptr, cv::Scalar(),
                      cv::Scalar(), 4));
}
#endif

void RegisterFills() {
    static const std::vector<FillInput> inputs = FillInputs();
    for (const FillInput& input : inputs) {
        const std::string name = "fill/" + input.name + "/";
        benchmark::RegisterBenchmark((name + "kolo").c_str(), [&input](benchmark::State& s) {
            FillInTurn(s, input, KoloFill);
        })->Unit(benchmark::kMicrosecond)->MinTime(kFillMinTime);
#ifdef KOLO_HAVE_OPENCV
        benchmark::RegisterBenchmark((name + "opencv").c_str(), [&input](benchmark::State& s) {
            FillInTurn(s, input, OpenCvFill);
        })->Unit(benchmark::kMicrosecond)->MinTime(kFillMinTime);
#endif
        benchmark::RegisterBenchmark((name + "queue").c_str(), [&input](benchmark::State& s) {
            std::vector<QueuePoint> queue;
            queue.reserve(static_cast<std::size_t>(input.canvas.Width()) * input.canvas.Height());
            FillInTurn(s, input, [&queue](CDibImage& canvas, const Seed& seed, RgbColour c) {
                PlainQueueFill(canvas, seed.x, seed.y, c, queue);
            });
        })->Unit(benchmark::kMicrosecond)->MinTime(kFillMinTime);
    }
}

struct ResizeCase {
    std::string name;
    std::int32_t fromWidth, fromHeight, toWidth, toHeight;
};

// A real drawing brought to the starting size, so both sides scale the same pixels.
CDibImage ResizeSource(const ResizeCase& c) {
    CDibImage picture = SampleDrawings().front().picture;
    picture.Resize(c.fromWidth, c.fromHeight);
    return picture;
}

void RegisterResizes() {
    static const std::vector<ResizeCase> cases = {
        {"resize 286x226 to 572x452", 286, 226, kCanvasWidth, kCanvasHeight},
        {"resize 572x452 to 174x158", kCanvasWidth, kCanvasHeight, 174, 158},
    };
    for (const ResizeCase& c : cases) {
        const std::string name = c.name + "/";
        benchmark::RegisterBenchmark((name + "kolo").c_str(), [&c](benchmark::State& state) {
            const CDibImage source = ResizeSource(c);
            for (auto _ : state) {
                state.PauseTiming();
                CDibImage image = source;
                state.ResumeTiming();
                image.Resize(c.toWidth, c.toHeight);
                benchmark::DoNotOptimize(image.Pixels());
            }
        })->Unit(benchmark::kMicrosecond);
#ifdef KOLO_HAVE_OPENCV
        benchmark::RegisterBenchmark((name + "opencv").c_str(), [&c](benchmark::State& state) {
            CDibImage source = ResizeSource(c);
            const cv::Mat from = Wrap(source);
            cv::Mat to;
            for (auto _ : state) {
                cv::resize(from, to, cv::Size(c.toWidth, c.toHeight), 0, 0, cv::INTER_AREA);
                benchmark::DoNotOptimize(to.data);
            }
        })->Unit(benchmark::kMicrosecond);
#endif
    }
}

}  // namespace
}  // namespace kolo::bench

int main(int argc, char** argv) {
#ifdef KOLO_HAVE_OPENCV
    cv::setNumThreads(1);
#endif
    kolo::bench::RegisterFills();
    kolo::bench::RegisterResizes();
    return kolo::bench::RunWithRatios(argc, argv);
}
