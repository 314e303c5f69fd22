#include "app/Toast.h"

#include "app/Translation.h"
#include "app/WidgetStyle.h"

namespace kolo {
namespace {

constexpr guint kShownMs = 6000;   // long enough to read twice
constexpr const char* kOpenFolder = N_("Open folder");
constexpr const char* kToastCss =
    ".kolo-toast { background: rgba(30, 30, 30, 0.9); color: white; border-radius: 8px; "
    "padding: 8px 14px; margin: 16px; }";

}  // namespace

Toast::Toast() {
    revealer_ = gtk_revealer_new();
    g_object_ref_sink(revealer_);
    gtk_revealer_set_transition_type(GTK_REVEALER(revealer_), GTK_REVEALER_TRANSITION_TYPE_SLIDE_UP);
    gtk_widget_set_halign(revealer_, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(revealer_, GTK_ALIGN_END);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    StyleWidget(row, kToastCss, "kolo-toast");

    label_ = gtk_label_new("");
    open_ = gtk_button_new_with_label(Tr(kOpenFolder));
    // The board keeps the keyboard.
    gtk_widget_set_can_focus(open_, FALSE);
    g_signal_connect(open_, "clicked", G_CALLBACK(OnOpenFolder), this);
    gtk_box_pack_start(GTK_BOX(row), label_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), open_, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(revealer_), row);
    gtk_widget_show_all(revealer_);
    gtk_revealer_set_reveal_child(GTK_REVEALER(revealer_), FALSE);
}

Toast::~Toast() {
    if (timer_ != 0) g_source_remove(timer_);
    g_object_unref(revealer_);
}

void Toast::Show(const std::string& text, const std::string& folder, GtkWindow* parent) {
    text_ = text;
    folder_ = folder;
    parent_ = parent;
    gtk_label_set_text(GTK_LABEL(label_), text.c_str());
    gtk_widget_set_visible(open_, !folder.empty());
    gtk_revealer_set_reveal_child(GTK_REVEALER(revealer_), TRUE);
    if (timer_ != 0) g_source_remove(timer_);
    timer_ = g_timeout_add(kShownMs, OnTimeout, this);
}

gboolean Toast::OnTimeout(gpointer data) {
    auto* self = static_cast<Toast*>(data);
    self->timer_ = 0;
    gtk_revealer_set_reveal_child(GTK_REVEALER(self->revealer_), FALSE);
    return G_SOURCE_REMOVE;
}

void Toast::OnOpenFolder(GtkWidget*, gpointer data) {
    auto* self = static_cast<Toast*>(data);
    gchar* uri = g_filename_to_uri(self->folder_.c_str(), nullptr, nullptr);
    if (uri == nullptr) return;
    GError* error = nullptr;
    if (!gtk_show_uri_on_window(self->parent_, uri, GDK_CURRENT_TIME, &error)) {
        g_printerr("kolo: the folder could not be opened: %s\n", error != nullptr ? error->message : uri);
        if (error != nullptr) g_error_free(error);
    }
    g_free(uri);
}

}  // namespace kolo
