#include "app/BoardAccessible.h"

#include <gtk/gtk-a11y.h>

#include <string>
#include <vector>

#include "app/Translation.h"
#include "board/BoardLayout.h"
#include "control/ColourNames.h"
#include "control/Palette.h"

// GObject types: the board's drawing area, its accessible object, and one accessible object
// per part of the board. They hold plain pointers into the window, which outlives them.

namespace {

constexpr int kSwatchKind = 100;   // the swatch is no part of the keyboard's focus order
constexpr int kNoCell = -1;

struct KoloBoardArea {
    GtkDrawingArea parent;
    kolo::BoardFocus* focus;
    std::function<void()>* afterAction;
};
struct KoloBoardAreaClass {
    GtkDrawingAreaClass parent;
};

struct KoloPartAccessible {
    AtkObject parent;
    GtkWidget* area;
    int kind;            // a BoardPart, or kSwatchKind
    int cell;            // a palette cell, or kNoCell
    int index;           // among its parent's children
    int lastEnabled;     // for change notices; −1 before the first
    int lastFocused;
    gchar* name;         // what get_name last returned
    gchar* description;
    GPtrArray* cells;    // the palette's children, else null
};
struct KoloPartAccessibleClass {
    AtkObjectClass parent;
};

struct KoloBoardAccessible {
    GtkWidgetAccessible parent;
    GPtrArray* parts;    // created on first use
};
struct KoloBoardAccessibleClass {
    GtkWidgetAccessibleClass parent;
};

void kolo_part_component_init(AtkComponentIface* iface);
void kolo_part_action_init(AtkActionIface* iface);

G_DEFINE_TYPE_WITH_CODE(KoloPartAccessible, kolo_part_accessible, ATK_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_COMPONENT, kolo_part_component_init)
                        G_IMPLEMENT_INTERFACE(ATK_TYPE_ACTION, kolo_part_action_init))
G_DEFINE_TYPE(KoloBoardAccessible, kolo_board_accessible, GTK_TYPE_WIDGET_ACCESSIBLE)
G_DEFINE_TYPE(KoloBoardArea, kolo_board_area, GTK_TYPE_DRAWING_AREA)

KoloPartAccessible* AsPart(gpointer object) {
    return G_TYPE_CHECK_INSTANCE_CAST(object, kolo_part_accessible_get_type(), KoloPartAccessible);
}
KoloBoardArea* AsArea(gpointer object) {
    return G_TYPE_CHECK_INSTANCE_CAST(object, kolo_board_area_get_type(), KoloBoardArea);
}
KoloBoardAccessible* AsBoard(gpointer object) {
    return G_TYPE_CHECK_INSTANCE_CAST(object, kolo_board_accessible_get_type(),
                                      KoloBoardAccessible);
}

kolo::BoardFocus& FocusOf(const KoloPartAccessible* part) { return *AsArea(part->area)->focus; }

bool IsButtonKind(int kind) { return kolo::BoardFocus::ButtonId(static_cast<kolo::BoardPart>(kind)) != 0; }

// "Picture %1$s of %2$s" with both numbers filled in.
std::string FillTwo(const char* format, int first, int second) {
    std::string text = kolo::Tr(format);
    const std::string values[2] = {std::to_string(first), std::to_string(second)};
    const char* marks[2] = {"%1$s", "%2$s"};
    for (int i = 0; i < 2; ++i) {
        const std::size_t at = text.find(marks[i]);
        if (at != std::string::npos) text.replace(at, 4, values[i]);
    }
    return text;
}

