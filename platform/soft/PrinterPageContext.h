// PrinterPageContext: a software printer holding one page raster (white at the start of each
// page). Its creator sets the measures a print dialog would give: page size in device pixels
// (HORZRES, VERTRES), pixels per inch across and down (LOGPIXELSX, LOGPIXELSY) and the raster
// capabilities (RASTERCAPS).
//
// The print job is written to a PrintJobLog shared with whoever created the context, so that
// it can be read after the context is deleted: the calls in order ("StartDoc", "StartPage",
// "EndPage", "EndDoc", "AbortDoc", "DeleteDC"), the document name, the destination of every
// picture drawn, and a copy of each ended page's raster when keepPages is set.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/soft/FramebufferContext.h"

namespace kolo {

struct PrintedPage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;   // top-down rows, three bytes a pixel, no padding
};

struct PrintJobLog {
    std::vector<std::string> calls;
    std::string documentName;
    std::vector<Rect> pictureDestinations;   // destination rectangles of StretchDIBits and
                                             // SetDIBitsToDevice, in device pixels
    bool keepPages = true;
    std::vector<PrintedPage> pages;
};

struct PrinterMeasures {
    int pageWidth = 2550;    // HORZRES, device pixels
    int pageHeight = 3300;   // VERTRES, device pixels
    int dpiX = 300;          // LOGPIXELSX
    int dpiY = 300;          // LOGPIXELSY
    int rasterCaps = kRcBitBlt;
};

class PrinterPageContext : public FramebufferContext {
public:
    PrinterPageContext(const PrinterMeasures& measures, std::shared_ptr<PrintJobLog> log);
    ~PrinterPageContext() override;

    int GetDeviceCaps(int index) const override;
    int StretchDIBits(int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                      int srcWidth, int srcHeight, const std::uint8_t* bits,
                      const BitmapInfoHeader& header) override;
    int SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc,
                          int startScan, int scanLines, const std::uint8_t* bits,
                          const BitmapInfoHeader& header) override;

    int StartDoc(const std::string& documentName) override;
    int StartPage() override;
    int EndPage() override;
    int EndDoc() override;
    int AbortDoc() override;

private:
    PrinterMeasures measures_;
    std::shared_ptr<PrintJobLog> log_;
    bool inDocument_ = false;
    bool inPage_ = false;
};

}  // namespace kolo
