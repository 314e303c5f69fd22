// The desktop's own dialogs around the board: the about dialog (its texts from
// resources/AboutText.h) and the window listing every key, both built from what the program
// already holds, so that they never tell another story than the menu and the keys.
#pragma once

#include <gtk/gtk.h>

#include "app/ClassPack.h"

namespace kolo {

// The about dialog over `parent`, modal, with `logo` (may be null; not taken); returns when
// it is closed (its Close button, Enter, Escape or the window manager).
void RunAboutDialog(GtkWindow* parent, GdkPixbuf* logo);

// The shortcuts window over `parent`: every key of the window and of the board, grouped.
// Returns at once; the window closes itself (Escape, its close button).
void ShowShortcutsWindow(GtkWindow* parent);

// The print dialog's tab for "Print all pictures…", set to `choices`: pictures per page, the
// name line, coloured or not; and the choices it is set to now.
const char* PackTabLabel();
GtkWidget* NewPackTab(const PackChoices& choices);
PackChoices PackTabChoices(GtkWidget* tab);

}  // namespace kolo
