// The point queue: order, emptying and refilling, and that every node it makes is freed.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fill_fixture.h"

namespace {

using tooltest::NodeCounter;

std::vector<std::pair<LONG, LONG>> Drain(PointQueue& queue) {
    std::vector<std::pair<LONG, LONG>> out;
    while (!queue.IsEmpty()) {
        POINT pt;
        queue.Front(pt);
        out.emplace_back(pt.x, pt.y);
        queue.Pop();
    }
    return out;
}

TEST(PointQueue, PointsComeOutInPushOrderDuplicatesIncluded) {
    PointQueue queue(5, -7);
    ASSERT_FALSE(queue.IsEmpty());
    POINT pt{};
    queue.Front(pt);
    EXPECT_EQ(pt.x, 5);
    EXPECT_EQ(pt.y, -7);

    queue.Push(659, 459);
    queue.Push(1, 2);
    queue.Push(659, 459);  // the same point twice comes out twice
    queue.Push(0, 0);
    using P = std::pair<LONG, LONG>;
    EXPECT_EQ(Drain(queue), (std::vector<P>{{5, -7}, {659, 459}, {1, 2}, {659, 459}, {0, 0}}));
    EXPECT_TRUE(queue.Ok());
}

TEST(PointQueue, PopOnEmptyChangesNothingAndPushAfterEmptyingStartsAfresh) {
    NodeCounter counter;
    {
        PointQueue queue(1, 1);
        queue.Pop();
        EXPECT_TRUE(queue.IsEmpty());
        queue.Pop();  // on an empty queue: nothing happens
        queue.Pop();
        EXPECT_TRUE(queue.IsEmpty());
        EXPECT_EQ(counter.freed, 1);

        // After the last node went, the tail must not point at the freed node any more.
        queue.Push(10, 20);
        ASSERT_FALSE(queue.IsEmpty());
        POINT pt{};
        queue.Front(pt);
        EXPECT_EQ(pt.x, 10);
        EXPECT_EQ(pt.y, 20);
        queue.Push(11, 21);
        using P = std::pair<LONG, LONG>;
        EXPECT_EQ(Drain(queue), (std::vector<P>{{10, 20}, {11, 21}}));

        // Emptied and refilled several times over, interleaved.
        for (int round = 0; round < 3; round++) {
            queue.Push(round, 0);
            queue.Push(round, 1);
            queue.Pop();
            queue.Push(round, 2);
            EXPECT_EQ(Drain(queue), (std::vector<P>{{round, 1}, {round, 2}}));
        }
    }
    EXPECT_EQ(counter.allocated, counter.freed);
}

TEST(PointQueue, DestructionFreesEveryNodeStillQueued) {
    NodeCounter counter;
    {
        PointQueue queue(0, 0);
        for (int i = 1; i < 1000; i++) queue.Push(i, -i);
        queue.Pop();
        queue.Pop();
        EXPECT_EQ(counter.allocated, 1000);
        EXPECT_EQ(counter.freed, 2);
    }
    EXPECT_EQ(counter.freed, 1000);

    {
        PointQueue queue(3, 4);
        queue.Pop();
    }
    EXPECT_EQ(counter.allocated, 1001);
    EXPECT_EQ(counter.freed, 1001);  // an empty queue frees nothing more on destruction
}

TEST(PointQueue, FailedAllocationIsReportedAndLosesNothingQueued) {
    NodeCounter counter;
    {
        counter.budget = 0;
        PointQueue queue(1, 2);  // the seed itself cannot be made
        EXPECT_FALSE(queue.Ok());
        EXPECT_TRUE(queue.IsEmpty());
        queue.Pop();
    }
    {
        counter.budget = 3;
        PointQueue queue(1, 1);
        queue.Push(2, 2);
        queue.Push(3, 3);
        EXPECT_TRUE(queue.Ok());
        queue.Push(4, 4);  // refused
        EXPECT_FALSE(queue.Ok());
        counter.budget = -1;
        queue.Push(5, 5);  // still usable: the refused point is simply missing
        using P = std::pair<LONG, LONG>;
        EXPECT_EQ(Drain(queue), (std::vector<P>{{1, 1}, {2, 2}, {3, 3}, {5, 5}}));
        EXPECT_FALSE(queue.Ok());  // the failure stays reported
    }
    EXPECT_EQ(counter.allocated, counter.freed);
}

}  // namespace
