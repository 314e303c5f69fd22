// Line drawings made ready for the canvas and coloured. The fit that keeps line pixels is set
// beside the mean-only fit it replaced, on a page a little larger than the canvas (608 × 472)
// and on a 4000 × 3000 one; the fill with gap closing (2 pixels) beside the plain fill on the
// canvas of the large page, from the same clicks: a shape and the paper around the shapes. And
// two 1 MB SVG pages drawn at their size on the canvas by our own reader, beside the same
// drawing through librsvg (two bands, each parsing the page) and the drawing on one thread at a
// whole multiple of the fit that came before: curves drawn as 1-unit lines, and a traced
// drawing, filled outlines of cubic curves. These are timed on the wall clock, as a child
// waits for them; the CPU column is then the whole program's, both threads.
//
// The pages are drawn with anti-aliased lines by tests/support/make_line_art.py into the
// temporary folder.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/FitPeer.h"
#include "bench/PeerRatios.h"
#ifdef KOLO_HAVE_SVG
#include "bench/SvgPeer.h"
#include "sources/SvgReader.h"
#endif
#include "image/DibImage.h"
#include "sources/PictureFile.h"

namespace kolo::bench {
namespace {

constexpr std::int32_t kCanvasWidth = 572;
constexpr std::int32_t kCanvasHeight = 452;
constexpr int kRepetitions = 5;
constexpr int kThresholdLevel = kLineLevel;   // as the board thresholds its canvas

struct Pages {
    CDibImage small, large;   // 608 × 472 and 4000 × 3000
    CDibImage canvas;         // the large page fitted and thresholded
    std::int32_t shapeX = 0, shapeY = 0;   // canvas point inside the large page's first shape

    static const Pages& Get() {
        static const Pages pages;
        return pages;
    }

private:
    Pages() {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kolo-bench-line-art";
        const std::string command = "/usr/bin/python3 " KOLO_TEST_SUPPORT_DIR "/make_line_art.py " +
                                    dir.string() + " 608x472,4000x3000";
        if (std::system(command.c_str()) != 0) std::abort();
        if (!LoadFile(small, (dir / "art00-1.png").string()) ||
            !LoadFile(large, (dir / "art01-1.png").string())) {
            std::abort();
        }
        canvas = large.FittedInto(kCanvasWidth, kCanvasHeight);
        canvas.Threshold(kThresholdLevel);
        canvas.SetOutlineColour(0, 0, 0);
        // The first click listed after the large page's first line.
        std::ifstream manifest(dir / "pages.txt");
        std::string word, name;
        while (manifest >> word) {
            if (word == "page") {
                manifest >> name;
            } else if (word == "click" && name == "art01-1.png") {
                std::int32_t x = 0, y = 0;
                manifest >> x >> y;
                const FitSize fit = FitInside(large.Width(), large.Height(), kCanvasWidth, kCanvasHeight);
                shapeX = (kCanvasWidth - fit.width) / 2 + x * fit.width / large.Width();
                shapeY = (kCanvasHeight - fit.height) / 2 + y * fit.height / large.Height();
                break;
            }
        }
    }
};

void Register(const std::string& name, void (*run)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name.c_str(), run)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(false);
}

template <bool kKeepLines>
void Fit(benchmark::State& state, const CDibImage& page) {
    for (auto _ : state) {
        CDibImage fitted = kKeepLines ? page.FittedInto(kCanvasWidth, kCanvasHeight)
                                      : MeanFittedInto(page, kCanvasWidth, kCanvasHeight);
        benchmark::DoNotOptimize(fitted.Pixels());
    }
}
void FitSmall(benchmark::State& s) { Fit<true>(s, Pages::Get().small); }
void FitSmallMean(benchmark::State& s) { Fit<false>(s, Pages::Get().small); }
void FitLarge(benchmark::State& s) { Fit<true>(s, Pages::Get().large); }
void FitLargeMean(benchmark::State& s) { Fit<false>(s, Pages::Get().large); }

// One fill on a fresh copy of the canvas; the copy is not timed.
void Fill(benchmark::State& state, std::int32_t x, std::int32_t y, int closeGaps) {
    const CDibImage& pristine = Pages::Get().canvas;
    CDibImage canvas = pristine;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(canvas.Pixels(), pristine.Pixels(), pristine.PixelBlock().Size());
        state.ResumeTiming();
        Rect changed;
        if (canvas.FloodFill(x, y, 255, 0, 132, changed, closeGaps) == 0) {
            state.SkipWithError("the click fills nothing");
            break;
        }
        benchmark::DoNotOptimize(canvas.Pixels());
    }
}
void FillShapeGaps(benchmark::State& s) { Fill(s, Pages::Get().shapeX, Pages::Get().shapeY, 2); }
void FillShapePlain(benchmark::State& s) { Fill(s, Pages::Get().shapeX, Pages::Get().shapeY, 0); }
void FillPaperGaps(benchmark::State& s) { Fill(s, 1, 1, 2); }
void FillPaperPlain(benchmark::State& s) { Fill(s, 1, 1, 0); }

