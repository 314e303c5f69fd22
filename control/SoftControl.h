// SoftControl: the control class on the software platform. It owns the board, a software
// screen of the board's size and the six buttons' presses, answers the board's host
// services, and routes pointer events as the windowed control does: a press and release on
// an enabled button sends its command, any other release reaches the board's Click.
// Whatever drives it (the headless driver, a window) calls Pump after each event so that a
// requested repaint happens, and reads the screen as shown, buttons included; TakeChanged
// says which parts of it changed, so that a host copies only those.
//
// Folders load on the control's own ThreadedFolderLoader, over the sessions its host's
// factory opens (none: no network). Results come back through the host's poster, which runs
// each task later on the host's thread and then calls Pump; without one, they wait in the
// control's own queue for RunPosted or WaitForFolder.
//
// For a language read right to left the board can be shown mirrored (BoardMirror): the
// screen, the changed rectangles and the pointer's points are then the shown ones, while
// the board keeps its own layout behind them.
#pragma once

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "board/ColouringBoard.h"
#include "board/ThreadedFolderLoader.h"
#include "control/BoardMirror.h"
#include "control/BoardWords.h"
#include "platform/BoardHost.h"
#include "platform/RectList.h"
#include "platform/soft/BmpResources.h"
#include "platform/soft/ScreenContext.h"
#include "resources/EmbeddedResources.h"

namespace kolo {

class SoftControl : public BoardHost {
public:
    // The board's art comes from the program's own embedded bitmaps unless the host gives
    // other files.
    explicit SoftControl(SessionFactory openSession = {}, HostPoster postToHost = {},
                         const EmbeddedFile* art = kEmbeddedResources,
                         std::size_t artCount = kEmbeddedResourceCount);

    // What the container and the platform's dialogs do; each may be left empty.
    std::function<void()> onInitImage;   // the container's answer
    std::function<void()> print;         // the print dialog and the printing; empty: cancelled
    std::function<void(const std::string&)> showMessage;
    // In a classroom the board's Exit must not end the program.
    bool ignoreClose = false;

    // The board's words in the language `translate` gives (null: English, as drawn in the
    // art). Call before Create.
    void SetLanguage(TranslateText translate);
    // Shows the board mirrored, for a language read right to left. Call before Create.
    void SetMirrored(bool mirrored);
    const BoardMirror& Mirror() const { return mirror_; }
    // Window creation: the board's Initialise and a first paint.
    int Create();
    void LeftButtonDown(int x, int y);
    void LeftButtonUp(int x, int y);
    void Click(int x, int y) {
        LeftButtonDown(x, y);
        LeftButtonUp(x, y);
    }
    void MouseMove(int x, int y);
    // Repaints what the board asked to repaint: the board there, then the buttons over it
    // and any button whose face changed.
    void Pump();
    // The screen pixels repainted since the last call (the whole screen the first time).
    RectList TakeChanged() {
        const RectList changed = changed_;
        changed_ = RectList{};
        return changed;
    }
    // Without a host poster: runs the tasks the loader has queued, then Pump. Returns how
    // many ran.
    int RunPosted();
    // Without a host poster: runs queued tasks as they come until no folder is loading.
    void WaitForFolder();

    ColouringBoard& Board() { return board_; }
    // The screen as shown: the board's, or its mirrored placement.
    const ScreenContext& Screen() const { return shown_ ? *shown_ : screen_; }
    BoardCursor Cursor() const { return cursor_; }
    bool Closed() const { return closed_; }

    // BoardHost
    void InvalidateControl(const Rect& rect) override { invalid_.Add(rect); }
    void EnableButton(int id, bool enabled) override;
    ColourRef GetDisplayedColour(int x, int y) override { return screen_.GetPixel(x, y); }
    void SetCursor(BoardCursor cursor) override { cursor_ = cursor; }
    void FireOnInitImage() override;
    void ShowMessage(const std::string& text) override;
    void PrintPicture() override;
    void CloseHost() override { closed_ = closed_ || !ignoreClose; }

private:
    BitmapButton* ButtonAt(int x, int y);
    void Enqueue(std::function<void()> task);

    ScreenContext screen_;   // the board's own pixels
    BoardMirror mirror_;
    std::unique_ptr<ScreenContext> shown_;   // the mirrored screen, when mirrored
    WordedResources resources_;
    ColouringBoard board_;
    int pressedButton_ = 0;     // id of the button held down, 0 = none
    RectList invalid_{kBoardRect};  // screen pixels the board has to paint again
    RectList changed_;              // screen pixels painted since TakeChanged
    // The face each button showed when it was last drawn, in the order of the board's.
    std::array<const DeviceBitmap*, 6> drawnFaces_{};
    bool closed_ = false;
    bool initImagePending_ = false;
    BoardCursor cursor_ = BoardCursor::kArrow;
    std::mutex queueMutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> queue_;
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    // A page without threads reads its folder on the spot.
    SequentialFolderLoader sequentialLoader_;
#endif
    // Last, so that its threads have ended before anything they post into goes.
    ThreadedFolderLoader loader_;
};

}  // namespace kolo
