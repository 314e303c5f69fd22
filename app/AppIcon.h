// The module icon (resource 1), 32 × 32, as its 24-bit BMP file built into the program; the
// window and the About box show it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kolo {

extern const std::uint8_t kAppIcon32[];
extern const std::size_t kAppIcon32Size;

}  // namespace kolo
