#include "history/FillHistory.h"

#include <new>
#include <utility>

namespace kolo {
namespace {

constexpr FillEntry kNoEntry{0, 0, -1, -1};

// Moves the top of `from` onto `to`. When `to` cannot grow for want of memory, nothing moves
// and the caller sees an empty answer: better a button that does nothing than a lost entry.
FillEntry MoveTop(std::vector<FillEntry>& from, std::vector<FillEntry>& to) {
    if (from.empty()) return kNoEntry;
    const FillEntry entry = from.back();
    try {
        to.push_back(entry);
    } catch (const std::bad_alloc&) {
        return kNoEntry;
    }
    from.pop_back();
    return entry;
}

// Empties a stack and gives its storage back.
void Discard(std::vector<FillEntry>& stack) { std::vector<FillEntry>().swap(stack); }

}  // namespace

void FillHistory::Record(std::uint32_t oldColour, std::uint32_t newColour, std::int32_t x,
                         std::int32_t y, std::uint32_t closeGaps) {
    try {
        undo_.push_back(FillEntry{oldColour, newColour, x, y, closeGaps});
    } catch (const std::bad_alloc&) {
        // Out of memory: the fill stays on the canvas but cannot be undone.
    }
    Discard(redo_);
}

FillEntry FillHistory::TakeUndo() { return MoveTop(undo_, redo_); }

FillEntry FillHistory::TakeRedo() { return MoveTop(redo_, undo_); }

void FillHistory::Clear() {
    Discard(undo_);
    Discard(redo_);
}

void FillHistory::Restore(std::vector<FillEntry> undo, std::vector<FillEntry> redo) {
    undo_ = std::move(undo);
    redo_ = std::move(redo);
}

}  // namespace kolo
