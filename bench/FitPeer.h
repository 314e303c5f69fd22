// The mean-only fit, for the fit benchmark: a picture larger than width × height on both sides,
// shrunk as CDibImage::FittedInto did before it kept line pixels.
#pragma once

#include <cstdint>

#include "image/DibImage.h"

namespace kolo::bench {

CDibImage MeanFittedInto(const CDibImage& picture, std::int32_t width, std::int32_t height);

}  // namespace kolo::bench
