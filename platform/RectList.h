// RectList: a few rectangles that together cover what changed on a screen. A rectangle added
// joins any it overlaps or nearly touches, so the pieces of one change become one rectangle
// while changes far apart (a fill on the canvas and the thumbnail beside it) stay apart and a
// host redraws only them, not the whole span between. Holds at most kMaxRects; past that the
// new rectangle joins the one it grows least.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/Geometry.h"

namespace kolo {

class RectList {
public:
    static constexpr std::size_t kMaxRects = 8;
    // Rectangles closer than this many pixels are joined: the strip between costs less to
    // redraw than a second rectangle's setup.
    static constexpr std::int32_t kNearPixels = 16;

    RectList() = default;
    explicit RectList(const Rect& rect) { Add(rect); }

    void Add(Rect rect) {
        if (rect.IsEmpty()) return;
        for (std::size_t i = 0; i < count_;) {
            if (!Near(rects_[i], rect)) {
                ++i;
                continue;
            }
            // The joined rectangle may now reach others already passed: look again.
            rect = Union(rect, TakeAt(i));
            i = 0;
        }
        if (count_ == kMaxRects) {
            std::size_t best = 0;
            for (std::size_t i = 1; i < count_; ++i) {
                if (Growth(rects_[i], rect) < Growth(rects_[best], rect)) best = i;
            }
            Add(Union(rect, TakeAt(best)));
            return;
        }
        rects_[count_++] = rect;
    }
    void Add(const RectList& other) {
        for (const Rect& rect : other) Add(rect);
    }

    bool IsEmpty() const { return count_ == 0; }
    std::size_t Size() const { return count_; }
    const Rect* begin() const { return rects_.data(); }
    const Rect* end() const { return rects_.data() + count_; }
    bool Contains(std::int32_t x, std::int32_t y) const {
        for (const Rect& rect : *this) {
            if (rect.Contains(x, y)) return true;
        }
        return false;
    }
    // The smallest rectangle holding them all.
    Rect Bounds() const {
        Rect bounds;
        for (const Rect& rect : *this) bounds = Union(bounds, rect);
        return bounds;
    }
    // Each rectangle cut to `clip`; those left empty go.
    RectList Within(const Rect& clip) const {
        RectList cut;
        for (const Rect& rect : *this) cut.Add(Intersect(rect, clip));
        return cut;
    }

private:
    static bool Near(const Rect& a, const Rect& b) {
        return a.left - kNearPixels < b.right && b.left - kNearPixels < a.right &&
               a.top - kNearPixels < b.bottom && b.top - kNearPixels < a.bottom;
    }
    static std::int64_t Area(const Rect& r) { return std::int64_t{r.Width()} * r.Height(); }
    static std::int64_t Growth(const Rect& kept, const Rect& added) {
        return Area(Union(kept, added)) - Area(kept);
    }
    Rect TakeAt(std::size_t i) {
        const Rect taken = rects_[i];
        rects_[i] = rects_[--count_];
        return taken;
    }

    std::array<Rect, kMaxRects> rects_{};
    std::size_t count_ = 0;
};

}  // namespace kolo
