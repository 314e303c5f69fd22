// GIF decoding on hand-made files, for the cases no encoder writes, and on the block
// structure. Conformance with real encoders is in ConformanceTest.cpp.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "sources/GifReader.h"
#include "sources/PictureFile.h"

namespace kolo::test {
namespace {

// Minimum code size 2: clear 4, end 5, first free code 6, codes start 3 bits wide.
constexpr std::uint32_t kClear2 = 4;
constexpr std::uint32_t kEnd2 = 5;

// Four-entry colour table: 0 black, 1 white, 2 red, 3 blue.
const Bytes kFourColours = {0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0, 255};

// Signature and logical screen descriptor, with a global table when one is given.
Bytes Screen(std::uint16_t width, std::uint16_t height, const Bytes& table = kFourColours,
             const char* signature = "GIF89a") {
    Bytes out(signature, signature + 6);
    Put16(out, width);    // logical screen width
    Put16(out, height);   // logical screen height
    if (table.empty()) {
        out.push_back(0x00);   // flags: no global table
    } else {
        unsigned n = 0;        // table holds 2 << n entries
        while ((std::size_t{6} << n) < table.size()) ++n;
        out.push_back(static_cast<std::uint8_t>(0x80 | n));   // flags: global table, size n
    }
    out.push_back(0);   // background colour index
    out.push_back(0);   // pixel aspect ratio
    out.insert(out.end(), table.begin(), table.end());
    return out;
}

// Image separator, descriptor, optional local table, minimum code size and the codes in
// sub-blocks with their terminator.
Bytes Image(std::uint16_t width, std::uint16_t height, std::uint8_t minimumCodeSize,
            const Bytes& codes, std::uint8_t flags = 0, const Bytes& localTable = {},
            std::uint16_t left = 0, std::uint16_t top = 0) {
    Bytes out = {0x2C};   // ","
    Put16(out, left);
    Put16(out, top);
    Put16(out, width);
    Put16(out, height);
    out.push_back(flags);   // bit 7 local table, bit 6 interlaced, bits 0-2 table size
    out.insert(out.end(), localTable.begin(), localTable.end());
    out.push_back(minimumCodeSize);
    const Bytes blocks = SubBlocks(codes);
    out.insert(out.end(), blocks.begin(), blocks.end());
    return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

const Bytes kTrailer = {0x3B};

// Pixels 1, 2, 3, 0 (white, red, blue, black) as a 2 × 2 image.
const Bytes kFourPixelCodes = PackCodes({{kClear2, 3},
                                         {1, 3},
                                         {2, 3},      // adds 6 = "1 2"
                                         {3, 3},      // adds 7 = "2 3"; next 8 widens codes to 4
                                         {0, 4},      // adds 8 = "3 0"
                                         {kEnd2, 4}});

// A stream of root codes (one pixel each), each written with the width the decoder must be
// using at that point: every code after the first adds an entry until the table is full.
struct RootStream {
    std::vector<std::pair<std::uint32_t, unsigned>> codes;
    std::vector<std::uint8_t> pixels;
    std::uint32_t next = 6;
    unsigned width = 3;

    void Root(std::uint32_t root) {
        const bool addsEntry = !pixels.empty() && next < 4096;
        codes.push_back({root, width});
        pixels.push_back(static_cast<std::uint8_t>(root));
        if (addsEntry) {
            ++next;
            if (next == (1u << width) && width < 12) ++width;
        }
    }
};

int LoadBytes(CDibImage& image, const Bytes& bytes) {
    return LoadGif(image, WriteScratchFile("picture.gif", bytes));
}

int ParseBytes(GifReader& reader, const Bytes& bytes) {
    return reader.ParseBytes(bytes.data(), bytes.size());
}

TEST(GifSignature, OnlyGIF87aAndGIF89aSpelledExactlyAreRead) {
    for (const char* signature : {"GIF87a", "GIF89a", "GIF89A", "GIF88a", "GIF87A", "gif89a"}) {
        const int expected = signature[5] == 'a' && signature[0] == 'G' && signature[4] != '8';
        CDibImage image;
        EXPECT_EQ(LoadBytes(image, Join({Screen(2, 2, kFourColours, signature),
                                         Image(2, 2, 2, kFourPixelCodes), kTrailer})),
                  expected)
            << signature;
        if (!expected) continue;
        ExpectPixel(image, 0, 0, 255, 255, 255);
        ExpectPixel(image, 1, 0, 255, 0, 0);
        ExpectPixel(image, 0, 1, 0, 0, 255);
        ExpectPixel(image, 1, 1, 0, 0, 0);
    }
}

TEST(GifFileStructure, RejectsAFileEndingInsideOrRightAfterTheGlobalTable) {
    const Bytes whole = Screen(2, 2);
    GifReader reader;
    EXPECT_EQ(ParseBytes(reader, Bytes(whole.begin(), whole.end() - 1)), 0);
    EXPECT_EQ(ParseBytes(reader, whole), 0);
    EXPECT_EQ(ParseBytes(reader, Join({whole, kTrailer})), 1);
    EXPECT_TRUE(reader.Images().empty());
}

TEST(GifFileStructure, FirstOfTwoImagesBecomesThePicture) {
    // Blue throughout; the fourth code is already 4 bits wide.
    const Bytes second = PackCodes({{kClear2, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 4}, {kEnd2, 4}});
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, kFourPixelCodes),
                                     Image(2, 2, 2, second), kTrailer})),
              1);
    ExpectPixel(image, 0, 0, 255, 255, 255);
}

