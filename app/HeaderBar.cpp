#include "app/HeaderBar.h"

#include "app/Translation.h"

namespace kolo {
namespace {

constexpr const char* kTitle = "Kolo";
constexpr const char* kMenuTooltip = N_("Menu");
constexpr const char* kActionKey = "kolo-action";   // the action a widget runs

// The menu, top to bottom; kNone draws a separator.
constexpr WindowAction kMenuActions[] = {
    WindowAction::kNewPage,         WindowAction::kSave,        WindowAction::kPrint,
    WindowAction::kPrintAll,
    WindowAction::kNone,            WindowAction::kUndo,        WindowAction::kRedo,
    WindowAction::kCloseGaps,       WindowAction::kFinished,
    WindowAction::kNone,            WindowAction::kPreviousPicture,
    WindowAction::kNextPicture,     WindowAction::kOpenThumbnail,
    WindowAction::kGallery,         WindowAction::kChangeChild,
    WindowAction::kNone,            WindowAction::kFullScreen,  WindowAction::kShortcutsWindow,
    WindowAction::kAbout,           WindowAction::kQuit,
};

void SetAction(GtkWidget* widget, WindowAction action) {
    g_object_set_data(G_OBJECT(widget), kActionKey,
                      GINT_TO_POINTER(static_cast<int>(action)));
}

}  // namespace

HeaderBar::HeaderBar(std::function<void(WindowAction)> perform) : perform_(std::move(perform)) {
    bar_ = gtk_header_bar_new();
    gtk_header_bar_set_title(GTK_HEADER_BAR(bar_), kTitle);
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(bar_), TRUE);
    gtk_header_bar_set_has_subtitle(GTK_HEADER_BAR(bar_), TRUE);

    AddButton(WindowAction::kNewPage, "document-new", true);
    save_ = AddButton(WindowAction::kSave, "document-save", true);
    print_ = AddButton(WindowAction::kPrint, "document-print", true);

    star_ = gtk_toggle_button_new();
    gtk_button_set_image(GTK_BUTTON(star_),
                         gtk_image_new_from_icon_name("starred-symbolic", GTK_ICON_SIZE_BUTTON));
    gtk_widget_set_tooltip_text(star_, Tr(ActionDescription(WindowAction::kFinished)));
    gtk_widget_set_can_focus(star_, FALSE);
    SetAction(star_, WindowAction::kFinished);
    g_signal_connect(star_, "toggled", G_CALLBACK(OnClicked), this);
    gtk_header_bar_pack_start(GTK_HEADER_BAR(bar_), star_);

    GtkWidget* menuButton = gtk_menu_button_new();
    gtk_widget_set_tooltip_text(menuButton, Tr(kMenuTooltip));
    gtk_button_set_image(GTK_BUTTON(menuButton),
                         gtk_image_new_from_icon_name("open-menu-symbolic", GTK_ICON_SIZE_BUTTON));
    gtk_menu_button_set_popup(GTK_MENU_BUTTON(menuButton), BuildMenu());
    gtk_header_bar_pack_end(GTK_HEADER_BAR(bar_), menuButton);
    AddButton(WindowAction::kGallery, "view-grid-symbolic", false);
    child_ = gtk_button_new_with_label("");
    gtk_widget_set_tooltip_text(child_, Tr(ActionDescription(WindowAction::kChangeChild)));
    gtk_widget_set_can_focus(child_, FALSE);
    gtk_widget_set_no_show_all(child_, TRUE);
    SetAction(child_, WindowAction::kChangeChild);
    g_signal_connect(child_, "clicked", G_CALLBACK(OnClicked), this);
    gtk_header_bar_pack_end(GTK_HEADER_BAR(bar_), child_);
    SetHavePicture(false);
}

