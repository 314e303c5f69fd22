#include "tests/support/TestImages.h"

#include <algorithm>
#include <deque>

namespace kolo::test {
namespace {

const std::uint8_t* PixelPointer(const CDibImage& image, std::int32_t x, std::int32_t y) {
    return image.Pixels() + image.Stride() * (image.Height() - y - 1) + 3 * x;
}

// Draws one level of the H-tree: a corridor through (cx, cy), then the next level at both of
// its ends, turned by a right angle. Arms halve every second level, so that thirteen levels
// fit a canvas and the tips double with each level.
void DrawHLevel(CDibImage& image, std::int32_t cx, std::int32_t cy, std::int32_t horizontalArm,
                std::int32_t verticalArm, bool horizontal) {
    const std::int32_t arm = horizontal ? horizontalArm : verticalArm;
    if (arm < 2) return;
    if (horizontal) {
        FillRectAt(image, cx - arm, cy, cx + arm + 1, cy + 1, kWhite);
        DrawHLevel(image, cx - arm, cy, horizontalArm / 2, verticalArm, false);
        DrawHLevel(image, cx + arm, cy, horizontalArm / 2, verticalArm, false);
    } else {
        FillRectAt(image, cx, cy - arm, cx + 1, cy + arm + 1, kWhite);
        DrawHLevel(image, cx, cy - arm, horizontalArm, verticalArm / 2, true);
        DrawHLevel(image, cx, cy + arm, horizontalArm, verticalArm / 2, true);
    }
}

}  // namespace

CDibImage MakeImage(std::int32_t width, std::int32_t height, RgbColour colour) {
    CDibImage image;
    image.Allocate(width, height);
    FillRectAt(image, 0, 0, width, height, colour);
    return image;
}

RgbColour PixelAt(const CDibImage& image, std::int32_t x, std::int32_t y) {
    const std::uint8_t* p = PixelPointer(image, x, y);
    return RgbColour{p[2], p[1], p[0]};
}

void SetPixelAt(CDibImage& image, std::int32_t x, std::int32_t y, RgbColour colour) {
    std::uint8_t* p = image.Pixels() + image.Stride() * (image.Height() - y - 1) + 3 * x;
    p[0] = colour.blue;
    p[1] = colour.green;
    p[2] = colour.red;
}

void FillRectAt(CDibImage& image, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom, RgbColour colour) {
    for (std::int32_t y = top; y < bottom; ++y) {
        for (std::int32_t x = left; x < right; ++x) SetPixelAt(image, x, y, colour);
    }
}

CDibImage MakeHTree(std::int32_t width, std::int32_t height) {
    CDibImage image = MakeImage(width, height, kBlack);
    std::int32_t arm = 1;
    while (arm * 2 <= width / 4) arm *= 2;
    DrawHLevel(image, width / 2, height / 2, arm, arm * 3 / 4, true);
    return image;
}

CDibImage MakeComb(std::int32_t width, std::int32_t height) {
    CDibImage image = MakeImage(width, height, kBlack);
    const std::int32_t spine = height / 2;
    FillRectAt(image, 0, spine, width, spine + 1, kWhite);
    // Teeth up and down from the spine, every other column, so each is its own corridor.
    for (std::int32_t x = 0; x < width; x += 2) {
        FillRectAt(image, x, 0, x + 1, height, kWhite);
    }
    return image;
}

ReferenceFill FillReference(const CDibImage& image, std::int32_t x, std::int32_t y,
                            RgbColour colour) {
    ReferenceFill out{CDibImage(image), 0};
    CDibImage& result = out.result;
    const RgbColour region = PixelAt(result, x, y);
    if (region == colour) return out;
    struct Point {
        std::int32_t x, y;
    };
    std::deque<Point> queue{{x, y}};
    while (!queue.empty()) {
        out.peakQueue = std::max(out.peakQueue, queue.size());
        const Point p = queue.front();
        queue.pop_front();
        if (PixelAt(result, p.x, p.y) != region) continue;
        SetPixelAt(result, p.x, p.y, colour);
        const Point next[4] = {{p.x, p.y + 1}, {p.x + 1, p.y}, {p.x, p.y - 1}, {p.x - 1, p.y}};
        for (const Point& n : next) {
            if (n.x >= 0 && n.y >= 0 && n.x < result.Width() && n.y < result.Height() &&
                PixelAt(result, n.x, n.y) == region) {
                queue.push_back(n);
            }
        }
    }
    return out;
}

std::string FirstDifference(const CDibImage& a, const CDibImage& b) {
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        for (std::int32_t x = 0; x < a.Width(); ++x) {
            if (PixelAt(a, x, y) != PixelAt(b, x, y)) {
                return std::to_string(x) + "," + std::to_string(y) + " " +
                       Describe(PixelAt(a, x, y)) + " vs " + Describe(PixelAt(b, x, y));
            }
        }
    }
    return "";
}

std::string Describe(RgbColour c) {
    return "rgb(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " +
           std::to_string(c.blue) + ")";
}

std::string BmpFileBytes(const CDibImage& image) {
    const std::size_t pixelBytes = image.Stride() * static_cast<std::size_t>(image.Height());
    const std::uint32_t fileSize = static_cast<std::uint32_t>(14 + sizeof(BitmapInfoHeader) + pixelBytes);
    std::string bytes = "BM";
    auto put32 = [&bytes](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
    };
    put32(fileSize);
    put32(0);                                               // reserved
    put32(14 + sizeof(BitmapInfoHeader));                   // offset of the pixel rows
    bytes.append(reinterpret_cast<const char*>(&image.Header()), sizeof(BitmapInfoHeader));
    bytes.append(reinterpret_cast<const char*>(image.Pixels()), pixelBytes);
    return bytes;
}

}  // namespace kolo::test
