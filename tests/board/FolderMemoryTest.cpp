// How a folder's pictures are kept: the first ones decoded, the others as their fetched bytes
// when those are smaller, all within the folder's memory budget; and browsing shows the same
// pictures whichever way they are kept.
#include "board/FolderPictures.h"
#include "tests/board/BoardFixture.h"
#include "tests/board/FakeInternetSession.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

constexpr const char* kFolder = "http://pictures.test/many/";

// A small picture of one grey tone with a black frame: a few kilobytes as BMP, the whole
// canvas once prepared.
std::vector<std::uint8_t> SmallPictureBytes(std::uint8_t tone, std::int32_t width = 40,
                                            std::int32_t height = 30) {
    CDibImage image = test::MakeImage(width, height, RgbColour{tone, tone, tone});
    for (std::int32_t x = 0; x < width; ++x) {
        test::SetPixelAt(image, x, 0, RgbColour{0, 0, 0});
        test::SetPixelAt(image, x, height - 1, RgbColour{0, 0, 0});
    }
    const std::string bytes = test::BmpFileBytes(image);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

CDibImage Prepared(const std::vector<std::uint8_t>& bytes) {
    return PreparePicture(bytes.data(), bytes.size(), "p.bmp", kCanvasWidth, kCanvasHeight);
}

TEST(FolderMemory, PicturesPastTheFirstAreKeptInTheirSmallerFormAndShowTheSame) {
    const std::vector<std::uint8_t> small = SmallPictureBytes(120);
    const std::vector<std::uint8_t> full = SmallPictureBytes(120, kCanvasWidth, kCanvasHeight);
    const struct {
        const char* what;
        const std::vector<std::uint8_t>& bytes;
        std::size_t index;
        bool decoded;
    } cases[] = {
        {"first picture", small, 0, true},
        {"last one kept decoded", small, kDecodedFolderPictures - 1, true},
        {"first one kept as bytes", small, kDecodedFolderPictures, false},
        {"far down the page", small, kMaxPictureLinks - 1, false},
        {"bytes larger than the picture", full, kDecodedFolderPictures + 5, true},
    };
    for (const auto& row : cases) {
        FolderBudget budget;
        const PreparedPicture prepared =
            PrepareFolderPicture(row.bytes, "p.bmp", row.index, kCanvasWidth, kCanvasHeight, budget);
        ASSERT_TRUE(prepared.picture.HasPicture()) << row.what;
        EXPECT_FALSE(prepared.leftOut) << row.what;
        EXPECT_EQ(prepared.picture.IsDecoded(), row.decoded) << row.what;
        EXPECT_EQ(budget.Used(), prepared.picture.KeptBytes()) << row.what;
        const std::size_t decodedBytes = Prepared(row.bytes).PixelBlock().Size();
        EXPECT_EQ(prepared.picture.KeptBytes(), row.decoded ? decodedBytes : row.bytes.size() + 5)
            << row.what;   // the bytes and the name
        const CDibImage shown = prepared.picture.Image();
        EXPECT_EQ(test::FirstDifference(shown, Prepared(row.bytes)), "") << row.what;
        EXPECT_EQ(shown.GetOutlineColour(), (RgbColour{0, 0, 0})) << row.what;
    }
}

// A picture larger than the canvas keeps its file, so that at detail it is fitted again from
// it, its one-pixel lines sharp; a smaller one is enlarged and keeps only the picture.
TEST(FolderMemory, APictureLargerThanItsFitKeepsItsBytesForDetail) {
    const std::vector<std::uint8_t> large = SmallPictureBytes(255, 2 * kCanvasWidth, 2 * kCanvasHeight);
    const std::vector<std::uint8_t> small = SmallPictureBytes(255);
    EXPECT_TRUE(HoldsMoreDetail(large, "p.bmp", kCanvasWidth, kCanvasHeight));
    EXPECT_FALSE(HoldsMoreDetail(small, "p.bmp", kCanvasWidth, kCanvasHeight));
    EXPECT_TRUE(HoldsMoreDetail(small, "p.SVG", kCanvasWidth, kCanvasHeight));
    for (const auto* bytes : {&large, &small}) {
        FolderBudget budget;
        const PreparedPicture prepared =
            PrepareFolderPicture(*bytes, "p.bmp", 0, kCanvasWidth, kCanvasHeight, budget);
        ASSERT_TRUE(prepared.picture.IsDecoded());
        EXPECT_EQ(budget.Used(), prepared.picture.KeptBytes());
        const CDibImage twice = prepared.picture.ImageAt(2);
        ASSERT_EQ(twice.Width(), 2 * kCanvasWidth);
        EXPECT_EQ(twice.GetOutlineColour(), (RgbColour{0, 0, 0}));
        // The frame's top line: one pixel of the large file, a wide band of the small one.
        int dark = 0;
        for (int y = 0; y < 80; ++y) dark += test::PixelAt(twice, kCanvasWidth, y).red < 128;
        if (bytes == &large) {
            EXPECT_EQ(dark, 1);
        } else {
            EXPECT_GT(dark, 4);
        }
    }
}

// The picture going on the canvas comes with its detail, exactly as the board would fit it
// from the list's picture, and outside the folder's budget.
TEST(FolderMemory, ThePictureForTheCanvasComesAtDetailAsTheBoardWouldFitIt) {
    const std::vector<std::uint8_t> large = SmallPictureBytes(200, 2 * kCanvasWidth + 40, 2 * kCanvasHeight);
    const std::vector<std::uint8_t> small = SmallPictureBytes(200);
    const std::vector<std::uint8_t> cut(large.begin(), large.begin() + 40);
    const struct {
        const std::vector<std::uint8_t>& bytes;
        const char* name;
        std::size_t index;
        int detail;
        bool detailed;
    } cases[] = {
        {large, "fitted-again.bmp", 0, 4, true},   {small, "enlarged.bmp", 0, 3, true},
        {small, "kept-as-bytes.bmp", kDecodedFolderPictures + 1, 2, true},
        {large, "canvas-size.bmp", 0, 1, false},   {cut, "fails.bmp", 0, 2, false},
    };
    for (const auto& row : cases) {
        FolderBudget budget;
        const PreparedPicture prepared = PrepareFolderPicture(row.bytes, row.name, row.index, kCanvasWidth,
                                                              kCanvasHeight, budget, nullptr, row.detail);
        EXPECT_EQ(prepared.detailed.HasPicture(), row.detailed) << row.name;
        EXPECT_EQ(budget.Used(), prepared.picture.KeptBytes()) << row.name;
        if (!row.detailed) continue;
        const CDibImage fitted = prepared.picture.ImageAt(row.detail);
        ASSERT_EQ(fitted.Width(), row.detail * kCanvasWidth) << row.name;
        EXPECT_EQ(test::FirstDifference(prepared.detailed, fitted), "") << row.name;
    }
}

TEST(FolderMemory, APictureThatFailsIsNeitherKeptNorCounted) {
    FolderBudget budget;
    std::vector<std::uint8_t> cut = SmallPictureBytes(120);
    cut.resize(20);
    for (const std::size_t index : {std::size_t{0}, kDecodedFolderPictures + 1}) {
        const PreparedPicture prepared =
            PrepareFolderPicture(cut, "p.bmp", index, kCanvasWidth, kCanvasHeight, budget);
        EXPECT_FALSE(prepared.picture.HasPicture());
        EXPECT_FALSE(prepared.leftOut);
    }
    EXPECT_EQ(budget.Used(), 0u);
}

TEST(FolderMemory, ThePictureThatWouldPassTheBudgetIsLeftOut) {
    FolderBudget budget;
    EXPECT_FALSE(budget.Take(kFolderMemoryBudget + 1));
    EXPECT_EQ(budget.Used(), 0u);
    const std::vector<std::uint8_t> small = SmallPictureBytes(90);
    const CDibImage decoded = Prepared(small);
    // Room for the decoded picture but one byte.
    ASSERT_TRUE(budget.Take(kFolderMemoryBudget - decoded.PixelBlock().Size() + 1));
    const PreparedPicture decodedOne =
        PrepareFolderPicture(small, "p.bmp", 0, kCanvasWidth, kCanvasHeight, budget);
    EXPECT_TRUE(decodedOne.leftOut);
    EXPECT_FALSE(decodedOne.picture.HasPicture());
    // Its bytes still fit.
    const PreparedPicture keptAsBytes = PrepareFolderPicture(
        small, "p.bmp", kDecodedFolderPictures, kCanvasWidth, kCanvasHeight, budget);
    EXPECT_FALSE(keptAsBytes.leftOut);
    EXPECT_TRUE(keptAsBytes.picture.HasPicture());
    ASSERT_TRUE(budget.Take(kFolderMemoryBudget - budget.Used()));
    EXPECT_FALSE(budget.Take(1));
}

// A folder with more pictures than are kept decoded, each of its own tone, loaded through the
// sequential loader: the thumbnail and the canvas show the right picture wherever it is.
class FolderBrowsingTest : public BoardTest {
protected:
    static constexpr int kCount = static_cast<int>(kDecodedFolderPictures) + 8;
    static std::uint8_t ToneAt(int index) { return static_cast<std::uint8_t>(100 + index); }

    void SetUp() override {
        BoardTest::SetUp();
        std::string page;
        for (int i = 0; i < kCount; ++i) {
            const std::string name = "p" + std::to_string(i) + ".bmp";
            page += "<a href=\"" + name + "\">";
            const std::vector<std::uint8_t> bytes = SmallPictureBytes(ToneAt(i));
            network.files[kFolder + name] = std::string(bytes.begin(), bytes.end());
        }
        network.pages[kFolder] = page;
        board.SetFolderLoader(&sequential);
        board.SetImageURL(kFolder);
        Paint();
    }

    ColourRef ThumbnailCentre() const {
        return Screen((kThumbnailRect.left + kThumbnailRect.right) / 2,
                      (kThumbnailRect.top + kThumbnailRect.bottom) / 2);
    }
    static ColourRef Grey(std::uint8_t tone) { return MakeColourRef(tone, tone, tone); }

    FakeNetwork network;
    SequentialFolderLoader sequential{[this] { return std::make_unique<FakeInternetSession>(network); }};
};

TEST_F(FolderBrowsingTest, ThumbnailAndCanvasShowEachPictureWhereverItIsKept) {
    ASSERT_EQ(board.Pictures().size(), static_cast<std::size_t>(kCount));
    EXPECT_TRUE(board.Pictures()[kDecodedFolderPictures - 1].IsDecoded());
    EXPECT_FALSE(board.Pictures()[kDecodedFolderPictures].IsDecoded());
    EXPECT_EQ(board.LeftOutCount(), 0u);
    for (int index = 0; index < kCount; ++index) {
        ASSERT_EQ(board.PictureIndex(), index);
        EXPECT_EQ(ThumbnailCentre(), Grey(ToneAt(index))) << "thumbnail " << index;
        board.NextPicture();
        Paint();
    }
    EXPECT_EQ(ThumbnailCentre(), Grey(ToneAt(0)));   // round to the first
    for (int step = 0; step < kCount - 3; ++step) board.NextPicture();
    board.PreviousPicture();
    Paint();
    const int shown = kCount - 4;
    EXPECT_EQ(ThumbnailCentre(), Grey(ToneAt(shown)));
    board.Click(kThumbnailRect.left + 20, kThumbnailRect.top + 20);
    Paint();
    EXPECT_EQ(test::PixelAt(board.SourcePicture(), 200, 200), (RgbColour{ToneAt(shown), ToneAt(shown), ToneAt(shown)}));
    EXPECT_EQ(test::FirstDifference(board.SourcePicture(), board.Pictures()[shown].Image()), "");
}

}  // namespace
}  // namespace kolo
