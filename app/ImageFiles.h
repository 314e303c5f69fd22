// Writing the screen and printed pages to files: PNG through libpng, and a one-page PDF
// through cairo. Pixels come as top-down rows of three bytes (red, green, blue) without
// padding. Each returns true when the whole file was written; otherwise nothing is left at
// `path` that was not there before, and `reason` (when given) says why in a few words.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace kolo {

// The rows as an image surface in cairo's layout (0x00RRGGBB words), for the caller to
// destroy; null when cairo could not allocate it.
cairo_surface_t* PageSurface(const std::uint8_t* rgb, int widthPixels, int heightPixels);

bool WritePng(const std::string& path, const std::uint8_t* rgb, int width, int height,
              std::string* reason = nullptr);

// One page of widthPixels × heightPixels at dotsPerInch, scaled to its size in points.
bool WritePdfPage(const std::string& path, const std::uint8_t* rgb, int widthPixels,
                  int heightPixels, int dotsPerInch, std::string* reason = nullptr);

// A PDF of pages widthPoints × heightPoints written onto `file`: `drawPages` draws them on the
// context, ending each with cairo_show_page, and returns false to give up. Returns 0, or the
// errno value of the failure (EIO when there is none).
int WritePdfPages(std::FILE* file, double widthPoints, double heightPoints,
                  const std::function<bool(cairo_t*)>& drawPages);

}  // namespace kolo
