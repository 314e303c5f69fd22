// BoardHost: what the control class offers the platform-free board. The Windows control
// answers with its window, GDI and the framework; the Linux hosts with a software screen.
//
// The board calls these on the control's window thread only. It never paints directly:
// InvalidateControl asks for a later Paint of the whole control, without erasing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/DeviceContext.h"
#include "platform/Geometry.h"
#include "platform/InternetSession.h"

namespace kolo {

enum class BoardCursor {
    kArrow,   // the platform's standard arrow
    kBrush,   // the module's paint-brush cursor, resource 201
};

class BoardHost {
public:
    virtual ~BoardHost() = default;

    virtual void InvalidateControl() = 0;
    // A disabled button shows its disabled face and sends no command.
    virtual void EnableButton(int id, bool enabled) = 0;
    // The colour now displayed at a client point, packed 0x00BBGGRR.
    virtual ColourRef GetDisplayedColour(int x, int y) = 0;
    virtual void SetCursor(BoardCursor cursor) = 0;
    // Delivers the OnInitImage event to the container.
    virtual void FireOnInitImage() = 0;
    // A modal message with an OK button and the exclamation icon.
    virtual void ShowMessage(const std::string& text) = 0;
    // The print dialog: the chosen printer's context, or null when the user cancels.
    virtual std::unique_ptr<DeviceContext> RunPrintDialog() = 0;
    // Closes the window that hosts the control; a host with none ends the process with
    // status 0.
    virtual void CloseHost() = 0;
    // A session for one folder load; null when the host has no network.
    virtual std::unique_ptr<InternetSession> OpenInternetSession() = 0;
    // The folder this control downloads pictures into, private to it; empty when there is
    // none, and then nothing is downloaded.
    virtual std::string DownloadFolder() = 0;

    // The framework's default handling of events the board passes on.
    virtual void DefaultLeftButtonUp(int x, int y) = 0;
    virtual void DefaultMouseMove(int x, int y) = 0;
    virtual int DefaultCommand(std::uint32_t commandWord) = 0;
};

}  // namespace kolo
