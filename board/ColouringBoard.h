// ColouringBoard: the platform-free state and rules of one colouring board, the model that
// the control class holds and feeds with window creation, pointer events, button commands
// and paint requests.
//
// The board owns every image, the picture list, the fill history and the six buttons. It
// reaches the platform only through BoardHost (repaints, buttons, cursor, events, dialogs),
// ResourceSource (bitmaps) and the drawing surfaces it is handed. It never paints directly:
// every change ends with a request to repaint the rectangle it changed, and the host calls
// Paint for it.
// Canvas points are canvas pixels from its top-left corner: (x − 31, y − 155).
//
// Detail: the canvas rectangle is always 572 × 452 board pixels, but the picture behind it may
// be held at k × that (k = 1 … kMaxDetail, set by the host with SetDetail), so that screens,
// prints and saves can be sharp. Fills run at detail, seeded from the canvas point clicked;
// the history keeps canvas points, so work replays at any detail.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "board/BitmapButton.h"
#include "board/BoardLayout.h"
#include "board/FolderLoader.h"
#include "board/FolderPictures.h"
#include "board/KeptWork.h"
#include "history/FillHistory.h"
#include "image/DibImage.h"
#include "platform/BoardHost.h"
#include "platform/DeviceBitmap.h"
#include "platform/DrawingSurface.h"
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

// Fills `page`, the picture held at `detail` times the canvas's size, with `colour` from canvas
// point (x, y), y from the top: from the middle of the point's detail × detail block, or when
// that is a line from the block's pixel nearest it that is not, and stopping at openings of
// closeGaps canvas pixels (detail × closeGaps of the page's). FloodFill's result and `changed`
// (page pixels).
int FillAtDetail(CDibImage& page, int detail, std::int32_t x, std::int32_t y, ColourRef colour,
                 int closeGaps, Rect& changed);

// The history entry of a cleared page: its colours are no packed colour.
constexpr std::uint32_t kNewPageColour = 0xFF000000u;
inline bool IsNewPageEntry(const FillEntry& entry) {
    return entry.oldColour == kNewPageColour && entry.newColour == kNewPageColour;
}
// True when the fills that can be undone colour the page: some follow its last clearing.
inline bool IsPageColoured(const std::vector<FillEntry>& done) {
    return !done.empty() && !IsNewPageEntry(done.back());
}

class ColouringBoard {
public:
    ColouringBoard(BoardHost& host, ResourceSource& resources);
    ColouringBoard(const ColouringBoard&) = delete;
    ColouringBoard& operator=(const ColouringBoard&) = delete;

    // Window creation: creates the buttons, loads the art, sets the layout and the colour,
    // fires OnInitImage and returns 0.
    int Initialise();

    // Stores the folder address (with a trailing "/") and starts loading it through the
    // folder loader; "" does nothing. Returns at once with an asynchronous loader: until the
    // load finishes the board shows the busy cursor and, once the page is read, the progress
    // ("3 / 50") over the thumbnail. A load still running is abandoned.
    void SetImageURL(const std::string& url);

    // A left-button release at a client point.
    void Click(std::int32_t x, std::int32_t y);
    void PointerMoved(std::int32_t x, std::int32_t y);
    void UpdateCursor();
    // A button's command, by its id; other ids do nothing.
    void Command(int id);

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

    // Each picture keeps its work (colouring, undo and redo) for the board's life: a picture
    // that comes back to the canvas comes back as it was left, and the thumbnail shows each
    // picture coloured. `store` (null: none; set it before the folder loads) is asked for a
    // picture's work the first time the board needs it and told of every change.
    void SetWorkStore(WorkStore* store) { workStore_ = store; }
    // The store found `key`'s work changed elsewhere (another window merged into it): the
    // board takes `work` as that picture's work, on the canvas too when it shows it, without
    // telling the store back.
    void TakeStoredWork(const WorkKey& key, const SavedWork& work);
    // Another keeper of the work takes over (another child's): the work seen so far is
    // forgotten, and the picture on the canvas and the thumbnail show the new store's.
    void ChangeWorkStore(WorkStore* store);

