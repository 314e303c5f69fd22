#include "app/ControlWindow.h"

#include <gtk/gtkunixprint.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/AppIcon.h"
#include "app/AtomicFile.h"
#include "app/BoardAccessible.h"
#include "app/ClassPack.h"
#include "app/ClassroomFiles.h"
#include "app/CommandLine.h"
#include "app/ImageFiles.h"
#include "app/PicturePng.h"
#include "app/QuitSignals.h"
#include "app/SamplesFolder.h"
#include "app/ShellDialogs.h"
#include "app/Translation.h"
#include "board/BoardLayout.h"
#include "platform/soft/BmpResources.h"
#include "platform/curl/CurlSession.h"
#include "platform/soft/FramebufferContext.h"
#include "resources/AboutText.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"

namespace kolo {
namespace {

constexpr const char* kProgramName = "Kolo";
constexpr const char* kJobNameTail = " — Kolo";      // after the picture's name
constexpr const char* kSaveTitle = N_("Save the Picture");
constexpr const char* kSaveButton = N_("_Save");
constexpr const char* kCancelButton = N_("_Cancel");
constexpr const char* kPngFilterName = N_("PNG pictures");
constexpr const char* kCannotSave = N_("The picture could not be saved in ");
constexpr const char* kCannotPrint = N_("The picture could not be printed to ");
constexpr const char* kSavedTo = N_("Saved to %s");
constexpr const char* kCannotPrintHere = N_("The picture could not be printed");
constexpr const char* kMarkedFinished = N_("Finished! ★");
constexpr const char* kNotFinished = N_("Not finished yet");
constexpr const char* kColouredTail = "-coloured";   // a saved picture's name after its own
// "Print all pictures…" until the dialog's tab chooses otherwise: each picture as coloured so
// far, one a page.
constexpr PackChoices kWindowPackChoices{1, false, true};
// The window's pages.
constexpr const char* kBoardPage = "board";
constexpr const char* kGalleryPage = "gallery";
constexpr const char* kChildrenPage = "children";
// How long the classroom's print looks for the default printer, and how often it looks
// whether one was found (milliseconds).
constexpr int kPrinterSearchMs = 8000;
constexpr guint kPrinterPollMs = 200;
// The classroom's Exit, washed out as a disabled button is: its art has no disabled face.
constexpr double kDisabledWash = 0.6;   // opacity of the light grey over it
constexpr const char* kWindowRole = "kolo-board";     // how tests and scripts find the board
// Written this long after the last change, so a run of fills is one write (milliseconds).
constexpr guint kSaveDelayMs = 400;
// The smallest window: half the board each way, still usable on a small screen.
constexpr int kMinimumWidth = kBoardWidth / 2;
constexpr int kMinimumHeight = kBoardHeight / 2;
constexpr ColourRef kCursorTransparent = 0x00FF00FF;   // pure magenta in the cursor art

// GTK's print contexts for PDF and PostScript count 72 units to the inch. The board draws
// the page as a raster, so it is given a finer grid over the same page: at least this many
// pixels per inch, the resolution of common printers, so that a PDF printed there needs no
// resampling that would make the picture's edges uneven.
constexpr double kMinimumPrintDpi = 300.0;

// How many times the context's resolution the page is drawn at.
double PrintScale(double dpiX, double dpiY) {
    return std::max(1.0, kMinimumPrintDpi / std::min(dpiX, dpiY));
}

// The dots per inch the page is drawn at, the coarser way; 0 for a context without any.
double PrintResolution(GtkPrintContext* context) {
    const double dpiX = gtk_print_context_get_dpi_x(context);
    const double dpiY = gtk_print_context_get_dpi_y(context);
    if (dpiX <= 0 || dpiY <= 0) return 0;
    return std::min(dpiX, dpiY) * PrintScale(dpiX, dpiY);
}

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

int ToInt(double value) { return static_cast<int>(std::lround(value)); }

// The menu's "Close small gaps", kept as the width; the default when none is kept.
int RememberedCloseGaps(const std::string& workFolder) {
    std::istringstream in(ReadSetting(workFolder, kCloseGapsSetting));
    int width = -1;
    return in >> width && width >= 0 && width <= kMaxCloseGaps ? width : kDefaultCloseGaps;
}

// GTK writes an exported PDF itself and does not notice when the disk fills up under it, so
// the page goes to a temporary name beside the chosen one, and only a whole file (ending in
// the PDF's end marker, flushed to disk) takes the chosen name. False, with the reason and the
// temporary file gone, otherwise.
bool FinishPdf(const std::string& temporary, const std::string& path, std::string& reason) {
    constexpr std::string_view kEndMarker = "%%EOF";
    constexpr std::size_t kTailBytes = 32;   // the marker and the line ends after it
    const int fd = open(temporary.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    struct stat info {};
    if (error == 0 && fstat(fd, &info) != 0) error = errno;
    if (error == 0 && (!S_ISREG(info.st_mode) || info.st_size < static_cast<off_t>(kEndMarker.size()))) {
        error = ENOSPC;
    }
    if (error == 0) {
        char tail[kTailBytes] = {};
        const off_t from = std::max<off_t>(0, info.st_size - static_cast<off_t>(kTailBytes));
        const ssize_t got = pread(fd, tail, sizeof tail, from);
        if (got <= 0 || std::string_view(tail, static_cast<std::size_t>(got)).find(kEndMarker) ==
                            std::string_view::npos) {
            // A page cut short: the disk filled up or a write failed.
            error = got < 0 ? errno : ENOSPC;
        }
    }
    if (error == 0 && fsync(fd) != 0 && errno != EINVAL) error = errno;
    if (fd >= 0 && close(fd) != 0 && error == 0) error = errno;
    return CommitTemporary(temporary, path, error, reason);
}

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
               [this](std::function<void()> task) { PostToMainLoop(std::move(task)); }),
      workFolder_(!options.workFolder.empty() ? options.workFolder : DefaultWorkFolder()),
      work_(ChildWorkFolder(workFolder_, options.child)),
      gallery_([this](int index) {
          control_.Board().ShowPicture(index);
          ShowPage(kBoardPage);
          AfterEvent();
      }),
      picker_([this](const std::string& name) { SwitchChild(name); }),
      child_(options.child) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), kProgramName);
    gtk_window_set_role(GTK_WINDOW(window_), kWindowRole);
    GdkPixbuf* icon = LoadIcon();
    if (icon != nullptr) {
        gtk_window_set_icon(GTK_WINDOW(window_), icon);
        g_object_unref(icon);
    }
    if (!options_.kiosk) {
        headerBar_ = std::make_unique<HeaderBar>([this](WindowAction action) { Perform(action); });
        gtk_window_set_titlebar(GTK_WINDOW(window_), headerBar_->Widget());
    }

    area_ = NewBoardArea(focus_, [this]() { AfterEvent(); });
    gtk_widget_set_can_focus(area_, TRUE);
    gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                     GDK_POINTER_MOTION_MASK | GDK_KEY_PRESS_MASK);
    stack_ = gtk_stack_new();
    gtk_stack_add_named(GTK_STACK(stack_), area_, kBoardPage);
    gtk_stack_add_named(GTK_STACK(stack_), gallery_.Widget(), kGalleryPage);
    gtk_stack_add_named(GTK_STACK(stack_), picker_.Widget(), kChildrenPage);
    // The notice that work cannot be kept lies over the top of the board, over the title art,
    // where the grown-up looks; the board keeps its place and size under it.
    GtkWidget* overlay = gtk_overlay_new();
    notice_ = gtk_info_bar_new();
    gtk_info_bar_set_message_type(GTK_INFO_BAR(notice_), GTK_MESSAGE_WARNING);
    gtk_info_bar_set_show_close_button(GTK_INFO_BAR(notice_), TRUE);
    noticeText_ = gtk_label_new("");
    gtk_label_set_line_wrap(GTK_LABEL(noticeText_), TRUE);
    gtk_label_set_xalign(GTK_LABEL(noticeText_), 0.0f);
    gtk_container_add(GTK_CONTAINER(gtk_info_bar_get_content_area(GTK_INFO_BAR(notice_))),
                      noticeText_);
    g_signal_connect(notice_, "response", G_CALLBACK(gtk_widget_hide), nullptr);
    gtk_widget_set_no_show_all(notice_, TRUE);
    gtk_widget_show(noticeText_);
    gtk_widget_set_valign(notice_, GTK_ALIGN_START);
    gtk_container_add(GTK_CONTAINER(overlay), stack_);
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay), notice_);
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay), toast_.Widget());
    if (options_.kiosk && !options_.children.empty()) {
        // Two clicks change the child: this, then the name.
        childButton_ = gtk_button_new_from_icon_name("system-users-symbolic", GTK_ICON_SIZE_LARGE_TOOLBAR);
        gtk_button_set_always_show_image(GTK_BUTTON(childButton_), TRUE);
        gtk_widget_set_tooltip_text(childButton_, Tr(ActionDescription(WindowAction::kChangeChild)));
        gtk_widget_set_can_focus(childButton_, FALSE);
        gtk_widget_set_halign(childButton_, GTK_ALIGN_START);
        gtk_widget_set_valign(childButton_, GTK_ALIGN_END);
        g_signal_connect(childButton_, "clicked", G_CALLBACK(+[](GtkWidget*, gpointer self) {
                             static_cast<ControlWindow*>(self)->Perform(WindowAction::kChangeChild);
                         }),
                         this);
        gtk_overlay_add_overlay(GTK_OVERLAY(overlay), childButton_);
    }
    gtk_container_add(GTK_CONTAINER(window_), overlay);
    SizeForMonitor();

    g_signal_connect(area_, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(area_, "size-allocate", G_CALLBACK(OnResized), this);
    g_signal_connect(area_, "notify::scale-factor", G_CALLBACK(OnScaleChanged), this);
    g_signal_connect(area_, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(area_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
    g_signal_connect(area_, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window_, "window-state-event", G_CALLBACK(OnWindowState), this);

    GdkDisplay* display = gtk_widget_get_display(window_);
    arrowCursor_ = gdk_cursor_new_from_name(display, "default");
    brushCursor_ = LoadBrushCursor(display);
    busyCursor_ = gdk_cursor_new_from_name(display, "wait");

    control_.Board().SetWorkStore(&work_);
    // A session ending or a ^C keeps the work, then ends the program as the signal would.
    WatchQuitSignals([this](int signal) {
        Quit();
        EndBySignal(signal);
    });
    // The container's answer to OnInitImage waits for the main loop, as a posted event
    // would, so the window is on the screen while the folder loads and for its message.
    control_.onInitImage = [this]() { g_idle_add(OnLoadFolder, this); };
    control_.showMessage = [this](const std::string& text) { ShowMessage(text); };
    control_.print = [this]() { RunPrintOperation(); };
    control_.ignoreClose = options_.kiosk;
    control_.Board().SetCloseGaps(options_.closeGaps >= 0 ? options_.closeGaps
                                                          : RememberedCloseGaps(workFolder_));
    if (headerBar_) headerBar_->SetCloseGaps(control_.Board().CloseGaps() > 0);
    packChoices_ = ParsePackChoices(ReadSetting(workFolder_, kPackChoicesSetting), kWindowPackChoices);

    pageSetup_ = gtk_page_setup_new();   // the locale's paper, upright
    if (!options_.paper.empty()) {
        GtkPaperSize* paper =
            gtk_paper_size_new(options_.paper == "a4" ? GTK_PAPER_NAME_A4 : GTK_PAPER_NAME_LETTER);
        gtk_page_setup_set_paper_size(pageSetup_, paper);
        gtk_paper_size_free(paper);
    }
    if (options_.landscape) {
        gtk_page_setup_set_orientation(pageSetup_, GTK_PAGE_ORIENTATION_LANDSCAPE);
    }
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
    if (saveTimer_ != 0) g_source_remove(saveTimer_);
    if (window_ != nullptr) gtk_widget_destroy(window_);
    if (busyCursor_ != nullptr) g_object_unref(busyCursor_);
    if (arrowCursor_ != nullptr) g_object_unref(arrowCursor_);
    if (brushCursor_ != nullptr) g_object_unref(brushCursor_);
    if (printSettings_ != nullptr) g_object_unref(printSettings_);
    if (pageSetup_ != nullptr) g_object_unref(pageSetup_);
}

void ControlWindow::SizeForMonitor() {
    // The first size: the board at the largest whole scale that fits the monitor's work
    // area comfortably, in device pixels, so a HiDPI screen gets sharp whole blocks too.
    int scale = 1;
    int factor = 1;
    GdkDisplay* display = gtk_widget_get_display(window_);
    GdkMonitor* monitor = display != nullptr ? gdk_display_get_primary_monitor(display) : nullptr;
    if (monitor == nullptr && display != nullptr) monitor = gdk_display_get_monitor(display, 0);
    if (monitor != nullptr) {
        GdkRectangle work{};
        gdk_monitor_get_workarea(monitor, &work);
        factor = std::max(1, gdk_monitor_get_scale_factor(monitor));
        scale = FirstWindowScale(work.width * factor, work.height * factor);
    }
    const int width = (kBoardWidth * scale + factor - 1) / factor;
    const int height = (kBoardHeight * scale + factor - 1) / factor;
    // Asked for at first, then given up once shown, so the window can be made smaller.
    gtk_widget_set_size_request(area_, width, height);
}

int ControlWindow::Run() {
    if (options_.fullscreen || options_.kiosk) gtk_window_fullscreen(GTK_WINDOW(window_));
    gtk_widget_show_all(window_);
    // The pages were shown as they were made; the board is the one in front.
    gtk_stack_set_visible_child(GTK_STACK(stack_), area_);
    gtk_widget_set_size_request(area_, kMinimumWidth, kMinimumHeight);
    gtk_widget_grab_focus(area_);
    if (Translated()) control_.SetLanguage(Tr);
    // A language read right to left has the board mirrored, as GTK mirrors the window.
    control_.SetMirrored(gtk_widget_get_direction(area_) == GTK_TEXT_DIR_RTL);
    view_.SetCanvasPlace(control_.Mirror().Shown(kCanvasRect));
    if (headerBar_) headerBar_->SetChild(child_);
    if (childButton_ != nullptr) gtk_button_set_label(GTK_BUTTON(childButton_), child_.c_str());
    control_.Create();
    if (options_.kiosk) {
        BitmapButton* exit = control_.Board().FindButton(kButtonExit);
        if (exit != nullptr) exit->Enable(false);
        control_.InvalidateControl(exit != nullptr ? exit->GetRect() : Rect{});
        control_.Pump();
    }
    // A family or a class starts by saying who colours.
    if (!options_.children.empty() && child_.empty()) ShowChildren();
    AfterEvent();
    if (!quitting_) gtk_main();
    SaveWorkNow();
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

void ControlWindow::Quit() {
    if (quitting_) return;
    quitting_ = true;
    SaveWorkNow();
    gtk_widget_hide(window_);
    gtk_main_quit();
}

void ControlWindow::SaveWorkNow() {
    if (saveTimer_ != 0) {
        g_source_remove(saveTimer_);
        saveTimer_ = 0;
    }
    RememberLastPicture();
    // Said once, not at every retry; the notice says it in the window.
    if (!work_.Save() && work_.Problem() != noticeShown_) {
        g_printerr("kolo: %s\n", work_.Problem().c_str());
    }
    // Another window coloured the same pictures: this one shows both children's fills now.
    for (const auto& [key, work] : work_.TakeMerged()) control_.Board().TakeStoredWork(key, work);
}

gboolean ControlWindow::OnSaveWork(gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    self->saveTimer_ = 0;
    self->SaveWorkNow();
    self->AfterEvent();
    return G_SOURCE_REMOVE;
}

void ControlWindow::ShowStoreNotice() {
    const std::string& problem = work_.Problem();
    if (problem == noticeShown_) return;
    noticeShown_ = problem;
    if (problem.empty()) {
        gtk_widget_hide(notice_);
        return;
    }
    gtk_label_set_text(GTK_LABEL(noticeText_), problem.c_str());
    gtk_widget_show(notice_);
}

void ControlWindow::ToggleCloseGaps() {
    ColouringBoard& board = control_.Board();
    const int on = options_.closeGaps > 0 ? options_.closeGaps : kDefaultCloseGaps;
    board.SetCloseGaps(board.CloseGaps() > 0 ? 0 : on);
    WriteSetting(workFolder_, kCloseGapsSetting, std::to_string(board.CloseGaps()));
    if (headerBar_) headerBar_->SetCloseGaps(board.CloseGaps() > 0);
}

void ControlWindow::AfterEvent() {
    if (control_.Closed()) {
        Quit();
        return;
    }
    ColouringBoard& board = control_.Board();
    if (reopenPending_ && !board.IsLoading() && !board.Pictures().empty()) {
        reopenPending_ = false;
        if (!touched_) ReopenLastPicture();
    }
    if (work_.Unsaved()) {
        const std::string coloured = board.ImageUrl() + "\n" + board.CanvasPictureName() + "\n";
        if (board.CanvasIndex() >= 0) lastPicture_ = coloured;
        // Each event restarts the wait, so a burst of fills is written once.
        if (saveTimer_ != 0) g_source_remove(saveTimer_);
        saveTimer_ = g_timeout_add(kSaveDelayMs, OnSaveWork, this);
    }
    // The picture is held at as much detail as the board has device pixels for it.
    const int factor = std::max(1, gtk_widget_get_scale_factor(area_));
    const BoardPlacement placement = FitBoard(gtk_widget_get_allocated_width(area_) * factor,
                                              gtk_widget_get_allocated_height(area_) * factor);
    board.SetDetail(DetailForScale(placement.scale));
    ShowStoreNotice();
    control_.Pump();
    if (headerBar_) {
        headerBar_->SetHavePicture(board.HasCanvasPicture());
        headerBar_->SetPictureName(board.CanvasPictureName());
        headerBar_->SetFinished(board.CanvasFinished());
    }
    const RectList changed = view_.Update(control_.Screen(), control_.TakeChanged());
    view_.UpdateCanvas(board, placement, changed);
    QueueBoardDraw(changed);
    BoardAccessibleChanged(area_);
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

void ControlWindow::QueueBoardDraw(const RectList& changed) {
    // The focus marks follow the keyboard, not the screen: while they show, and once more as
    // they go, the whole board is drawn again.
    const bool focusShown = focus_.Focused() != BoardPart::kNone;
    if (focusShown || focusShown_) {
        focusShown_ = focusShown;
        gtk_widget_queue_draw(area_);
        return;
    }
    if (changed.IsEmpty()) return;
    const int factor = std::max(1, gtk_widget_get_scale_factor(area_));
    const BoardPlacement placement = FitBoard(gtk_widget_get_allocated_width(area_) * factor,
                                              gtk_widget_get_allocated_height(area_) * factor);
    // Each area on its own: GTK gathers them into one region, and draws only that.
    for (const Rect& area : changed) {
        const Rect device = ShownArea(placement, area);
        const int left = static_cast<int>(std::floor(static_cast<double>(device.left) / factor));
        const int top = static_cast<int>(std::floor(static_cast<double>(device.top) / factor));
        const int right = static_cast<int>(std::ceil(static_cast<double>(device.right) / factor));
        const int bottom =
            static_cast<int>(std::ceil(static_cast<double>(device.bottom) / factor));
        gtk_widget_queue_draw_area(area_, left, top, right - left, bottom - top);
    }
}

void ControlWindow::OnResized(GtkWidget*, GdkRectangle*, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    // A new size may take another detail, and the canvas is drawn again at the new scale.
    self->AfterEvent();
    gtk_widget_queue_draw(self->area_);
}

void ControlWindow::OnScaleChanged(GObject*, GParamSpec*, gpointer data) {
    OnResized(nullptr, nullptr, data);
}

gboolean ControlWindow::OnDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    const int factor = std::max(1, gtk_widget_get_scale_factor(widget));
    // Drawn in device pixels: on a HiDPI screen the board uses every pixel it has.
    cairo_save(cr);
    cairo_scale(cr, 1.0 / factor, 1.0 / factor);
    const int width = gtk_widget_get_allocated_width(widget) * factor;
    const int height = gtk_widget_get_allocated_height(widget) * factor;
    self->view_.Draw(cr, width, height);
    // The focus marks are drawn in board pixels, over the board where it lies now.
    const BoardPlacement placement = FitBoard(width, height);
    cairo_translate(cr, placement.left, placement.top);
    cairo_scale(cr, placement.scale, placement.scale);
    self->DrawFocus(cr);
    if (self->options_.kiosk) {
        const BitmapButton* exit = self->control_.Board().FindButton(kButtonExit);
        if (exit != nullptr && !exit->IsEnabled()) {
            const Rect face = self->control_.Mirror().Shown(exit->GetRect());
            cairo_set_source_rgba(cr, 0.9, 0.9, 0.9, kDisabledWash);
            cairo_rectangle(cr, face.left, face.top, face.Width(), face.Height());
            cairo_fill(cr);
        }
    }
    cairo_restore(cr);
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

void ControlWindow::BoardPoint(double x, double y, int& boardX, int& boardY) const {
    const int factor = std::max(1, gtk_widget_get_scale_factor(area_));
    const BoardPlacement placement =
        FitBoard(gtk_widget_get_allocated_width(area_) * factor,
                 gtk_widget_get_allocated_height(area_) * factor);
    if (!MapToBoard(placement, x * factor, y * factor, boardX, boardY)) {
        boardX = -1;
        boardY = -1;
    }
}

gboolean ControlWindow::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    // A double click arrives as two presses and an extra 2BUTTON_PRESS; only presses count.
    if (event->button != GDK_BUTTON_PRIMARY || event->type != GDK_BUTTON_PRESS) return FALSE;
    int x = 0, y = 0;
    self->touched_ = true;
    self->BoardPoint(event->x, event->y, x, y);
    self->control_.LeftButtonDown(x, y);
    self->AfterEvent();
    return TRUE;
}

gboolean ControlWindow::OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    if (event->button != GDK_BUTTON_PRIMARY) return FALSE;
    int x = 0, y = 0;
    self->BoardPoint(event->x, event->y, x, y);
    self->control_.LeftButtonUp(x, y);
    self->AfterEvent();
    return TRUE;
}

gboolean ControlWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    int x = 0, y = 0;
    self->BoardPoint(event->x, event->y, x, y);
    self->control_.MouseMove(x, y);
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
    if (!self->BoardShown()) {
        // The gallery and the names take their own keys; Escape goes back to the board once
        // there is a child to colour as.
        const WindowAction action = ActionForKey(event->keyval, event->state, self->options_.kiosk, true);
        const bool back = event->keyval == GDK_KEY_Escape || action == WindowAction::kGallery;
        if (back && (self->options_.children.empty() || !self->child_.empty())) {
            self->ShowPage(kBoardPage);
            return TRUE;
        }
        if (action != WindowAction::kLeaveKiosk && action != WindowAction::kQuit) return FALSE;
        self->Perform(action);
        return TRUE;
    }
    self->touched_ = true;
    BoardKey key;
    if (gtk_widget_has_focus(self->area_) && BoardKeyOf(event, key) &&
        self->focus_.HandleKey(key)) {
        self->AfterEvent();
        return TRUE;
    }
    // The arrows and Enter browse pictures only while no part of the board has the focus.
    const bool partFocused =
        gtk_widget_has_focus(self->area_) && self->focus_.Focused() != BoardPart::kNone;
    WindowAction action = ActionForKey(event->keyval, event->state, self->options_.kiosk, partFocused);
    if (action == WindowAction::kNone) return FALSE;
    // On the mirrored board Next is on the left: the arrow keys go the way they point.
    const bool arrow = event->keyval == GDK_KEY_Left || event->keyval == GDK_KEY_Right ||
                       event->keyval == GDK_KEY_KP_Left || event->keyval == GDK_KEY_KP_Right;
    if (arrow && self->control_.Mirror().Mirrored()) {
        if (action == WindowAction::kPreviousPicture) {
            action = WindowAction::kNextPicture;
        } else if (action == WindowAction::kNextPicture) {
            action = WindowAction::kPreviousPicture;
        }
    }
    self->Perform(action);
    return TRUE;
}

void ControlWindow::Perform(WindowAction action) {
    if (quitting_) return;
    ColouringBoard& board = control_.Board();
    switch (action) {
        case WindowAction::kNone: return;
        case WindowAction::kUndo: board.Command(kButtonUndo); break;
        case WindowAction::kRedo: board.Command(kButtonRedo); break;
        case WindowAction::kPreviousPicture: board.Command(kButtonPrevious); break;
        case WindowAction::kNextPicture: board.Command(kButtonNext); break;
        case WindowAction::kOpenThumbnail: {
            const Rect thumbnail = control_.Mirror().Shown(kThumbnailRect);
            control_.Click((thumbnail.left + thumbnail.right) / 2, (thumbnail.top + thumbnail.bottom) / 2);
            break;
        }
        case WindowAction::kPrint:
            if (board.SourcePicture().HasPicture()) board.Command(kButtonPrint);
            break;
        case WindowAction::kSave: SavePicture(); break;
        case WindowAction::kPrintAll:
            if (!board.Pictures().empty()) RunPrintOperation(true);
            break;
        case WindowAction::kNewPage: board.NewPage(); break;
        case WindowAction::kAbout:
            if (!options_.kiosk) AboutBox();
            break;
        case WindowAction::kShortcutsWindow:
            if (!options_.kiosk) ShowShortcutsWindow(GTK_WINDOW(window_));
            break;
        case WindowAction::kFinished: ToggleFinished(); break;
        case WindowAction::kGallery: ToggleGallery(); break;
        case WindowAction::kChangeChild: ShowChildren(); break;
        case WindowAction::kFullScreen:
            if (options_.kiosk) break;
            if (fullscreen_) {
                gtk_window_unfullscreen(GTK_WINDOW(window_));
            } else {
                gtk_window_fullscreen(GTK_WINDOW(window_));
            }
            break;
        case WindowAction::kQuit:
            if (!options_.kiosk) Quit();
            return;
        case WindowAction::kLeaveKiosk: Quit(); return;
        case WindowAction::kCloseGaps: ToggleCloseGaps(); break;
    }
    control_.Pump();
    AfterEvent();
}

gboolean ControlWindow::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    self->fullscreen_ = (event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN) != 0;
    return FALSE;
}

