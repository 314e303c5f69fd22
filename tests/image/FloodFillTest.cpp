#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "image/DibImage.h"
#include "image/FillQueue.h"
#include "sources/PictureFile.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

using test::kBlack;
using test::kWhite;
using test::MakeImage;
using test::PixelAt;

constexpr RgbColour kPink{255, 0, 132};
constexpr RgbColour kGreen{0, 153, 0};

// A 12 × 10 white picture with a closed black square outline from (2, 2) to (8, 7).
CDibImage MakeBoxPicture() {
    CDibImage image = MakeImage(12, 10, kWhite);
    test::FillRectAt(image, 2, 2, 9, 3, kBlack);
    test::FillRectAt(image, 2, 7, 9, 8, kBlack);
    test::FillRectAt(image, 2, 2, 3, 8, kBlack);
    test::FillRectAt(image, 8, 2, 9, 8, kBlack);
    image.SetOutlineColour(0, 0, 0);
    return image;
}

int Fill(CDibImage& image, std::int32_t x, std::int32_t y, RgbColour c) {
    return image.FloodFill(x, y, c.red, c.green, c.blue);
}
int Fill(CDibImage& image, std::int32_t x, std::int32_t y, RgbColour c, Rect& changed,
         int closeGaps = 0) {
    return image.FloodFill(x, y, c.red, c.green, c.blue, changed, closeGaps);
}

TEST(FillQueue, IsFirstInFirstOutAndRefusesPushesWhenFull) {
    FillQueue queue;
    std::int32_t x = 0, row = 0;
    EXPECT_FALSE(queue.Pop(x, row));
    for (std::int32_t i = 0; i < kFillQueueCapacity; ++i) ASSERT_TRUE(queue.Push(i, -i));
    EXPECT_FALSE(queue.Push(9999, 9999));
    EXPECT_EQ(queue.Count(), kFillQueueCapacity);

    ASSERT_TRUE(queue.Pop(x, row));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(row, 0);
    // The freed slot is index 0: the ring wraps from 4095.
    ASSERT_TRUE(queue.Push(4096, -4096));
    for (std::int32_t i = 1; i <= kFillQueueCapacity; ++i) {
        ASSERT_TRUE(queue.Pop(x, row));
        EXPECT_EQ(x, i);
        EXPECT_EQ(row, -i);
    }
    EXPECT_FALSE(queue.Pop(x, row));

    queue.Push(1, 2);
    queue.Reset();
    EXPECT_FALSE(queue.Pop(x, row));
}

TEST(FloodFill, RecoloursExactlyTheEnclosedArea) {
    CDibImage image = MakeBoxPicture();
    const CDibImage before = image;
    ASSERT_EQ(Fill(image, 5, 5, kPink), 1);
    EXPECT_EQ(image.GetRegionColour(), kWhite);
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            const bool inside = x > 2 && x < 8 && y > 2 && y < 7;
            EXPECT_EQ(PixelAt(image, x, y), inside ? kPink : PixelAt(before, x, y))
                << "at " << x << "," << y;
        }
    }
}

TEST(FloodFill, ClickOnTheOutlineChangesNothing) {
    CDibImage image = MakeBoxPicture();
    const CDibImage before = image;
    image.CaptureRegionColour(10, 20, 30);
    EXPECT_EQ(Fill(image, 2, 4, kPink), 0);
    EXPECT_EQ(test::FirstDifference(image, before), "");
    EXPECT_EQ(image.GetRegionColour(), (RgbColour{10, 20, 30}));   // left as it was
}

TEST(FloodFill, AreaAlreadyInTheNewColourIsANoOpThatStillSetsTheRegionColour) {
    CDibImage image = MakeBoxPicture();
    const CDibImage before = image;
    EXPECT_EQ(Fill(image, 5, 5, kWhite), 0);
    EXPECT_EQ(test::FirstDifference(image, before), "");
    EXPECT_EQ(image.GetRegionColour(), kWhite);
}

TEST(FloodFill, EmptyImageAndSeedsOutsideThePictureReturnZero) {
    CDibImage empty;
    EXPECT_EQ(Fill(empty, 0, 0, kPink), 0);

    CDibImage image = MakeBoxPicture();
    const CDibImage before = image;
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {12, 0}, {0, 10}, {INT32_MIN, INT32_MAX}}) {
        EXPECT_EQ(Fill(image, x, y, kPink), 0) << x << "," << y;
    }
    EXPECT_EQ(test::FirstDifference(image, before), "");
}

