#include "app/ControlWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/AppIcon.h"
#include "app/BoardAccessible.h"
#include "app/CommandLine.h"
#include "app/SamplesFolder.h"
#include "app/Translation.h"
#include "board/BoardLayout.h"
#include "platform/soft/BmpResources.h"
#include "platform/curl/CurlSession.h"
#include "platform/soft/PrinterPageContext.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"

namespace kolo {
namespace {

constexpr const char* kProgramName = "Kolo";
constexpr const char* kAboutTitle = N_("About Kolo Control");
constexpr const char* kAboutName = N_("Kolo Control, Version 1.0");
constexpr const char* kAboutNotice = N_("A colouring book for children. Free to use and share.");
constexpr ColourRef kCursorTransparent = 0x00FF00FF;   // pure magenta in the cursor art

// GTK's print contexts for PDF and PostScript count 72 units to the inch. The board draws
// the page as a raster, so it is given a finer grid over the same page: at least this many
// pixels per inch, a whole multiple of the context's own resolution.
constexpr double kMinimumPrintDpi = 300.0;

// A pixbuf of a 24-bit bitmap; pixels of `transparent` get alpha 0 when `keyed` is set.
GdkPixbuf* PixbufFromBitmap(const DeviceBitmap& bitmap, bool keyed, ColourRef transparent) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(height));
    bitmap.ReadRows24(rows.data());
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    if (pixbuf == nullptr) return nullptr;
    const int outStride = gdk_pixbuf_get_rowstride(pixbuf);
    guchar* out = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < height; ++y) {
        // Bitmap rows are bottom-up, blue, green, red.
        const std::uint8_t* in = rows.data() + stride * static_cast<std::size_t>(height - 1 - y);
        guchar* px = out + static_cast<std::size_t>(y) * outStride;
        for (int x = 0; x < width; ++x, in += 3, px += 4) {
            px[0] = in[2];
            px[1] = in[1];
            px[2] = in[0];
            const bool clear = keyed && MakeColourRef(in[2], in[1], in[0]) == transparent;
            px[3] = clear ? 0 : 255;
        }
    }
    return pixbuf;
}

GdkCursor* LoadBrushCursor(GdkDisplay* display) {
    BmpResources resources(kEmbeddedResources, kEmbeddedResourceCount);
    const std::unique_ptr<DeviceBitmap> art = resources.LoadBitmap(kIdBrushCursor);
    if (!art) return nullptr;
    GdkPixbuf* pixbuf = PixbufFromBitmap(*art, true, kCursorTransparent);
    if (pixbuf == nullptr) return nullptr;
    GdkCursor* cursor =
        gdk_cursor_new_from_pixbuf(display, pixbuf, kBrushHotSpotX, kBrushHotSpotY);
    g_object_unref(pixbuf);
    return cursor;
}

GdkPixbuf* LoadIcon() {
    const std::unique_ptr<SoftBitmap> art = ReadBmp24(kAppIcon32, kAppIcon32Size);
    return art ? PixbufFromBitmap(*art, false, 0) : nullptr;
}

// The bounding box of the page raster's non-white pixels; empty when it is all white.
Rect InkBounds(const PrintedPage& page) {
    Rect ink{page.width, page.height, 0, 0};
    for (int y = 0; y < page.height; ++y) {
        const std::uint8_t* row = page.rgb.data() + static_cast<std::size_t>(y) * page.width * 3;
        for (int x = 0; x < page.width; ++x) {
            if (row[x * 3] != 255 || row[x * 3 + 1] != 255 || row[x * 3 + 2] != 255) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x + 1);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y + 1);
            }
        }
    }
    return ink;
}

