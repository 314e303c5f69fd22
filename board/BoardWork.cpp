// The work on each picture: clearing the page as an undoable step, keeping every picture's
// work while others are coloured, and putting it back by replaying it.
//
// Fills recolour whole areas of one colour, and the canvas starts as a black and white page
// whose areas are bounded by black lines, so every area keeps its pixels for good: the page
// is fully given by the picture and the fills that can be undone, replayed in order. A cleared
// page is a history entry that starts the page again from the picture. A fill that stopped at a
// gap leaves part of its area in the old colour beside the new one, so refilling cannot take it
// back: while the page holds such a fill, undo replays the page instead.
#include "board/ColouringBoard.h"

#include <algorithm>
#include <utility>

namespace kolo {
namespace {

// Replays onto `page` (the picture as it goes on the canvas, at `detail`) the fills of `done`
// since its last cleared page.
void ReplayFills(CDibImage& page, int detail, const std::vector<FillEntry>& done) {
    std::size_t first = done.size();
    while (first > 0 && !IsNewPageEntry(done[first - 1])) --first;
    for (std::size_t i = first; i < done.size(); ++i) {
        const FillEntry& entry = done[i];
        Rect changed;
        FillAtDetail(page, detail, entry.x, entry.y, entry.newColour,
                     static_cast<int>(entry.closeGaps), changed);
    }
}

// True when `picture` is the width × height picture held at `detail`.
bool FitsDetail(const CDibImage& picture, std::int32_t width, std::int32_t height, int detail) {
    return picture.HasPicture() && picture.Width() == width * detail &&
           picture.Height() == height * detail;
}

}  // namespace

int FillAtDetail(CDibImage& page, int detail, std::int32_t x, std::int32_t y, ColourRef colour,
                 int closeGaps, Rect& changed) {
    std::int32_t seedX = x, seedY = y;
    if (detail > 1 && page.HasPicture()) {
        // Lines are thinner than a block at detail: a click on the edge of a line still means
        // the area beside it, so the nearest pixel of the block off the line starts the fill.
        // Filling never makes a line pixel, so a replay picks the same pixel.
        const CDibImage& read = page;   // looking is no change to the page
        const RgbColour line = read.GetOutlineColour();
        const std::int32_t left = x * detail, top = y * detail;
        std::int64_t best = -1;
        for (std::int32_t j = 0; j < detail && top + j < page.Height(); ++j) {
            const std::int32_t row = page.Height() - 1 - (top + j);
            const std::uint8_t* p = read.Pixels() + read.Stride() * static_cast<std::size_t>(row);
            for (std::int32_t i = 0; i < detail && left + i < page.Width(); ++i) {
                const std::uint8_t* q = p + 3 * (left + i);
                if (q[2] == line.red && q[1] == line.green && q[0] == line.blue) continue;
                const std::int64_t dx = 2 * i + 1 - detail, dy = 2 * j + 1 - detail;
                if (best < 0 || dx * dx + dy * dy < best) {
                    best = dx * dx + dy * dy;
                    seedX = left + i;
                    seedY = top + j;
                }
            }
        }
        if (best < 0) {
            seedX = left + detail / 2;
            seedY = top + detail / 2;
        }
    }
    return page.FloodFill(seedX, seedY, RedOf(colour), GreenOf(colour), BlueOf(colour), changed,
                          closeGaps * std::max(detail, 1));
}

std::string ColouringBoard::CanvasPictureName() const {
    if (canvasIndex_ < 0 || static_cast<std::size_t>(canvasIndex_) >= pictureNames_.size()) {
        return {};
    }
    return pictureNames_[static_cast<std::size_t>(canvasIndex_)];
}

void ColouringBoard::CanvasGiven(std::int32_t index, CDibImage detailed) {
    canvasIndex_ = index;
    ++canvasSerial_;
    if (index < 0 || !sourcePicture_.HasPicture()) {
        canvasKey_ = WorkKey{};
        canvasSource_ = FolderPicture();
        canvasDetail_ = 1;
        ClearHistory();
        return;
    }
    // The key comes from the picture at the canvas's size, so that work is found at any detail.
    canvasKey_ = WorkKey{imageUrl_, CanvasPictureName(), PictureHash(sourcePicture_)};
    canvasSource_ = static_cast<std::size_t>(index) < pictures_.size()
                        ? pictures_[static_cast<std::size_t>(index)]
                        : FolderPicture(sourcePicture_);
    canvasDetail_ = 1;
    if (detail_ > 1) TakeDetail(std::move(detailed));
    const SavedWork& work = WorkFor(canvasKey_);
    history_.Restore(work.done, work.undone);
    RebuildCanvas();
    RefreshUndoRedo();
}

const SavedWork& ColouringBoard::WorkFor(const WorkKey& key) {
    auto found = work_.find(key);
    if (found == work_.end()) {
        SavedWork work;
        if (workStore_ == nullptr || !workStore_->LoadWork(key, work)) work = SavedWork{};
        found = work_.emplace(key, std::move(work)).first;
    }
    return found->second;
}

void ColouringBoard::KeepWork() {
    if (canvasIndex_ < 0 || !sourcePicture_.HasPicture()) return;
    SavedWork& work = work_[canvasKey_];
    work.done = history_.UndoEntries();
    work.undone = history_.RedoEntries();
    if (workStore_ != nullptr) workStore_->WorkChanged(canvasKey_, work);
    // The thumbnail follows the colouring of the picture it shows.
    if (pictureIndex_ == canvasIndex_) host_.InvalidateControl(thumbnailRect_);
}

void ColouringBoard::TakeStoredWork(const WorkKey& key, const SavedWork& work) {
    work_[key] = work;
    host_.InvalidateControl(thumbnailRect_);
    if (canvasIndex_ < 0 || key < canvasKey_ || canvasKey_ < key) return;
    history_.Restore(work.done, work.undone);
    RebuildCanvas();
    RefreshUndoRedo();
    host_.InvalidateControl(canvasRect_);
}

WorkKey ColouringBoard::KeyOf(std::int32_t index, const CDibImage& picture) const {
    const auto at = static_cast<std::size_t>(index);
    const std::string name = at < pictureNames_.size() ? pictureNames_[at] : std::string();
    return WorkKey{imageUrl_, name, PictureHash(picture)};
}

CDibImage ColouringBoard::KeptPage(std::int32_t index, const CDibImage& picture) {
    if (!picture.HasPicture()) return {};
    const SavedWork& work = WorkFor(KeyOf(index, picture));
    if (!IsPageColoured(work.done)) return {};
    return ColouredPage(picture, work);
}

CDibImage ColouredPage(const CDibImage& picture, const SavedWork& work, int detail) {
    CDibImage page = picture;
    page.Threshold(kThresholdLevel);
    ReplayFills(page, detail, work.done);
    return page;
}

CDibImage ColouringBoard::CanvasAtDetail(int detail, CDibImage& picture) const {
    if (canvasIndex_ < 0 || !sourcePicture_.HasPicture() || !canvasSource_.HasPicture()) return {};
    picture = canvasSource_.ImageAt(detail);
    if (!FitsDetail(picture, sourcePicture_.Width() / canvasDetail_,
                    sourcePicture_.Height() / canvasDetail_, detail)) {
        return {};
    }
    CDibImage page = picture;
    page.Threshold(kThresholdLevel);
    ReplayFills(page, detail, history_.UndoEntries());
    return page;
}

void ColouringBoard::RebuildCanvas() {
    if (!sourcePicture_.HasPicture()) return;
    PutOnCanvas(sourcePicture_);
    ReplayFills(canvas_, canvasDetail_, history_.UndoEntries());
}

void ColouringBoard::TakeDetail(CDibImage detailed) {
    if (!FitsDetail(detailed, sourcePicture_.Width() / canvasDetail_,
                    sourcePicture_.Height() / canvasDetail_, detail_)) {
        detailed = canvasSource_.ImageAt(detail_);
    }
    // The canvas-size picture stays when memory runs out: colouring goes on, less sharp.
    if (!FitsDetail(detailed, sourcePicture_.Width() / canvasDetail_,
                    sourcePicture_.Height() / canvasDetail_, detail_)) {
        return;
    }
    sourcePicture_ = std::move(detailed);
    canvasDetail_ = detail_;
}

void ColouringBoard::SetDetail(int detail) {
    detail = std::clamp(detail, 1, kMaxDetail);
    if (detail == detail_) return;
    detail_ = detail;
    if (folderLoader_ != nullptr) folderLoader_->SetDetail(detail_);
    if (canvasIndex_ < 0 || !sourcePicture_.HasPicture() || !canvasSource_.HasPicture()) return;
    if (detail_ > 1) {
        TakeDetail();
    } else {
        CDibImage picture = canvasSource_.Image();
        if (!picture.HasPicture()) return;
        sourcePicture_ = std::move(picture);
        canvasDetail_ = 1;
    }
    RebuildCanvas();
    host_.InvalidateControl(canvasRect_);
    // The thumbnail samples the canvas at its new detail too: it is drawn again with it, or
    // the screen would keep one taken from the old one.
    host_.InvalidateControl(thumbnailRect_);
}

void ColouringBoard::ChangeWorkStore(WorkStore* store) {
    workStore_ = store;
    work_.clear();
    if (canvasIndex_ >= 0 && sourcePicture_.HasPicture()) CanvasGiven(canvasIndex_);
    thumbnailIndex_ = -1;
    host_.InvalidateControl(boundsRect_);
}

int ColouringBoard::ShowPicture(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= pictures_.size()) return 0;
    pictureIndex_ = index;
    sourcePicture_ = pictures_[static_cast<std::size_t>(index)].Image();
    CanvasGiven(index);
    host_.InvalidateControl(thumbnailRect_);
    host_.InvalidateControl(canvasRect_);
    return 1;
}

