#include <filesystem>
#include <fstream>

#include "tests/board/BoardFixture.h"
#include "tests/board/FakeInternetSession.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFolder = "http://pictures.test/folder/";

// A board with its own web loader, over a fake network and a scratch download folder.
class FolderLoadTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        board.SetFolderLoader(nullptr);
        downloads = fs::path(testing::TempDir()) / ("downloads-" + std::to_string(getpid()));
        fs::create_directories(downloads);
        host.downloadFolder = downloads.string();
        host.internetSession = [this] { return std::make_unique<FakeInternetSession>(network); };
    }
    void TearDown() override { fs::remove_all(downloads); }

    // Serves `page` as the folder's page and a drawing of `tone` under each name given.
    void ServeFolder(const std::string& page, const std::vector<std::pair<std::string, int>>& files) {
        network.pages[kFolder] = page;
        for (const auto& [name, tone] : files) {
            network.files[kFolder + name] = test::BmpFileBytes(MakeDrawing(static_cast<std::uint8_t>(tone)));
        }
    }

    void Load(const std::string& url = kFolder) {
        network.requests.clear();
        board.SetImageURL(url);
        Paint();
    }

    static std::uint8_t ToneOf(const CDibImage& picture) { return RedOf(ImagePixel(picture, 50, 5)); }

    FakeNetwork network;
    fs::path downloads;
};

TEST_F(FolderLoadTest, LoadsEveryLinkedPictureInPageOrderUnderItsOwnName) {
    ServeFolder(R"(<A HREF="Cat01.BMP">cat</A> <a href='sub/dir/b.bmp'> <a href=/c.bmp> <a href="Cat01.BMP">)",
                {{"Cat01.BMP", 180}, {"b.bmp", 190}, {"/c.bmp", 200}});
    Load();
    EXPECT_EQ(network.requests,
              (std::vector<std::string>{kFolder, std::string(kFolder) + "Cat01.BMP",
                                        std::string(kFolder) + "b.bmp",
                                        "http://pictures.test/folder//c.bmp",
                                        std::string(kFolder) + "Cat01.BMP"}));
    ASSERT_EQ(board.Pictures().size(), 4u);   // the duplicate is kept
    EXPECT_EQ(ToneOf(board.Pictures()[1]), 190);
    EXPECT_EQ(ToneOf(board.SourcePicture()), 180);   // the last one loaded
    EXPECT_EQ(board.SourcePicture().GetOutlineColour(), (RgbColour{0, 0, 0}));
    EXPECT_EQ(ImagePixel(board.Canvas(), 50, 5), kWhite);   // thresholded
    EXPECT_FALSE(host.buttonEnabled[kButtonUndo]);
}

TEST_F(FolderLoadTest, UnopenableFolderShowsTheTransportsTextAndChangesNothing) {
    ServeFolder("<a href=a.bmp><a href=b.bmp>", {{"a.bmp", 180}, {"b.bmp", 190}});
    Load();
    board.Click(kCanvasRect.left + 10, kCanvasRect.top + 300);
    ASSERT_EQ(board.History().CanUndo(), 1);
    const CDibImage canvas = board.Canvas();

    const std::string longText(300, 'e');
    network.pageErrors["http://nowhere.test/"] = "Could not resolve host: nowhere.test";
    network.pageErrors["http://long.test/"] = longText;
    Load("http://nowhere.test/");
    Load("http://long.test/");
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0], "Could not resolve host: nowhere.test\nPlease confirm your url.");
    EXPECT_EQ(host.messages[1], longText.substr(0, 255) + "\nPlease confirm your url.");
    EXPECT_EQ(board.Pictures().size(), 2u);
    EXPECT_EQ(board.History().CanUndo(), 1);
    EXPECT_EQ(test::FirstDifference(board.Canvas(), canvas), "");
}

TEST_F(FolderLoadTest, FailedDownloadIsSkippedEvenWhenAnOlderFileOfItsTypeExists) {
    std::ofstream(downloads / "Image001.bmp", std::ios::binary)
        << test::BmpFileBytes(MakeDrawing(150));
    ServeFolder("<a href=gone.bmp><a href=here.bmp>", {{"here.bmp", 190}});
    Load();
    ASSERT_EQ(board.Pictures().size(), 1u);
    EXPECT_EQ(ToneOf(board.Pictures()[0]), 190);
}

TEST_F(FolderLoadTest, UndecodableLastPictureLeavesTheCanvasAsItWas) {
    ServeFolder("<a href=first.bmp>", {{"first.bmp", 180}});
    Load();
    const CDibImage canvas = board.Canvas();
    network.pages[kFolder] = "<a href=a.bmp><a href=b.bmp><a href=x.jpg.html>";
    network.files[std::string(kFolder) + "a.bmp"] = test::BmpFileBytes(MakeDrawing(100));
    network.files[std::string(kFolder) + "b.bmp"] = test::BmpFileBytes(MakeDrawing(110));
    network.files[std::string(kFolder) + "x.jpg.html"] = "<html>not a picture</html>";
    Load();
    EXPECT_EQ(board.Pictures().size(), 2u);
    EXPECT_TRUE(fs::exists(downloads / "Image001.jpg"));   // fetched as a JPEG, then refused
    EXPECT_EQ(test::FirstDifference(board.Canvas(), canvas), "");
}

TEST_F(FolderLoadTest, FolderWithoutPicturesPutsTheSourcePictureBackOnTheCanvas) {
    ServeFolder("<a href=a.bmp><a href=b.bmp>", {{"a.bmp", 180}, {"b.bmp", 190}});
    Load();
    board.Click(kCanvasRect.left + 10, kCanvasRect.top + 300);
    ASSERT_NE(ImagePixel(board.Canvas(), 10, 300), kWhite);
    network.pages[kFolder] = "<p>No pictures here.</p>";
    Load();
    EXPECT_TRUE(board.Pictures().empty());
    EXPECT_EQ(board.PictureIndex(), 0);
    EXPECT_EQ(ImagePixel(board.Canvas(), 10, 300), kWhite);   // the fill is gone
    EXPECT_EQ(board.History().CanUndo(), 0);

    Load("gopher://pictures.test/");   // a kind of address no session serves: no page
    EXPECT_TRUE(board.Pictures().empty());
    EXPECT_TRUE(board.Canvas().HasPicture());
}

TEST_F(FolderLoadTest, ShorterFolderBringsThePictureIndexBackIntoTheList) {
    ServeFolder("<a href=a.bmp><a href=b.bmp><a href=c.bmp>", {{"a.bmp", 180}, {"b.bmp", 190}, {"c.bmp", 200}});
    Load();
    board.NextPicture();
    board.NextPicture();
    ASSERT_EQ(board.PictureIndex(), 2);
    network.pages[kFolder] = "<a href=a.bmp>";
    Load();
    EXPECT_EQ(board.PictureIndex(), 0);
}

}  // namespace
}  // namespace kolo
