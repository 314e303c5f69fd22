// The peer of the project's JPEG decoder: libjpeg-turbo alone, with the same settings (128
// colours for colour files), scaled by scaleNum / 8, its scanlines read into one row and
// dropped. `setSource` gives the decompressor its bytes (a file or memory).
#pragma once

#include <cstdio>
#include <functional>

#include <jpeglib.h>

namespace kolo::bench {

bool PeerJpegDecode(const std::function<void(jpeg_decompress_struct&)>& setSource,
                    unsigned scaleNum = 8);

}  // namespace kolo::bench
