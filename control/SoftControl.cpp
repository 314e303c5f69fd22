#include "control/SoftControl.h"

#include <iostream>

namespace kolo {

SoftControl::SoftControl(SessionFactory openSession, HostPoster postToHost,
                         const EmbeddedFile* art, std::size_t artCount)
    : screen_(kBoardWidth, kBoardHeight),
      resources_(art, artCount),
      board_(*this, resources_),
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
      sequentialLoader_(openSession),
#endif
      loader_(std::move(openSession),
              postToHost ? std::move(postToHost)
                         : HostPoster([this](std::function<void()> task) { Enqueue(std::move(task)); })) {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    board_.SetFolderLoader(&sequentialLoader_);
#else
    board_.SetFolderLoader(&loader_);
#endif
}

void SoftControl::Enqueue(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.push_back(std::move(task));
    }
    queued_.notify_all();
}

int SoftControl::RunPosted() {
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        tasks.swap(queue_);
    }
    for (std::function<void()>& task : tasks) task();
    Pump();
    return static_cast<int>(tasks.size());
}

void SoftControl::WaitForFolder() {
    while (board_.IsLoading()) {
        {
            std::unique_lock<std::mutex> lock(queueMutex_);
            queued_.wait(lock, [this] { return !queue_.empty(); });
        }
        RunPosted();
    }
}

void SoftControl::SetLanguage(TranslateText translate) {
    resources_.SetLanguage(translate);
    board_.SetNoImageText(resources_.Word(BoardWord::kNoImage));
}

void SoftControl::SetMirrored(bool mirrored) {
    mirror_ = BoardMirror(mirrored);
    shown_ = mirrored ? std::make_unique<ScreenContext>(kBoardWidth, kBoardHeight) : nullptr;
    invalid_.Add(kBoardRect);
}

int SoftControl::Create() {
    const int result = board_.Initialise();
    Pump();
    // The event reaches the container once the window exists, as a posted event would.
    if (initImagePending_) {
        initImagePending_ = false;
        if (onInitImage) onInitImage();
        Pump();
    }
    return result;
}

void SoftControl::FireOnInitImage() { initImagePending_ = true; }

void SoftControl::EnableButton(int id, bool enabled) {
    // The board's button models carry the state; Pump draws a face that changed.
    (void)id, (void)enabled;
}

void SoftControl::ShowMessage(const std::string& text) {
    if (showMessage) {
        showMessage(text);
    } else {
        std::cerr << text << '\n';
    }
}

void SoftControl::PrintPicture() {
    if (print) print();
}

BitmapButton* SoftControl::ButtonAt(int x, int y) {
    for (const BitmapButton& button : board_.Buttons()) {
        if (button.GetRect().Contains(x, y)) return board_.FindButton(button.Id());
    }
    return nullptr;
}

void SoftControl::LeftButtonDown(int x, int y) {
    mirror_.ToBoard(x, y);
    BitmapButton* button = ButtonAt(x, y);
    // A disabled button takes no input; the press goes to nothing.
    if (button == nullptr || !button->IsEnabled()) return;
    button->SetPressed(true);
    pressedButton_ = button->Id();
    Pump();
}

void SoftControl::LeftButtonUp(int x, int y) {
    mirror_.ToBoard(x, y);
    if (pressedButton_ != 0) {
        BitmapButton* button = board_.FindButton(pressedButton_);
        pressedButton_ = 0;
        button->SetPressed(false);
        Pump();
        if (button->GetRect().Contains(x, y) && button->IsEnabled()) {
            board_.Command(button->Id());
        }
        Pump();
        return;
    }
    if (ButtonAt(x, y) != nullptr) return;   // released over a button it was not pressed on
    board_.Click(x, y);
    Pump();
}

void SoftControl::MouseMove(int x, int y) {
    mirror_.ToBoard(x, y);
    if (ButtonAt(x, y) != nullptr) {
        cursor_ = BoardCursor::kArrow;   // a button window shows its own arrow
        return;
    }
    // The platform asks for the cursor before it reports the move.
    board_.UpdateCursor();
    board_.PointerMoved(x, y);
    Pump();
}

void SoftControl::Pump() {
    const RectList invalid = invalid_.Within(kBoardRect);
    invalid_ = RectList{};
    RectList painted;
    for (const Rect& rect : invalid) {
        board_.Paint(screen_, kBoardRect, rect);
        painted.Add(rect);
    }
    // A button covered by the repaint, or whose state shows another face, is drawn again.
    for (std::size_t i = 0; i < board_.Buttons().size(); ++i) {
        const BitmapButton& button = board_.Buttons()[i];
        const Rect& rect = button.GetRect();
        if (button.CurrentFace() == drawnFaces_[i] && invalid.Within(rect).IsEmpty()) continue;
        button.Draw(screen_);
        drawnFaces_[i] = button.CurrentFace();
        painted.Add(rect);
    }
    if (!shown_) {
        changed_.Add(painted);
        return;
    }
    for (const Rect& rect : painted) {
        for (const Rect& area : mirror_.ShownAreas(rect)) {
            mirror_.Compose(screen_, *shown_, area);
            changed_.Add(area);
        }
    }
}

}  // namespace kolo
