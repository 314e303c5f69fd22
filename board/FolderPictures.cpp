#include "board/FolderPictures.h"

#include "sources/PictureFile.h"
#include "sources/PictureIndex.h"

namespace kolo {

std::vector<PictureLink> PictureLinksOf(const std::string& folderUrl, const std::string& pageText) {
    std::vector<std::string> names;
    ParsePictureNames(pageText.c_str(), names);
    std::vector<PictureLink> links;
    links.reserve(names.size());
    for (std::string& name : names) {
        std::string address = folderUrl + name;
        links.push_back(PictureLink{std::move(name), std::move(address)});
    }
    return links;
}

CDibImage PreparePicture(const std::uint8_t* data, std::size_t size, const std::string& name,
                         std::int32_t width, std::int32_t height) {
    CDibImage picture;
    if (data == nullptr || size == 0 || LoadPictureBytes(picture, data, size, name) == 0) {
        return CDibImage();
    }
    picture.ResizeToFit(width, height);
    picture.SetOutlineColour(0, 0, 0);   // black lines bound the fills
    return picture.HasPicture() ? std::move(picture) : CDibImage();
}

FolderPage ReadFolderPage(InternetSession* session, const std::string& folderUrl) {
    FolderPage page;
    if (session == nullptr) return page;
    try {
        if (std::optional<std::string> text = session->ReadPage(folderUrl)) {
            page.links = PictureLinksOf(folderUrl, *text);
        }
    } catch (const InternetError& error) {
        page.failure = error.what();
        if (page.failure.empty()) page.failure = "The folder could not be read.";
    }
    return page;
}

}  // namespace kolo
