// BMP reading on hand-made files: the header rules, and files that must be rejected whole.
// Conformance with real encoders is in ConformanceTest.cpp.
#include <cstdlib>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SourcesTestSupport.h"
#include "sources/BmpReader.h"

namespace kolo::test {
namespace {

// File header: "BM", bfSize, bfReserved1, bfReserved2, bfOffBits.
Bytes FileHeader(std::uint32_t fileSize, std::uint32_t offBits) {
    Bytes out = {'B', 'M'};
    Put32(out, fileSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, offBits);
    return out;
}

// BITMAPINFOHEADER (or a longer header of `headerSize` bytes padded with zeros).
Bytes InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bits,
                 std::uint32_t compression = 0, std::uint32_t coloursUsed = 0,
                 std::uint32_t headerSize = 40) {
    Bytes out;
    Put32(out, headerSize);                        // biSize
    Put32(out, static_cast<std::uint32_t>(width));    // biWidth
    Put32(out, static_cast<std::uint32_t>(height));   // biHeight
    Put16(out, 1);                                 // biPlanes
    Put16(out, bits);                              // biBitCount
    Put32(out, compression);                       // biCompression
    Put32(out, 0);                                 // biSizeImage
    Put32(out, 0);                                 // biXPelsPerMeter
    Put32(out, 0);                                 // biYPelsPerMeter
    Put32(out, coloursUsed);                       // biClrUsed
    Put32(out, 0);                                 // biClrImportant
    out.resize(headerSize, 0);
    return out;
}

Bytes Bmp(const Bytes& packed, std::uint32_t offBits = 0) {
    Bytes out = FileHeader(static_cast<std::uint32_t>(14 + packed.size()), offBits);
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int LoadBytes(CDibImage& image, const Bytes& bytes) {
    return LoadBmp(image, WriteScratchFile("picture.bmp", bytes));
}

TEST(BmpColourTable, EightBitsWithTwoColoursUsedReadPastTheTableAsBlack) {
    // Table: entry 0 (blue 30, green 20, red 10), entry 1 (blue 50, green 100, red 200).
    const Bytes table = {30, 20, 10, 0, 50, 100, 200, 0};
    // Rows bottom-up, 4 bytes each: bottom row indices 0, 1; top row 2, 255.
    const Bytes rows = {0, 1, 0, 0, 2, 255, 0, 0};
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Bmp(Cat(Cat(InfoHeader(2, 2, 8, 0, 2), table), rows))), 1);
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 2);
    ExpectPixel(image, 0, 1, 10, 20, 30);
    ExpectPixel(image, 1, 1, 200, 100, 50);
    ExpectPixel(image, 0, 0, 0, 0, 0);
    ExpectPixel(image, 1, 0, 0, 0, 0);
}

TEST(BmpLayout, RowsStartRightAfterTheColourTableWhateverOffBitsSays) {
    // 1 × 1 at 24 bits; bfOffBits points 4 bytes further, past a gap of (1, 2, 3, 4). The gap
    // is read as the pixel.
    const Bytes gap = {1, 2, 3, 4};
    const Bytes pixel = {9, 9, 9, 0};
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Bmp(Cat(Cat(InfoHeader(1, 1, 24), gap), pixel), 14 + 40 + 4)), 1);
    ExpectPixel(image, 0, 0, 3, 2, 1);
}

TEST(BmpLayout, BitfieldsMovesTheTableTwelveBytesOn) {
    // 1 × 1 at 8 bits, BI_BITFIELDS, one colour: masks (12 bytes), table (5, 6, 7, 0), row.
    const Bytes masks(12, 0xEE);
    const Bytes table = {5, 6, 7, 0};
    const Bytes row = {0, 0, 0, 0};
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Bmp(Cat(Cat(Cat(InfoHeader(1, 1, 8, 3, 1), masks), table), row))), 1);
    ExpectPixel(image, 0, 0, 7, 6, 5);
}