    // Puts picture `index` of the list on the canvas, with the thumbnail on it too, as
    // browsing to it and opening the thumbnail would. Returns 0 for an index not in the list.
    int ShowPicture(std::int32_t index);
    // The names the folder's page gave its pictures, in list order.
    const std::vector<std::string>& PictureNames() const { return pictureNames_; }
    // Picture `index` as coloured so far: its page with the kept fills, or the bare picture
    // when nothing is coloured; empty for an index not in the list. At `detail` (1 …
    // kMaxDetail) it is fitted again at that many times the canvas's size where its file
    // allows, for a page that shows more than the canvas.
    CDibImage ColouredPicture(std::int32_t index, int detail = 1);
    // A picture the child calls done is marked finished; the mark is kept with its work.
    bool IsFinished(std::int32_t index);
    bool CanvasFinished() const;
    void SetCanvasFinished(bool finished);

    // Brings the board up to date and copies the part of it that `invalid` asks for to
    // `target`, at the target's origin; the rest of the target is left as it is. Of `bounds`
    // (the client area) only the size counts, and `invalid` is taken from its top-left corner.
    void Paint(DrawingSurface& target, const Rect& bounds, const Rect& invalid);

    // Printing is the host's, with its own print API: Print asks the host to print, and the
    // host draws the printable picture (the picture with its colouring; without one, a white
    // area with "No Image!!!" at its top) into `rect` of its page with DrawPictureInto.
    void DrawPictureInto(DrawingSurface& surface, const Rect& rect) const;
    // The same from the picture at `detail` (1 … kMaxDetail) times the canvas's size, when
    // that is more than the board holds and the picture's file gives it: fitted again, with
    // the fills replayed, on a copy, so that the board's own detail, canvas and history stay
    // as they are. A printer finer than the screen gets its curves from the picture itself.
    void DrawPictureInto(DrawingSurface& surface, const Rect& rect, int detail) const;
    // Where the printable picture goes on a page of pageWidth × pageHeight device pixels at
    // dpiX, dpiY pixels per inch (PrintDestination).
    Rect PrintPlacement(int pageWidth, int pageHeight, int dpiX, int dpiY) const;

    // Holds the picture on the canvas at `detail` (clamped to 1 … kMaxDetail) times the
    // canvas's size from now on: fitted again from its file where that holds more, the fills
    // replayed there, and the canvas repainted. Only the picture on the canvas is held so.
    void SetDetail(int detail);
    int Detail() const { return detail_; }
    // The factor the picture on the canvas is held at now (1 without one, or when its detail
    // could not be had).
    int CanvasDetail() const { return canvasDetail_; }
    // Draws the part of the canvas rectangle inside `invalid` (board pixels) into `target`,
    // which has target.Scale() device pixels a board pixel and the board's top-left corner at
    // device point (originX, originY), from the picture at its detail, averaged where the
    // target has another number of pixels. Board pixel b starts at device pixel
    // origin + floor(b × scale). Without a picture nothing is drawn. Call after Paint, which
    // brings the canvas up to date.
    void DrawCanvas(DrawingSurface& target, const Rect& invalid, int originX = 0,
                    int originY = 0) const;

    // The loader SetImageURL starts (the host's; null: the host drives the load itself).
    void SetFolderLoader(FolderLoader* loader) {
        folderLoader_ = loader;
        if (loader != nullptr) loader->SetDetail(detail_);
    }

