// SVG pages drawn by the host's own renderer: the web element's browser. A browser draws a
// page only from an image it decoded ahead, which takes a turn of its event loop, so the page
// decodes it when it arrives, keeps it, and hands the core a ticket in its place: the page's
// number and its own size. The readers here ask the host's drawer for that page at the size
// a fit needs, over white, synchronously, and shrink a larger drawing with the fit that keeps
// line pixels, so that thin lines of a large page stay lines at any detail.
//
// The ticket is kSvgTicketBytes: "KSVG", then the page's number, width and height in pixels,
// each four bytes, little-endian. Anything else is no page; so is a size outside the picture
// limits, a page the drawer no longer holds (it answers 0) or no drawer at all: the readers
// then return 0 and leave `image` empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/DibImage.h"
#include "sources/DecodeCost.h"

namespace kolo {

constexpr std::size_t kSvgTicketBytes = 16;

// Draws page `page` at width × height over white into `pixels`: rows bottom-up, `stride`
// bytes apart, blue, green, red, as CDibImage holds them. `crisp`: its shapes without
// anti-aliasing (a shape's own rendering hint still wins), asked only of a page at least
// twice its fit at the canvas's size. 1 when it drew the page.
using SvgDrawer = int (*)(std::uint32_t page, std::int32_t width, std::int32_t height, bool crisp,
                          std::uint8_t* pixels, std::size_t stride);
// The drawer every drawn-page reader of this instance asks (null: none).
void SetSvgDrawer(SvgDrawer drawer);

std::vector<std::uint8_t> MakeSvgTicket(std::uint32_t page, std::uint32_t width, std::uint32_t height);

// At its own size (within the picture limits), or at the size it takes in fitWidth × fitHeight.
int LoadDrawnSvgBytes(CDibImage& image, const std::uint8_t* data, std::size_t size);
int LoadDrawnSvgBytesToFit(CDibImage& image, const std::uint8_t* data, std::size_t size,
                           std::int32_t fitWidth, std::int32_t fitHeight);
// The fitted size and what drawing and fitting hold; refused for no ticket.
DecodeCost DrawnSvgDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t fitWidth,
                              std::int32_t fitHeight);

}  // namespace kolo
