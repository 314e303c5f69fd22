#include "web/PageFolder.h"

#include "board/BoardLayout.h"

namespace kolo {

std::uint32_t PageFolder::Start(const std::string& folderUrl) {
    links_.clear();
    next_ = 0;
    budget_.emplace();
    deadline_ = std::chrono::steady_clock::now() + timeLimit_;
    board_.SetImageURL(folderUrl);
    return board_.CurrentLoad();
}

long PageFolder::PageRead(std::uint32_t load, const std::string& text) {
    if (load != board_.CurrentLoad() || !board_.IsLoading()) return -1;
    std::size_t ignored = 0;
    links_ = PictureLinksOf(board_.ImageUrl(), text, &ignored);
    next_ = 0;
    board_.BeginFolder(load, links_.size(), ignored);
    return static_cast<long>(links_.size());
}

const char* PageFolder::PictureAddress(std::size_t index) const {
    return index < links_.size() ? links_[index].address.c_str() : nullptr;
}

void PageFolder::PictureRead(std::uint32_t load, std::size_t index, const std::uint8_t* bytes,
                             std::size_t size) {
    if (load != board_.CurrentLoad() || index != next_ || index >= links_.size()) return;
    ++next_;
    if (std::chrono::steady_clock::now() >= deadline_) {
        links_.clear();
        board_.FinishFolder(load, FolderTimeLimitReason(timeLimit_));
        return;
    }
    const PictureLink& link = links_[index];
    PreparedPicture prepared;
    if (bytes != nullptr) {
        prepared = PrepareFolderPicture(std::vector<std::uint8_t>(bytes, bytes + size), link.name,
                                        index, kCanvasRect.Width(), kCanvasRect.Height(), *budget_);
    }
    board_.AddFolderPicture(load, std::move(prepared.picture), link.name, prepared.leftOut);
}

void PageFolder::Finish(std::uint32_t load, const std::string& reason) {
    if (load != board_.CurrentLoad()) return;
    links_.clear();
    board_.FinishFolder(load, reason);
}

}  // namespace kolo