TEST(BmpLayout, ACoreHeaderHasThreeByteEntries) {
    // BITMAPCOREHEADER: bcSize 12, bcWidth 2, bcHeight 1, bcPlanes 1, bcBitCount 1; two RGBTRIPLEs.
    Bytes core;
    Put32(core, 12);
    Put16(core, 2);
    Put16(core, 1);
    Put16(core, 1);
    Put16(core, 1);
    const Bytes table = {1, 2, 3, 200, 150, 100};
    const Bytes row = {0x40, 0, 0, 0};   // pixel 0 index 0, pixel 1 index 1
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Bmp(Cat(Cat(core, table), row))), 1);
    ExpectPixel(image, 0, 0, 3, 2, 1);
    ExpectPixel(image, 1, 0, 100, 150, 200);
}

// A hand-made file and the colours it must give, listed top row first, left to right.
struct BmpCase {
    const char* what;
    Bytes file;
    std::int32_t width, height;
    std::vector<Rgb> pixels;
};

// An info header of `headerSize` bytes with the masks where that header keeps them (after a
// 40-byte header, inside the longer ones).
Bytes MaskedHeader(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t headerSize,
                   std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    Bytes out = InfoHeader(width, height, bits, 3, 0, 40);
    Put32(out, red);
    Put32(out, green);
    Put32(out, blue);
    if (headerSize > 40) {
        out.resize(headerSize, 0);
        out[0] = static_cast<std::uint8_t>(headerSize);
    }
    return out;
}

// Four entries: index 0 white, 1 red, 2 blue, 3 green.
const Bytes kTable = {255, 255, 255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 0, 0};
constexpr Rgb W{255, 255, 255}, R{255, 0, 0}, B{0, 0, 255}, G{0, 255, 0};

Bytes RleFile(std::int32_t width, std::int32_t height, std::uint16_t bits, const Bytes& stream) {
    return Bmp(Cat(Cat(InfoHeader(width, height, bits, bits == 8 ? 1 : 2, 4), kTable), stream));
}

std::vector<BmpCase> DecodeCases() {
    return {
        {"V5 header, 24 bits", Bmp(Cat(InfoHeader(2, 1, 24, 0, 0, 124), {1, 2, 3, 4, 5, 6, 0, 0})), 2, 1,
         {{3, 2, 1}, {6, 5, 4}}},
        {"V4 header, 8 bits: the table follows the header", Bmp(Cat(Cat(InfoHeader(1, 1, 8, 0, 4, 108), kTable), {2, 0, 0, 0})),
         1, 1, {B}},
        {"5-6-5 masks after a 40-byte header",
         Bmp(Cat(MaskedHeader(3, 1, 16, 40, 0xF800, 0x07E0, 0x001F), {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0})), 3, 1, {R, G, B}},
        {"5-6-5 masks inside a V3 header",
         Bmp(Cat(MaskedHeader(2, 1, 16, 56, 0xF800, 0x07E0, 0x001F), {0xFF, 0xFF, 0x10, 0x84})), 2, 1,
         {W, {132, 130, 132}}},
        {"16 bits without masks is 5-5-5, white stays white", Bmp(Cat(InfoHeader(2, 1, 16), {0xFF, 0x7F, 0x00, 0x7C})), 2, 1, {W, R}},
        {"32-bit masks in RGBA order", Bmp(Cat(MaskedHeader(1, 1, 32, 40, 0xFF000000, 0x00FF0000, 0x0000FF00), {0x77, 30, 20, 10})),
         1, 1, {{10, 20, 30}}},
        {"top-down rows", Bmp(Cat(InfoHeader(1, -2, 24), {0, 0, 255, 0, 255, 0, 0, 0})), 1, 2, {R, B}},
        // RLE8 rows bottom-up: a run clipped at the row's end, end of line, a delta, an
        // absolute run of three padded to four bytes, end of bitmap.
        {"RLE8 runs, delta and absolute run", RleFile(4, 3, 8, {6, 1, 0, 0, 0, 2, 1, 1, 0, 3, 2, 1, 2, 0, 0, 1}), 4, 3,
         {W, B, R, B, W, W, W, W, R, R, R, R}},
        {"RLE8 without its end marker keeps what came", RleFile(2, 2, 8, {2, 2}), 2, 2, {W, W, B, B}},
        {"RLE8 past the last row stops", RleFile(1, 1, 8, {0, 2, 0, 5, 1, 1}), 1, 1, {W}},
        {"RLE8 absolute run cut short keeps what came", RleFile(2, 1, 8, {1, 1, 0, 4, 2}), 2, 1, {R, W}},
        // RLE4: a run alternates its two indices; an absolute run of three nibbles.
        {"RLE4 runs and absolute run", RleFile(5, 2, 4, {5, 0x12, 0, 0, 0, 3, 0x21, 0x20}), 5, 2,
         {B, R, B, W, W, R, B, R, B, R}},
    };
}

