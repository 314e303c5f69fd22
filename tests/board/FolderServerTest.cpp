// Folder loads over the real transport and the threaded loader: libcurl against servers on
// 127.0.0.1 started by the test, and file:// folders. The loader's results come back through
// a queue that the test drains as a host's main loop would.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

#include "board/ThreadedFolderLoader.h"
#include "platform/curl/CurlSession.h"
#include "tests/board/BoardFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/RunProgram.h"

namespace kolo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The host's thread, as the loader sees it: posted tasks wait here until Drain runs them.
class TaskQueue {
public:
    void Post(std::function<void()> task) {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
        posted_.notify_all();
    }
    // Runs the tasks posted so far, waiting up to `wait` for the first; how many ran.
    int Drain(std::chrono::milliseconds wait) {
        std::deque<std::function<void()>> tasks;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            posted_.wait_for(lock, wait, [this] { return !tasks_.empty(); });
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) task();
        return static_cast<int>(tasks.size());
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

class FolderServerTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        root = fs::path(testing::TempDir()) / ("served-" + std::to_string(getpid()));
        fs::create_directories(root);
        loader = MakeLoader();
        board.SetFolderLoader(loader.get());
    }
    void TearDown() override {
        loader.reset();
        fs::remove_all(root);
    }

    std::unique_ptr<ThreadedFolderLoader> MakeLoader() {
        // Short limits, so that a stalled server costs a second.
        TransferLimits limits;
        limits.connectMs = 2000;
        limits.stallMs = 1000;
        return std::make_unique<ThreadedFolderLoader>(
            [limits] { return std::make_unique<CurlSession>(limits); },
            [this](std::function<void()> task) { queue.Post(std::move(task)); }, 2);
    }

    // Line drawings of one size, one each as BMP, GIF and JPEG, named House.BMP, sun.gif and
    // Tree.Jpg, written by Pillow.
    void MakeDrawings(const fs::path& folder, int width = 572, int height = 452) {
        const std::string command = "/usr/bin/python3 " KOLO_TEST_SUPPORT_DIR "/make_folder.py '" +
                                    folder.string() + "' " + std::to_string(width) + " " +
                                    std::to_string(height);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    // Runs the loader's tasks until the folder has loaded.
    void WaitForFolder(std::chrono::seconds bound = std::chrono::seconds(30)) {
        const auto deadline = Clock::now() + bound;
        while (board.IsLoading() && Clock::now() < deadline) queue.Drain(std::chrono::milliseconds(100));
        ASSERT_FALSE(board.IsLoading());
        Paint();
    }

    void Load(const std::string& url, std::chrono::seconds bound = std::chrono::seconds(30)) {
        board.SetImageURL(url);
        WaitForFolder(bound);
    }

    fs::path root;
    TaskQueue queue;
    std::unique_ptr<ThreadedFolderLoader> loader;
};

TEST_F(FolderServerTest, DirectoryListingOfPythonsServerLoadsEveryFormat) {
    MakeDrawings(root / "site", 800, 600);   // larger than the canvas: scaled down
    test::LocalServer server(test::PythonHttpServerCommand((root / "site").string()));
    ASSERT_TRUE(server.Running());
    Load(server.Url("/"));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(board.Pictures().size(), 3u);   // mixed-case names fetched as written
    for (const kolo::FolderPicture& kept : board.Pictures()) {
        const CDibImage picture = kept.Image();
        EXPECT_EQ(picture.Width(), 572);
        EXPECT_EQ(picture.Height(), 452);
    }
    // The canvas holds a picture, thresholded: its outline closes an area to fill.
    board.Click(kCanvasRect.left + 286, kCanvasRect.top + 226);
    EXPECT_EQ(board.History().CanUndo(), 1);
    EXPECT_EQ(ImagePixel(board.Canvas(), 5, 5), kWhite);
}

TEST_F(FolderServerTest, FaultyPicturesAreSkippedAndTheRestLoadsInPageOrder) {
    MakeDrawings(root / "site" / "faulty");
    std::ofstream(root / "site" / "faulty" / "index.html")
        << "<a href=House.BMP><a href=missing.gif><a href=reset.jpg><a href=empty.gif>"
           "<a href=stall.bmp><a href=huge.gif><a href=loop.gif><a href=sun.gif>";
    test::LocalServer server(test::FaultServerCommand((root / "site").string()));
    ASSERT_TRUE(server.Running());
    Load(server.Url("/faulty/"));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(board.Pictures().size(), 2u);
    EXPECT_EQ(board.LoadedCount(), 8u);
    // House.BMP first: it went on the canvas.
    EXPECT_EQ(test::FirstDifference(board.SourcePicture(), board.Pictures()[0].Image()), "");
}

