// BitmapButton: one of the board's six push buttons, shown by a face bitmap that follows its
// state. The pressed face is shown while the pointer holds it down, the disabled face (when
// the button has one) while it is disabled, and the normal face otherwise; there is no focus
// face. A disabled button sends no command. Hosts with real child buttons (Windows) mirror
// the state; the software hosts draw the faces themselves with Draw.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/DeviceBitmap.h"
#include "platform/DrawingSurface.h"
#include "platform/Geometry.h"
#include "platform/ResourceSource.h"

namespace kolo {

struct ButtonDesign {
    int id;                 // command id the button sends
    Rect rect;              // client rectangle; every face has exactly its size
    int normalFace;         // resource ids; 0 = none
    int pressedFace;
    int disabledFace;
    bool startsEnabled;     // undo and redo start disabled
};

class BitmapButton {
public:
    explicit BitmapButton(const ButtonDesign& design) : design_(design) {}

    // Gives the button its window, enabled or not as its design says.
    void Create();
    // Loads the three faces from the module's resources; 1 when the normal face is there.
    int LoadFaces(ResourceSource& resources);

    int Id() const { return design_.id; }
    bool StartsEnabled() const { return design_.startsEnabled; }
    const Rect& GetRect() const { return design_.rect; }
    bool IsEnabled() const { return enabled_; }
    bool IsPressed() const { return pressed_; }
    void Enable(bool enabled) { enabled_ = enabled; }
    void SetPressed(bool pressed) { pressed_ = pressed; }

    // The face the button shows now; null before its faces are loaded.
    const DeviceBitmap* CurrentFace() const;
    // Copies the current face to the button's rectangle on `surface`.
    void Draw(DrawingSurface& surface) const;

private:
    ButtonDesign design_;
    bool enabled_ = false;
    bool pressed_ = false;
    std::unique_ptr<DeviceBitmap> normal_;
    std::unique_ptr<DeviceBitmap> pressedFace_;
    std::unique_ptr<DeviceBitmap> disabled_;
};

}  // namespace kolo
