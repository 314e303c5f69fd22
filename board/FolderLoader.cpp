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
    FolderBudget budget;
    for (std::size_t index = 0; index < page.links.size(); ++index) {
        const PictureLink& link = page.links[index];
        std::optional<std::vector<std::uint8_t>> bytes = session->FetchPicture(link.address);
        PreparedPicture prepared;
        if (bytes) {
            prepared = PrepareFolderPicture(std::move(*bytes), link.name, index, kCanvasRect.Width(),
                                            kCanvasRect.Height(), budget);
        }
        board.AddFolderPicture(load, std::move(prepared.picture), link.name,
                               prepared.leftOut);
    }
    board.FinishFolder(load, "");
}

}  // namespace kolo
