// ChildPicker: the start screen of a family or a class, one big tile a child; a click on a
// name colours as that child. Outside the classroom a name can be typed for a new child; it
// is taken only when it may name the child's folder (ClassroomFiles.h).
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace kolo {

class ChildPicker {
public:
    explicit ChildPicker(std::function<void(const std::string&)> chosen);
    ~ChildPicker();
    ChildPicker(const ChildPicker&) = delete;
    ChildPicker& operator=(const ChildPicker&) = delete;

    GtkWidget* Widget() const { return page_; }
    // The tiles, in order; `allowNew` shows the row for a new child's name.
    void SetNames(const std::vector<std::string>& names, bool allowNew);

private:
    static void OnTile(GtkWidget* button, gpointer self);
    static void OnNewChild(GtkWidget* widget, gpointer self);

    std::function<void(const std::string&)> chosen_;
    GtkWidget* page_ = nullptr;
    GtkWidget* tiles_ = nullptr;
    GtkWidget* newRow_ = nullptr;
    GtkWidget* entry_ = nullptr;
};

// The names of the children whose work is kept in `base` (its sub-folders with safe names),
// sorted.
std::vector<std::string> KnownChildren(const std::string& base);

}  // namespace kolo
