// JPEG files, decoded by the system's IJG-compatible JPEG library (libjpeg-turbo).
//
// LoadJpeg fills `image` with the file's picture as 24-bit bottom-up rows and returns 1, or
// returns 0 and leaves `image` empty. Greyscale files keep their 256 grey levels; every other
// file is reduced by the library to at most 128 colours (two-pass quantization with
// Floyd-Steinberg dithering; one-pass for four-component files, whose cyan, magenta and
// yellow are stored as red, green and blue). Fatal library errors fail the load silently;
// library warnings (a truncated file, for one) go to the library's default output.
#pragma once

#include <cstdio>
#include <string>

#include "image/DibImage.h"

namespace kolo {

int LoadJpeg(CDibImage& image, const std::string& path);

// The same, from an open stream at the start of the file (used by the fuzz target).
int LoadJpegStream(CDibImage& image, std::FILE* file);

}  // namespace kolo