TEST(GifFileStructure, ACorruptFirstImageGivesWayToTheSecond) {
    // After the clear code only codes up to the first free code (6) have a meaning.
    const Bytes corrupt = PackCodes({{kClear2, 3}, {7, 3}, {kEnd2, 3}});
    const Bytes sound = PackCodes({{kClear2, 3}, {2, 3}, {2, 3}, {2, 3}, {2, 4}, {kEnd2, 4}});
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, corrupt),
                                     Image(2, 2, 2, sound), kTrailer})),
              1);
    ExpectPixel(image, 0, 0, 255, 0, 0);
    ExpectPixel(image, 1, 1, 255, 0, 0);
}

TEST(GifFileStructure, AnUnrecognisedBlockDiscardsEverything) {
    CDibImage image;
    EXPECT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, kFourPixelCodes), {0x99}})), 0);
    EXPECT_FALSE(image.HasPicture());
}

TEST(GifFileStructure, DataEndingBetweenBlocksEndsTheFile) {
    CDibImage image;
    EXPECT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, kFourPixelCodes)})), 1);
    ExpectPixel(image, 1, 0, 255, 0, 0);
}

TEST(GifImagePlacement, AFrameOnALargerScreenYieldsTheFrameSize) {
    // A 10 × 5 image at (40, 40) on a 100 × 100 screen, all blue.
    RootStream stream;
    stream.codes.push_back({kClear2, 3});
    for (int i = 0; i < 50; ++i) stream.Root(3);
    stream.codes.push_back({kEnd2, stream.width});
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(100, 100),
                                     Image(10, 5, 2, PackCodes(stream.codes), 0, {}, 40, 40), kTrailer})),
              1);
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.Height(), 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 10; ++x) ExpectPixel(image, x, y, 0, 0, 255);
    }
}

TEST(GifColourTables, ALocalTableIsPreferredToTheGlobalOne) {
    // Local table of 4 entries (flags 0x81): index 1 is green here.
    const Bytes local = {1, 1, 1, 0, 200, 0, 7, 7, 7, 8, 8, 8};
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, kFourPixelCodes, 0x81, local), kTrailer})), 1);
    ExpectPixel(image, 0, 0, 0, 200, 0);
    ExpectPixel(image, 1, 1, 1, 1, 1);
}

TEST(GifColourTables, WithoutAnyTableTheLoadFails) {
    CDibImage image;
    EXPECT_EQ(LoadBytes(image, Join({Screen(2, 2, {}), Image(2, 2, 2, kFourPixelCodes), kTrailer})), 0);
    EXPECT_FALSE(image.HasPicture());
}

