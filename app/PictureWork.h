// PictureWork: where the desktop keeps each picture's work between runs. The board keeps the
// work for the run and hands every change here (WorkStore); Save writes what changed, one
// small file a picture in a folder of its own, and the board asks here for a picture's work
// the first time that picture comes to the canvas.
//
// Each file is written whole under a temporary name and then renamed, so a crash leaves the
// old file or the new one, never half of one. A file that cannot be read or does not match
// is ignored: the picture starts clean.
#pragma once

#include <map>
#include <string>

#include "board/KeptWork.h"

namespace kolo {

// $XDG_DATA_HOME/kolo, or ~/.local/share/kolo; empty when neither can be told.
std::string DefaultWorkFolder();

class PictureWork : public WorkStore {
public:
    // `folder` holds the saved work; empty keeps the work for this run only.
    explicit PictureWork(std::string folder);

    bool LoadWork(const WorkKey& key, SavedWork& work) override;
    void WorkChanged(const WorkKey& key, const SavedWork& work) override;

    // Writes every picture's work changed since it was last written. False when a file could
    // not be written (it is tried again on the next Save).
    bool Save();

    bool Unsaved() const { return !unsaved_.empty(); }
    const std::string& Folder() const { return folder_; }
    std::string PathFor(const WorkKey& key) const;

private:
    std::string folder_;
    std::map<WorkKey, SavedWork> unsaved_;
};

}  // namespace kolo
