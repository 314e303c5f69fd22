#include "board/FolderPictures.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <future>
#include <mutex>
#include <system_error>

#include "image/ImageLimits.h"

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

// What the decodes running at once may take together, across every loader of the process, and
// the decoded memory a loader thread keeps for its next picture. Small files may declare huge
// pictures: without the first, every worker would decode one at the same time; without the
// second, each would keep one. What is kept holds a photograph the JPEG library decoded near
// the canvas's size; a full-size decode goes back at once, so that the next file, which may be
// as large, is never fetched beside it.
constexpr std::uint64_t kDecodeMemory = std::uint64_t{192} << 20;
constexpr std::size_t kKeptScratchBytes = std::size_t{8} << 20;

class DecodeMemory {
public:
    // Waits until `bytes` fit beside the decodes running; a decode alone always starts.
    explicit DecodeMemory(std::uint64_t bytes) : bytes_(bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        freed_.wait(lock, [&] { return inUse_ == 0 || inUse_ + bytes_ <= kDecodeMemory; });
        inUse_ += bytes_;
    }
    ~DecodeMemory() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            inUse_ -= bytes_;
        }
        freed_.notify_all();
    }
    DecodeMemory(const DecodeMemory&) = delete;
    DecodeMemory& operator=(const DecodeMemory&) = delete;

private:
    static inline std::mutex mutex_;
    static inline std::condition_variable freed_;
    static inline std::uint64_t inUse_ = 0;
    std::uint64_t bytes_;
};

// What preparing the picture will hold: the decode as its reader declares it, and the fit.
std::uint64_t DecodeBytes(const std::vector<std::uint8_t>& bytes, const std::string& name,
                          std::int32_t width, std::int32_t height) {
    const DecodeCost cost = PictureDecodeCost(bytes.data(), bytes.size(), name, width, height);
    // A reader refuses such a file before it takes any memory for it.
    if (!cost.Acceptable()) return 0;
    return cost.peakBytes + FitBytes(cost.width, cost.height, width, height);
}

// The picture in `bytes` prepared as PreparePicture does, on a thread of its own; when no
// thread can be had, on the caller's when it asks for the result.
std::future<CDibImage> PrepareAside(const std::vector<std::uint8_t>& bytes, const std::string& name,
                                    std::int32_t width, std::int32_t height) {
    const auto prepare = [&bytes, &name, width, height] {
        const DecodeMemory room(DecodeBytes(bytes, name, width, height));
        return PreparePicture(bytes.data(), bytes.size(), name, width, height);
    };
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    return std::async(std::launch::deferred, prepare);   // a page without threads
#else
    try {
        return std::async(std::launch::async, prepare);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, prepare);
    }
#endif
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
                         std::int32_t width, std::int32_t height, PictureScratch* scratch) {
    CDibImage own;
    CDibImage& decoded = scratch != nullptr ? scratch->decoded : own;
    if (data == nullptr || size == 0 ||
        LoadPictureBytes(decoded, data, size, name, width, height) == 0) {
        return CDibImage();
    }
    CDibImage picture;
    if (scratch != nullptr) {
        picture = decoded.FittedInto(width, height);   // the decoded memory stays for the next
    } else {
        decoded.ResizeToFit(width, height);
        picture = std::move(decoded);
    }
    picture.SetOutlineColour(0, 0, 0);   // black lines bound the fills
    return picture.HasPicture() ? std::move(picture) : CDibImage();
}

FolderPicture::FolderPicture(std::vector<std::uint8_t> bytes, std::string name,
                             std::int32_t width, std::int32_t height)
    : encoded_(std::make_shared<const Encoded>(
          Encoded{std::move(bytes), std::move(name), width, height})) {}

CDibImage FolderPicture::Image() const {
    if (encoded_ == nullptr || decoded_.HasPicture()) return decoded_;
    return PreparePicture(encoded_->bytes.data(), encoded_->bytes.size(), encoded_->name,
                          encoded_->width, encoded_->height);
}

CDibImage FolderPicture::ImageAt(int detail) const {
    detail = std::clamp(detail, 1, kMaxDetail);
    if (encoded_ != nullptr) {
        const std::int32_t width = decoded_.HasPicture() ? decoded_.Width() : encoded_->width;
        const std::int32_t height = decoded_.HasPicture() ? decoded_.Height() : encoded_->height;
        return PreparePicture(encoded_->bytes.data(), encoded_->bytes.size(), encoded_->name,
                              width * detail, height * detail);
    }
    if (detail == 1 || !decoded_.HasPicture()) return decoded_;
    // Nothing more to show: the enlargement's in-between pixels smooth the curves that the
    // threshold would otherwise leave stepped.
    CDibImage picture = decoded_.Resized(decoded_.Width() * detail, decoded_.Height() * detail);
    picture.SetOutlineColour(0, 0, 0);
    return picture;
}

