// Drives libpng: signature, header, transformations, then the rows straight into the image.
//
// libpng reports fatal errors through its error function, which must not return; ours jumps
// back to the setjmp in DecodePng. That one function holds the setjmp, nothing with a
// destructor is alive in it across the jump, and everything libpng allocated goes with
// png_destroy_read_struct. The buffer for transparent pictures belongs to the caller.
//
// Rejected: anything libpng calls fatal (a bad CRC on a critical chunk, broken compressed
// data, a file that ends before its last row); a picture larger than the image limits,
// checked on the header before any pixel memory is allocated. Kept: whatever libpng only warns
// about (a damaged ancillary chunk is dropped), and a file whose tail after the last row is
// damaged or missing.
#include "sources/PngReader.h"

#include <csetjmp>
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

// Lays one row of blue, green, red, alpha pixels over white into three-byte pixels.
void CompositeOverWhite(const std::uint8_t* bgra, std::uint8_t* bgr, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const std::uint32_t alpha = bgra[3];
        const std::uint32_t paper = (kWhite - alpha) * kWhite;
        // (c·a + 255·(255 − a)) / 255, rounded to nearest.
        for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>((bgra[c] * alpha + paper + 127) / 255);
    }
}

// Decodes the file into `target`. 1 on success; 0 after a libpng error or a refused size,
// with `target` possibly holding a partly written picture for the caller to release.
// `transparent` receives the four-byte rows of a picture with transparency.
int DecodePng(const std::uint8_t* data, std::size_t size, CDibImage& target,
              MemoryBlock& transparent) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
    if (png == nullptr) return 0;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return 0;
    }
    PngSource source{data, size, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    png_set_read_fn(png, &source, ReadFromSource);
    // Checked by libpng as it reads the header, before it allocates for the picture.
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxImageSide), static_cast<png_uint_32>(kMaxImageSide));
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    // Only the header, palette, transparency and pixel data matter to a picture on white paper:
    // every other chunk is skipped unread, so that no length a chunk claims costs memory.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colourType = png_get_color_type(png, info);
    const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (!IsAcceptableImageSize(width, height) ||
        !target.Allocate(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }

    // Whatever the file holds comes out as 8-bit blue, green, red, and alpha when it has any.
    png_set_expand(png);   // palette to colour, grey below 8 bits to 8, tRNS to alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != std::size_t{width} * (alpha ? 4 : 3)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }

    std::uint8_t* const pixels = target.Pixels();
    const std::size_t stride = target.Stride();
    // Row k of the file, top first, is row height − 1 − k of the bottom-up image.
    if (!alpha) {
        for (int pass = 0; pass < passes; ++pass) {
            for (png_uint_32 k = 0; k < height; ++k) {
                png_read_row(png, pixels + (height - 1 - k) * stride, nullptr);
            }
        }
    } else {
        // Each pass of an interlaced file adds pixels to rows read before, so all the rows are
        // kept until the last pass; otherwise one row at a time is enough.
        const std::size_t keptRows = passes > 1 ? height : 1;
        transparent = MemoryBlock::Allocate(rowBytes * keptRows);
        if (!transparent) {
            png_destroy_read_struct(&png, &info, nullptr);
            return 0;
        }
        std::uint8_t* const buffer = transparent.Data();
        for (int pass = 0; pass < passes; ++pass) {
            const bool last = pass + 1 == passes;
            for (png_uint_32 k = 0; k < height; ++k) {
                std::uint8_t* row = buffer + (keptRows > 1 ? k * rowBytes : 0);
                png_read_row(png, row, nullptr);
                if (last) CompositeOverWhite(row, pixels + (height - 1 - k) * stride, width);
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

int LoadPng(CDibImage& image, const std::string& path) {
    return LoadPictureFile(image, path, LoadPngBytes);
}

}  // namespace kolo
