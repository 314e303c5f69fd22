// ModuleResources: the board's bitmaps from the module's own resources through LoadBitmap.
// A missing id gives null.
#pragma once

#include "platform/win32/Win32.h"

#include "platform/ResourceSource.h"

namespace kolo {

class ModuleResources : public ResourceSource {
public:
    explicit ModuleResources(HINSTANCE module) : module_(module) {}
    std::unique_ptr<DeviceBitmap> LoadBitmap(int id) override;

private:
    HINSTANCE module_;
};

}  // namespace kolo