int ToInt(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

// A loader task on its way to the main loop, with the window it belongs to.
struct PostedTask {
    ControlWindow* window;
    std::shared_ptr<bool> alive;
    std::function<void()> task;
};

ControlWindow::ControlWindow(const WindowOptions& options)
    : options_(options),
      control_([] { return std::make_unique<CurlSession>(); },
               [this](std::function<void()> task) { PostToMainLoop(std::move(task)); }) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), kProgramName);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    GdkPixbuf* icon = LoadIcon();
    if (icon != nullptr) {
        gtk_window_set_icon(GTK_WINDOW(window_), icon);
        g_object_unref(icon);
    }

    area_ = NewBoardArea(focus_, [this]() { AfterEvent(); });
    gtk_widget_set_size_request(area_, kBoardWidth, kBoardHeight);
    gtk_widget_set_can_focus(area_, TRUE);
    gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                     GDK_POINTER_MOTION_MASK | GDK_KEY_PRESS_MASK);
    gtk_container_add(GTK_CONTAINER(window_), area_);

    g_signal_connect(area_, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(area_, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(area_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
    g_signal_connect(area_, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);

    GdkDisplay* display = gtk_widget_get_display(window_);
    arrowCursor_ = gdk_cursor_new_from_name(display, "default");
    brushCursor_ = LoadBrushCursor(display);
    busyCursor_ = gdk_cursor_new_from_name(display, "wait");

    // The container's answer to OnInitImage waits for the main loop, as a posted event
    // would, so the window is on the screen while the folder loads and for its message.
    control_.onInitImage = [this]() { g_idle_add(OnLoadFolder, this); };
    control_.showMessage = [this](const std::string& text) { ShowMessage(text); };
    control_.printDialog = [this]() { return RunPrintDialog(); };
}

void ControlWindow::PostToMainLoop(std::function<void()> task) {
    auto* posted = new PostedTask{this, alive_, std::move(task)};
    g_main_context_invoke_full(
        nullptr, G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto* item = static_cast<PostedTask*>(data);
            if (*item->alive) {
                item->task();
                item->window->control_.Pump();
                item->window->AfterEvent();
            }
            return G_SOURCE_REMOVE;
        },
        posted, [](gpointer data) { delete static_cast<PostedTask*>(data); });
}

ControlWindow::~ControlWindow() {
    *alive_ = false;
    if (window_ != nullptr) gtk_widget_destroy(window_);
    if (busyCursor_ != nullptr) g_object_unref(busyCursor_);
    if (arrowCursor_ != nullptr) g_object_unref(arrowCursor_);
    if (brushCursor_ != nullptr) g_object_unref(brushCursor_);
}

int ControlWindow::Run() {
    gtk_widget_show_all(window_);
    gtk_widget_grab_focus(area_);
    control_.Create();
    AfterEvent();
    if (!quitting_) gtk_main();
    return 0;
}

gboolean ControlWindow::OnLoadFolder(gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    const std::string address = !self->options_.address.empty()
                                    ? FolderAddress(self->options_.address)
                                    : SamplesFolderUrl();
    self->control_.Board().SetImageURL(address);
    self->control_.Pump();
    self->AfterEvent();
    return G_SOURCE_REMOVE;
}

void ControlWindow::AfterEvent() {
    if (control_.Closed()) {
        if (!quitting_) {
            quitting_ = true;
            gtk_widget_hide(window_);
            gtk_main_quit();
        }
        return;
    }
    gtk_widget_queue_draw(area_);
    BoardAccessibleChanged(area_);
    const ColouringBoard& board = control_.Board();
    std::string title = kProgramName;
    if (board.IsLoading() && board.LinkCount() > 0) {
        title += " (" + std::to_string(board.LoadedCount()) + " / " +
                 std::to_string(board.LinkCount()) + ")";
    }
    if (title != shownTitle_) {
        shownTitle_ = title;
        gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
    }
    const BoardCursor wanted = control_.Cursor();
    if (wanted != shownCursor_) {
        shownCursor_ = wanted;
        GdkCursor* cursor = wanted == BoardCursor::kBrush  ? brushCursor_
                            : wanted == BoardCursor::kBusy ? busyCursor_
                                                           : arrowCursor_;
        GdkWindow* surface = gtk_widget_get_window(area_);
        if (surface != nullptr) gdk_window_set_cursor(surface, cursor);
    }
}

gboolean ControlWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    const ScreenContext& screen = self->control_.Screen();
    cairo_surface_t* image =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, screen.Width(), screen.Height());
    cairo_surface_flush(image);
    unsigned char* bytes = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < screen.Height(); ++y) {
        const std::uint8_t* in = screen.Row(y);
        auto* out = reinterpret_cast<std::uint32_t*>(bytes + static_cast<std::size_t>(y) * stride);
        for (int x = 0; x < screen.Width(); ++x, in += 3) {
            out[x] = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
        }
    }
    cairo_surface_mark_dirty(image);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(image);
    self->DrawFocus(cr);
    return TRUE;
}