gboolean ControlWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    // The work is kept, so closing needs no question; in a classroom it needs Ctrl+Alt+Q.
    if (!self->options_.kiosk) self->Quit();
    return TRUE;   // the destructor destroys the window
}

void ControlWindow::SavePicture() {
    ColouringBoard& board = control_.Board();
    if (!board.SourcePicture().HasPicture()) return;
    // In the classroom no dialog may open: Save goes to the class folder.
    if (options_.saveTo.empty() && (options_.kiosk || !options_.saveDir.empty())) {
        const char* pictures = g_get_user_special_dir(G_USER_DIRECTORY_PICTURES);
        SaveIntoFolder(!options_.saveDir.empty() ? options_.saveDir
                                                 : DefaultSaveFolder(pictures != nullptr ? pictures : ""));
        return;
    }
    std::string path = options_.saveTo;
    if (path.empty()) {
        GtkWidget* dialog = gtk_file_chooser_dialog_new(
            Tr(kSaveTitle), GTK_WINDOW(window_), GTK_FILE_CHOOSER_ACTION_SAVE, Tr(kCancelButton),
            GTK_RESPONSE_CANCEL, Tr(kSaveButton), GTK_RESPONSE_ACCEPT, nullptr);
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
        const char* pictures = g_get_user_special_dir(G_USER_DIRECTORY_PICTURES);
        gtk_file_chooser_set_current_folder(chooser,
                                            pictures != nullptr ? pictures : g_get_home_dir());
        gtk_file_chooser_set_current_name(
            chooser, SuggestedPngName(board.CanvasPictureName()).c_str());
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, Tr(kPngFilterName));
        gtk_file_filter_add_mime_type(filter, "image/png");
        gtk_file_chooser_add_filter(chooser, filter);
        if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
            char* chosen = gtk_file_chooser_get_filename(chooser);
            if (chosen != nullptr) path = chosen;
            g_free(chosen);
        }
        gtk_widget_destroy(dialog);
        if (path.empty()) return;
    }
    if (!SavePicturePng(board, path)) {
        ShowMessage(Tr(kCannotSave) + path);
        return;
    }
    TellSaved(path);
}

