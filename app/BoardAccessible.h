// BoardAccessible: the board's parts as accessible objects for screen readers (ATK, which GTK
// bridges to AT-SPI). The board is one drawing area; its accessible object has a child for
// each button ("Undo", "Redo", "Print", "Exit", "Previous picture", "Next picture", with
// their enabled state and a press action), the palette (a group "Colours" of one object per
// colour, named by its colour), the swatch ("Selected colour", described by the colour's
// name), the thumbnail ("Picture N of M", activate puts it on the canvas) and the canvas
// ("Picture: N", activate fills at the keyboard's cross).
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "control/BoardFocus.h"

namespace kolo {

// A drawing area for the board whose accessible object shows the parts of `focus`'s board.
// `afterAction` runs after an action invoked through accessibility has worked the board.
GtkWidget* NewBoardArea(BoardFocus& focus, std::function<void()> afterAction);

// Tells assistive technologies what changed after an event: enabled states, names, focus.
void BoardAccessibleChanged(GtkWidget* area);

}  // namespace kolo