#ifdef KOLO_HAVE_SVG
// A 2000 × 1500 page of 1 MB of curves: a few hundred long closed runs of curves, drawn with
// 1-pixel lines.
const std::string& CurvesPage() {
    static const std::string page = [] {
        std::mt19937 random(22);
        std::uniform_real_distribution<double> at(0, 1);
        std::string text = R"(<svg xmlns="http://www.w3.org/2000/svg" width="2000" height="1500">)"
                           R"(<g fill="none" stroke="#000" stroke-width="1">)";
        char step[96];
        while (text.size() < 1000000) {
            double x = 2000 * at(random), y = 1500 * at(random);
            std::snprintf(step, sizeof step, R"(<path d="M%.1f %.1f)", x, y);
            text += step;
            for (int i = 0; i < 60; ++i) {
                const double nx = x + 40 * (at(random) - 0.5), ny = y + 40 * (at(random) - 0.5);
                std::snprintf(step, sizeof step, " Q%.1f %.1f %.1f %.1f", (x + nx) / 2 + 5, (y + ny) / 2 - 5, nx, ny);
                text += step;
                x = nx;
                y = ny;
            }
            text += R"( Z"/>)";
        }
        return text + "</g></svg>";
    }();
    return page;
}

// A 2000 × 1500 page of 1 MB as a tracer writes a scanned drawing: each line of the drawing a
// filled outline, its outer edge and its inner edge (the other way round) as runs of relative
// cubic curves in one path, filled black, nothing stroked.
const std::string& TracedPage() {
    static const std::string page = [] {
        constexpr double kPi = 3.14159265358979;
        constexpr int kSegments = 48;       // curves around each edge
        constexpr double kThickness = 5;    // units between the outer and the inner edge
        std::mt19937 random(23);
        std::uniform_real_distribution<double> at(0, 1);
        std::string text = R"(<svg xmlns="http://www.w3.org/2000/svg" width="2000" height="1500">)"
                           R"(<g fill="#000" stroke="none">)";
        char step[128];
        while (text.size() < 1000000) {
            const double cx = 2000 * at(random), cy = 1500 * at(random), radius = 20 + 100 * at(random);
            double wobble[kSegments];
            for (double& w : wobble) w = 1 + 0.25 * (at(random) - 0.5);
            text += "<path d=\"";
            for (const double edge : {radius, radius - kThickness}) {
                const int turn = edge == radius ? 1 : -1;
                double x = cx + edge * wobble[0], y = cy;
                std::snprintf(step, sizeof step, "M%.2f %.2f", x, y);
                text += step;
                for (int i = 1; i <= kSegments; ++i) {
                    const double a = turn * 2 * kPi * i / kSegments, r = edge * wobble[i % kSegments];
                    const double nx = cx + r * std::cos(a), ny = cy + r * std::sin(a);
                    // Control points a third of the way along the tangents, as a circle's are.
                    const double t = turn * 2 * kPi * r / kSegments / 3;
                    std::snprintf(step, sizeof step, "c%.2f %.2f %.2f %.2f %.2f %.2f",
                                  -t * std::sin(a - turn * 2 * kPi / kSegments) + 0.0, 0.0 + t * std::cos(a - turn * 2 * kPi / kSegments),
                                  nx - x + t * std::sin(a), ny - y - t * std::cos(a), nx - x, ny - y);
                    text += step;
                    x = nx;
                    y = ny;
                }
                text += "z";
            }
            text += "\"/>";
        }
        return text + "</g></svg>";
    }();
    return page;
}

