// Reads GIF87a and GIF89a files with the program's own LZW decoder.
//
// Limits: 8-bit colour indices; only the first image that decoded becomes the picture, so a
// load writes that one straight into the picture and reads the codes of the others only as
// far as their end and their soundness decide how the rest of the file is read; extensions
// are kept but not used. Extensions are read as a fixed part, at most one data sub-block and
// a zero byte, so an extension with several data sub-blocks throws the parser out of step;
// that reading is kept on purpose, the files this program was written for are read the same
// way everywhere it runs.
//
// Recoverable, keep what we have: data that end inside an image (the image keeps the pixels
// decoded so far, unreached pixels are index 0); data that end between blocks (the file ends
// there); an image whose codes are invalid or whose data are not followed by a zero byte (that
// image is dropped, parsing goes on after it).
// Rejected: a wrong signature; a file that ends inside its global colour table or right after
// it; an image larger than the image limits or with a minimum code size above 11 (dropped
// before anything is allocated for it); an unrecognised block (everything read is discarded).
#include "sources/GifReader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "image/ImageLimits.h"
#include "platform/BitmapHeader.h"
#include "sources/FileStream.h"

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the LZW code reader loads little-endian words"
#endif

namespace kolo {
namespace {

constexpr std::size_t kHeaderBytes = 13;        // signature, version, logical screen descriptor
constexpr std::size_t kScreenFlagsOffset = 10;
constexpr std::size_t kDescriptorBytes = 9;     // left, top, width, height, flags
constexpr std::uint8_t kTablePresent = 0x80;    // in the screen and image flags
constexpr std::uint8_t kInterlaced = 0x40;      // in the image flags
constexpr std::uint8_t kTableSizeMask = 0x07;   // table has 2 << n entries

constexpr std::uint8_t kExtensionIntroducer = 0x21;   // "!"
constexpr std::uint8_t kImageSeparator = 0x2C;        // ","
constexpr std::uint8_t kTrailer = 0x3B;               // ";"
constexpr std::uint8_t kPlainTextLabel = 0x01;
constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::uint8_t kCommentLabel = 0xFE;
constexpr std::uint8_t kApplicationLabel = 0xFF;

// Room kept for the fixed part of each extension kind, bytes; longer fixed parts are consumed
// whole but kept only up to this.
constexpr std::size_t kGraphicControlRecord = 8;
constexpr std::size_t kPlainTextRecord = 12;
constexpr std::size_t kApplicationRecord = 11;

constexpr int kInterlacePasses = 4;
constexpr std::uint32_t kInterlaceStart[kInterlacePasses] = {0, 4, 2, 1};
constexpr std::uint32_t kInterlaceStep[kInterlacePasses] = {8, 8, 4, 2};

constexpr unsigned kMaxCodeSize = 12;           // bits
constexpr std::uint32_t kMaxCodes = 1u << kMaxCodeSize;
constexpr unsigned kMaxMinimumCodeSize = 11;    // so that codes never need more than 12 bits

// Indices all kept images may hold together: every image is kept although only the first is
// shown, so a small file of many huge frames must not add up beyond one largest picture.
constexpr std::uint64_t kMaxHeldPixels = kMaxImagePixels;

// What a load holds for an image decoded into the picture: its pixels, where each of its rows
// lies, and the one image record a load keeps (its colour table inside), with room to spare.
std::uint64_t FrameBytes(std::uint32_t width, std::uint32_t height) {
    constexpr std::uint64_t kRecordBytes = sizeof(GifImage) + 1024;
    return PictureBytes(width, height) + (std::uint64_t{height} + 1) * sizeof(std::uint8_t*) + kRecordBytes;
}

// "GIF87a" or "GIF89a", with the letters exactly so.
bool IsGifSignature(const std::uint8_t* bytes) {
    return std::memcmp(bytes, "GIF8", 4) == 0 && (bytes[4] == '7' || bytes[4] == '9') && bytes[5] == 'a';
}

std::size_t TableBytes(std::uint8_t flags) { return 3 * (std::size_t{2} << (flags & kTableSizeMask)); }

// Codes of one image, least significant bit first, taken from its data sub-blocks (a size
// byte, then that many bytes; `first` is the first size byte, `end` where they stop) through a
// small buffer that joins them: the data are never copied whole.
struct CodeSource {
    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t first;
    std::size_t end;
};

class CodeReader {
public:
    explicit CodeReader(const CodeSource& source)
        : bytes_(source.bytes), size_(source.size), block_(source.first), end_(source.end) {}

