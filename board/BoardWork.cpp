// The work on the picture being coloured: clearing the page as an undoable step, and putting
// saved work back by replaying it.
//
// Fills recolour whole areas of one colour, and the canvas starts as a black and white page
// whose areas are bounded by black lines, so every area keeps its pixels for good: the page
// is fully given by the picture and the fills that can be undone, replayed in order. A cleared
// page is a history entry that starts the page again from the picture.
#include "board/ColouringBoard.h"

#include <utility>

namespace kolo {

std::string ColouringBoard::CanvasPictureName() const {
    if (canvasIndex_ < 0 || static_cast<std::size_t>(canvasIndex_) >= pictureNames_.size()) {
        return {};
    }
    return pictureNames_[static_cast<std::size_t>(canvasIndex_)];
}

void ColouringBoard::CanvasGiven(std::int32_t index) {
    canvasIndex_ = index;
    ++canvasSerial_;
}

void ColouringBoard::RebuildCanvas() {
    if (!sourcePicture_.HasPicture()) return;
    PutOnCanvas(sourcePicture_);
    const std::vector<FillEntry>& done = history_.UndoEntries();
    std::size_t first = done.size();
    while (first > 0 && !IsNewPageEntry(done[first - 1])) --first;
    for (std::size_t i = first; i < done.size(); ++i) {
        const FillEntry& entry = done[i];
        canvas_.FloodFill(entry.x, entry.y, RedOf(entry.newColour), GreenOf(entry.newColour),
                          BlueOf(entry.newColour));
    }
}

void ColouringBoard::NewPage() {
    if (!canvas_.HasPicture() || !sourcePicture_.HasPicture()) return;
    const std::vector<FillEntry>& done = history_.UndoEntries();
    // Nothing painted since the page was last started: a second clear would only pile up.
    if (done.empty() || IsNewPageEntry(done.back())) return;
    history_.Record(kNewPageColour, kNewPageColour, 0, 0);
    RebuildCanvas();
    RefreshUndoRedo();
    host_.InvalidateControl(canvasRect_);
}

int ColouringBoard::RestoreWork(std::vector<FillEntry> done, std::vector<FillEntry> undone) {
    if (!sourcePicture_.HasPicture()) return 0;
    history_.Restore(std::move(done), std::move(undone));
    RebuildCanvas();
    RefreshUndoRedo();
    host_.InvalidateControl(canvasRect_);
    return 1;
}

}  // namespace kolo