void ControlWindow::SaveIntoFolder(const std::string& folder) {
    ColouringBoard& board = control_.Board();
    std::string stem = SuggestedPngName(board.CanvasPictureName());
    stem = stem.substr(0, stem.size() - 4) + kColouredTail;   // without ".png"
    std::string reason;
    const std::string path = SaveUnderNewName(
        folder, stem, [&board](const std::string& to) { return SavePicturePng(board, to); }, reason);
    if (path.empty()) {
        g_printerr("kolo: the picture could not be saved in %s: %s\n", folder.c_str(), reason.c_str());
        toast_.Show(Tr(kCannotSave) + folder, "", GTK_WINDOW(window_));
        return;
    }
    TellSaved(path);
}

void ControlWindow::TellSaved(const std::string& path) {
    const char* home = g_get_home_dir();
    const std::string shown = PathFromHome(path, home != nullptr ? home : "");
    // Outside the classroom the folder can be opened from the notice.
    const std::string folder = options_.kiosk ? std::string() : path.substr(0, path.find_last_of('/'));
    toast_.Show(TrFormat(kSavedTo, shown), folder, GTK_WINDOW(window_));
}

void ControlWindow::ShowPage(const char* name) {
    gtk_stack_set_visible_child_name(GTK_STACK(stack_), name);
    if (std::string(name) == kBoardPage) gtk_widget_grab_focus(area_);
}

