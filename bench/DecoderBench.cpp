// The picture loaders beside their peers, measured in one run so that results read as
// ratios: LoadGif against giflib's DGifSlurp plus the same expansion to 24-bit rows, LoadJpeg
// against a bare libjpeg-turbo decode with the same quantization, LoadPng against libpng's own
// png_read_image to RGB rows, LoadBmp on its own (run-length encoded beside uncompressed).
// Inputs are written at build time by tests/sources/make_conformance.py.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <malloc.h>
#include <jpeglib.h>
#include <png.h>

#include "bench/JpegPeer.h"
#include "image/DibImage.h"
#include "sources/BmpReader.h"
#include "sources/GifReader.h"
#include "sources/JpegReader.h"
#include "sources/PngReader.h"

namespace kolo {
namespace {

// The machine is shared, so each benchmark is repeated and its fastest run reported beside
// the median: the minimum is the figure least disturbed by other work.
#define KOLO_DECODER_BENCHMARK(fn)                                                         \
    BENCHMARK(fn)                                                                          \
        ->Unit(benchmark::kMillisecond)                                                    \
        ->Repetitions(5)                                                                   \
        ->ReportAggregatesOnly(true)                                                       \
        ->ComputeStatistics("min", [](const std::vector<double>& v) {                      \
            return *std::min_element(v.begin(), v.end());                                  \
        })

std::string Input(const char* name) { return std::string(KOLO_BENCH_INPUTS) + "/" + name; }

void LoadGifFile(benchmark::State& state, const char* name) {
    const std::string path = Input(name);
    CDibImage image;   // the board loads into images it keeps, as here
    for (auto _ : state) {
        if (!LoadGif(image, path)) state.SkipWithError("LoadGif failed");
        benchmark::DoNotOptimize(image.Pixels());
    }
}

// The peer: giflib reads the whole file, then its first image becomes 24-bit bottom-up rows
// in a zeroed buffer of the same layout as an image's, through the local or global map.
void GiflibFile(benchmark::State& state, const char* name) {
    const std::string path = Input(name);
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
        if (gif == nullptr || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
            state.SkipWithError("giflib failed");
            break;
        }
        const SavedImage& first = gif->SavedImages[0];
        const int width = first.ImageDesc.Width;
        const int height = first.ImageDesc.Height;
        const ColorMapObject* map = first.ImageDesc.ColorMap ? first.ImageDesc.ColorMap : gif->SColorMap;
        const std::size_t stride = Stride24(width);
        auto* rows = static_cast<std::uint8_t*>(std::calloc(stride * height, 1));
        for (int i = 0; i < height; ++i) {
            const GifByteType* src = first.RasterBits + static_cast<std::size_t>(height - 1 - i) * width;
            std::uint8_t* dst = rows + stride * i;
            for (int j = 0; j < width; ++j, dst += 3) {
                const GifColorType& c = map->Colors[src[j] < map->ColorCount ? src[j] : 0];
                dst[0] = c.Blue;
                dst[1] = c.Green;
                dst[2] = c.Red;
            }
        }
        benchmark::DoNotOptimize(rows);
        std::free(rows);
        DGifCloseFile(gif, &error);
    }
}

void BM_LoadGif_572x452(benchmark::State& s) { LoadGifFile(s, "bench_572x452.gif"); }
void BM_Giflib_572x452(benchmark::State& s) { GiflibFile(s, "bench_572x452.gif"); }
void BM_LoadGif_572x452_Interlaced(benchmark::State& s) { LoadGifFile(s, "bench_572x452_interlaced.gif"); }
void BM_Giflib_572x452_Interlaced(benchmark::State& s) { GiflibFile(s, "bench_572x452_interlaced.gif"); }
void BM_LoadGif_2000x1500(benchmark::State& s) { LoadGifFile(s, "bench_2000x1500.gif"); }
void BM_Giflib_2000x1500(benchmark::State& s) { GiflibFile(s, "bench_2000x1500.gif"); }
void BM_LoadGif_2000x1500_Interlaced(benchmark::State& s) { LoadGifFile(s, "bench_2000x1500_interlaced.gif"); }
void BM_Giflib_2000x1500_Interlaced(benchmark::State& s) { GiflibFile(s, "bench_2000x1500_interlaced.gif"); }
KOLO_DECODER_BENCHMARK(BM_LoadGif_572x452);
KOLO_DECODER_BENCHMARK(BM_Giflib_572x452);
KOLO_DECODER_BENCHMARK(BM_LoadGif_572x452_Interlaced);
KOLO_DECODER_BENCHMARK(BM_Giflib_572x452_Interlaced);
KOLO_DECODER_BENCHMARK(BM_LoadGif_2000x1500);
KOLO_DECODER_BENCHMARK(BM_Giflib_2000x1500);
KOLO_DECODER_BENCHMARK(BM_LoadGif_2000x1500_Interlaced);
KOLO_DECODER_BENCHMARK(BM_Giflib_2000x1500_Interlaced);

void LoadJpegFile(benchmark::State& state, const char* name) {
    const std::string path = Input(name);
    CDibImage image;   // the board loads into images it keeps, as here
    for (auto _ : state) {
        if (!LoadJpeg(image, path)) state.SkipWithError("LoadJpeg failed");
        benchmark::DoNotOptimize(image.Pixels());
    }
}

// The peer reads the same file the decoder does.
bool BareDecode(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    const bool decoded =
        bench::PeerJpegDecode([file](jpeg_decompress_struct& cinfo) { jpeg_stdio_src(&cinfo, file); });
    std::fclose(file);
    return decoded;
}

void BareJpegFile(benchmark::State& state, const char* name) {
    const std::string path = Input(name);
    for (auto _ : state) {
        if (!BareDecode(path.c_str())) state.SkipWithError("bare decode failed");
    }
}

void BM_LoadJpeg_Photo1024x768(benchmark::State& s) { LoadJpegFile(s, "bench_photo_1024x768.jpg"); }
void BM_BareJpeg_Photo1024x768(benchmark::State& s) { BareJpegFile(s, "bench_photo_1024x768.jpg"); }
void BM_LoadJpeg_Drawing1024x768(benchmark::State& s) { LoadJpegFile(s, "bench_drawing_1024x768.jpg"); }
void BM_BareJpeg_Drawing1024x768(benchmark::State& s) { BareJpegFile(s, "bench_drawing_1024x768.jpg"); }
KOLO_DECODER_BENCHMARK(BM_LoadJpeg_Photo1024x768);
KOLO_DECODER_BENCHMARK(BM_BareJpeg_Photo1024x768);
KOLO_DECODER_BENCHMARK(BM_LoadJpeg_Drawing1024x768);
KOLO_DECODER_BENCHMARK(BM_BareJpeg_Drawing1024x768);

void LoadBmpFile(benchmark::State& state, const char* name) {
    const std::string path = Input(name);
    CDibImage image;   // the board loads into images it keeps, as here
    for (auto _ : state) {
        if (!LoadBmp(image, path)) state.SkipWithError("LoadBmp failed");
        benchmark::DoNotOptimize(image.Pixels());
    }
}

void BM_LoadBmp_572x452_8bit(benchmark::State& s) { LoadBmpFile(s, "bench_572x452_8bit.bmp"); }
void BM_LoadBmp_572x452_24bit(benchmark::State& s) { LoadBmpFile(s, "bench_572x452_24bit.bmp"); }
void BM_LoadBmp_572x452_Rle8(benchmark::State& s) { LoadBmpFile(s, "bench_572x452_rle8.bmp"); }
KOLO_DECODER_BENCHMARK(BM_LoadBmp_572x452_8bit);
KOLO_DECODER_BENCHMARK(BM_LoadBmp_572x452_Rle8);
KOLO_DECODER_BENCHMARK(BM_LoadBmp_572x452_24bit);

void LoadPngFile(benchmark::State& state, const char* name) {
    const std::string path = Input(name);
    CDibImage image;   // the board loads into images it keeps, as here
    for (auto _ : state) {
        if (!LoadPng(image, path)) state.SkipWithError("LoadPng failed");
        benchmark::DoNotOptimize(image.Pixels());
    }
}

// The peer: libpng alone reading the file into 8-bit RGB rows of a zeroed buffer laid out as an
// image's, through png_read_image.
bool LibpngDecode(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::uint8_t* volatile rows = nullptr;
    png_bytepp volatile pointers = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::free(rows);
        std::free(pointers);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t stride = Stride24(static_cast<std::int32_t>(width));
    rows = static_cast<std::uint8_t*>(std::calloc(stride * height, 1));
    pointers = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    for (png_uint_32 k = 0; k < height; ++k) pointers[k] = rows + stride * k;
    png_read_image(png, pointers);
    benchmark::DoNotOptimize(rows[0]);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(rows);
    std::free(pointers);
    std::fclose(file);
    return true;
}

void LibpngFile(benchmark::State& state, const char* name) {
    const std::string path = Input(name);
    for (auto _ : state) {
        if (!LibpngDecode(path.c_str())) state.SkipWithError("libpng failed");
    }
}

void BM_LoadPng_572x452(benchmark::State& s) { LoadPngFile(s, "bench_drawing_572x452.png"); }
void BM_Libpng_572x452(benchmark::State& s) { LibpngFile(s, "bench_drawing_572x452.png"); }
void BM_LoadPng_2000x1500(benchmark::State& s) { LoadPngFile(s, "bench_drawing_2000x1500.png"); }
void BM_Libpng_2000x1500(benchmark::State& s) { LibpngFile(s, "bench_drawing_2000x1500.png"); }
KOLO_DECODER_BENCHMARK(BM_LoadPng_572x452);
KOLO_DECODER_BENCHMARK(BM_Libpng_572x452);
KOLO_DECODER_BENCHMARK(BM_LoadPng_2000x1500);
KOLO_DECODER_BENCHMARK(BM_Libpng_2000x1500);

}  // namespace
}  // namespace kolo

// glibc returns freed memory at the top of the heap to the system once more than twice the
// last large block lies free there; the decoders each free a few megabytes per iteration, so
// the default would time the kernel mapping the same pages again and again rather than the
// decoding. Both thresholds are held at one fixed value for every benchmark, peers included;
// run with KOLO_BENCH_DEFAULT_MALLOC=1 to see the default behaviour.
int main(int argc, char** argv) {
    if (std::getenv("KOLO_BENCH_DEFAULT_MALLOC") == nullptr) {
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