    // Next code of `size` bits; false when the data hold no whole code any more.
    __attribute__((always_inline)) bool Next(unsigned size, std::uint32_t& code) {
        if (bitPos_ + size > bufferBits_) {
            Refill();
            if (bitPos_ + size > bufferBits_) return false;
        }
        std::uint64_t word;
        std::memcpy(&word, buffer_ + (bitPos_ >> 3), sizeof word);   // padded: never past it
        code = static_cast<std::uint32_t>(word >> (bitPos_ & 7)) & ((1u << size) - 1);
        bitPos_ += size;
        return true;
    }
    std::uint64_t BitsUsed() const { return bitsBefore_ + bitPos_; }

private:
    static constexpr std::size_t kBufferBytes = 1024;
    static constexpr std::size_t kPadding = 8;   // zero bytes after the data for word loads

    // Keeps the bytes not wholly read and appends the next data, as much as fits.
    __attribute__((noinline)) void Refill() {
        const std::size_t done = bitPos_ >> 3;
        const std::size_t kept = filled_ - done;
        std::memmove(buffer_, buffer_ + done, kept);
        bitsBefore_ += std::uint64_t{done} * 8;
        bitPos_ &= 7;
        filled_ = kept;
        while (filled_ < kBufferBytes && (left_ > 0 || block_ < end_)) {
            if (left_ == 0) {
                // The scan that found `end` has already checked every size byte before it.
                left_ = std::min<std::size_t>(bytes_[block_], size_ - block_ - 1);
                data_ = block_ + 1;
                block_ = data_ + left_;
                continue;
            }
            const std::size_t n = std::min(left_, kBufferBytes - filled_);
            std::memcpy(buffer_ + filled_, bytes_ + data_, n);
            filled_ += n;
            data_ += n;
            left_ -= n;
        }
        std::memset(buffer_ + filled_, 0, kPadding);
        bufferBits_ = std::uint64_t{filled_} * 8;
    }

    const std::uint8_t* bytes_;
    const std::size_t size_;
    std::size_t block_;        // the next size byte
    const std::size_t end_;
    std::size_t data_ = 0;     // next data byte of the current sub-block
    std::size_t left_ = 0;     // data bytes left in it
    std::uint8_t buffer_[kBufferBytes + kPadding];
    std::size_t filled_ = 0;
    std::uint64_t bufferBits_ = 0;
    std::uint64_t bitPos_ = 0;       // in the buffer
    std::uint64_t bitsBefore_ = 0;   // read before the buffer's first byte
};

// Where the decoder's pixels go. An output takes pixels one at a time (Put) or as a copy of
// `length` pixels it wrote before, starting at a Mark it handed out (Copy); pixels past the
// image's end are dropped, but still count.

// Colour indices in the order the codes give them, into `count` bytes at `out` (none: the
// codes are only checked).
class IndexOutput {
public:
    using Mark = std::uint32_t;   // position; one at or past the end is never copied from

    IndexOutput(std::uint8_t* out, std::uint32_t count) : out_(out), count_(count) {}

    Mark Here() const { return static_cast<Mark>(std::min<std::uint64_t>(pos_, count_)); }
    void Put(std::uint8_t pixel) {
        if (pos_ < count_) out_[pos_] = pixel;
        ++pos_;
    }
    // The source always lies wholly before the current position.
    void Copy(Mark from, std::uint32_t length) {
        if (pos_ < count_) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, count_ - pos_));
            std::uint8_t* dst = out_ + pos_;
            const std::uint8_t* src = out_ + from;
            if (n <= 16) {
                for (std::size_t i = 0; i < n; ++i) dst[i] = src[i];
            } else {
                std::memcpy(dst, src, n);
            }
        }
        pos_ += length;
    }

private:
    std::uint8_t* out_;
    const std::uint32_t count_;
    std::uint64_t pos_ = 0;
};

// Pixels through a colour table straight into a picture's bottom-up 24-bit rows, each row
// of the codes put in its place as it arrives (interlaced or not): no buffer of indices.
// Copies are taken from the picture's own earlier pixels.
class PictureOutput {
public:
    struct Mark {
        std::uint16_t row;      // in the order the codes deliver rows
        std::uint16_t column;
    };

