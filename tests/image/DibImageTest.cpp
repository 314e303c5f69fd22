#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "image/DibImage.h"
#include "platform/soft/FramebufferContext.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

using test::kBlack;
using test::kWhite;
using test::MakeImage;
using test::PixelAt;
using test::SetPixelAt;

TEST(DibImageAllocate, RefusesEmptyNegativeAndImpossibleSizes) {
    CDibImage image;
    EXPECT_EQ(image.Allocate(0, 5), 0);
    EXPECT_FALSE(image.HasPicture());
    EXPECT_EQ(image.Allocate(-1, 5), 0);
    EXPECT_EQ(image.Allocate(16385, 1), 0);
    EXPECT_EQ(image.Allocate(16000, 16000), 0);   // over the pixel budget
    ASSERT_EQ(image.Allocate(3, 3), 1);
    EXPECT_EQ(image.Allocate(0, 3), 0);             // a failed allocation empties the image
    EXPECT_FALSE(image.HasPicture());
}

TEST(DibImageAllocate, GivesABlackPictureWithItsHeader) {
    CDibImage image;
    ASSERT_EQ(image.Allocate(1, 1), 1);
    EXPECT_EQ(image.PixelBlock().Size(), 4u);
    ASSERT_EQ(image.Allocate(5, 3), 1);
    EXPECT_EQ(image.Stride(), 16u);
    EXPECT_EQ(image.Header().biSizeImage, 48u);
    EXPECT_EQ(image.Header().biBitCount, 24);
    EXPECT_EQ(image.Header().biPlanes, 1);
    EXPECT_EQ(PixelAt(image, 4, 2), kBlack);
}

TEST(DibImageReallocate, KeepsItsMemoryWhenThereIsRoomAndClearsOnlyTheRowPadding) {
    CDibImage image;
    ASSERT_EQ(image.Allocate(10, 10), 1);
    std::memset(image.Pixels(), 0xA5, image.Stride() * 10);
    const std::uint8_t* memory = image.Pixels();
    ASSERT_EQ(image.Reallocate(5, 7), 1);   // 15 bytes of pixels in each 16-byte row
    EXPECT_EQ(image.Pixels(), memory);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(image.Height(), 7);
    EXPECT_EQ(image.Header().biSizeImage, 16u * 7);
    EXPECT_EQ(image.PixelBlock().Size(), 16u * 7);
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(image.Pixels()[16 * row + 14], 0xA5);   // pixels are the caller's to write
        EXPECT_EQ(image.Pixels()[16 * row + 15], 0);
    }
    ASSERT_EQ(image.Reallocate(20, 20), 1);   // no room: fresh, zeroed memory
    EXPECT_EQ(image.Pixels()[0], 0);
    EXPECT_EQ(image.PixelBlock().Size(), 60u * 20);
    EXPECT_EQ(image.Reallocate(0, 5), 0);
    EXPECT_FALSE(image.HasPicture());
    EXPECT_EQ(image.Reallocate(20000, 20000), 0);
    EXPECT_FALSE(image.HasPicture());
}

TEST(DibImageCopy, DuplicatesPixelsAndKeepsColours) {
    CDibImage original = MakeImage(4, 2, kWhite);
    original.SetOutlineColour(0, 0, 0);
    original.CaptureRegionColour(7, 8, 9);
    CDibImage copy(original);
    SetPixelAt(copy, 0, 0, kBlack);
    EXPECT_EQ(PixelAt(original, 0, 0), kWhite);   // not shared
    EXPECT_EQ(copy.GetOutlineColour(), kBlack);
    EXPECT_EQ(copy.GetRegionColour(), (RgbColour{7, 8, 9}));

    const CDibImage& same = copy;
    copy = same;   // self-assignment keeps the picture
    EXPECT_TRUE(copy.HasPicture());
}