TEST(GifColourTables, EntriesPastTheFileTableAreBlack) {
    // Two-entry table (flags 0x80): index 3 lies past it.
    const Bytes twoColours = {255, 255, 255, 255, 0, 0};
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 2, twoColours), Image(2, 2, 2, kFourPixelCodes), kTrailer})), 1);
    ExpectPixel(image, 0, 0, 255, 0, 0);   // index 1
    ExpectPixel(image, 1, 0, 0, 0, 0);     // index 2
    ExpectPixel(image, 0, 1, 0, 0, 0);     // index 3
    ExpectPixel(image, 1, 1, 255, 255, 255);
}

TEST(GifExtensions, ATransparentIndexShowsItsTableColour) {
    // Graphic control: size 4, flags 1 (transparent), delay 0, transparent index 2, terminator.
    const Bytes control = {0x21, 0xF9, 4, 0x01, 0, 0, 2, 0};
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 2), control, Image(2, 2, 2, kFourPixelCodes), kTrailer})), 1);
    ExpectPixel(image, 1, 0, 255, 0, 0);
}

TEST(GifExtensions, EachKindIsKeptWhenItEndsInAZeroByte) {
    const Bytes control = {0x21, 0xF9, 4, 0x01, 0, 0, 2, 0};
    // Application: identifier and code (11 bytes), one 3-byte sub-block (loop count), 0.
    const Bytes looping = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                           3, 1, 0, 0, 0};
    const Bytes comment = {0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0};
    // Plain text: 12-byte grid header, one 2-byte text sub-block, 0.
    const Bytes text = {0x21, 0x01, 12, 0, 0, 0, 0, 8, 0, 8, 0, 8, 8, 1, 0, 2, 'h', 'i', 0};
    GifReader reader;
    ASSERT_EQ(ParseBytes(reader, Join({Screen(2, 2), control, looping, comment, text,
                                       Image(2, 2, 2, kFourPixelCodes), kTrailer})),
              1);
    ASSERT_EQ(reader.Images().size(), 1u);
    ASSERT_EQ(reader.GraphicControls().size(), 1u);
    ASSERT_EQ(reader.Applications().size(), 1u);
    ASSERT_EQ(reader.Comments().size(), 1u);
    ASSERT_EQ(reader.PlainTexts().size(), 1u);
    EXPECT_EQ(reader.Applications()[0].data, (Bytes{1, 0, 0}));
    EXPECT_EQ(reader.Comments()[0].data, (Bytes{'h', 'e', 'l', 'l', 'o'}));
}

TEST(GifExtensions, AFixedPartLongerThanItsRecordIsConsumedWhole) {
    // Graphic control with a 200-byte fixed part (room for 8) and an application block with
    // a 60-byte one (room for 11): both are read past exactly and cut to their records.
    Bytes control = {0x21, 0xF9, 200};
    control.resize(control.size() + 200, 0xAB);
    control.push_back(0);
    Bytes application = {0x21, 0xFF, 60};
    application.resize(application.size() + 60, 0xCD);
    application.insert(application.end(), {2, 9, 9, 0});
    GifReader reader;
    ASSERT_EQ(ParseBytes(reader, Join({Screen(2, 2), control, application,
                                       Image(2, 2, 2, kFourPixelCodes), kTrailer})),
              1);
    EXPECT_EQ(reader.Images().size(), 1u);
    ASSERT_EQ(reader.GraphicControls().size(), 1u);
    EXPECT_EQ(reader.GraphicControls()[0].fixedPart.size(), 8u);
    ASSERT_EQ(reader.Applications().size(), 1u);
    EXPECT_EQ(reader.Applications()[0].fixedPart.size(), 11u);
    EXPECT_EQ(reader.Applications()[0].data, (Bytes{9, 9}));
}

