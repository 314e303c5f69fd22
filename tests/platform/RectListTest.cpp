// The list of changed rectangles: what it joins, what it keeps apart, and that whatever was
// added stays covered however many rectangles come.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/RectList.h"

namespace kolo {
namespace {

struct JoinCase {
    const char* name;
    std::vector<Rect> added;
    std::vector<Rect> expected;   // in the order the list holds them
};

TEST(RectList, JoinsOnlyRectanglesThatMeetOrNearlyTouch) {
    const JoinCase cases[] = {
        {"empty adds nothing", {{5, 5, 5, 9}, {3, 3, 2, 8}}, {}},
        {"far apart stay apart", {{0, 0, 10, 10}, {100, 0, 110, 10}}, {{0, 0, 10, 10}, {100, 0, 110, 10}}},
        {"overlap joins", {{0, 0, 10, 10}, {5, 5, 20, 20}}, {{0, 0, 20, 20}}},
        {"a narrow gap joins", {{0, 0, 10, 10}, {25, 0, 30, 10}}, {{0, 0, 30, 10}}},
        {"a gap of the limit stays", {{0, 0, 10, 10}, {26, 0, 30, 10}}, {{0, 0, 10, 10}, {26, 0, 30, 10}}},
        {"a bridge joins all three",
         {{0, 0, 10, 10}, {200, 0, 210, 10}, {100, 100, 120, 120}, {5, 5, 205, 8}},
         {{100, 100, 120, 120}, {0, 0, 210, 10}}},
    };
    for (const JoinCase& c : cases) {
        RectList list;
        for (const Rect& rect : c.added) list.Add(rect);
        EXPECT_EQ(std::vector<Rect>(list.begin(), list.end()), c.expected) << c.name;
    }
}

TEST(RectList, ManyRectanglesStayCoveredWithinTheLimit) {
    std::mt19937 random(23);
    std::uniform_int_distribution<int> place(0, 800), size(1, 40);
    RectList list;
    std::vector<Rect> added;
    for (int i = 0; i < 200; ++i) {
        const int x = place(random), y = place(random);
        added.push_back(Rect{x, y, x + size(random), y + size(random)});
        list.Add(added.back());
        ASSERT_LE(list.Size(), RectList::kMaxRects);
        for (const Rect& r : added) {
            ASSERT_TRUE(list.Contains(r.left, r.top) && list.Contains(r.right - 1, r.bottom - 1)) << i;
        }
    }
    const RectList cut = list.Within(Rect{0, 0, 100, 100});
    EXPECT_LE(cut.Bounds().right, 100);
    EXPECT_LE(cut.Bounds().bottom, 100);
    EXPECT_TRUE(RectList{}.Within(Rect{0, 0, 100, 100}).IsEmpty());
}

}  // namespace
}  // namespace kolo
