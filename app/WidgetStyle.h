// Giving one of the program's own widgets a look of its own: a style class and the CSS rules
// for it, kept beside the widget that uses them.
#pragma once

#include <gtk/gtk.h>

namespace kolo {

inline void StyleWidget(GtkWidget* widget, const char* css, const char* styleClass) {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css, -1, nullptr);
    GtkStyleContext* style = gtk_widget_get_style_context(widget);
    gtk_style_context_add_provider(style, GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    gtk_style_context_add_class(style, styleClass);
    g_object_unref(provider);
}

}  // namespace kolo
