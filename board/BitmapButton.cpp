#include "board/BitmapButton.h"

namespace kolo {
namespace {

std::unique_ptr<DeviceBitmap> LoadFace(ResourceSource& resources, int id) {
    return id != 0 ? resources.LoadBitmap(id) : nullptr;
}

}  // namespace

void BitmapButton::Create() {
    enabled_ = design_.startsEnabled;
    pressed_ = false;
}

int BitmapButton::LoadFaces(ResourceSource& resources) {
    normal_ = LoadFace(resources, design_.normalFace);
    pressedFace_ = LoadFace(resources, design_.pressedFace);
    disabled_ = LoadFace(resources, design_.disabledFace);
    return normal_ ? 1 : 0;
}

const DeviceBitmap* BitmapButton::CurrentFace() const {
    if (pressed_ && enabled_ && pressedFace_) return pressedFace_.get();
    if (!enabled_ && disabled_) return disabled_.get();
    return normal_.get();
}

void BitmapButton::Draw(DrawingSurface& surface) const {
    const DeviceBitmap* face = CurrentFace();
    if (face == nullptr) return;
    surface.DrawBitmap(*face, Rect{0, 0, design_.rect.Width(), design_.rect.Height()},
                       design_.rect.left, design_.rect.top);
}

}  // namespace kolo
