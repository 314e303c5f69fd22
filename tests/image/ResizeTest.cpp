#include <string>

#include <gtest/gtest.h>

#include "image/DibImage.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

using test::MakeImage;
using test::PixelAt;
using test::SetPixelAt;

RgbColour Grey(int v) {
    const auto b = static_cast<std::uint8_t>(v);
    return RgbColour{b, b, b};
}

// One column of greys, listed bottom row first as the resizing rules count them.
CDibImage Column(std::initializer_list<int> bottomUp) {
    const auto height = static_cast<std::int32_t>(bottomUp.size());
    CDibImage image = MakeImage(1, height, test::kBlack);
    std::int32_t row = 0;
    for (int v : bottomUp) SetPixelAt(image, 0, height - 1 - row++, Grey(v));
    return image;
}

std::vector<int> ColumnValues(const CDibImage& image) {
    std::vector<int> out;
    for (std::int32_t row = 0; row < image.Height(); ++row) {
        out.push_back(PixelAt(image, 0, image.Height() - 1 - row).red);
    }
    return out;
}

TEST(ResizeStretch, TwoRowsToFourDoublesWithAnAverageBetween) {
    CDibImage image = Column({10, 21});
    image.Resize(1, 4);
    EXPECT_EQ(ColumnValues(image), (std::vector<int>{10, 10, 15, 21}));
}

TEST(ResizeStretch, ThreeRowsToFiveSpreadsWithoutDoubling) {
    CDibImage image = Column({10, 20, 40});
    image.Resize(1, 5);
    EXPECT_EQ(ColumnValues(image), (std::vector<int>{10, 15, 20, 30, 40}));
}

TEST(ResizeStretch, DoublingThenSpreadKeepsTheTopRowCopied) {
    CDibImage image = Column({0, 100});
    image.Resize(1, 7);   // doubled once to 4 rows, then spread to 7
    const std::vector<int> v = ColumnValues(image);
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v.front(), 0);
    EXPECT_EQ(v.back(), 100);
}

TEST(ResizeStretch, ColumnsFollowTheSameRule) {
    CDibImage image = MakeImage(3, 1, test::kBlack);
    SetPixelAt(image, 0, 0, Grey(10));
    SetPixelAt(image, 1, 0, Grey(20));
    SetPixelAt(image, 2, 0, Grey(40));
    image.Resize(5, 1);
    ASSERT_EQ(image.Width(), 5);
    const int expected[] = {10, 15, 20, 30, 40};
    for (std::int32_t x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(image, x, 0), Grey(expected[x])) << x;
}

TEST(ResizeShrink, FourRowsToTwoSamplesRowsZeroThenOneAndTwo) {
    CDibImage image = Column({10, 20, 41, 200});
    image.Resize(1, 2);
    // Row 0 averages source row 0 alone; row 1 averages rows 1 and 2 (truncating); row 3 unused.
    EXPECT_EQ(ColumnValues(image), (std::vector<int>{10, 30}));
}

// A line pixel under a destination pixel whose mean is light is kept, as the darkest pixel of
// the lines under it; the last destination line also looks at the lines its mean leaves out.
TEST(ResizeShrink, KeepsLinePixelsThatTheMeanWouldLighten) {
    struct Case {
        std::vector<int> bottomUp;
        std::int32_t height;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {{255, 255, 100, 255, 255, 255}, 2, {255, 100}},   // rows 1…3 average to 203
        {{255, 255, 255, 255, 255, 90}, 2, {255, 90}},     // row 5 lies past the last mean
        {{255, 255, 150, 120, 255, 255}, 2, {255, 120}},   // the darkest one is taken
        {{255, 255, 168, 255, 255, 255}, 2, {255, 168}},   // 168 is a line
        {{255, 255, 169, 255, 255, 255}, 2, {255, 226}},   // 169 is paper: the mean
        {{10, 20, 41, 200}, 2, {10, 30}},                  // a dark mean stays the mean
    };
    for (const Case& c : cases) {
        const auto size = static_cast<std::int32_t>(c.bottomUp.size());
        CDibImage column = MakeImage(1, size, test::kBlack);
        CDibImage row = MakeImage(size, 1, test::kBlack);   // the same values along a row
        for (std::int32_t i = 0; i < size; ++i) {
            SetPixelAt(column, 0, size - 1 - i, Grey(c.bottomUp[i]));
            SetPixelAt(row, i, 0, Grey(c.bottomUp[i]));
        }
        column.Resize(1, c.height);
        row.Resize(c.height, 1);
        EXPECT_EQ(ColumnValues(column), c.expected) << c.bottomUp[2];
        for (std::int32_t x = 0; x < c.height; ++x) EXPECT_EQ(PixelAt(row, x, 0), Grey(c.expected[x]));
    }
}

