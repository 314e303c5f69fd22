// FolderPictures: the platform-free, thread-free steps of a folder load, which every host
// runs, whether on threads of its own (ThreadedFolderLoader), in one call
// (SequentialFolderLoader) or from a browser's script that does the fetching itself.
//
//   1. PictureLinksOf turns the folder page's text into the pictures to fetch, in page order.
//   2. PreparePicture turns a picture's bytes into the board's form: decoded (format chosen by
//      the name's extension), fitted to the canvas, black as its outline colour. An empty
//      image when the bytes cannot be decoded; that is a result, never an error.
//   3. The board applies the results on its own thread: ColouringBoard::BeginFolder,
//      AddFolderPicture (once per link, in page order, an empty image for a failed one) and
//      FinishFolder (with the plain reason when the page could not be read).
//
// ReadFolderPage is step 1 through an InternetSession, with the failure as a reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/DibImage.h"
#include "platform/InternetSession.h"

namespace kolo {

// One picture of a folder: the name the page gave and the address to fetch it from.
struct PictureLink {
    std::string name;      // picks the decoder by its extension
    std::string address;   // the folder's address followed by the name
};

// At most this many pictures are taken from one page: a page of a hundred thousand links must
// not keep a load (and its memory) going for hours.
constexpr std::size_t kMaxPictureLinks = 1000;

// The picture links of a folder page, in page order, duplicates kept, at most
// kMaxPictureLinks; `ignored` (when given) counts the links left out beyond that. For a local
// folder, a name that would reach outside the folder is skipped. `folderUrl` ends in "/".
std::vector<PictureLink> PictureLinksOf(const std::string& folderUrl, const std::string& pageText,
                                        std::size_t* ignored = nullptr);

// The picture in `data` decoded as the format of `name`, fitted to width × height, with black
// as its outline colour; an empty image when it cannot be decoded.
CDibImage PreparePicture(const std::uint8_t* data, std::size_t size, const std::string& name,
                         std::int32_t width, std::int32_t height);

// The page at `folderUrl` read through `session` (null: a host without network).
struct FolderPage {
    std::vector<PictureLink> links;
    std::string failure;   // the plain reason when the page could not be read; "" otherwise
    std::size_t ignored = 0;   // links beyond kMaxPictureLinks
};
FolderPage ReadFolderPage(InternetSession* session, const std::string& folderUrl);

}  // namespace kolo
