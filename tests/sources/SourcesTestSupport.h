// Helpers shared by the decoder tests: scratch files, pixel checks, reference decodes, and
// builders for hand-made BMP and GIF bytes.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "image/DibImage.h"

namespace kolo::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory for this test case, removed with the test program's scratch area.
std::string ScratchDir();
// Writes `bytes` to ScratchDir()/name and returns the path.
std::string WriteScratchFile(const std::string& name, const Bytes& bytes);

std::string ConformancePath(const std::string& name);

// Colour at (x, y), y counted from the top, as red, green, blue.
struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c);
Rgb PixelAt(const CDibImage& image, int x, int y);
void ExpectPixel(const CDibImage& image, int x, int y, int r, int g, int b);

// An independent decode written by the conformance generator: size and RGB, top row first.
struct Reference {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    Bytes rgb;
    bool Load(const std::string& path);
    Rgb At(std::uint32_t x, std::uint32_t y) const {
        const std::size_t i = (std::size_t{y} * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

// Little-endian appenders for building files field by field.
void Put16(Bytes& out, std::uint32_t v);
void Put32(Bytes& out, std::uint32_t v);

// Packs LZW codes least significant bit first; each code is written with its own width.
Bytes PackCodes(const std::vector<std::pair<std::uint32_t, unsigned>>& codes);
// Splits data into sub-blocks of at most 255 bytes, each after its size byte, and ends them
// with the zero-size terminator.
Bytes SubBlocks(const Bytes& data);

}  // namespace kolo::test
