// Drives the JPEG library: header, parameters, one scanline at a time into a packed bitmap,
// which the image then adopts.
//
// The library reports fatal errors through error_exit, which must not return; ours long-jumps
// back into DecodeJpeg. That one function holds the setjmp, and nothing with a destructor is
// alive in it across the jump: the target block belongs to the caller, who frees it on every
// path, and everything else the library allocated goes with jpeg_destroy_decompress.
//
// Rejected: anything the library calls fatal; a picture larger than the image limits (checked
// on the header, before the library allocates for the whole picture); more progressive scans
// than any real encoder writes. Kept: whatever the library completes after a warning.
#include "sources/JpegReader.h"

#include <csetjmp>
#include <cstdint>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "image/ImageLimits.h"
#include "image/PackedDib.h"
#include "platform/MemoryBlock.h"
#include "sources/FileStream.h"

namespace kolo {
namespace {

constexpr int kQuantizedColours = 128;
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

void LimitScans(j_common_ptr cinfo) {
    const auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_NOT_COMPILED;   // any fatal code: the text is dropped
        (*cinfo->err->error_exit)(cinfo);
    }
}

// Addresses of the block's rows in top-to-bottom order: the block is bottom-up, so row k of
// the picture is the (height - 1 - k)-th row in memory. Trivially destructible, so it may
// live across the jump.
struct DibRowTable {
    std::uint8_t* pixels;
    std::size_t stride;
    JDIMENSION height;

    explicit DibRowTable(MemoryBlock& block)
        : pixels(const_cast<std::uint8_t*>(DibPixelData(block.Data()))),
          stride(static_cast<std::size_t>(DibRowStride(block.Data()))),
          height(static_cast<JDIMENSION>(DibHeight(block.Data()))) {}
    std::uint8_t* Row(JDIMENSION k) const { return pixels + (height - 1 - k) * stride; }
};

// Decodes the stream into `target`, a packed bitmap made here: 8 bits with a grey ramp for a
// greyscale file, 24 bits otherwise. 1 on success; 0 after a fatal error or a refused size,
// with `target` possibly holding a partly written block for the caller to free.
int DecodeJpeg(std::FILE* file, MemoryBlock& target) {
    jpeg_decompress_struct cinfo;
    JpegErrorTrap trap;
    jpeg_progress_mgr progress;
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JpegErrorExit;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = LimitScans;
    cinfo.progress = &progress;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);

    if (!IsAcceptableImageSize(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    if (!grey) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = kQuantizedColours;
    }
    jpeg_start_decompress(&cinfo);

    target = DibCreateBlank(static_cast<std::int32_t>(cinfo.image_width),
                            static_cast<std::int32_t>(cinfo.image_height), grey ? 8 : 24);
    // At scale 1/1 the output is the nominal size; anything else would not fit the rows.
    if (!target || cinfo.output_width != cinfo.image_width ||
        cinfo.output_height != cinfo.image_height || cinfo.output_components != 1) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }

    const JDIMENSION rowLength = cinfo.output_width * cinfo.output_components;
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                 JPOOL_IMAGE, rowLength, 1);
    const DibRowTable rows(target);
    if (grey) {
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION k = cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, line, 1);
            std::memcpy(rows.Row(k), line[0], rowLength);
        }
    } else {
        // The quantizer's colour map: rows red, green, blue (cyan, magenta, yellow for a
        // four-component file, whose fourth row is not used).
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION k = cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, line, 1);
            const JSAMPLE* red = cinfo.colormap[0];
            const JSAMPLE* green = cinfo.colormap[1];
            const JSAMPLE* blue = cinfo.colormap[2];
            std::uint8_t* dst = rows.Row(k);
            const JSAMPLE* src = line[0];
            for (JDIMENSION i = 0; i < rowLength; ++i, dst += 3) {
                const JSAMPLE v = src[i];
                dst[0] = blue[v];
                dst[1] = green[v];
                dst[2] = red[v];
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 1;
}

}  // namespace

int LoadJpegStream(CDibImage& image, std::FILE* file) {
    image.Release();
    MemoryBlock target;
    if (!DecodeJpeg(file, target)) return 0;
    // On failure the block is still ours and goes with this scope.
    return image.AdoptPackedDib(target);
}

int LoadJpeg(CDibImage& image, const std::string& path) {
    FileHandle file = OpenForReading(path.c_str());
    if (!file) {
        image.Release();
        return 0;
    }
    return LoadJpegStream(image, file.get());
}

}  // namespace kolo