TEST(ResizeShrink, ColumnsAverageTheSameWay) {
    CDibImage image = MakeImage(4, 1, test::kBlack);
    const int values[] = {10, 20, 41, 200};
    for (std::int32_t x = 0; x < 4; ++x) SetPixelAt(image, x, 0, Grey(values[x]));
    image.Resize(2, 1);
    EXPECT_EQ(PixelAt(image, 0, 0), Grey(10));
    EXPECT_EQ(PixelAt(image, 1, 0), Grey(30));
}

TEST(Resize, SameSizeChangesNothingAndEmptyStaysEmpty) {
    CDibImage image = test::MakeHTree(40, 30);
    const CDibImage before = image;
    image.Resize(40, 30);
    EXPECT_EQ(test::FirstDifference(image, before), "");

    CDibImage empty;
    empty.Resize(10, 10);
    EXPECT_FALSE(empty.HasPicture());
}

TEST(Resize, WiderAndShorterStretchesColumnsBeforeShrinkingRows) {
    // Two columns by four rows; the order matters because column stretching averages pixels
    // of rows that row shrinking later averages again.
    CDibImage image = MakeImage(2, 4, test::kBlack);
    const int values[4][2] = {{0, 101}, {1, 3}, {0, 0}, {99, 60}};
    for (std::int32_t y = 0; y < 4; ++y) {
        for (std::int32_t x = 0; x < 2; ++x) SetPixelAt(image, x, y, Grey(values[y][x]));
    }
    CDibImage expected = image;
    expected.Resize(3, 4);   // stretch columns alone
    expected.Resize(3, 2);   // then shrink rows alone
    CDibImage otherOrder = image;
    otherOrder.Resize(2, 2);
    otherOrder.Resize(3, 2);
    ASSERT_NE(test::FirstDifference(otherOrder, expected), "") << "the picture must tell the orders apart";
    image.Resize(3, 2);
    EXPECT_EQ(test::FirstDifference(image, expected), "");
}

TEST(Resize, OutlineColourReturnsToItsInitialValue) {
    CDibImage image = MakeImage(10, 10, test::kWhite);
    image.SetOutlineColour(0, 0, 0);
    image.Resize(20, 5);
    EXPECT_EQ(image.Width(), 20);
    EXPECT_EQ(image.Height(), 5);
    EXPECT_EQ(image.GetOutlineColour(), (RgbColour{0, 0, 1}));
}

TEST(Resize, ImpossibleTargetsAreSkippedStepByStep) {
    CDibImage image = MakeImage(10, 10, test::kWhite);
    image.Resize(0, 20);   // no width of 0: only the rows change
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.Height(), 20);
    image.Resize(-3, -3);
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.Height(), 20);
}

// A black picture fitted on a white page: where the black lands (left, top, width, height).
struct FitCase {
    std::int32_t width, height;         // picture
    std::int32_t pageWidth, pageHeight;
    std::int32_t left, top, fitWidth, fitHeight;
};

class ResizeToFitTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(ResizeToFitTest, KeepsProportionsAndCentresOnWhite) {
    const FitCase& c = GetParam();
    CDibImage image = MakeImage(c.width, c.height, test::kBlack);
    image.SetOutlineColour(0, 0, 0);
    image.ResizeToFit(c.pageWidth, c.pageHeight);
    ASSERT_EQ(image.Width(), c.pageWidth);
    ASSERT_EQ(image.Height(), c.pageHeight);
    EXPECT_EQ(image.GetOutlineColour(), (RgbColour{0, 0, 1}));
    // Every pixel is black inside the fitted rectangle and white outside it.
    for (std::int32_t y = 0; y < c.pageHeight; ++y) {
        for (std::int32_t x = 0; x < c.pageWidth; ++x) {
            const bool inside = x >= c.left && x < c.left + c.fitWidth && y >= c.top &&
                                y < c.top + c.fitHeight;
            ASSERT_EQ(PixelAt(image, x, y), inside ? test::kBlack : test::kWhite)
                << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fits, ResizeToFitTest,
    ::testing::Values(
        // A portrait page on the landscape canvas: full height, centred across.
        FitCase{300, 400, 572, 452, 116, 0, 339, 452},
        // Wider than the canvas: full width, margins above and below.
        FitCase{1000, 400, 572, 452, 0, 111, 572, 229},
        // The same proportions: a plain resize, no margin.
        FitCase{286, 226, 572, 452, 0, 0, 572, 452},
        // An odd margin: the extra pixel goes right (width) or below (height).
        FitCase{2, 4, 5, 4, 1, 0, 2, 4},
        FitCase{4, 2, 4, 5, 0, 1, 4, 2},
        // A hairline keeps at least one pixel.
        FitCase{1, 5000, 572, 452, 285, 0, 1, 452},
        FitCase{5000, 1, 572, 452, 0, 225, 572, 1}),
    [](const ::testing::TestParamInfo<FitCase>& info) {
        const FitCase& c = info.param;
        return std::to_string(c.width) + "x" + std::to_string(c.height) + "_on_" +
               std::to_string(c.pageWidth) + "x" + std::to_string(c.pageHeight);
    });

TEST(ResizeToFit, EmptyPicturesAndImpossiblePagesChangeNothing) {
    CDibImage empty;
    empty.ResizeToFit(572, 452);
    EXPECT_FALSE(empty.HasPicture());
    CDibImage image = test::MakeHTree(40, 30);
    const CDibImage before = image;
    image.ResizeToFit(0, 452);
    image.ResizeToFit(572, -1);
    EXPECT_EQ(test::FirstDifference(image, before), "");
}

// The widening step written as the rule reads: one column at a time, in place in a picture
// whose first columns hold the old ones, from the rightmost column leftwards.
CDibImage StretchColumnsInPlace(const CDibImage& picture, std::int32_t newWidth) {
    CDibImage out = MakeImage(newWidth, picture.Height(), test::kBlack);
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        for (std::int32_t x = 0; x < picture.Width(); ++x) SetPixelAt(out, x, y, PixelAt(picture, x, y));
    }
    auto copy = [&out](std::int32_t to, std::int32_t from) {
        for (std::int32_t y = 0; y < out.Height(); ++y) SetPixelAt(out, to, y, PixelAt(out, from, y));
    };
    auto average = [&out](std::int32_t to, std::int32_t a, std::int32_t b) {
        for (std::int32_t y = 0; y < out.Height(); ++y) {
            const RgbColour p = PixelAt(out, a, y), q = PixelAt(out, b, y);
            SetPixelAt(out, to, y,
                       RgbColour{static_cast<std::uint8_t>((p.red + q.red) >> 1),
                                 static_cast<std::uint8_t>((p.green + q.green) >> 1),
                                 static_cast<std::uint8_t>((p.blue + q.blue) >> 1)});
        }
    };
    std::int32_t cur = picture.Width();
    while (newWidth >= 2 * cur) {
        copy(2 * cur - 1, cur - 1);
        for (std::int32_t k = cur - 2; k >= 0; --k) {
            average(2 * k + 2, k, k + 1);
            copy(2 * k + 1, k);
        }
        cur *= 2;
    }
    if (newWidth == cur) return out;
    std::int32_t d = 2 * cur, j = newWidth - 1;
    for (std::int32_t k = cur - 1; k >= 0; --k) {
        d -= newWidth;
        if (d > 0) {
            copy(j, k);
            j -= 1;
            d += cur;
        } else {
            average(j, k, k + 1);
            copy(j - 1, k);
            j -= 2;
            d += 2 * cur;
        }
    }
    return out;
}

// Colours that differ in every byte and from pixel to pixel, so an average of the wrong pair
// or a byte taken from the wrong pixel shows.
CDibImage Varied(std::int32_t width, std::int32_t height) {
    CDibImage image = MakeImage(width, height, test::kBlack);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            SetPixelAt(image, x, y,
                       RgbColour{static_cast<std::uint8_t>(x * 37 + y * 11), static_cast<std::uint8_t>(x * 5 + y * 71 + 3),
                                 static_cast<std::uint8_t>((x ^ y) * 29 + 200)});
        }
    }
    return image;
}

