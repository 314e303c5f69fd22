// BoardHost: what the control class offers the platform-free board. The Windows control
// answers with its window, GDI and the framework; the Linux hosts with a software screen.
//
// The board calls these on the control's window thread only. It never paints directly:
// InvalidateControl asks for a later Paint of a rectangle of the control (client pixels),
// without erasing; requests before that Paint add up. Folders
// reach the board through the FolderLoader the host gives it, not through this interface.
#pragma once

#include <string>

#include "platform/Geometry.h"

namespace kolo {

enum class BoardCursor {
    kArrow,   // the platform's standard arrow
    kBrush,   // the module's paint-brush cursor, resource 201
    kBusy,    // the platform's busy cursor, over the whole board while a folder loads
};

class BoardHost {
public:
    virtual ~BoardHost() = default;

    virtual void InvalidateControl(const Rect& rect) = 0;
    // A disabled button shows its disabled face and sends no command.
    virtual void EnableButton(int id, bool enabled) = 0;
    // The colour now displayed at a client point, packed 0x00BBGGRR.
    virtual ColourRef GetDisplayedColour(int x, int y) = 0;
    virtual void SetCursor(BoardCursor cursor) = 0;
    // Delivers the OnInitImage event to the container.
    virtual void FireOnInitImage() = 0;
    // A modal message with an OK button and the exclamation icon.
    virtual void ShowMessage(const std::string& text) = 0;
    // The Print button: the host runs its print dialog and, unless it is cancelled, prints
    // the board's printable picture with its own print API (ColouringBoard::DrawPictureInto
    // where PrintPlacement puts it on the page).
    virtual void PrintPicture() = 0;
    // Closes the window that hosts the control; a host with none ends the process with
    // status 0.
    virtual void CloseHost() = 0;
};

}  // namespace kolo
