#include <gtest/gtest.h>

#include "history/FillHistory.h"

namespace kolo {
namespace {

void ExpectEntry(const FillEntry& e, std::uint32_t oldColour, std::uint32_t newColour,
                 std::int32_t x, std::int32_t y) {
    EXPECT_EQ(e.oldColour, oldColour);
    EXPECT_EQ(e.newColour, newColour);
    EXPECT_EQ(e.x, x);
    EXPECT_EQ(e.y, y);
}

void ExpectEmptyAnswer(const FillEntry& e) {
    EXPECT_EQ(e.x, -1);
    EXPECT_EQ(e.y, -1);
}

TEST(FillHistory, NewHistoryHasNothingToTake) {
    FillHistory history;
    EXPECT_EQ(history.CanUndo(), 0);
    EXPECT_EQ(history.CanRedo(), 0);
    ExpectEmptyAnswer(history.TakeUndo());
    ExpectEmptyAnswer(history.TakeRedo());
    EXPECT_EQ(history.CanUndo(), 0);
    EXPECT_EQ(history.CanRedo(), 0);
}

TEST(FillHistory, UndoThenRedoWalkTheEntriesInStackOrder) {
    FillHistory history;
    history.Record(0x00FFFFFF, 0x008400FF, 1, 2);
    history.Record(0x008400FF, 0x00336699, 3, 4);
    ExpectEntry(history.TakeUndo(), 0x008400FF, 0x00336699, 3, 4);
    ExpectEntry(history.TakeUndo(), 0x00FFFFFF, 0x008400FF, 1, 2);
    EXPECT_EQ(history.CanUndo(), 0);
    EXPECT_EQ(history.CanRedo(), 1);
    ExpectEmptyAnswer(history.TakeUndo());
    EXPECT_EQ(history.CanRedo(), 1);   // an empty take leaves the other stack alone
    ExpectEntry(history.TakeRedo(), 0x00FFFFFF, 0x008400FF, 1, 2);
    ExpectEntry(history.TakeRedo(), 0x008400FF, 0x00336699, 3, 4);
    ExpectEmptyAnswer(history.TakeRedo());
    EXPECT_EQ(history.CanUndo(), 1);
}

TEST(FillHistory, RecordDiscardsWhatCouldBeRedone) {
    FillHistory history;
    history.Record(1, 2, 10, 10);
    history.Record(2, 3, 20, 20);
    ExpectEntry(history.TakeUndo(), 2, 3, 20, 20);
    history.Record(4, 5, 30, 30);
    EXPECT_EQ(history.CanRedo(), 0);
    ExpectEntry(history.TakeUndo(), 4, 5, 30, 30);
    ExpectEntry(history.TakeUndo(), 1, 2, 10, 10);
    ExpectEmptyAnswer(history.TakeUndo());
}

TEST(FillHistory, ClearEmptiesBothStacks) {
    FillHistory history;
    history.Record(1, 2, 10, 10);
    history.Record(2, 3, 20, 20);
    history.TakeUndo();
    history.Clear();
    EXPECT_EQ(history.CanUndo(), 0);
    EXPECT_EQ(history.CanRedo(), 0);
    ExpectEmptyAnswer(history.TakeUndo());
    ExpectEmptyAnswer(history.TakeRedo());
}

TEST(FillHistory, KeepsAHundredThousandEntries) {
    constexpr std::int32_t kCount = 100000;
    FillHistory history;
    for (std::int32_t i = 0; i < kCount; ++i) {
        history.Record(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i + 1), i, -i);
    }
    for (std::int32_t i = kCount - 1; i >= 0; --i) {
        const FillEntry e = history.TakeUndo();
        ASSERT_EQ(e.x, i);
        ASSERT_EQ(e.y, -i);
        ASSERT_EQ(e.oldColour, static_cast<std::uint32_t>(i));
    }
    ExpectEmptyAnswer(history.TakeUndo());
    for (std::int32_t i = 0; i < kCount; ++i) ASSERT_EQ(history.TakeRedo().x, i);
}

}  // namespace
}  // namespace kolo
