#include "app/ChildPicker.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/ClassroomFiles.h"
#include "app/Translation.h"
#include "app/WidgetStyle.h"

namespace kolo {
namespace {

constexpr const char* kNameKey = "kolo-child";   // the name a tile stands for
constexpr const char* kQuestion = N_("Who is colouring?");
constexpr const char* kNewChild = N_("New child");
constexpr const char* kNamePlaceholder = N_("Name");
constexpr const char* kPickerCss =
    ".kolo-child-tile { font-size: 32px; font-weight: bold; padding: 24px 40px; min-width: 180px; }"
    ".kolo-question { font-size: 36px; }";

}  // namespace

std::vector<std::string> KnownChildren(const std::string& base) {
    std::vector<std::string> names;
    std::error_code error;
    if (base.empty()) return names;
    for (std::filesystem::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (it->is_directory(error) && IsChildNameSafe(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

ChildPicker::ChildPicker(std::function<void(const std::string&)> chosen) : chosen_(std::move(chosen)) {
    page_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 32);
    g_object_ref_sink(page_);
    gtk_widget_set_valign(page_, GTK_ALIGN_CENTER);
    GtkWidget* question = gtk_label_new(Tr(kQuestion));
    StyleWidget(question, kPickerCss, "kolo-question");
    gtk_box_pack_start(GTK_BOX(page_), question, FALSE, FALSE, 0);

    tiles_ = gtk_flow_box_new();
    gtk_flow_box_set_selection_mode(GTK_FLOW_BOX(tiles_), GTK_SELECTION_NONE);
    gtk_flow_box_set_homogeneous(GTK_FLOW_BOX(tiles_), TRUE);
    gtk_flow_box_set_column_spacing(GTK_FLOW_BOX(tiles_), 24);
    gtk_flow_box_set_row_spacing(GTK_FLOW_BOX(tiles_), 24);
    gtk_flow_box_set_max_children_per_line(GTK_FLOW_BOX(tiles_), 6);
    gtk_widget_set_halign(tiles_, GTK_ALIGN_CENTER);
    gtk_box_pack_start(GTK_BOX(page_), tiles_, FALSE, FALSE, 0);

    newRow_ = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_widget_set_halign(newRow_, GTK_ALIGN_CENTER);
    entry_ = gtk_entry_new();
    gtk_entry_set_placeholder_text(GTK_ENTRY(entry_), Tr(kNamePlaceholder));
    gtk_entry_set_max_length(GTK_ENTRY(entry_), static_cast<gint>(kMaxChildNameBytes / 4));
    GtkWidget* add = gtk_button_new_with_label(Tr(kNewChild));
    g_signal_connect(entry_, "activate", G_CALLBACK(OnNewChild), this);
    g_signal_connect(add, "clicked", G_CALLBACK(OnNewChild), this);
    gtk_box_pack_start(GTK_BOX(newRow_), entry_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(newRow_), add, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(page_), newRow_, FALSE, FALSE, 0);
    gtk_widget_show_all(page_);
}

ChildPicker::~ChildPicker() { g_object_unref(page_); }

void ChildPicker::SetNames(const std::vector<std::string>& names, bool allowNew) {
    GList* old = gtk_container_get_children(GTK_CONTAINER(tiles_));
    for (GList* item = old; item != nullptr; item = item->next) gtk_widget_destroy(GTK_WIDGET(item->data));
    g_list_free(old);
    for (const std::string& name : names) {
        GtkWidget* tile = gtk_button_new_with_label(name.c_str());
        StyleWidget(tile, kPickerCss, "kolo-child-tile");
        g_object_set_data_full(G_OBJECT(tile), kNameKey, g_strdup(name.c_str()), g_free);
        g_signal_connect(tile, "clicked", G_CALLBACK(OnTile), this);
        gtk_flow_box_insert(GTK_FLOW_BOX(tiles_), tile, -1);
    }
    gtk_widget_show_all(tiles_);
    gtk_widget_set_visible(newRow_, allowNew);
}

void ChildPicker::OnTile(GtkWidget* button, gpointer data) {
    auto* self = static_cast<ChildPicker*>(data);
    const char* name = static_cast<const char*>(g_object_get_data(G_OBJECT(button), kNameKey));
    if (name != nullptr && self->chosen_) self->chosen_(name);
}

void ChildPicker::OnNewChild(GtkWidget*, gpointer data) {
    auto* self = static_cast<ChildPicker*>(data);
    const std::string name = gtk_entry_get_text(GTK_ENTRY(self->entry_));
    GtkStyleContext* style = gtk_widget_get_style_context(self->entry_);
    // A name that cannot name a folder stays in the entry, marked, for the grown-up to mend.
    if (!IsChildNameSafe(name)) {
        gtk_style_context_add_class(style, GTK_STYLE_CLASS_ERROR);
        return;
    }
    gtk_style_context_remove_class(style, GTK_STYLE_CLASS_ERROR);
    gtk_entry_set_text(GTK_ENTRY(self->entry_), "");
    if (self->chosen_) self->chosen_(name);
}

}  // namespace kolo