TEST(FloodFill, AreasTouchingOnlyDiagonallyStaySeparate) {
    // Two white pixels meeting at a corner inside black: (1, 1) and (2, 2).
    CDibImage image = MakeImage(4, 4, kBlack);
    test::SetPixelAt(image, 1, 1, kWhite);
    test::SetPixelAt(image, 2, 2, kWhite);
    ASSERT_EQ(Fill(image, 1, 1, kPink), 1);
    EXPECT_EQ(PixelAt(image, 1, 1), kPink);
    EXPECT_EQ(PixelAt(image, 2, 2), kWhite);
}

TEST(FloodFill, SeedsInEveryCornerStayInsideThePicture) {
    // Odd width so that rows carry padding bytes, which must never be taken for pixels.
    for (auto [x, y] : {std::pair{0, 0}, {6, 0}, {0, 4}, {6, 4}}) {
        CDibImage image = MakeImage(7, 5, kWhite);
        ASSERT_EQ(Fill(image, x, y, kGreen), 1);
        EXPECT_EQ(test::FirstDifference(image, MakeImage(7, 5, kGreen)), "") << x << "," << y;
    }
}

TEST(FloodFill, RefillingWithTheOldColourRestoresThePictureExactly) {
    CDibImage image = MakeBoxPicture();
    const CDibImage before = image;
    ASSERT_EQ(Fill(image, 4, 4, kPink), 1);
    const RgbColour old = image.GetRegionColour();
    ASSERT_EQ(Fill(image, 4, 4, old), 1);
    EXPECT_EQ(test::FirstDifference(image, before), "");
}

// Pictures whose breadth-first frontier is wider than the queue's 4096 entries: every pixel
// of the area must still be reached.
void ExpectSameAsReference(CDibImage image, std::int32_t x, std::int32_t y) {
    const test::ReferenceFill reference = test::FillReference(image, x, y, kPink);
    ASSERT_EQ(Fill(image, x, y, kPink), 1);
    EXPECT_EQ(test::FirstDifference(image, reference.result), "");
}

TEST(FloodFillOverflow, HTreeOfCorridorsIsFilledCompletely) {
    const CDibImage tree = test::MakeHTree(572, 452);
    const test::ReferenceFill reference = test::FillReference(tree, 572 / 2, 452 / 2, kPink);
    ASSERT_GT(reference.peakQueue, static_cast<std::size_t>(kFillQueueCapacity))
        << "the picture must overflow the ring to test anything";
    ExpectSameAsReference(tree, 572 / 2, 452 / 2);
}

TEST(FloodFillOverflow, CombIsFilledCompletely) {
    // Wide enough that the spine alone leaves more stretches waiting than the ring holds.
    ExpectSameAsReference(test::MakeComb(10000, 60), 5000, 30);
}

TEST(FloodFillOverflow, OpenLargeCanvasIsFilledCompletely) {
    const CDibImage open = MakeImage(2000, 2000, kWhite);
    ASSERT_GT(test::FillReference(open, 1000, 1000, kPink).peakQueue,
              static_cast<std::size_t>(kFillQueueCapacity));
    CDibImage image = open;
    ASSERT_EQ(Fill(image, 1000, 1000, kPink), 1);
    EXPECT_EQ(test::FirstDifference(image, MakeImage(2000, 2000, kPink)), "");
}

// Every area of a picture, coloured in scan order and then coloured again from the same
// seeds, must come out exactly as a plain pixel-by-pixel fill leaves it.
void PlainFill(CDibImage& image, std::int32_t x, std::int32_t y, RgbColour colour) {
    const RgbColour region = PixelAt(image, x, y);
    if (region == colour) return;
    std::vector<std::pair<std::int32_t, std::int32_t>> queue{{x, y}};
    test::SetPixelAt(image, x, y, colour);
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const auto [px, py] = queue[head];
        const std::pair<std::int32_t, std::int32_t> next[4] = {
            {px, py + 1}, {px + 1, py}, {px, py - 1}, {px - 1, py}};
        for (const auto& [nx, ny] : next) {
            if (nx < 0 || ny < 0 || nx >= image.Width() || ny >= image.Height()) continue;
            if (PixelAt(image, nx, ny) != region) continue;
            test::SetPixelAt(image, nx, ny, colour);
            queue.emplace_back(nx, ny);
        }
    }
}

// Never black, never white, different for neighbouring areas.
RgbColour AreaColour(int i) {
    return RgbColour{static_cast<std::uint8_t>(1 + i % 251), static_cast<std::uint8_t>(i / 251 % 256),
                     static_cast<std::uint8_t>(100 + i % 7)};
}

