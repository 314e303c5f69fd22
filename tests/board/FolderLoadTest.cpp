#include "board/FolderPictures.h"
#include "tests/board/BoardFixture.h"
#include "tests/board/FakeInternetSession.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

constexpr const char* kFolder = "http://pictures.test/folder/";
constexpr const char* kConfirm = "\nPlease confirm your url.";

// A board with the sequential loader over a fake network.
class FolderLoadTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        board.SetFolderLoader(&sequential);
    }

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
    SequentialFolderLoader sequential{[this] { return std::make_unique<FakeInternetSession>(network); }};
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
    EXPECT_EQ(ToneOf(board.Pictures()[1].Image()), 190);
    EXPECT_EQ(ToneOf(board.SourcePicture()), 180);   // the first one stays on the canvas
    EXPECT_EQ(board.SourcePicture().GetOutlineColour(), (RgbColour{0, 0, 0}));
    EXPECT_EQ(ImagePixel(board.Canvas(), 50, 5), kWhite);   // thresholded
    EXPECT_FALSE(host.buttonEnabled[kButtonUndo]);
    EXPECT_FALSE(board.IsLoading());
    EXPECT_TRUE(host.messages.empty());
}

// Folders that give the user a message, and what each message says.
struct FailedFolder {
    const char* label;
    const char* url;
    const char* transportError;   // "" when the page is served
    std::string message;
    bool keepsPictures;           // a page that cannot be read changes nothing
    friend void PrintTo(const FailedFolder& folder, std::ostream* out) { *out << folder.label; }
};

class FailedFolderTest : public FolderLoadTest, public ::testing::WithParamInterface<FailedFolder> {};