GtkWidget* HeaderBar::AddButton(WindowAction action, const char* iconName, bool atStart) {
    GtkWidget* button = gtk_button_new_from_icon_name(iconName, GTK_ICON_SIZE_BUTTON);
    gtk_widget_set_tooltip_text(button, Tr(ActionDescription(action)));
    // The board keeps the keyboard; a click on the bar must not take it away.
    gtk_widget_set_can_focus(button, FALSE);
    SetAction(button, action);
    g_signal_connect(button, "clicked", G_CALLBACK(OnClicked), this);
    if (atStart) {
        gtk_header_bar_pack_start(GTK_HEADER_BAR(bar_), button);
    } else {
        gtk_header_bar_pack_end(GTK_HEADER_BAR(bar_), button);
    }
    return button;
}

GtkWidget* HeaderBar::BuildMenu() {
    GtkWidget* menu = gtk_menu_new();
    for (const WindowAction action : kMenuActions) {
        if (action == WindowAction::kNone) {
            gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_separator_menu_item_new());
            continue;
        }
        GtkWidget* item = action == WindowAction::kCloseGaps || action == WindowAction::kFinished
                              ? gtk_check_menu_item_new_with_label(Tr(ActionDescription(action)))
                              : gtk_menu_item_new_with_label(Tr(ActionDescription(action)));
        if (action == WindowAction::kCloseGaps) closeGapsItem_ = item;
        if (action == WindowAction::kFinished) finishedItem_ = item;
        // The item shows its first shortcut at the right; the keys themselves are handled
        // by the window, so the label only tells.
        for (const Shortcut& shortcut : Shortcuts()) {
            if (shortcut.action != action) continue;
            GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
            if (GTK_IS_ACCEL_LABEL(label)) {
                gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label), shortcut.key,
                                          static_cast<GdkModifierType>(shortcut.modifiers));
            }
            break;
        }
        SetAction(item, action);
        g_signal_connect(item, "activate", G_CALLBACK(OnClicked), this);
        if (action == WindowAction::kSave) saveItem_ = item;
        if (action == WindowAction::kPrint) printItem_ = item;
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    }
    gtk_widget_show_all(menu);
    return menu;
}

void HeaderBar::SetFinished(bool finished) {
    g_signal_handlers_block_by_func(star_, reinterpret_cast<gpointer>(OnClicked), this);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(star_), finished ? TRUE : FALSE);
    g_signal_handlers_unblock_by_func(star_, reinterpret_cast<gpointer>(OnClicked), this);
    if (finishedItem_ != nullptr) {
        g_signal_handlers_block_by_func(finishedItem_, reinterpret_cast<gpointer>(OnClicked), this);
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(finishedItem_), finished ? TRUE : FALSE);
        g_signal_handlers_unblock_by_func(finishedItem_, reinterpret_cast<gpointer>(OnClicked), this);
    }
}

void HeaderBar::SetChild(const std::string& child) {
    gtk_button_set_label(GTK_BUTTON(child_), child.c_str());
    gtk_widget_set_visible(child_, !child.empty());
}

void HeaderBar::SetCloseGaps(bool on) {
    // Showing the state is not choosing it: the item's own signal stays quiet.
    g_signal_handlers_block_by_func(closeGapsItem_, reinterpret_cast<gpointer>(OnClicked), this);
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(closeGapsItem_), on ? TRUE : FALSE);
    g_signal_handlers_unblock_by_func(closeGapsItem_, reinterpret_cast<gpointer>(OnClicked), this);
}

void HeaderBar::OnClicked(GtkWidget* widget, gpointer data) {
    auto* self = static_cast<HeaderBar*>(data);
    const auto action = static_cast<WindowAction>(
        GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), kActionKey)));
    if (self->perform_) self->perform_(action);
}

void HeaderBar::SetHavePicture(bool havePicture) {
    for (GtkWidget* widget : {save_, print_, saveItem_, printItem_, star_, finishedItem_}) {
        if (widget != nullptr) gtk_widget_set_sensitive(widget, havePicture);
    }
}

void HeaderBar::SetPictureName(const std::string& name) {
    gtk_header_bar_set_subtitle(GTK_HEADER_BAR(bar_), name.empty() ? nullptr : name.c_str());
}

}  // namespace kolo