void FolderPicture::KeepSource(std::vector<std::uint8_t> bytes, std::string name) {
    if (!decoded_.HasPicture()) return;
    encoded_ = std::make_shared<const Encoded>(
        Encoded{std::move(bytes), std::move(name), decoded_.Width(), decoded_.Height()});
}

std::size_t FolderPicture::KeptBytes() const {
    std::size_t bytes = decoded_.HasPicture() ? decoded_.PixelBlock().Size() : 0;
    if (encoded_ != nullptr) bytes += encoded_->bytes.size() + encoded_->name.size();
    return bytes;
}

bool HoldsMoreDetail(const std::vector<std::uint8_t>& bytes, const std::string& name,
                     std::int32_t width, std::int32_t height) {
    static constexpr char kVector[] = ".svg";
    if (name.size() >= 4 && std::equal(name.end() - 4, name.end(), kVector, kVector + 4,
                                       [](char a, char b) {
                                           return std::tolower(static_cast<unsigned char>(a)) == b;
                                       })) {
        return true;
    }
    const DecodeCost full = PictureDecodeCost(bytes.data(), bytes.size(), name, 0, 0);
    if (full.Refused() || width <= 0 || height <= 0) return false;
    const FitSize fit = FitInside(full.width, full.height, width, height);
    return full.width > fit.width || full.height > fit.height;
}

bool FolderBudget::Take(std::size_t bytes) {
    std::size_t used = used_.load();
    do {
        if (bytes > kFolderMemoryBudget - used) return false;
    } while (!used_.compare_exchange_weak(used, used + bytes));
    return true;
}

PreparedPicture PrepareFolderPicture(std::vector<std::uint8_t> bytes, const std::string& name,
                                     std::size_t index, std::int32_t width, std::int32_t height,
                                     FolderBudget& budget, PictureScratch* scratch, int detail) {
    PreparedPicture result;
    detail = std::clamp(detail, 1, kMaxDetail);
    // A file that holds more than the canvas shows gives its detail from its own pixels
    // (FolderPicture::ImageAt), a decode as long as the canvas-size one: it runs beside it, so
    // that the picture waits for the longer of the two rather than for both.
    const bool detailFromFile = detail > 1 && HoldsMoreDetail(bytes, name, width, height);
    std::future<CDibImage> fromFile;
    if (detailFromFile) fromFile = PrepareAside(bytes, name, width * detail, height * detail);
    // Decoded even when only the bytes are kept: a picture that fails must be known now.
    CDibImage decoded;
    {
        const DecodeMemory room(DecodeBytes(bytes, name, width, height));
        decoded = PreparePicture(bytes.data(), bytes.size(), name, width, height, scratch);
        if (scratch != nullptr && scratch->decoded.PixelBlock().Size() > kKeptScratchBytes) {
            scratch->decoded.Release();
        }
    }
    // Done with `bytes` before they move into the picture below.
    CDibImage detailed = fromFile.valid() ? fromFile.get() : CDibImage();
    if (!decoded.HasPicture()) return result;
    FolderPicture picture(std::move(decoded));
    if (index >= kDecodedFolderPictures && bytes.size() < picture.KeptBytes()) {
        bytes.shrink_to_fit();
        picture = FolderPicture(std::move(bytes), name, width, height);
    } else if (HoldsMoreDetail(bytes, name, width, height)) {
        bytes.shrink_to_fit();
        picture.KeepSource(std::move(bytes), name);
    }
    if (!budget.Take(picture.KeptBytes())) {
        result.leftOut = true;
        return result;
    }
    if (detail > 1) result.detailed = detailFromFile ? std::move(detailed) : picture.ImageAt(detail);
    result.picture = std::move(picture);
    return result;
}

FolderPage ReadFolderPage(InternetSession* session, const std::string& folderUrl) {
    FolderPage page;
    if (session == nullptr) return page;
    try {
        if (std::optional<std::string> text = session->ReadPage(folderUrl)) {
            page.links = PictureLinksOf(folderUrl, *text, &page.ignored);
            page.cut = session->LastPageCut();
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