bool ControlWindow::BoardShown() const {
    return gtk_stack_get_visible_child(GTK_STACK(stack_)) == area_;
}

void ControlWindow::ToggleGallery() {
    if (!BoardShown()) {
        ShowPage(kBoardPage);
        return;
    }
    gallery_.Fill(control_.Board());
    ShowPage(kGalleryPage);
}

void ControlWindow::ToggleFinished() {
    ColouringBoard& board = control_.Board();
    if (!board.HasCanvasPicture()) return;
    board.SetCanvasFinished(!board.CanvasFinished());
    // Without the header bar's star the window says it.
    if (!headerBar_) {
        toast_.Show(Tr(board.CanvasFinished() ? kMarkedFinished : kNotFinished), "", GTK_WINDOW(window_));
    }
}

void ControlWindow::ShowChildren() {
    std::vector<std::string> names = options_.children;
    // Outside the classroom the children already kept are offered too, and a new one.
    if (!options_.kiosk) {
        for (const std::string& known : KnownChildren(workFolder_)) {
            if (std::find(names.begin(), names.end(), known) == names.end()) names.push_back(known);
        }
    }
    picker_.SetNames(names, !options_.kiosk);
    ShowPage(kChildrenPage);
}

void ControlWindow::SwitchChild(const std::string& child) {
    SaveWorkNow();
    if (child != child_ || work_.Folder() != ChildWorkFolder(workFolder_, child)) {
        child_ = child;
        work_ = PictureWork(ChildWorkFolder(workFolder_, child));
        lastPicture_.clear();
        control_.Board().ChangeWorkStore(&work_);
        ReopenLastPicture();
    }
    if (headerBar_) headerBar_->SetChild(child_);
    if (childButton_ != nullptr) gtk_button_set_label(GTK_BUTTON(childButton_), child_.c_str());
    ShowPage(kBoardPage);
    control_.Pump();
    AfterEvent();
}

