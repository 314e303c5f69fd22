#include "app/GalleryView.h"

#include <string>

#include "app/Translation.h"
#include "app/WidgetStyle.h"

namespace kolo {
namespace {

constexpr int kThumbnailWidth = 200;    // logical pixels of a tile's picture
constexpr int kThumbnailHeight = 158;
constexpr const char* kIndexKey = "kolo-picture";   // the picture a tile stands for
constexpr const char* kFinishedName = N_("%s, finished");
constexpr const char* kStarCss = ".kolo-star { color: #f5b700; font-size: 28px; }";

GtkWidget* NewTile(GdkPixbuf* thumbnail, const std::string& name, bool finished) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    GtkWidget* overlay = gtk_overlay_new();
    gtk_container_add(GTK_CONTAINER(overlay), thumbnail != nullptr ? gtk_image_new_from_pixbuf(thumbnail)
                                                                   : gtk_image_new());
    if (finished) {
        GtkWidget* star = gtk_label_new("★");
        StyleWidget(star, kStarCss, "kolo-star");
        gtk_widget_set_halign(star, GTK_ALIGN_END);
        gtk_widget_set_valign(star, GTK_ALIGN_START);
        gtk_overlay_add_overlay(GTK_OVERLAY(overlay), star);
    }
    gtk_box_pack_start(GTK_BOX(box), overlay, FALSE, FALSE, 0);
    const std::string shown = name.substr(name.find_last_of('/') + 1);
    gtk_box_pack_start(GTK_BOX(box), gtk_label_new(shown.c_str()), FALSE, FALSE, 0);
    const std::string spoken = finished ? TrFormat(kFinishedName, shown) : shown;
    atk_object_set_name(gtk_widget_get_accessible(box), spoken.c_str());
    return box;
}

}  // namespace

GdkPixbuf* PixbufFromPicture(const CDibImage& picture, int maxWidth, int maxHeight) {
    if (!picture.HasPicture()) return nullptr;
    const int width = picture.Width();
    const int height = picture.Height();
    GdkPixbuf* full = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    if (full == nullptr) return nullptr;
    const int outStride = gdk_pixbuf_get_rowstride(full);
    guchar* out = gdk_pixbuf_get_pixels(full);
    for (int y = 0; y < height; ++y) {
        // Rows are bottom-up, blue, green, red.
        const std::uint8_t* in = picture.Pixels() + picture.Stride() * static_cast<std::size_t>(height - 1 - y);
        guchar* px = out + static_cast<std::size_t>(y) * outStride;
        for (int x = 0; x < width; ++x, in += 3, px += 3) {
            px[0] = in[2];
            px[1] = in[1];
            px[2] = in[0];
        }
    }
    const FitSize fit = FitInside(width, height, maxWidth, maxHeight);
    GdkPixbuf* small = gdk_pixbuf_scale_simple(full, fit.width, fit.height, GDK_INTERP_BILINEAR);
    g_object_unref(full);
    return small;
}

GalleryView::GalleryView(std::function<void(int)> chosen) : chosen_(std::move(chosen)) {
    scroller_ = gtk_scrolled_window_new(nullptr, nullptr);
    g_object_ref_sink(scroller_);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller_), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    grid_ = gtk_flow_box_new();
    gtk_flow_box_set_selection_mode(GTK_FLOW_BOX(grid_), GTK_SELECTION_SINGLE);
    gtk_flow_box_set_activate_on_single_click(GTK_FLOW_BOX(grid_), TRUE);
    gtk_flow_box_set_homogeneous(GTK_FLOW_BOX(grid_), TRUE);
    gtk_flow_box_set_column_spacing(GTK_FLOW_BOX(grid_), 12);
    gtk_flow_box_set_row_spacing(GTK_FLOW_BOX(grid_), 12);
    gtk_container_set_border_width(GTK_CONTAINER(grid_), 16);
    gtk_widget_set_valign(grid_, GTK_ALIGN_START);
    g_signal_connect(grid_, "child-activated", G_CALLBACK(OnActivated), this);
    gtk_container_add(GTK_CONTAINER(scroller_), grid_);
    gtk_widget_show_all(scroller_);
}

GalleryView::~GalleryView() { g_object_unref(scroller_); }

void GalleryView::Fill(ColouringBoard& board) {
    GList* old = gtk_container_get_children(GTK_CONTAINER(grid_));
    for (GList* item = old; item != nullptr; item = item->next) {
        gtk_widget_destroy(GTK_WIDGET(item->data));
    }
    g_list_free(old);
    count_ = 0;
    finished_ = 0;
    const std::vector<std::string>& names = board.PictureNames();
    const auto total = static_cast<std::int32_t>(board.Pictures().size());
    for (std::int32_t index = 0; index < total; ++index) {
        // A picture that failed to load has no place in the grid.
        if (!board.Pictures()[static_cast<std::size_t>(index)].Image().HasPicture()) continue;
        GdkPixbuf* thumbnail = PixbufFromPicture(board.ColouredPicture(index), kThumbnailWidth, kThumbnailHeight);
        const bool finished = board.IsFinished(index);
        const std::string name = static_cast<std::size_t>(index) < names.size() ? names[static_cast<std::size_t>(index)] : std::string();
        GtkWidget* tile = NewTile(thumbnail, name, finished);
        if (thumbnail != nullptr) g_object_unref(thumbnail);
        gtk_flow_box_insert(GTK_FLOW_BOX(grid_), tile, -1);
        GtkWidget* child = gtk_widget_get_parent(tile);
        g_object_set_data(G_OBJECT(child), kIndexKey, GINT_TO_POINTER(index));
        if (index == board.CanvasIndex()) gtk_flow_box_select_child(GTK_FLOW_BOX(grid_), GTK_FLOW_BOX_CHILD(child));
        ++count_;
        finished_ += finished ? 1 : 0;
    }
    gtk_widget_show_all(grid_);
}

void GalleryView::OnActivated(GtkFlowBox*, GtkFlowBoxChild* child, gpointer data) {
    auto* self = static_cast<GalleryView*>(data);
    const int index = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(child), kIndexKey));
    if (self->chosen_) self->chosen_(index);
}

}  // namespace kolo
