#include "app/Shortcuts.h"

#include <gdk/gdk.h>

#include <algorithm>

#include "app/Translation.h"

namespace kolo {
namespace {

constexpr unsigned kControl = GDK_CONTROL_MASK;
constexpr unsigned kShift = GDK_SHIFT_MASK;
constexpr unsigned kAlt = GDK_MOD1_MASK;
// Lock keys and the like must not turn a shortcut into another key.
constexpr unsigned kConsidered = kControl | kShift | kAlt;

bool IsBrowsing(WindowAction action) {
    return action == WindowAction::kPreviousPicture || action == WindowAction::kNextPicture ||
           action == WindowAction::kOpenThumbnail;
}

}  // namespace

const std::vector<Shortcut>& Shortcuts() {
    static const std::vector<Shortcut> list = {
        {WindowAction::kUndo, GDK_KEY_z, kControl, N_("Undo")},
        {WindowAction::kRedo, GDK_KEY_y, kControl, N_("Redo")},
        {WindowAction::kRedo, GDK_KEY_z, kControl | kShift, N_("Redo")},
        {WindowAction::kPreviousPicture, GDK_KEY_Left, 0, N_("Previous picture")},
        {WindowAction::kPreviousPicture, GDK_KEY_Page_Up, 0, N_("Previous picture")},
        {WindowAction::kNextPicture, GDK_KEY_Right, 0, N_("Next picture")},
        {WindowAction::kNextPicture, GDK_KEY_Page_Down, 0, N_("Next picture")},
        {WindowAction::kOpenThumbnail, GDK_KEY_Return, 0, N_("Colour the picture shown")},
        {WindowAction::kNewPage, GDK_KEY_n, kControl, N_("New page")},
        {WindowAction::kSave, GDK_KEY_s, kControl, N_("Save as PNG…")},
        {WindowAction::kPrint, GDK_KEY_p, kControl, N_("Print…")},
        {WindowAction::kPrintAll, GDK_KEY_p, kControl | kShift, N_("Print all pictures…")},
        {WindowAction::kFinished, GDK_KEY_f, 0, N_("Finished")},
        {WindowAction::kGallery, GDK_KEY_g, kControl, N_("Gallery")},
        {WindowAction::kFullScreen, GDK_KEY_F11, 0, N_("Full screen")},
        {WindowAction::kShortcutsWindow, GDK_KEY_question, kControl, N_("Keyboard shortcuts")},
        {WindowAction::kAbout, GDK_KEY_F1, 0, N_("About Kolo")},
        {WindowAction::kQuit, GDK_KEY_q, kControl, N_("Quit")},
    };
    return list;
}

std::vector<std::vector<Shortcut>> ShortcutsByAction() {
    std::vector<std::vector<Shortcut>> actions;
    for (const Shortcut& shortcut : Shortcuts()) {
        const auto same = std::find_if(actions.begin(), actions.end(), [&shortcut](const std::vector<Shortcut>& keys) {
            return keys.front().action == shortcut.action;
        });
        if (same != actions.end()) {
            same->push_back(shortcut);
        } else {
            actions.push_back({shortcut});
        }
    }
    return actions;
}

const char* ActionDescription(WindowAction action) {
    for (const Shortcut& shortcut : Shortcuts()) {
        if (shortcut.action == action) return shortcut.description;
    }
    if (action == WindowAction::kCloseGaps) return N_("Close small gaps");
    if (action == WindowAction::kChangeChild) return N_("Change child");
    return action == WindowAction::kLeaveKiosk ? N_("Leave the classroom mode") : "";
}

WindowAction ActionForKey(unsigned key, unsigned modifiers, bool kiosk, bool boardPartFocused) {
    modifiers &= kConsidered;
    // With Shift held a letter arrives in upper case; the table names the lower-case key.
    if (key >= GDK_KEY_A && key <= GDK_KEY_Z) key = key - GDK_KEY_A + GDK_KEY_a;
    if (key == GDK_KEY_KP_Enter) key = GDK_KEY_Return;
    if (key == GDK_KEY_KP_Left) key = GDK_KEY_Left;
    if (key == GDK_KEY_KP_Right) key = GDK_KEY_Right;
    if (key == GDK_KEY_KP_Page_Up) key = GDK_KEY_Page_Up;
    if (key == GDK_KEY_KP_Page_Down) key = GDK_KEY_Page_Down;
    // "?" takes Shift on most keyboards, and Ctrl+/ is the same key on them.
    if (key == GDK_KEY_question || key == GDK_KEY_slash) {
        key = GDK_KEY_question;
        modifiers &= ~kShift;
    }

    if (key == GDK_KEY_q && modifiers == (kControl | kAlt)) return WindowAction::kLeaveKiosk;
    for (const Shortcut& shortcut : Shortcuts()) {
        if (shortcut.key != key || shortcut.modifiers != modifiers) continue;
        if (kiosk && (shortcut.action == WindowAction::kQuit ||
                      shortcut.action == WindowAction::kFullScreen ||
                      shortcut.action == WindowAction::kPrintAll ||
                      shortcut.action == WindowAction::kAbout ||
                      shortcut.action == WindowAction::kShortcutsWindow)) {
            return WindowAction::kNone;
        }
        if (boardPartFocused && IsBrowsing(shortcut.action)) return WindowAction::kNone;
        return shortcut.action;
    }
    return WindowAction::kNone;
}

const std::vector<KeyHelp>& BoardKeys() {
    static const std::vector<KeyHelp> keys = {
        {"Tab <Shift>Tab", "Tab, Shift+Tab", N_("Move the keyboard focus among the board's parts")},
        {"Left Right Up Down", "Left, Right, Up, Down", N_("Move within the focused part")},
        {"space Return", "Space, Enter", N_("Press the focused button, pick the colour or fill")},
    };
    return keys;
}

const std::vector<KeyHelp>& OtherWindowKeys() {
    static const std::vector<KeyHelp> keys = {
        {"<Control><Alt>q", "Ctrl+Alt+Q", N_("Leave the classroom mode")},
        {"Escape", "Escape", N_("Back to the board from the gallery or the names")},
    };
    return keys;
}

std::string KeyLabel(unsigned key, unsigned modifiers) {
    // "?" is typed with Shift on most keyboards; its label goes without it.
    if (key == GDK_KEY_question) modifiers &= ~kShift;
    std::string label;
    if ((modifiers & kControl) != 0) label += "Ctrl+";
    if ((modifiers & kAlt) != 0) label += "Alt+";
    if ((modifiers & kShift) != 0) label += "Shift+";
    switch (key) {
        case GDK_KEY_Page_Up: return label + "Page Up";
        case GDK_KEY_Page_Down: return label + "Page Down";
        case GDK_KEY_Return: return label + "Enter";
        case GDK_KEY_question: return label + "?";
        default: break;
    }
    const char* name = gdk_keyval_name(gdk_keyval_to_upper(key));
    return label + (name != nullptr ? name : "?");
}

std::string KeysHelp() {
    constexpr std::size_t kKeyColumn = 24;   // characters before the descriptions
    std::string help = std::string("\n") + Tr(N_("In the window")) + ":\n";
    const auto line = [&help](const std::string& keys, const char* description) {
        help += "  " + keys + std::string(keys.size() + 2 < kKeyColumn ? kKeyColumn - keys.size() - 2 : 1, ' ') +
                Tr(description) + "\n";
    };
    for (const std::vector<Shortcut>& action : ShortcutsByAction()) {
        std::string keys;
        for (const Shortcut& shortcut : action) {
            keys += (keys.empty() ? "" : ", ") + KeyLabel(shortcut.key, shortcut.modifiers);
        }
        line(keys, action.front().description);
    }
    for (const KeyHelp& key : OtherWindowKeys()) line(key.labels, key.description);
    help += Tr(N_("On the board")) + std::string(":\n");
    for (const KeyHelp& key : BoardKeys()) line(key.labels, key.description);
    return help;
}

}  // namespace kolo
