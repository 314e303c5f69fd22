// Drives libpng: signature, header, transformations, then the rows straight into the image.
//
// libpng reports fatal errors through its error function, which must not return; ours jumps
// back to the setjmp in DecodePng. That one function holds the setjmp, nothing with a
// destructor is alive in it across the jump, and everything libpng allocated goes with
// png_destroy_read_struct. The row buffer for transparent pictures belongs to the caller.
// libpng's own memory is counted and held to what the decode declared.
//
// Rejected: anything libpng calls fatal (a bad CRC on a critical chunk, broken compressed
// data, a file that ends before its last row); a picture larger than the image limits,
// checked on the header before any pixel memory is allocated. Kept: whatever libpng only warns
// about (a damaged ancillary chunk is dropped), and a file whose tail after the last row is
// damaged or missing.
#include "sources/PngReader.h"

#include <csetjmp>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <png.h>

#include "image/ImageLimits.h"
#include "platform/MemoryBlock.h"
#include "sources/FileStream.h"

namespace kolo {
namespace {

constexpr std::size_t kSignatureBytes = 8;
// Text, profile and other ancillary chunks are not used: this only bounds what one may cost.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;
constexpr std::uint32_t kWhite = 255;

// The file held in memory, read front to back by libpng.
struct PngSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;   // bytes already handed to libpng
};

void ReadFromSource(png_structp png, png_bytep into, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->position) png_error(png, "file ends early");
    std::memcpy(into, source->data + source->position, count);
    source->position += count;
}

[[noreturn]] void JumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Warnings name damage libpng has already worked around; the control shows no decoder messages.
void IgnoreWarning(png_structp, png_const_charp) {}

// Adam7: the rows and columns each of the seven passes of an interlaced file brings.
constexpr int kAdam7Passes = 7;
constexpr png_uint_32 kPassRowStart[kAdam7Passes] = {0, 0, 4, 0, 2, 0, 1};
constexpr png_uint_32 kPassRowStep[kAdam7Passes] = {8, 8, 8, 4, 4, 2, 2};
constexpr png_uint_32 kPassColumnStart[kAdam7Passes] = {0, 4, 0, 2, 0, 1, 0};
constexpr png_uint_32 kPassColumnStep[kAdam7Passes] = {8, 8, 4, 4, 2, 2, 1};

// What libpng may hold besides its two rows: its structures, the inflater and its window,
// the palette and transparency, with room to spare.
constexpr std::uint64_t kLibraryTableBytes = std::uint64_t{256} << 10;

// What libpng holds for a picture `width` pixels wide: the row being filtered and the one
// before, at the widest a pixel gets (16-bit RGBA) and padded to whole interlace blocks.
std::uint64_t LibraryBytes(png_uint_32 width) {
    constexpr std::uint64_t kWidestPixelBytes = 8;
    constexpr std::uint64_t kRowSlack = 64;   // the filter byte and alignment
    return kLibraryTableBytes + 2 * (((std::uint64_t{width} + 7) & ~std::uint64_t{7}) * kWidestPixelBytes + kRowSlack);
}

// libpng's memory, counted against what the decode declared: a request past it fails as if
// the memory were not there, which libpng reports as fatal. Each block carries its size.
struct PngAllowance {
    std::uint64_t limit;   // bytes libpng may hold at once
    std::uint64_t held = 0;
};
constexpr std::size_t kBlockHeaderBytes = alignof(std::max_align_t);

png_voidp AllocateCounted(png_structp png, png_alloc_size_t bytes) {
    auto* allowance = static_cast<PngAllowance*>(png_get_mem_ptr(png));
    if (bytes > allowance->limit - allowance->held) return nullptr;
    auto* block = static_cast<std::uint8_t*>(std::malloc(bytes + kBlockHeaderBytes));
    if (block == nullptr) return nullptr;
    std::memcpy(block, &bytes, sizeof bytes);
    allowance->held += bytes;
    return block + kBlockHeaderBytes;
}

void FreeCounted(png_structp png, png_voidp pointer) {
    if (pointer == nullptr) return;
    auto* allowance = static_cast<PngAllowance*>(png_get_mem_ptr(png));
    std::uint8_t* block = static_cast<std::uint8_t*>(pointer) - kBlockHeaderBytes;
    png_alloc_size_t bytes;
    std::memcpy(&bytes, block, sizeof bytes);
    allowance->held -= bytes;
    std::free(block);
}

// A read struct and its info, or none, with libpng's memory counted against `allowance`.
png_structp CreatePng(PngAllowance& allowance, png_infop& info) {
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning,
                                               &allowance, AllocateCounted, FreeCounted);
    if (png == nullptr) return nullptr;
    info = png_create_info_struct(png);
    if (info == nullptr) png_destroy_read_struct(&png, nullptr, nullptr);
    return png;
}

// Reads everything before the pixel data, as both the decode and its cost do. Inside the
// caller's jump.
void ReadHeader(png_structp png, png_infop info, PngSource& source) {
    png_set_read_fn(png, &source, ReadFromSource);
    // Checked by libpng as it reads the header, before it allocates for the picture.
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxImageSide), static_cast<png_uint_32>(kMaxImageSide));
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    // Only the header, palette, transparency and pixel data matter to a picture on white paper:
    // every other chunk is skipped unread, so that no length a chunk claims costs memory.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
}

