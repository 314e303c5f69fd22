// ControlWindow: the control in a GTK 3 window, and the program as its container.
//
// The window can take any size: the board is scaled to fit it (BoardView), and pointer
// positions are mapped back to the board. A header bar carries New page, Save, Print and a
// menu of every action with its shortcut (HeaderBar, Shortcuts). The host services the
// software control leaves to its window are answered with GTK: the brush or arrow cursor,
// the message as a modal warning dialog, the print dialog through GtkPrintOperation with the
// page setup, closing the window on Exit.
//
// Nothing coloured is lost (PictureWork): every picture keeps its work for the run and in
// the user's data folder, so Exit and the window's close button quit without a question.
// In the classroom mode the window is full screen without its bar, and only Ctrl+Alt+Q ends
// the program: no key or button opens a file chooser, a print dialog or another window,
// Save writes to the class folder under a new name and says so in the window, Print goes
// straight to the printer, and Exit shows disabled.
//
// Each child's work can be kept apart (--child, or a tile of the start screen that
// --children fills), in a folder of the child's name under the kept-work folder; the
// program reopens on the picture the child last coloured. The gallery shows every picture
// of the folder as coloured so far, a star on the finished ones.
//
// As the container, the program answers OnInitImage with SetImageURL of the address it was
// given, once the window is on the screen. The folder's pictures arrive through GLib's main
// context while the window goes on answering; meanwhile the board shows the busy cursor and
// the title how far the load is.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/BoardView.h"
#include "app/ClassPack.h"
#include "app/ChildPicker.h"
#include "app/GalleryView.h"
#include "app/HeaderBar.h"
#include "app/PictureWork.h"
#include "app/Shortcuts.h"
#include "app/Toast.h"
#include "control/BoardFocus.h"
#include "control/SoftControl.h"

namespace kolo {

struct WindowOptions {
    std::string address;     // the folder to open; the bundled samples when empty
    std::string exportPdf;   // when set, Print writes this PDF file instead of asking
    std::string saveTo;      // when set, Save writes this PNG file instead of asking
    std::string paper;       // "a4", "letter", or "" for the locale's
    bool landscape = false;
    bool fullscreen = false;
    bool kiosk = false;
    int closeGaps = -1;      // from --close-gaps; −1 for the setting the menu keeps
    std::string workFolder;  // where work is kept across runs; "" for the user's data folder
    std::string saveDir;     // when set, Save writes here under a new name without asking
    std::string child;       // whose work this is; "" for the work kept without a name
    std::vector<std::string> children;   // the start screen's tiles
};

class ControlWindow {
public:
    explicit ControlWindow(const WindowOptions& options);
    ~ControlWindow();
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;

    // Shows the window and runs until it is closed (Exit or the window manager). Returns the
    // program's exit status.
    int Run();

    // The automation method: the About box, modal, returning when it is closed.
    void AboutBox();

    void Perform(WindowAction action);

private:
    static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static void OnResized(GtkWidget* widget, GdkRectangle* allocation, gpointer self);
    static void OnScaleChanged(GObject* widget, GParamSpec* property, gpointer self);
    static gboolean OnButtonPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean OnButtonRelease(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
    static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean OnWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer self);
    static gboolean OnLoadFolder(gpointer self);
    // Runs a task of the folder loader on the main loop's thread.
    void PostToMainLoop(std::function<void()> task);
    static gboolean OnSaveWork(gpointer self);
    static void OnDrawPage(GtkPrintOperation* operation, GtkPrintContext* context, gint page,
                           gpointer self);
    // A page of "Print all pictures…": the folder's pictures with their colouring, one a page.
    static void OnDrawPackPage(GtkPrintOperation* operation, GtkPrintContext* context, gint page,
                               gpointer self);
    // Its tab in the print dialog, what the tab chose, and the pages that makes.
    static GObject* OnCreatePackTab(GtkPrintOperation* operation, gpointer self);
    static void OnApplyPackTab(GtkPrintOperation* operation, GtkWidget* tab, gpointer self);
    static void OnBeginPack(GtkPrintOperation* operation, GtkPrintContext* context, gpointer self);