// The loader prepares the picture going on the canvas at the board's detail, even when the
// pictures before it fail or the detail changes once the load has started.
TEST_F(FolderServerTest, ThePictureOnTheCanvasArrivesAtTheBoardsDetail) {
    MakeDrawings(root / "site" / "large", 800, 600);
    std::ofstream(root / "site" / "large" / "index.html")
        << "<a href=missing.gif><a href=reset.jpg><a href=Tree.Jpg><a href=House.BMP><a href=sun.gif>";
    test::LocalServer server(test::FaultServerCommand((root / "site").string()));
    ASSERT_TRUE(server.Running());
    for (const auto& [before, after] : {std::pair{2, 2}, {1, 3}, {4, 2}}) {
        board.SetDetail(before);
        board.SetImageURL(server.Url("/large/"));
        board.SetDetail(after);
        WaitForFolder();
        ASSERT_EQ(board.Pictures().size(), 3u);
        ASSERT_EQ(board.CanvasDetail(), after);
        EXPECT_EQ(test::FirstDifference(board.SourcePicture(), board.Pictures()[0].ImageAt(after)), "")
            << before << " then " << after;
    }
}

TEST_F(FolderServerTest, LongPageIsReadToItsLastAnchor) {
    MakeDrawings(root / "site" / "long");
    fs::copy_file(root / "site" / "long" / "House.BMP", root / "site" / "long" / "last.bmp");
    test::LocalServer server(test::FaultServerCommand((root / "site").string()));
    ASSERT_TRUE(server.Running());
    Load(server.Url("/long/"));
    EXPECT_EQ(board.Pictures().size(), 1u);
}

TEST_F(FolderServerTest, FolderThatCannotBeReadShowsTheMessageAndChangesNothing) {
    MakeDrawings(root / "site");
    test::LocalServer server(test::FaultServerCommand((root / "site").string()));
    ASSERT_TRUE(server.Running());
    Load(server.Url("/"));
    ASSERT_EQ(board.Pictures().size(), 3u);

    for (const std::string& url : {server.Url("/stall/"), server.Url("/loop/"), server.Url("/nothing/"),
                                   std::string("http://host.invalid/pictures/")}) {
        host.messages.clear();
        Load(url);
        ASSERT_EQ(host.messages.size(), 1u) << url;
        const std::string& message = host.messages[0];
        EXPECT_GT(message.size(), std::string("\nPlease confirm your url.").size()) << url;
        EXPECT_EQ(message.substr(message.find('\n')), "\nPlease confirm your url.") << url;
        EXPECT_EQ(board.Pictures().size(), 3u) << url;
    }
    EXPECT_EQ(host.messages[0].substr(0, 19), "Couldn't resolve ho");
    host.messages.clear();
    Load(server.Url("/nothing/"));
    EXPECT_EQ(host.messages.at(0), "The server answered 404 File not found\nPlease confirm your url.");
}

TEST_F(FolderServerTest, FileFolderLoadsLikeAServedOne) {
    MakeDrawings(root / "local folder");
    std::string url = "file://" + (root / "local folder").string();
    url.replace(url.find(' '), 1, "%20");
    Load(url);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(board.Pictures().size(), 3u);
}

// A folder of four pictures served with a delay on every answer.
class SlowFolderTest : public FolderServerTest {
protected:
    void SetUp() override {
        FolderServerTest::SetUp();
        MakeDrawings(root / "site" / "one");
        MakeDrawings(root / "site" / "two");
        for (const char* folder : {"one", "two"}) {
            fs::copy_file(root / "site" / folder / "House.BMP", root / "site" / folder / "last.bmp");
        }
        server = std::make_unique<test::LocalServer>(test::FaultServerCommand((root / "site").string()));
        ASSERT_TRUE(server->Running());
    }
    std::string SlowUrl(const std::string& folder, int ms) {
        return server->Url("/delay/" + std::to_string(ms) + "/" + folder + "/");
    }
    std::unique_ptr<test::LocalServer> server;
};

