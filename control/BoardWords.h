// BoardWords: the words the board shows (its button labels, the labels of the picture panel,
// and what an empty canvas says), and the art that shows them in the user's language.
//
// The board's art carries its English words. For another language, WordedResources hands the
// board the same art without words, with the translated words written in through the drawing
// surface's label call, each at its place and in the board's font, smaller where a word would
// not fit. English keeps the art as drawn, pixel for pixel.
#pragma once

#include <memory>
#include <string>

#include "control/ColourNames.h"
#include "platform/ResourceSource.h"
#include "platform/soft/BmpResources.h"

namespace kolo {

enum class BoardWord {
    kUndo, kRedo, kPrint, kExit, kPictures, kPicturesComeHere, kPrevious, kNext, kPicture,
    kMyColour, kNoImage,
};
constexpr int kBoardWordCount = 11;

// The English text of a word, as the catalogue knows it.
const char* EnglishBoardWord(BoardWord word);

// Where a word is written: on which bitmap (resource id), in which box of it, and how.
struct WordPlace {
    int bitmapId;
    BoardWord word;
    Rect box;
    LabelStyle style;
};
// Every place a word is written; `count` is set to how many there are.
const WordPlace* BoardWordPlaces(int& count);

// The board's art with its words in the language `translate` gives (null: English).
class WordedResources : public ResourceSource {
public:
    WordedResources(const EmbeddedFile* files, std::size_t count) : art_(files, count) {}

    void SetLanguage(TranslateText translate) { translate_ = translate; }
    // The word in the language chosen.
    std::string Word(BoardWord word) const;

    std::unique_ptr<DeviceBitmap> LoadBitmap(int id) override;

private:
    BmpResources art_;
    TranslateText translate_ = nullptr;
};

}  // namespace kolo