TEST(DibImageCopy, CopyOfAnEmptyImageIsEmptyWithTheOthersHeaderAndColours) {
    CDibImage source = MakeImage(6, 4, kWhite);
    source.SetOutlineColour(1, 2, 3);
    source.Release();
    CDibImage target = MakeImage(2, 2, kBlack);
    target.Assign(source);
    EXPECT_FALSE(target.HasPicture());
    EXPECT_EQ(target.Width(), 6);
    EXPECT_EQ(target.Height(), 4);
    EXPECT_EQ(target.GetOutlineColour(), (RgbColour{1, 2, 3}));
}

TEST(DibImageThreshold, SplitsAtTheLevelOnTheIntegerAverage) {
    CDibImage image = MakeImage(4, 1, kBlack);
    SetPixelAt(image, 0, 0, RgbColour{168, 168, 168});
    SetPixelAt(image, 1, 0, RgbColour{169, 169, 169});
    SetPixelAt(image, 2, 0, RgbColour{255, 255, 0});   // average 170
    SetPixelAt(image, 3, 0, RgbColour{255, 254, 0});   // average 169.67, truncated to 169
    image.Threshold(168);
    EXPECT_EQ(PixelAt(image, 0, 0), kBlack);
    EXPECT_EQ(PixelAt(image, 1, 0), kWhite);
    EXPECT_EQ(PixelAt(image, 2, 0), kWhite);
    EXPECT_EQ(PixelAt(image, 3, 0), kWhite);
}

TEST(DibImageCompose, ColoursReplaceWhiteShowsThroughAndLinesTakeTheHalvedNeighbour) {
    // Canvas, 3 × 3:        target: all grey (90, 90, 90).
    //   W  W  W
    //   W  K  R        K = black line; R = (10, 20, 30) to its right
    //   W  B  W        B = (200, 100, 50) below it
    CDibImage canvas = MakeImage(3, 3, kWhite);
    SetPixelAt(canvas, 1, 1, kBlack);
    SetPixelAt(canvas, 2, 1, RgbColour{10, 20, 30});
    SetPixelAt(canvas, 1, 2, RgbColour{200, 100, 50});
    CDibImage target = MakeImage(3, 3, RgbColour{90, 90, 90});
    ASSERT_EQ(canvas.ComposeOnto(target), 1);
    EXPECT_EQ(PixelAt(target, 1, 1), (RgbColour{100, 50, 25}));   // below wins over right
    EXPECT_EQ(PixelAt(target, 2, 1), (RgbColour{10, 20, 30}));
    EXPECT_EQ(PixelAt(target, 0, 0), (RgbColour{90, 90, 90}));
}

TEST(DibImageCompose, NeighboursAreTriedBelowRightAboveLeft) {
    const RgbColour below{2, 2, 2}, right{4, 4, 4}, above{6, 6, 6}, left{8, 8, 8};
    auto composeCentre = [](CDibImage canvas) {
        SetPixelAt(canvas, 1, 1, kBlack);
        CDibImage target = MakeImage(3, 3, RgbColour{90, 90, 90});
        canvas.ComposeOnto(target);
        return PixelAt(target, 1, 1);
    };
    CDibImage canvas = MakeImage(3, 3, kBlack);
    SetPixelAt(canvas, 0, 1, left);
    EXPECT_EQ(composeCentre(canvas), (RgbColour{4, 4, 4}));
    SetPixelAt(canvas, 1, 0, above);
    EXPECT_EQ(composeCentre(canvas), (RgbColour{3, 3, 3}));
    SetPixelAt(canvas, 2, 1, right);
    EXPECT_EQ(composeCentre(canvas), (RgbColour{2, 2, 2}));
    SetPixelAt(canvas, 1, 2, below);
    EXPECT_EQ(composeCentre(canvas), (RgbColour{1, 1, 1}));
}

