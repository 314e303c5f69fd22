// A folder of fifty JPEG photographs of 4000 × 3000 served by Python's server on 127.0.0.1,
// loaded by the threaded loader as a host would (results posted to a host thread that runs
// them one at a time and repaints after each), beside the sequential loader on the same
// folder. For each load: the time until the first picture is on the canvas and painted, the
// longest time the host's thread is busy at once (SetImageURL itself, then each delivered
// result with its repaint), the whole load, and the process's peak memory during the load
// above what it held before. After the table: min and median of each, the threaded load
// against the sequential one, and the peak against what the load needs to hold. Then a
// folder of ten small pictures and ten of 4000 × 3000 (BMP, GIF and JPEG) through the
// sequential loader: its peak memory against its need.
//
// The photographs are written once by tests/support/make_large_folder.py into the temporary
// folder (five distinct pictures, each served under ten names).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "board/ColouringBoard.h"
#include "board/ThreadedFolderLoader.h"
#include "platform/curl/CurlSession.h"
#include "platform/soft/BmpResources.h"
#include "platform/soft/ScreenContext.h"
#include "resources/EmbeddedResources.h"
#include "tests/board/FakeBoardHost.h"
#include "tests/support/LocalServer.h"

namespace kolo {
namespace {

namespace fs = std::filesystem;

constexpr int kPictureCount = 50;
constexpr std::int32_t kPhotoWidth = 4000;    // pixels
constexpr std::int32_t kPhotoHeight = 3000;
constexpr int kRepetitions = 3;
constexpr int kMixedRepetitions = 5;   // a load of the mixed folder takes well under a second
constexpr int kFirstPictureRepetitions = 5;
constexpr double kMegabyte = 1024.0 * 1024.0;

// Writes pictures with tests/support/make_large_folder.py: `arguments` after the folder.
void MakeLargeFolder(const fs::path& dest, const std::string& arguments) {
    const std::string command =
        "/usr/bin/python3 " KOLO_TEST_SUPPORT_DIR "/make_large_folder.py " + dest.string() + " " + arguments;
    if (std::system(command.c_str()) != 0) std::abort();
}

// A folder of pictures served over loopback for the whole run.
class ServedFolder {
public:
    explicit ServedFolder(const fs::path& site)
        : server_(std::make_unique<test::LocalServer>(test::PythonHttpServerCommand(site.string()))) {
        if (!server_->Running()) std::abort();
    }
    std::string Url() const { return server_->Url("/"); }

private:
    std::unique_ptr<test::LocalServer> server_;
};

// Fifty photographs of 4000 × 3000, five of them distinct.
const ServedFolder& LargeFolder() {
    static const ServedFolder folder([] {
        const fs::path site = fs::temp_directory_path() / "kolo-bench-photos-4000x3000";
        MakeLargeFolder(site, std::to_string(kPictureCount) + " " + std::to_string(kPhotoWidth) + " " +
                                  std::to_string(kPhotoHeight) + " jpg 5");
        return site;
    }());
    return folder;
}

// A field of /proc/self/status in megabytes.
double StatusMegabytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == field) {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024.0 / kMegabyte;
        }
    }
    return 0;
}
// Starts the peak resident size again from the present one.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

