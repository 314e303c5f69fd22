// DeviceContext: the drawing target the core paints into. The Windows target wraps an HDC;
// the software contexts in platform/soft/ draw into 24-bit framebuffers.
//
// Coordinates are device pixels, origin top-left. The DIB calls take 24-bit BI_RGB bottom-up
// pixel rows described by `header`, as CDibImage holds them; their source y is counted from
// the bottom row, as for a bottom-up DIB. Both return the number of scan lines drawn, 0 on failure.
#pragma once

#include <cstdint>

#include "platform/BitmapHeader.h"
#include "platform/Geometry.h"

namespace kolo {

// Stretch modes; only COLORONCOLOR (drop rows and columns, nearest sample) is used.
constexpr int kStretchColourOnColour = 3;

// Indices for GetDeviceCaps.
enum DeviceCap : int {
    kHorzRes = 8,       // width in device pixels
    kVertRes = 10,      // height in device pixels
    kRasterCaps = 38,   // raster capabilities; kRcBitBlt set when block transfers work
    kLogPixelsX = 88,   // pixels per inch across
    kLogPixelsY = 90,   // pixels per inch down
};
constexpr int kRcBitBlt = 1;

class DeviceContext {
public:
    virtual ~DeviceContext() = default;

    // Returns the previous mode.
    virtual int SetStretchBltMode(int mode) = 0;

    // Stretches the source rectangle (xSrc, ySrc from the bottom-left of the DIB) into the
    // destination rectangle.
    virtual int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                              int ySrc, int srcWidth, int srcHeight, const std::uint8_t* bits,
                              const BitmapInfoHeader& header) = 0;

    // Copies width × height pixels unscaled; (xSrc, ySrc) is the bottom-left corner of the
    // source rectangle in the DIB. `startScan` and `scanLines` select the rows `bits` holds.
    virtual int SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc,
                                  int startScan, int scanLines, const std::uint8_t* bits,
                                  const BitmapInfoHeader& header) = 0;

    virtual void FillSolidRect(const Rect& rect, ColourRef colour) = 0;

    // The colour at a point; kInvalidColour outside the surface.
    virtual ColourRef GetPixel(int x, int y) const = 0;

    virtual int GetDeviceCaps(int index) const = 0;
};

constexpr ColourRef kInvalidColour = 0xFFFFFFFFu;

}  // namespace kolo
