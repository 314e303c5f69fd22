// The board's life, its folder address and the handling of a click.
#include "board/ColouringBoard.h"

#include <utility>

#include "resources/ResourceIds.h"

namespace kolo {
namespace {

// Creation order of the buttons; undo and redo start disabled.
constexpr std::array<ButtonDesign, 6> kButtonDesigns = {{
    {kButtonUndo, kUndoRect, kIdUndoNormal, kIdUndoPressed, kIdUndoDisabled, false},
    {kButtonRedo, kRedoRect, kIdRedoNormal, kIdRedoPressed, kIdRedoDisabled, false},
    {kButtonPrint, kPrintRect, kIdPrintNormal, kIdPrintPressed, 0, true},
    {kButtonExit, kExitRect, kIdExitNormal, kIdExitPressed, 0, true},
    {kButtonPrevious, kPreviousRect, kIdPreviousNormal, kIdPreviousPressed, 0, true},
    {kButtonNext, kNextRect, kIdNextNormal, kIdNextPressed, 0, true},
}};

constexpr const char* kConfirmUrl = "\nPlease confirm your url.";
constexpr std::size_t kReasonLimit = 255;   // characters of a reason shown

}  // namespace

CDibImage ImageFromDeviceBitmap(const DeviceBitmap* bitmap) {
    CDibImage image;
    if (bitmap == nullptr) return image;
    MemoryBlock packed = DibFromDeviceBitmap(*bitmap);
    image.AdoptPackedDib(packed);
    return image;
}

ColouringBoard::ColouringBoard(BoardHost& host, ResourceSource& resources)
    : host_(host),
      resources_(resources),
      buttons_{BitmapButton(kButtonDesigns[0]), BitmapButton(kButtonDesigns[1]),
               BitmapButton(kButtonDesigns[2]), BitmapButton(kButtonDesigns[3]),
               BitmapButton(kButtonDesigns[4]), BitmapButton(kButtonDesigns[5])} {}

int ColouringBoard::Initialise() {
    for (BitmapButton& button : buttons_) {
        button.Create();
        host_.EnableButton(button.Id(), button.IsEnabled());
    }
    for (BitmapButton& button : buttons_) button.LoadFaces(resources_);

    skin_ = resources_.LoadBitmap(kIdSkin);
    {
        // The frames are needed as images only; their device bitmaps go at the end of scope.
        std::unique_ptr<DeviceBitmap> canvasFrame = resources_.LoadBitmap(kIdCanvasFrame);
        blankCanvas_ = ImageFromDeviceBitmap(canvasFrame.get());
        std::unique_ptr<DeviceBitmap> thumbnailFrame = resources_.LoadBitmap(kIdThumbnailFrame);
        blankThumbnail_ = ImageFromDeviceBitmap(thumbnailFrame.get());
    }

    canvasRect_ = kCanvasRect;
    paletteRect_ = kPaletteRect;
    swatchRect_ = kSwatchRect;
    selectedColour_ = kInitialColour;
    thumbnailRect_ = kThumbnailRect;
    pictureIndex_ = 0;

    host_.FireOnInitImage();
    return 0;
}

void ColouringBoard::SetImageURL(const std::string& url) {
    if (url.empty()) return;
    imageUrl_ = url;
    if (imageUrl_.back() != '/') imageUrl_.push_back('/');
    ++currentLoad_;
    loading_ = true;
    loadBegun_ = false;
    loadTotal_ = loadDone_ = loadAdded_ = loadIgnored_ = loadLeftOut_ = 0;
    loadPageCut_ = false;
    RefreshCursor();
    host_.InvalidateControl(kBoardRect);
    if (folderLoader_ != nullptr) folderLoader_->StartLoad(*this, currentLoad_, imageUrl_);
}

void ColouringBoard::BeginFolder(std::uint32_t load, std::size_t links, std::size_t ignoredLinks,
                                 bool pageCut) {
    if (load != currentLoad_ || !loading_ || loadBegun_) return;
    loadBegun_ = true;
    loadTotal_ = links;
    loadIgnored_ = ignoredLinks;
    loadPageCut_ = pageCut;
    pictures_.clear();
    pictureNames_.clear();
    pictures_.reserve(links);
    thumbnailIndex_ = -1;   // the list has been replaced
    pictureIndex_ = 0;
    host_.InvalidateControl(kBoardRect);
}

void ColouringBoard::AddFolderPicture(std::uint32_t load, FolderPicture picture,
                                      const std::string& name, bool leftOut, CDibImage detailed) {
    if (load != currentLoad_ || !loading_ || !loadBegun_) return;
    ++loadDone_;
    if (leftOut) ++loadLeftOut_;
    if (picture.HasPicture()) {
        pictures_.push_back(std::move(picture));
        pictureNames_.push_back(name);
        if (++loadAdded_ == 1) {
            // The first picture goes on the canvas at once and stays: a child may already be
            // colouring it when the others arrive.
            sourcePicture_ = pictures_.front().Image();
            CanvasGiven(0, std::move(detailed));
            thumbnailIndex_ = -1;
        }
    }
    host_.InvalidateControl(kBoardRect);
}

void ColouringBoard::FinishFolder(std::uint32_t load, const std::string& reason) {
    if (load != currentLoad_ || !loading_) return;
    loading_ = false;
    std::string shown = reason;
    if (shown.empty() && loadAdded_ == 0) {
        shown = "No pictures found at " + imageUrl_;
        pictures_.clear();
        pictureNames_.clear();
        pictureIndex_ = 0;
        thumbnailIndex_ = -1;
        // Nothing to browse: an old folder's picture left on the canvas would not match the
        // empty thumbnail, so the board goes blank.
        sourcePicture_ = CDibImage();
        canvas_ = CDibImage();
        CanvasGiven(-1);
    }
    RefreshCursor();
    host_.InvalidateControl(kBoardRect);
    if (!shown.empty()) host_.ShowMessage(shown.substr(0, kReasonLimit) + kConfirmUrl);
}

void ColouringBoard::ClearHistory() {
    history_.Clear();
    EnableButton(kButtonUndo, false);
    EnableButton(kButtonRedo, false);
}

void ColouringBoard::PutOnCanvas(const CDibImage& picture) {
    canvas_ = picture;
    canvas_.Threshold(kThresholdLevel);
}

BitmapButton* ColouringBoard::FindButton(int id) {
    for (BitmapButton& button : buttons_) {
        if (button.Id() == id) return &button;
    }
    return nullptr;
}

void ColouringBoard::EnableButton(int id, bool enabled) {
    if (BitmapButton* button = FindButton(id)) button->Enable(enabled);
    host_.EnableButton(id, enabled);
}

void ColouringBoard::RefreshUndoRedo() {
    EnableButton(kButtonUndo, history_.CanUndo() != 0);
    EnableButton(kButtonRedo, history_.CanRedo() != 0);
}

void ColouringBoard::Click(std::int32_t x, std::int32_t y) {
    if (boundsRect_.Contains(x, y)) {
        if (canvasRect_.Contains(x, y)) {
            // Without a picture the release is swallowed.
            if (!HasCanvasPicture()) return;
            const std::int32_t cx = x - canvasRect_.left;
            const std::int32_t cy = y - canvasRect_.top;
            const std::uint8_t red = RedOf(selectedColour_);
            const std::uint8_t green = GreenOf(selectedColour_);
            const std::uint8_t blue = BlueOf(selectedColour_);
            const std::uint64_t before = canvas_.Generation();
            Rect changed;
            if (FillAtDetail(canvas_, canvasDetail_, cx, cy, selectedColour_, closeGaps_, changed) != 0) {
                const Rect shown = NoteCanvasFill(before, changed);
                const RgbColour region = canvas_.GetRegionColour();
                history_.Record(MakeColourRef(region.red, region.green, region.blue),
                                MakeColourRef(red, green, blue), cx, cy,
                                static_cast<std::uint32_t>(closeGaps_));
                KeepWork();
                RefreshUndoRedo();
                host_.InvalidateControl(shown);
            } else {
                // Nothing changed colour; the point clicked is repainted all the same.
                host_.InvalidateControl(Rect{x, y, x + 1, y + 1});
            }
        } else if (paletteRect_.Contains(x, y)) {
            // Painting never covers the palette, so the displayed colour is the skin's; its
            // pure black grid lines cannot be picked.
            const ColourRef colour = host_.GetDisplayedColour(x, y);
            if (colour != 0 && colour != kInvalidColour) {
                selectedColour_ = colour;
                host_.InvalidateControl(swatchRect_);
            }
        } else if (thumbnailRect_.Contains(x, y) && pictures_.size() > 1) {
            sourcePicture_ = pictures_[static_cast<std::size_t>(pictureIndex_)].Image();
            CanvasGiven(pictureIndex_);
            host_.InvalidateControl(canvasRect_);
        }
    }
}

}  // namespace kolo
