#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include <sys/stat.h>

#include "platform/curl/CurlSession.h"
#include "tests/support/LocalServer.h"

namespace kolo {
namespace {

namespace fs = std::filesystem;

std::string Text(const std::optional<std::vector<std::uint8_t>>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<none>");
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A served folder with two small files, and short limits so that faults cost seconds.
class CurlSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path(testing::TempDir()) / ("curl-" + std::to_string(getpid()));
        fs::create_directories(root_ / "pics");
        WriteFile(root_ / "pics" / "Cat01.GIF", "GIF89a-cat");
        WriteFile(root_ / "pics" / "index.html", R"(<a href="Cat01.GIF">cat</a>)");
        server_ = std::make_unique<test::LocalServer>(test::FaultServerCommand(root_.string()));
        ASSERT_TRUE(server_->Running());
        limits_.connectMs = 2000;
        limits_.stallMs = 1000;
        limits_.pictureBytes = 1 << 20;
    }
    void TearDown() override {
        server_.reset();
        fs::remove_all(root_);
    }
    fs::path root_;
    std::unique_ptr<test::LocalServer> server_;
    TransferLimits limits_;
};

TEST_F(CurlSessionTest, ReadsPagesAndDownloadsFilesOverHttp) {
    CurlSession session(limits_);
    const auto page = session.ReadPage(server_->Url("/pics/"));
    ASSERT_TRUE(page.has_value());
    EXPECT_NE(page->find("Cat01.GIF"), std::string::npos);
    EXPECT_EQ(Text(session.FetchPicture(server_->Url("/pics/Cat01.GIF"))), "GIF89a-cat");
}

TEST_F(CurlSessionTest, UnreachableAndStalledFoldersRaise) {
    CurlSession session(limits_);
    try {
        session.ReadPage(server_->Url("/no-such-folder/"));
        FAIL() << "an error status must raise";
    } catch (const InternetError& error) {
        EXPECT_STREQ(error.what(), "The server answered 404 File not found");
    }
}

TEST_F(CurlSessionTest, FailedFetchesGiveNothing) {
    CurlSession session(limits_);
    const std::string failures[] = {"/pics/missing.gif", "/pics/empty.gif", "/pics/reset.gif",
                                    "/loop", "/pics/stall.gif", "/pics/huge.gif"};
    for (const std::string& path : failures) {
        EXPECT_FALSE(session.FetchPicture(server_->Url(path)).has_value()) << path;
    }
}

TEST_F(CurlSessionTest, AbortFromAnotherThreadEndsAStalledTransferAtOnce) {
    TransferLimits patient = limits_;
    patient.stallMs = 60000;
    CurlSession session(patient);
    auto fetch = std::async(std::launch::async, [&] {
        return session.FetchPicture(server_->Url("/pics/stall.gif"));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto start = std::chrono::steady_clock::now();
    session.Abort();
    ASSERT_EQ(fetch.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(fetch.get().has_value());
    EXPECT_FALSE(session.FetchPicture(server_->Url("/pics/Cat01.GIF")).has_value());
}

TEST_F(CurlSessionTest, RedirectsAreFollowedAFewTimes) {
    CurlSession session(limits_);
    EXPECT_EQ(Text(session.FetchPicture(server_->Url("/redirect/pics/Cat01.GIF"))), "GIF89a-cat");
    EXPECT_THROW(session.ReadPage(server_->Url("/loop")), InternetError);
}

TEST_F(CurlSessionTest, LongPagesAreReadWholeUpToTheLimit) {
    CurlSession session(limits_);
    const auto page = session.ReadPage(server_->Url("/long/"));
    ASSERT_TRUE(page.has_value());
    EXPECT_GT(page->size(), 2000000u);
    EXPECT_NE(page->find("last.bmp"), std::string::npos);
    EXPECT_FALSE(session.LastPageCut());

    TransferLimits small = limits_;
    small.pageBytes = 1000;
    CurlSession limited(small);
    const auto cut = limited.ReadPage(server_->Url("/long/"));
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->size(), 1000u);
    EXPECT_TRUE(limited.LastPageCut());
}

TEST_F(CurlSessionTest, UnopenableAddressesRaiseTheTransportsText) {
    CurlSession session(limits_);
    try {
        session.ReadPage("http://127.0.0.1:1/");
        FAIL() << "a closed port must raise";
    } catch (const InternetError& error) {
        EXPECT_STRNE(error.what(), "");
    }
    EXPECT_THROW(session.ReadPage(server_->Url("/stall/")), InternetError);
    EXPECT_THROW(session.ReadPage("http://host.invalid/"), InternetError);
}

TEST_F(CurlSessionTest, FileAddressesWorkAndOtherKindsYieldNoPage) {
    CurlSession session(limits_);
    const auto page = session.ReadPage("file://" + (root_ / "pics" / "index.html").string());
    ASSERT_TRUE(page.has_value());
    EXPECT_NE(page->find("Cat01.GIF"), std::string::npos);
    EXPECT_EQ(Text(session.FetchPicture("FILE://" + (root_ / "pics" / "Cat01.GIF").string())), "GIF89a-cat");

    // A folder reads as its index page, or as a listing of its files when it has none.
    const auto folder = session.ReadPage("file://" + (root_ / "pics").string() + "/");
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(*folder, R"(<a href="Cat01.GIF">cat</a>)");
    fs::create_directories(root_ / "plain");
    WriteFile(root_ / "plain" / "a b.gif", "GIF");
    const auto listing = session.ReadPage("file://" + (root_ / "plain").string() + "/");
    ASSERT_TRUE(listing.has_value());
    EXPECT_NE(listing->find(R"(href="a%20b.gif")"), std::string::npos);
    EXPECT_EQ(Text(session.FetchPicture("file://" + (root_ / "plain").string() + "/a%20b.gif")), "GIF");

    EXPECT_FALSE(session.ReadPage("gopher://127.0.0.1/").has_value());
    EXPECT_FALSE(session.ReadPage("c:/pictures/").has_value());
    EXPECT_FALSE(session.FetchPicture("mailto:someone").has_value());
}

// A server that trickles bytes or makes every redirect slow passes the stall limit, so only
// the whole transfer's time, redirects included, ends it.
TEST_F(CurlSessionTest, TrickledAndSlowlyRedirectedTransfersEndAtTheirTotalTime) {
    const struct {
        const char* path;
        bool page;
    } cases[] = {
        {"/trickle/", true},
        {"/pics/trickle.gif", false},
        {"/slowhops/800/5/pics/", true},            // 4.8 s in all, 0.8 s a hop
        {"/slowhops/800/5/pics/Cat01.GIF", false},
    };
    limits_.stallMs = 30000;
    limits_.pageMs = 2000;
    limits_.pictureMs = 2000;
    for (const auto& row : cases) {
        CurlSession session(limits_);
        const auto start = std::chrono::steady_clock::now();
        if (row.page) {
            EXPECT_THROW(session.ReadPage(server_->Url(row.path)), InternetError) << row.path;
        } else {
            EXPECT_EQ(Text(session.FetchPicture(server_->Url(row.path))), "<none>") << row.path;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_GE(seconds, 1.5) << row.path;
        EXPECT_LT(seconds, 4.0) << row.path;
    }
}

TEST_F(CurlSessionTest, LocalIndexPagesAreCutAtThePageLimit) {
    limits_.pageBytes = 1 << 20;
    std::string page(static_cast<std::size_t>(limits_.pageBytes) + 100, ' ');
    page.replace(page.size() - 20, 14, "<a href=x.gif>");
    fs::create_directories(root_ / "big");
    WriteFile(root_ / "big" / "index.html", page);
    CurlSession session(limits_);
    const auto read = session.ReadPage("file://" + (root_ / "big").string() + "/");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->size(), static_cast<std::size_t>(limits_.pageBytes));
    EXPECT_EQ(read->find("x.gif"), std::string::npos);
    EXPECT_TRUE(session.LastPageCut());
}

// A local folder's pictures are read only when they are regular files whose real path lies
// inside the folder: links to elsewhere, and pipes that would block the reader, give nothing.
TEST_F(CurlSessionTest, ALocalFolderGivesOnlyRegularFilesInsideIt) {
    const fs::path folder = root_ / "local";
    fs::create_directories(folder / "sub");
    WriteFile(folder / "cat.gif", "GIF-in");
    WriteFile(folder / "sub" / "dog.gif", "GIF-sub");
    WriteFile(root_ / "secret.gif", "GIF-secret");
    fs::create_symlink(root_ / "secret.gif", folder / "escape.gif");
    fs::create_symlink(folder / "cat.gif", folder / "alias.gif");
    fs::create_directory_symlink(root_, folder / "up");
    ASSERT_EQ(mkfifo((folder / "pipe.gif").c_str(), 0600), 0);
    const struct {
        const char* name;
        const char* bytes;
    } cases[] = {
        {"cat.gif", "GIF-in"},      {"sub/dog.gif", "GIF-sub"},   {"alias.gif", "GIF-in"},
        {"escape.gif", "<none>"},   {"up/secret.gif", "<none>"},  {"pipe.gif", "<none>"},
        {"sub/..%2f..%2fsecret.gif", "<none>"},                   {"missing.gif", "<none>"},
    };
    CurlSession session(limits_);
    const std::string address = "file://" + folder.string() + "/";
    session.EnterFolder(address);
    for (const auto& c : cases) {
        EXPECT_EQ(Text(session.FetchPicture(address + c.name)), c.bytes) << c.name;
    }
    // Entered through a link to it, the folder is the same folder.
    fs::create_directory_symlink(folder, root_ / "shortcut");
    session.EnterFolder("file://" + (root_ / "shortcut").string() + "/");
    EXPECT_EQ(Text(session.FetchPicture("file://" + (root_ / "shortcut" / "cat.gif").string())), "GIF-in");
    EXPECT_EQ(Text(session.FetchPicture("file://" + (root_ / "shortcut" / "escape.gif").string())), "<none>");
}

}  // namespace
}  // namespace kolo
