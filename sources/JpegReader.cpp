// Drives the JPEG library: header, parameters, one scanline at a time into the image's rows.
//
// The library reports fatal errors through error_exit, which must not return; ours long-jumps
// back into DecodeJpeg. That one function holds the setjmp, and nothing with a destructor is
// alive in it across the jump: the target image belongs to the caller, who releases it on
// failure, and everything the library allocated goes with jpeg_destroy_decompress.
//
// Rejected: anything the library calls fatal; a picture larger than the image limits (checked
// on the header, before the library allocates for the whole picture); more progressive scans
// than any real encoder writes. Kept: whatever the library completes after a warning.
#include "sources/JpegReader.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>   // jpeglib.h needs FILE and size_t declared first
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "image/ImageLimits.h"
#include "sources/ColourQuantizer.h"
#include "sources/FileStream.h"

namespace kolo {
namespace {

constexpr int kQuantizedColours = 128;
// The library scales its output in eighths of the stored size.
constexpr int kEighths = 8;
// Real progressive files have ten or so scans; a hostile one can repeat scans to make the
// decode take arbitrarily long.
constexpr int kMaxScans = 256;

// The library's standard error manager followed by the place to jump back to.
struct JpegErrorTrap {
    jpeg_error_mgr manager;   // first, so that the library's pointer is also ours
    std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    // The message is formatted as the library expects and then dropped: the control shows no
    // decoder messages.
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
    std::longjmp(trap->jump, 1);
}

// Warnings (corrupt data, a premature end) are dropped rather than printed: the picture the
// library completes is kept, and the control shows no decoder messages.
void JpegDropMessage(j_common_ptr) {}

// Points the library's errors at `trap`, whose jump the caller then sets.
void SetErrorTrap(jpeg_decompress_struct& cinfo, JpegErrorTrap& trap) {
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JpegErrorExit;
    trap.manager.output_message = JpegDropMessage;
}

void LimitScans(j_common_ptr cinfo) {
    const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_NOT_COMPILED;   // any fatal code: the text is dropped
        (*cinfo->err->error_exit)(cinfo);
    }
}

// Addresses of the picture's rows in top-to-bottom order: the image is bottom-up, so line k
// of the picture is the (height - 1 - k)-th row in memory. Trivially destructible, so it may
// live across the jump.
struct RowTable {
    std::uint8_t* pixels;
    std::size_t stride;
    JDIMENSION height;

    explicit RowTable(CDibImage& image)
        : pixels(image.Pixels()), stride(image.Stride()),
          height(static_cast<JDIMENSION>(image.Height())) {}
    std::uint8_t* Row(JDIMENSION k) const { return pixels + (height - 1 - k) * stride; }
};

// The eighths (1 to 8) at which the library should decode a width × height picture that will
// be fitted into fitWidth × fitHeight: the fewest whose picture still covers the fitted size
// on both sides, so that fitting only ever shrinks it. 8 (the full size) without a fit size.
int CoveringEighths(JDIMENSION width, JDIMENSION height, std::int32_t fitWidth, std::int32_t fitHeight) {
    if (fitWidth < 1 || fitHeight < 1) return kEighths;
    const FitSize fit = FitInside(width, height, fitWidth, fitHeight);
    for (int eighths = 1; eighths < kEighths; ++eighths) {
        // The library rounds a scaled side up.
        const std::uint64_t w = (std::uint64_t{width} * eighths + kEighths - 1) / kEighths;
        const std::uint64_t h = (std::uint64_t{height} * eighths + kEighths - 1) / kEighths;
        if (w >= static_cast<std::uint64_t>(fit.width) && h >= static_cast<std::uint64_t>(fit.height)) {
            return eighths;
        }
    }
    return kEighths;
}

// What the header asks of the decode.
enum class JpegKind { kRefused, kGrey, kColour, kFourComponents };

// Reads the header and sets the decode up: colour pictures come out as plain colours in the
// image's own order, to be quantized here; four-component ones as indices of the library's
// one-pass quantizer; the size is the one CoveringEighths gives for the fit size (both 0: the
// full size). Inside the caller's jump.
JpegKind SetUpDecode(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& progress,
                     const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                     std::int32_t fitHeight) {
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = LimitScans;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    // Grey, colour and four-component (CMYK, YCCK) pictures; the library would hand any other
    // component count over unconverted, with no colours to show.
    const JpegKind kind = cinfo.out_color_space == JCS_GRAYSCALE ? JpegKind::kGrey
                          : cinfo.out_color_space == JCS_RGB     ? JpegKind::kColour
                          : cinfo.out_color_space == JCS_CMYK    ? JpegKind::kFourComponents
                                                                 : JpegKind::kRefused;
    if (kind == JpegKind::kRefused || !IsAcceptableImageSize(cinfo.image_width, cinfo.image_height)) {
        return JpegKind::kRefused;
    }
    if (kind == JpegKind::kColour) {
        cinfo.out_color_space = JCS_EXT_BGR;
    } else if (kind == JpegKind::kFourComponents) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = kQuantizedColours;
    }
    // A picture much larger than its place is decoded smaller by the library itself, which
    // then skips most of the inverse transform and the colour work. A library that scales in
    // other steps than eighths, or not at all, may give a size that no longer covers the fit:
    // then the full size is decoded as before.
    cinfo.scale_num = static_cast<unsigned>(
        CoveringEighths(cinfo.image_width, cinfo.image_height, fitWidth, fitHeight));
    cinfo.scale_denom = kEighths;
    jpeg_calc_output_dimensions(&cinfo);
    if (cinfo.scale_num != kEighths) {
        const FitSize fit = FitInside(cinfo.image_width, cinfo.image_height, fitWidth, fitHeight);
        if (cinfo.output_width < static_cast<JDIMENSION>(fit.width) ||
            cinfo.output_height < static_cast<JDIMENSION>(fit.height)) {
            cinfo.scale_num = cinfo.scale_denom = 1;
            jpeg_calc_output_dimensions(&cinfo);
        }
    }
    return kind;
}