CDibImage ColouringBoard::ColouredPicture(std::int32_t index, int detail) {
    if (index < 0 || static_cast<std::size_t>(index) >= pictures_.size()) return {};
    const FolderPicture& source = pictures_[static_cast<std::size_t>(index)];
    CDibImage picture = source.Image();
    detail = std::clamp(detail, 1, kMaxDetail);
    if (detail > 1 && picture.HasPicture()) {
        // The work is keyed by the canvas-size picture; it is replayed on the larger one.
        CDibImage detailed = source.ImageAt(detail);
        if (FitsDetail(detailed, picture.Width(), picture.Height(), detail)) {
            const SavedWork& work = WorkFor(KeyOf(index, picture));
            if (!IsPageColoured(work.done)) return detailed;
            return ColouredPage(detailed, work, detail);
        }
    }
    CDibImage page = KeptPage(index, picture);
    return page.HasPicture() ? page : picture;
}

bool ColouringBoard::IsFinished(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= pictures_.size()) return false;
    const CDibImage& picture = pictures_[static_cast<std::size_t>(index)].Image();
    if (!picture.HasPicture()) return false;
    return WorkFor(KeyOf(index, picture)).finished;
}

bool ColouringBoard::CanvasFinished() const {
    const auto found = work_.find(canvasKey_);
    return canvasIndex_ >= 0 && found != work_.end() && found->second.finished;
}

