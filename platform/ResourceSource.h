// ResourceSource: the module's bitmap resources by id (skin, frames, button faces, cursor).
// The Windows target answers with LoadBitmap; platform/soft/ reads BMP files built into the
// program. A missing id gives null.
#pragma once

#include <memory>

#include "platform/DeviceBitmap.h"

namespace kolo {

class ResourceSource {
public:
    virtual ~ResourceSource() = default;
    virtual std::unique_ptr<DeviceBitmap> LoadBitmap(int id) = 0;
};

}  // namespace kolo
