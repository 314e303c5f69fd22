// Folder loads over the real transport: libcurl against servers on 127.0.0.1 started by the
// test, and file:// folders.
#include <filesystem>
#include <fstream>

#include "platform/curl/CurlSession.h"
#include "tests/board/BoardFixture.h"
#include "tests/support/LocalServer.h"

namespace kolo {
namespace {

namespace fs = std::filesystem;

class FolderServerTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        board.SetFolderLoader(nullptr);
        root = fs::path(testing::TempDir()) / ("served-" + std::to_string(getpid()));
        fs::create_directories(root / "downloads");
        host.downloadFolder = (root / "downloads").string();
        // Short limits, so that a stalled server costs a second.
        TransferLimits limits;
        limits.connectSeconds = 2;
        limits.stallSeconds = 1;
        host.internetSession = [limits] { return std::make_unique<CurlSession>(limits); };
    }
    void TearDown() override { fs::remove_all(root); }

    // Line drawings of one size, one each as BMP, GIF and JPEG, named House.BMP, sun.gif and
    // Tree.Jpg, written by Pillow.
    void MakeDrawings(const fs::path& folder, int width = 572, int height = 452) {
        const std::string command = "/usr/bin/python3 " KOLO_TEST_SUPPORT_DIR "/make_folder.py '" +
                                    folder.string() + "' " + std::to_string(width) + " " +
                                    std::to_string(height);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    void Load(const std::string& url) {
        board.SetImageURL(url);
        Paint();
    }

    fs::path root;
};

TEST_F(FolderServerTest, DirectoryListingOfPythonsServerLoadsEveryFormat) {
    MakeDrawings(root / "site", 800, 600);   // larger than the canvas: scaled down
    test::LocalServer server(test::PythonHttpServerCommand((root / "site").string()));
    ASSERT_TRUE(server.Running());
    Load(server.Url("/"));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(board.Pictures().size(), 3u);   // mixed-case names fetched as written
    for (const CDibImage& picture : board.Pictures()) {
        EXPECT_EQ(picture.Width(), 572);
        EXPECT_EQ(picture.Height(), 452);
    }
    // The canvas holds the last picture, thresholded: its outline closes an area to fill.
    board.Click(kCanvasRect.left + 286, kCanvasRect.top + 226);
    EXPECT_EQ(board.History().CanUndo(), 1);
    EXPECT_EQ(ImagePixel(board.Canvas(), 5, 5), kWhite);
}

TEST_F(FolderServerTest, FaultyPicturesAreSkippedAndTheRestLoads) {
    MakeDrawings(root / "site" / "faulty");
    std::ofstream(root / "site" / "faulty" / "index.html")
        << "<a href=House.BMP><a href=missing.gif><a href=reset.jpg><a href=empty.gif>"
           "<a href=stall.bmp><a href=huge.gif><a href=loop.gif><a href=sun.gif>";
    test::LocalServer server(test::FaultServerCommand((root / "site").string()));
    ASSERT_TRUE(server.Running());
    Load(server.Url("/faulty/"));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(board.Pictures().size(), 2u);
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

    for (const std::string& url : {server.Url("/stall/"), server.Url("/loop/"),
                                   std::string("http://host.invalid/pictures/")}) {
        host.messages.clear();
        Load(url);
        ASSERT_EQ(host.messages.size(), 1u) << url;
        const std::string& message = host.messages[0];
        EXPECT_GT(message.size(), std::string("\nPlease confirm your url.").size()) << url;
        EXPECT_EQ(message.substr(message.find('\n')), "\nPlease confirm your url.") << url;
        EXPECT_EQ(board.Pictures().size(), 3u) << url;
    }
}

TEST_F(FolderServerTest, FileFolderLoadsLikeAServedOne) {
    MakeDrawings(root / "local folder");
    std::string url = "file://" + (root / "local folder").string();
    url.replace(url.find(' '), 1, "%20");
    Load(url);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(board.Pictures().size(), 3u);
}

}  // namespace
}  // namespace kolo
