// BmpResources: the software platform's resources, BMP files built into the program and
// looked up by id. Each file is read as a packed DIB (the 14-byte file header skipped) and
// becomes a SoftBitmap. Only the form the art generator writes is accepted: an info header,
// 24 bits, BI_RGB, positive height, and every row present; anything else gives null.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/EmbeddedFile.h"
#include "platform/ResourceSource.h"
#include "platform/soft/SoftBitmap.h"

namespace kolo {

class BmpResources : public ResourceSource {
public:
    BmpResources(const EmbeddedFile* files, std::size_t count) : files_(files), count_(count) {}

    std::unique_ptr<DeviceBitmap> LoadBitmap(int id) override;
    const EmbeddedFile* Find(int id) const;

private:
    const EmbeddedFile* files_;
    std::size_t count_;
};

// Reads a whole 24-bit BMP file; null when it is not one.
std::unique_ptr<SoftBitmap> ReadBmp24(const std::uint8_t* bytes, std::size_t size);

}  // namespace kolo