TEST(DibImageCompose, OnlyNeighboursInsideTheCommonAreaCount) {
    // The canvas is one row taller than the target; they meet at the bottom. The line pixel at
    // canvas (0, 1) has its only coloured neighbour above it, in the row the target lacks.
    CDibImage canvas = MakeImage(2, 3, kWhite);
    SetPixelAt(canvas, 0, 1, kBlack);
    SetPixelAt(canvas, 0, 0, RgbColour{50, 50, 50});
    CDibImage target = MakeImage(2, 2, RgbColour{90, 90, 90});
    ASSERT_EQ(canvas.ComposeOnto(target), 1);
    EXPECT_EQ(test::FirstDifference(target, MakeImage(2, 2, RgbColour{90, 90, 90})), "");

    CDibImage empty;
    EXPECT_EQ(canvas.ComposeOnto(empty), 0);
    EXPECT_EQ(empty.ComposeOnto(target), 0);
}

TEST(DibImageOverlay, CopiesEverythingButTheKey) {
    CDibImage frame = MakeImage(3, 1, kWhite);
    SetPixelAt(frame, 0, 0, RgbColour{120, 80, 40});
    SetPixelAt(frame, 1, 0, RgbColour{255, 255, 254});
    CDibImage target = MakeImage(3, 1, kBlack);
    ASSERT_EQ(frame.OverlayOnto(255, 255, 255, target), 1);
    EXPECT_EQ(PixelAt(target, 0, 0), (RgbColour{120, 80, 40}));
    EXPECT_EQ(PixelAt(target, 1, 0), (RgbColour{255, 255, 254}));
    EXPECT_EQ(PixelAt(target, 2, 0), kBlack);
    CDibImage empty;
    EXPECT_EQ(frame.OverlayOnto(255, 255, 255, empty), 0);
}

// A 4 × 3 picture whose pixel (x, y) is (x, y, 7).
CDibImage MakeGradient() {
    CDibImage image = MakeImage(4, 3, kBlack);
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) {
            SetPixelAt(image, x, y, RgbColour{static_cast<std::uint8_t>(x),
                                               static_cast<std::uint8_t>(y), 7});
        }
    }
    return image;
}

TEST(DibImageDraw, UnscaledPartLandsTopDownAtTheDestination) {
    const CDibImage image = MakeGradient();
    FramebufferContext dc(10, 10, 0x00FFFFFF);
    image.DrawPart(dc, Rect{0, 0, 4, 3}, Rect{5, 6, 9, 9});
    EXPECT_EQ(dc.GetPixel(5, 6), MakeColourRef(0, 0, 7));
    EXPECT_EQ(dc.GetPixel(8, 8), MakeColourRef(3, 2, 7));
    EXPECT_EQ(dc.GetPixel(4, 6), 0x00FFFFFFu);
    EXPECT_EQ(dc.GetPixel(9, 9), 0x00FFFFFFu);
}

TEST(DibImageDraw, StretchDoublesByNearestSample) {
    const CDibImage image = MakeGradient();
    FramebufferContext dc(8, 6);
    image.Draw(dc, Rect{0, 0, 8, 6});
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(dc.GetPixel(x, y), MakeColourRef(static_cast<std::uint8_t>(x / 2),
                                                       static_cast<std::uint8_t>(y / 2), 7))
                << x << "," << y;
        }
    }
    CDibImage empty;
    empty.Draw(dc, Rect{0, 0, 8, 6});   // draws nothing
    EXPECT_EQ(dc.GetPixel(0, 0), MakeColourRef(0, 0, 7));
}

// Every operation that can change the pixels gives the image a new generation; reading does not.
struct GenerationCase {
    const char* name;
    bool changes;
    void (*apply)(CDibImage& image);
};