std::string PartNameText(const KoloPartAccessible* part) {
    kolo::BoardFocus& focus = FocusOf(part);
    const kolo::ColouringBoard& board = focus.Control().Board();
    if (part->cell != kNoCell) return kolo::PaletteColourName(part->cell, kolo::Tr);
    const auto kind = static_cast<kolo::BoardPart>(part->kind);
    const int count = static_cast<int>(board.Pictures().size());
    switch (part->kind) {
        case kSwatchKind: return kolo::Tr(N_("Selected colour"));
        case static_cast<int>(kolo::BoardPart::kPalette): return kolo::Tr(N_("Colours"));
        case static_cast<int>(kolo::BoardPart::kThumbnail):
            if (count == 0) return kolo::Tr(N_("No picture"));
            return FillTwo(N_("Picture %1$s of %2$s"), board.PictureIndex() + 1, count);
        case static_cast<int>(kolo::BoardPart::kCanvas):
        {
            // The picture being coloured, by its file name where the folder gave one.
            if (!board.HasCanvasPicture()) return kolo::Tr(N_("No picture"));
            const std::string name = board.CanvasPictureName();
            return kolo::TrFormat(N_("Picture: %s"),
                                  name.empty() ? std::to_string(board.CanvasIndex() + 1) : name);
        }
        default: return kolo::Tr(kolo::BoardFocus::PartName(kind));
    }
}

// Kept for extraction: the button names are English in BoardFocus.
[[maybe_unused]] constexpr const char* kButtonNames[] = {
    N_("Undo"), N_("Redo"), N_("Print"), N_("Exit"), N_("Previous picture"), N_("Next picture"),
};

const gchar* PartGetName(AtkObject* object) {
    KoloPartAccessible* part = AsPart(object);
    if (part->area == nullptr) return "";
    g_free(part->name);
    part->name = g_strdup(PartNameText(part).c_str());
    return part->name;
}

const gchar* PartGetDescription(AtkObject* object) {
    KoloPartAccessible* part = AsPart(object);
    if (part->area == nullptr || part->kind != kSwatchKind) return "";
    g_free(part->description);
    part->description = g_strdup(
        kolo::ColourName(FocusOf(part).Control().Board().SelectedColour(), kolo::Tr).c_str());
    return part->description;
}

bool PartEnabled(const KoloPartAccessible* part) {
    return FocusOf(part).IsEnabled(static_cast<kolo::BoardPart>(part->kind));
}

bool PartFocused(const KoloPartAccessible* part) {
    const kolo::BoardFocus& focus = FocusOf(part);
    if (static_cast<int>(focus.Focused()) != part->kind) return false;
    return part->cell == kNoCell || part->cell == focus.PaletteCell();
}

AtkStateSet* PartRefStateSet(AtkObject* object) {
    KoloPartAccessible* part = AsPart(object);
    AtkStateSet* states = atk_state_set_new();
    if (part->area == nullptr) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    atk_state_set_add_state(states, ATK_STATE_VISIBLE);
    atk_state_set_add_state(states, ATK_STATE_SHOWING);
    if (PartEnabled(part)) {
        atk_state_set_add_state(states, ATK_STATE_ENABLED);
        atk_state_set_add_state(states, ATK_STATE_SENSITIVE);
    }
    if (part->kind != kSwatchKind) atk_state_set_add_state(states, ATK_STATE_FOCUSABLE);
    if (PartFocused(part)) atk_state_set_add_state(states, ATK_STATE_FOCUSED);
    if (part->cell != kNoCell) {
        atk_state_set_add_state(states, ATK_STATE_SELECTABLE);
        if (part->cell == FocusOf(part).PaletteCell()) {
            atk_state_set_add_state(states, ATK_STATE_SELECTED);
        }
    }
    return states;
}

gint PartGetNChildren(AtkObject* object) {
    KoloPartAccessible* part = AsPart(object);
    return part->cells != nullptr ? static_cast<gint>(part->cells->len) : 0;
}

AtkObject* PartRefChild(AtkObject* object, gint i) {
    KoloPartAccessible* part = AsPart(object);
    if (part->cells == nullptr || i < 0 || i >= static_cast<gint>(part->cells->len)) return nullptr;
    return ATK_OBJECT(g_object_ref(g_ptr_array_index(part->cells, i)));
}

gint PartGetIndexInParent(AtkObject* object) { return AsPart(object)->index; }