void ColouringBoard::SetCanvasFinished(bool finished) {
    if (canvasIndex_ < 0 || !sourcePicture_.HasPicture()) return;
    work_[canvasKey_].finished = finished;
    KeepWork();
}

void ColouringBoard::SetCloseGaps(int gaps) { closeGaps_ = std::clamp(gaps, 0, kMaxCloseGaps); }

bool ColouringBoard::PageHasGapClosedFill() const {
    const std::vector<FillEntry>& done = history_.UndoEntries();
    for (std::size_t i = done.size(); i > 0 && !IsNewPageEntry(done[i - 1]); --i) {
        if (done[i - 1].closeGaps != 0) return true;
    }
    return false;
}

void ColouringBoard::NewPage() {
    if (!canvas_.HasPicture() || !sourcePicture_.HasPicture()) return;
    const std::vector<FillEntry>& done = history_.UndoEntries();
    // Nothing painted since the page was last started: a second clear would only pile up.
    if (done.empty() || IsNewPageEntry(done.back())) return;
    history_.Record(kNewPageColour, kNewPageColour, 0, 0);
    KeepWork();
    RebuildCanvas();
    RefreshUndoRedo();
    host_.InvalidateControl(canvasRect_);
}

int ColouringBoard::RestoreWork(std::vector<FillEntry> done, std::vector<FillEntry> undone) {
    if (!sourcePicture_.HasPicture()) return 0;
    history_.Restore(std::move(done), std::move(undone));
    KeepWork();
    RebuildCanvas();
    RefreshUndoRedo();
    host_.InvalidateControl(canvasRect_);
    return 1;
}

}  // namespace kolo