TEST_P(FailedFolderTest, ShowsAPlainReasonAndTheRequestToConfirm) {
    const FailedFolder& folder = GetParam();
    ServeFolder("<a href=a.bmp><a href=b.bmp>", {{"a.bmp", 180}, {"b.bmp", 190}});
    Load();
    board.Click(kCanvasRect.left + 10, kCanvasRect.top + 300);
    ASSERT_EQ(board.History().CanUndo(), 1);
    const CDibImage canvas = board.Canvas();

    network.pages["http://empty.test/"] = "<p>No pictures here.</p>";
    network.pages["http://broken.test/"] = "<a href=x.jpg.html><a href=gone.gif>";
    network.files["http://broken.test/x.jpg.html"] = "<html>not a picture</html>";
    if (*folder.transportError != '\0') network.pageErrors[folder.url] = folder.transportError;
    Load(folder.url);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], folder.message + kConfirm);
    EXPECT_FALSE(board.IsLoading());
    if (folder.keepsPictures) {
        EXPECT_EQ(board.Pictures().size(), 2u);
        EXPECT_EQ(board.History().CanUndo(), 1);
        EXPECT_EQ(test::FirstDifference(board.Canvas(), canvas), "");
    } else {
        // Nothing to browse and nothing on the canvas: a blank board, clicks fill nothing.
        EXPECT_TRUE(board.Pictures().empty());
        EXPECT_EQ(board.PictureIndex(), 0);
        EXPECT_FALSE(board.HasCanvasPicture());
        board.Click(kCanvasRect.left + 10, kCanvasRect.top + 300);
        EXPECT_EQ(board.History().CanUndo(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FailedFolderTest,
    ::testing::Values(
        FailedFolder{"Unresolved", "http://nowhere.test/", "Could not resolve host: nowhere.test",
                     "Could not resolve host: nowhere.test", true},
        FailedFolder{"ErrorStatus", "http://missing.test/", "The server answered 404 Not Found",
                     "The server answered 404 Not Found", true},
        FailedFolder{"LongReason", "http://long.test/", "eeeeeeeeee", "eeeeeeeeee", true},
        FailedFolder{"NoAnchors", "http://empty.test/", "", "No pictures found at http://empty.test/", false},
        FailedFolder{"NothingDecodes", "http://broken.test/", "",
                     "No pictures found at http://broken.test/", false},
        FailedFolder{"UnservedKind", "gopher://pictures.test/", "",
                     "Unsupported address: gopher://pictures.test/", true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FolderLoadTest, ReasonIsCutAt255Characters) {
    const std::string longText(300, 'e');
    network.pageErrors["http://long.test/"] = longText;
    Load("http://long.test/");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], longText.substr(0, 255) + kConfirm);
}

TEST_F(FolderLoadTest, UndecodableLastPictureLeavesTheFirstOnTheCanvasAndClicksFillIt) {
    ServeFolder("<a href=a.bmp><a href=b.bmp><a href=x.jpg.html>", {{"a.bmp", 100}, {"b.bmp", 110}});
    network.files[std::string(kFolder) + "x.jpg.html"] = "<html>not a picture</html>";
    Load();
    EXPECT_EQ(board.Pictures().size(), 2u);
    ASSERT_TRUE(board.HasCanvasPicture());
    EXPECT_EQ(ToneOf(board.SourcePicture()), 100);
    // What is shown, what a click fills and the cursor agree: the picture is there.
    EXPECT_NE(Screen(kCanvasRect.left + kDividerX, kCanvasRect.top + 300), Screen(kCanvasRect.left + 10, kCanvasRect.top + 300));
    board.Click(kCanvasRect.left + 10, kCanvasRect.top + 300);
    Paint();
    EXPECT_EQ(board.History().CanUndo(), 1);
    EXPECT_EQ(Screen(kCanvasRect.left + 10, kCanvasRect.top + 300), kPink);
    board.PointerMoved(kCanvasRect.left + 10, kCanvasRect.top + 300);
    ASSERT_FALSE(host.cursors.empty());
    EXPECT_EQ(host.cursors.back(), BoardCursor::kBrush);
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

// The board's side of a load driven step by step, as a host without threads drives it.
TEST_F(FolderLoadTest, ResultsOfAnOlderLoadAreIgnored) {
    board.SetFolderLoader(nullptr);
    board.SetImageURL("http://first.test/");
    const std::uint32_t first = board.CurrentLoad();
    board.BeginFolder(first, 2);
    board.SetImageURL("http://second.test/");
    const std::uint32_t second = board.CurrentLoad();
    ASSERT_NE(first, second);
    board.AddFolderPicture(first, MakeDrawing(100));
    board.FinishFolder(first, "");
    EXPECT_TRUE(board.Pictures().empty());
    EXPECT_TRUE(board.IsLoading());
    EXPECT_TRUE(host.messages.empty());

    board.BeginFolder(second, 1);
    board.AddFolderPicture(second, MakeDrawing(120));
    board.FinishFolder(second, "");
    ASSERT_EQ(board.Pictures().size(), 1u);
    EXPECT_EQ(ToneOf(board.Pictures()[0].Image()), 120);
    EXPECT_FALSE(board.IsLoading());
}

TEST_F(FolderLoadTest, WhileLoadingTheCursorIsBusyAndTheThumbnailShowsProgress) {
    board.SetFolderLoader(nullptr);
    board.PointerMoved(kCanvasRect.left + 10, kCanvasRect.top + 10);
    board.SetImageURL("http://pictures.test/");
    EXPECT_EQ(host.cursors.back(), BoardCursor::kBusy);
    board.PointerMoved(5, 5);   // busy over the whole board
    EXPECT_EQ(host.cursors.back(), BoardCursor::kBusy);
    const std::uint32_t load = board.CurrentLoad();
    board.BeginFolder(load, 50);
    board.AddFolderPicture(load, MakeDrawing());
    board.AddFolderPicture(load, CDibImage());   // failed, but it counts
    board.AddFolderPicture(load, MakeDrawing());
    EXPECT_EQ(board.LoadedCount(), 3u);
    EXPECT_EQ(board.LinkCount(), 50u);
    Paint();
    // The first picture is already on the canvas and a fill works while the rest loads.
    board.Click(kCanvasRect.left + 10, kCanvasRect.top + 300);
    EXPECT_EQ(board.History().CanUndo(), 1);
    int inked = 0;   // the text "3 / 50" on the progress line
    for (int y = kThumbnailRect.bottom - 24; y < kThumbnailRect.bottom; ++y) {
        for (int x = kThumbnailRect.left; x < kThumbnailRect.right; ++x) {
            if (Screen(x, y) != kWhite) ++inked;
        }
    }
    EXPECT_GT(inked, 20);

    board.FinishFolder(load, "");
    EXPECT_EQ(board.History().CanUndo(), 1);   // the picture being coloured stays
    EXPECT_EQ(host.cursors.back(), BoardCursor::kArrow);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(FolderLoadTest, ALoadPastItsTimeLimitStopsBeforeTheNextPicture) {
    ServeFolder("<a href=a.bmp><a href=b.bmp>", {{"a.bmp", 180}, {"b.bmp", 190}});
    sequential.SetTimeLimit(std::chrono::milliseconds(0));
    Load();
    EXPECT_EQ(network.requests, std::vector<std::string>{kFolder});
    EXPECT_TRUE(board.Pictures().empty());
    EXPECT_FALSE(board.IsLoading());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], FolderTimeLimitReason(std::chrono::milliseconds(0)) + kConfirm);
}

TEST(FolderTimeLimit, TheReasonNamesTheLimit) {
    const struct {
        std::chrono::milliseconds limit;
        const char* span;
    } cases[] = {
        {kFolderTimeLimit, "10 minutes"},
        {std::chrono::seconds(1), "1 second"},
        {std::chrono::milliseconds(2500), "2 seconds"},
        {std::chrono::seconds(119), "119 seconds"},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(FolderTimeLimitReason(row.limit),
                  std::string("The folder took longer than ") + row.span +
                      " to load; the pictures that arrived are kept.");
    }
}

TEST(FolderPictures, APageGivesAtMostTheLinkLimitAndLocalFoldersKeepTheirNamesInside) {
    std::string many;
    for (std::size_t i = 0; i < kMaxPictureLinks + 3; ++i) many += "<a href=p" + std::to_string(i) + ".gif>";
    const struct {
        const char* folder;
        std::string page;
        std::size_t links;
        std::size_t ignored;
    } cases[] = {
        {"http://x.test/f/", many, kMaxPictureLinks, 3},
        {"file:///f/", many, kMaxPictureLinks, 3},
        // Only local folders are held to their own files; a server decides for itself.
        {"http://x.test/f/", "<a href=..%2fx.gif><a href=y.gif>", 2, 0},
        {"FILE:///f/", "<a href=..%2fx.gif><a href=y.gif>", 1, 0},
        {"file:///f/", "<a href=%2e%2e%2f%2e%2e%2fetc%2fx.gif><a href=sub%2fy.gif>", 1, 0},
    };
    for (const auto& row : cases) {
        std::size_t ignored = 99;
        const std::vector<PictureLink> links = PictureLinksOf(row.folder, row.page, &ignored);
        EXPECT_EQ(links.size(), row.links) << row.folder << row.page.substr(0, 40);
        EXPECT_EQ(ignored, row.ignored) << row.folder;
    }
}

TEST(FolderPictures, LinksKeepPageOrderAndPreparedPicturesFitTheCanvas) {
    const std::vector<PictureLink> links =
        PictureLinksOf("http://x.test/f/", "<a href=b.GIF><img src=c.bmp><a href='d/e.jpg'>");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].name, "b.GIF");
    EXPECT_EQ(links[1].address, "http://x.test/f/e.jpg");

    CDibImage small;
    small.Allocate(40, 30);
    const std::string bytes = test::BmpFileBytes(small);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const CDibImage prepared = PreparePicture(data, bytes.size(), "a.bmp", 572, 452);
    EXPECT_EQ(prepared.Width(), 572);
    EXPECT_EQ(prepared.Height(), 452);
    EXPECT_EQ(prepared.GetOutlineColour(), (RgbColour{0, 0, 0}));
    EXPECT_FALSE(PreparePicture(data, bytes.size(), "a.gif", 572, 452).HasPicture());
    EXPECT_FALSE(PreparePicture(data, 10, "a.bmp", 572, 452).HasPicture());
    EXPECT_FALSE(PreparePicture(nullptr, 0, "a.bmp", 572, 452).HasPicture());
}