    PictureOutput(CDibImage& picture, const GifColourTable& table, bool interlaced)
        : pixels_(picture.Pixels()), stride_(picture.Stride()),
          width_(static_cast<std::uint32_t>(picture.Width())),
          height_(static_cast<std::uint32_t>(picture.Height())) {
        for (int v = 0; v < 256; ++v) {
            bgr_[v][0] = table[3 * v + 2];
            bgr_[v][1] = table[3 * v + 1];
            bgr_[v][2] = table[3 * v];
            bgr_[v][3] = 0;
        }
        // Where each row of the code order lies in the picture (row 0 of the picture is its
        // bottom line); none past the last.
        rows_.resize(std::size_t{height_} + 1, nullptr);
        std::uint32_t k = 0;
        for (int pass = 0; pass < (interlaced ? kInterlacePasses : 1); ++pass) {
            const std::uint32_t start = interlaced ? kInterlaceStart[pass] : 0;
            const std::uint32_t step = interlaced ? kInterlaceStep[pass] : 1;
            for (std::uint32_t line = start; line < height_; line += step) {
                rows_[k++] = pixels_ + stride_ * (height_ - 1 - line);
            }
        }
        at_ = rows_[0];
    }

    Mark Here() const { return Mark{static_cast<std::uint16_t>(row_), static_cast<std::uint16_t>(column_)}; }

    // Inside a row a pixel is stored as four bytes, the fourth belonging to the next pixel,
    // which is written later.
    void Put(std::uint8_t pixel) {
        if (row_ >= height_) return;
        if (column_ + 1 < width_) {
            std::memcpy(at_, bgr_[pixel], 4);
            at_ += 3;
            ++column_;
            return;
        }
        std::memcpy(at_, bgr_[pixel], 3);
        NextRow();
    }

    // The source always lies wholly before the current position.
    __attribute__((always_inline)) void Copy(Mark from, std::uint32_t length) {
        // A short string with room after it in both rows: one copy of fixed size through a
        // local, which may take and write more than the string but never past either row. The
        // bytes written past it belong to pixels still to come.
        if (length <= kShortString && from.column + kShortString < width_ &&
            column_ + kShortString < width_ && row_ < height_) {
            std::uint8_t chunk[kShortStringBytes];
            std::memcpy(chunk, rows_[from.row] + 3 * std::size_t{from.column}, sizeof chunk);
            std::memcpy(at_, chunk, sizeof chunk);
            at_ += 3 * std::size_t{length};
            column_ += length;
            return;
        }
        CopyAcrossRows(from, length);
    }

    // The same for any string, which may run over the end of a row in either place.
    __attribute__((noinline)) void CopyAcrossRows(Mark from, std::uint32_t length) {
        if (row_ >= height_) return;
        std::uint32_t fromRow = from.row;
        std::uint32_t fromColumn = from.column;
        const std::uint8_t* src = rows_[fromRow] + 3 * std::size_t{fromColumn};
        while (length > 0 && row_ < height_) {
            if (fromColumn == width_) {
                fromColumn = 0;
                src = rows_[++fromRow];
            }
            const std::uint32_t n = std::min({length, width_ - fromColumn, width_ - column_});
            std::memcpy(at_, src, 3 * std::size_t{n});
            at_ += 3 * std::size_t{n};
            src += 3 * std::size_t{n};
            fromColumn += n;
            length -= n;
            column_ += n;
            if (column_ == width_) NextRow();
        }
    }

    // Pixels the codes never reached show colour 0.
    void Finish() {
        for (; row_ < height_; NextRow()) {
            for (; column_ < width_; ++column_, at_ += 3) std::memcpy(at_, bgr_[0], 3);
        }
    }

private:
    void NextRow() {
        column_ = 0;
        at_ = rows_[++row_];
    }

    std::uint8_t* const pixels_;
    const std::size_t stride_;
    const std::uint32_t width_;
    const std::uint32_t height_;
    std::vector<std::uint8_t*> rows_;
    static constexpr std::uint32_t kShortString = 10;   // pixels
    static constexpr std::size_t kShortStringBytes = 32;  // at most 3 bytes short of 11 pixels
    std::uint8_t bgr_[256][4];   // the table as the picture stores it: blue, green, red, spare
    std::uint32_t row_ = 0;
    std::uint32_t column_ = 0;
    std::uint8_t* at_ = nullptr;
};

// The string table. prefix and suffix are the table itself: they stay from one clear code to
// the next and are what a string walk follows. The other fields are derived when an entry is
// added and are used only while the entry is younger than the last clear code; an older entry
// is walked through prefix and suffix like any LZW decoder does.
template <typename Mark>
struct LzwTable {
    std::uint16_t prefix[kMaxCodes];   // code of the string without its last pixel
    std::uint8_t suffix[kMaxCodes];    // last pixel of the string
    std::uint8_t first[kMaxCodes];     // first pixel of the string
    std::uint8_t valid[kMaxCodes];     // 1 when the prefixes descend all the way to a root
    std::uint16_t length[kMaxCodes];   // pixels in the string
    Mark offset[kMaxCodes];            // where the string lies whole in the output
};