void ControlWindow::ReopenLastPicture() {
    if (work_.Folder().empty()) return;
    std::ifstream in(work_.Folder() + "/" + kLastPictureSetting);
    std::string folder, picture;
    ColouringBoard& board = control_.Board();
    if (!std::getline(in, folder) || !std::getline(in, picture) || folder != board.ImageUrl()) return;
    const std::vector<std::string>& names = board.PictureNames();
    const auto found = std::find(names.begin(), names.end(), picture);
    if (found == names.end() || static_cast<std::int32_t>(found - names.begin()) == board.CanvasIndex()) return;
    board.ShowPicture(static_cast<std::int32_t>(found - names.begin()));
    control_.Pump();
}

void ControlWindow::RememberLastPicture() {
    if (lastPicture_.empty() || work_.Folder().empty()) return;
    std::string reason;
    const std::string text = lastPicture_;
    if (WriteFileAtomically(work_.Folder() + "/" + kLastPictureSetting,
                            [&text](std::FILE* file) {
                                return std::fwrite(text.data(), 1, text.size(), file) == text.size() ? 0 : EIO;
                            },
                            reason)) {
        lastPicture_.clear();
    }
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
    RunAboutDialog(GTK_WINDOW(window_), icon);
    if (icon != nullptr) g_object_unref(icon);
}

