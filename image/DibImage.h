// CDibImage: the program's one raster type.
//
// Pixels are 24 bits deep, bottom-up (row 0 is the bottom of the picture), three bytes a pixel
// in the order blue, green, red, each row padded to a multiple of 4 bytes. They live in one
// MemoryBlock that the image owns; the 40-byte header describing them lives in the object.
// An image holds a picture exactly when it has a pixel block. Points given with y counted
// from the top lie in row height − y − 1. Operations report success as 1 and failure as 0;
// nothing throws and nothing is shown.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/BitmapHeader.h"
#include "platform/DrawingSurface.h"
#include "platform/Geometry.h"
#include "platform/MemoryBlock.h"

namespace kolo {

// A pixel whose (blue + green + red) / 3 is at most this belongs to a line: the canvas is the
// picture thresholded here, and shrinking a picture never lightens such a pixel away.
constexpr int kLineLevel = 168;

// The widest opening in the lines, in canvas pixels, that a fill can be asked to stop at.
constexpr int kMaxCloseGaps = 4;
// A picture may be held at up to this many times its canvas size (its detail), and a fill
// there stops at openings that many times wider.
constexpr int kMaxDetail = 4;
constexpr int kMaxFillGap = kMaxCloseGaps * kMaxDetail;   // pixels of the image filled

struct RgbColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const RgbColour& o) const {
        return red == o.red && green == o.green && blue == o.blue;
    }
    bool operator!=(const RgbColour& o) const { return !(*this == o); }
};

// The largest size inside boxWidth × boxHeight with the proportions of width × height, each
// side at least 1 pixel: where ResizeToFit puts a picture. Both sides of the box must be at
// least 1, and of the picture too.
struct FitSize {
    std::int32_t width;
    std::int32_t height;
};
FitSize FitInside(std::int64_t width, std::int64_t height, std::int32_t boxWidth,
                  std::int32_t boxHeight);

// Pixels laid out as an image's (24 bits, bottom-up, blue, green, red) but held elsewhere, such
// as the rows inside a BMP file; they are only read.
struct PixelRows {
    const std::uint8_t* pixels;
    std::size_t stride;      // bytes from one row to the next
    std::int32_t width;      // pixels
    std::int32_t height;
};

// Row stride in bytes of a 24-bit picture `width` pixels wide.
constexpr std::size_t Stride24(std::int32_t width) {
    return static_cast<std::size_t>(RowStride(24, width));
}

class CDibImage {
public:
    CDibImage();
    CDibImage(const CDibImage& other);
    CDibImage(CDibImage&& other) noexcept;
    CDibImage& operator=(const CDibImage& other);
    CDibImage& operator=(CDibImage&& other) noexcept;
    virtual ~CDibImage();

    // Becomes a copy of `other`: header, a duplicate of its pixels (none when `other` is empty
    // or the copy cannot be allocated), its region and outline colours.
    CDibImage& Assign(const CDibImage& other);

    // A black picture of width × height; 0 (and empty) for a size out of range or on failure.
    int Allocate(std::int32_t width, std::int32_t height);
    // The same size checks, but the pixel bytes are left for the caller to write (only the
    // padding at the end of each row is zeroed), and the image's own block is kept when it
    // has room: a decoder that writes every pixel reuses the memory of the picture before.
    int Reallocate(std::int32_t width, std::int32_t height);
    void Release();

    // Converts any packed DIB to this image's form and takes the block (left null) on success.
    // Returns 0 for a null block, a block shorter than its header declares, or a failed
    // allocation; the block then stays with the caller.
    int AdoptPackedDib(MemoryBlock& packed);

    // Stretch the whole picture into `dst`, or draw the part `src` (y from the top) of it,
    // by nearest sample; an empty image draws nothing.
    void Draw(DrawingSurface& surface, const Rect& dst) const;
    void DrawPart(DrawingSurface& surface, const Rect& src, const Rect& dst) const;

    // Pure black and white: white where (blue + green + red) / 3 > level, black elsewhere.
    void Threshold(int level);

    // Paints this working canvas over `target` for display: colours replace, white lets the
    // target show through, and a black line next to a colour takes that colour halved. With
    // `area` (y from the top), only the pixels inside it are touched.
    int ComposeOnto(CDibImage& target) const;
    int ComposeOnto(CDibImage& target, const Rect& area) const;

    // Copies every pixel that is not the key colour onto `target` (inside `area` only, when
    // given).
    int OverlayOnto(std::uint8_t keyRed, std::uint8_t keyGreen, std::uint8_t keyBlue,
                    CDibImage& target) const;
    int OverlayOnto(std::uint8_t keyRed, std::uint8_t keyGreen, std::uint8_t keyBlue,
                    CDibImage& target, const Rect& area) const;

