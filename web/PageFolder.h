// PageFolder: a folder load that the page drives. The browser's fetch() is asynchronous and
// the page has no threads, so the element fetches the folder's page and then its pictures
// itself and hands each answer here as it arrives; this turns them into the board's own load
// sequence (BeginFolder, AddFolderPicture in page order, FinishFolder). Every answer names
// its load: one for a load the board has since replaced is dropped. Pictures are kept as the
// board keeps a folder's pictures (FolderPictures.h), and a load that passes its time limit
// ends with the reason at the next picture that arrives.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/ColouringBoard.h"
#include "board/FolderLoader.h"
#include "board/FolderPictures.h"

namespace kolo {

class PageFolder {
public:
    // Takes the board's loads over: the board starts no loader of its own.
    explicit PageFolder(ColouringBoard& board) : board_(board) { board_.SetFolderLoader(nullptr); }
    // The whole time a load may take, from Start (kFolderTimeLimit unless a test shortens it).
    void SetTimeLimit(std::chrono::milliseconds limit) { timeLimit_ = limit; }

    // Starts loading the folder at `folderUrl` (an absolute address) and returns the number
    // of this load.
    std::uint32_t Start(const std::string& folderUrl);
    // The folder page's text arrived: the board's list is begun and the number of pictures
    // to fetch returned; -1 when `load` is no longer the board's.
    long PageRead(std::uint32_t load, const std::string& text);
    // The address of picture `index` of the current load; null past the last.
    const char* PictureAddress(std::size_t index) const;
    // Picture `index` arrived (`bytes` null: it could not be fetched). The page hands them in
    // page order; one out of order, out of range or of another load is dropped.
    void PictureRead(std::uint32_t load, std::size_t index, const std::uint8_t* bytes, std::size_t size);
    // The load has ended; `reason` says why the page could not be read ("" when it was).
    void Finish(std::uint32_t load, const std::string& reason);

private:
    ColouringBoard& board_;
    std::vector<PictureLink> links_;   // of the current load
    std::size_t next_ = 0;             // the picture expected next
    std::optional<FolderBudget> budget_;   // what the current load's pictures hold
    std::chrono::milliseconds timeLimit_ = kFolderTimeLimit;
    std::chrono::steady_clock::time_point deadline_;
};

}  // namespace kolo