// The board's Print runs the operation; its page handler draws the page. Cancelling the
// operation's dialog never reaches the page handler, so nothing is printed.
void ControlWindow::RunPrintOperation(bool allPictures) {
    GtkPrintOperation* operation = gtk_print_operation_new();
    // The job is known by the picture it prints.
    const std::string picture = allPictures ? std::string() : control_.Board().CanvasPictureName();
    const std::string jobName =
        picture.empty() ? std::string(kProgramName) : picture.substr(picture.find_last_of('/') + 1) + kJobNameTail;
    gtk_print_operation_set_job_name(operation, jobName.c_str());
    // Paper and orientation are the user's choice, kept for the next print of the run.
    gtk_print_operation_set_embed_page_setup(operation, TRUE);
    gtk_print_operation_set_default_page_setup(operation, pageSetup_);
    if (printSettings_ != nullptr) gtk_print_operation_set_print_settings(operation, printSettings_);
    const auto pictures = static_cast<gint>(control_.Board().Pictures().size());
    gtk_print_operation_set_n_pages(operation, allPictures ? PackPageCount(static_cast<std::size_t>(pictures),
                                                                           packChoices_.perPage)
                                                           : 1);
    // The board sets its own one-inch margins from the paper's edge.
    gtk_print_operation_set_use_full_page(operation, TRUE);
    gtk_print_operation_set_unit(operation, GTK_UNIT_POINTS);
    g_signal_connect(operation, "draw-page", G_CALLBACK(allPictures ? OnDrawPackPage : OnDrawPage), this);
    if (allPictures) {
        gtk_print_operation_set_custom_tab_label(operation, PackTabLabel());
        g_signal_connect(operation, "create-custom-widget", G_CALLBACK(OnCreatePackTab), this);
        g_signal_connect(operation, "custom-widget-apply", G_CALLBACK(OnApplyPackTab), this);
        g_signal_connect(operation, "begin-print", G_CALLBACK(OnBeginPack), this);
    }

    GtkPrintOperationAction action = GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG;
    std::string temporary;
    if (!options_.exportPdf.empty()) {
        const std::string& path = options_.exportPdf;
        const std::size_t slash = path.rfind('/');
        const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
        temporary = path.substr(0, name) + "." + path.substr(name) + "." +
                    std::to_string(getpid()) + "-print.part";
        gtk_print_operation_set_export_filename(operation, temporary.c_str());
        action = GTK_PRINT_OPERATION_ACTION_EXPORT;
    } else if (options_.kiosk) {
        // No dialog in the classroom: the default printer, once it is known to be there.
        if (printer_.empty()) {
            g_object_unref(operation);
            PrintToDefaultPrinter();
            return;
        }
        GtkPrintSettings* settings = gtk_print_settings_new();
        gtk_print_settings_set_printer(settings, printer_.c_str());
        gtk_print_operation_set_print_settings(operation, settings);
        g_object_unref(settings);
        action = GTK_PRINT_OPERATION_ACTION_PRINT;
    }
    GError* error = nullptr;
    const GtkPrintOperationResult result =
        gtk_print_operation_run(operation, action, GTK_WINDOW(window_), &error);
    if (result == GTK_PRINT_OPERATION_RESULT_APPLY) {
        GtkPrintSettings* settings = gtk_print_operation_get_print_settings(operation);
        if (settings != nullptr) {
            if (printSettings_ != nullptr) g_object_unref(printSettings_);
            printSettings_ = GTK_PRINT_SETTINGS(g_object_ref(settings));
        }
    }
    std::string failure;
    if (result == GTK_PRINT_OPERATION_RESULT_ERROR) {
        failure = error != nullptr ? error->message : ErrorReason(EIO);
        g_printerr("kolo: printing failed: %s\n", failure.c_str());
    }
    if (error != nullptr) g_error_free(error);
    g_object_unref(operation);
    if (!temporary.empty()) {
        if (result != GTK_PRINT_OPERATION_RESULT_APPLY) {
            unlink(temporary.c_str());
        } else if (!FinishPdf(temporary, options_.exportPdf, failure)) {
            g_printerr("kolo: printing failed: %s\n", failure.c_str());
        }
        // The page is a file the user chose, so its failure is said like Save's.
        if (!failure.empty()) ShowMessage(Tr(kCannotPrint) + options_.exportPdf + ": " + failure);
    } else if (!failure.empty() && options_.kiosk) {
        // Without the print system's dialog the classroom hears it here.
        toast_.Show(Tr(kCannotPrintHere), "", GTK_WINDOW(window_));
    }
}

