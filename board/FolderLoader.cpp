#include "board/FolderLoader.h"

#include "board/ColouringBoard.h"
#include "board/FolderPictures.h"

namespace kolo {

void SequentialFolderLoader::StartLoad(ColouringBoard& board, std::uint32_t load,
                                       const std::string& folderUrl) {
    std::unique_ptr<InternetSession> session = openSession_ ? openSession_() : nullptr;
    FolderPage page = ReadFolderPage(session.get(), folderUrl);
    if (!page.failure.empty()) {
        board.FinishFolder(load, page.failure);
        return;
    }
    board.BeginFolder(load, page.links.size(), page.ignored);
    for (const PictureLink& link : page.links) {
        std::optional<std::vector<std::uint8_t>> bytes = session->FetchPicture(link.address);
        board.AddFolderPicture(load, bytes ? PreparePicture(bytes->data(), bytes->size(), link.name,
                                                            kCanvasRect.Width(), kCanvasRect.Height())
                                           : CDibImage(),
                               link.name);
    }
    board.FinishFolder(load, "");
}

}  // namespace kolo
