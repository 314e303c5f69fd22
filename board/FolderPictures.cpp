#include "board/FolderPictures.h"

#include <cstdio>
#include <memory>

#include "sources/BmpReader.h"
#include "sources/GifReader.h"
#include "sources/JpegReader.h"
#include "sources/PictureIndex.h"

namespace kolo {
namespace {

// Decodes bytes through the stream readers until the picture loaders take bytes themselves.
int LoadPictureBytes(CDibImage& image, const std::uint8_t* data, std::size_t size,
                     const std::string& name) {
    std::string extension;
    if (!FindPictureExtension(name, extension)) return 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
    if (!file || std::fwrite(data, 1, size, file.get()) != size) return 0;
    std::rewind(file.get());
    if (extension == ".bmp") return LoadBmpStream(image, file.get());
    if (extension == ".gif") return LoadGifStream(image, file.get());
    return LoadJpegStream(image, file.get());
}

}  // namespace

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
    picture.Resize(width, height);
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
