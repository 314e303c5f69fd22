// KeptWork: each picture's work (its fills that can be undone and redone) as a small
// versioned record, and the store a host gives the board to keep it between runs.
//
// The board keeps every picture's work for as long as it lives and puts it back when the
// picture returns to the canvas; a WorkStore is asked once for a picture's work the first
// time the board needs it, and told every time that work changes. A picture's work is found
// by the folder's address, the picture's name and a hash of its pixels, so a changed drawing
// under the same name starts clean.
//
// The record is text: a version line, the key, its generation (how many times it was
// written, so two writers of one record can tell), for a picture marked finished a line
// saying so (only then the newest version, which older programs do not read), then both
// stacks, one fill a line as seed point, colours and fill options. ParseWork reads every version it knows (records older
// than generations read as generation 0) and refuses (false, `work` untouched) anything
// malformed, any entry that is not a fill or a cleared page, and a key other than the one
// asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/FillHistory.h"
#include "image/DibImage.h"

namespace kolo {

struct SavedWork {
    std::vector<FillEntry> done;     // can be undone, oldest first
    std::vector<FillEntry> undone;   // can be redone, the next to redo last
    bool finished = false;           // the child marked the picture done
};

// What finds a picture's work again.
struct WorkKey {
    std::string folder;    // the folder's address
    std::string picture;   // the picture's name in the folder
    std::uint64_t contentHash = 0;
    bool operator<(const WorkKey& other) const;
};

// FNV-1a over the picture's size and pixel rows (without their padding); 0 for no picture.
std::uint64_t PictureHash(const CDibImage& picture);

std::string FormatWork(const WorkKey& key, const SavedWork& work, std::uint64_t generation = 0);
bool ParseWork(const std::string& text, const WorkKey& key, SavedWork& work,
               std::uint64_t* generation = nullptr);

// Two writers changed one picture's work since both had `base`: `theirs` was kept first,
// `ours` comes now. Fills recolour whole areas, so both children's fills can stand: the
// merge is `theirs` followed by the fills `ours` added to `base`, with our redo stack when we
// added any. Undoing a fill that both had is a change of one writer alone and is not carried.
SavedWork MergeWork(const SavedWork& base, const SavedWork& ours, const SavedWork& theirs);

// The page as the work leaves it: the picture (held at `detail` times the canvas's size)
// thresholded as a canvas is, with the fills since its last cleared page replayed on it.
CDibImage ColouredPage(const CDibImage& picture, const SavedWork& work, int detail = 1);

// A short name for the key's record, the same in every run: 16 hex digits.
std::string WorkRecordName(const WorkKey& key);

// Where a host keeps the work. Both calls come on the board's thread.
class WorkStore {
public:
    virtual ~WorkStore() = default;
    // The work kept for `key`; false (and `work` as it was) when there is none.
    virtual bool LoadWork(const WorkKey& key, SavedWork& work) = 0;
    // The work on `key` is now `work` (empty stacks: nothing left to keep).
    virtual void WorkChanged(const WorkKey& key, const SavedWork& work) = 0;
};

}  // namespace kolo
