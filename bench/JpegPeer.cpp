#include "bench/JpegPeer.h"

#include <benchmark/benchmark.h>

#include <csetjmp>

namespace kolo::bench {
namespace {

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void TrapExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1);
}

}  // namespace

bool PeerJpegDecode(const std::function<void(jpeg_decompress_struct&)>& setSource,
                    unsigned scaleNum) {
    jpeg_decompress_struct cinfo;
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = TrapExit;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    setSource(cinfo);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = scaleNum;
    cinfo.scale_denom = 8;
    if (cinfo.jpeg_color_space != JCS_GRAYSCALE) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = 128;
    }
    jpeg_start_decompress(&cinfo);
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                 cinfo.output_width * cinfo.output_components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, line, 1);
        benchmark::DoNotOptimize(line[0][0]);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace kolo::bench