enum class LzwResult { kDecoded, kInvalid };

// Decodes one image's codes into `out`. A stream that runs out before its end code ends
// there. `bytesUsed` is how far into the codes the decoder read, counted as a byte-wise
// reader would.
template <typename Output>
class LzwDecoder {
public:
    using Mark = typename Output::Mark;

    LzwDecoder(unsigned minimumCodeSize, Output& out)
        : clear_(1u << minimumCodeSize), end_(clear_ + 1), firstFree_(clear_ + 2),
          rootCodeSize_(minimumCodeSize + 1), out_(out) {
        std::memset(table_.prefix, 0, sizeof table_.prefix);
        std::memset(table_.suffix, 0, sizeof table_.suffix);
    }

    LzwResult Decode(const CodeSource& codes, std::uint64_t codeBytes, std::uint64_t& bytesUsed) {
        CodeReader reader(codes);   // a local: the pixels written cannot be taken for its state
        std::uint32_t next = firstFree_;
        unsigned codeSize = rootCodeSize_;
        std::uint32_t previous = 0;
        Mark previousPos{};              // where the previous code's pixels start
        bool started = false;            // a stream that does not open with a clear code reads
                                         // as if one preceded it
        bool ranOut = true;
        std::uint32_t code;
        while (reader.Next(codeSize, code)) {
            if (code == end_) {
                ranOut = false;
                break;
            }
            if (code == clear_ || !started) {
                if (code == clear_) {
                    codeSize = rootCodeSize_;
                    next = firstFree_;
                    if (!reader.Next(codeSize, code)) break;
                    if (code == end_) {
                        ranOut = false;
                        break;
                    }
                }
                started = true;
                // Only first free code itself may follow a clear: anything higher has no entry.
                if (code > firstFree_) return LzwResult::kInvalid;
                previousPos = out_.Here();
                out_.Put(static_cast<std::uint8_t>(code));
                previous = code;
                continue;
            }

            const Mark start = out_.Here();
            std::uint8_t firstPixel;
            if (code < next) {
                if (!EmitString(code, next, firstPixel)) return LzwResult::kInvalid;
            } else {
                // The code being defined right now: the previous string plus its first pixel.
                if (!EmitString(previous, next, firstPixel)) return LzwResult::kInvalid;
                out_.Put(firstPixel);
            }
            // A full table takes no entry until the next clear code.
            if (next < kMaxCodes) {
                AddEntry(next, previous, firstPixel, previousPos);
                ++next;
                if (next == (1u << codeSize) && codeSize < kMaxCodeSize) ++codeSize;
            }
            previous = code;
            previousPos = start;
        }
        bytesUsed = ranOut ? codeBytes : (reader.BitsUsed() + 7) / 8;
        return LzwResult::kDecoded;
    }

private:
    // Writes the string of `code`, copied from where it was written before.
    bool EmitString(std::uint32_t code, std::uint32_t next, std::uint8_t& firstPixel) {
        if (code < firstFree_) {
            firstPixel = static_cast<std::uint8_t>(code);
            out_.Put(firstPixel);
            return true;
        }
        if (code >= next) return WalkString(code, firstPixel);
        if (!table_.valid[code]) return false;
        firstPixel = table_.first[code];
        out_.Copy(table_.offset[code], table_.length[code]);
        return true;
    }

    // A code older than the last clear: follow its prefixes to the root, which must descend.
    bool WalkString(std::uint32_t code, std::uint8_t& firstPixel) {
        std::uint8_t reversed[kMaxCodes];
        std::size_t depth = 0;
        std::uint32_t node = code;
        while (node >= firstFree_) {
            reversed[depth++] = table_.suffix[node];
            const std::uint32_t p = table_.prefix[node];
            if (p >= node) return false;
            node = p;
        }
        firstPixel = static_cast<std::uint8_t>(node);
        out_.Put(firstPixel);
        while (depth > 0) out_.Put(reversed[--depth]);
        return true;
    }

