// GdiContext: a DeviceContext over a GDI device context handle. How the handle is given
// back depends on where it came from: a window's DC is released, a created one deleted, a
// borrowed one (BeginPaint's, a container's) left alone.
//
// GdiMemoryContext is the off-screen surface of CreateCompatibleDC; it selects GdiBitmaps
// only, and hands back the bitmap it held before as a borrowed GdiBitmap.
#pragma once

#include "platform/win32/Win32.h"

#include <memory>

#include "platform/DeviceContext.h"
#include "platform/win32/GdiBitmap.h"

namespace kolo {

class GdiContext : public DeviceContext {
public:
    enum class Release { kNone, kReleaseDC, kDeleteDC };

    GdiContext(HDC dc, Release release, HWND window = nullptr)
        : dc_(dc), release_(release), window_(window) {}
    ~GdiContext() override;
    GdiContext(const GdiContext&) = delete;
    GdiContext& operator=(const GdiContext&) = delete;

    HDC Handle() const { return dc_; }

    int SetStretchBltMode(int mode) override;
    int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, const std::uint8_t* bits,
                      const BitmapInfoHeader& header) override;
    int SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc,
                          int startScan, int scanLines, const std::uint8_t* bits,
                          const BitmapInfoHeader& header) override;
    void FillSolidRect(const Rect& rect, ColourRef colour) override;
    ColourRef GetPixel(int x, int y) const override;
    int GetDeviceCaps(int index) const override;
    int BitBlt(int xDest, int yDest, int width, int height, const DeviceContext& source,
               int xSrc, int ySrc) override;
    int DrawText(const std::string& text, const Rect& rect, unsigned format) override;
    std::unique_ptr<MemoryContext> CreateCompatibleDC() const override;
    int StartDoc(const std::string& documentName) override;
    int StartPage() override;
    int EndPage() override;
    int EndDoc() override;
    int AbortDoc() override;

private:
    HDC dc_;
    Release release_;
    HWND window_;
};

class GdiMemoryContext : public MemoryContext {
public:
    explicit GdiMemoryContext(HDC dc);
    ~GdiMemoryContext() override;

    DeviceBitmap* SelectBitmap(DeviceBitmap* bitmap) override;

    int SetStretchBltMode(int mode) override { return context_.SetStretchBltMode(mode); }
    int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, const std::uint8_t* bits,
                      const BitmapInfoHeader& header) override {
        return context_.StretchDIBits(xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth,
                                      srcHeight, bits, header);
    }
    int SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc,
                          int startScan, int scanLines, const std::uint8_t* bits,
                          const BitmapInfoHeader& header) override {
        return context_.SetDIBitsToDevice(xDest, yDest, width, height, xSrc, ySrc, startScan,
                                          scanLines, bits, header);
    }
    void FillSolidRect(const Rect& rect, ColourRef colour) override {
        context_.FillSolidRect(rect, colour);
    }
    ColourRef GetPixel(int x, int y) const override { return context_.GetPixel(x, y); }
    int GetDeviceCaps(int index) const override { return context_.GetDeviceCaps(index); }
    int BitBlt(int xDest, int yDest, int width, int height, const DeviceContext& source,
               int xSrc, int ySrc) override {
        return context_.BitBlt(xDest, yDest, width, height, source, xSrc, ySrc);
    }
    int DrawText(const std::string& text, const Rect& rect, unsigned format) override {
        return context_.DrawText(text, rect, format);
    }
    std::unique_ptr<MemoryContext> CreateCompatibleDC() const override {
        return context_.CreateCompatibleDC();
    }

    HDC Handle() const { return context_.Handle(); }

private:
    GdiContext context_;
    std::unique_ptr<GdiBitmap> original_;   // the default bitmap the fresh DC held, borrowed
    DeviceBitmap* selected_ = nullptr;      // what SelectBitmap put in; null: the original
};

// The handle behind any GDI context, null for a context of another kind.
HDC HandleOf(const DeviceContext& context);

}  // namespace kolo
