// Keeping a coloured picture: the composed canvas (the picture as loaded with the colours laid
// over it, without the frame) at the picture's own size, exactly as Print puts it on paper.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/ColouringBoard.h"

namespace kolo {

// The composed canvas as top-down rows of red, green, blue bytes; false without a picture.
bool ComposePicture(ColouringBoard& board, std::vector<std::uint8_t>& rgb, int& width,
                    int& height);

// Writes the composed canvas as a PNG file, whole or not at all; false without a picture or
// when the file could not be written, with `reason` (when given) saying why.
bool SavePicturePng(ColouringBoard& board, const std::string& path,
                    std::string* reason = nullptr);

// The file name offered for the picture named `pictureName` ("house.gif" → "house.png"):
// the last part of the name with its extension replaced; "picture.png" when it has none.
std::string SuggestedPngName(const std::string& pictureName);

}  // namespace kolo