TEST_F(SlowFolderTest, FirstPictureIsPaintedWhileTheOthersAreStillServed) {
    board.SetImageURL(SlowUrl("one", 400));
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (board.Pictures().empty() && Clock::now() < deadline) queue.Drain(std::chrono::milliseconds(50));
    Paint();
    // The workers fetch side by side, so the first two may arrive together; the rest are
    // still being served.
    ASSERT_GE(board.Pictures().size(), 1u);
    ASSERT_LT(board.Pictures().size(), 4u);
    EXPECT_TRUE(board.IsLoading());
    EXPECT_TRUE(board.HasCanvasPicture());
    EXPECT_EQ(Screen(kCanvasRect.left + 96, kCanvasRect.top + 226), 0u);   // House.BMP's wall
    const CDibImage first = board.SourcePicture();
    WaitForFolder();
    EXPECT_EQ(board.Pictures().size(), 4u);
    EXPECT_EQ(test::FirstDifference(board.SourcePicture(), first), "");   // it stayed
}

TEST_F(SlowFolderTest, SecondAddressMidLoadLeavesOnlyTheSecondFoldersPictures) {
    board.SetImageURL(SlowUrl("one", 300));
    queue.Drain(std::chrono::milliseconds(700));   // the page of the first is in
    fs::remove(root / "site" / "two" / "sun.gif");
    board.SetImageURL(SlowUrl("two", 0));
    WaitForFolder();
    // Whatever the first load still posts is dropped.
    for (int i = 0; i < 10; ++i) queue.Drain(std::chrono::milliseconds(100));
    EXPECT_EQ(board.Pictures().size(), 3u);
    EXPECT_EQ(board.LinkCount(), 3u);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SlowFolderTest, DestroyingTheLoaderMidLoadReturnsWithinASecond) {
    for (const std::string& url : {SlowUrl("one", 300), server->Url("/stall/"), server->Url("/delay/5000/one/")}) {
        board.SetImageURL(url);
        queue.Drain(std::chrono::milliseconds(500));
        const auto start = Clock::now();
        loader.reset();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << url;
        for (int i = 0; i < 3; ++i) queue.Drain(std::chrono::milliseconds(10));   // dropped
        loader = MakeLoader();
        board.SetFolderLoader(loader.get());
    }
}

// A session whose page comes only when the test lets it, whatever Abort says, as WinINet's
// blocked calls under Wine.
class StuckSession : public InternetSession {
public:
    explicit StuckSession(std::shared_future<void> released) : released_(std::move(released)) {}
    std::optional<std::string> ReadPage(const std::string&) override {
        released_.wait();
        return std::string("<a href=\"a.bmp\">a</a>");
    }
    std::optional<std::vector<std::uint8_t>> FetchPicture(const std::string&) override {
        return std::nullopt;
    }

private:
    std::shared_future<void> released_;
};

// A loader left to its threads: its end waits for nobody, the blocked thread keeps its hold
// until its call returns, and what it still posts reaches nothing.
TEST_F(BoardTest, LoaderLeftToItsThreadsEndsAtOnceAndItsThreadEndsOnItsOwn) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    auto holds = std::make_shared<std::atomic<int>>(0);
    TaskQueue queue;
    auto loader = std::make_unique<ThreadedFolderLoader>(
        [released] { return std::make_unique<StuckSession>(released); },
        [&queue](std::function<void()> task) { queue.Post(std::move(task)); }, 1);
    loader->LeaveThreadsOnEnd([holds]() -> std::shared_ptr<void> {
        ++*holds;
        return std::shared_ptr<void>(nullptr, [holds](void*) { --*holds; });
    });
    board.SetFolderLoader(loader.get());
    board.SetImageURL("http://127.0.0.1:9/");
    const auto start = Clock::now();
    board.SetFolderLoader(nullptr);
    loader.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(holds->load(), 1);
    release.set_value();
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (holds->load() != 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(holds->load(), 0);
    queue.Drain(std::chrono::milliseconds(0));
    EXPECT_EQ(board.LinkCount(), 0u);
    EXPECT_TRUE(board.Pictures().empty());
}

