#include "control/ColourNames.h"

#include "tests/app/Catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace kolo {
namespace {

struct NamedColour {
    int red, green, blue;
    const char* name;
};

class ColourNameRule : public testing::TestWithParam<NamedColour> {};

TEST_P(ColourNameRule, NamesTheColour) {
    const NamedColour& c = GetParam();
    EXPECT_EQ(EnglishColourName(MakeColourRef(c.red, c.green, c.blue)), c.name)
        << c.red << "," << c.green << "," << c.blue;
}

INSTANTIATE_TEST_SUITE_P(Palette, ColourNameRule, testing::Values(
    // Greys: chroma under 32, named by lightness, each bound on both sides.
    NamedColour{255, 255, 255, "white"},
    NamedColour{230, 230, 230, "white"},
    NamedColour{229, 229, 229, "light grey"},
    NamedColour{204, 204, 204, "light grey"},
    NamedColour{153, 153, 153, "grey"},
    NamedColour{102, 102, 102, "grey"},
    NamedColour{99, 99, 99, "dark grey"},
    NamedColour{39, 39, 39, "black"},
    NamedColour{0, 0, 0, "black"},
    NamedColour{255, 224, 255, "white"},          // chroma 31: still a grey
    // Full colours at each of the twelve hues.
    NamedColour{204, 0, 0, "red"},
    NamedColour{204, 102, 0, "orange"},
    NamedColour{204, 204, 0, "yellow"},
    NamedColour{102, 204, 0, "lime"},
    NamedColour{0, 204, 0, "green"},
    NamedColour{0, 204, 102, "sea green"},
    NamedColour{0, 204, 204, "cyan"},
    NamedColour{0, 102, 204, "sky blue"},
    NamedColour{0, 0, 204, "blue"},
    NamedColour{102, 0, 204, "violet"},
    NamedColour{204, 0, 204, "magenta"},
    NamedColour{204, 0, 102, "pink"},
    // Hue 345 and above wraps round to red.
    NamedColour{204, 0, 25, "red"},
    // Light and pale; dull; dark, with orange and yellow named on their own.
    NamedColour{255, 153, 153, "light red"},
    NamedColour{255, 204, 204, "pale red"},
    NamedColour{153, 102, 102, "dull red"},
    NamedColour{102, 0, 0, "dark red"},
    NamedColour{153, 0, 102, "dark pink"},
    NamedColour{102, 51, 0, "brown"},
    NamedColour{102, 102, 0, "olive"},
    NamedColour{255, 0, 132, "pink"}));            // the board's first colour

TEST(ColourNames, EveryPaletteCellHasANameOfAtMostTwoWords) {
    std::set<std::string> names;
    for (int cell = 0; cell < 132; ++cell) {
        const ColourRef colour = MakeColourRef(255 - 51 * (cell / 36), 255 - 51 * ((cell / 6) % 6),
                                               255 - 51 * (cell % 6));
        const std::string name = EnglishColourName(colour);
        ASSERT_FALSE(name.empty()) << "cell " << cell;
        EXPECT_LE(std::count(name.begin(), name.end(), ' '), 2) << name;
        names.insert(name);
    }
    // A name tells colours apart: the palette's 132 cells get many different ones.
    EXPECT_GE(names.size(), 40u);
}

class PaletteNamesIn : public testing::TestWithParam<const char*> {};

// Every cell of the palette has a name no other cell has, in each language, from words the
// catalogue translates.
TEST_P(PaletteNamesIn, AreUniqueAndTranslated) {
    const std::string language = GetParam();
    UseCatalogue(language);
    std::map<std::string, int> cellOf;
    for (int cell = 0; cell < 132; ++cell) {
        const std::string name =
            PaletteColourName(cell, FromCatalogue);
        const auto [at, added] = cellOf.emplace(name, cell);
        EXPECT_TRUE(added) << language << ": cells " << at->second << " and " << cell << " are both \""
                           << name << "\"";
    }
    EXPECT_TRUE(MissingWords().empty()) << *MissingWords().begin();
}

INSTANTIATE_TEST_SUITE_P(Languages, PaletteNamesIn, testing::Values("en", "fr", "de", "ar"));

TEST(ColourNames, APaletteColourIsCalledByItsCellsNameAndAnyOtherByTheRule) {
    const ColourRef white = MakeColourRef(255, 255, 255);
    EXPECT_EQ(ColourName(white), "white");
    EXPECT_EQ(PaletteColourName(0), "white");
    EXPECT_EQ(ColourName(MakeColourRef(255, 255, 0)), "yellow");
    EXPECT_EQ(ColourName(MakeColourRef(255, 255, 153)), "pale yellow");
    EXPECT_EQ(ColourName(MakeColourRef(204, 204, 0)), "deep yellow");
    EXPECT_EQ(ColourName(MakeColourRef(204, 255, 51)), "bright yellow-green");
    // The two cells the finer rule names alike: the darker is the rich one.
    EXPECT_EQ(ColourName(MakeColourRef(255, 153, 0)), "orange");
    EXPECT_EQ(ColourName(MakeColourRef(255, 102, 0)), "rich orange");
    EXPECT_EQ(ColourName(MakeColourRef(255, 0, 132)), "pink");   // off the palette
    EXPECT_EQ(PaletteColourName(132), "");
}

}  // namespace
}  // namespace kolo