const GenerationCase kGenerationCases[] = {
    {"Allocate", true, [](CDibImage& i) { i.Allocate(4, 4); }},
    {"Release", true, [](CDibImage& i) { i.Release(); }},
    {"CopyAssign", true, [](CDibImage& i) { i = MakeImage(3, 3, kWhite); }},
    {"MoveAssign", true, [](CDibImage& i) { CDibImage other = MakeImage(3, 3, kWhite); i = std::move(other); }},
    {"Threshold", true, [](CDibImage& i) { i.Threshold(168); }},
    {"Fill", true, [](CDibImage& i) { i.FloodFill(0, 0, 255, 0, 132); }},
    {"Resize", true, [](CDibImage& i) { i.Resize(9, 9); }},
    {"WritablePixels", true, [](CDibImage& i) { i.Pixels()[0] = 7; }},
    {"CopyArea", true, [](CDibImage& i) { i.CopyArea(MakeImage(6, 5, kBlack), Rect{0, 0, 2, 2}); }},
    {"ComposeOntoAnother", false, [](CDibImage& i) { CDibImage t = MakeImage(6, 5, kWhite); i.ComposeOnto(t); }},
    {"OverlayOntoAnother", false, [](CDibImage& i) { CDibImage t = MakeImage(6, 5, kWhite); i.OverlayOnto(1, 2, 3, t); }},
    {"FillThatChangesNothing", false, [](CDibImage& i) { i.FloodFill(0, 0, 255, 255, 255); }},
    {"ReadingColours", false, [](CDibImage& i) { (void)i.GetRegionColour(); i.SetOutlineColour(0, 0, 0); }},
};

void PrintTo(const GenerationCase& c, std::ostream* os) { *os << c.name; }

class DibImageGeneration : public ::testing::TestWithParam<GenerationCase> {};

TEST_P(DibImageGeneration, ChangesExactlyWhenThePixelsMayHave) {
    CDibImage image = MakeImage(6, 5, kWhite);
    const std::uint64_t before = image.Generation();
    GetParam().apply(image);
    EXPECT_EQ(image.Generation() != before, GetParam().changes);
}