// A server that keeps serving pictures, each slowly but without a stall: the load ends at its
// own time limit with the reason, keeps the pictures that arrived and drops the rest.
TEST_F(FolderServerTest, AFolderServedSlowlyButLiveGivesUpAtItsTimeLimit) {
    constexpr int kLinks = 20;
    constexpr auto kLimit = std::chrono::seconds(2);
    fs::create_directories(root / "site" / "slow");
    std::string page;
    for (int i = 0; i < kLinks; ++i) {
        const std::string name = "cat" + std::to_string(i) + ".gif";
        fs::copy_file(fs::path(KOLO_SAMPLES_DIR) / "cat.gif", root / "site" / "slow" / name);
        page += "<a href=\"" + name + "\">";
    }
    std::ofstream(root / "site" / "slow" / "index.html") << page;
    test::LocalServer server(test::FaultServerCommand((root / "site").string()));
    ASSERT_TRUE(server.Running());

    loader->SetTimeLimit(kLimit);
    const auto start = Clock::now();
    Load(server.Url("/drip/50/slow/"));   // about a second a picture
    const auto took = Clock::now() - start;
    EXPECT_GE(took, kLimit);
    EXPECT_LT(took, kLimit + std::chrono::seconds(2));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0],
              "The folder took longer than 2 seconds to load; the pictures that arrived are "
              "kept.\nPlease confirm your url.");
    const std::size_t arrived = board.Pictures().size();
    EXPECT_GE(arrived, 1u);
    EXPECT_LT(arrived, static_cast<std::size_t>(kLinks));
    EXPECT_TRUE(board.HasCanvasPicture());
    for (int i = 0; i < 10; ++i) queue.Drain(std::chrono::milliseconds(100));
    EXPECT_EQ(board.Pictures().size(), arrived);   // nothing more once it gave up
}

// Folders of eight small files of one kind, each declaring a picture that costs up to 200 MB
// to decode: the loader's threads take turns by what each decode really takes, so the whole
// load stays under the folder bound however many threads it runs, and the pictures that can
// be decoded all arrive.
TEST_F(FolderServerTest, EightCostlySmallFilesOfEachKindStayUnderTheFolderBound) {
    [[maybe_unused]] constexpr long kFolderBoundKb = 400L * 1024;   // unchecked under AddressSanitizer
    ASSERT_EQ(std::system("/usr/bin/python3 " KOLO_TEST_SUPPORT_DIR "/make_hostile_pictures.py " KOLO_HOSTILE_DIR), 0);
    const struct {
        const char* file;
        bool decodes;
    } kinds[] = {
        {"png_interlaced_rgba.png", true}, {"jpeg_cmyk_progressive.jpg", true},
        {"jpeg_stray_byte.jpg", true},     {"jpeg_cmyk_too_large.jpg", false},
        {"gif_dropped_first.gif", true},   {"bmp_rle_huge.bmp", true},
    };
    for (const auto& kind : kinds) {
        const fs::path folder = root / kind.file;
        fs::create_directories(folder);
        const std::string extension = fs::path(kind.file).extension().string();
        for (int i = 0; i < 8; ++i) {
            fs::copy_file(fs::path(KOLO_HOSTILE_DIR) / kind.file, folder / (std::to_string(i) + extension));
        }
        for (const int workers : {2, 4}) {
            const test::ChildMemory memory = test::MeasureInChild([&] {
                ThreadedFolderLoader threaded([] { return std::make_unique<CurlSession>(); },
                                              [this](std::function<void()> task) { queue.Post(std::move(task)); },
                                              workers);
                board.SetFolderLoader(&threaded);
                Load("file://" + folder.string() + "/", std::chrono::seconds(240));   // 8 large decodes
                if (board.Pictures().size() != (kind.decodes ? 8u : 0u)) std::_Exit(1);
            });
            // -1: the load did not end with every picture that decodes.
            EXPECT_GT(memory.peakKb, 0) << kind.file << " on " << workers << " threads";
#if !defined(__SANITIZE_ADDRESS__)   // its quarantine keeps the freed decodes resident
            EXPECT_LT(memory.peakKb, kFolderBoundKb) << kind.file << " on " << workers << " threads";
#endif
            RecordProperty(std::string(kind.file) + "_" + std::to_string(workers) + "_threads_peak_kb",
                           std::to_string(memory.peakKb));
        }
    }
}

}  // namespace
}  // namespace kolo