    // Copies the pixels inside `area` (y from the top) of a picture of the same size.
    int CopyArea(const CDibImage& source, const Rect& area);

    // For a picture held at `factor` times the size of `target`: each pixel of `target` inside
    // `area` (target pixels, y from the top) becomes the mean of the factor × factor block it
    // stands for. 0 when the sizes are not in that ratio.
    int AverageBlocksOnto(CDibImage& target, std::int32_t factor, const Rect& area) const;
    // OverlayOnto for a `target` `factor` times this image's size: each of its pixels inside
    // `area` (target pixels, y from the top) takes this image's pixel under it unless that is
    // the key colour. 0 when the sizes are not in that ratio.
    int OverlayScaledOnto(std::uint32_t keyRgb, CDibImage& target, std::int32_t factor,
                          const Rect& area) const;

    // Brings the picture to exactly newWidth × newHeight (stretch rows, stretch columns,
    // shrink rows, shrink columns, each when needed). Shrinking averages the source lines
    // under a pixel, except that a pixel with a line pixel (kLineLevel) under it takes the
    // darkest one when the average is light. The outline colour is (0, 0, 1) after.
    void Resize(std::int32_t newWidth, std::int32_t newHeight);

    // Brings the picture to exactly width × height without distorting it: it is resized to the
    // largest size that fits inside with its proportions kept (each side at least 1 pixel) and
    // centred on white paper; an odd pixel of margin goes to the right or the bottom. Nothing
    // happens to an empty image or for a side below 1; when memory runs out the picture keeps
    // whatever size Resize reached. The outline colour is (0, 0, 1) after, as with Resize.
    void ResizeToFit(std::int32_t width, std::int32_t height);

    // The same two as new images, with this one left as it is: the result of Resize or
    // ResizeToFit on a copy, without making the copy. Empty for an empty image, or when memory
    // runs out before the first step (later steps behave as in Resize). The source may then be
    // reused for the next picture, and its memory with it.
    CDibImage Resized(std::int32_t newWidth, std::int32_t newHeight) const;
    CDibImage FittedInto(std::int32_t width, std::int32_t height) const;

    // Recolours the 4-connected area of the seed's colour around (x, y), y from the top.
    // Returns 1 when the fill ran; 0 for an empty image, a seed outside the picture, a seed on
    // the outline colour or an area that already has the new colour.
    int FloodFill(std::int32_t x, std::int32_t y, std::uint8_t red, std::uint8_t green,
                  std::uint8_t blue);
    // The same, also giving the smallest rectangle (y from the top) holding every pixel the
    // fill recoloured; left untouched when it returns 0. With closeGaps = n > 0 (at most
    // kMaxFillGap) the fill does not pass through an opening of up to n pixels between
    // pixels of other colours, yet reaches them on every side; 0 is the plain fill.
    int FloodFill(std::int32_t x, std::int32_t y, std::uint8_t red, std::uint8_t green,
                  std::uint8_t blue, Rect& changed, int closeGaps = 0);

    void SetOutlineColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    RgbColour GetOutlineColour() const { return outlineColour_; }
    RgbColour GetRegionColour() const { return regionColour_; }
    int CaptureRegionColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    int MatchesRegionColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;

    bool HasPicture() const { return static_cast<bool>(pixels_); }
    const BitmapInfoHeader& Header() const { return header_; }
    std::int32_t Width() const { return header_.biWidth; }
    std::int32_t Height() const { return header_.biHeight; }
    std::size_t Stride() const { return Stride24(header_.biWidth); }
    // Handing out writable pixels counts as a change (see Generation).
    std::uint8_t* Pixels() {
        Touch();
        return pixels_.Data();
    }
    const std::uint8_t* Pixels() const { return pixels_.Data(); }

    // A number that changes whenever the picture may have changed: every operation that can
    // write the pixels, and every copy or move into this image, takes a new one, unique in the
    // process. Whoever keeps something derived from the picture compares it to know whether
    // that is still current.
    std::uint64_t Generation() const { return generation_; }
    const MemoryBlock& PixelBlock() const { return pixels_; }

private:
    void Touch();
    void SetSize(std::int32_t width, std::int32_t height, std::size_t imageSize);

    BitmapInfoHeader header_;
    MemoryBlock pixels_;
    RgbColour regionColour_;
    RgbColour outlineColour_{0, 0, 1};   // matches nothing in a thresholded canvas
    std::uint64_t generation_ = 0;
};

// What CDibImage::Resized gives, for rows that are not an image's own: the same pixels as
// copying them into an image and resizing that, without the copy. Empty when memory runs out
// before the first step.
CDibImage ResizedRows(const PixelRows& rows, std::int32_t newWidth, std::int32_t newHeight);

}  // namespace kolo