    // The results of a folder load, applied on the board's thread (see FolderLoader.h). Each
    // names its load; results of any load but CurrentLoad() are ignored.
    //  - BeginFolder: the page is read and lists `links` pictures; the list is emptied.
    //  - AddFolderPicture: the next picture in page order, prepared (FolderPictures.h), with
    //    the name the page gave it (kept for the host's saved work); an empty picture stands
    //    for one that failed, or was left out (`leftOut`) because the folder's memory budget
    //    was spent, and only counts towards the progress. The first picture that arrives goes
    //    on the canvas and stays there, with the thumbnail on it and its kept work; `detailed`
    //    is that picture already prepared at the board's detail (PreparedPicture), taken in
    //    place of fitting it here when it is of the detail the board holds now.
    //  - FinishFolder: the load has ended. With a reason (the page could not be read) nothing
    //    of the board changes and the message shows the reason and "Please confirm your
    //    url."; without one, when no picture arrived, the message says "No pictures found at
    //    ADDRESS" and the source picture goes back on the canvas, with its fills gone.
    std::uint32_t CurrentLoad() const { return currentLoad_; }
    bool IsLoading() const { return loading_; }
    void BeginFolder(std::uint32_t load, std::size_t links, std::size_t ignoredLinks = 0,
                     bool pageCut = false);
    void AddFolderPicture(std::uint32_t load, FolderPicture picture, const std::string& name = {},
                          bool leftOut = false, CDibImage detailed = {});
    void FinishFolder(std::uint32_t load, const std::string& reason);
    // How far the load is: pictures handed in (failed ones included) out of those listed.
    std::size_t LoadedCount() const { return loadDone_; }
    std::size_t LinkCount() const { return loadTotal_; }
    // Links of the page left out beyond the most one folder takes (FolderPictures.h).
    std::size_t IgnoredLinkCount() const { return loadIgnored_; }
    // Whether the folder's page was cut at the session's page limit: the counts are then of
    // the links read before the cut.
    bool PageWasCut() const { return loadPageCut_; }
    // Pictures of the load left out because the folder's memory budget was spent.
    std::size_t LeftOutCount() const { return loadLeftOut_; }

    // True when the canvas shows a picture: what Paint draws, what a click fills and when the
    // brush cursor shows all follow this one test.
    bool HasCanvasPicture() const { return sourcePicture_.HasPicture() && canvas_.HasPicture(); }

    // The overCanvas value (2 while loading) the cursor was last set for; −1 before the
    // first pointer move. Each board keeps its own.
    int LastCursorState() const { return lastCursorState_; }

    const std::vector<FolderPicture>& Pictures() const { return pictures_; }
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
    // Fills from clicks stop at openings of up to this many canvas pixels in the lines
    // (0, the plain fill, … kMaxCloseGaps; other values are clamped). The history keeps each
    // fill's own value, so undo, redo and restored work repeat it.
    void SetCloseGaps(int gaps);
    int CloseGaps() const { return closeGaps_; }
    // What an empty canvas and a print without a picture say, in the user's language.
    void SetNoImageText(std::string text) { noImageText_ = std::move(text); }
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
    void ClearHistory();
    int CursorState() const;
    void RefreshCursor();
    // After sourcePicture_ became picture `index` (−1: none): it goes on the canvas with its
    // kept work; `detailed` is the picture at the board's detail when a loader prepared it.
    void CanvasGiven(std::int32_t index, CDibImage detailed = {});
    // The page from the picture with the fills since the last cleared page replayed.
    void RebuildCanvas();
    // The work kept on `key`, asked of the store the first time.
    const SavedWork& WorkFor(const WorkKey& key);
    // After the history changed: the canvas picture's kept work follows it.
    void KeepWork();
    // The page of picture `index` (`picture`, set aside) with its kept colouring; empty when
    // it has none.
    CDibImage KeptPage(std::int32_t index, const CDibImage& picture);
    // Makes thumbnail_ again: the picture shrunk (again only when `moved`: another picture or
    // list) with its colouring over it.
    void RefreshThumbnail(bool moved);
    // True when a fill since the page was last started stopped at gaps in the lines.
    bool PageHasGapClosedFill() const;
    void ReplayFill(const FillEntry& entry, ColourRef colour);
    // sourcePicture_ at the board's detail: `detailed` when it is that, otherwise fitted from
    // canvasSource_.
    void TakeDetail(CDibImage detailed = {});
    // The picture on the canvas fitted at `detail` into `picture`, and returned as the canvas
    // would hold it there with the fills that can be undone; empty when that detail cannot
    // be had.
    CDibImage CanvasAtDetail(int detail, CDibImage& picture) const;
    // The key picture `index` (`picture`, at the canvas's size) keeps its work under.
    WorkKey KeyOf(std::int32_t index, const CDibImage& picture) const;
    // After a fill of the canvas that recoloured pixels inside `changed` (y from the top);
    // `before` is the canvas's generation before the fill. Returns the board pixels whose
    // colour the fill may have changed.
    Rect NoteCanvasFill(std::uint64_t before, const Rect& changed);
    // Brings composedCanvas_ up to date; returns the part of it (y from the top) that changed.
    Rect ComposeCanvas();
    // The frame's wood over composedCanvas_, inside `area` of it (y from the top).
    void OverlayFrame(const Rect& area);
    // Brings shownCanvas_ up to date where composedCanvas_ changed inside `changed`; returns
    // the part of it (canvas pixels, y from the top) made again.
    Rect ShowCanvas(const Rect& changed);