TEST(GifExtensions, ACommentOfTwoSubBlocksThrowsTheParserOutOfStep) {
    // 255 bytes of 'x', then a second sub-block of 3: the byte after the first sub-block (3)
    // is taken for the terminator, the comment is dropped, and its text 'x' is read as a
    // block introducer: unrecognised, so the image read before is discarded as well.
    Bytes comment = {0x21, 0xFE, 255};
    comment.resize(comment.size() + 255, 'x');
    comment.insert(comment.end(), {3, 'x', 'x', 'x', 0});
    GifReader reader;
    EXPECT_EQ(ParseBytes(reader, Join({Screen(2, 2), Image(2, 2, 2, kFourPixelCodes), comment, kTrailer})), 1);
    EXPECT_TRUE(reader.Images().empty());
    EXPECT_TRUE(reader.Comments().empty());
    CDibImage image;
    EXPECT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, kFourPixelCodes), comment, kTrailer})), 0);
}

TEST(GifExtensions, AnUnknownLabelIsAnUnrecognisedBlock) {
    CDibImage image;
    EXPECT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, kFourPixelCodes),
                                     {0x21, 0x42, 1, 0, 0}, kTrailer})),
              0);
}

// 16 colours (minimum code size 4: clear 16, end 17, codes 5 bits): entry i is (10 i, 0, 0).
Bytes SixteenReds() {
    Bytes table;
    for (int i = 0; i < 16; ++i) table.insert(table.end(), {static_cast<std::uint8_t>(10 * i), 0, 0});
    return table;
}

// One column, one pixel a row, the k-th pixel to arrive carrying index k.
Bytes ArrivalOrderCodes(unsigned rows) {
    std::vector<std::pair<std::uint32_t, unsigned>> codes = {{16, 5}};
    for (unsigned k = 0; k < rows; ++k) codes.push_back({k, 5});
    codes.push_back({17, 5});
    return PackCodes(codes);
}

TEST(GifInterlace, RowsArriveInPassOrder) {
    const std::vector<int> order10 = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(1, 10, SixteenReds()),
                                     Image(1, 10, 4, ArrivalOrderCodes(10), 0x40), kTrailer})),
              1);
    for (int k = 0; k < 10; ++k) ExpectPixel(image, 0, order10[k], 10 * k, 0, 0);

    const std::vector<int> order3 = {0, 2, 1};
    ASSERT_EQ(LoadBytes(image, Join({Screen(1, 3, SixteenReds()),
                                     Image(1, 3, 4, ArrivalOrderCodes(3), 0x40), kTrailer})),
              1);
    for (int k = 0; k < 3; ++k) ExpectPixel(image, 0, order3[k], 10 * k, 0, 0);
}

TEST(GifInterlace, PixelsPastTheLastRowAreDropped) {
    // Five pixels for three rows: the extra two would otherwise land on the top row again.
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(1, 3, SixteenReds()),
                                     Image(1, 3, 4, ArrivalOrderCodes(5), 0x40), kTrailer})),
              1);
    ExpectPixel(image, 0, 0, 0, 0, 0);
    ExpectPixel(image, 0, 2, 10, 0, 0);
    ExpectPixel(image, 0, 1, 20, 0, 0);
}

TEST(GifLzw, PixelsPastTheImageAreDropped) {
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 1, SixteenReds()), Image(2, 1, 4, ArrivalOrderCodes(9)), kTrailer})), 1);
    ExpectPixel(image, 0, 0, 0, 0, 0);
    ExpectPixel(image, 1, 0, 10, 0, 0);
}

TEST(GifLzw, ClearThenEndLeavesEveryPixelIndexZero) {
    const Bytes table = {10, 20, 30, 1, 1, 1, 2, 2, 2, 3, 3, 3};
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 2, table),
                                     Image(2, 2, 2, PackCodes({{kClear2, 3}, {kEnd2, 3}})), kTrailer})),
              1);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) ExpectPixel(image, x, y, 10, 20, 30);
    }
}

