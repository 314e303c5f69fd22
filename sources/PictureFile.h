// The one entry through which a downloaded picture file becomes an image.
//
// LoadFile picks the decoder from the file name: the name is lower-cased (A to Z only; other
// bytes, including those of double-byte characters, are unchanged) and searched anywhere,
// directories included, for ".bmp", then ".gif", then ".jpg"; the first match decides. The
// image is emptied and the decoder's result (1 or 0) returned. A name with none of the three
// returns 0 and leaves the image exactly as it was; ".jpeg" is not recognised.
#pragma once

#include <string>

#include "image/DibImage.h"
#include "sources/BmpReader.h"
#include "sources/GifReader.h"
#include "sources/JpegReader.h"

namespace kolo {

int LoadFile(CDibImage& image, const std::string& path);

}  // namespace kolo
