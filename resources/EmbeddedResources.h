// The board's BMP files, built into the program (generated from resources/bitmaps/ at build
// time), so that it runs from any folder.
#pragma once

#include <cstddef>

#include "platform/EmbeddedFile.h"

namespace kolo {

extern const EmbeddedFile kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;

}  // namespace kolo