TEST(BmpDecode, HandMadeFilesGiveTheirColours) {
    for (const BmpCase& c : DecodeCases()) {
        CDibImage image;
        ASSERT_EQ(LoadBytes(image, c.file), 1) << c.what;
        ASSERT_EQ(image.Width(), c.width) << c.what;
        ASSERT_EQ(image.Height(), c.height) << c.what;
        for (std::int32_t i = 0; i < c.width * c.height; ++i) {
            EXPECT_EQ(PixelAt(image, i % c.width, i / c.width), c.pixels[static_cast<std::size_t>(i)])
                << c.what << ", pixel " << i;
        }
    }
}

TEST(BmpRejected, CompressionsDepthsAndHeadersTheReaderDoesNotKnow) {
    const Bytes rows(64, 0);
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"JPEG inside", Bmp(Cat(InfoHeader(2, 2, 0, 4), rows))},
        {"PNG inside", Bmp(Cat(InfoHeader(2, 2, 0, 5), rows))},
        {"JPEG inside at 24 bits", Bmp(Cat(InfoHeader(2, 2, 24, 4), rows))},
        {"alpha bit fields", Bmp(Cat(InfoHeader(2, 2, 32, 6), rows))},
        {"CMYK", Bmp(Cat(InfoHeader(2, 2, 32, 11), rows))},
        {"RLE8 at 4 bits", Bmp(Cat(InfoHeader(2, 2, 4, 1), rows))},
        {"RLE4 at 8 bits", Bmp(Cat(InfoHeader(2, 2, 8, 2), rows))},
        {"masks not one run of bits", Bmp(Cat(MaskedHeader(2, 2, 16, 40, 0xF00F, 0x07E0, 0x001F), rows))},
        {"a 16-bit mask beyond 16 bits", Bmp(Cat(MaskedHeader(2, 2, 16, 40, 0x1F0000, 0x07E0, 0x001F), rows))},
        {"header of 64 bytes", Bmp(Cat(InfoHeader(2, 2, 24, 0, 0, 64), rows))},
        {"header of 16 bytes", Bmp(Cat(InfoHeader(2, 2, 24, 0, 0, 16), rows))},
        {"masks missing after the header", Bmp(InfoHeader(2, 2, 16, 3))},
    };
    for (const auto& c : cases) {
        CDibImage image;
        image.Allocate(2, 2);
        EXPECT_EQ(LoadBytes(image, c.file), 0) << c.what;
        EXPECT_FALSE(image.HasPicture()) << c.what;
    }
}

