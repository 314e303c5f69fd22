#include "board/FolderLoader.h"

#include "board/ColouringBoard.h"
#include "board/FolderPictures.h"

namespace kolo {

std::string FolderTimeLimitReason(std::chrono::milliseconds limit) {
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(limit).count();
    const std::string span = seconds >= 120 ? std::to_string(seconds / 60) + " minutes"
                             : seconds == 1 ? "1 second"
                                            : std::to_string(seconds) + " seconds";
    return "The folder took longer than " + span +
           " to load; the pictures that arrived are kept.";
}

void SequentialFolderLoader::StartLoad(ColouringBoard& board, std::uint32_t load,
                                       const std::string& folderUrl) {
    const auto deadline = std::chrono::steady_clock::now() + TimeLimit();
    std::unique_ptr<InternetSession> session = openSession_ ? openSession_() : nullptr;
    FolderPage page = ReadFolderPage(session.get(), folderUrl);
    if (!page.failure.empty()) {
        board.FinishFolder(load, page.failure);
        return;
    }
    board.BeginFolder(load, page.links.size(), page.ignored, page.cut);
    if (session != nullptr) session->EnterFolder(folderUrl);
    FolderBudget budget;
    PictureScratch scratch;
    bool canvasFound = false;   // the first picture that decodes goes on the canvas
    for (std::size_t index = 0; index < page.links.size(); ++index) {
        if (std::chrono::steady_clock::now() >= deadline) {
            board.FinishFolder(load, FolderTimeLimitReason(TimeLimit()));
            return;
        }
        const PictureLink& link = page.links[index];
        std::optional<std::vector<std::uint8_t>> bytes = session->FetchPicture(link.address);
        PreparedPicture prepared;
        if (bytes) {
            prepared = PrepareFolderPicture(std::move(*bytes), link.name, index, kCanvasRect.Width(),
                                            kCanvasRect.Height(), budget, &scratch,
                                            canvasFound ? 1 : Detail());
            canvasFound = canvasFound || prepared.picture.HasPicture();
        }
        board.AddFolderPicture(load, std::move(prepared.picture), link.name, prepared.leftOut,
                               std::move(prepared.detailed));
    }
    board.FinishFolder(load, "");
}

}  // namespace kolo