    // After every event: show what changed, keep the work, follow the cursor, close on Exit.
    void AfterEvent();
    // The menu's "Close small gaps": off, or on at --close-gaps (the default without it).
    void ToggleCloseGaps();
    // Asks for the window pixels that show the changed board pixels to be drawn again.
    void QueueBoardDraw(const RectList& changed);
    // The keyboard's focus ring and cross, in board pixels over the drawn board.
    void DrawFocus(cairo_t* cr);
    void Quit();
    void SaveWorkNow();
    // The in-window notice follows the store's problem: shown with its reason, gone once the
    // work can be kept again.
    void ShowStoreNotice();
    // The board point under a widget point; (−1, −1) off the board.
    void BoardPoint(double x, double y, int& boardX, int& boardY) const;
    void SizeForMonitor();
    void ShowMessage(const std::string& text);
    void SavePicture();
    // The picture on the canvas, or every picture of the folder.
    void RunPrintOperation(bool allPictures = false);
    // Save without a dialog: a new file in the class folder, told in the window.
    void SaveIntoFolder(const std::string& folder);
    // After a save: where it went, with a way to the folder outside the classroom.
    void TellSaved(const std::string& path);
    // The classroom's print, without a dialog: the desktop's default printer is looked for
    // first, for a few seconds, since asking GTK to print to a default printer that does not
    // exist waits for ever.
    void PrintToDefaultPrinter();
    // Which page the window shows: the board, the gallery, or the children's names.
    void ShowPage(const char* name);
    bool BoardShown() const;
    void ToggleGallery();
    void ToggleFinished();
    void ShowChildren();
    // Colours as `child` from now on: the work so far is kept, and the child's comes back.
    void SwitchChild(const std::string& child);
    // The picture the child coloured last, kept beside the work, goes back on the canvas.
    void ReopenLastPicture();
    void RememberLastPicture();
    void PrintPage(GtkPrintContext* context);

    WindowOptions options_;
    // False once the window is going; tasks still queued in the main loop then do nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    SoftControl control_;
    BoardFocus focus_{control_};
    bool focusShown_ = false;   // the marks were drawn last time
    std::string workFolder_;   // where work and the gap-closing setting are kept; "" for nowhere
    PictureWork work_;
    BoardView view_;
    std::unique_ptr<HeaderBar> headerBar_;
    Toast toast_;
    GalleryView gallery_;
    ChildPicker picker_;
    std::string child_;
    bool reopenPending_ = true;    // the last picture is to come back once the folder is in
    bool touched_ = false;
    bool printerSearch_ = false;   // the classroom's print is looking for the printer         // the child acted on the board since the folder began
    std::string lastPicture_;      // the folder and picture last coloured, as kept
    GtkWidget* window_ = nullptr;
    GtkWidget* stack_ = nullptr;
    GtkWidget* childButton_ = nullptr;   // the classroom's way to the start screen
    GtkWidget* area_ = nullptr;
    GtkWidget* notice_ = nullptr;       // an info bar, hidden while the work is kept
    GtkWidget* noticeText_ = nullptr;
    std::string noticeShown_;
    GdkCursor* arrowCursor_ = nullptr;
    GdkCursor* brushCursor_ = nullptr;
    GdkCursor* busyCursor_ = nullptr;
    std::string shownTitle_;
    BoardCursor shownCursor_ = BoardCursor::kArrow;
    GtkPrintSettings* printSettings_ = nullptr;
    std::string printer_;          // the printer the classroom prints on, once found
    GtkPageSetup* pageSetup_ = nullptr;
    PackChoices packChoices_;      // "Print all pictures…", as last chosen
    guint saveTimer_ = 0;
    bool fullscreen_ = false;
    bool quitting_ = false;
};

}  // namespace kolo
