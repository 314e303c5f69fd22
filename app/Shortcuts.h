// The window's keyboard: which key does what, and the list that the header bar's menu and
// the About box show. Each action's description is written once, here.
#pragma once

#include <string>
#include <vector>

namespace kolo {

enum class WindowAction {
    kNone,
    kUndo,
    kRedo,
    kPreviousPicture,
    kNextPicture,
    kOpenThumbnail,   // the thumbnail's picture goes on the canvas
    kPrint,
    kSave,
    kNewPage,
    kAbout,
    kFullScreen,      // toggles
    kQuit,
    kLeaveKiosk,      // the one way out of the classroom mode
    kCloseGaps,       // toggles whether fills stop at small openings in the lines
    kPrintAll,        // every picture of the folder, through the print dialog
    kFinished,        // toggles the picture's finished mark
    kGallery,         // every picture of the folder as coloured so far, or back to the board
    kShortcutsWindow, // the list of every key
    kChangeChild,     // the children's names, to colour as another child
};

struct Shortcut {
    WindowAction action;
    unsigned key;         // GDK key value
    unsigned modifiers;   // GDK modifier mask: control, shift, alt
    const char* description;
};

// Every shortcut, the first of each action being the one a menu shows beside it.
const std::vector<Shortcut>& Shortcuts();
// The same, one entry an action with all its keys, in the table's order.
std::vector<std::vector<Shortcut>> ShortcutsByAction();

// What a key press does. Ctrl+Q does nothing in the classroom mode, where Ctrl+Alt+Q leaves
// and no key opens a window of its own (About, the shortcuts, full screen's end);
// the arrow and page keys browse pictures only while no part of the board has the keyboard
// focus (there they move within the part).
WindowAction ActionForKey(unsigned key, unsigned modifiers, bool kiosk, bool boardPartFocused);

// The description of an action as the menu shows it; "" for kNone.
const char* ActionDescription(WindowAction action);

// The board's own keys, which act on the part that has the keyboard focus, and the window's
// keys outside the table: as gtk_accelerator_parse reads them (space-separated), as the help
// writes them, and what they do.
struct KeyHelp {
    const char* accelerators;
    const char* labels;
    const char* description;
};
const std::vector<KeyHelp>& BoardKeys();
const std::vector<KeyHelp>& OtherWindowKeys();

// A key as the help writes it: "Ctrl+Shift+P", "Page Up", "F11".
std::string KeyLabel(unsigned key, unsigned modifiers);
// Every key of the window and of the board, one line an action with its keys, translated;
// for the command line's help.
std::string KeysHelp();

}  // namespace kolo
