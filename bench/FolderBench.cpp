// Loading a folder of twenty pictures (BMP, GIF and JPEG; 572 × 452 and 2000 × 1500) from a
// Python server on 127.0.0.1, beside its parts measured alone on the same files: the
// transfers, the decoding and the scaling. What the whole load costs beyond the transfers and
// the decoding is the loader's own glue.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "board/ColouringBoard.h"
#include "platform/curl/CurlSession.h"
#include "platform/soft/BmpResources.h"
#include "platform/soft/ScreenContext.h"
#include "resources/EmbeddedResources.h"
#include "sources/PictureFile.h"
#include "tests/board/FakeBoardHost.h"
#include "tests/support/LocalServer.h"

namespace kolo {
namespace {

namespace fs = std::filesystem;

constexpr int kPictureCount = 20;

// The served folder, its server and a download folder, made once for every benchmark.
class ServedFolder {
public:
    static ServedFolder& Get() {
        static ServedFolder folder;
        return folder;
    }

    std::string Url() const { return server_->Url("/"); }
    const std::vector<std::string>& Names() const { return names_; }
    const fs::path& Site() const { return site_; }
    const fs::path& Downloads() const { return downloads_; }

private:
    ServedFolder() {
        root_ = fs::temp_directory_path() / ("kolo-folder-bench-" + std::to_string(getpid()));
        site_ = root_ / "site";
        downloads_ = root_ / "downloads";
        fs::create_directories(site_);
        fs::create_directories(downloads_);
        const std::string sizes[2][2] = {{"572", "452"}, {"2000", "1500"}};
        const std::string sources[3] = {"House.BMP", "sun.gif", "Tree.Jpg"};
        for (int s = 0; s < 2; ++s) {
            const fs::path made = root_ / ("made" + std::to_string(s));
            const std::string command = "/usr/bin/python3 " KOLO_TEST_SUPPORT_DIR "/make_folder.py " +
                                        made.string() + " " + sizes[s][0] + " " + sizes[s][1];
            if (std::system(command.c_str()) != 0) std::abort();
        }
        std::string page;
        for (int i = 0; i < kPictureCount; ++i) {
            const std::string& source = sources[i % 3];
            const std::string name = "p" + std::to_string(i) + source.substr(source.find('.'));
            fs::copy_file(root_ / ("made" + std::to_string(i % 2)) / source, site_ / name);
            names_.push_back(name);
            page += "<a href=\"" + name + "\">" + name + "</a>\n";
        }
        std::ofstream(site_ / "index.html") << page;
        server_ = std::make_unique<test::LocalServer>(test::PythonHttpServerCommand(site_.string()));
        if (!server_->Running()) std::abort();
    }
    ~ServedFolder() {
        server_.reset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    fs::path root_, site_, downloads_;
    std::vector<std::string> names_;
    std::unique_ptr<test::LocalServer> server_;
};

void BM_LoadFolder(benchmark::State& state) {
    ServedFolder& folder = ServedFolder::Get();
    ScreenContext screen(kBoardWidth, kBoardHeight);
    FakeBoardHost host(&screen);
    BmpResources resources(kEmbeddedResources, kEmbeddedResourceCount);
    ColouringBoard board(host, resources);
    SequentialFolderLoader loader([] { return std::make_unique<CurlSession>(); });
    board.SetFolderLoader(&loader);
    board.Initialise();
    for (auto _ : state) {
        board.SetImageURL(folder.Url());
        if (board.Pictures().size() != kPictureCount) state.SkipWithError("pictures missing");
    }
    state.counters["ms_per_picture"] = benchmark::Counter(
        kPictureCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TransfersAlone(benchmark::State& state) {
    ServedFolder& folder = ServedFolder::Get();
    for (auto _ : state) {
        CurlSession session;
        benchmark::DoNotOptimize(session.ReadPage(folder.Url()));
        for (const std::string& name : folder.Names()) {
            benchmark::DoNotOptimize(session.FetchPicture(folder.Url() + name));
        }
    }
}

void BM_DecodingAlone(benchmark::State& state) {
    ServedFolder& folder = ServedFolder::Get();
    for (auto _ : state) {
        for (const std::string& name : folder.Names()) {
            CDibImage picture;
            LoadFile(picture, (folder.Site() / name).string());
            benchmark::DoNotOptimize(picture.Pixels());
        }
    }
}

void BM_ScalingAlone(benchmark::State& state) {
    ServedFolder& folder = ServedFolder::Get();
    std::vector<CDibImage> decoded(folder.Names().size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        LoadFile(decoded[i], (folder.Site() / folder.Names()[i]).string());
    }
    for (auto _ : state) {
        for (const CDibImage& original : decoded) {
            state.PauseTiming();
            CDibImage picture = original;
            state.ResumeTiming();
            picture.Resize(572, 452);
            benchmark::DoNotOptimize(picture.Pixels());
        }
    }
}

BENCHMARK(BM_LoadFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TransfersAlone)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodingAlone)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ScalingAlone)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace kolo

BENCHMARK_MAIN();