// What the library holds for the decode SetUpDecode prepared, bytes: every coefficient of
// the picture when it has several scans (progressive, or components in scans of their own),
// a few rows of samples for each stage it runs a row group through, and its tables.
std::uint64_t LibraryBytes(const jpeg_decompress_struct& cinfo) {
    constexpr std::uint64_t kTableBytes = std::uint64_t{1} << 20;   // tables, pools, and slack
    // Rows of samples held at once per stage: the block rows around the one being output
    // (context for smoothing and upsampling), upsampled rows and converted rows.
    constexpr std::uint64_t kRowGroupsHeld = 6;
    const bool wholeCoefficients = jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&cinfo));
    std::uint64_t coefficients = 0;
    std::uint64_t rowSamples = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& component = cinfo.comp_info[c];
        const std::uint64_t h = static_cast<std::uint64_t>(component.h_samp_factor);
        const std::uint64_t v = static_cast<std::uint64_t>(component.v_samp_factor);
        const std::uint64_t blocksWide = (component.width_in_blocks + h - 1) / h * h;
        const std::uint64_t blocksHigh = (component.height_in_blocks + v - 1) / v * v;
        if (wholeCoefficients) coefficients += blocksWide * blocksHigh * sizeof(JBLOCK);
        rowSamples += blocksWide * DCTSIZE * v * DCTSIZE;
    }
    const std::uint64_t outputRows = std::uint64_t{cinfo.output_width} * 4 *
                                     static_cast<std::uint64_t>(cinfo.max_v_samp_factor) * DCTSIZE;
    return kTableBytes + coefficients + kRowGroupsHeld * (rowSamples + outputRows);
}

// What the decode SetUpDecode prepared will take: the picture, the quantizer's tables and the
// library's part.
DecodeCost CostOf(const jpeg_decompress_struct& cinfo, JpegKind kind) {
    if (kind == JpegKind::kRefused || cinfo.output_width == 0 || cinfo.output_height == 0) {
        return DecodeCost{};
    }
    // The quantizer is made for every kind; only a colour picture's fills its error rows.
    const std::uint64_t quantizer = ColourQuantizer::WorkingBytes(cinfo.output_width);
    return DecodeCost{static_cast<std::int32_t>(cinfo.output_width),
                      static_cast<std::int32_t>(cinfo.output_height),
                      PictureBytes(cinfo.output_width, cinfo.output_height) + quantizer + LibraryBytes(cinfo)};
}

// How a decode ended: failed, done, or colour rows written and counted, to be quantized.
enum class Decoded { kFailed, kDone, kCounted };

