#include "control/ColourNames.h"

#include <algorithm>
#include <array>

#include "control/Palette.h"

// Marks a word for the catalogue; the caller's translation looks it up later.
#ifndef N_
#define N_(text) text
#endif

namespace kolo {
namespace {

// Twelve hues, 30 degrees apart, starting at red.
constexpr const char* kHueNames[12] = {
    N_("red"),  N_("orange"),       N_("yellow"), N_("lime"),   N_("green"),   N_("sea green"),
    N_("cyan"), N_("sky blue"),     N_("blue"),   N_("violet"), N_("magenta"), N_("pink"),
};
constexpr int kOrangeHue = 1;
constexpr int kYellowHue = 2;

// The palette's 24 hues, 15 degrees apart: the twelve above and one between each two.
constexpr const char* kFineHueNames[24] = {
    N_("red"),         N_("vermilion"),  N_("orange"),  N_("amber"),       N_("yellow"),
    N_("yellow-green"), N_("lime"),      N_("grass green"), N_("green"),   N_("emerald"),
    N_("sea green"),   N_("turquoise"),  N_("cyan"),    N_("azure"),       N_("sky blue"),
    N_("royal blue"),  N_("blue"),       N_("indigo"),  N_("violet"),      N_("purple"),
    N_("magenta"),     N_("fuchsia"),    N_("pink"),    N_("crimson"),
};

// Greys by lightness, from black up.
constexpr const char* kGreyNames[5] = {
    N_("black"), N_("dark grey"), N_("grey"), N_("light grey"), N_("white"),
};
constexpr int kGreyLightness[4] = {40, 100, 170, 230};   // lower bounds of the next grey

constexpr const char* kPlainFormat = "%s";
constexpr const char* kPaleFormat = N_("pale %s");
constexpr const char* kLightFormat = N_("light %s");
constexpr const char* kDullFormat = N_("dull %s");
constexpr const char* kDarkFormat = N_("dark %s");
// The darker of two palette cells that the finer rule still names alike.
constexpr const char* kRichFormat = N_("rich %s");

// A palette cell's shade, by its strongest channel (255, 204, 153, 102: row) and its chroma
// (strongest minus weakest channel, 51 … 255: column). The palette's channels step by 51.
constexpr int kChannelStep = 51;
constexpr const char* kShadeFormats[4][5] = {
    {N_("very pale %s"), kPaleFormat, kLightFormat, N_("bright %s"), kPlainFormat},
    {N_("greyish %s"), kDullFormat, N_("medium %s"), N_("deep %s"), nullptr},
    {N_("dark greyish %s"), N_("dark dull %s"), kDarkFormat, nullptr, nullptr},
    {N_("very dark greyish %s"), N_("very dark %s"), nullptr, nullptr, nullptr},
};
// The palette's greys by their channel, from 255 down.
constexpr const char* kPaletteGreyNames[4] = {
    N_("white"), N_("light grey"), N_("grey"), N_("dark grey"),
};

// Below this chroma (largest minus smallest channel, 0..255) a colour is a grey.
constexpr int kGreyChroma = 32;
// Lightness is the mean of the largest and smallest channel, 0..255.
constexpr int kLightLightness = 170;   // at or above: light, or pale when also weak
constexpr int kDarkLightness = 90;     // below: dark
constexpr int kWeakChroma = 80;        // below: pale when light, dull otherwise

// A name as a hue word inside up to two formats: qualifier(shade(hue)).
struct NameParts {
    const char* shade;       // one %s for the hue
    const char* hue;
    const char* qualifier;   // one %s for the shaded hue
};

struct Channels {
    int red, green, blue, high, low, chroma;
};

Channels ChannelsOf(ColourRef colour) {
    Channels c{RedOf(colour), GreenOf(colour), BlueOf(colour), 0, 0, 0};
    c.high = std::max({c.red, c.green, c.blue});
    c.low = std::min({c.red, c.green, c.blue});
    c.chroma = c.high - c.low;
    return c;
}

// The hue in degrees times the chroma, kept in integers: each sixth of the circle is 60
// degrees. The chroma must not be 0.
int HueTimesChroma(const Channels& c) {
    if (c.high == c.red) {
        const int hue = 60 * (c.green - c.blue);
        return hue < 0 ? hue + 360 * c.chroma : hue;
    }
    if (c.high == c.green) return 60 * (c.blue - c.red) + 120 * c.chroma;
    return 60 * (c.red - c.green) + 240 * c.chroma;
}

// The nearest of `steps` hues evenly spread round the circle.
int NearestHue(const Channels& c, int steps) {
    const int degrees = 360 / steps;
    return ((2 * HueTimesChroma(c) + degrees * c.chroma) / (2 * degrees * c.chroma)) % steps;
}

NameParts Classify(ColourRef colour) {
    const Channels c = ChannelsOf(colour);
    const int lightness = (c.high + c.low) / 2;

    if (c.chroma < kGreyChroma) {
        int grey = 0;
        while (grey < 4 && lightness >= kGreyLightness[grey]) ++grey;
        return {kPlainFormat, kGreyNames[grey], kPlainFormat};
    }
    const int hue = NearestHue(c, 12);
    if (lightness >= kLightLightness) {
        return {c.chroma < kWeakChroma ? kPaleFormat : kLightFormat, kHueNames[hue], kPlainFormat};
    }
    if (lightness < kDarkLightness) {
        // Dark orange and dark yellow have names of their own.
        if (hue == kOrangeHue) return {kPlainFormat, N_("brown"), kPlainFormat};
        if (hue == kYellowHue) return {kPlainFormat, N_("olive"), kPlainFormat};
        return {kDarkFormat, kHueNames[hue], kPlainFormat};
    }
    return {c.chroma < kWeakChroma ? kDullFormat : kPlainFormat, kHueNames[hue], kPlainFormat};
}

int Luminance(const Channels& c) { return 299 * c.red + 587 * c.green + 114 * c.blue; }

// Every cell's name parts, worked out once: the finer rule, then the qualifier for the darker
// cell of each pair the rule names alike.
const std::array<NameParts, kPaletteCells>& PaletteNames() {
    static const std::array<NameParts, kPaletteCells> names = [] {
        std::array<NameParts, kPaletteCells> parts{};
        for (int cell = 0; cell < kPaletteCells; ++cell) {
            const Channels c = ChannelsOf(PaletteColour(cell));
            if (c.chroma == 0) {
                parts[cell] = {kPlainFormat, kPaletteGreyNames[(255 - c.high) / kChannelStep],
                               kPlainFormat};
                continue;
            }
            const char* shade = kShadeFormats[(255 - c.high) / kChannelStep][c.chroma / kChannelStep - 1];
            parts[cell] = {shade, kFineHueNames[NearestHue(c, 24)], kPlainFormat};
        }
        for (int cell = 0; cell < kPaletteCells; ++cell) {
            for (int other = 0; other < cell; ++other) {
                if (parts[other].shade != parts[cell].shade || parts[other].hue != parts[cell].hue) continue;
                const bool cellDarker = Luminance(ChannelsOf(PaletteColour(cell))) <
                                        Luminance(ChannelsOf(PaletteColour(other)));
                parts[cellDarker ? cell : other].qualifier = kRichFormat;
            }
        }
        return parts;
    }();
    return names;
}

std::string Fill(const std::string& format, const std::string& value) {
    const std::size_t at = format.find("%s");
    if (at == std::string::npos) return format;
    return format.substr(0, at) + value + format.substr(at + 2);
}

std::string Compose(const NameParts& parts, TranslateText translate) {
    std::string name = translate(parts.hue);
    if (parts.shade != kPlainFormat) name = Fill(translate(parts.shade), name);
    if (parts.qualifier != kPlainFormat) name = Fill(translate(parts.qualifier), name);
    return name;
}

}  // namespace

const char* Untranslated(const char* english) { return english; }

std::string EnglishColourName(ColourRef colour) { return Compose(Classify(colour), Untranslated); }

std::string PaletteColourName(int cell, TranslateText translate) {
    if (cell < 0 || cell >= kPaletteCells) return {};
    return Compose(PaletteNames()[cell], translate);
}

std::string ColourName(ColourRef colour, TranslateText translate) {
    const Channels c = ChannelsOf(colour);
    const int cell = NearestPaletteCell(static_cast<std::uint8_t>(c.red),
                                        static_cast<std::uint8_t>(c.green),
                                        static_cast<std::uint8_t>(c.blue));
    if (PaletteColour(cell) == colour) return PaletteColourName(cell, translate);
    return Compose(Classify(colour), translate);
}

}  // namespace kolo
