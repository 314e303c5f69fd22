// Reduces a colour picture to a few colours exactly as the JPEG library's two-pass quantizer
// does: a histogram at 5, 6 and 5 bits of red, green and blue, a median cut of it into boxes,
// each box's mean as a colour, then Floyd-Steinberg dithering in alternate directions with
// limited errors. Doing it here rather than in the library lets the decode write plain colour
// rows straight into the image, counted as they arrive, with no whole-picture buffer inside
// the library and no pass over it, and lets rows decoded on two threads be counted apart.
//
// Rows are 24-bit pixels in the image's order: blue, green, red.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kolo {

class ColourQuantizer {
public:
    ColourQuantizer();

    // First pass: counts the pixels of one row.
    void Count(const std::uint8_t* row, std::size_t width);

    // Chooses at most `wanted` (1 to 256) colours for the counted pixels and prepares the
    // second pass for rows of `width` pixels. Returns the number of colours chosen.
    int ChooseColours(int wanted, std::size_t width);

    // What a quantizer for rows of `width` pixels holds, bytes.
    static std::uint64_t WorkingBytes(std::size_t width) {
        constexpr std::uint64_t kCellBytes = std::uint64_t{1} << 17;   // 2^16 cells of 2 bytes
        constexpr std::uint64_t kBoxBytes = 256 * 64;                  // the median cut's boxes
        return kCellBytes + kBoxBytes + (std::uint64_t{width} + 2) * 3 * sizeof(std::int16_t);
    }

    // Second pass: replaces one row's pixels with chosen colours. Rows must come in picture
    // order, from the top, each exactly once.
    void Map(std::uint8_t* row);

private:
    struct Box;
    void Shrink(Box& box) const;
    int Cut(std::vector<Box>& boxes, int wanted) const;
    void MeanColour(const Box& box, int index);
    void FillNearest(int c0, int c1, int c2);
    // Red at 5 bits, green at 6, blue at 5, in that order.
    static std::size_t CellIndex(int c0, int c1, int c2) {
        return (static_cast<std::size_t>(c0) << 11) | (static_cast<std::size_t>(c1) << 5) |
               static_cast<std::size_t>(c2);
    }
    std::uint16_t& Cell(int c0, int c1, int c2) { return cells_[CellIndex(c0, c1, c2)]; }
    std::uint16_t Cell(int c0, int c1, int c2) const { return cells_[CellIndex(c0, c1, c2)]; }

    // Counts by red, green, blue cell in the first pass; in the second, the nearest colour's
    // index plus one for each cell, 0 until first needed.
    std::vector<std::uint16_t> cells_;
    // The chosen colours: red, green and blue rows.
    std::uint8_t colours_[3][256] = {};
    int colourCount_ = 0;
    // Second pass: the errors carried to the next row (three a column, a spare column at each
    // end), the row's direction, and the transfer that limits an error.
    std::size_t width_ = 0;
    std::vector<std::int16_t> errors_;
    bool oddRow_ = false;
    int limit_[511] = {};
};

}  // namespace kolo