void ControlWindow::DrawFocus(cairo_t* cr) {
    if (focus_.Focused() == BoardPart::kNone || !gtk_widget_has_focus(area_)) return;
    // A dark line inside a light one shows on every colour of the board.
    const Rect ring = focus_.FocusRect();
    cairo_save(cr);
    cairo_set_line_width(cr, 3.0);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_rectangle(cr, ring.left - 2.5, ring.top - 2.5, ring.Width() + 5.0, ring.Height() + 5.0);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    cairo_rectangle(cr, ring.left - 2.5, ring.top - 2.5, ring.Width() + 5.0, ring.Height() + 5.0);
    cairo_stroke(cr);
    if (focus_.Focused() == BoardPart::kCanvas) {
        constexpr double kArm = 8.0;   // board pixels from the centre to an arm's end
        const double x = focus_.Crosshair().x + 0.5;
        const double y = focus_.Crosshair().y + 0.5;
        for (const auto& [width, shade] : {std::pair{3.0, 1.0}, std::pair{1.0, 0.0}}) {
            cairo_set_line_width(cr, width);
            cairo_set_source_rgb(cr, shade, shade, shade);
            cairo_move_to(cr, x - kArm, y);
            cairo_line_to(cr, x + kArm, y);
            cairo_move_to(cr, x, y - kArm);
            cairo_line_to(cr, x, y + kArm);
            cairo_stroke(cr);
        }
    }
    cairo_restore(cr);
}

gboolean ControlWindow::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    // A double click arrives as two presses and an extra 2BUTTON_PRESS; only presses count.
    if (event->button != GDK_BUTTON_PRIMARY || event->type != GDK_BUTTON_PRESS) return FALSE;
    self->control_.LeftButtonDown(static_cast<int>(std::floor(event->x)),
                                  static_cast<int>(std::floor(event->y)));
    self->AfterEvent();
    return TRUE;
}

gboolean ControlWindow::OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
    self->control_.LeftButtonUp(static_cast<int>(std::floor(event->x)),
                                static_cast<int>(std::floor(event->y)));
    self->AfterEvent();
    return TRUE;
}

gboolean ControlWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    self->control_.MouseMove(static_cast<int>(std::floor(event->x)),
                             static_cast<int>(std::floor(event->y)));
    self->AfterEvent();
    return TRUE;
}

namespace {

// The board's own keys; false for any other key, or one held with Ctrl or Alt.
bool BoardKeyOf(const GdkEventKey* event, BoardKey& key) {
    if ((event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) != 0) return false;
    switch (event->keyval) {
        case GDK_KEY_Tab: case GDK_KEY_KP_Tab: key = BoardKey::kTab; return true;
        case GDK_KEY_ISO_Left_Tab: key = BoardKey::kBackTab; return true;
        case GDK_KEY_Left: case GDK_KEY_KP_Left: key = BoardKey::kLeft; return true;
        case GDK_KEY_Right: case GDK_KEY_KP_Right: key = BoardKey::kRight; return true;
        case GDK_KEY_Up: case GDK_KEY_KP_Up: key = BoardKey::kUp; return true;
        case GDK_KEY_Down: case GDK_KEY_KP_Down: key = BoardKey::kDown; return true;
        case GDK_KEY_space: case GDK_KEY_Return: case GDK_KEY_KP_Enter:
            key = BoardKey::kActivate;
            return true;
        default: return false;
    }
}

}  // namespace

gboolean ControlWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    BoardKey key;
    if (gtk_widget_has_focus(self->area_) && BoardKeyOf(event, key) &&
        self->focus_.HandleKey(key)) {
        self->AfterEvent();
        return TRUE;
    }
    if (event->keyval != GDK_KEY_F1) return FALSE;
    self->AboutBox();
    return TRUE;
}

gboolean ControlWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    if (!self->quitting_) {
        self->quitting_ = true;
        gtk_main_quit();
    }
    return TRUE;   // the destructor destroys the window
}

namespace {

// A modal dialog titled `title` over `parent`: `icon` (taken; may be null) beside the lines
// of text, and an OK button. Returns when it is closed by OK, Escape or the window manager.
void RunOkDialog(GtkWindow* parent, const char* title, GtkWidget* icon,
                 const std::vector<std::string>& lines) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(title, parent, GTK_DIALOG_MODAL, Tr("OK"),
                                                    GTK_RESPONSE_OK, nullptr);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
    gtk_container_set_border_width(GTK_CONTAINER(row), 12);
    if (icon != nullptr) {
        gtk_widget_set_valign(icon, GTK_ALIGN_START);
        gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
    }
    GtkWidget* texts = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    for (const std::string& line : lines) {
        GtkWidget* label = gtk_label_new(line.c_str());
        gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
        gtk_box_pack_start(GTK_BOX(texts), label, FALSE, FALSE, 0);
    }
    gtk_box_pack_start(GTK_BOX(row), texts, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), row, TRUE,
                       TRUE, 0);
    gtk_widget_show_all(dialog);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

}  // namespace

void ControlWindow::ShowMessage(const std::string& text) {
    // GTK's own message dialog no longer shows an icon; the message has the warning sign.
    RunOkDialog(GTK_WINDOW(window_), kProgramName,
                gtk_image_new_from_icon_name("dialog-warning", GTK_ICON_SIZE_DIALOG), {text});
}