namespace {

// The search for the default printer, shared by the enumeration and the poll that waits for
// it; either may outlive the window.
struct PrinterSearch {
    std::shared_ptr<bool> alive;
    std::string found;
    int waitedMs = 0;
};

}  // namespace

void ControlWindow::PrintToDefaultPrinter() {
    if (printerSearch_) return;   // one press is enough; the search is under way
    printerSearch_ = true;
    auto search = std::make_shared<PrinterSearch>(PrinterSearch{alive_, {}, 0});
    gtk_enumerate_printers(
        [](GtkPrinter* printer, gpointer data) -> gboolean {
            auto& found = (*static_cast<std::shared_ptr<PrinterSearch>*>(data))->found;
            if (!gtk_printer_is_default(printer) || gtk_printer_is_virtual(printer)) return FALSE;
            found = gtk_printer_get_name(printer);
            return TRUE;
        },
        new std::shared_ptr<PrinterSearch>(search),
        [](gpointer data) { delete static_cast<std::shared_ptr<PrinterSearch>*>(data); }, FALSE);
    struct Poll {
        ControlWindow* window;
        std::shared_ptr<PrinterSearch> search;
    };
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, kPrinterPollMs,
        [](gpointer data) -> gboolean {
            auto* poll = static_cast<Poll*>(data);
            PrinterSearch& search = *poll->search;
            search.waitedMs += static_cast<int>(kPrinterPollMs);
            if (!*search.alive) return G_SOURCE_REMOVE;
            if (search.found.empty() && search.waitedMs < kPrinterSearchMs) return G_SOURCE_CONTINUE;
            ControlWindow* window = poll->window;
            window->printerSearch_ = false;
            if (search.found.empty()) {
                g_printerr("kolo: printing failed: no default printer\n");
                window->toast_.Show(Tr(kCannotPrintHere), "", GTK_WINDOW(window->window_));
            } else {
                window->printer_ = search.found;
                window->RunPrintOperation();
            }
            return G_SOURCE_REMOVE;
        },
        new Poll{this, search}, [](gpointer data) { delete static_cast<Poll*>(data); });
}

