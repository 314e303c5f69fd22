// ColouringBoard: the platform-free state and rules of one colouring board, the model that
// the control class holds and feeds with window creation, pointer events, button commands
// and paint requests.
//
// The board owns every image, the picture list, the fill history and the six buttons. It
// reaches the platform only through BoardHost (repaints, buttons, cursor, events, dialogs),
// ResourceSource (bitmaps) and the device contexts it is handed. It never paints directly:
// every change ends with a request to repaint the whole control, and the host calls Paint.
// Canvas points are canvas pixels from its top-left corner: (x − 31, y − 155).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/BitmapButton.h"
#include "board/BoardLayout.h"
#include "board/FolderLoader.h"
#include "board/WebFolderLoader.h"
#include "history/FillHistory.h"
#include "image/DibImage.h"
#include "platform/BoardHost.h"
#include "platform/DeviceBitmap.h"
#include "platform/DeviceContext.h"
#include "platform/ResourceSource.h"

namespace kolo {

// An image made from a device bitmap: empty, then the bitmap's 24-bit packed copy adopted.
CDibImage ImageFromDeviceBitmap(const DeviceBitmap* bitmap);

// Where Print puts the picture on a page of horzRes × vertRes device pixels with dpiX, dpiY
// pixels per inch: inside one-inch margins, keeping the picture's proportions, centred along
// the other direction. The computed side spans one pixel less than its exact size. Without a
// picture (width or height not above 0) the whole printable area is given.
Rect PrintDestination(int horzRes, int vertRes, int dpiX, int dpiY, std::int32_t pictureWidth,
                      std::int32_t pictureHeight);

// The history entry of a cleared page: its colours are no packed colour.
constexpr std::uint32_t kNewPageColour = 0xFF000000u;
inline bool IsNewPageEntry(const FillEntry& entry) {
    return entry.oldColour == kNewPageColour && entry.newColour == kNewPageColour;
}

class ColouringBoard {
public:
    ColouringBoard(BoardHost& host, ResourceSource& resources);
    ColouringBoard(const ColouringBoard&) = delete;
    ColouringBoard& operator=(const ColouringBoard&) = delete;

    // Window creation. `windowCreated` is the framework's own result; when it failed the
    // board does nothing and returns −1. Otherwise it creates the buttons, loads the art,
    // sets the layout and the colour, fires OnInitImage and returns 0.
    int Initialise(bool windowCreated = true);

    // Stores the folder address (with a trailing "/") and loads the folder; "" does nothing.
    void SetImageURL(const std::string& url);

    // A left-button release at a client point.
    void Click(std::int32_t x, std::int32_t y);
    void PointerMoved(std::int32_t x, std::int32_t y);
    void UpdateCursor();
    // A command message; its low 16 bits select the command. Returns the framework's result.
    int Command(std::uint32_t commandWord);

    void Undo();
    void Redo();
    void PreviousPicture();
    void NextPicture();
    void Exit();
    void Print();

    // Clears the colouring of the picture on the canvas as one step that Undo takes back.
    // Does nothing without a picture or when the page is already clear.
    void NewPage();
    // Puts saved work back on the picture now on the canvas: the page starts from the
    // picture, the fills that can be undone (oldest first) are replayed in order, and the
    // history becomes exactly `done` and `undone` (the next to redo last). Returns 0 without
    // a picture on the canvas. A cleared page is an entry of its own (IsNewPageEntry).
    int RestoreWork(std::vector<FillEntry> done, std::vector<FillEntry> undone);

    void Paint(DeviceContext& target, const Rect& bounds, const Rect& invalid);
    void DrawPictureInto(DeviceContext& dc, const Rect& rect);

    // Loads the folder at ImageUrl() through the folder loader: the board's own web loader
    // unless another was set (tests hand pictures in this way).
    void LoadFolder();
    void SetFolderLoader(FolderLoader* loader) { folderLoader_ = loader != nullptr ? loader : &webLoader_; }

    // For folder loaders: the list to replace, the loading image, and the common ending: the
    // last picture (when there is one) goes on the canvas thresholded, the history is
    // cleared, undo and redo are disabled and a repaint is requested.
    std::vector<CDibImage>& Pictures() { return pictures_; }
    // The pictures' names in the folder, in step with Pictures(); a loader that knows none
    // may leave it short.
    std::vector<std::string>& PictureNames() { return pictureNames_; }
    CDibImage& SourcePicture() { return sourcePicture_; }
    void FinishFolderLoad();
    BoardHost& Host() { return host_; }

    // The cursor state shared by every board of the module: the overCanvas value the cursor
    // was last set for, −1 before the first pointer move. ResetLastCursorState puts it back
    // to −1, as a fresh load of the module has it.
    static int LastCursorState();
    static void ResetLastCursorState();

    const std::vector<CDibImage>& Pictures() const { return pictures_; }
    const CDibImage& SourcePicture() const { return sourcePicture_; }
    const CDibImage& Canvas() const { return canvas_; }
    const CDibImage& BlankCanvas() const { return blankCanvas_; }
    const CDibImage& BlankThumbnail() const { return blankThumbnail_; }
    const FillHistory& History() const { return history_; }
    const std::string& ImageUrl() const { return imageUrl_; }
    std::int32_t PictureIndex() const { return pictureIndex_; }
    // Which picture of the list is on the canvas (−1: none), its name ("" when unknown),
    // and a count that changes every time the canvas is given a picture.
    std::int32_t CanvasIndex() const { return canvasIndex_; }
    std::string CanvasPictureName() const;
    std::uint32_t CanvasSerial() const { return canvasSerial_; }
    ColourRef SelectedColour() const { return selectedColour_; }
    bool OverCanvas() const { return overCanvas_; }
    const Rect& BoundsRect() const { return boundsRect_; }
    const Rect& CanvasRect() const { return canvasRect_; }
    const std::array<BitmapButton, 6>& Buttons() const { return buttons_; }
    BitmapButton* FindButton(int id);
    const DeviceBitmap* Skin() const { return skin_.get(); }

private:
    void EnableButton(int id, bool enabled);
    void RefreshUndoRedo();
    void PutOnCanvas(const CDibImage& picture);
    void CanvasGiven(std::int32_t index);
    // The page from the picture with the fills since the last cleared page replayed.
    void RebuildCanvas();
    void ReplayFill(const FillEntry& entry, ColourRef colour);

    BoardHost& host_;
    ResourceSource& resources_;
    WebFolderLoader webLoader_;
    FolderLoader* folderLoader_ = &webLoader_;

    std::vector<CDibImage> pictures_;
    std::vector<std::string> pictureNames_;
    std::int32_t canvasIndex_ = -1;
    std::uint32_t canvasSerial_ = 0;
    std::int32_t pictureIndex_ = 0;
    Rect thumbnailRect_;
    std::string imageUrl_;
    CDibImage sourcePicture_;
    CDibImage canvas_;
    CDibImage blankCanvas_;
    CDibImage blankThumbnail_;
    CDibImage thumbnail_;              // pictures_[thumbnailIndex_] scaled and framed
    std::int32_t thumbnailIndex_ = -1; // −1: no thumbnail made for the current list
    std::unique_ptr<DeviceBitmap> skin_;
    Rect boundsRect_;
    Rect canvasRect_;
    Rect paletteRect_;
    Rect swatchRect_;
    ColourRef selectedColour_ = 0;
    bool overCanvas_ = false;
    FillHistory history_;
    std::array<BitmapButton, 6> buttons_;
};

}  // namespace kolo
