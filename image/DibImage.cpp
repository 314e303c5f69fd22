#include "image/DibImage.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>
#include <vector>

#include "image/ImageLimits.h"
#include "image/PackedDib.h"
#include "image/PixelBytes.h"

namespace kolo {
namespace {

void CopyPixel(std::uint8_t* dst, const std::uint8_t* src) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
}

// One row of 1-, 4- or 8-bit indices through `table`; the most significant bits come first.
void ConvertIndexedRow(const std::uint8_t* src, std::int32_t bits, std::int32_t width,
                       std::uint8_t* dst, const std::uint32_t table[256]) {
    const unsigned mask = (1u << bits) - 1;
    for (std::int32_t x = 0; x < width; ++x, dst += 3) {
        const std::int32_t bit = x * bits;
        const unsigned index = (src[bit >> 3] >> (8 - bits - (bit & 7))) & mask;
        StorePixel(dst, table[index]);
    }
}

}  // namespace

void CDibImage::Touch() {
    // Pictures are decoded on loader threads, so the counter is shared safely; only its
    // uniqueness matters, not any order.
    static std::atomic<std::uint64_t> counter{0};
    generation_ = counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

CDibImage::CDibImage() = default;

CDibImage::CDibImage(const CDibImage& other) { Assign(other); }

CDibImage::CDibImage(CDibImage&& other) noexcept
    : header_(other.header_),
      pixels_(std::move(other.pixels_)),
      regionColour_(other.regionColour_),
      outlineColour_(other.outlineColour_) {
    Touch();
    other.Touch();
}

CDibImage& CDibImage::operator=(const CDibImage& other) { return Assign(other); }

CDibImage& CDibImage::operator=(CDibImage&& other) noexcept {
    header_ = other.header_;
    pixels_ = std::move(other.pixels_);
    regionColour_ = other.regionColour_;
    outlineColour_ = other.outlineColour_;
    Touch();
    other.Touch();
    return *this;
}

CDibImage::~CDibImage() { Release(); }

CDibImage& CDibImage::Assign(const CDibImage& other) {
    if (this == &other) return *this;
    Release();
    header_ = other.header_;
    pixels_ = other.pixels_.Duplicate();
    regionColour_ = other.regionColour_;
    outlineColour_ = other.outlineColour_;
    Touch();
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
    SetSize(width, height, imageSize);
    return 1;
}

int CDibImage::Reallocate(std::int32_t width, std::int32_t height) {
    if (!IsAcceptableImageSize(width, height)) {
        Release();
        return 0;
    }
    const std::size_t stride = Stride24(width);
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    if (!pixels_.Reuse(imageSize)) {
        Release();
        return 0;
    }
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    if (rowBytes < stride) {
        for (std::int32_t row = 0; row < height; ++row) {
            std::memset(pixels_.Data() + stride * static_cast<std::size_t>(row) + rowBytes, 0,
                        stride - rowBytes);
        }
    }
    SetSize(width, height, imageSize);
    return 1;
}

void CDibImage::SetSize(std::int32_t width, std::int32_t height, std::size_t imageSize) {
    header_ = BitmapInfoHeader();
    header_.biWidth = width;
    header_.biHeight = height;
    header_.biBitCount = 24;
    header_.biSizeImage = static_cast<std::uint32_t>(imageSize);
    Touch();
}

void CDibImage::Release() {
    pixels_.Free();
    Touch();
}

int CDibImage::AdoptPackedDib(MemoryBlock& packed) {
    if (!packed || !DibFitsBlock(packed.Data(), packed.Size())) return 0;
    const std::uint8_t* dib = packed.Data();
    const std::int32_t width = DibWidth(dib);
    const std::int32_t height = DibHeight(dib);
    if (!Allocate(width, height)) return 0;

    const std::int32_t bits = DibBitsPerPixel(dib);
    const std::uint8_t* source = DibPixelData(dib);
    const std::size_t sourceStride = static_cast<std::size_t>(DibRowStride(dib));
    const std::size_t stride = Stride();
    if (bits == 24) {
        // The same rows as ours, padding included.
        std::memcpy(pixels_.Data(), source, stride * static_cast<std::size_t>(height));
    } else if (bits == 1 || bits == 4 || bits == 8) {
        // Indexed pixels: the whole table once, then one lookup a pixel. Indices past the
        // table read as black, as DibColourEntry answers for them.
        std::uint32_t table[256];
        for (std::int32_t i = 0; i < 256; ++i) table[i] = DibColourEntry(dib, i);
        for (std::int32_t row = 0; row < height; ++row) {
            ConvertIndexedRow(source + sourceStride * row, bits, width,
                              pixels_.Data() + stride * row, table);
        }
    } else {
        for (std::int32_t row = 0; row < height; ++row) {
            std::uint8_t* dst = pixels_.Data() + stride * row;
            for (std::int32_t x = 0; x < width; ++x, dst += 3) {
                std::uint8_t colour[4] = {0, 0, 0, 0};   // black unless the reader writes
                DibReadPixel(dib, x, row, colour);
                CopyPixel(dst, colour);
            }
        }
    }
    packed.Free();
    return 1;
}

void CDibImage::Draw(DrawingSurface& surface, const Rect& dst) const {
    DrawPart(surface, Rect{0, 0, Width(), Height()}, dst);
}

void CDibImage::DrawPart(DrawingSurface& surface, const Rect& src, const Rect& dst) const {
    if (!HasPicture()) return;
    surface.DrawImage(header_, Pixels(), src, dst, ImageFilter::kNearest);
}

void CDibImage::Threshold(int level) {
    if (!HasPicture()) return;
    Touch();
    // (blue + green + red) / 3 > level, in integers, is the sum reaching 3 × (level + 1).
    const int minimumWhiteSum = 3 * (level + 1);
    const std::size_t stride = Stride();
    for (std::int32_t row = 0; row < Height(); ++row) {
        std::uint8_t* p = pixels_.Data() + stride * row;
        for (std::int32_t x = 0; x < Width(); ++x, p += 3) {
            const std::uint8_t value = p[0] + p[1] + p[2] >= minimumWhiteSum ? 255 : 0;
            p[0] = p[1] = p[2] = value;
        }
    }
}

namespace {

// The rows and columns of `area` (y from the top) that lie inside a width × height picture:
// bottom-up rows firstRow … endRow − 1, columns firstX … endX − 1.
struct RowSpan {
    std::int32_t firstRow, endRow, firstX, endX;
    bool Empty() const { return firstRow >= endRow || firstX >= endX; }
};

RowSpan Clip(const Rect& area, std::int32_t width, std::int32_t height) {
    const std::int32_t top = std::max(area.top, 0);
    const std::int32_t bottom = std::min(area.bottom, height);
    return RowSpan{height - bottom, height - top, std::max(area.left, 0), std::min(area.right, width)};
}

}  // namespace

int CDibImage::ComposeOnto(CDibImage& target) const {
    return ComposeOnto(target, Rect{0, 0, Width(), Height()});
}

int CDibImage::ComposeOnto(CDibImage& target, const Rect& area) const {
    if (!HasPicture() || !target.HasPicture()) return 0;
    // Both images are aligned at their bottom-left corner; only the common area is touched.
    const std::int32_t width = std::min(Width(), target.Width());
    const std::int32_t height = std::min(Height(), target.Height());
    // Rows are counted from the bottom here, where both pictures meet: the area's rows are
    // taken from this canvas's top.
    const RowSpan span = Clip(Rect{area.left, area.top - (Height() - height), area.right,
                                   area.bottom - (Height() - height)},
                              width, height);
    if (span.Empty()) return 1;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(Stride());
    const std::size_t targetStride = target.Stride();
    std::uint8_t* const targetPixels = target.Pixels();
    for (std::int32_t row = span.firstRow; row < span.endRow; ++row) {
        const std::uint8_t* const canvasRow = Pixels() + stride * row;
        std::uint8_t* const targetRow = targetPixels + targetStride * row;
        std::int32_t x = span.firstX;
        while (x < span.endX) {
            // Most of a canvas is white, where the target shows through: skip it in bulk.
            const std::int32_t white = WhiteRunLength(canvasRow + 3 * x, span.endX - x);
            if (white > 0) {
                x += white;
                continue;
            }
            const std::uint8_t* c = canvasRow + 3 * x;
            std::uint8_t* t = targetRow + 3 * x;
            const std::uint32_t colour = PixelValue(c);
            if (colour != kBlackPixel) {
                // A painted area's pixels go over as they are, a run at a time.
                std::int32_t end = x + 1;
                while (end < span.endX) {
                    const std::uint32_t next = PixelValue(canvasRow + 3 * end);
                    if (next == kBlackPixel || next == kWhitePixel) break;
                    ++end;
                }
                std::memcpy(t, c, 3 * static_cast<std::size_t>(end - x));
                x = end;
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
                if (n == nullptr) continue;
                const std::uint32_t near = PixelValue(n);
                if (near != kBlackPixel && near != kWhitePixel) {
                    // Halve each byte: shift the whole value, drop the bits that crossed.
                    StorePixel(t, (near >> 1) & 0x7F7F7F);
                    break;
                }
            }
            ++x;
        }
    }
    return 1;
}

namespace {

// One target row of AverageBlocksOnto with the factor known when compiled, so that the block
// loops unroll and the division by its area becomes a multiply or a shift: this runs over
// every pixel a fill changes at detail. `in` is the block's bottom source row.
template <std::int32_t Factor>
void AverageBlockRow(const std::uint8_t* in, std::size_t stride, std::int32_t count,
                     std::uint8_t* out) {
    constexpr std::uint32_t kCells = Factor * Factor;
    for (std::int32_t x = 0; x < count; ++x, in += 3 * Factor, out += 3) {
        for (int c = 0; c < 3; ++c) {
            std::uint32_t sum = 0;
            for (std::int32_t r = 0; r < Factor; ++r) {
                const std::uint8_t* block = in + stride * static_cast<std::size_t>(r) + c;
                for (std::int32_t i = 0; i < Factor; ++i) sum += block[3 * i];
            }
            out[c] = static_cast<std::uint8_t>((sum + kCells / 2) / kCells);
        }
    }
}

}  // namespace

int CDibImage::AverageBlocksOnto(CDibImage& target, std::int32_t factor, const Rect& area) const {
    if (!HasPicture() || !target.HasPicture() || factor < 1 || Width() != target.Width() * factor ||
        Height() != target.Height() * factor) {
        return 0;
    }
    const RowSpan span = Clip(area, target.Width(), target.Height());
    if (span.Empty()) return 1;
    const std::int32_t count = span.endX - span.firstX;
    std::uint8_t* const targetPixels = target.Pixels();
    const std::uint32_t cells = static_cast<std::uint32_t>(factor * factor);
    std::vector<std::uint32_t> sums;
    for (std::int32_t row = span.firstRow; row < span.endRow; ++row) {
        const std::uint8_t* in = Pixels() + Stride() * static_cast<std::size_t>(row * factor) +
                                 3 * static_cast<std::size_t>(span.firstX * factor);
        std::uint8_t* out = targetPixels + target.Stride() * row + 3 * span.firstX;
        switch (factor) {
            case 1: std::memcpy(out, in, 3 * static_cast<std::size_t>(count)); continue;
            case 2: AverageBlockRow<2>(in, Stride(), count, out); continue;
            case 3: AverageBlockRow<3>(in, Stride(), count, out); continue;
            case 4: AverageBlockRow<4>(in, Stride(), count, out); continue;
            default: break;
        }
        // Any larger factor: the block's rows added up a row at a time.
        sums.assign(3 * static_cast<std::size_t>(count), 0u);
        for (std::int32_t r = 0; r < factor; ++r, in += Stride()) {
            const std::uint8_t* from = in;
            std::uint32_t* sum = sums.data();
            for (std::int32_t x = 0; x < count; ++x, sum += 3) {
                for (std::int32_t i = 0; i < factor; ++i, from += 3) {
                    sum[0] += from[0];
                    sum[1] += from[1];
                    sum[2] += from[2];
                }
            }
        }
        for (const std::uint32_t sum : sums) *out++ = static_cast<std::uint8_t>((sum + cells / 2) / cells);
    }
    return 1;
}

int CDibImage::OverlayScaledOnto(std::uint32_t keyRgb, CDibImage& target, std::int32_t factor,
                                 const Rect& area) const {
    if (!HasPicture() || !target.HasPicture() || factor < 1 || target.Width() != Width() * factor ||
        target.Height() != Height() * factor) {
        return 0;
    }
    const RowSpan span = Clip(area, target.Width(), target.Height());
    if (span.Empty()) return 1;
    std::uint8_t* const targetPixels = target.Pixels();
    for (std::int32_t row = span.firstRow; row < span.endRow; ++row) {
        const std::uint8_t* const sourceRow = Pixels() + Stride() * (row / factor);
        std::uint8_t* const targetRow = targetPixels + target.Stride() * row;
        std::int32_t x = span.firstX;
        while (x < span.endX) {
            const std::int32_t from = x / factor;
            const std::int32_t end = std::min(span.endX, (from + 1) * factor);
            // The frame is mostly the see-through white: skip it a source run at a time.
            if (keyRgb == kWhitePixel) {
                const std::int32_t keyed = WhiteRunLength(sourceRow + 3 * from,
                                                          (span.endX - 1) / factor + 1 - from);
                if (keyed > 0) {
                    x = std::min(span.endX, (from + keyed) * factor);
                    continue;
                }
            }
            const std::uint32_t colour = PixelValue(sourceRow + 3 * from);
            if (colour != keyRgb) {
                for (std::int32_t i = x; i < end; ++i) StorePixel(targetRow + 3 * i, colour);
            }
            x = end;
        }
    }
    return 1;
}

int CDibImage::OverlayOnto(std::uint8_t keyRed, std::uint8_t keyGreen, std::uint8_t keyBlue,
                           CDibImage& target) const {
    return OverlayOnto(keyRed, keyGreen, keyBlue, target, Rect{0, 0, Width(), Height()});
}

int CDibImage::OverlayOnto(std::uint8_t keyRed, std::uint8_t keyGreen, std::uint8_t keyBlue,
                           CDibImage& target, const Rect& area) const {
    if (!HasPicture() || !target.HasPicture()) return 0;
    const std::uint32_t key = MakePixelValue(keyRed, keyGreen, keyBlue);
    const std::int32_t width = std::min(Width(), target.Width());
    const std::int32_t height = std::min(Height(), target.Height());
    const RowSpan span = Clip(Rect{area.left, area.top - (Height() - height), area.right,
                                   area.bottom - (Height() - height)},
                              width, height);
    if (span.Empty()) return 1;
    std::uint8_t* const targetPixels = target.Pixels();
    for (std::int32_t row = span.firstRow; row < span.endRow; ++row) {
        const std::uint8_t* const sourceRow = Pixels() + Stride() * row;
        std::uint8_t* const targetRow = targetPixels + target.Stride() * row;
        std::int32_t x = span.firstX;
        while (x < span.endX) {
            // A white key (the board's) usually covers most of the picture: skip it in bulk.
            const std::int32_t keyed =
                key == kWhitePixel ? WhiteRunLength(sourceRow + 3 * x, span.endX - x) : 0;
            if (keyed > 0) {
                x += keyed;
                continue;
            }
            const std::uint32_t colour = PixelValue(sourceRow + 3 * x);
            if (colour != key) StorePixel(targetRow + 3 * x, colour);
            ++x;
        }
    }
    return 1;
}

int CDibImage::CopyArea(const CDibImage& source, const Rect& area) {
    if (!HasPicture() || !source.HasPicture() || source.Width() != Width() ||
        source.Height() != Height()) {
        return 0;
    }
    const RowSpan span = Clip(area, Width(), Height());
    if (span.Empty()) return 1;
    std::uint8_t* const pixels = Pixels();
    const std::size_t offset = 3 * static_cast<std::size_t>(span.firstX);
    const std::size_t bytes = 3 * static_cast<std::size_t>(span.endX - span.firstX);
    for (std::int32_t row = span.firstRow; row < span.endRow; ++row) {
        std::memcpy(pixels + Stride() * row + offset, source.Pixels() + source.Stride() * row + offset,
                    bytes);
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

FitSize FitInside(std::int64_t w, std::int64_t h, std::int32_t width, std::int32_t height) {
    // Proportions are compared by cross-multiplying, so no rounding decides which side fills.
    std::int64_t fitWidth = width;
    std::int64_t fitHeight = height;
    if (w * height > h * width) {
        fitHeight = std::max<std::int64_t>(1, (h * width + w / 2) / w);
    } else if (w * height < h * width) {
        fitWidth = std::max<std::int64_t>(1, (w * height + h / 2) / h);
    }
    return FitSize{static_cast<std::int32_t>(fitWidth), static_cast<std::int32_t>(fitHeight)};
}

CDibImage CDibImage::FittedInto(std::int32_t width, std::int32_t height) const {
    if (!HasPicture() || width < 1 || height < 1) return CDibImage();
    const FitSize fit = FitInside(Width(), Height(), width, height);
    CDibImage fitted = Resized(fit.width, fit.height);
    // The fitted picture fits as it is: this only puts it on its paper.
    fitted.ResizeToFit(width, height);
    return fitted;
}

void CDibImage::ResizeToFit(std::int32_t width, std::int32_t height) {
    if (!HasPicture() || width < 1 || height < 1) return;
    const FitSize fit = FitInside(Width(), Height(), width, height);
    const std::int64_t fitWidth = fit.width;
    const std::int64_t fitHeight = fit.height;
    Resize(fit.width, fit.height);
    if (Width() == width && Height() == height) return;
    if (Width() != fitWidth || Height() != fitHeight) return;   // Resize ran out of memory

    CDibImage paper;
    if (!paper.Allocate(width, height)) return;
    std::memset(paper.Pixels(), 0xFF, paper.Stride() * static_cast<std::size_t>(height));
    const std::size_t left = static_cast<std::size_t>(width - fitWidth) / 2;
    // Rows are stored bottom-up: the larger half of an odd margin lies below the picture.
    const std::int64_t top = (height - fitHeight) / 2;
    const std::int64_t bottom = height - fitHeight - top;
    const std::size_t rowBytes = static_cast<std::size_t>(fitWidth) * 3;
    for (std::int64_t row = 0; row < fitHeight; ++row) {
        std::memcpy(paper.Pixels() + paper.Stride() * static_cast<std::size_t>(bottom + row) + left * 3,
                    Pixels() + Stride() * static_cast<std::size_t>(row), rowBytes);
    }
    *this = std::move(paper);
}

}  // namespace kolo