void ControlWindow::OnDrawPage(GtkPrintOperation*, GtkPrintContext* context, gint,
                               gpointer data) {
    static_cast<ControlWindow*>(data)->PrintPage(context);
}

void ControlWindow::OnDrawPackPage(GtkPrintOperation*, GtkPrintContext* context, gint page,
                                   gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    DrawBoardPackPage(gtk_print_context_get_cairo_context(context), gtk_print_context_get_width(context),
                      gtk_print_context_get_height(context), page, self->control_.Board(), self->packChoices_,
                      PrintResolution(context) / 72.0);
}

GObject* ControlWindow::OnCreatePackTab(GtkPrintOperation*, gpointer data) {
    return G_OBJECT(NewPackTab(static_cast<ControlWindow*>(data)->packChoices_));
}

void ControlWindow::OnApplyPackTab(GtkPrintOperation*, GtkWidget* tab, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    self->packChoices_ = PackTabChoices(tab);
    WriteSetting(self->workFolder_, kPackChoicesSetting, FormatPackChoices(self->packChoices_));
}

void ControlWindow::OnBeginPack(GtkPrintOperation* operation, GtkPrintContext*, gpointer data) {
    auto* self = static_cast<ControlWindow*>(data);
    gtk_print_operation_set_n_pages(
        operation, PackPageCount(self->control_.Board().Pictures().size(), self->packChoices_.perPage));
}

void ControlWindow::PrintPage(GtkPrintContext* context) {
    const double dpiX = gtk_print_context_get_dpi_x(context);
    const double dpiY = gtk_print_context_get_dpi_y(context);
    if (dpiX <= 0 || dpiY <= 0) return;
    const double scale = PrintScale(dpiX, dpiY);
    // Width and height in points (the unit set above); device pixels are points × dpi / 72.
    const int pageWidth = ToInt(gtk_print_context_get_width(context) * dpiX / 72.0 * scale);
    const int pageHeight = ToInt(gtk_print_context_get_height(context) * dpiY / 72.0 * scale);
    const int resolutionX = ToInt(dpiX * scale);
    const int resolutionY = ToInt(dpiY * scale);
    const ColouringBoard& board = control_.Board();
    const Rect placement = board.PrintPlacement(pageWidth, pageHeight, resolutionX, resolutionY);
    if (placement.IsEmpty()) return;
    // The picture is fitted and coloured again for the printer's dots where the board holds
    // it at less detail than they show, leaving the window's own picture as it is. A page
    // finer still gets the picture's own pixels, enlarged smoothly by the page's renderer
    // instead of some of them doubled.
    const int detail = DetailForScale(std::min(
        static_cast<double>(placement.Width()) / kCanvasRect.Width(),
        static_cast<double>(placement.Height()) / kCanvasRect.Height()));
    const double fit = board.HasCanvasPicture()
                           ? std::min({1.0, static_cast<double>(detail) * kCanvasRect.Width() / placement.Width(),
                                       static_cast<double>(detail) * kCanvasRect.Height() / placement.Height()})
                           : 1.0;
    const int width = std::max(1, ToInt(placement.Width() * fit));
    const int height = std::max(1, ToInt(placement.Height() * fit));
    // The board draws the picture at the page's own resolution, text included, and cairo puts
    // those pixels on the page.
    FramebufferContext picture(width, height);
    picture.SetResolution(ToInt(resolutionY * fit));
    board.DrawPictureInto(picture, Rect{0, 0, width, height}, detail);
    cairo_surface_t* image = PageSurface(picture.Row(0), picture.Width(), picture.Height());
    if (image == nullptr) return;

    // The context's units are points; one device pixel of the page is 72 / dpi of them.
    cairo_t* cr = gtk_print_context_get_cairo_context(context);
    cairo_save(cr);
    cairo_scale(cr, 72.0 / resolutionX, 72.0 / resolutionY);
    cairo_translate(cr, placement.left, placement.top);
    cairo_scale(cr, static_cast<double>(placement.Width()) / width,
                static_cast<double>(placement.Height()) / height);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), fit < 1.0 ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
}

}  // namespace kolo