using Clock = std::chrono::steady_clock;
double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The host's thread: tasks posted by the loader, run one at a time.
class HostThread {
public:
    void Post(std::function<void()> task) {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
        posted_.notify_all();
    }
    std::function<void()> Next() {
        std::unique_lock<std::mutex> lock(mutex_);
        posted_.wait(lock, [this] { return !tasks_.empty(); });
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        return task;
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

// Every figure of every repetition, by name, for the summary after the table.
std::map<std::string, std::vector<double>>& Figures() {
    static std::map<std::string, std::vector<double>> figures;
    return figures;
}

// A board with its screen and host, as a host program makes one.
struct Host {
    ScreenContext screen{kBoardWidth, kBoardHeight};
    FakeBoardHost host{&screen};
    BmpResources resources{kEmbeddedResources, kEmbeddedResourceCount};
    ColouringBoard board{host, resources};
    const Rect bounds{0, 0, kBoardWidth, kBoardHeight};
    void Paint() { board.Paint(screen, bounds, bounds); }

    // Sets the board up to load with `loader` and starts the peak resident size again from
    // here; returns the resident size now, in MB.
    double Prepare(FolderLoader& loader) {
        board.SetFolderLoader(&loader);
        board.Initialise();
        Paint();
        const double resident = StatusMegabytes("VmRSS:");
        ResetPeak();
        return resident;
    }
};

void BM_LargeFolderThreaded(benchmark::State& state) {
    const ServedFolder& folder = LargeFolder();
    for (auto _ : state) {
        Host host;
        HostThread hostThread;
        ThreadedFolderLoader loader([] { return std::make_unique<CurlSession>(); },
                                    [&hostThread](std::function<void()> task) { hostThread.Post(std::move(task)); });
        const double before = host.Prepare(loader);
        const auto start = Clock::now();
        host.board.SetImageURL(folder.Url());
        host.Paint();
        double longest = Milliseconds(Clock::now() - start);
        double first = -1;
        while (host.board.IsLoading()) {
            std::function<void()> task = hostThread.Next();
            const auto begin = Clock::now();
            task();
            host.Paint();
            const auto end = Clock::now();
            longest = std::max(longest, Milliseconds(end - begin));
            if (first < 0 && host.board.SourcePicture().HasPicture()) first = Milliseconds(end - start);
        }
        const double whole = Milliseconds(Clock::now() - start);
        state.SetIterationTime(whole / 1000.0);
        if (host.board.Pictures().size() != kPictureCount) state.SkipWithError("pictures missing");
        Figures()["threaded: whole load, ms"].push_back(whole);
        Figures()["threaded: first picture, ms"].push_back(first);
        Figures()["threaded: longest host-thread task, ms"].push_back(longest);
        Figures()["threaded: peak memory above start, MB"].push_back(StatusMegabytes("VmHWM:") - before);
        state.counters["first_picture_ms"] = first;
        state.counters["longest_host_busy_ms"] = longest;
    }
    state.counters["workers"] = DefaultWorkerCount();
}

// The first picture of the same folder on the canvas and painted, the board held at detail
// 1 and 2 (a window on a screen of twice the scale): the time from SetImageURL until the
// host's thread has painted it, the rest of the load then abandoned.
void BM_FirstPictureAtDetail(benchmark::State& state) {
    const ServedFolder& folder = LargeFolder();
    const int detail = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Host host;
        HostThread hostThread;
        ThreadedFolderLoader loader([] { return std::make_unique<CurlSession>(); },
                                    [&hostThread](std::function<void()> task) { hostThread.Post(std::move(task)); });
        host.Prepare(loader);
        host.board.SetDetail(detail);
        const auto start = Clock::now();
        host.board.SetImageURL(folder.Url());
        host.Paint();
        while (!host.board.HasCanvasPicture() && host.board.IsLoading()) {
            hostThread.Next()();
            host.Paint();
        }
        const double first = Milliseconds(Clock::now() - start);
        state.SetIterationTime(first / 1000.0);
        if (host.board.CanvasDetail() != detail) state.SkipWithError("the picture is not held at the detail");
        Figures()["first picture at detail " + std::to_string(detail) + ", ms"].push_back(first);
    }
}

// One load of `url` by the sequential loader: its time and the process's peak memory during it
// above what it held before.
struct SequentialLoad {
    double milliseconds = 0;
    double peakMegabytes = 0;
    std::size_t pictures = 0;
};

SequentialLoad LoadSequentially(const std::string& url) {
    Host host;
    SequentialFolderLoader loader([] { return std::make_unique<CurlSession>(); });
    const double before = host.Prepare(loader);
    const auto start = Clock::now();
    host.board.SetImageURL(url);
    host.Paint();
    SequentialLoad load;
    load.milliseconds = Milliseconds(Clock::now() - start);
    load.peakMegabytes = StatusMegabytes("VmHWM:") - before;
    load.pictures = host.board.Pictures().size();
    return load;
}

// Loads `folder` sequentially once an iteration, recording each load's time and peak under
// the figure names `timeFigure` (none when empty) and `peakFigure`.
void LoadEachIteration(benchmark::State& state, const ServedFolder& folder, std::size_t pictures,
                       const std::string& timeFigure, const std::string& peakFigure) {
    for (auto _ : state) {
        const SequentialLoad load = LoadSequentially(folder.Url());
        state.SetIterationTime(load.milliseconds / 1000.0);
        if (load.pictures != pictures) state.SkipWithError("pictures missing");
        if (!timeFigure.empty()) Figures()[timeFigure].push_back(load.milliseconds);
        Figures()[peakFigure].push_back(load.peakMegabytes);
    }
}

void BM_LargeFolderSequential(benchmark::State& state) {
    LoadEachIteration(state, LargeFolder(), kPictureCount, "sequential: whole load, ms",
                      "sequential: peak memory above start, MB");
}

// Ten small pictures and ten of 4000 × 3000, BMP, GIF and JPEG in turn, the small and the
// large ones alternating, on their own server.
const ServedFolder& MixedFolder() {
    static const ServedFolder folder([] {
        const fs::path root = fs::temp_directory_path() / "kolo-bench-mixed-folder";
        const fs::path site = root / "site";
        const std::string sizes[2] = {"572 452", std::to_string(kPhotoWidth) + " " + std::to_string(kPhotoHeight)};
        const std::string made[2] = {"small", "large"};
        for (int k = 0; k < 2; ++k) MakeLargeFolder(root / made[k], "10 " + sizes[k] + " bmp,gif,jpg");
        fs::create_directories(site);
        const char* extensions[3] = {"bmp", "gif", "jpg"};
        std::string page;
        for (int i = 0; i < 20; ++i) {
            char from[32];
            std::snprintf(from, sizeof from, "photo%02d.%s", i / 2, extensions[(i / 2) % 3]);
            const std::string name = made[i % 2] + from;
            if (!fs::exists(site / name)) fs::copy_file(root / made[i % 2] / from, site / name);
            page += "<a href=\"" + name + "\">" + name + "</a>\n";
        }
        std::ofstream(site / "index.html") << page;
        return site;
    }());
    return folder;
}

// The mixed folder through the sequential loader: one picture decoded at a time.
void BM_MixedFolderPeakMemory(benchmark::State& state) {
    LoadEachIteration(state, MixedFolder(), 20, "", "mixed folder: peak memory above start, MB");
}

BENCHMARK(BM_MixedFolderPeakMemory)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kMixedRepetitions);
BENCHMARK(BM_LargeFolderThreaded)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions);
BENCHMARK(BM_LargeFolderSequential)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(kRepetitions);
BENCHMARK(BM_FirstPictureAtDetail)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kFirstPictureRepetitions);

