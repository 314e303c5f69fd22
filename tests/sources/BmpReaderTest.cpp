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

TEST(BmpRejected, ModernHeadersReadAsCoreHeadersFail) {
    // A 124-byte header of width 300: read as a core header its height is 0.
    const Bytes rows(300 * 3 * 2, 0x7F);
    CDibImage image;
    EXPECT_EQ(LoadBytes(image, Bmp(Cat(InfoHeader(300, 2, 24, 0, 0, 124), rows))), 0);
    EXPECT_FALSE(image.HasPicture());
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
                        std::pair{4, -4}, std::pair{-4, 4}}) {
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

#if !defined(__SANITIZE_ADDRESS__)
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
