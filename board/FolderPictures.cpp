#include "board/FolderPictures.h"

#include <algorithm>
#include <cctype>

#include "sources/PictureFile.h"
#include "sources/PictureIndex.h"

namespace kolo {

namespace {

bool IsLocalFolder(const std::string& url) {
    static constexpr char kFileScheme[] = "file:";
    if (url.size() < sizeof kFileScheme - 1) return false;
    for (std::size_t i = 0; i + 1 < sizeof kFileScheme; ++i) {
        if (std::tolower(static_cast<unsigned char>(url[i])) != kFileScheme[i]) return false;
    }
    return true;
}

}  // namespace

std::vector<PictureLink> PictureLinksOf(const std::string& folderUrl, const std::string& pageText,
                                        std::size_t* ignored) {
    std::vector<std::string> names;
    ParsePictureNames(pageText.c_str(), names);
    const bool local = IsLocalFolder(folderUrl);
    std::vector<PictureLink> links;
    links.reserve(std::min(names.size(), kMaxPictureLinks));
    if (ignored != nullptr) *ignored = 0;
    for (std::string& name : names) {
        if (local && !NameStaysInFolder(name)) continue;
        if (links.size() == kMaxPictureLinks) {
            if (ignored != nullptr) ++*ignored;
            continue;
        }
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
            page.links = PictureLinksOf(folderUrl, *text, &page.ignored);
        } else {
            page.failure = "Unsupported address: " + folderUrl;
        }
    } catch (const InternetError& error) {
        page.failure = error.what();
        if (page.failure.empty()) page.failure = "The folder could not be read.";
    }
    return page;
}

}  // namespace kolo
