// GIF files (GIF87a and GIF89a), decoded by the program's own reader.
//
// LoadGif puts the first image of the file that decoded successfully into `image` as 24-bit
// bottom-up rows through that image's local colour table, or the global one, and returns 1.
// It returns 0 and leaves `image` empty when the file cannot be read, is not a GIF, holds no
// image that decoded, or the chosen image has no colour table. A first image of width or
// height 0 is a success that leaves `image` empty. Transparency, frame delays, frame positions
// and the logical screen size have no effect on the picture.
//
// GifReader parses the whole block structure, decodes every image with its own LZW decoder
// and keeps the extension blocks it meets; nothing in the program reads those. A load decodes
// the picture's image straight into the picture's rows, with no buffer of colour indices.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "platform/MemoryBlock.h"
#include "sources/DecodeCost.h"

namespace kolo {

constexpr std::size_t kGifColourTableBytes = 768;   // 256 entries of red, green, blue

// A colour table: entries past those the file supplies are zero.
using GifColourTable = std::array<std::uint8_t, kGifColourTableBytes>;

struct GifImage {
    std::uint16_t left = 0;     // position on the logical screen, pixels (not used)
    std::uint16_t top = 0;
    std::uint16_t width = 0;    // pixels
    std::uint16_t height = 0;   // pixels
    std::uint8_t flags = 0;     // bit 7 local table, bit 6 interlaced, bits 0-2 table size
    bool hasLocalTable = false;
    GifColourTable localTable{};
    MemoryBlock pixels;         // width × height colour indices, top line first; none after Load
    std::uint32_t pixelCount = 0;
};

// One extension block as it was read: the fixed part (cut to the room its kind keeps) and its
// one data sub-block.
struct GifExtension {
    std::vector<std::uint8_t> fixedPart;
    std::vector<std::uint8_t> data;
};

class GifReader {
public:
    // Reads and decodes the whole file. 1 when the signature and global table were read (the
    // image list may still be empty), 0 otherwise.
    int Parse(const std::string& path);
    int ParseBytes(const std::uint8_t* bytes, std::size_t size);

    // LoadGifBytes: parses as ParseBytes does, but the first image that decodes goes straight
    // into `picture` (reallocated to its size, in its own memory when that has room) through
    // its colour table; the images keep no pixels. The later images are decoded only as far
    // as needed to know where they end and whether they are sound, since that still decides
    // how the rest of the file is read.
    // An image that would take more than `budget` bytes is dropped as one too large would be.
    // Only the first image that decoded is kept, and no extension.
    int Load(CDibImage& picture, const std::uint8_t* bytes, std::size_t size, std::uint64_t budget);

    // What Load may take (DecodeCost.h): the largest image the block structure holds, walked
    // as the parse walks it without decoding, and the picture's size at most the bounds of
    // every such image. Images that decode are followed by their zero byte in every sound
    // file; one that is not may throw the parse onto images the walk never saw, and those
    // take no more than the largest one it did.
    static DecodeCost Cost(const std::uint8_t* bytes, std::size_t size);

    // Writes the current image through its colour table into `target`, which must already
    // hold a picture of the current image's size. 0 when there is no current image, the size
    // differs or there is no colour table.
    int ConvertInto(CDibImage& target) const;

    const std::vector<GifImage>& Images() const { return images_; }
    void SelectImage(std::size_t index) { current_ = index < images_.size() ? &images_[index] : nullptr; }
    const GifImage* CurrentImage() const { return current_; }
    bool HasGlobalTable() const { return hasGlobalTable_; }
    const std::vector<GifExtension>& GraphicControls() const { return graphicControls_; }
    const std::vector<GifExtension>& PlainTexts() const { return plainTexts_; }
    const std::vector<GifExtension>& Applications() const { return applications_; }
    const std::vector<GifExtension>& Comments() const { return comments_; }

private:
    class Cursor;
    enum class Step { kDone, kContinue, kEndOfData };

    void Clear();
    Step ReadExtension(Cursor& in);
    Step ReadImage(Cursor& in);

    std::array<std::uint8_t, 13> header_{};   // signature, version, logical screen descriptor
    bool hasGlobalTable_ = false;
    GifColourTable globalTable_{};
    std::vector<GifImage> images_;
    const GifImage* current_ = nullptr;
    std::uint64_t heldPixels_ = 0;              // indices held by images_, bounded
    std::vector<GifExtension> graphicControls_;
    std::vector<GifExtension> plainTexts_;
    std::vector<GifExtension> applications_;
    std::vector<GifExtension> comments_;
    CDibImage* picture_ = nullptr;   // during Load: where the first image goes
    bool pictureFailed_ = false;     // its memory could not be had
    std::uint64_t budget_ = 0;       // during Load: the most an image may take, bytes
};

int LoadGif(CDibImage& image, const std::string& path);

// The same, from the `size` bytes of a whole file at `data`.
int LoadGifBytes(CDibImage& image, const std::uint8_t* data, std::size_t size);

// What LoadGifBytes will take for the file: GifReader::Cost.
DecodeCost GifDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                         std::int32_t fitHeight);

}  // namespace kolo