TEST(GifLzw, ACodeEqualToTheNextFreeCodeIsThePreviousStringAndItsFirstPixel) {
    // 1, 2, then 7 while 7 is being defined: "2" + "2". Entry 6 is "1 2", so reading 7 as
    // anything already in the table would give 1, 2, 1, 2.
    const Bytes codes = PackCodes({{kClear2, 3},
                                   {1, 3},
                                   {2, 3},      // adds 6 = "1 2"
                                   {7, 3},      // the code being defined: adds 7 = "2 2"
                                   {kEnd2, 4}});
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(4, 1), Image(4, 1, 2, codes), kTrailer})), 1);
    ExpectPixel(image, 0, 0, 255, 255, 255);
    ExpectPixel(image, 1, 0, 255, 0, 0);
    ExpectPixel(image, 2, 0, 255, 0, 0);
    ExpectPixel(image, 3, 0, 255, 0, 0);
}

TEST(GifLzw, CodesWidenToTwelveBitsAndAFullTableTakesNoEntryUntilAClear) {
    RootStream stream;
    stream.codes.push_back({kClear2, 3});
    // 4091 roots fill entries 6 … 4095; entry 6 + (t - 1) is "root t-1, root t".
    for (unsigned t = 0; stream.next < 4096; ++t) stream.Root((t * 7 + t / 5) % 4);
    ASSERT_EQ(stream.width, 12u);
    for (int i = 0; i < 20; ++i) stream.Root(i % 4);   // a full table: 12 bits, nothing added
    // Entries 4095 and 4094 must still be what they were when the table filled.
    const std::size_t t = 4090;
    stream.codes.push_back({4095, 12});
    stream.pixels.insert(stream.pixels.end(), {stream.pixels[t - 1], stream.pixels[t]});
    stream.codes.push_back({4094, 12});
    stream.pixels.insert(stream.pixels.end(), {stream.pixels[t - 2], stream.pixels[t - 1]});
    // A clear code starts over at 3 bits.
    stream.codes.push_back({kClear2, 12});
    stream.codes.push_back({2, 3});
    stream.pixels.push_back(2);
    stream.codes.push_back({kEnd2, 3});

    const auto width = static_cast<std::uint16_t>(stream.pixels.size());
    GifReader reader;
    ASSERT_EQ(ParseBytes(reader, Join({Screen(width, 1), Image(width, 1, 2, PackCodes(stream.codes)), kTrailer})), 1);
    ASSERT_EQ(reader.Images().size(), 1u);
    const std::uint8_t* indices = reader.Images()[0].pixels.Data();
    for (std::size_t i = 0; i < stream.pixels.size(); ++i) {
        ASSERT_EQ(indices[i], stream.pixels[i]) << "pixel " << i;
    }
}

TEST(GifLzw, AStreamWithoutALeadingClearReadsAsIfOneWereThere) {
    const Bytes codes = PackCodes({{1, 3}, {2, 3}, {3, 3}, {0, 4}, {kEnd2, 4}});
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, codes), kTrailer})), 1);
    ExpectPixel(image, 0, 0, 255, 255, 255);
    ExpectPixel(image, 1, 0, 255, 0, 0);
    ExpectPixel(image, 0, 1, 0, 0, 255);
    ExpectPixel(image, 1, 1, 0, 0, 0);
}

TEST(GifLzw, InvalidCodesDropTheImage) {
    const std::vector<Bytes> invalid = {
        // First code above the first free code, without and after a clear.
        PackCodes({{7, 3}, {kEnd2, 3}}),
        PackCodes({{kClear2, 3}, {7, 3}, {kEnd2, 3}}),
        // 6 right after the clear is written as a pixel, so entry 6 becomes (prefix 6): its
        // string walk would not descend.
        PackCodes({{kClear2, 3}, {6, 3}, {1, 3}, {6, 3}, {kEnd2, 4}}),
    };
    for (const Bytes& codes : invalid) {
        GifReader reader;
        ASSERT_EQ(ParseBytes(reader, Join({Screen(2, 2), Image(2, 2, 2, codes), kTrailer})), 1);
        EXPECT_TRUE(reader.Images().empty());
    }
}