// A loader's scratch memory carries nothing from one picture to the next: the same pictures
// as without it, whether the next is larger, smaller, taller or fails to decode.
TEST(FolderPictures, PicturesPreparedWithScratchMemoryAreThoseWithout) {
    const struct {
        std::int32_t width, height;
        RgbColour colour;
        const char* name;
    } pictures[] = {{900, 700, {200, 10, 10}, "a.bmp"}, {57, 45, {10, 200, 10}, "b.bmp"},
                    {30, 500, {10, 10, 200}, "c.bmp"},  {30, 500, {9, 9, 9}, "c.gif"},
                    {1200, 300, {90, 90, 90}, "d.bmp"}, {572, 452, {40, 50, 60}, "e.bmp"}};
    PictureScratch scratch;
    for (const auto& p : pictures) {
        CDibImage picture = test::MakeImage(p.width, p.height, test::kWhite);
        test::FillRectAt(picture, p.width / 4, p.height / 4, p.width / 2, p.height / 2, p.colour);
        const std::string bytes = test::BmpFileBytes(picture);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        const CDibImage alone = PreparePicture(data, bytes.size(), p.name, 572, 452);
        const CDibImage kept = PreparePicture(data, bytes.size(), p.name, 572, 452, &scratch);
        EXPECT_EQ(kept.HasPicture(), alone.HasPicture()) << p.name;
        ASSERT_EQ(kept.Width(), alone.Width());
        ASSERT_EQ(kept.Height(), alone.Height());
        EXPECT_EQ(test::FirstDifference(kept, alone), "") << p.name;
        EXPECT_EQ(kept.GetOutlineColour(), alone.GetOutlineColour());
    }
}

}  // namespace
}  // namespace kolo