    void AddEntry(std::uint32_t slot, std::uint32_t prefix, std::uint8_t suffix, Mark prefixPos) {
        table_.prefix[slot] = static_cast<std::uint16_t>(prefix);
        table_.suffix[slot] = suffix;
        if (prefix < firstFree_) {
            table_.valid[slot] = 1;
            table_.first[slot] = static_cast<std::uint8_t>(prefix);
            table_.length[slot] = 2;
        } else if (prefix < slot) {
            table_.valid[slot] = table_.valid[prefix];
            table_.first[slot] = table_.first[prefix];
            table_.length[slot] = static_cast<std::uint16_t>(table_.length[prefix] + 1);
        } else {
            table_.valid[slot] = 0;   // a string walk from here would not descend
        }
        table_.offset[slot] = prefixPos;
    }

    const std::uint32_t clear_;
    const std::uint32_t end_;
    const std::uint32_t firstFree_;
    const unsigned rootCodeSize_;
    Output& out_;
    LzwTable<Mark> table_;
};

// Kept out of line so that the three decoders of ReadImage, each with its table, never share
// one stack frame.
template <typename Output>
__attribute__((noinline)) LzwResult DecodeLzw(unsigned minimumCodeSize, Output& out,
                                              const CodeSource& codes, std::uint64_t codeBytes,
                                              std::uint64_t& bytesUsed) {
    LzwDecoder<Output> decoder(minimumCodeSize, out);
    return decoder.Decode(codes, codeBytes, bytesUsed);
}

// The image's rows in the order the codes deliver them: 0, 8, 16, …, 4, 12, …, 2, 6, …,
// 1, 3, 5, … for an interlaced image; a pass whose first row lies below the image is skipped.
void Deinterlace(const std::uint8_t* arrived, std::uint8_t* rows, std::uint32_t width,
                 std::uint32_t height) {
    std::size_t k = 0;
    for (int pass = 0; pass < kInterlacePasses; ++pass) {
        for (std::uint32_t row = kInterlaceStart[pass]; row < height; row += kInterlaceStep[pass]) {
            std::memcpy(rows + std::size_t{row} * width, arrived + k * width, width);
            ++k;
        }
    }
}

}  // namespace