    BoardHost& host_;
    ResourceSource& resources_;
    FolderLoader* folderLoader_ = nullptr;
    std::uint32_t currentLoad_ = 0;
    bool loading_ = false;
    bool loadBegun_ = false;         // the page of the current load has been read
    std::size_t loadTotal_ = 0;      // pictures the page lists
    bool loadPageCut_ = false;
    std::size_t loadIgnored_ = 0;    // links of the page beyond the most a folder takes
    std::size_t loadDone_ = 0;       // pictures handed in so far
    std::size_t loadAdded_ = 0;      // of those, the ones that decoded
    std::size_t loadLeftOut_ = 0;    // of those, the ones the memory budget left out
    int lastCursorState_ = -1;

    std::vector<FolderPicture> pictures_;
    std::vector<std::string> pictureNames_;
    std::int32_t canvasIndex_ = -1;
    std::uint32_t canvasSerial_ = 0;
    std::int32_t pictureIndex_ = 0;
    Rect thumbnailRect_;
    std::string imageUrl_;
    CDibImage sourcePicture_;          // the picture on the canvas, at canvasDetail_
    FolderPicture canvasSource_;       // what it came from, to fit it again at another detail
    int detail_ = 1;
    int canvasDetail_ = 1;
    CDibImage canvas_;
    CDibImage blankCanvas_;
    CDibImage blankThumbnail_;
    CDibImage thumbnail_;              // pictures_[thumbnailIndex_] scaled and framed
    std::int32_t thumbnailIndex_ = -1; // −1: no thumbnail made for the current list
    std::uint64_t thumbnailCanvas_ = 0;  // the canvas's generation it showed, when it did
    Rect thumbnailAgain_;                // canvas pixels (y from the top) changed since then
    CDibImage thumbnailPicture_;         // pictures_[thumbnailIndex_] shrunk, uncoloured
    WorkStore* workStore_ = nullptr;
    std::map<WorkKey, SavedWork> work_;   // every picture's work this board has seen
    WorkKey canvasKey_;                   // the picture on the canvas
    std::unique_ptr<DeviceBitmap> skin_;
    // The canvas as shown (the picture, the canvas's colours, the frame), kept between paints:
    // made whole again when one of the three was replaced, and recomposed only where the
    // board's own fills changed it otherwise.
    CDibImage composedCanvas_;
    std::uint64_t composedFromSource_ = 0;   // generations of the three it was made from
    std::uint64_t composedFromCanvas_ = 0;
    std::uint64_t composedFromFrame_ = 0;
    Rect composeAgain_;                  // canvas pixels (y from the top) changed since then
    // composedCanvas_ averaged down to the canvas rectangle's size, when it is held at detail.
    CDibImage shownCanvas_;
    const DeviceBitmap* skinShowsCanvas_ = nullptr;   // the skin holding composedCanvas_
    bool skinShowsThumbnail_ = false;   // a thumbnail or the progress is drawn into the skin
    Rect boundsRect_;
    Rect canvasRect_;
    Rect paletteRect_;
    Rect swatchRect_;
    ColourRef selectedColour_ = 0;
    int closeGaps_ = 0;
    std::string noImageText_ = kNoImageText;
    bool overCanvas_ = false;
    FillHistory history_;
    std::array<BitmapButton, 6> buttons_;
};

}  // namespace kolo
