// The picture formats the program reads, and the entries through which a downloaded picture
// file becomes an image.
//
// Each format is one row of the table returned by PictureFormats: its extension and its reader
// over the file's bytes. A name's format is that of the first row, in table order (BMP, GIF,
// JPEG, PNG), whose extension occurs anywhere in the name's lower-case copy, directories included.
// Lower-casing changes A to Z only: other bytes, including those of double-byte characters,
// stay as they are. ".jpeg" is not recognised.
//
// LoadFile and LoadPictureBytes empty the image and return the reader's result (1 or 0) when
// the name has a format; a name with none returns 0 and leaves the image exactly as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "sources/BmpReader.h"
#include "sources/FileStream.h"
#include "sources/GifReader.h"
#include "sources/JpegReader.h"
#include "sources/PngReader.h"

namespace kolo {

struct PictureFormat {
    const char* extension;   // lower case, with its dot: ".bmp"
    PictureReader read;      // decodes a whole file held in memory
};

// Every format, in the order in which names are matched against them.
const std::vector<PictureFormat>& PictureFormats();

// The format of `name`, or null when it has none.
const PictureFormat* FindPictureFormat(const std::string& name);

// `text` with A to Z changed to a to z and every other byte unchanged.
std::string LowerAscii(std::string text);

int LoadPictureBytes(CDibImage& image, const std::uint8_t* data, std::size_t size,
                     const std::string& name);

// Reads the file at `path` (at most kMaxPictureFileBytes) and decodes it by its name.
int LoadFile(CDibImage& image, const std::string& path);

}  // namespace kolo
