// The picture formats the program reads, and the entries through which a downloaded picture
// file becomes an image.
//
// Each format is one row of the table returned by PictureFormats: its extension and its reader
// over the file's bytes. A name's format is that of the first row, in table order (BMP, GIF,
// JPEG, PNG, and SVG in the desktop and web builds), whose extension occurs anywhere in the name's lower-case copy, directories included.
// Lower-casing changes A to Z only: other bytes, including those of double-byte characters,
// stay as they are. ".jpeg" is not recognised.
//
// LoadFile and LoadPictureBytes return the reader's result (1 or 0) when the name has a format,
// the image emptied on failure and otherwise holding the picture (in its own memory when that
// has room); a name with none returns 0 and leaves the image exactly as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "sources/BmpReader.h"
#include "sources/DecodeCost.h"
#include "sources/DrawnSvgReader.h"
#include "sources/FileStream.h"
#include "sources/GifReader.h"
#include "sources/JpegReader.h"
#include "sources/PngReader.h"
#ifdef KOLO_HAVE_SVG
#include "sources/SvgReader.h"
#endif

namespace kolo {

struct PictureFormat {
    const char* extension;   // lower case, with its dot: ".bmp"
    PictureReader read;      // decodes a whole file held in memory
    FittingReader readToFit;   // the same, smaller when that is all the fit needs; may be null
    CostReader cost;           // what a decode by readToFit (or read) will take
};

// Every format, in the order in which names are matched against them.
const std::vector<PictureFormat>& PictureFormats();

// The format of `name`, or null when it has none.
const PictureFormat* FindPictureFormat(const std::string& name);

// `text` with A to Z changed to a to z and every other byte unchanged.
std::string LowerAscii(std::string text);

int LoadPictureBytes(CDibImage& image, const std::uint8_t* data, std::size_t size,
                     const std::string& name);

// The same for a picture that will be fitted into fitWidth × fitHeight: a format with a
// fitting reader may give it smaller, though never smaller than its fit there.
int LoadPictureBytes(CDibImage& image, const std::uint8_t* data, std::size_t size,
                     const std::string& name, std::int32_t fitWidth, std::int32_t fitHeight);

// What decoding `data` as the format of `name` for a fit of fitWidth × fitHeight will take, as
// its reader declares it (DecodeCost.h); empty when the name has no format or the reader will
// refuse the file. Cheap next to the decode: lets a caller weigh a decode before it starts.
DecodeCost PictureDecodeCost(const std::uint8_t* data, std::size_t size, const std::string& name,
                             std::int32_t fitWidth, std::int32_t fitHeight);

// Reads the file at `path` (at most kMaxPictureFileBytes) and decodes it by its name.
int LoadFile(CDibImage& image, const std::string& path);

}  // namespace kolo
