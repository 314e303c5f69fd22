// The built-in art: every bitmap at the size the board lays it out, the palette exact to the
// pixel, and frames that can be laid over a picture.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/DeviceBitmap.h"
#include "platform/soft/BmpResources.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"

namespace kolo {
namespace {

constexpr Rect kPaletteRect{651, 492, 796, 625};
constexpr Rect kSwatchRect{744, 445, 796, 482};
constexpr int kCellPitch = 12;   // an 11-pixel cell and its 1-pixel line

std::unique_ptr<SoftBitmap> Load(int id) {
    BmpResources resources(kEmbeddedResources, kEmbeddedResourceCount);
    std::unique_ptr<DeviceBitmap> bitmap = resources.LoadBitmap(id);
    return std::unique_ptr<SoftBitmap>(dynamic_cast<SoftBitmap*>(bitmap.release()));
}

std::unique_ptr<SoftBitmap> ReadSourceFile(const std::string& name) {
    std::ifstream in(std::string(KOLO_BITMAP_DIR) + "/" + name, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    return ReadBmp24(bytes.data(), bytes.size());
}

ColourRef PaletteCellColour(int k) {
    return MakeColourRef(static_cast<std::uint8_t>(255 - 51 * (k / 36)),
                         static_cast<std::uint8_t>(255 - 51 * ((k / 6) % 6)),
                         static_cast<std::uint8_t>(255 - 51 * (k % 6)));
}

TEST(ResourceArt, EveryBitmapHasItsLayoutSize) {
    struct Expected {
        int id, width, height;
    };
    const Expected expected[] = {
        {kIdSkin, 834, 644},          {kIdCanvasFrame, 572, 452},
        {kIdThumbnailFrame, 174, 158}, {kIdBrushCursor, 96, 72},
        {kIdUndoNormal, 124, 52},     {kIdUndoPressed, 124, 52},
        {kIdUndoDisabled, 124, 52},   {kIdRedoNormal, 131, 34},
        {kIdRedoPressed, 131, 34},    {kIdRedoDisabled, 131, 34},
        {kIdPrintNormal, 133, 49},    {kIdPrintPressed, 133, 49},
        {kIdExitNormal, 103, 34},     {kIdExitPressed, 103, 34},
        {kIdPreviousNormal, 33, 33},  {kIdPreviousPressed, 33, 33},
        {kIdNextNormal, 33, 33},      {kIdNextPressed, 33, 33},
    };
    // The skin and the ten faces with words also come without them, at the same size.
    constexpr std::size_t kWordlessTwins = 11;
    EXPECT_EQ(kEmbeddedResourceCount, std::size(expected) + kWordlessTwins);
    std::size_t twins = 0;
    for (const Expected& e : expected) {
        auto bitmap = Load(e.id);
        ASSERT_NE(bitmap, nullptr) << "resource " << e.id;
        EXPECT_EQ(bitmap->Width(), e.width) << "resource " << e.id;
        EXPECT_EQ(bitmap->Height(), e.height) << "resource " << e.id;
        if (auto twin = Load(e.id + kWordlessArtOffset)) {
            ++twins;
            EXPECT_EQ(twin->Width(), e.width) << "resource " << e.id + kWordlessArtOffset;
            EXPECT_EQ(twin->Height(), e.height) << "resource " << e.id + kWordlessArtOffset;
        }
    }
    EXPECT_EQ(twins, kWordlessTwins);
}

TEST(ResourceArt, IconsAndToolboxBitmapHaveTheirSizes) {
    auto icon32 = ReadSourceFile("icon_32.bmp");
    auto icon16 = ReadSourceFile("icon_16.bmp");
    auto toolbox = ReadSourceFile("toolbox.bmp");
    ASSERT_NE(icon32, nullptr);
    ASSERT_NE(icon16, nullptr);
    ASSERT_NE(toolbox, nullptr);
    EXPECT_EQ(icon32->Width(), 32);
    EXPECT_EQ(icon32->Height(), 32);
    EXPECT_EQ(icon16->Width(), 16);
    EXPECT_EQ(icon16->Height(), 16);
    EXPECT_EQ(toolbox->Width(), 16);
    EXPECT_EQ(toolbox->Height(), 15);
}

TEST(ResourceArt, PaletteCellsHaveTheirColoursAndLinesArePureBlack) {
    auto skin = Load(kIdSkin);
    ASSERT_NE(skin, nullptr);
    const FramebufferContext& s = skin->Surface();
    for (int y = kPaletteRect.top; y < kPaletteRect.bottom; ++y) {
        for (int x = kPaletteRect.left; x < kPaletteRect.right; ++x) {
            const int px = x - kPaletteRect.left;
            const int py = y - kPaletteRect.top;
            const bool onLine = px % kCellPitch == 0 || py % kCellPitch == 0;
            const ColourRef expected =
                onLine ? 0u : PaletteCellColour((py / kCellPitch) * 12 + px / kCellPitch);
            ASSERT_EQ(s.GetPixel(x, y), expected) << "at " << x << ", " << y;
        }
    }
    EXPECT_EQ(PaletteCellColour(0), 0x00FFFFFFu);
    // Cell 131, the last: red 255 − 51 × 3, green 255 − 51 × 3, blue 255 − 51 × 5.
    EXPECT_EQ(s.GetPixel(796 - 6, 625 - 6), MakeColourRef(102, 102, 0));
}

TEST(ResourceArt, SkinSwatchShowsTheStartingColour) {
    auto skin = Load(kIdSkin);
    ASSERT_NE(skin, nullptr);
    for (int y = kSwatchRect.top; y < kSwatchRect.bottom; ++y) {
        for (int x = kSwatchRect.left; x < kSwatchRect.right; ++x) {
            ASSERT_EQ(skin->Surface().GetPixel(x, y), 0x008400FFu) << x << ", " << y;
        }
    }
}

// Frames are laid over pictures with pure white as the transparent colour: the opening must
// be pure white and the wood never, or the frame would get holes.
void ExpectFrameOpening(int id, int lip) {
    auto frame = Load(id);
    ASSERT_NE(frame, nullptr);
    const FramebufferContext& f = frame->Surface();
    for (int y = 0; y < f.Height(); ++y) {
        for (int x = 0; x < f.Width(); ++x) {
            const bool inside = lip <= x && x < f.Width() - lip && lip <= y && y < f.Height() - lip;
            if (inside) {
                ASSERT_EQ(f.GetPixel(x, y), 0x00FFFFFFu) << id << " at " << x << ", " << y;
            } else {
                ASSERT_NE(f.GetPixel(x, y), 0x00FFFFFFu) << id << " at " << x << ", " << y;
            }
        }
    }
}

TEST(ResourceArt, FramesAreWhiteInsideAndWoodenAtTheirEdges) {
    ExpectFrameOpening(kIdCanvasFrame, 7);
    ExpectFrameOpening(kIdThumbnailFrame, 4);
}

TEST(ResourceArt, CanvasFrameMatchesTheSkinWhereItHasWood) {
    auto skin = Load(kIdSkin);
    auto frame = Load(kIdCanvasFrame);
    ASSERT_NE(skin, nullptr);
    ASSERT_NE(frame, nullptr);
    for (int x = 0; x < 572; ++x) {
        ASSERT_EQ(frame->Surface().GetPixel(x, 0), skin->Surface().GetPixel(31 + x, 155)) << x;
    }
}

TEST(ResourceArt, BrushCursorTipIsAtTheHotSpot) {
    auto cursor = Load(kIdBrushCursor);
    ASSERT_NE(cursor, nullptr);
    constexpr ColourRef kTransparent = MakeColourRef(255, 0, 255);
    EXPECT_NE(cursor->Surface().GetPixel(kBrushHotSpotX, kBrushHotSpotY), kTransparent);
    EXPECT_EQ(cursor->Surface().GetPixel(0, 0), kTransparent);
    EXPECT_EQ(cursor->Surface().GetPixel(0, 71), kTransparent);
}

TEST(ResourceArt, DeviceBitmapBecomesBottomUpPackedRows) {
    auto frame = Load(kIdThumbnailFrame);
    ASSERT_NE(frame, nullptr);
    MemoryBlock dib = DibFromDeviceBitmap(*frame);
    ASSERT_TRUE(dib);
    const std::size_t stride = (174 * 3 + 3) & ~3u;
    EXPECT_EQ(dib.Size(), 40 + stride * 158);
    // Row 0 of the packed rows is the bottom line: blue, green, red.
    const ColourRef bottomLeft = frame->Surface().GetPixel(0, 157);
    const std::uint8_t* p = dib.Data() + 40;
    EXPECT_EQ(MakeColourRef(p[2], p[1], p[0]), bottomLeft);
}

}  // namespace
}  // namespace kolo
