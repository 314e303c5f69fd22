#include "board/BitmapButton.h"

namespace kolo {
namespace {

std::unique_ptr<DeviceBitmap> LoadFace(ResourceSource& resources, int id) {
    return id != 0 ? resources.LoadBitmap(id) : nullptr;
}

}  // namespace

void BitmapButton::Create() {
    created_ = true;
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

void BitmapButton::Draw(DeviceContext& dc) const {
    const DeviceBitmap* face = CurrentFace();
    if (face == nullptr) return;
    std::unique_ptr<MemoryContext> memory = dc.CreateCompatibleDC();
    if (!memory) return;
    // Selecting does not change the bitmap; the platform's call takes it as modifiable.
    DeviceBitmap* previous = memory->SelectBitmap(const_cast<DeviceBitmap*>(face));
    dc.BitBlt(design_.rect.left, design_.rect.top, design_.rect.Width(), design_.rect.Height(), *memory,
              0, 0);
    if (previous != nullptr) memory->SelectBitmap(previous);
}

}  // namespace kolo