TEST(BmpRejected, FilesShorterThanTheirDeclaredContent) {
    const Bytes header = InfoHeader(4, 4, 24);
    const std::vector<Bytes> shortFiles = {
        {'B', 'M'},                                            // no file header
        FileHeader(14, 0),                                     // file header alone
        Cat(FileHeader(30, 0), Bytes(header.begin(), header.begin() + 20)),   // half a header
        Bmp(Cat(header, Bytes(4 * 12 - 1, 0))),                // one row byte missing
        Bmp(Cat(InfoHeader(1, 1, 8, 0, 1000), Bytes(64, 0))),  // table runs past the end
        Bmp(Cat(InfoHeader(1, 1, 8), Bytes(4, 0))),            // 256-entry table missing
    };
    for (std::size_t i = 0; i < shortFiles.size(); ++i) {
        CDibImage image;
        image.Allocate(2, 2);
        EXPECT_EQ(LoadBytes(image, shortFiles[i]), 0) << "file " << i;
        EXPECT_FALSE(image.HasPicture()) << "file " << i;
    }
}

TEST(BmpRejected, WrongSignature) {
    Bytes file = Bmp(Cat(InfoHeader(1, 1, 24), Bytes(4, 0)));
    file[0] = 'M';
    file[1] = 'B';
    CDibImage image;
    EXPECT_EQ(LoadBytes(image, file), 0);
}

TEST(BmpRejected, ImpossibleSizesBeforeAnythingIsAllocated) {
    // Each file is 60 bytes or so; the sizes they claim would need gigabytes.
    for (auto [w, h] : {std::pair{20000, 20000}, std::pair{16385, 1}, std::pair{1, 16385},
                        std::pair{16384, 16384}, std::pair{0, 5}, std::pair{5, 0},
                        std::pair{4, -16385}, std::pair{-4, 4}}) {
        CDibImage image;
        EXPECT_EQ(LoadBytes(image, Bmp(Cat(InfoHeader(w, h, 24), Bytes(16, 0)))), 0) << w << " x " << h;
        EXPECT_FALSE(image.HasPicture());
    }
}

TEST(BmpRejected, DepthsNoPixelReaderKnows) {
    // A 0-bit core header claiming 10277 × 6144 needs no row bytes at all: found by fuzzing,
    // it made a 40-byte file into a 190 MB black picture.
    for (std::uint16_t bits : {0, 2, 7, 12, 33}) {
        const std::int32_t w = bits == 0 ? 10277 : 4;
        const std::int32_t h = bits == 0 ? 6144 : 4;
        CDibImage image;
        EXPECT_EQ(LoadBytes(image, Bmp(Cat(InfoHeader(w, h, bits), Bytes(20000, 0)))), 0) << bits;
        EXPECT_FALSE(image.HasPicture());
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__EMSCRIPTEN__)   // no fork() under Node
// Bytes of address space in use now, from /proc.
std::size_t AddressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

TEST(BmpMemory, ABlockThePictureCannotBeMadeFromIsFreed) {
    // 16384 × 3900 at 8 bits: 64 MB of rows, which the 24-bit picture needs three times over.
    constexpr std::int32_t kWidth = 16384, kHeight = 3900;
    Bytes file = Bmp(Cat(InfoHeader(kWidth, kHeight, 8), Bytes(1024, 0)));
    file.resize(file.size() + std::size_t{kWidth} * kHeight, 1);
    const std::string path = WriteScratchFile("large.bmp", file);
    file = Bytes();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Room for the block, not for the picture; then room for 120 MB only if the block
        // went back.
        const rlim_t limit = AddressSpaceInUse() + (150u << 20);
        const rlimit rl{limit, limit};
        if (::setrlimit(RLIMIT_AS, &rl) != 0) ::_exit(10);
        CDibImage image;
        if (LoadBmp(image, path) != 0) ::_exit(1);
        if (image.HasPicture()) ::_exit(2);
        void* again = std::malloc(120u << 20);
        ::_exit(again != nullptr ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: loaded, 2: picture kept, 3: block not freed";
}
#endif

}  // namespace
}  // namespace kolo::test
