#include "control/BoardWords.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/soft/SoftBitmap.h"
#include "platform/soft/TextRenderer.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"
#include "tests/app/Catalogue.h"

namespace kolo {
namespace {

// Smaller than this, a child could not read a word on a screen of the board's size.
constexpr int kSmallestReadablePixels = 9;

class BoardWordsIn : public testing::TestWithParam<const char*> {};

// Every word of the board, in every language, fits its place at a readable size.
TEST_P(BoardWordsIn, FitTheirPlaces) {
    UseCatalogue(GetParam());
    int count = 0;
    const WordPlace* places = BoardWordPlaces(count);
    for (int i = 0; i < count; ++i) {
        const WordPlace& place = places[i];
        const std::string word = FromCatalogue(EnglishBoardWord(place.word));
        int pixels = 0, width = 0;
        ASSERT_TRUE(FitLabel(word, place.box.Width(), place.style, pixels, width));
        EXPECT_LE(width, place.box.Width()) << word;
        EXPECT_GE(pixels, kSmallestReadablePixels) << word;
        EXPECT_LE(pixels, place.box.Height()) << word;
    }
    for (int word = 0; word < kBoardWordCount; ++word) FromCatalogue(EnglishBoardWord(static_cast<BoardWord>(word)));
    EXPECT_TRUE(MissingWords().empty()) << *MissingWords().begin();
}

INSTANTIATE_TEST_SUITE_P(Languages, BoardWordsIn, testing::Values("en", "fr", "de", "ar"));

std::vector<std::uint8_t> Rows(const DeviceBitmap& bitmap) {
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(bitmap.Width()) * 3 * bitmap.Height() + 4096);
    bitmap.ReadRows24(rows.data());
    return rows;
}

// English is the art as drawn; another language changes the skin only inside the places of
// its words.
TEST(BoardWords, EnglishKeepsTheArtAndATranslationWritesOnlyInTheWordsPlaces) {
    WordedResources english(kEmbeddedResources, kEmbeddedResourceCount);
    BmpResources art(kEmbeddedResources, kEmbeddedResourceCount);
    EXPECT_EQ(Rows(*english.LoadBitmap(kIdSkin)), Rows(*art.LoadBitmap(kIdSkin)));
    EXPECT_EQ(Rows(*english.LoadBitmap(kIdUndoNormal)), Rows(*art.LoadBitmap(kIdUndoNormal)));

    UseCatalogue("fr");
    WordedResources french(kEmbeddedResources, kEmbeddedResourceCount);
    french.SetLanguage(FromCatalogue);
    EXPECT_EQ(french.Word(BoardWord::kMyColour), "Ma couleur");
    std::unique_ptr<DeviceBitmap> skin = french.LoadBitmap(kIdSkin);
    std::unique_ptr<SoftBitmap> englishSkin(static_cast<SoftBitmap*>(art.LoadBitmap(kIdSkin).release()));
    const auto& frenchSurface = static_cast<SoftBitmap&>(*skin).Surface();
    int count = 0;
    const WordPlace* places = BoardWordPlaces(count);
    int changedInPlaces = 0, changedElsewhere = 0;
    for (int y = 0; y < skin->Height(); ++y) {
        for (int x = 0; x < skin->Width(); ++x) {
            if (frenchSurface.GetPixel(x, y) == englishSkin->Surface().GetPixel(x, y)) continue;
            // The skin carries the buttons' faces too, in the bar at the top.
            bool inPlace = x >= 24 && x < 590 && y >= 76 && y < 146;
            for (int i = 0; i < count; ++i) {
                const Rect& box = places[i].box;
                inPlace = inPlace || (places[i].bitmapId == kIdSkin && x >= box.left &&
                                      x < box.right && y >= box.top && y < box.bottom);
            }
            ++(inPlace ? changedInPlaces : changedElsewhere);
        }
    }
    EXPECT_GT(changedInPlaces, 500);
    EXPECT_EQ(changedElsewhere, 0);
}

}  // namespace
}  // namespace kolo
