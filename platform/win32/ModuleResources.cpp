#include "platform/win32/ModuleResources.h"

#include "platform/win32/GdiBitmap.h"

namespace kolo {

std::unique_ptr<DeviceBitmap> ModuleResources::LoadBitmap(int id) {
    HBITMAP bitmap = LoadBitmapA(module_, MAKEINTRESOURCEA(id));
    if (bitmap == nullptr) return nullptr;
    return std::make_unique<GdiBitmap>(bitmap, true);
}

}  // namespace kolo
