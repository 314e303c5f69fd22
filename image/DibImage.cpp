#include "image/DibImage.h"

#include <algorithm>
#include <utility>

#include "image/ImageLimits.h"
#include "image/PackedDib.h"

namespace kolo {
namespace {

bool IsBlack(const std::uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }
bool IsWhite(const std::uint8_t* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; }

void CopyPixel(std::uint8_t* dst, const std::uint8_t* src) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
}

}  // namespace

MemoryBlock DuplicateGlobalBlock(const MemoryBlock& block) { return block.Duplicate(); }

CDibImage::CDibImage() = default;

CDibImage::CDibImage(const CDibImage& other) { Assign(other); }

CDibImage::CDibImage(CDibImage&& other) noexcept
    : header_(other.header_),
      pixels_(std::move(other.pixels_)),
      regionColour_(other.regionColour_),
      outlineColour_(other.outlineColour_) {}

CDibImage& CDibImage::operator=(const CDibImage& other) { return Assign(other); }

CDibImage& CDibImage::operator=(CDibImage&& other) noexcept {
    header_ = other.header_;
    pixels_ = std::move(other.pixels_);
    regionColour_ = other.regionColour_;
    outlineColour_ = other.outlineColour_;
    return *this;
}

CDibImage::~CDibImage() { Release(); }

CDibImage& CDibImage::Assign(const CDibImage& other) {
    if (this == &other) return *this;
    Release();
    header_ = other.header_;
    pixels_ = DuplicateGlobalBlock(other.pixels_);
    regionColour_ = other.regionColour_;
    outlineColour_ = other.outlineColour_;
    return *this;
}

int CDibImage::Allocate(std::int32_t width, std::int32_t height) {
    Release();
    // Negative and oversized requests are refused as well as zero ones: they can only come
    // from damaged input, and the size arithmetic below must not overflow.
    if (!IsAcceptableImageSize(width, height)) return 0;
    const std::size_t imageSize = Stride24(width) * static_cast<std::size_t>(height);
    pixels_ = MemoryBlock::Allocate(imageSize);
    if (!pixels_) return 0;
    header_ = BitmapInfoHeader();
    header_.biWidth = width;
    header_.biHeight = height;
    header_.biBitCount = 24;
    header_.biSizeImage = static_cast<std::uint32_t>(imageSize);
    return 1;
}

void CDibImage::Release() { pixels_.Free(); }

int CDibImage::AdoptPackedDib(MemoryBlock& packed) {
    if (!packed || !DibFitsBlock(packed.Data(), packed.Size())) return 0;
    const std::uint8_t* dib = packed.Data();
    const std::int32_t width = DibWidth(dib);
    const std::int32_t height = DibHeight(dib);
    if (!Allocate(width, height)) return 0;

    const std::size_t stride = Stride();
    for (std::int32_t row = 0; row < height; ++row) {
        std::uint8_t* dst = pixels_.Data() + stride * row;
        for (std::int32_t x = 0; x < width; ++x, dst += 3) {
            std::uint8_t colour[4] = {0, 0, 0, 0};   // black unless the reader writes
            DibReadPixel(dib, x, row, colour);
            CopyPixel(dst, colour);
        }
    }
    packed.Free();
    return 1;
}

int CDibImage::Draw(DeviceContext& dc, const Rect& dst) const {
    if (!HasPicture()) return 0;
    dc.SetStretchBltMode(kStretchColourOnColour);
    return dc.StretchDIBits(dst.left, dst.top, dst.Width(), dst.Height(), 0, 0, Width(), Height(),
                            Pixels(), header_);
}

int CDibImage::DrawPart(DeviceContext& dc, const Rect& src, const Rect& dst) const {
    if (!HasPicture()) return 0;
    dc.SetStretchBltMode(kStretchColourOnColour);
    if (dst.Width() == src.Width() && dst.Height() == src.Height()) {
        // The unscaled copy counts its source origin from the bottom row.
        return dc.SetDIBitsToDevice(dst.left, dst.top, dst.Width(), dst.Height(), src.left,
                                    Height() - src.bottom, 0, Height(), Pixels(), header_);
    }
    return dc.StretchDIBits(dst.left, dst.top, dst.Width(), dst.Height(), src.left, src.top,
                            src.Width(), src.Height(), Pixels(), header_);
}

void CDibImage::Threshold(int level) {
    if (!HasPicture()) return;
    const std::size_t stride = Stride();
    for (std::int32_t row = 0; row < Height(); ++row) {
        std::uint8_t* p = pixels_.Data() + stride * row;
        for (std::int32_t x = 0; x < Width(); ++x, p += 3) {
            const int average = (p[0] + p[1] + p[2]) / 3;
            const std::uint8_t value = average > level ? 255 : 0;
            p[0] = p[1] = p[2] = value;
        }
    }
}

int CDibImage::ComposeOnto(CDibImage& target) const {
    if (!HasPicture() || !target.HasPicture()) return 0;
    // Both images are aligned at their bottom-left corner; only the common area is touched.
    const std::int32_t width = std::min(Width(), target.Width());
    const std::int32_t height = std::min(Height(), target.Height());
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(Stride());
    const std::size_t targetStride = target.Stride();
    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint8_t* c = Pixels() + stride * row;
        std::uint8_t* t = target.Pixels() + targetStride * row;
        for (std::int32_t x = 0; x < width; ++x, c += 3, t += 3) {
            if (IsWhite(c)) continue;
            if (!IsBlack(c)) {
                CopyPixel(t, c);
                continue;
            }
            // A line pixel takes the first coloured neighbour, halved, looking below on
            // screen, right, above, then left.
            const std::uint8_t* neighbours[4] = {
                row > 0 ? c - stride : nullptr,
                x + 1 < width ? c + 3 : nullptr,
                row + 1 < height ? c + stride : nullptr,
                x > 0 ? c - 3 : nullptr,
            };
            for (const std::uint8_t* n : neighbours) {
                if (n != nullptr && !IsBlack(n) && !IsWhite(n)) {
                    t[0] = static_cast<std::uint8_t>(n[0] >> 1);
                    t[1] = static_cast<std::uint8_t>(n[1] >> 1);
                    t[2] = static_cast<std::uint8_t>(n[2] >> 1);
                    break;
                }
            }
        }
    }
    return 1;
}

int CDibImage::OverlayOnto(std::uint8_t keyRed, std::uint8_t keyGreen, std::uint8_t keyBlue,
                           CDibImage& target) const {
    if (!HasPicture() || !target.HasPicture()) return 0;
    const std::int32_t width = std::min(Width(), target.Width());
    const std::int32_t height = std::min(Height(), target.Height());
    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint8_t* c = Pixels() + Stride() * row;
        std::uint8_t* t = target.Pixels() + target.Stride() * row;
        for (std::int32_t x = 0; x < width; ++x, c += 3, t += 3) {
            if (c[2] != keyRed || c[1] != keyGreen || c[0] != keyBlue) CopyPixel(t, c);
        }
    }
    return 1;
}

void CDibImage::SetOutlineColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    outlineColour_ = RgbColour{red, green, blue};
}

int CDibImage::CaptureRegionColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const RgbColour colour{red, green, blue};
    if (colour == outlineColour_) return 0;
    regionColour_ = colour;
    return 1;
}

int CDibImage::MatchesRegionColour(std::uint8_t red, std::uint8_t green,
                                   std::uint8_t blue) const {
    return RgbColour{red, green, blue} == regionColour_ ? 1 : 0;
}

}  // namespace kolo
