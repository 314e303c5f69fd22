#include "app/ShellDialogs.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Shortcuts.h"
#include "app/Translation.h"
#include "resources/AboutText.h"

namespace kolo {
namespace {

constexpr int kLogoSize = 96;   // pixels; the embedded icon is drawn larger, as the dialog wants
constexpr const char* kBoardGroup = N_("On the board");
constexpr const char* kWindowGroup = N_("In the window");

GtkWidget* NewShortcut(const std::string& accelerators, const char* title) {
    return GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_SHORTCUT, "accelerator",
                                   accelerators.c_str(), "title", title, "visible", TRUE,
                                   nullptr));
}

GtkWidget* NewGroup(const char* title) {
    return GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_GROUP, "title", title, "visible", TRUE, nullptr));
}

}  // namespace

void RunAboutDialog(GtkWindow* parent, GdkPixbuf* logo) {
    GtkWidget* dialog = gtk_about_dialog_new();
    GtkAboutDialog* about = GTK_ABOUT_DIALOG(dialog);
    gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_about_dialog_set_program_name(about, KOLO_ABOUT_PROGRAM);
    gtk_about_dialog_set_version(about, KOLO_ABOUT_VERSION);
    gtk_about_dialog_set_comments(about, Tr(KOLO_ABOUT_NOTICE));
    gtk_about_dialog_set_website(about, KOLO_ABOUT_WEBSITE);
    gtk_about_dialog_set_copyright(about, Tr(KOLO_ABOUT_COPYRIGHT));
    gtk_about_dialog_set_license_type(about, GTK_LICENSE_MIT_X11);
    const char* authors[] = {KOLO_ABOUT_AUTHORS, nullptr};
    gtk_about_dialog_set_authors(about, authors);
    const char* builtWith[] = {KOLO_ABOUT_BUILT_WITH, nullptr};
    gtk_about_dialog_add_credit_section(about, Tr(KOLO_ABOUT_BUILT_WITH_HEADING), builtWith);
    // Translators list themselves in their own language's file.
    const std::string translators = Tr("translator-credits");
    if (translators != "translator-credits") {
        gtk_about_dialog_set_translator_credits(about, translators.c_str());
    }
    if (logo != nullptr) {
        GdkPixbuf* large = gdk_pixbuf_scale_simple(logo, kLogoSize, kLogoSize, GDK_INTERP_NEAREST);
        gtk_about_dialog_set_logo(about, large != nullptr ? large : logo);
        if (large != nullptr) g_object_unref(large);
    }
    // The dialog names itself after the program; the control's own title is kept, as every
    // host shows it.
    gtk_window_set_title(GTK_WINDOW(dialog), Tr(KOLO_ABOUT_TITLE));
    // Enter closes it, as OK did: the Close button starts with the focus and is the default.
    GtkWidget* close = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
    if (close != nullptr) {
        gtk_widget_set_can_default(close, TRUE);
        gtk_widget_grab_default(close);
        gtk_widget_grab_focus(close);
    }
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

void ShowShortcutsWindow(GtkWindow* parent) {
    GtkWidget* window = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_WINDOW, "modal", TRUE,
                                                "transient-for", parent, nullptr));
    GtkWidget* section = GTK_WIDGET(g_object_new(GTK_TYPE_SHORTCUTS_SECTION, "section-name",
                                                 "shortcuts", "visible", TRUE, nullptr));
    // One line an action with all its keys, in the table's order.
    GtkWidget* windowKeys = NewGroup(Tr(kWindowGroup));
    for (const std::vector<Shortcut>& action : ShortcutsByAction()) {
        std::string accelerators;
        for (const Shortcut& shortcut : action) {
            gchar* name = gtk_accelerator_name(shortcut.key, static_cast<GdkModifierType>(shortcut.modifiers));
            if (!accelerators.empty()) accelerators += ' ';
            accelerators += name;
            g_free(name);
        }
        gtk_container_add(GTK_CONTAINER(windowKeys),
                          NewShortcut(accelerators, Tr(ActionDescription(action.front().action))));
    }
    for (const KeyHelp& help : OtherWindowKeys()) {
        gtk_container_add(GTK_CONTAINER(windowKeys), NewShortcut(help.accelerators, Tr(help.description)));
    }
    GtkWidget* boardKeys = NewGroup(Tr(kBoardGroup));
    for (const KeyHelp& help : BoardKeys()) {
        gtk_container_add(GTK_CONTAINER(boardKeys), NewShortcut(help.accelerators, Tr(help.description)));
    }
    gtk_container_add(GTK_CONTAINER(section), windowKeys);
    gtk_container_add(GTK_CONTAINER(section), boardKeys);
    gtk_container_add(GTK_CONTAINER(window), section);
    gtk_widget_show(window);
}

const char* PackTabLabel() { return Tr(N_("All pictures")); }

GtkWidget* NewPackTab(const PackChoices& choices) {
    GtkWidget* grid = gtk_grid_new();
    gtk_container_set_border_width(GTK_CONTAINER(grid), 12);
    gtk_grid_set_row_spacing(GTK_GRID(grid), 8);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    GtkWidget* perPage = gtk_combo_box_text_new();
    for (const int count : kPackPerPageChoices) {
        const std::string id = std::to_string(count);
        gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(perPage), id.c_str(), id.c_str());
    }
    gtk_combo_box_set_active_id(GTK_COMBO_BOX(perPage), std::to_string(choices.perPage).c_str());
    GtkWidget* label = gtk_label_new_with_mnemonic(Tr(N_("_Pictures on a page:")));
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), perPage);
    gtk_widget_set_halign(label, GTK_ALIGN_START);
    GtkWidget* nameLine = gtk_check_button_new_with_mnemonic(Tr(N_("A _name line above each picture")));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(nameLine), choices.nameLine);
    GtkWidget* coloured = gtk_radio_button_new_with_mnemonic(nullptr, Tr(N_("With their _colouring")));
    GtkWidget* plain = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(coloured),
                                                                      Tr(N_("_Uncoloured, to colour in")));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(choices.coloured ? coloured : plain), TRUE);
    gtk_grid_attach(GTK_GRID(grid), label, 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), perPage, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), nameLine, 0, 1, 2, 1);
    gtk_grid_attach(GTK_GRID(grid), coloured, 0, 2, 2, 1);
    gtk_grid_attach(GTK_GRID(grid), plain, 0, 3, 2, 1);
    g_object_set_data(G_OBJECT(grid), "per-page", perPage);
    g_object_set_data(G_OBJECT(grid), "name-line", nameLine);
    g_object_set_data(G_OBJECT(grid), "coloured", coloured);
    gtk_widget_show_all(grid);
    return grid;
}

PackChoices PackTabChoices(GtkWidget* tab) {
    PackChoices choices;
    const char* perPage = gtk_combo_box_get_active_id(GTK_COMBO_BOX(g_object_get_data(G_OBJECT(tab), "per-page")));
    if (perPage != nullptr) choices.perPage = std::atoi(perPage);
    choices.nameLine = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(g_object_get_data(G_OBJECT(tab), "name-line")));
    choices.coloured = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(g_object_get_data(G_OBJECT(tab), "coloured")));
    return choices;
}

}  // namespace kolo