void PartFinalize(GObject* object) {
    KoloPartAccessible* part = AsPart(object);
    g_free(part->name);
    g_free(part->description);
    if (part->cells != nullptr) g_ptr_array_unref(part->cells);
    G_OBJECT_CLASS(kolo_part_accessible_parent_class)->finalize(object);
}

void kolo_part_accessible_class_init(KoloPartAccessibleClass* klass) {
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_name = PartGetName;
    atk->get_description = PartGetDescription;
    atk->ref_state_set = PartRefStateSet;
    atk->get_n_children = PartGetNChildren;
    atk->ref_child = PartRefChild;
    atk->get_index_in_parent = PartGetIndexInParent;
    G_OBJECT_CLASS(klass)->finalize = PartFinalize;
}

void kolo_part_accessible_init(KoloPartAccessible* part) {
    part->area = nullptr;
    part->kind = static_cast<int>(kolo::BoardPart::kNone);
    part->cell = kNoCell;
    part->index = 0;
    part->lastEnabled = -1;
    part->lastFocused = -1;
    part->name = nullptr;
    part->description = nullptr;
    part->cells = nullptr;
}

// The part's rectangle in board pixels, scaled as the board is drawn in the area.
kolo::Rect PartBoardRect(const KoloPartAccessible* part) {
    if (part->kind == kSwatchKind) return FocusOf(part).Control().Mirror().Shown(kolo::kSwatchRect);
    if (part->cell != kNoCell) return FocusOf(part).CellRect(part->cell);
    return FocusOf(part).PartRect(static_cast<kolo::BoardPart>(part->kind));
}

void PartGetExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height,
                    AtkCoordType coordType) {
    KoloPartAccessible* part = AsPart(component);
    *x = *y = *width = *height = 0;
    if (part->area == nullptr || gtk_widget_get_window(part->area) == nullptr) return;
    const double scale =
        static_cast<double>(gtk_widget_get_allocated_width(part->area)) / kolo::kBoardWidth;
    const kolo::Rect rect = PartBoardRect(part);
    gint originX = 0;
    gint originY = 0;
    if (coordType == ATK_XY_SCREEN) {
        gdk_window_get_origin(gtk_widget_get_window(part->area), &originX, &originY);
    } else {
        gtk_widget_translate_coordinates(part->area, gtk_widget_get_toplevel(part->area), 0, 0,
                                         &originX, &originY);
    }
    *x = originX + static_cast<gint>(rect.left * scale);
    *y = originY + static_cast<gint>(rect.top * scale);
    *width = static_cast<gint>(rect.Width() * scale);
    *height = static_cast<gint>(rect.Height() * scale);
}

gboolean PartGrabFocus(AtkComponent* component) {
    KoloPartAccessible* part = AsPart(component);
    if (part->area == nullptr || part->kind == kSwatchKind) return FALSE;
    FocusOf(part).Focus(static_cast<kolo::BoardPart>(part->kind));
    gtk_widget_grab_focus(part->area);
    (*AsArea(part->area)->afterAction)();
    return TRUE;
}

void kolo_part_component_init(AtkComponentIface* iface) {
    iface->get_extents = PartGetExtents;
    iface->grab_focus = PartGrabFocus;
}

bool HasAction(const KoloPartAccessible* part) {
    return part->kind != kSwatchKind &&
           (part->kind != static_cast<int>(kolo::BoardPart::kPalette) || part->cell != kNoCell);
}

gint PartGetNActions(AtkAction* action) { return HasAction(AsPart(action)) ? 1 : 0; }

const gchar* PartGetActionName(AtkAction* action, gint i) {
    KoloPartAccessible* part = AsPart(action);
    if (i != 0 || !HasAction(part)) return nullptr;
    return IsButtonKind(part->kind) ? "press" : "activate";
}

struct PendingAction {
    GtkWidget* area;
    int kind;
    int cell;
};

