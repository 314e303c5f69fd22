// Button commands, undo and redo, the arrows, and the pointer feedback over the canvas.
#include "board/ColouringBoard.h"

namespace kolo {

void ColouringBoard::Command(int id) {
    switch (id) {
        case kButtonUndo: Undo(); break;
        case kButtonRedo: Redo(); break;
        case kButtonPrint: Print(); break;
        case kButtonExit: Exit(); break;
        case kButtonPrevious: PreviousPicture(); break;
        case kButtonNext: NextPicture(); break;
        default: break;
    }
}

void ColouringBoard::ReplayFill(const FillEntry& entry, ColourRef colour) {
    // A replay that changes nothing leaves the buttons and the screen as they are, although
    // the history has already moved the entry.
    const std::uint64_t before = canvas_.Generation();
    Rect changed;
    if (FillAtDetail(canvas_, canvasDetail_, entry.x, entry.y, colour,
                     static_cast<int>(entry.closeGaps), changed) == 0) {
        return;
    }
    const Rect shown = NoteCanvasFill(before, changed);
    RefreshUndoRedo();
    host_.InvalidateControl(shown);
}

void ColouringBoard::Undo() {
    const bool replayPage = PageHasGapClosedFill();
    const FillEntry entry = history_.TakeUndo();
    if (entry.x < 0) return;
    KeepWork();
    if (IsNewPageEntry(entry) || replayPage) {
        // The page comes back as the fills before the clear left it.
        RebuildCanvas();
        RefreshUndoRedo();
        host_.InvalidateControl(canvasRect_);
        return;
    }
    ReplayFill(entry, entry.oldColour);
}

void ColouringBoard::Redo() {
    const FillEntry entry = history_.TakeRedo();
    if (entry.x < 0) return;
    KeepWork();
    if (IsNewPageEntry(entry)) {
        RebuildCanvas();
        RefreshUndoRedo();
        host_.InvalidateControl(canvasRect_);
        return;
    }
    ReplayFill(entry, entry.newColour);
}

void ColouringBoard::PreviousPicture() {
    pictureIndex_ = pictureIndex_ - 1 < 0 ? 0 : pictureIndex_ - 1;
    host_.InvalidateControl(thumbnailRect_);
}

void ColouringBoard::NextPicture() {
    // With no pictures there is nothing to step to (and nothing to divide by).
    const auto count = static_cast<std::int32_t>(pictures_.size());
    pictureIndex_ = count > 0 ? (pictureIndex_ + 1) % count : 0;
    host_.InvalidateControl(thumbnailRect_);
}

void ColouringBoard::Exit() { host_.CloseHost(); }

int ColouringBoard::CursorState() const { return loading_ ? 2 : overCanvas_ ? 1 : 0; }

void ColouringBoard::PointerMoved(std::int32_t x, std::int32_t y) {
    overCanvas_ = canvasRect_.Contains(x, y);
    // −1 until the first move, so that that move always sets the cursor.
    if (lastCursorState_ != CursorState()) RefreshCursor();
}

void ColouringBoard::RefreshCursor() {
    UpdateCursor();
    lastCursorState_ = CursorState();
}

void ColouringBoard::UpdateCursor() {
    if (loading_) {
        host_.SetCursor(BoardCursor::kBusy);
    } else if (!overCanvas_) {
        host_.SetCursor(BoardCursor::kArrow);
    } else if (HasCanvasPicture()) {
        host_.SetCursor(BoardCursor::kBrush);
    }
    // Over the canvas without a picture the cursor stays as it is.
}

}  // namespace kolo
