#include "platform/soft/PrinterPageContext.h"

#include <cstring>
#include <utility>

namespace kolo {

PrinterPageContext::PrinterPageContext(const PrinterMeasures& measures,
                                       std::shared_ptr<PrintJobLog> log)
    : FramebufferContext(measures.pageWidth, measures.pageHeight, 0x00FFFFFF),
      measures_(measures),
      log_(log ? std::move(log) : std::make_shared<PrintJobLog>()) {
    SetRasterCaps(measures.rasterCaps);
}

PrinterPageContext::~PrinterPageContext() { log_->calls.emplace_back("DeleteDC"); }

int PrinterPageContext::GetDeviceCaps(int index) const {
    switch (index) {
        case kLogPixelsX: return measures_.dpiX;
        case kLogPixelsY: return measures_.dpiY;
        default: return FramebufferContext::GetDeviceCaps(index);
    }
}

int PrinterPageContext::StretchDIBits(int xDest, int yDest, int destWidth, int destHeight,
                                      int xSrc, int ySrc, int srcWidth, int srcHeight,
                                      const std::uint8_t* bits, const BitmapInfoHeader& header) {
    log_->pictureDestinations.push_back(
        Rect{xDest, yDest, xDest + destWidth, yDest + destHeight});
    return FramebufferContext::StretchDIBits(xDest, yDest, destWidth, destHeight, xSrc, ySrc,
                                             srcWidth, srcHeight, bits, header);
}

int PrinterPageContext::SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc,
                                          int ySrc, int startScan, int scanLines,
                                          const std::uint8_t* bits,
                                          const BitmapInfoHeader& header) {
    log_->pictureDestinations.push_back(Rect{xDest, yDest, xDest + width, yDest + height});
    return FramebufferContext::SetDIBitsToDevice(xDest, yDest, width, height, xSrc, ySrc,
                                                 startScan, scanLines, bits, header);
}

int PrinterPageContext::StartDoc(const std::string& documentName) {
    log_->calls.emplace_back("StartDoc");
    if (inDocument_) return 0;
    log_->documentName = documentName;
    inDocument_ = true;
    return 1;
}

int PrinterPageContext::StartPage() {
    log_->calls.emplace_back("StartPage");
    if (!inDocument_ || inPage_) return 0;
    inPage_ = true;
    FillSolidRect(Rect{0, 0, Width(), Height()}, 0x00FFFFFF);
    return 1;
}

int PrinterPageContext::EndPage() {
    log_->calls.emplace_back("EndPage");
    if (!inPage_) return 0;
    inPage_ = false;
    if (log_->keepPages) {
        PrintedPage page;
        page.width = Width();
        page.height = Height();
        page.rgb.resize(static_cast<std::size_t>(Width()) * Height() * 3);
        for (int y = 0; y < Height(); ++y) {
            std::memcpy(page.rgb.data() + static_cast<std::size_t>(y) * Width() * 3, Row(y),
                        static_cast<std::size_t>(Width()) * 3);
        }
        log_->pages.push_back(std::move(page));
    }
    return 1;
}

int PrinterPageContext::EndDoc() {
    log_->calls.emplace_back("EndDoc");
    if (!inDocument_ || inPage_) return 0;
    inDocument_ = false;
    return 1;
}

int PrinterPageContext::AbortDoc() {
    log_->calls.emplace_back("AbortDoc");
    if (!inDocument_) return 0;
    // An aborted job prints nothing: pages already ended are dropped with it.
    inDocument_ = false;
    inPage_ = false;
    log_->pages.clear();
    return 1;
}

}  // namespace kolo