// Actions run from the main loop, as a click would, never inside the accessibility call.
gboolean RunPendingAction(gpointer data) {
    auto* pending = static_cast<PendingAction*>(data);
    KoloBoardArea* area = AsArea(pending->area);
    if (pending->cell != kNoCell) {
        area->focus->PickCell(pending->cell);
    } else {
        area->focus->Activate(static_cast<kolo::BoardPart>(pending->kind));
    }
    (*area->afterAction)();
    g_object_unref(pending->area);
    delete pending;
    return G_SOURCE_REMOVE;
}

gboolean PartDoAction(AtkAction* action, gint i) {
    KoloPartAccessible* part = AsPart(action);
    if (part->area == nullptr || i != 0 || !HasAction(part) || !PartEnabled(part)) return FALSE;
    g_idle_add(RunPendingAction,
               new PendingAction{GTK_WIDGET(g_object_ref(part->area)), part->kind, part->cell});
    return TRUE;
}

void kolo_part_action_init(AtkActionIface* iface) {
    iface->get_n_actions = PartGetNActions;
    iface->get_name = PartGetActionName;
    iface->do_action = PartDoAction;
}

AtkObject* NewPart(GtkWidget* area, AtkObject* parent, int kind, int cell, int index,
                   AtkRole role) {
    auto* part = AsPart(g_object_new(kolo_part_accessible_get_type(), nullptr));
    part->area = area;
    part->kind = kind;
    part->cell = cell;
    part->index = index;
    AtkObject* object = ATK_OBJECT(part);
    atk_object_set_role(object, role);
    atk_object_set_parent(object, parent);
    return object;
}

GPtrArray* BoardParts(AtkObject* board) {
    KoloBoardAccessible* self = AsBoard(board);
    if (self->parts != nullptr) return self->parts;
    GtkWidget* area = gtk_accessible_get_widget(GTK_ACCESSIBLE(board));
    self->parts = g_ptr_array_new_with_free_func(g_object_unref);
    if (area == nullptr) return self->parts;
    using kolo::BoardPart;
    const std::pair<int, AtkRole> parts[] = {
        {static_cast<int>(BoardPart::kUndo), ATK_ROLE_PUSH_BUTTON},
        {static_cast<int>(BoardPart::kRedo), ATK_ROLE_PUSH_BUTTON},
        {static_cast<int>(BoardPart::kPrint), ATK_ROLE_PUSH_BUTTON},
        {static_cast<int>(BoardPart::kExit), ATK_ROLE_PUSH_BUTTON},
        {static_cast<int>(BoardPart::kCanvas), ATK_ROLE_CANVAS},
        {static_cast<int>(BoardPart::kThumbnail), ATK_ROLE_IMAGE},
        {static_cast<int>(BoardPart::kPrevious), ATK_ROLE_PUSH_BUTTON},
        {static_cast<int>(BoardPart::kNext), ATK_ROLE_PUSH_BUTTON},
        {kSwatchKind, ATK_ROLE_LABEL},
        {static_cast<int>(BoardPart::kPalette), ATK_ROLE_GROUPING},
    };
    int index = 0;
    for (const auto& [kind, role] : parts) {
        AtkObject* part = NewPart(area, board, kind, kNoCell, index++, role);
        if (kind == static_cast<int>(BoardPart::kPalette)) {
            KoloPartAccessible* palette = AsPart(part);
            palette->cells = g_ptr_array_new_with_free_func(g_object_unref);
            for (int cell = 0; cell < kolo::kPaletteCells; ++cell) {
                g_ptr_array_add(palette->cells,
                                NewPart(area, part, kind, cell, cell, ATK_ROLE_LIST_ITEM));
            }
        }
        g_ptr_array_add(self->parts, part);
    }
    return self->parts;
}

gint BoardGetNChildren(AtkObject* board) { return static_cast<gint>(BoardParts(board)->len); }

AtkObject* BoardRefChild(AtkObject* board, gint i) {
    GPtrArray* parts = BoardParts(board);
    if (i < 0 || i >= static_cast<gint>(parts->len)) return nullptr;
    return ATK_OBJECT(g_object_ref(g_ptr_array_index(parts, i)));
}