struct Summary {
    double min = 0;
    double median = 0;
};
Summary Summarise(std::vector<double> values) {
    if (values.empty()) return Summary{};
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return Summary{values.front(), n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2};
}

void PrintSummary() {
    std::printf("\n%-46s %10s %10s\n", "figure", "min", "median");
    for (const auto& [name, values] : Figures()) {
        const Summary s = Summarise(values);
        std::printf("%-46s %10.1f %10.1f\n", name.c_str(), s.min, s.median);
    }
    const Summary threaded = Summarise(Figures()["threaded: whole load, ms"]);
    const Summary sequential = Summarise(Figures()["sequential: whole load, ms"]);
    if (sequential.min > 0) {
        std::printf("%-46s %10.2f %10.2f\n", "threaded / sequential whole load", threaded.min / sequential.min,
                    threaded.median / sequential.median);
    }
    // What the load has to hold: each worker's largest decoded picture (at full size, the
    // bound the loader promises; a JPEG this large is in fact decoded at a quarter of each
    // side), the kept pictures on the canvas's size, and the screen.
    const double decoded = static_cast<double>(Stride24(kPhotoWidth)) * kPhotoHeight / kMegabyte;
    const double kept = kPictureCount * static_cast<double>(Stride24(572)) * 452 / kMegabyte;
    const double screen = static_cast<double>(Stride24(kBoardWidth)) * kBoardHeight / kMegabyte;
    const double workers = DefaultWorkerCount();
    const double need = workers * decoded + kept + screen;
    const Summary peak = Summarise(Figures()["threaded: peak memory above start, MB"]);
    std::printf("%-46s %10.1f (%g workers x %.1f + %.1f + %.1f)\n", "threaded: memory need, MB", need, workers,
                decoded, kept, screen);
    std::printf("%-46s %10.2f %10.2f\n", "threaded: peak / need", peak.min / need, peak.median / need);
    // The mixed folder needs its largest picture decoded, its twenty kept and the screen.
    const double mixedNeed = decoded + 20 * static_cast<double>(Stride24(572)) * 452 / kMegabyte + screen;
    const Summary mixed = Summarise(Figures()["mixed folder: peak memory above start, MB"]);
    std::printf("%-46s %10.1f\n", "mixed folder: memory need, MB", mixedNeed);
    std::printf("%-46s %10.2f %10.2f\n", "mixed folder: peak / need", mixed.min / mixedNeed,
                mixed.median / mixedNeed);
    std::fflush(stdout);
}

}  // namespace
}  // namespace kolo

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    kolo::PrintSummary();
    return 0;
}
