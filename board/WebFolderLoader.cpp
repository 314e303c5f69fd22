#include "board/WebFolderLoader.h"

#include <optional>
#include <string>
#include <vector>

#include "board/ColouringBoard.h"
#include "sources/PictureFile.h"
#include "sources/PictureIndex.h"

namespace kolo {
namespace {

constexpr const char* kDownloadBaseName = "Image001";     // + ".bmp", ".gif" or ".jpg"
constexpr const char* kConfirmUrl = "\nPlease confirm your url.";
constexpr std::size_t kErrorTextLimit = 255;              // characters of the error shown

}  // namespace

void WebFolderLoader::LoadFolder(ColouringBoard& board) {
    BoardHost& host = board.Host();
    std::unique_ptr<InternetSession> session = host.OpenInternetSession();

    std::vector<std::string> names;
    if (session) {
        std::optional<std::string> page;
        try {
            page = session->ReadPage(board.ImageUrl());
        } catch (const InternetError& error) {
            // Nothing of the board changes when the folder cannot be opened.
            host.ShowMessage(std::string(error.what()).substr(0, kErrorTextLimit) + kConfirmUrl);
            return;
        }
        if (page) ParsePictureNames(page->c_str(), names);
    }

    std::vector<CDibImage>& pictures = board.Pictures();
    pictures.clear();
    board.PictureNames().clear();
    // Without a download folder there is nowhere to put a picture: none is fetched.
    const std::string folder = host.DownloadFolder();
    if (folder.empty()) names.clear();
    for (const std::string& name : names) {
        std::string extension;
        if (!FindPictureExtension(name, extension)) continue;
        const std::string file = folder + "/" + kDownloadBaseName + extension;
        if (!session->DownloadToFile(board.ImageUrl() + name, file)) continue;

        CDibImage& picture = board.SourcePicture();
        LoadFile(picture, file);
        picture.ResizeToFit(board.CanvasRect().Width(), board.CanvasRect().Height());
        picture.SetOutlineColour(0, 0, 0);   // black lines bound the fills
        if (picture.HasPicture()) {
            pictures.push_back(picture);
            board.PictureNames().push_back(name);
        }
    }
    board.FinishFolderLoad();
}

}  // namespace kolo