void ForgetArea(GPtrArray* parts) {
    for (guint i = 0; i < parts->len; ++i) {
        KoloPartAccessible* part = AsPart(g_ptr_array_index(parts, i));
        part->area = nullptr;
        if (part->cells != nullptr) ForgetArea(part->cells);
    }
}

void BoardFinalize(GObject* object) {
    KoloBoardAccessible* self = AsBoard(object);
    if (self->parts != nullptr) {
        // A screen reader may still hold a part; it must not reach the gone window.
        ForgetArea(self->parts);
        g_ptr_array_unref(self->parts);
    }
    G_OBJECT_CLASS(kolo_board_accessible_parent_class)->finalize(object);
}

void BoardInitialize(AtkObject* object, gpointer data) {
    ATK_OBJECT_CLASS(kolo_board_accessible_parent_class)->initialize(object, data);
    atk_object_set_role(object, ATK_ROLE_PANEL);
}

void kolo_board_accessible_class_init(KoloBoardAccessibleClass* klass) {
    AtkObjectClass* atk = ATK_OBJECT_CLASS(klass);
    atk->get_n_children = BoardGetNChildren;
    atk->ref_child = BoardRefChild;
    atk->initialize = BoardInitialize;
    G_OBJECT_CLASS(klass)->finalize = BoardFinalize;
}

void kolo_board_accessible_init(KoloBoardAccessible* self) { self->parts = nullptr; }

void AreaFinalize(GObject* object) {
    delete AsArea(object)->afterAction;
    G_OBJECT_CLASS(kolo_board_area_parent_class)->finalize(object);
}

void kolo_board_area_class_init(KoloBoardAreaClass* klass) {
    gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass),
                                         kolo_board_accessible_get_type());
    G_OBJECT_CLASS(klass)->finalize = AreaFinalize;
}

void kolo_board_area_init(KoloBoardArea* area) {
    area->focus = nullptr;
    area->afterAction = nullptr;
}

void NotifyPart(AtkObject* object) {
    KoloPartAccessible* part = AsPart(object);
    const int enabled = PartEnabled(part) ? 1 : 0;
    if (enabled != part->lastEnabled) {
        if (part->lastEnabled != -1) {
            atk_object_notify_state_change(object, ATK_STATE_ENABLED, enabled);
            atk_object_notify_state_change(object, ATK_STATE_SENSITIVE, enabled);
        }
        part->lastEnabled = enabled;
    }
    const int focused = PartFocused(part) ? 1 : 0;
    if (focused != part->lastFocused) {
        if (part->lastFocused != -1 || focused) {
            atk_object_notify_state_change(object, ATK_STATE_FOCUSED, focused);
        }
        part->lastFocused = focused;
    }
    const std::string name = PartNameText(part);
    if (part->name != nullptr && name != part->name) {
        g_object_notify(G_OBJECT(object), "accessible-name");
    }
    if (part->cells != nullptr) {
        for (guint i = 0; i < part->cells->len; ++i) NotifyPart(ATK_OBJECT(g_ptr_array_index(part->cells, i)));
    }
}

}  // namespace

namespace kolo {

GtkWidget* NewBoardArea(BoardFocus& focus, std::function<void()> afterAction) {
    auto* area = AsArea(g_object_new(kolo_board_area_get_type(), nullptr));
    area->focus = &focus;
    area->afterAction = new std::function<void()>(std::move(afterAction));
    return GTK_WIDGET(area);
}

void BoardAccessibleChanged(GtkWidget* area) {
    AtkObject* board = gtk_widget_get_accessible(area);
    if (board == nullptr || !G_TYPE_CHECK_INSTANCE_TYPE(board, kolo_board_accessible_get_type())) {
        return;
    }
    // Nothing is told before a screen reader has asked for the parts.
    if (AsBoard(board)->parts == nullptr) return;
    GPtrArray* parts = AsBoard(board)->parts;
    for (guint i = 0; i < parts->len; ++i) NotifyPart(ATK_OBJECT(g_ptr_array_index(parts, i)));
}

}  // namespace kolo