void ExpectEveryAreaAsPlainFill(const CDibImage& picture) {
    CDibImage image = picture;
    CDibImage expected = picture;
    std::vector<std::pair<std::int32_t, std::int32_t>> seeds;
    for (std::int32_t y = 0; y < image.Height(); ++y) {
        for (std::int32_t x = 0; x < image.Width(); ++x) {
            if (PixelAt(image, x, y) != kWhite) continue;
            const RgbColour c = AreaColour(static_cast<int>(seeds.size()));
            ASSERT_EQ(Fill(image, x, y, c), 1) << "at " << x << "," << y;
            PlainFill(expected, x, y, c);
            seeds.emplace_back(x, y);
        }
    }
    ASSERT_EQ(test::FirstDifference(image, expected), "");
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const RgbColour c = AreaColour(static_cast<int>(i) + 1000);
        Fill(image, seeds[i].first, seeds[i].second, c);
        PlainFill(expected, seeds[i].first, seeds[i].second, c);
    }
    EXPECT_EQ(test::FirstDifference(image, expected), "");
}

// Black and white noise: many areas of every shape, with runs shorter and longer than the
// eight pixels the fill tests at once.
CDibImage Noise(std::int32_t width, std::int32_t height, int blackPercent, unsigned seed) {
    CDibImage image = MakeImage(width, height, kWhite);
    std::mt19937 random(seed);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            if (static_cast<int>(random() % 100) < blackPercent) test::SetPixelAt(image, x, y, kBlack);
        }
    }
    return image;
}

// The bundled drawing as the board puts it on its canvas.
CDibImage SampleCanvas(const std::string& name) {
    CDibImage picture;
    if (!LoadFile(picture, std::string(KOLO_SAMPLES_DIR) + name)) return picture;
    picture.Resize(572, 452);
    picture.Threshold(168);
    return picture;
}

struct FillPicture {
    const char* name;
    CDibImage (*make)();
};

const FillPicture kFillPictures[] = {
    {"EmptyCanvas", [] { return MakeImage(572, 452, kWhite); }},
    {"Comb", [] { return test::MakeComb(572, 452); }},
    {"HTree", [] { return test::MakeHTree(572, 452); }},
    {"OnePixelWide", [] { return Noise(1, 40, 30, 1); }},
    {"OneRow", [] { return Noise(50, 1, 30, 2); }},
    {"SparseNoise", [] { return Noise(67, 45, 25, 3); }},
    {"DenseNoise", [] { return Noise(64, 48, 45, 4); }},
    {"HalfNoise", [] { return Noise(97, 41, 50, 5); }},
    {"Car", [] { return SampleCanvas("car.bmp"); }},
    {"Cat", [] { return SampleCanvas("cat.gif"); }},
    {"Fish", [] { return SampleCanvas("fish.gif"); }},
    {"Flower", [] { return SampleCanvas("flower.jpg"); }},
    {"House", [] { return SampleCanvas("house.bmp"); }},
    {"Rocket", [] { return SampleCanvas("rocket.jpg"); }},
    {"Sun", [] { return SampleCanvas("sun.gif"); }},
    {"Tree", [] { return SampleCanvas("tree.bmp"); }},
};

void PrintTo(const FillPicture& picture, std::ostream* os) { *os << picture.name; }

class FloodFillEveryArea : public ::testing::TestWithParam<FillPicture> {};

TEST_P(FloodFillEveryArea, MatchesAPlainPixelFill) {
    const CDibImage picture = GetParam().make();
    ASSERT_TRUE(picture.HasPicture());
    ExpectEveryAreaAsPlainFill(picture);
}

INSTANTIATE_TEST_SUITE_P(Pictures, FloodFillEveryArea, ::testing::ValuesIn(kFillPictures),
                         [](const auto& info) { return std::string(info.param.name); });

// The rectangle a fill reports is exactly the bounds of the pixels it recoloured, with gap
// closing too.
TEST(FloodFillChangedArea, IsTheBoundsOfEveryRecolouredPixel) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const int closeGaps = static_cast<int>(seed % 3);
        CDibImage image = Noise(41, 37, 38, seed);
        for (std::int32_t y = 0; y < image.Height(); y += 5) {
            for (std::int32_t x = 0; x < image.Width(); x += 3) {
                const CDibImage before = image;
                Rect changed{-1, -1, -1, -1};
                if (Fill(image, x, y, AreaColour(x * 100 + y), changed, closeGaps) == 0) {
                    EXPECT_EQ(changed, (Rect{-1, -1, -1, -1}));
                    continue;
                }
                Rect bounds{image.Width(), image.Height(), 0, 0};
                for (std::int32_t py = 0; py < image.Height(); ++py) {
                    for (std::int32_t px = 0; px < image.Width(); ++px) {
                        if (PixelAt(image, px, py) == PixelAt(before, px, py)) continue;
                        bounds = Rect{std::min(bounds.left, px), std::min(bounds.top, py),
                                      std::max(bounds.right, px + 1), std::max(bounds.bottom, py + 1)};
                    }
                }
                ASSERT_EQ(changed, bounds) << "seed " << seed << " at " << x << "," << y;
            }
        }
    }
}

