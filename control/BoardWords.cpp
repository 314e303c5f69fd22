#include "control/BoardWords.h"

#include <iterator>

#include "platform/soft/SoftBitmap.h"
#include "resources/ResourceIds.h"

#ifndef N_
#define N_(text) text
#endif

namespace kolo {
namespace {

constexpr const char* kEnglishWords[kBoardWordCount] = {
    N_("Undo"), N_("Redo"), N_("Print"), N_("Exit"), N_("Pictures"), N_("Pictures come here"),
    N_("Previous"), N_("Next"), N_("picture"), N_("My colour"), N_("No Image!!!"),
};

constexpr ColourRef Rgb(int red, int green, int blue) {
    return MakeColourRef(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                         static_cast<std::uint8_t>(blue));
}
constexpr ColourRef kWhite = Rgb(255, 255, 255);
constexpr ColourRef kDisabledInk = Rgb(236, 236, 236);
constexpr ColourRef kBrownInk = Rgb(120, 72, 30);     // the panel's headings
constexpr ColourRef kLightInk = Rgb(150, 110, 70);    // the panel's small print

// As the art generator places the words: button labels right of the button's glyph, with the
// face's own shadow; the panel's words centred where the English ones are, in boxes that keep
// clear of the frames, arrows and swatch around them.
constexpr WordPlace kPlaces[] = {
    {kIdUndoNormal, BoardWord::kUndo, {43, 12, 111, 36}, {kWhite, Rgb(140, 84, 22), 19, true}},
    {kIdUndoPressed, BoardWord::kUndo, {43, 16, 111, 40}, {kWhite, Rgb(109, 65, 17), 19, true}},
    {kIdUndoDisabled, BoardWord::kUndo, {43, 12, 111, 36}, {kDisabledInk, kInvalidColour, 19, true}},
    {kIdRedoNormal, BoardWord::kRedo, {38, 3, 123, 27}, {kWhite, Rgb(33, 82, 129), 17, true}},
    {kIdRedoPressed, BoardWord::kRedo, {38, 7, 123, 31}, {kWhite, Rgb(26, 64, 101), 17, true}},
    {kIdRedoDisabled, BoardWord::kRedo, {38, 3, 123, 27}, {kDisabledInk, kInvalidColour, 17, true}},
    {kIdPrintNormal, BoardWord::kPrint, {42, 11, 121, 35}, {kWhite, Rgb(38, 102, 50), 19, true}},
    {kIdPrintPressed, BoardWord::kPrint, {42, 14, 121, 38}, {kWhite, Rgb(30, 79, 38), 19, true}},
    {kIdExitNormal, BoardWord::kExit, {38, 3, 95, 27}, {kWhite, Rgb(129, 41, 41), 17, true}},
    {kIdExitPressed, BoardWord::kExit, {38, 7, 95, 31}, {kWhite, Rgb(101, 32, 32), 17, true}},
    {kIdSkin, BoardWord::kPictures, {638, 160, 818, 184}, {kBrownInk, kInvalidColour, 17, true}},
    {kIdSkin, BoardWord::kPicturesComeHere, {648, 310, 808, 330}, {kLightInk, kInvalidColour, 12, false}},
    {kIdSkin, BoardWord::kPrevious, {652, 406, 727, 426}, {kBrownInk, kInvalidColour, 12, true}},
    {kIdSkin, BoardWord::kNext, {729, 406, 805, 426}, {kBrownInk, kInvalidColour, 12, true}},
    {kIdSkin, BoardWord::kPicture, {646, 428, 746, 446}, {kLightInk, kInvalidColour, 11, false}},
    {kIdSkin, BoardWord::kMyColour, {656, 452, 734, 474}, {kBrownInk, kInvalidColour, 14, true}},
};

}  // namespace

const char* EnglishBoardWord(BoardWord word) { return kEnglishWords[static_cast<int>(word)]; }

const WordPlace* BoardWordPlaces(int& count) {
    count = static_cast<int>(std::size(kPlaces));
    return kPlaces;
}

std::string WordedResources::Word(BoardWord word) const {
    const char* english = EnglishBoardWord(word);
    return translate_ != nullptr ? translate_(english) : english;
}

std::unique_ptr<DeviceBitmap> WordedResources::LoadBitmap(int id) {
    if (translate_ == nullptr) return art_.LoadBitmap(id);
    std::unique_ptr<DeviceBitmap> blank = art_.LoadBitmap(id + kWordlessArtOffset);
    // Art without a wordless twin (the cursor, the frames, or a host's own art) is used as
    // it is.
    if (blank == nullptr) return art_.LoadBitmap(id);
    DrawingSurface* surface = blank->DrawingTarget();
    for (const WordPlace& place : kPlaces) {
        if (place.bitmapId == id && surface != nullptr) {
            surface->DrawLabel(Word(place.word), place.box, place.style);
        }
    }
    return blank;
}

}  // namespace kolo
