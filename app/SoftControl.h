// SoftControl: the control class on the software platform. It owns the board, a software
// screen of the board's size and the six buttons' presses, answers the board's host
// services, and routes pointer events as the windowed control does: a press and release on
// an enabled button sends its command, any other release reaches the board's Click.
// Whatever drives it (the headless driver, a window) calls Pump after each event so that a
// requested repaint happens, and reads the screen as shown, buttons included.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "board/ColouringBoard.h"
#include "platform/BoardHost.h"
#include "platform/soft/BmpResources.h"
#include "platform/soft/ScreenContext.h"

namespace kolo {

class SoftControl : public BoardHost {
public:
    SoftControl();

    // What the container and the platform's dialogs do; each may be left empty.
    std::function<void()> onInitImage;                                 // the container's answer
    std::function<std::unique_ptr<DeviceContext>()> printDialog;       // null: cancelled
    std::function<void(const std::string&)> showMessage;
    // In a classroom the board's Exit must not end the program.
    bool ignoreClose = false;

    // Window creation: the board's Initialise and a first paint.
    int Create();
    void LeftButtonDown(int x, int y);
    void LeftButtonUp(int x, int y);
    void Click(int x, int y) {
        LeftButtonDown(x, y);
        LeftButtonUp(x, y);
    }
    void MouseMove(int x, int y);
    // Repaints when a repaint was requested: the board, then the buttons over it.
    void Pump();

    ColouringBoard& Board() { return board_; }
    const ScreenContext& Screen() const { return screen_; }
    BoardCursor Cursor() const { return cursor_; }
    bool Closed() const { return closed_; }

    // BoardHost
    void InvalidateControl() override { invalid_ = true; }
    void EnableButton(int id, bool enabled) override;
    ColourRef GetDisplayedColour(int x, int y) override { return screen_.GetPixel(x, y); }
    void SetCursor(BoardCursor cursor) override { cursor_ = cursor; }
    void FireOnInitImage() override;
    void ShowMessage(const std::string& text) override;
    std::unique_ptr<DeviceContext> RunPrintDialog() override;
    void CloseHost() override { closed_ = closed_ || !ignoreClose; }
    std::unique_ptr<InternetSession> OpenInternetSession() override;
    std::string DownloadFolder() override;
    void DefaultLeftButtonUp(int, int) override {}
    void DefaultMouseMove(int, int) override {}
    int DefaultCommand(std::uint32_t) override { return 0; }

private:
    BitmapButton* ButtonAt(int x, int y);

    ScreenContext screen_;
    BmpResources resources_;
    ColouringBoard board_;
    int pressedButton_ = 0;     // id of the button held down, 0 = none
    bool invalid_ = true;
    bool closed_ = false;
    bool initImagePending_ = false;
    BoardCursor cursor_ = BoardCursor::kArrow;
};

}  // namespace kolo