TEST(FloodFillColours, CaptureRefusesTheOutlineColour) {
    CDibImage image;
    EXPECT_EQ(image.GetOutlineColour(), (RgbColour{0, 0, 1}));
    EXPECT_EQ(image.CaptureRegionColour(0, 0, 1), 0);
    EXPECT_EQ(image.CaptureRegionColour(0, 0, 0), 1);
    EXPECT_EQ(image.GetRegionColour(), kBlack);
    image.SetOutlineColour(0, 0, 0);
    EXPECT_EQ(image.CaptureRegionColour(0, 0, 0), 0);
    EXPECT_EQ(image.CaptureRegionColour(1, 2, 3), 1);
    EXPECT_EQ(image.MatchesRegionColour(1, 2, 3), 1);
    EXPECT_EQ(image.MatchesRegionColour(1, 2, 4), 0);
}

}  // namespace
}  // namespace kolo

namespace kolo {
namespace {

// A 40 × 30 white picture with a one-pixel black rectangle from (5, 5) to (30, 22) whose left
// side has an opening of `gap` pixels from row 12 down.
CDibImage MakeOpenBox(std::int32_t gap) {
    CDibImage image = MakeImage(40, 30, kWhite);
    test::FillRectAt(image, 5, 5, 31, 6, kBlack);
    test::FillRectAt(image, 5, 22, 31, 23, kBlack);
    test::FillRectAt(image, 5, 5, 6, 23, kBlack);
    test::FillRectAt(image, 30, 5, 31, 23, kBlack);
    test::FillRectAt(image, 5, 12, 6, 12 + gap, kWhite);
    return image;
}

bool InsideFilled(const CDibImage& image, RgbColour c) {
    for (std::int32_t y = 6; y < 22; ++y) {
        for (std::int32_t x = 6; x < 30; ++x) {
            if (PixelAt(image, x, y) != c) return false;
        }
    }
    return true;
}

// An opening of up to n pixels holds a fill with gap closing n, a wider one lets it out; either
// way the inside is filled up to its lines, also from a click beside a line.
TEST(FloodFillCloseGaps, OpeningsUpToTheWidthHoldAndTheInsideReachesTheLines) {
    for (int n = 0; n <= kMaxCloseGaps; ++n) {
        for (std::int32_t gap = 1; gap <= 5; ++gap) {
            for (const auto& [x, y] : {std::pair{18, 14}, std::pair{29, 21}, std::pair{6, 12}}) {
                CDibImage image = MakeOpenBox(gap);
                Rect changed;
                ASSERT_EQ(Fill(image, x, y, kPink, changed, n), 1);
                EXPECT_EQ(PixelAt(image, 1, 1) == kPink, gap > n) << "n " << n << " gap " << gap;
                EXPECT_TRUE(InsideFilled(image, kPink)) << "n " << n << " gap " << gap << " at " << x;
                EXPECT_EQ(PixelAt(image, 38, 28), PixelAt(image, 1, 1));
            }
        }
    }
}

// Closed outlines, straight, diagonal and curved, and corridors one pixel wide fill exactly as
// the plain fill does at every gap width.
TEST(FloodFillCloseGaps, ClosedShapesAndNarrowCorridorsFillAsThePlainFill) {
    CDibImage shapes = MakeImage(90, 60, kWhite);
    test::FillRectAt(shapes, 2, 2, 28, 3, kBlack);
    test::FillRectAt(shapes, 2, 40, 28, 41, kBlack);
    test::FillRectAt(shapes, 2, 2, 3, 41, kBlack);
    test::FillRectAt(shapes, 27, 2, 28, 41, kBlack);
    for (std::int32_t i = 0; i <= 14; ++i) {   // a diamond of one-pixel diagonal lines
        for (const auto& [dx, dy] : {std::pair{i, i - 14}, std::pair{14 - i, i}, std::pair{-i, 14 - i},
                                     std::pair{i - 14, -i}}) {
            test::SetPixelAt(shapes, 45 + dx, 20 + dy, kBlack);
        }
    }
    for (int a = 0; a < 720; ++a) {   // a circle of radius 12
        const double t = a * 3.14159265358979 / 360;
        test::SetPixelAt(shapes, static_cast<std::int32_t>(75.5 + 12 * std::cos(t)),
                         static_cast<std::int32_t>(40.5 + 12 * std::sin(t)), kBlack);
    }
    test::FillRectAt(shapes, 2, 44, 61, 60, kBlack);   // a snake of one-pixel corridors
    for (std::int32_t y = 45; y < 59; y += 2) {
        test::FillRectAt(shapes, 3, y, 59, y + 1, kWhite);
        const std::int32_t turn = y % 4 == 1 ? 58 : 3;
        if (y + 2 < 59) test::FillRectAt(shapes, turn, y + 1, turn + 1, y + 2, kWhite);
    }
    for (const auto& [x, y] : {std::pair{15, 20}, std::pair{45, 20}, std::pair{75, 40}, std::pair{10, 46}}) {
        CDibImage plain = shapes;
        Rect changed;
        ASSERT_EQ(Fill(plain, x, y, kPink, changed), 1);
        for (int n = 1; n <= kMaxCloseGaps; ++n) {
            CDibImage closing = shapes;
            ASSERT_EQ(Fill(closing, x, y, kPink, changed, n), 1);
            EXPECT_EQ(test::FirstDifference(closing, plain), "") << "n " << n << " at " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace kolo

namespace kolo {
namespace {

// A box whose lines lie on the picture's own edges or across 64-pixel boundaries, with an
// opening of `gap` pixels in its left side at rows opening … opening + gap − 1; and optionally
// a comb of 5-pixel corridors inside, so that the fill is made of thousands of runs.
struct EdgeBox {
    const char* name;
    std::int32_t width, height, left, top;   // the box runs from (left, top) to the corner
    std::int32_t opening;
    bool comb;
    int widest;   // gap closing tried up to this (the comb's corridors are narrower than more)
};

class FloodFillCloseGapsAtEdges : public ::testing::TestWithParam<EdgeBox> {};

TEST_P(FloodFillCloseGapsAtEdges, OpeningsHoldAndTheInsideIsFilledWhole) {
    const EdgeBox& box = GetParam();
    const std::int32_t right = box.width - 1, bottom = box.height - 1;
    for (int n = 1; n <= box.widest; n += 3) {
        for (const std::int32_t gap : {n, n + 1}) {
            CDibImage image = MakeImage(box.width, box.height, kWhite);
            test::FillRectAt(image, box.left, box.top, right + 1, box.top + 1, kBlack);
            test::FillRectAt(image, box.left, bottom, right + 1, bottom + 1, kBlack);
            test::FillRectAt(image, box.left, box.top, box.left + 1, bottom + 1, kBlack);
            test::FillRectAt(image, right, box.top, right + 1, bottom + 1, kBlack);
            if (box.comb) {
                for (std::int32_t x = box.left + 20; x < right - 20; x += 6) {
                    test::FillRectAt(image, x, box.top + 30, x + 1, bottom - 10, kBlack);
                }
            }
            test::FillRectAt(image, box.left, box.opening, box.left + 1, box.opening + gap, kWhite);
            const CDibImage before = image;
            Rect changed;
            ASSERT_EQ(Fill(image, right - 5, bottom - 5, kPink, changed, n), 1);
            EXPECT_EQ(PixelAt(image, 0, 0) == kPink, gap > n) << "n " << n << " gap " << gap;
            for (std::int32_t y = box.top + 1; y < bottom; ++y) {
                for (std::int32_t x = box.left + 1; x < right; ++x) {
                    if (PixelAt(before, x, y) == kWhite) {
                        ASSERT_EQ(PixelAt(image, x, y), kPink) << "n " << n << " gap " << gap << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

const EdgeBox kEdgeBoxes[] = {
    {"OpeningAcrossAWordBoundary", 130, 90, 63, 3, 40, false, kMaxFillGap},
    {"LinesOnThePicturesEdges", 128, 80, 10, 0, 30, false, kMaxFillGap},
    {"RowsOfSixtyFourPixels", 192, 70, 64, 0, 20, false, kMaxFillGap},
    {"ThousandsOfRuns", 700, 260, 20, 20, 60, true, 4},
};
INSTANTIATE_TEST_SUITE_P(Boxes, FloodFillCloseGapsAtEdges, ::testing::ValuesIn(kEdgeBoxes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kolo
