// DeviceContext: the drawing target the core paints into. The Windows target wraps an HDC;
// the software contexts in platform/soft/ draw into 24-bit framebuffers.
//
// Coordinates are device pixels, origin top-left. The DIB calls take 24-bit BI_RGB bottom-up
// pixel rows described by `header`, as CDibImage holds them; their source y is counted from
// the bottom row, as for a bottom-up DIB. Both return the number of scan lines drawn, 0 on failure.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

// DrawText format flags. Without kDtSingleLine, kDtVCenter has no effect: the text sits at
// the top of the rectangle, centred across it on its first line.
constexpr unsigned kDtCenter = 0x01;
constexpr unsigned kDtVCenter = 0x04;
constexpr unsigned kDtSingleLine = 0x20;

class DeviceBitmap;
class MemoryContext;

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

    // Copies width × height pixels unscaled from `source` at (xSrc, ySrc) to (xDest, yDest),
    // both counted from the top-left (SRCCOPY). Returns 1 when anything was copied.
    virtual int BitBlt(int xDest, int yDest, int width, int height, const DeviceContext& source,
                       int xSrc, int ySrc) {
        (void)xDest, (void)yDest, (void)width, (void)height, (void)source, (void)xSrc, (void)ySrc;
        return 0;
    }

    // Draws 8-bit text in the context's default font, black on an opaque white background,
    // clipped to `rect`. Returns the height of the text drawn, 0 on failure.
    virtual int DrawText(const std::string& text, const Rect& rect, unsigned format) {
        (void)text, (void)rect, (void)format;
        return 0;
    }

    // An off-screen memory context of the same kind, holding a default 1 × 1 bitmap until
    // one is selected; null when the device cannot have one.
    virtual std::unique_ptr<MemoryContext> CreateCompatibleDC() const { return nullptr; }

    // A print job on a printer context; other devices refuse with 0 (the platform's SP_ERROR
    // is also not above 0). Each returns a value above 0 on success.
    virtual int StartDoc(const std::string& documentName) {
        (void)documentName;
        return 0;
    }
    virtual int StartPage() { return 0; }
    virtual int EndPage() { return 0; }
    virtual int EndDoc() { return 0; }
    virtual int AbortDoc() { return 0; }
};

// A context that draws into a selected device bitmap.
class MemoryContext : public DeviceContext {
public:
    // Selects `bitmap` (not owned; it must outlive its selection) and returns the bitmap that
    // was selected before, which the caller puts back when done.
    virtual DeviceBitmap* SelectBitmap(DeviceBitmap* bitmap) = 0;
};

constexpr ColourRef kInvalidColour = 0xFFFFFFFFu;

}  // namespace kolo
