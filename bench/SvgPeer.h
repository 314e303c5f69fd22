// SVG pages drawn as LoadSvgBytesToFit drew them before it split the drawing between threads:
// on one thread, at a whole multiple of the fit chosen for a one-unit line to cover 40 % of a
// pixel. Kept only as the peer the fit benchmark measures against.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"

namespace kolo::bench {

int LoadSvgBytesToFitBefore(CDibImage& image, const std::uint8_t* data, std::size_t size,
                            std::int32_t fitWidth, std::int32_t fitHeight);

}  // namespace kolo::bench
