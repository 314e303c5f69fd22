// Pictures and checks shared by the image tests and the benchmarks.
#pragma once

#include <cstdint>
#include <string>

#include "image/DibImage.h"

namespace kolo::test {

constexpr RgbColour kBlack{0, 0, 0};
constexpr RgbColour kWhite{255, 255, 255};

// A width × height picture of one colour.
CDibImage MakeImage(std::int32_t width, std::int32_t height, RgbColour colour);

// Pixel access with y counted from the top, as the fill's callers count it.
RgbColour PixelAt(const CDibImage& image, std::int32_t x, std::int32_t y);
void SetPixelAt(CDibImage& image, std::int32_t x, std::int32_t y, RgbColour colour);
void FillRectAt(CDibImage& image, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom, RgbColour colour);

// Black pictures with white one-pixel corridors, built so that a breadth-first fill from
// CorridorSeed has a wide frontier: an H-tree, and a comb of teeth off a spine.
CDibImage MakeHTree(std::int32_t width, std::int32_t height);
CDibImage MakeComb(std::int32_t width, std::int32_t height);

// What a plain, unbounded 4-connected fill from (x, y) would produce; and the largest number
// of entries its queue held, under the same push rule as the product's fill.
struct ReferenceFill {
    CDibImage result;
    std::size_t peakQueue = 0;
};
ReferenceFill FillReference(const CDibImage& image, std::int32_t x, std::int32_t y,
                            RgbColour colour);

// "x,y rgb(…)" of the first pixel where two pictures of one size differ, or "" when none.
std::string FirstDifference(const CDibImage& a, const CDibImage& b);

std::string Describe(RgbColour c);

// The picture as the bytes of a 24-bit BMP file.
std::string BmpFileBytes(const CDibImage& image);

}  // namespace kolo::test
