#include "app/ColourNames.h"

#include <algorithm>

#include "app/Translation.h"

namespace kolo {
namespace {

// Twelve hues, 30 degrees apart, starting at red.
constexpr const char* kHueNames[12] = {
    N_("red"),  N_("orange"),       N_("yellow"), N_("lime"),   N_("green"),   N_("sea green"),
    N_("cyan"), N_("sky blue"),     N_("blue"),   N_("violet"), N_("magenta"), N_("pink"),
};
constexpr int kOrangeHue = 1;
constexpr int kYellowHue = 2;

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

// Below this chroma (largest minus smallest channel, 0..255) a colour is a grey.
constexpr int kGreyChroma = 32;
// Lightness is the mean of the largest and smallest channel, 0..255.
constexpr int kLightLightness = 170;   // at or above: light, or pale when also weak
constexpr int kDarkLightness = 90;     // below: dark
constexpr int kWeakChroma = 80;        // below: pale when light, dull otherwise

struct NameParts {
    const char* format;   // one %s for the hue
    const char* hue;
};

NameParts Classify(ColourRef colour) {
    const int red = RedOf(colour);
    const int green = GreenOf(colour);
    const int blue = BlueOf(colour);
    const int high = std::max({red, green, blue});
    const int low = std::min({red, green, blue});
    const int chroma = high - low;
    const int lightness = (high + low) / 2;

    if (chroma < kGreyChroma) {
        int grey = 0;
        while (grey < 4 && lightness >= kGreyLightness[grey]) ++grey;
        return {kPlainFormat, kGreyNames[grey]};
    }

    // Hue in degrees times chroma, kept in integers: each sixth of the circle is 60 degrees.
    int hueTimesChroma = 0;
    if (high == red) {
        hueTimesChroma = 60 * (green - blue);
        if (hueTimesChroma < 0) hueTimesChroma += 360 * chroma;
    } else if (high == green) {
        hueTimesChroma = 60 * (blue - red) + 120 * chroma;
    } else {
        hueTimesChroma = 60 * (red - green) + 240 * chroma;
    }
    const int hue = ((hueTimesChroma + 15 * chroma) / (30 * chroma)) % 12;

    if (lightness >= kLightLightness) {
        return {chroma < kWeakChroma ? kPaleFormat : kLightFormat, kHueNames[hue]};
    }
    if (lightness < kDarkLightness) {
        // Dark orange and dark yellow have names of their own.
        if (hue == kOrangeHue) return {kPlainFormat, N_("brown")};
        if (hue == kYellowHue) return {kPlainFormat, N_("olive")};
        return {kDarkFormat, kHueNames[hue]};
    }
    return {chroma < kWeakChroma ? kDullFormat : kPlainFormat, kHueNames[hue]};
}

std::string Fill(const std::string& format, const std::string& value) {
    const std::size_t at = format.find("%s");
    return format.substr(0, at) + value + format.substr(at + 2);
}

}  // namespace

std::string EnglishColourName(ColourRef colour) {
    const NameParts parts = Classify(colour);
    return Fill(parts.format, parts.hue);
}

std::string ColourName(ColourRef colour) {
    const NameParts parts = Classify(colour);
    if (parts.format == kPlainFormat) return Tr(parts.hue);
    return TrFormat(parts.format, Tr(parts.hue));
}

}  // namespace kolo
