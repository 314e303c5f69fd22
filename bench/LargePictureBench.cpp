// Large pictures as a folder load meets them: the bytes of a 4000 × 3000 picture already in
// memory, decoded into the image a loader keeps from one picture to the next. BMP and GIF
// loads are set beside a memcpy of the decoded pixels (the least any load into that memory
// can cost); the same loads into a fresh image each time show what the first picture of a
// folder pays for its new memory. A JPEG photograph made ready for the canvas (decoded,
// quantized, fitted) is set beside the same work on the full-size decode, as it was done
// before the library scaled for us, and beside the library alone decoding at the same scale
// with the same quantization.
//
// The pictures are written once by tests/support/make_large_folder.py into the temporary
// folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bench/JpegPeer.h"
#include "bench/PeerRatios.h"
#include "board/FolderPictures.h"
#include "image/DibImage.h"
#include "sources/FileStream.h"
#include "sources/JpegReader.h"
#include "sources/PictureFile.h"

namespace kolo::bench {
namespace {

constexpr std::int32_t kWidth = 4000;    // pixels
constexpr std::int32_t kHeight = 3000;
constexpr std::int32_t kCanvasWidth = 572;
constexpr std::int32_t kCanvasHeight = 452;
constexpr int kRepetitions = 5;

// The three pictures' bytes, made once.
struct LargePictures {
    std::vector<std::uint8_t> bmp, gif, jpg;

    static const LargePictures& Get() {
        static const LargePictures pictures;
        return pictures;
    }

private:
    LargePictures() {
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / "kolo-bench-large-pictures";
        const std::string command = "/usr/bin/python3 " KOLO_TEST_SUPPORT_DIR "/make_large_folder.py " +
                                    dir.string() + " 3 " + std::to_string(kWidth) + " " +
                                    std::to_string(kHeight) + " bmp,gif,jpg";
        if (std::system(command.c_str()) != 0) std::abort();
        bmp = Read(dir / "photo00.bmp");
        gif = Read(dir / "photo01.gif");
        jpg = Read(dir / "photo02.jpg");
    }
    static std::vector<std::uint8_t> Read(const std::filesystem::path& path) {
        MemoryBlock block;
        if (!ReadWholeFile(path.string(), kMaxPictureFileBytes, block)) std::abort();
        return std::vector<std::uint8_t>(block.Data(), block.Data() + block.Size());
    }
};

void Register(const std::string& name, void (*run)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name.c_str(), run)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(false);
}

// Loads `bytes` under `name` into an image kept across iterations, as a loader keeps its
// scratch image across the pictures of a folder; or into a fresh one each time.
void Load(benchmark::State& state, const std::vector<std::uint8_t>& bytes, const char* name,
          bool reuse) {
    CDibImage kept;
    for (auto _ : state) {
        CDibImage fresh;
        CDibImage& image = reuse ? kept : fresh;
        if (!LoadPictureBytes(image, bytes.data(), bytes.size(), name)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(image.Pixels());
        benchmark::ClobberMemory();
    }
}

// The yardstick: one copy of the decoded picture's pixels between two buffers already mapped.
void CopyDecodedPixels(benchmark::State& state) {
    const std::size_t bytes = Stride24(kWidth) * kHeight;
    std::vector<std::uint8_t> source(bytes, 0x5A), target(bytes, 0);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void BmpReused(benchmark::State& s) { Load(s, LargePictures::Get().bmp, "a.bmp", true); }
void BmpFresh(benchmark::State& s) { Load(s, LargePictures::Get().bmp, "a.bmp", false); }
void GifReused(benchmark::State& s) { Load(s, LargePictures::Get().gif, "a.gif", true); }
void GifFresh(benchmark::State& s) { Load(s, LargePictures::Get().gif, "a.gif", false); }

// A JPEG made ready for the canvas as a folder load does it.
void JpegPrepared(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = LargePictures::Get().jpg;
    PictureScratch scratch;
    for (auto _ : state) {
        CDibImage picture = PreparePicture(bytes.data(), bytes.size(), "a.jpg", kCanvasWidth,
                                           kCanvasHeight, &scratch);
        if (!picture.HasPicture()) state.SkipWithError("prepare failed");
        benchmark::DoNotOptimize(picture.Pixels());
    }
}

// The same from the full-size decode: the way it was done before.
void JpegFullSize(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = LargePictures::Get().jpg;
    CDibImage decoded;
    for (auto _ : state) {
        if (!LoadJpegBytes(decoded, bytes.data(), bytes.size())) state.SkipWithError("load failed");
        CDibImage picture = decoded.FittedInto(kCanvasWidth, kCanvasHeight);
        benchmark::DoNotOptimize(picture.Pixels());
    }
}

// The library alone at a quarter of the size (what covers the canvas for 4000 × 3000).
bool LibraryScaledDecode(const std::vector<std::uint8_t>& bytes) {
    return PeerJpegDecode(
        [&bytes](jpeg_decompress_struct& cinfo) {
            jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
        },
        2);
}

void JpegLibraryScaled(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = LargePictures::Get().jpg;
    for (auto _ : state) {
        if (!LibraryScaledDecode(bytes)) state.SkipWithError("decode failed");
    }
}

}  // namespace
}  // namespace kolo::bench

int main(int argc, char** argv) {
    using namespace kolo::bench;
    Register("bmp 4000x3000 load/kolo", BmpReused);
    Register("bmp 4000x3000 load/memcpy", CopyDecodedPixels);
    Register("bmp 4000x3000 load, fresh memory/kolo", BmpFresh);
    Register("bmp 4000x3000 load, fresh memory/memcpy", CopyDecodedPixels);
    Register("gif 4000x3000 load/kolo", GifReused);
    Register("gif 4000x3000 load/memcpy", CopyDecodedPixels);
    Register("gif 4000x3000 load, fresh memory/kolo", GifFresh);
    Register("gif 4000x3000 load, fresh memory/memcpy", CopyDecodedPixels);
    Register("jpeg 4000x3000 to canvas/kolo", JpegPrepared);
    Register("jpeg 4000x3000 to canvas/full_size_decode", JpegFullSize);
    Register("jpeg 4000x3000 to canvas/libjpeg_scaled_decode_alone", JpegLibraryScaled);
    return RunWithRatios(argc, argv);
}
