// PictureWork: where the desktop keeps each picture's work between runs. The board keeps the
// work for the run and hands every change here (WorkStore); Save writes what changed, one
// small file a picture in a folder of its own, and the board asks here for a picture's work
// the first time that picture comes to the canvas.
//
// Each file is written whole under a temporary name and then renamed, so a crash leaves the
// old file or the new one, never half of one; temporary files left by a program that died are
// removed when the store is opened. A file that cannot be read or does not match is ignored:
// the picture starts clean. Only regular files are read, within a time bound: a symbolic
// link, a named pipe or a device in the folder is refused with a message, never waited on.
//
// Several windows may keep work in one folder. Save holds an advisory lock on the folder
// while it writes, and every record carries a generation: when another window wrote a
// picture's record since this one read or wrote it, the two are merged (both children's
// fills are kept; MergeWork) rather than one overwriting the other, and the merged work is
// handed back for the board to show. Pictures only one window changed are written as they
// are, so no window ever overwrites the whole folder.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "board/KeptWork.h"

namespace kolo {

// $XDG_DATA_HOME/kolo, or ~/.local/share/kolo; empty when neither can be told.
std::string DefaultWorkFolder();

enum class StoreRead { kRead, kMissing, kRefused };

// Reads the regular file at `path` whole, if it holds at most `maxBytes` and can be read
// within a second. kRefused with `reason` ("is not a regular file", …) for anything else; a
// symbolic link, pipe or device is never opened for reading.
StoreRead ReadStoreFile(const std::string& path, std::size_t maxBytes, std::string& text,
                        std::string& reason);

class PictureWork : public WorkStore {
public:
    // `folder` holds the saved work; empty keeps the work for this run only.
    explicit PictureWork(std::string folder);

    bool LoadWork(const WorkKey& key, SavedWork& work) override;
    void WorkChanged(const WorkKey& key, const SavedWork& work) override;

    // Writes every picture's work changed since it was last written. False when a file could
    // not be written (it is tried again on the next Save); Problem() then says why.
    bool Save();

    // Work that Save merged with another window's: for the board to take (TakeStoredWork).
    // Each call hands the merges since the last one.
    std::vector<std::pair<WorkKey, SavedWork>> TakeMerged();

    // Why the last Save failed, for the grown-up: "" when it did not.
    const std::string& Problem() const { return problem_; }

    bool Unsaved() const { return !unsaved_.empty(); }
    const std::string& Folder() const { return folder_; }
    std::string PathFor(const WorkKey& key) const;

private:
    // A picture's record as this window last read or wrote it.
    struct Kept {
        std::uint64_t generation = 0;
        SavedWork work;
    };
    // What is on disk for `key` now: false when the record cannot be taken as it is.
    bool ReadKept(const WorkKey& key, Kept& kept);
    bool SaveOne(const WorkKey& key, const SavedWork& ours, std::string& reason);

    std::string folder_;
    std::map<WorkKey, SavedWork> unsaved_;
    std::map<WorkKey, Kept> kept_;
    std::vector<std::pair<WorkKey, SavedWork>> merged_;
    std::string problem_;
};

}  // namespace kolo
