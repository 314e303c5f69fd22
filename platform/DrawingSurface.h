// DrawingSurface: what the board draws on, in the board's own terms. The Windows target wraps
// an HDC; platform/soft/ draws into 24-bit framebuffers.
//
// Coordinates are device pixels, origin top-left, right and bottom exclusive; everything is
// clipped to the surface, and what cannot be drawn is left out. Images are the core's packed
// pictures (24-bit BI_RGB rows, bottom-up, described by `header`, as CDibImage holds them),
// but their source rectangles count rows from the top all the same.
#pragma once

#include <cstdint>
#include <string>

#include "platform/BitmapHeader.h"
#include "platform/Geometry.h"

namespace kolo {

constexpr ColourRef kInvalidColour = 0xFFFFFFFFu;

// How an image drawn at another size is sampled.
enum class ImageFilter {
    kNearest,   // every device pixel takes the nearest source pixel: no colour is made up
    kArea,      // every device pixel takes the mean of the source area it covers: shrunk
                // lines stay smooth instead of breaking into steps
};

// Where text sits in its box; every line is centred across it.
enum class TextPlacement {
    kTop,      // lines stacked from the top of the box (a message that may have several)
    kMiddle,   // one line, centred down the box
};

// How a label is written: its ink, an optional shadow one pixel down and right, and the size
// it is meant to have; a label wider than its box is written smaller until it fits.
struct LabelStyle {
    ColourRef ink;
    ColourRef shadow;   // kInvalidColour: none
    int pixels;         // em size in device pixels
    bool bold;
};

class DeviceBitmap;

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Device pixels per board pixel: a screen of a scaled window, or 1 where the board's own
    // pixels are the device's. Only ColouringBoard::DrawCanvas draws by it.
    virtual double Scale() const { return 1.0; }

    // Draws the part `source` of the image scaled into `dest`.
    virtual void DrawImage(const BitmapInfoHeader& header, const std::uint8_t* bits,
                           const Rect& source, const Rect& dest, ImageFilter filter) = 0;
    // Copies the part `source` of a bitmap of this surface's platform unscaled, its top-left
    // corner to (x, y).
    virtual void DrawBitmap(const DeviceBitmap& bitmap, const Rect& source, int x, int y) = 0;
    virtual void FillRect(const Rect& rect, ColourRef colour) = 0;
    // Black 8-bit text in the surface's own font, on an opaque white band behind each line,
    // clipped to `box`.
    virtual void DrawText(const std::string& text, const Rect& box, TextPlacement placement) = 0;
    // One line of text in UTF-8 (any script the font has), centred in `box` over what is
    // there, without a band behind it. A surface whose art carries its own words draws none.
    virtual void DrawLabel(const std::string& text, const Rect& box, const LabelStyle& style) {
        (void)text, (void)box, (void)style;
    }
};

}  // namespace kolo