struct WideningCase {
    std::int32_t width, height, newWidth;
};

void PrintTo(const WideningCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height << " to " << c.newWidth;
}

class ResizeWidening : public ::testing::TestWithParam<WideningCase> {};

TEST_P(ResizeWidening, MatchesTheColumnByColumnRule) {
    const WideningCase c = GetParam();
    const CDibImage picture = Varied(c.width, c.height);
    CDibImage resized = picture;
    resized.Resize(c.newWidth, c.height);
    ASSERT_EQ(resized.Width(), c.newWidth);
    EXPECT_EQ(test::FirstDifference(resized, StretchColumnsInPlace(picture, c.newWidth)), "");
}

// One doubling, several, a spread alone, doublings then a spread; one pixel wide; widths
// whose rows carry padding; the enlargement of a half-size picture to the canvas.
INSTANTIATE_TEST_SUITE_P(Sizes, ResizeWidening,
                         ::testing::Values(WideningCase{1, 3, 2}, WideningCase{1, 2, 7},
                                           WideningCase{2, 2, 3}, WideningCase{3, 4, 5},
                                           WideningCase{5, 3, 10}, WideningCase{5, 3, 19},
                                           WideningCase{7, 2, 13}, WideningCase{13, 3, 100},
                                           WideningCase{286, 9, 572}, WideningCase{100, 5, 572},
                                           WideningCase{571, 2, 572}, WideningCase{300, 3, 834}));

TEST(ResizeWidening, HalfSizePictureToCanvasSizeTakesRowsThenColumns) {
    const CDibImage picture = Varied(286, 226);
    CDibImage taller = picture;
    taller.Resize(286, 452);
    CDibImage resized = picture;
    resized.Resize(572, 452);
    EXPECT_EQ(test::FirstDifference(resized, StretchColumnsInPlace(taller, 572)), "");
}


// Resized and FittedInto give what Resize and ResizeToFit give on a copy, and leave their
// source as it was: enlarging, shrinking, each side its own way, the same size, and boxes that
// leave margins on either side.
struct CopyCase {
    std::int32_t width, height, newWidth, newHeight;
};

class ResizeIntoNewImage : public ::testing::TestWithParam<CopyCase> {};

TEST_P(ResizeIntoNewImage, MatchesResizingACopyAndLeavesTheSource) {
    const CopyCase c = GetParam();
    CDibImage source = Varied(c.width, c.height);
    source.SetOutlineColour(0, 0, 0);
    const CDibImage before = source;

    const auto expectSame = [](const CDibImage& made, const CDibImage& inPlace) {
        ASSERT_EQ(made.Width(), inPlace.Width());
        ASSERT_EQ(made.Height(), inPlace.Height());
        EXPECT_EQ(test::FirstDifference(made, inPlace), "");
        EXPECT_EQ(made.GetOutlineColour(), inPlace.GetOutlineColour());
    };
    CDibImage resized = source;
    resized.Resize(c.newWidth, c.newHeight);
    expectSame(source.Resized(c.newWidth, c.newHeight), resized);
    CDibImage fitted = source;
    fitted.ResizeToFit(c.newWidth, c.newHeight);
    expectSame(source.FittedInto(c.newWidth, c.newHeight), fitted);

    EXPECT_EQ(test::FirstDifference(source, before), "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResizeIntoNewImage,
                         ::testing::Values(CopyCase{286, 226, 572, 452}, CopyCase{400, 300, 57, 45},
                                           CopyCase{40, 300, 57, 45}, CopyCase{30, 10, 13, 40},
                                           CopyCase{13, 40, 30, 10}, CopyCase{57, 45, 57, 45},
                                           CopyCase{1000, 750, 572, 452}, CopyCase{3, 1, 1, 1}));

TEST(ResizeIntoNewImage, AnEmptyImageGivesAnEmptyOne) {
    const CDibImage empty;
    EXPECT_FALSE(empty.Resized(10, 10).HasPicture());
    EXPECT_FALSE(empty.FittedInto(10, 10).HasPicture());
}

}  // namespace
}  // namespace kolo
