// FillHistory: the undo and redo record of fills, two stacks of FillEntry values.
//
// An entry says where a fill started and which colours it swapped; undo and redo repeat the
// fill at that point with the other colour. Taking from an empty stack answers x = y = −1 and
// changes nothing. The history never looks at the picture.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

namespace kolo {

struct FillEntry {
    std::uint32_t oldColour;   // the area's colour before the fill, packed 0x00BBGGRR
    std::uint32_t newColour;   // the colour the fill painted, packed 0x00BBGGRR
    std::int32_t x;            // seed column, 0 = left edge of the canvas
    std::int32_t y;            // seed row counted from the top, 0 = top edge of the canvas
    std::uint32_t closeGaps = 0;   // openings in the lines, in pixels, the fill stopped at (0 … 4)
};
static_assert(sizeof(FillEntry) == 20, "an entry is five 32-bit fields");
static_assert(std::is_trivially_copyable<FillEntry>::value, "entries are plain values");

class FillHistory {
public:
    // Appends to the undo stack and drops everything that could have been redone.
    void Record(std::uint32_t oldColour, std::uint32_t newColour, std::int32_t x, std::int32_t y,
                std::uint32_t closeGaps = 0);
    FillEntry TakeUndo();
    FillEntry TakeRedo();
    int CanUndo() const { return undo_.empty() ? 0 : 1; }
    int CanRedo() const { return redo_.empty() ? 0 : 1; }
    void Clear();

    // The two stacks as they stand (bottom first), and putting back stacks saved from them.
    const std::vector<FillEntry>& UndoEntries() const { return undo_; }
    const std::vector<FillEntry>& RedoEntries() const { return redo_; }
    void Restore(std::vector<FillEntry> undo, std::vector<FillEntry> redo);

private:
    std::vector<FillEntry> undo_;   // oldest first; the top is the back
    std::vector<FillEntry> redo_;   // the entry taken back most recently is the back
};

}  // namespace kolo
