// GalleryView: every picture of the folder as coloured so far, as thumbnails in a grid, a
// star on those marked finished; activating one (a click, or Enter on it) chooses it.
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "board/ColouringBoard.h"

namespace kolo {

class GalleryView {
public:
    // `chosen` is given the index of the picture picked.
    explicit GalleryView(std::function<void(int)> chosen);
    ~GalleryView();
    GalleryView(const GalleryView&) = delete;
    GalleryView& operator=(const GalleryView&) = delete;

    GtkWidget* Widget() const { return scroller_; }
    // Shows the board's pictures as they are now, the one on the canvas selected.
    void Fill(ColouringBoard& board);
    // How many pictures it shows, and how many with the star.
    int Count() const { return count_; }
    int FinishedCount() const { return finished_; }

private:
    static void OnActivated(GtkFlowBox* box, GtkFlowBoxChild* child, gpointer self);

    std::function<void(int)> chosen_;
    GtkWidget* scroller_ = nullptr;
    GtkWidget* grid_ = nullptr;
    int count_ = 0;
    int finished_ = 0;
};

// A pixbuf of `picture` fitted inside maxWidth × maxHeight; null without a picture.
GdkPixbuf* PixbufFromPicture(const CDibImage& picture, int maxWidth, int maxHeight);

}  // namespace kolo
