// PictureWork: nothing coloured is ever lost. The program keeps the work on every picture it
// has shown for the whole run (the fills that can be undone and redone), brings it back when
// the picture returns to the canvas, and keeps it in a folder of its own across runs.
//
// A picture's work is found again by the folder's address, the picture's name and a hash of
// its pixels, so a changed drawing under the same name starts clean. Each picture's work is
// one small text file written whole under a temporary name and then renamed, so a crash
// leaves the old file or the new one, never half of one. A file that cannot be read or does
// not match is ignored: the picture starts clean.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "board/ColouringBoard.h"

namespace kolo {

struct SavedWork {
    std::vector<FillEntry> done;     // can be undone, oldest first
    std::vector<FillEntry> undone;   // can be redone, the next to redo last
};

// What finds a picture's work again.
struct WorkKey {
    std::string folder;    // the folder's address
    std::string picture;   // the picture's name in the folder
    std::uint64_t contentHash = 0;
    bool operator<(const WorkKey& other) const;
};

// FNV-1a over the picture's pixel rows (without their padding); 0 for an empty image.
std::uint64_t PictureHash(const CDibImage& picture);

// The file format: the key, then both stacks. ParseWork refuses (false) anything malformed,
// any entry that is not a fill or a cleared page, and a key other than `key`.
std::string FormatWork(const WorkKey& key, const SavedWork& work);
bool ParseWork(const std::string& text, const WorkKey& key, SavedWork& work);

// $XDG_DATA_HOME/kolo, or ~/.local/share/kolo; empty when neither can be told.
std::string DefaultWorkFolder();

class PictureWork {
public:
    // `folder` holds the saved work; empty keeps the work for this run only.
    explicit PictureWork(std::string folder);

    // After anything that may have changed the board: a new picture on the canvas gets its
    // work back (from this run, else from the folder); new work on the same picture is kept.
    // Returns true when there is work not yet written.
    bool Follow(ColouringBoard& board);

    // Writes every picture's work changed since it was last written. False when a file could
    // not be written (it is tried again on the next Save).
    bool Save();

    bool Unsaved() const { return !unsaved_.empty(); }
    const std::string& Folder() const { return folder_; }
    std::string PathFor(const WorkKey& key) const;

private:
    bool Load(const WorkKey& key, SavedWork& work) const;

    std::string folder_;
    std::map<WorkKey, SavedWork> session_;
    std::set<WorkKey> unsaved_;
    WorkKey current_;
    bool hasCurrent_ = false;
    std::uint32_t serial_ = 0;
    bool followed_ = false;
};

}  // namespace kolo
