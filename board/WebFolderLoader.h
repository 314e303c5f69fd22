// WebFolderLoader: the board's own folder loader. It reads the folder's page through the
// host's internet session, downloads every picture the page links to into the host's
// download folder, decodes and scales each, and hands the list to the board.
//
// A folder that cannot be opened shows the transport's text and "Please confirm your url."
// and changes nothing. A picture that fails to download is skipped, never replaced by an
// older file; one that fails to decode is skipped too.
#pragma once

#include "board/FolderLoader.h"

namespace kolo {

class WebFolderLoader : public FolderLoader {
public:
    void LoadFolder(ColouringBoard& board) override;
};

}  // namespace kolo
