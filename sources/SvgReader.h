// SVG colouring pages (desktop and headless builds only): plain line-art pages read and drawn
// by our own reader (sources/SvgPage.h), every other page by the system's librsvg.
//
// LoadSvgBytesToFit draws the page straight at the size it takes inside fitWidth × fitHeight
// (its proportions kept), over white paper, and returns 1; LoadSvgBytes draws it at its own
// size (kept within the picture size limits). Both return 0 and leave `image` empty for bytes
// that are no SVG page, a page without a size of its own, or one larger than kMaxSvgBytes.
// Nothing the page names outside itself (images, other files, style sheets) is read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"
#include "sources/DecodeCost.h"

namespace kolo {

constexpr std::size_t kMaxSvgBytes = 8 * 1024 * 1024;   // bytes of SVG text a page may have
constexpr int kSvgThreads = 2;   // threads a large page is drawn on, each a band of its own

int LoadSvgBytes(CDibImage& image, const std::uint8_t* data, std::size_t size);
int LoadSvgBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                      std::int32_t fitWidth, std::int32_t fitHeight);
// LoadSvgBytesToFit on at most `threads` threads (1: on the caller's alone). The pixels are the
// same for any number.
int LoadSvgBytesToFitOnThreads(CDibImage& image, const std::uint8_t* data, std::size_t size,
                               std::int32_t fitWidth, std::int32_t fitHeight, int threads);
// LoadSvgBytesToFitOnThreads through librsvg alone, as pages beyond our own reader are drawn:
// the drawing that reader is held to.
int LoadSvgBytesToFitWithLibrsvg(CDibImage& image, const std::uint8_t* data, std::size_t size,
                                 std::int32_t fitWidth, std::int32_t fitHeight, int threads);
// What drawing the page takes: its size as drawn and the memory held meanwhile (the drawing
// surface and the pictures made from it); refused for a page the readers refuse. A fit of 0
// stands for the page's own size.
DecodeCost SvgDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                         std::int32_t fitHeight);

}  // namespace kolo