using SvgLoader = int (*)(CDibImage&, const std::uint8_t*, std::size_t, std::int32_t, std::int32_t);

void DrawSvg(benchmark::State& state, const std::string& page, SvgLoader load) {
    for (auto _ : state) {
        CDibImage image;
        if (!load(image, reinterpret_cast<const std::uint8_t*>(page.data()), page.size(), kCanvasWidth,
                  kCanvasHeight)) {
            state.SkipWithError("the page did not draw");
            break;
        }
        benchmark::DoNotOptimize(image.Pixels());
    }
}
void SvgCurves(benchmark::State& s) { DrawSvg(s, CurvesPage(), LoadSvgBytesToFit); }
void SvgCurvesBefore(benchmark::State& s) { DrawSvg(s, CurvesPage(), LoadSvgBytesToFitBefore); }
int LoadWithLibrsvg(CDibImage& image, const std::uint8_t* data, std::size_t size, std::int32_t width,
                    std::int32_t height) {
    return LoadSvgBytesToFitWithLibrsvg(image, data, size, width, height, kSvgThreads);
}
void SvgCurvesLibrsvg(benchmark::State& s) { DrawSvg(s, CurvesPage(), LoadWithLibrsvg); }
void SvgTracedLibrsvg(benchmark::State& s) { DrawSvg(s, TracedPage(), LoadWithLibrsvg); }
void SvgTraced(benchmark::State& s) { DrawSvg(s, TracedPage(), LoadSvgBytesToFit); }
void SvgTracedBefore(benchmark::State& s) { DrawSvg(s, TracedPage(), LoadSvgBytesToFitBefore); }

void RegisterSvg(const std::string& name, void (*run)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name.c_str(), run)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(false)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
}
#endif

}  // namespace
}  // namespace kolo::bench

int main(int argc, char** argv) {
    using namespace kolo::bench;
    Register("fit 608x472/kolo", FitSmall);
    Register("fit 608x472/mean_only_before", FitSmallMean);
    Register("fit 4000x3000/kolo", FitLarge);
    Register("fit 4000x3000/mean_only_before", FitLargeMean);
    Register("fill a shape, close gaps 2/kolo", FillShapeGaps);
    Register("fill a shape, close gaps 2/close_gaps_0", FillShapePlain);
    Register("fill the paper, close gaps 2/kolo", FillPaperGaps);
    Register("fill the paper, close gaps 2/close_gaps_0", FillPaperPlain);
#ifdef KOLO_HAVE_SVG
    RegisterSvg("svg 1 MB page to canvas/kolo", SvgCurves);
    RegisterSvg("svg 1 MB page to canvas/before", SvgCurvesBefore);
    RegisterSvg("svg 1 MB page to canvas/librsvg", SvgCurvesLibrsvg);
    RegisterSvg("svg 1 MB traced page to canvas/kolo", SvgTraced);
    RegisterSvg("svg 1 MB traced page to canvas/before", SvgTracedBefore);
    RegisterSvg("svg 1 MB traced page to canvas/librsvg", SvgTracedLibrsvg);
#endif
    return RunWithRatios(argc, argv);
}