// Bounds-checked reading over the file's bytes: running out is a result, never a made-up byte.
class GifReader::Cursor {
public:
    Cursor(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool ReadByte(std::uint8_t& b) {
        if (pos_ >= size_) return false;
        b = bytes_[pos_++];
        return true;
    }
    bool Read(std::uint8_t* into, std::size_t n) {
        if (size_ - pos_ < n) return false;
        std::memcpy(into, bytes_ + pos_, n);
        pos_ += n;
        return true;
    }
    // Reads n bytes and keeps at most `keep` of them.
    bool ReadKeeping(std::size_t n, std::size_t keep, std::vector<std::uint8_t>& into) {
        if (size_ - pos_ < n) return false;
        into.assign(bytes_ + pos_, bytes_ + pos_ + std::min(n, keep));
        pos_ += n;
        return true;
    }
    std::size_t Position() const { return pos_; }
    void Seek(std::size_t pos) { pos_ = std::min(pos, size_); }
    std::size_t Size() const { return size_; }
    const std::uint8_t* Bytes() const { return bytes_; }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

namespace {

// The data sub-blocks of one image, starting at a size byte: how many data bytes they hold
// and where they end (at the zero size byte, or the end of the data when that is missing).
struct SubBlocks {
    std::size_t first = 0;        // position of the first size byte
    std::size_t dataBytes = 0;
    std::size_t terminator = 0;   // position of the zero size byte, or the data size
};

template <typename CursorT>
SubBlocks ScanSubBlocks(const CursorT& in) {
    SubBlocks blocks;
    blocks.first = in.Position();
    std::size_t pos = blocks.first;
    while (pos < in.Size() && in.Bytes()[pos] != 0) {
        const std::size_t n = in.Bytes()[pos];
        const std::size_t available = std::min(n, in.Size() - pos - 1);
        blocks.dataBytes += available;
        pos += 1 + available;
    }
    blocks.terminator = pos;
    return blocks;
}

// Where a byte-wise code reader that has taken `used` data bytes stands: inside a sub-block,
// or on the size byte of the next one, which it has not read yet.
template <typename CursorT>
std::size_t PositionAfter(const CursorT& in, const SubBlocks& blocks, std::uint64_t used) {
    std::size_t pos = blocks.first;
    while (pos < blocks.terminator && used > 0) {
        const std::size_t n = std::min<std::size_t>(in.Bytes()[pos], in.Size() - pos - 1);
        if (used < n) return pos + 1 + static_cast<std::size_t>(used);
        used -= n;
        pos += 1 + n;
    }
    return pos;
}

}  // namespace

void GifReader::Clear() {
    hasGlobalTable_ = false;
    globalTable_.fill(0);
    images_.clear();
    current_ = nullptr;
    heldPixels_ = 0;
    graphicControls_.clear();
    plainTexts_.clear();
    applications_.clear();
    comments_.clear();
}

GifReader::Step GifReader::ReadExtension(Cursor& in) {
    std::uint8_t label;
    if (!in.ReadByte(label)) return Step::kEndOfData;

    std::vector<GifExtension>* list = nullptr;
    std::size_t keep = 0;
    bool hasFixedPart = true;
    bool hasData = true;
    switch (label) {
        case kGraphicControlLabel: list = &graphicControls_; keep = kGraphicControlRecord; hasData = false; break;
        case kPlainTextLabel: list = &plainTexts_; keep = kPlainTextRecord; break;
        case kApplicationLabel: list = &applications_; keep = kApplicationRecord; break;
        case kCommentLabel: list = &comments_; hasFixedPart = false; break;
        default:
            Clear();
            return Step::kDone;
    }

    GifExtension extension;
    std::uint8_t n;
    if (hasFixedPart && (!in.ReadByte(n) || !in.ReadKeeping(n, keep, extension.fixedPart))) {
        return Step::kEndOfData;
    }
    if (hasData && (!in.ReadByte(n) || !in.ReadKeeping(n, n, extension.data))) {
        return Step::kEndOfData;
    }
    std::uint8_t terminator;
    if (!in.ReadByte(terminator)) return Step::kEndOfData;
    // A load shows no extension: keeping them would let a file of empty ones cost memory
    // many times its size.
    if (terminator == 0 && picture_ == nullptr) list->push_back(std::move(extension));
    return Step::kContinue;
}

GifReader::Step GifReader::ReadImage(Cursor& in) {
    std::uint8_t descriptor[kDescriptorBytes];
    if (!in.Read(descriptor, sizeof descriptor)) return Step::kEndOfData;
    GifImage image;
    image.left = ReadLe16(descriptor);
    image.top = ReadLe16(descriptor + 2);
    image.width = ReadLe16(descriptor + 4);
    image.height = ReadLe16(descriptor + 6);
    image.flags = descriptor[8];
    if (image.flags & kTablePresent) {
        if (!in.Read(image.localTable.data(), TableBytes(image.flags))) return Step::kEndOfData;
        image.hasLocalTable = true;
    }
    std::uint8_t minimumCodeSize;
    if (!in.ReadByte(minimumCodeSize)) return Step::kEndOfData;

    const SubBlocks blocks = ScanSubBlocks(in);
    // Whatever happens to this image, a rejected one resumes after its data.
    const std::size_t afterData = blocks.terminator + 1;

    // A zero width or height is no picture but is a decoded image all the same.
    const std::uint64_t count = std::uint64_t{image.width} * image.height;
    const bool sizeAcceptable = image.width <= kMaxImageSide && image.height <= kMaxImageSide &&
                                count <= static_cast<std::uint64_t>(kMaxImagePixels);
    if (minimumCodeSize > kMaxMinimumCodeSize || !sizeAcceptable ||
        heldPixels_ + count > kMaxHeldPixels) {
        in.Seek(afterData);
        return Step::kContinue;
    }
    image.pixelCount = static_cast<std::uint32_t>(count);

    const CodeSource codes{in.Bytes(), in.Size(), blocks.first, blocks.terminator};
    std::uint64_t bytesUsed = 0;
    LzwResult result;
    MemoryBlock arrived;
    const GifColourTable* table = image.hasLocalTable ? &image.localTable
                                  : hasGlobalTable_    ? &globalTable_
                                                       : nullptr;
    if (picture_ == nullptr) {
        if (count > 0) arrived = MemoryBlock::Allocate(count);   // zero: unreached pixels are index 0
        if (count > 0 && !arrived) {
            in.Seek(afterData);
            return Step::kContinue;
        }
        IndexOutput out(arrived.Data(), image.pixelCount);
        result = DecodeLzw(minimumCodeSize, out, codes, blocks.dataBytes, bytesUsed);
    } else if (images_.empty() && count > 0 && table != nullptr) {
        // The image that may become the picture goes straight into it, within what was
        // declared for the file.
        if (FrameBytes(image.width, image.height) > budget_) {
            in.Seek(afterData);
            return Step::kContinue;
        }
        if (!picture_->Reallocate(image.width, image.height)) {
            pictureFailed_ = true;
            return Step::kDone;
        }
        PictureOutput out(*picture_, *table, (image.flags & kInterlaced) != 0);
        result = DecodeLzw(minimumCodeSize, out, codes, blocks.dataBytes, bytesUsed);
        if (result == LzwResult::kDecoded) out.Finish();
    } else {
        // Not shown: the codes are only checked, for where they end and whether they are sound.
        IndexOutput out(nullptr, 0);
        result = DecodeLzw(minimumCodeSize, out, codes, blocks.dataBytes, bytesUsed);
    }
    if (result != LzwResult::kDecoded) {
        in.Seek(afterData);
        return Step::kContinue;
    }

    if ((image.flags & kInterlaced) && arrived) {
        image.pixels = MemoryBlock::Allocate(count);
        if (!image.pixels) {
            in.Seek(afterData);
            return Step::kContinue;
        }
        Deinterlace(arrived.Data(), image.pixels.Data(), image.width, image.height);
    } else {
        image.pixels = std::move(arrived);
    }

    // The data must be followed by a zero byte; data that end with the file count as ended.
    in.Seek(PositionAfter(in, blocks, bytesUsed));
    std::uint8_t terminator;
    const bool atEnd = !in.ReadByte(terminator);
    if (atEnd || terminator == 0) {
        heldPixels_ += count;
        // A load needs only the first image: each kept one holds its colour table.
        if (picture_ == nullptr || images_.empty()) images_.push_back(std::move(image));
    }
    return atEnd ? Step::kEndOfData : Step::kContinue;
}

int GifReader::ParseBytes(const std::uint8_t* bytes, std::size_t size) {
    Clear();
    if (bytes == nullptr || size < kHeaderBytes) return 0;
    std::memcpy(header_.data(), bytes, kHeaderBytes);
    if (!IsGifSignature(bytes)) return 0;
    std::size_t pos = kHeaderBytes;
    const std::uint8_t screenFlags = header_[kScreenFlagsOffset];
    if (screenFlags & kTablePresent) {
        const std::size_t n = TableBytes(screenFlags);
        if (size - pos < n) return 0;
        std::memcpy(globalTable_.data(), bytes + pos, n);
        hasGlobalTable_ = true;
        pos += n;
    }
    // Nothing after the header and the table is no file at all.
    if (pos >= size) {
        Clear();
        return 0;
    }

    Cursor in(bytes + pos, size - pos);
    for (;;) {
        std::uint8_t introducer;
        if (!in.ReadByte(introducer)) return 1;   // the data end between blocks: the file ends
        if (introducer == 0 || introducer == kTrailer) return 1;
        Step step;
        if (introducer == kExtensionIntroducer) {
            step = ReadExtension(in);
        } else if (introducer == kImageSeparator) {
            step = ReadImage(in);
        } else {
            // Unrecognised block: nothing read so far can be trusted.
            Clear();
            return 1;
        }
        if (step != Step::kContinue) return 1;
    }
}

int GifReader::Parse(const std::string& path) {
    Clear();
    MemoryBlock data;
    if (!ReadWholeFile(path, kMaxPictureFileBytes, data)) return 0;
    return ParseBytes(data.Data(), data.Size());
}

int GifReader::ConvertInto(CDibImage& target) const {
    if (current_ == nullptr || !target.HasPicture()) return 0;
    if (target.Width() != current_->width || target.Height() != current_->height) return 0;
    const GifColourTable* table = current_->hasLocalTable ? &current_->localTable
                                  : hasGlobalTable_        ? &globalTable_
                                                           : nullptr;
    if (table == nullptr) return 0;

    // Table entries as they are stored in the image: blue, green, red, and a fourth byte so
    // that a pixel is written with one four-byte store; the next pixel overwrites that byte.
    std::uint8_t bgr[256][4] = {};
    for (int v = 0; v < 256; ++v) {
        bgr[v][0] = (*table)[3 * v + 2];
        bgr[v][1] = (*table)[3 * v + 1];
        bgr[v][2] = (*table)[3 * v];
    }
    const std::uint32_t width = current_->width;
    const std::uint32_t height = current_->height;
    if (width == 0) return 1;
    const std::size_t stride = target.Stride();
    const std::uint8_t* indices = current_->pixels.Data();
    std::uint8_t* rows = target.Pixels();
    for (std::uint32_t i = 0; i < height; ++i) {
        // Destination row 0 is the bottom of the picture, source row 0 its top line.
        const std::uint8_t* src = indices + std::size_t{height - 1 - i} * width;
        std::uint8_t* dst = rows + stride * i;
        // The last pixel of a row gets three bytes: a fourth could lie past the image.
        for (std::uint32_t j = 0; j + 1 < width; ++j, dst += 3) std::memcpy(dst, bgr[src[j]], 4);
        std::memcpy(dst, bgr[src[width - 1]], 3);
    }
    return 1;
}

int GifReader::Load(CDibImage& picture, const std::uint8_t* bytes, std::size_t size,
                    std::uint64_t budget) {
    picture_ = &picture;
    pictureFailed_ = false;
    budget_ = budget;
    const int parsed = ParseBytes(bytes, size);
    picture_ = nullptr;
    if (!parsed || images_.empty() || pictureFailed_) {
        picture.Release();
        return 0;
    }
    const GifImage& first = images_.front();
    // A first image of no area decoded all the same: success with nothing to show.
    if (first.width == 0 || first.height == 0) {
        picture.Release();
        return 1;
    }
    if (!first.hasLocalTable && !hasGlobalTable_) {
        picture.Release();
        return 0;
    }
    return 1;   // every pixel of the picture was written as the image decoded
}

DecodeCost GifReader::Cost(const std::uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < kHeaderBytes || !IsGifSignature(bytes)) return DecodeCost{};
    std::size_t pos = kHeaderBytes;
    const std::uint8_t screenFlags = bytes[kScreenFlagsOffset];
    const bool globalTable = (screenFlags & kTablePresent) != 0;
    if (globalTable) {
        if (size - pos < TableBytes(screenFlags)) return DecodeCost{};
        pos += TableBytes(screenFlags);
    }
    DecodeCost cost;
    Cursor in(bytes + pos, size - pos);
    std::uint8_t introducer = 0;
    while (in.ReadByte(introducer) &&
           (introducer == kExtensionIntroducer || introducer == kImageSeparator)) {
        if (introducer == kExtensionIntroducer) {
            // A fixed part, one data sub-block and a zero byte, as ReadExtension reads them.
            std::uint8_t label, n;
            if (!in.ReadByte(label)) break;
            const bool fixedPart = label == kGraphicControlLabel || label == kPlainTextLabel ||
                                   label == kApplicationLabel;
            const bool data = label == kPlainTextLabel || label == kApplicationLabel || label == kCommentLabel;
            if (!fixedPart && !data) break;   // the parse keeps nothing
            if (fixedPart && (!in.ReadByte(n) || in.Size() - in.Position() < n)) break;
            if (fixedPart) in.Seek(in.Position() + n);
            if (data && (!in.ReadByte(n) || in.Size() - in.Position() < n)) break;
            if (data) in.Seek(in.Position() + n);
            if (!in.ReadByte(n)) break;
            continue;
        }
        std::uint8_t descriptor[kDescriptorBytes];
        if (!in.Read(descriptor, sizeof descriptor)) break;
        const std::uint16_t width = ReadLe16(descriptor + 4);
        const std::uint16_t height = ReadLe16(descriptor + 6);
        const bool localTable = (descriptor[8] & kTablePresent) != 0;
        if (localTable && in.Size() - in.Position() < TableBytes(descriptor[8])) break;
        if (localTable) in.Seek(in.Position() + TableBytes(descriptor[8]));
        std::uint8_t minimumCodeSize;
        if (!in.ReadByte(minimumCodeSize)) break;
        if (minimumCodeSize <= kMaxMinimumCodeSize && (localTable || globalTable) &&
            IsAcceptableImageSize(width, height)) {
            cost.width = std::max<std::int32_t>(cost.width, width);
            cost.height = std::max<std::int32_t>(cost.height, height);
            cost.peakBytes = std::max(cost.peakBytes, FrameBytes(width, height));
        }
        in.Seek(ScanSubBlocks(in).terminator + 1);
    }
    return cost;
}

int LoadGifBytes(CDibImage& image, const std::uint8_t* data, std::size_t size) {
    GifReader reader;
    return reader.Load(image, data, size, GifReader::Cost(data, size).peakBytes);
}

DecodeCost GifDecodeCost(const std::uint8_t* data, std::size_t size, std::int32_t, std::int32_t) {
    return GifReader::Cost(data, size);
}

int LoadGif(CDibImage& image, const std::string& path) {
    return LoadPictureFile(image, path, LoadGifBytes);
}

}  // namespace kolo
