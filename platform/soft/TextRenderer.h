// Text for the software contexts through FreeType, anti-aliased, black on an opaque white box
// the size of each line. The font is DejaVu Sans as Debian's fonts-dejavu-core installs it,
// unless the host supplies the font's bytes itself (a host without those files, such as a
// web page).
//
// Layout: each line centred across the rectangle; with kTop, lines split at line feeds and
// stacked from the top of the rectangle; with kMiddle, one line centred down it. Everything
// is clipped to the rectangle and to the surface. The font's pixel size follows the device's
// pixels per inch, so that a printer page gets the same point size as the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DrawingSurface.h"

namespace kolo {

class FramebufferContext;

constexpr const char* kDefaultFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kBoldFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int kDefaultFontPixels = 13;   // em size at 96 pixels per inch: a 16-pixel line

// Draws with the TrueType font `bytes` from now on, for the whole process. False, with the
// font left as it was, when the bytes are not a font.
bool UseFontBytes(std::vector<std::uint8_t> bytes);

// Returns the height of the text drawn, 0 when the font cannot be loaded.
int DrawTextInto(FramebufferContext& surface, const std::string& text, const Rect& rect,
                 TextPlacement placement, int pixelsPerInch);

// Writes a label (DrawingSurface::DrawLabel) in DejaVu Sans or DejaVu Sans Bold; returns the
// pixel size it was written at, 0 when the font cannot be loaded.
int DrawLabelInto(FramebufferContext& surface, const std::string& text, const Rect& box,
                  const LabelStyle& style);
// The pixel size a label is written at in a box `width` pixels wide (its style's size, or
// smaller until it fits), and its width then; false when the font cannot be loaded.
bool FitLabel(const std::string& text, int width, const LabelStyle& style, int& pixels,
              int& labelWidth);

// The code points of a UTF-8 line in the order they are drawn, left to right: Arabic letters
// take their joined forms, and a line with Arabic letters reads right to left, keeping runs
// of Latin letters and digits in their own order. Malformed bytes become U+FFFD.
std::u32string DisplayOrder(const std::string& utf8);

// Width and height in pixels of one line of text at a resolution; used by tests.
bool MeasureTextLine(const std::string& line, int pixelsPerInch, int& width, int& height);

}  // namespace kolo