void ControlWindow::AboutBox() {
    GdkPixbuf* icon = LoadIcon();
    GtkWidget* image = icon != nullptr ? gtk_image_new_from_pixbuf(icon) : nullptr;
    if (icon != nullptr) g_object_unref(icon);
    RunOkDialog(GTK_WINDOW(window_), Tr(kAboutTitle), image, {Tr(kAboutName), Tr(kAboutNotice)});
}

// GtkPrintOperation draws its pages from inside its own run, after the dialog, while the
// board asks for the printer first and then draws. So the board's Print that the button
// started runs the operation here, and the operation's page handler runs the board's Print
// once more, which this time is handed the page (a printer context with the measures of the
// operation's print context) at once and prints into it. The outer Print then gets no
// context, as after a cancelled dialog, and does nothing more. Cancelling the operation's
// dialog never reaches the page handler, so nothing is printed.
std::unique_ptr<DeviceContext> ControlWindow::RunPrintDialog() {
    if (pageForBoard_) return std::move(pageForBoard_);

    GtkPrintOperation* operation = gtk_print_operation_new();
    gtk_print_operation_set_job_name(operation, kPrintDocumentName);
    gtk_print_operation_set_n_pages(operation, 1);
    // The board sets its own one-inch margins from the paper's edge.
    gtk_print_operation_set_use_full_page(operation, TRUE);
    gtk_print_operation_set_unit(operation, GTK_UNIT_POINTS);
    g_signal_connect(operation, "draw-page", G_CALLBACK(OnDrawPage), this);

    GtkPrintOperationAction action = GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG;
    if (!options_.exportPdf.empty()) {
        gtk_print_operation_set_export_filename(operation, options_.exportPdf.c_str());
        action = GTK_PRINT_OPERATION_ACTION_EXPORT;
    }
    GError* error = nullptr;
    const GtkPrintOperationResult result =
        gtk_print_operation_run(operation, action, GTK_WINDOW(window_), &error);
    if (result == GTK_PRINT_OPERATION_RESULT_ERROR && error != nullptr) {
        // A printing failure is the print system's to report; the board shows no message.
        g_printerr("kolo: printing failed: %s\n", error->message);
        g_error_free(error);
    }
    g_object_unref(operation);
    return nullptr;
}

void ControlWindow::OnDrawPage(GtkPrintOperation*, GtkPrintContext* context, gint,
                               gpointer data) {
    static_cast<ControlWindow*>(data)->PrintPage(context);
}

void ControlWindow::PrintPage(GtkPrintContext* context) {
    const double dpiX = gtk_print_context_get_dpi_x(context);
    const double dpiY = gtk_print_context_get_dpi_y(context);
    if (dpiX <= 0 || dpiY <= 0) return;
    const double scale = std::max(1.0, std::ceil(kMinimumPrintDpi / std::min(dpiX, dpiY)));
    // Width and height in points (the unit set above); device pixels are points × dpi / 72.
    PrinterMeasures measures;
    measures.pageWidth = ToInt(gtk_print_context_get_width(context) * dpiX / 72.0 * scale);
    measures.pageHeight = ToInt(gtk_print_context_get_height(context) * dpiY / 72.0 * scale);
    measures.dpiX = ToInt(dpiX * scale);
    measures.dpiY = ToInt(dpiY * scale);
    measures.rasterCaps = kRcBitBlt;

    auto log = std::make_shared<PrintJobLog>();
    pageForBoard_ = std::make_unique<PrinterPageContext>(measures, log);
    control_.Board().Print();
    pageForBoard_.reset();
    if (log->pages.empty()) return;

    const PrintedPage& page = log->pages.back();
    const Rect ink = InkBounds(page);
    if (ink.right <= ink.left || ink.bottom <= ink.top) return;   // a white page: paper as is
    const int width = ink.right - ink.left;
    const int height = ink.bottom - ink.top;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_surface_flush(image);
    unsigned char* bytes = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in =
            page.rgb.data() + (static_cast<std::size_t>(ink.top + y) * page.width + ink.left) * 3;
        auto* out = reinterpret_cast<std::uint32_t*>(bytes + static_cast<std::size_t>(y) * stride);
        for (int x = 0; x < width; ++x, in += 3) {
            out[x] = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
        }
    }
    cairo_surface_mark_dirty(image);

    // The context's units are points; one device pixel of the page is 72 / dpi of them.
    cairo_t* cr = gtk_print_context_get_cairo_context(context);
    cairo_save(cr);
    cairo_scale(cr, 72.0 / measures.dpiX, 72.0 / measures.dpiY);
    cairo_set_source_surface(cr, image, ink.left, ink.top);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, ink.left, ink.top, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
}

}  // namespace kolo
