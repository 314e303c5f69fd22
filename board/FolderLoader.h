// FolderLoader: how a board fills its picture list from the folder at its address. The board
// calls it from SetImageURL after storing the address; a loader replaces Pictures(), uses
// SourcePicture() as its loading image, and ends with FinishFolderLoad(). When the folder
// cannot be opened it shows the host's message and leaves the board untouched.
#pragma once

namespace kolo {

class ColouringBoard;

class FolderLoader {
public:
    virtual ~FolderLoader() = default;
    virtual void LoadFolder(ColouringBoard& board) = 0;
};

}  // namespace kolo