bool HasAlpha(png_structp png, png_infop info) {
    return (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
           png_get_valid(png, info, PNG_INFO_tRNS) != 0;
}

// What the decode of the header just read will take: the picture, one row of four-byte
// pixels for a picture with transparency, and libpng's part.
DecodeCost CostOf(png_structp png, png_infop info) {
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!IsAcceptableImageSize(width, height)) return DecodeCost{};
    const std::uint64_t transparentRow = HasAlpha(png, info) ? std::uint64_t{width} * 4 : 0;
    return DecodeCost{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                      PictureBytes(width, height) + transparentRow + LibraryBytes(width)};
}

// Lays the pixels of one row of blue, green, red, alpha pixels that a pass brought (every
// `step`th from `start`) over white into three-byte pixels.
void CompositeOverWhite(const std::uint8_t* bgra, std::uint8_t* bgr, png_uint_32 width,
                        png_uint_32 start, png_uint_32 step) {
    for (png_uint_32 x = start; x < width; x += step) {
        const std::uint8_t* from = bgra + 4 * std::size_t{x};
        std::uint8_t* to = bgr + 3 * std::size_t{x};
        const std::uint32_t alpha = from[3];
        const std::uint32_t paper = (kWhite - alpha) * kWhite;
        // (c·a + 255·(255 − a)) / 255, rounded to nearest.
        for (int c = 0; c < 3; ++c) to[c] = static_cast<std::uint8_t>((from[c] * alpha + paper + 127) / 255);
    }
}

// Decodes the file into `target`. 1 on success; 0 after a libpng error, a refused size or a
// cost past kMaxDecodeBytes, with `target` possibly holding a partly written picture for the
// caller to release. `transparent` receives the four-byte row of a picture with transparency.
int DecodePng(const std::uint8_t* data, std::size_t size, CDibImage& target,
              MemoryBlock& transparent) {
    PngAllowance allowance{kLibraryTableBytes};
    png_infop info = nullptr;
    png_structp png = CreatePng(allowance, info);
    if (png == nullptr) return 0;
    PngSource source{data, size, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    ReadHeader(png, info, source);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const bool alpha = HasAlpha(png, info);
    if (!CostOf(png, info).Acceptable() ||
        !target.Allocate(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    allowance.limit = LibraryBytes(width);

    // Whatever the file holds comes out as 8-bit blue, green, red, and alpha when it has any.
    png_set_expand(png);   // palette to colour, grey below 8 bits to 8, tRNS to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != std::size_t{width} * (alpha ? 4 : 3) || (passes != 1 && passes != kAdam7Passes)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }

    std::uint8_t* const pixels = target.Pixels();
    const std::size_t stride = target.Stride();
    // Row k of the file, top first, is row height − 1 − k of the bottom-up image. Each pass of
    // an interlaced file writes only its own pixels into the row it is given.
    if (!alpha) {
        for (int pass = 0; pass < passes; ++pass) {
            for (png_uint_32 k = 0; k < height; ++k) {
                png_read_row(png, pixels + (height - 1 - k) * stride, nullptr);
            }
        }
    } else {
        // A pass's pixels are laid over the paper as they come, so that only one row of four
        // bytes a pixel is ever held, interlaced or not.
        transparent = MemoryBlock::Allocate(rowBytes);
        if (!transparent) {
            png_destroy_read_struct(&png, &info, nullptr);
            return 0;
        }
        std::uint8_t* const row = transparent.Data();
        const bool interlaced = passes > 1;
        for (int pass = 0; pass < passes; ++pass) {
            const png_uint_32 rowStart = interlaced ? kPassRowStart[pass] : 0;
            const png_uint_32 rowStep = interlaced ? kPassRowStep[pass] : 1;
            for (png_uint_32 k = 0; k < height; ++k) {
                png_read_row(png, row, nullptr);
                if (k % rowStep != rowStart) continue;
                CompositeOverWhite(row, pixels + (height - 1 - k) * stride, width,
                                   interlaced ? kPassColumnStart[pass] : 0,
                                   interlaced ? kPassColumnStep[pass] : 1);
            }
        }
    }
    // What follows the pixels (text, the end chunk) is not read: a picture whose rows are all
    // there is shown even when the file's tail is damaged or missing.
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
}

}  // namespace

int LoadPngBytes(CDibImage& image, const std::uint8_t* data, std::size_t size) {
    image.Release();
    if (data == nullptr || size < kSignatureBytes || png_sig_cmp(data, 0, kSignatureBytes) != 0) return 0;
    MemoryBlock transparent;
    if (DecodePng(data, size, image, transparent)) return 1;
    // An error may come after the rows were allocated: nothing partial is kept.
    image.Release();
    return 0;
}

DecodeCost PngDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t, std::int32_t) {
    if (data == nullptr || size < kSignatureBytes || png_sig_cmp(data, 0, kSignatureBytes) != 0) return DecodeCost{};
    PngAllowance allowance{kLibraryTableBytes};
    png_infop info = nullptr;
    png_structp png = CreatePng(allowance, info);
    if (png == nullptr) return DecodeCost{};
    PngSource source{data, size, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return DecodeCost{};
    }
    ReadHeader(png, info, source);
    const DecodeCost cost = CostOf(png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    return cost;
}

int LoadPng(CDibImage& image, const std::string& path) {
    return LoadPictureFile(image, path, LoadPngBytes);
}

}  // namespace kolo