TEST(GifLzw, CodesEndingBeforeTheEndCodeKeepWhatWasDecoded) {
    // Sub-blocks end after 1, 2: no end code. The image keeps those two pixels; the rest are
    // index 0, and the terminator that follows is found.
    const Bytes codes = PackCodes({{kClear2, 3}, {1, 3}, {2, 3}});
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(2, 2, 2, codes), Image(2, 2, 2, kFourPixelCodes), kTrailer})), 1);
    ExpectPixel(image, 0, 0, 255, 255, 255);
    ExpectPixel(image, 1, 0, 255, 0, 0);
    ExpectPixel(image, 0, 1, 0, 0, 0);
    ExpectPixel(image, 1, 1, 0, 0, 0);
}

TEST(GifLzw, DataWithoutTheirZeroTerminatorDropTheImage) {
    // The end code fills the last sub-block exactly and the trailer follows at once.
    Bytes image = Image(2, 2, 2, kFourPixelCodes);
    image.pop_back();
    GifReader reader;
    ASSERT_EQ(ParseBytes(reader, Join({Screen(2, 2), image, kTrailer})), 1);
    EXPECT_TRUE(reader.Images().empty());
}

TEST(GifLzw, MinimumCodeSizeAboveElevenIsRejected) {
    // Minimum code size 11: clear 2048, end 2049, 12-bit codes from the start.
    Bytes table(768, 0);
    table[3 * 5] = 77;
    const Bytes eleven = PackCodes({{2048, 12}, {5, 12}, {2049, 12}});
    CDibImage image;
    ASSERT_EQ(LoadBytes(image, Join({Screen(1, 1, table), Image(1, 1, 11, eleven), kTrailer})), 1);
    ExpectPixel(image, 0, 0, 77, 0, 0);
    GifReader reader;
    ASSERT_EQ(ParseBytes(reader, Join({Screen(1, 1, table), Image(1, 1, 12, eleven), kTrailer})), 1);
    EXPECT_TRUE(reader.Images().empty());
}

TEST(GifSizes, AFirstImageOfWidthZeroSucceedsWithAnEmptyPicture) {
    CDibImage image;
    image.Allocate(3, 3);
    EXPECT_EQ(LoadBytes(image, Join({Screen(2, 2), Image(0, 2, 2, PackCodes({{kClear2, 3}, {kEnd2, 3}})), kTrailer})), 1);
    EXPECT_FALSE(image.HasPicture());
}

TEST(GifSizes, ImagesBeyondTheLimitsAreRejectedBeforeDecoding) {
    const Bytes codes = PackCodes({{kClear2, 3}, {1, 3}, {kEnd2, 3}});
    for (auto [w, h] : {std::pair{65535, 65535}, std::pair{16385, 1}, std::pair{1, 16385},
                        std::pair{16384, 4000}}) {
        GifReader reader;
        ASSERT_EQ(ParseBytes(reader, Join({Screen(2, 2), Image(static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), 2, codes), kTrailer})), 1);
        EXPECT_TRUE(reader.Images().empty()) << w << " x " << h;
    }
    // The largest side is fine; the image after a rejected one is still read.
    GifReader reader;
    ASSERT_EQ(ParseBytes(reader, Join({Screen(2, 2), Image(60000, 60000, 2, codes),
                                       Image(16384, 1, 2, codes), kTrailer})),
              1);
    ASSERT_EQ(reader.Images().size(), 1u);
    EXPECT_EQ(reader.Images()[0].width, 16384);
}


// The load decodes the first image straight into the picture and only checks the others; the
// reader's full parse keeps every image as indices and converts the first. Both must give the
// same result and the same bytes for any file, whatever the picture held before.
int ConvertFromFullParse(CDibImage& image, const Bytes& bytes) {
    GifReader reader;
    if (!ParseBytes(reader, bytes) || reader.Images().empty()) return 0;
    reader.SelectImage(0);
    const GifImage& first = *reader.CurrentImage();
    if (first.width == 0 || first.height == 0) return 1;
    if (!image.Allocate(first.width, first.height) || !reader.ConvertInto(image)) {
        image.Release();
        return 0;
    }
    return 1;
}

