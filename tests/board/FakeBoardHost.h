// A board host for unit tests: it records every call the board makes, answers the displayed
// colour from a software screen, and counts the requests to print.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/BoardHost.h"
#include "platform/soft/ScreenContext.h"

namespace kolo {

class FakeBoardHost : public BoardHost {
public:
    explicit FakeBoardHost(const ScreenContext* screen = nullptr) : screen_(screen) {}

    void InvalidateControl(const Rect& rect) override {
        ++invalidations;
        invalidated = Union(invalidated, rect);
        calls.emplace_back("Invalidate");
    }
    void EnableButton(int id, bool enabled) override {
        buttonEnabled[id] = enabled;
        calls.push_back("EnableButton " + std::to_string(id) + (enabled ? " on" : " off"));
    }
    ColourRef GetDisplayedColour(int x, int y) override {
        return screen_ != nullptr ? screen_->GetPixel(x, y) : kInvalidColour;
    }
    void SetCursor(BoardCursor cursor) override { cursors.push_back(cursor); }
    void FireOnInitImage() override { calls.emplace_back("OnInitImage"); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void PrintPicture() override { ++printDialogs; }
    void CloseHost() override { ++closes; }

    void SetScreen(const ScreenContext* screen) { screen_ = screen; }

    int invalidations = 0;
    Rect invalidated;   // every rectangle asked for, together
    int printDialogs = 0;
    int closes = 0;
    std::vector<std::string> calls;
    std::vector<std::string> messages;
    std::vector<BoardCursor> cursors;
    std::map<int, bool> buttonEnabled;

private:
    const ScreenContext* screen_;
};

}  // namespace kolo