// Decodes the stream into `target`: scanlines go straight into the image's own 24-bit rows.
// Colour pictures arrive as plain colours, counted by `quantizer` as they come, and are left
// for the caller to quantize; a grey sample g becomes (g, g, g); a four-component picture's
// colour-map indices become their map entries. On failure `target` may hold a partly written
// picture for the caller to release. `quantizer` belongs to the caller, so that nothing with
// a destructor lives in this frame across the jump.
Decoded DecodeJpeg(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                   std::int32_t fitHeight, CDibImage& target, ColourQuantizer& quantizer) {
    jpeg_decompress_struct cinfo;
    JpegErrorTrap trap;
    jpeg_progress_mgr progress;
    SetErrorTrap(cinfo, trap);
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return Decoded::kFailed;
    }
    const JpegKind kind = SetUpDecode(cinfo, progress, data, size, fitWidth, fitHeight);
    const JDIMENSION outputWidth = cinfo.output_width;
    const JDIMENSION outputHeight = cinfo.output_height;

    // The size is known and checked here, so the picture is allocated before the library
    // commits memory to decoding a file that could not be shown anyway. Every row is written
    // below, so the image's own memory is reused as it stands. The library is held to its part
    // of the declared cost: past it, it would need a backing store, which it reports as fatal.
    if (!CostOf(cinfo, kind).Acceptable() ||
        !target.Reallocate(static_cast<std::int32_t>(outputWidth),
                           static_cast<std::int32_t>(outputHeight))) {
        jpeg_destroy_decompress(&cinfo);
        return Decoded::kFailed;
    }
    cinfo.mem->max_memory_to_use = static_cast<long>(LibraryBytes(cinfo));
    jpeg_start_decompress(&cinfo);

    // The output is the size computed above, three samples a pixel for colour and one sample
    // or one map index otherwise; anything else would not fit the rows.
    const bool colour = kind == JpegKind::kColour;
    if (cinfo.output_width != outputWidth || cinfo.output_height != outputHeight ||
        cinfo.output_components != (colour ? 3 : 1)) {
        jpeg_destroy_decompress(&cinfo);
        return Decoded::kFailed;
    }
    const RowTable rows(target);
    if (colour) {
        while (cinfo.output_scanline < outputHeight) {
            JSAMPROW row = rows.Row(cinfo.output_scanline);
            jpeg_read_scanlines(&cinfo, &row, 1);
            quantizer.Count(row, outputWidth);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        return Decoded::kCounted;
    }

    const JDIMENSION rowLength = cinfo.output_width;
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                 JPOOL_IMAGE, rowLength, 1);
    // Grey levels stand for themselves; indices go through the quantizer's map, whose rows
    // are cyan, magenta and yellow (its fourth row is not used). Each entry is packed as the
    // bytes blue, green, red, 0.
    const bool grey = kind == JpegKind::kGrey;
    std::uint32_t palette[256];
    for (int v = 0; v < 256; ++v) {
        const bool mapped = grey || v < cinfo.actual_number_of_colors;
        const std::uint32_t r = grey ? v : mapped ? cinfo.colormap[0][v] : 0;
        const std::uint32_t g = grey ? v : mapped ? cinfo.colormap[1][v] : 0;
        const std::uint32_t b = grey ? v : mapped ? cinfo.colormap[2][v] : 0;
        palette[v] = b | (g << 8) | (r << 16);
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION k = cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, line, 1);
        std::uint8_t* dst = rows.Row(k);
        const JSAMPLE* src = line[0];
        // Four bytes a store, the fourth overwritten by the next pixel; the last pixel of the
        // row gets exactly three, since the row may have no padding after it.
        JDIMENSION i = 0;
        for (; i + 1 < rowLength; ++i, dst += 3) std::memcpy(dst, &palette[src[i]], 4);
        const std::uint32_t last = palette[src[i]];
        dst[0] = static_cast<std::uint8_t>(last);
        dst[1] = static_cast<std::uint8_t>(last >> 8);
        dst[2] = static_cast<std::uint8_t>(last >> 16);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return Decoded::kDone;
}

}  // namespace

int LoadJpegBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                       std::int32_t fitWidth, std::int32_t fitHeight) {
    // The library takes the length as an unsigned long, 32 bits on Windows.
    if (data != nullptr && size > 0 && size <= kMaxPictureFileBytes) {
        ColourQuantizer quantizer;
        const Decoded decoded = DecodeJpeg(data, size, fitWidth, fitHeight, image, quantizer);
        if (decoded == Decoded::kCounted) {
            // The colours are chosen once every pixel is counted, then the rows are mapped to
            // them from the top, as the library's second pass does.
            const std::size_t width = static_cast<std::size_t>(image.Width());
            quantizer.ChooseColours(kQuantizedColours, width);
            const RowTable rows(image);
            for (JDIMENSION k = 0; k < rows.height; ++k) quantizer.Map(rows.Row(k));
        }
        if (decoded != Decoded::kFailed) return 1;
    }
    // A fatal error may come after the rows were allocated: nothing partial is kept.
    image.Release();
    return 0;
}

DecodeCost JpegDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                          std::int32_t fitHeight) {
    if (data == nullptr || size == 0 || size > kMaxPictureFileBytes) return DecodeCost{};
    jpeg_decompress_struct cinfo;
    JpegErrorTrap trap;
    jpeg_progress_mgr progress;
    SetErrorTrap(cinfo, trap);
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return DecodeCost{};
    }
    const JpegKind kind = SetUpDecode(cinfo, progress, data, size, fitWidth, fitHeight);
    const DecodeCost cost = CostOf(cinfo, kind);
    jpeg_destroy_decompress(&cinfo);
    return cost;
}

int LoadJpegBytes(CDibImage& image, const std::uint8_t* data, std::size_t size) {
    return LoadJpegBytesToFit(image, data, size, 0, 0);
}

int LoadJpeg(CDibImage& image, const std::string& path) {
    return LoadPictureFile(image, path, LoadJpegBytes);
}

}  // namespace kolo