INSTANTIATE_TEST_SUITE_P(Operations, DibImageGeneration, ::testing::ValuesIn(kGenerationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DibImageGeneration, CopiesAreNeverTakenForTheOriginal) {
    const CDibImage a = MakeImage(2, 2, kWhite);
    const CDibImage b = a;
    CDibImage c = MakeImage(2, 2, kWhite);
    c = a;
    EXPECT_NE(a.Generation(), b.Generation());
    EXPECT_NE(a.Generation(), c.Generation());
    EXPECT_NE(b.Generation(), c.Generation());
}

// Composing and overlaying inside an area give, inside it, what the whole operation gives,
// and leave everything outside it untouched; areas may reach past the picture.
class DibImageComposeArea : public ::testing::TestWithParam<Rect> {};

TEST_P(DibImageComposeArea, MatchesTheWholeOperationInsideOnly) {
    const Rect area = GetParam();
    CDibImage canvas = MakeImage(9, 7, kWhite);
    test::FillRectAt(canvas, 4, 0, 5, 7, kBlack);
    test::FillRectAt(canvas, 0, 3, 4, 4, kBlack);
    test::FillRectAt(canvas, 0, 0, 4, 3, RgbColour{200, 100, 50});
    CDibImage frame = MakeImage(9, 7, kWhite);
    test::FillRectAt(frame, 0, 0, 9, 1, RgbColour{90, 60, 30});
    const CDibImage picture = MakeImage(9, 7, RgbColour{10, 20, 30});

    CDibImage whole = picture;
    canvas.ComposeOnto(whole);
    frame.OverlayOnto(255, 255, 255, whole);
    CDibImage part = picture;
    canvas.ComposeOnto(part, area);
    frame.OverlayOnto(255, 255, 255, part, area);
    CDibImage copied = picture;
    copied.CopyArea(whole, area);
    for (std::int32_t y = 0; y < 7; ++y) {
        for (std::int32_t x = 0; x < 9; ++x) {
            const RgbColour expected = area.Contains(x, y) ? PixelAt(whole, x, y) : PixelAt(picture, x, y);
            EXPECT_EQ(PixelAt(part, x, y), expected) << x << "," << y;
            EXPECT_EQ(PixelAt(copied, x, y), expected) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Areas, DibImageComposeArea,
                         ::testing::Values(Rect{0, 0, 9, 7}, Rect{3, 2, 6, 5}, Rect{4, 3, 5, 4},
                                           Rect{-3, -2, 2, 2}, Rect{7, 5, 20, 20}, Rect{2, 2, 2, 5},
                                           Rect{10, 0, 12, 7}));

// Averaging a picture held at a factor down onto one of the smaller size: each target pixel
// inside the area is its block's mean, rounded half up, for every factor (those the fast rows
// know and a larger one), and the pixels outside the area keep what they had.
struct AverageCase {
    std::int32_t factor;
    Rect area;   // target pixels, y from the top
};

class DibImageAverageBlocks : public ::testing::TestWithParam<AverageCase> {};

TEST_P(DibImageAverageBlocks, GivesEachBlocksRoundedMeanInsideTheAreaOnly) {
    const auto [factor, area] = GetParam();
    constexpr std::int32_t kWidth = 7, kHeight = 5;
    CDibImage detail = MakeImage(kWidth * factor, kHeight * factor, kWhite);
    for (std::int32_t y = 0; y < kHeight * factor; ++y) {
        for (std::int32_t x = 0; x < kWidth * factor; ++x) {
            SetPixelAt(detail, x, y,
                       RgbColour{static_cast<std::uint8_t>((x * 37 + y * 11) % 256),
                                 static_cast<std::uint8_t>((x * 5 + y * 71) % 256),
                                 static_cast<std::uint8_t>(x % 2 == y % 2 ? 255 : 0)});
        }
    }
    const RgbColour untouched{1, 2, 3};
    CDibImage target = MakeImage(kWidth, kHeight, untouched);
    ASSERT_EQ(detail.AverageBlocksOnto(target, factor, area), 1);
    const std::uint32_t cells = static_cast<std::uint32_t>(factor * factor);
    for (std::int32_t y = 0; y < kHeight; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            std::uint32_t sum[3] = {0, 0, 0};
            for (std::int32_t dy = 0; dy < factor; ++dy) {
                for (std::int32_t dx = 0; dx < factor; ++dx) {
                    const RgbColour p = PixelAt(detail, x * factor + dx, y * factor + dy);
                    sum[0] += p.red;
                    sum[1] += p.green;
                    sum[2] += p.blue;
                }
            }
            const RgbColour mean{static_cast<std::uint8_t>((sum[0] + cells / 2) / cells),
                                 static_cast<std::uint8_t>((sum[1] + cells / 2) / cells),
                                 static_cast<std::uint8_t>((sum[2] + cells / 2) / cells)};
            EXPECT_EQ(PixelAt(target, x, y), area.Contains(x, y) ? mean : untouched)
                << "factor " << factor << " at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Factors, DibImageAverageBlocks,
                         ::testing::Values(AverageCase{1, Rect{0, 0, 7, 5}}, AverageCase{2, Rect{0, 0, 7, 5}},
                                           AverageCase{2, Rect{1, 1, 4, 3}}, AverageCase{3, Rect{-2, 3, 9, 9}},
                                           AverageCase{4, Rect{6, 0, 7, 5}}, AverageCase{4, Rect{2, 2, 2, 5}},
                                           AverageCase{5, Rect{0, 1, 5, 4}}));

TEST(DibImageAverageBlocksSizes, RefusesATargetNotExactlyTheFactorSmaller) {
    const CDibImage detail = MakeImage(8, 6, kWhite);
    CDibImage target = MakeImage(4, 3, kBlack);
    EXPECT_EQ(detail.AverageBlocksOnto(target, 3, Rect{0, 0, 4, 3}), 0);
    EXPECT_EQ(detail.AverageBlocksOnto(target, 0, Rect{0, 0, 4, 3}), 0);
    CDibImage taller = MakeImage(4, 4, kBlack);
    EXPECT_EQ(detail.AverageBlocksOnto(taller, 2, Rect{0, 0, 4, 4}), 0);
    EXPECT_EQ(PixelAt(target, 0, 0), kBlack);
}

}  // namespace
}  // namespace kolo
