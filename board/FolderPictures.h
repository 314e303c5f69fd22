// FolderPictures: the platform-free, thread-free steps of a folder load, which every host
// runs, whether on threads of its own (ThreadedFolderLoader), in one call
// (SequentialFolderLoader) or from a browser's script that does the fetching itself.
//
//   1. PictureLinksOf turns the folder page's text into the pictures to fetch, in page order.
//   2. PreparePicture turns a picture's bytes into the board's form: decoded (format chosen by
//      the name's extension), fitted to the canvas, black as its outline colour. An empty
//      image when the bytes cannot be decoded; that is a result, never an error.
//      PrepareFolderPicture does the same for a folder's list and decides how the picture is
//      kept there (FolderPicture), so that a folder's memory stays bounded.
//   3. The board applies the results on its own thread: ColouringBoard::BeginFolder,
//      AddFolderPicture (once per link, in page order, an empty image for a failed one) and
//      FinishFolder (with the plain reason when the page could not be read).
//
// ReadFolderPage is step 1 through an InternetSession, with the failure as a reason.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
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

// What a loader keeps from one picture to the next of a folder, one per thread: the memory a
// picture was decoded into, reused for the next rather than given back and mapped afresh (and
// cleared by the system). Only a decode of a few megabytes is kept, such as a photograph the
// JPEG library decoded near the canvas's size; a larger one is given back as soon as its
// picture is prepared, so that the next file is never fetched beside it.
struct PictureScratch {
    CDibImage decoded;
};

// The picture in `data` decoded as the format of `name`, fitted to width × height, with black
// as its outline colour; an empty image when it cannot be decoded. A JPEG much larger than
// width × height is decoded by its library at a reduced size that still covers its fit, so
// its pixels may differ slightly from fitting the full-size picture. `scratch` (may be null)
// is the memory to decode into.
CDibImage PreparePicture(const std::uint8_t* data, std::size_t size, const std::string& name,
                         std::int32_t width, std::int32_t height,
                         PictureScratch* scratch = nullptr);

// A picture of the board's list. The first pictures of a folder are kept decoded; the others
// are kept as the bytes they were fetched as whenever those are smaller, and decoded again
// each time they are shown. A canvas-size picture takes 776 KB decoded where a line drawing's
// file often takes a few: a thousand pictures would otherwise take most of a small machine.
class FolderPicture {
public:
    FolderPicture() = default;   // no picture: one that failed
    // Kept decoded; implicit, so that a prepared image is a picture of the list as it stands.
    FolderPicture(CDibImage decoded) : decoded_(std::move(decoded)) {}
    // Kept as `bytes`, decoded by `name` and fitted to width × height when shown.
    FolderPicture(std::vector<std::uint8_t> bytes, std::string name, std::int32_t width,
                  std::int32_t height);

    bool HasPicture() const { return decoded_.HasPicture() || encoded_ != nullptr; }
    bool IsDecoded() const { return decoded_.HasPicture(); }
    // The picture as the board shows it: the decoded one, or the bytes decoded again.
    CDibImage Image() const;
    // The picture at `detail` (1 … kMaxDetail) times its size: fitted again from its bytes
    // when it holds more than its size shows (KeepSource), otherwise enlarged smoothly from
    // the picture. Empty when it fails.
    CDibImage ImageAt(int detail) const;
    // A decoded picture also keeps the bytes it came from, so that it can be shown at more
    // detail later; they count in KeptBytes.
    void KeepSource(std::vector<std::uint8_t> bytes, std::string name);
    // What the picture holds in memory, in bytes.
    std::size_t KeptBytes() const;

private:
    struct Encoded {
        std::vector<std::uint8_t> bytes;
        std::string name;
        std::int32_t width;
        std::int32_t height;
    };
    CDibImage decoded_;
    std::shared_ptr<const Encoded> encoded_;   // shared: copies of the list cost nothing
};

// True when the picture in `bytes` shows more at a larger fit than at width × height: a
// vector page, or a bitmap larger than its fit there.
bool HoldsMoreDetail(const std::vector<std::uint8_t>& bytes, const std::string& name,
                     std::int32_t width, std::int32_t height);

// How many pictures of a folder are kept decoded (a little over 24 MB at canvas size), so
// that browsing the first ones never waits for a decoder.
constexpr std::size_t kDecodedFolderPictures = 32;
// The most the kept pictures of one folder may hold; a picture past it is left out.
constexpr std::size_t kFolderMemoryBudget = std::size_t{160} << 20;

// What the kept pictures of one load hold so far; shared by the threads that prepare them.
class FolderBudget {
public:
    // Counts `bytes` as kept; false, and nothing counted, when they would pass the budget.
    bool Take(std::size_t bytes);
    std::size_t Used() const { return used_; }

private:
    std::atomic<std::size_t> used_{0};
};

// The result of preparing one picture of a folder for its list.
struct PreparedPicture {
    FolderPicture picture;   // no picture when it failed or was left out
    bool leftOut = false;    // it decoded, but the folder's memory budget was spent
    // The picture at the detail asked for (FolderPicture::ImageAt), for the one that goes on
    // the canvas; empty otherwise. Not counted in the budget: the board holds it in place of
    // the picture it would otherwise fit there itself.
    CDibImage detailed;
};

// The picture `index` (from 0, in page order) of a folder, prepared as PreparePicture does and
// kept decoded among the first kDecodedFolderPictures, otherwise in the smaller of its two
// forms; a decoded picture that HoldsMoreDetail keeps its bytes too. Counted against `budget`.
// With `detail` above 1 the picture at that detail is prepared too, beside it.
PreparedPicture PrepareFolderPicture(std::vector<std::uint8_t> bytes, const std::string& name,
                                     std::size_t index, std::int32_t width, std::int32_t height,
                                     FolderBudget& budget, PictureScratch* scratch = nullptr,
                                     int detail = 1);

// The page at `folderUrl` read through `session` (null: a host without network).
struct FolderPage {
    std::vector<PictureLink> links;
    std::string failure;   // the plain reason when the page could not be read; "" otherwise
    std::size_t ignored = 0;   // links beyond kMaxPictureLinks
    bool cut = false;          // the page was cut at the session's page limit
};
FolderPage ReadFolderPage(InternetSession* session, const std::string& folderUrl);

}  // namespace kolo