void ExpectLoadMatchesFullParse(const Bytes& bytes, const std::string& what) {
    CDibImage want;
    const int wanted = ConvertFromFullParse(want, bytes);
    CDibImage fresh, sameSize, otherSize;
    if (want.HasPicture()) {
        // Memory reused from an earlier picture holds its bytes: every one must be written.
        ASSERT_EQ(sameSize.Allocate(want.Width(), want.Height()), 1);
        std::memset(sameSize.Pixels(), 0xA5, sameSize.PixelBlock().Size());
    }
    ASSERT_EQ(otherSize.Allocate(7, 3), 1);
    for (CDibImage* got : {&fresh, &sameSize, &otherSize}) {
        ASSERT_EQ(LoadGifBytes(*got, bytes.data(), bytes.size()), wanted) << what;
        ASSERT_EQ(got->HasPicture(), want.HasPicture()) << what;
        if (!want.HasPicture()) continue;
        ASSERT_EQ(got->Width(), want.Width()) << what;
        ASSERT_EQ(got->Height(), want.Height()) << what;
        const std::size_t size = want.Stride() * static_cast<std::size_t>(want.Height());
        ASSERT_EQ(std::memcmp(got->Pixels(), want.Pixels(), size), 0) << what;
    }
}

// The file whole, and cut short at places that end it inside its codes.
void ExpectEveryCutMatches(const Bytes& bytes, const std::string& what) {
    for (std::size_t cut : {bytes.size(), bytes.size() - 1, bytes.size() * 9 / 10,
                            bytes.size() * 2 / 3, bytes.size() / 3, std::size_t{40}}) {
        if (cut > bytes.size()) continue;
        ExpectLoadMatchesFullParse(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)),
                                   what + " cut at " + std::to_string(cut));
    }
}

void ExpectEveryFileMatches(const std::string& dir, const std::string& extension) {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.is_regular_file() && entry.path().extension() == extension) {
            paths.push_back(entry.path());
        }
    }
    ASSERT_FALSE(paths.empty()) << dir;
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        ExpectEveryCutMatches(Bytes(std::istreambuf_iterator<char>(in), {}), path.filename().string());
    }
}

TEST(GifLoad, MatchesTheFullParseOnFilesOfRealEncoders) {
    ExpectEveryFileMatches(KOLO_CONFORMANCE_DIR, ".gif");
}

TEST(GifLoad, MatchesTheFullParseOnMalformedAndFuzzedFiles) {
    ExpectEveryFileMatches(KOLO_MALFORMED_DIR, ".gif");
    ExpectEveryFileMatches(KOLO_GIF_CORPUS_DIR, "");
}

TEST(GifLoad, MatchesTheFullParseWhereStringsCrossRowsAndTheEnd) {
    // 14 pixels from strings of up to four: "2", "3", "2 3", "2 3 2" twice, "2 3 2 2".
    const Bytes longStrings =
        PackCodes({{kClear2, 3}, {2, 3}, {3, 3}, {6, 3}, {8, 4}, {8, 4}, {9, 4}, {kEnd2, 4}});
    // After the clear, 7 is past the next free code and walks the old entry 6 ("1 2").
    const Bytes staleWalk =
        PackCodes({{kClear2, 3}, {1, 3}, {2, 3}, {kClear2, 3}, {6, 3}, {7, 3}, {kEnd2, 3}});
    const std::uint8_t kInterlacedFlag = 0x40;
    for (const Bytes& codes : {longStrings, staleWalk}) {
        // Rows of 11 to 14 pixels end right where a short string copied whole would overrun.
        for (auto [w, h] : {std::pair{3, 3}, std::pair{4, 2}, std::pair{5, 1}, std::pair{1, 5},
                            std::pair{2, 9}, std::pair{4, 4}, std::pair{11, 2}, std::pair{12, 1},
                            std::pair{13, 1}, std::pair{14, 1}}) {
            for (std::uint8_t flags : {std::uint8_t{0}, kInterlacedFlag}) {
                ExpectEveryCutMatches(
                    Join({Screen(2, 2), Image(static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), 2, codes, flags),
                          kTrailer}),
                    std::to_string(w) + " x " + std::to_string(h) + " flags " + std::to_string(flags));
            }
        }
    }
}

}  // namespace
}  // namespace kolo::test
