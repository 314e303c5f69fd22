// The core's hot paths timed the same way in the native build and in the WebAssembly build
// run under Node, so that scripts/bench-web can set the two side by side in one run: a fill
// of an empty canvas, and GIF and JPEG decodes of bundled drawings from bytes in memory.
// Google Benchmark is not built for WebAssembly, so the timing loop is this file's own: each
// sample times a batch long enough (about 20 ms) for the clock, and every sample is printed.
//
//   web_peer_bench [--samples=N]     one line per case: its name, then N milliseconds per run
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "sources/GifReader.h"
#include "sources/JpegReader.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

constexpr std::int32_t kCanvasWidth = 572;   // the board's canvas
constexpr std::int32_t kCanvasHeight = 452;

std::vector<std::uint8_t> Sample(const char* name) {
    std::ifstream in(std::string(KOLO_SAMPLES_DIR) + "/" + name, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    if (bytes.empty()) {
        std::fprintf(stderr, "web_peer_bench: cannot read %s\n", name);
        std::exit(1);
    }
    return bytes;
}

double Milliseconds(const std::function<void()>& run, int times) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < times; ++i) run();
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / times;
}

void Measure(const char* name, const std::function<void()>& run, int samples) {
    run();   // warm: first-touch pages and lazily made tables stay out of the figures
    const double once = std::max(Milliseconds(run, 1), 1e-3);
    const int batch = std::max(1, static_cast<int>(20.0 / once));
    std::printf("%s", name);
    for (int i = 0; i < samples; ++i) std::printf(" %.6f", Milliseconds(run, batch));
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace
}  // namespace kolo

int main(int argc, char** argv) {
    using namespace kolo;
    int samples = 15;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--samples=", 10) == 0) samples = std::max(1, std::atoi(argv[i] + 10));
    }

    // Every fill recolours the whole canvas: the colour alternates.
    CDibImage canvas = test::MakeImage(kCanvasWidth, kCanvasHeight, test::kWhite);
    bool odd = false;
    Measure("fill an empty canvas", [&] {
        odd = !odd;
        canvas.FloodFill(5, 5, odd ? 255 : 0, 0, 132);
    }, samples);

    struct Decode {
        const char* name;
        const char* file;
        int (*load)(CDibImage&, const std::uint8_t*, std::size_t);
    };
    for (const Decode& decode : {Decode{"decode GIF sun.gif", "sun.gif", LoadGifBytes},
                                 Decode{"decode GIF fish.gif", "fish.gif", LoadGifBytes},
                                 Decode{"decode JPEG flower.jpg", "flower.jpg", LoadJpegBytes},
                                 Decode{"decode JPEG rocket.jpg", "rocket.jpg", LoadJpegBytes}}) {
        const std::vector<std::uint8_t> bytes = Sample(decode.file);
        CDibImage image;   // the board decodes into images it keeps, as here
        Measure(decode.name, [&] {
            if (!decode.load(image, bytes.data(), bytes.size())) std::exit(2);
        }, samples);
    }
    return 0;
}
