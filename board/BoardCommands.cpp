// Button commands, undo and redo, the arrows, and the pointer feedback over the canvas.
#include "board/ColouringBoard.h"

namespace kolo {
namespace {

// Shared by every board of the module, like the module's other statics; −1 until the
// first pointer move so that that move always sets the cursor.
int lastCursorState = -1;

}  // namespace

int ColouringBoard::LastCursorState() { return lastCursorState; }
void ColouringBoard::ResetLastCursorState() { lastCursorState = -1; }

int ColouringBoard::Command(std::uint32_t commandWord) {
    // The notification code in the high word is not examined.
    switch (commandWord & 0xFFFFu) {
        case kButtonUndo: Undo(); break;
        case kButtonRedo: Redo(); break;
        case kButtonPrint: Print(); break;
        case kButtonExit: Exit(); break;
        case kButtonPrevious: PreviousPicture(); break;
        case kButtonNext: NextPicture(); break;
        default: break;
    }
    return host_.DefaultCommand(commandWord);
}

void ColouringBoard::ReplayFill(const FillEntry& entry, ColourRef colour) {
    // A replay that changes nothing leaves the buttons and the screen as they are, although
    // the history has already moved the entry.
    if (canvas_.FloodFill(entry.x, entry.y, RedOf(colour), GreenOf(colour), BlueOf(colour)) ==
        0) {
        return;
    }
    RefreshUndoRedo();
    host_.InvalidateControl();
}

void ColouringBoard::Undo() {
    const FillEntry entry = history_.TakeUndo();
    if (entry.x < 0) return;
    if (IsNewPageEntry(entry)) {
        // The page comes back as the fills before the clear left it.
        RebuildCanvas();
        RefreshUndoRedo();
        host_.InvalidateControl();
        return;
    }
    ReplayFill(entry, entry.oldColour);
}

void ColouringBoard::Redo() {
    const FillEntry entry = history_.TakeRedo();
    if (entry.x < 0) return;
    if (IsNewPageEntry(entry)) {
        RebuildCanvas();
        RefreshUndoRedo();
        host_.InvalidateControl();
        return;
    }
    ReplayFill(entry, entry.newColour);
}

void ColouringBoard::PreviousPicture() {
    pictureIndex_ = pictureIndex_ - 1 < 0 ? 0 : pictureIndex_ - 1;
    host_.InvalidateControl();
}

void ColouringBoard::NextPicture() {
    // With no pictures there is nothing to step to (and nothing to divide by).
    const auto count = static_cast<std::int32_t>(pictures_.size());
    pictureIndex_ = count > 0 ? (pictureIndex_ + 1) % count : 0;
    host_.InvalidateControl();
}

void ColouringBoard::Exit() { host_.CloseHost(); }

void ColouringBoard::PointerMoved(std::int32_t x, std::int32_t y) {
    overCanvas_ = canvasRect_.Contains(x, y);
    const int state = overCanvas_ ? 1 : 0;
    if (lastCursorState != state) {
        UpdateCursor();
        lastCursorState = state;
    }
    host_.DefaultMouseMove(x, y);
}

void ColouringBoard::UpdateCursor() {
    if (!overCanvas_) {
        host_.SetCursor(BoardCursor::kArrow);
    } else if (sourcePicture_.HasPicture()) {
        host_.SetCursor(BoardCursor::kBrush);
    }
    // Over the canvas without a picture the cursor stays as it is.
}

}  // namespace kolo
