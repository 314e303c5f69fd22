// Toast: a short notice shown over the bottom of the window for a few seconds, with a
// button to open a folder when there is one to open ("Saved to Pictures/house-coloured.png
// [Open folder]"). It lives inside the window, so it never takes the focus or opens a window
// of its own; only its button reaches outside, and a classroom toast has none.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace kolo {

class Toast {
public:
    Toast();
    ~Toast();
    Toast(const Toast&) = delete;
    Toast& operator=(const Toast&) = delete;

    // The widget to lay over the window's content.
    GtkWidget* Widget() const { return revealer_; }
    // Shows `text`; with `folder` not empty, also "Open folder", which opens it in the
    // desktop's file manager over `parent`.
    void Show(const std::string& text, const std::string& folder, GtkWindow* parent);
    const std::string& Text() const { return text_; }

private:
    static void OnOpenFolder(GtkWidget* button, gpointer self);
    static gboolean OnTimeout(gpointer self);

    GtkWidget* revealer_ = nullptr;
    GtkWidget* label_ = nullptr;
    GtkWidget* open_ = nullptr;
    std::string text_;
    std::string folder_;
    GtkWindow* parent_ = nullptr;
    guint timer_ = 0;
};

}  // namespace kolo
