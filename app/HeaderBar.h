// HeaderBar: the window's title bar with the program's own buttons: New page, Save, Print,
// the gallery, the finished star, the child colouring (when there is one), and a menu that lists every action with its keyboard shortcut. Every user-visible
// word of the bar comes from the shortcut table or from the labels at the top of the source.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "app/Shortcuts.h"

namespace kolo {

class HeaderBar {
public:
    // Builds the bar; `perform` runs an action chosen from it.
    explicit HeaderBar(std::function<void(WindowAction)> perform);
    HeaderBar(const HeaderBar&) = delete;
    HeaderBar& operator=(const HeaderBar&) = delete;

    GtkWidget* Widget() const { return bar_; }
    // Save and Print need a picture on the canvas.
    void SetHavePicture(bool havePicture);
    // The picture's name under the title; "" shows none.
    void SetPictureName(const std::string& name);
    // Ticks "Close small gaps" in the menu.
    void SetCloseGaps(bool on);
    // Lights the star: the picture on the canvas is finished.
    void SetFinished(bool finished);
    // The child colouring, on the button that changes child; "" hides it.
    void SetChild(const std::string& child);

private:
    static void OnClicked(GtkWidget* widget, gpointer self);
    GtkWidget* AddButton(WindowAction action, const char* iconName, bool atStart);
    GtkWidget* BuildMenu();

    std::function<void(WindowAction)> perform_;
    GtkWidget* bar_ = nullptr;
    GtkWidget* save_ = nullptr;
    GtkWidget* print_ = nullptr;
    GtkWidget* saveItem_ = nullptr;
    GtkWidget* printItem_ = nullptr;
    GtkWidget* closeGapsItem_ = nullptr;
    GtkWidget* star_ = nullptr;
    GtkWidget* finishedItem_ = nullptr;
    GtkWidget* child_ = nullptr;
};

}  // namespace kolo
