#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "ui/MessageQueue.h"

TEST(MessageQueue, MessagesAndTasksRunInPostingOrder) {
    CMessageQueue q;
    std::vector<int> order;
    q.PostMessage(1, 10, -1);
    q.PostTask([&](bool) { order.push_back(-2); });
    q.PostMessage(3);
    EXPECT_EQ(q.PendingCount(), 3u);
    EXPECT_EQ(q.DispatchPending([&](const PostedMessage& m) {
        order.push_back(static_cast<int>(m.nMessage));
        if (m.nMessage == 1) {
            EXPECT_EQ(m.wParam, 10u);
            EXPECT_EQ(m.lParam, -1);
        }
    }),
              3);
    EXPECT_EQ(order, (std::vector<int>{1, -2, 3}));
}

TEST(MessageQueue, WhatAHandlerPostsWaitsForTheNextDispatch) {
    CMessageQueue q;
    int handled = 0;
    q.PostMessage(7);
    auto handler = [&](const PostedMessage&) {
        ++handled;
        q.PostMessage(7);
    };
    EXPECT_EQ(q.DispatchPending(handler), 1);
    EXPECT_EQ(q.PendingCount(), 1u);
    EXPECT_EQ(handled, 1);
}

TEST(MessageQueue, ANestedDispatchHandlesWhatIsQueuedBehindTheRunningEntry) {
    // A modal dialog opened by one entry runs its own loop: the entries
    // posted before it must reach that loop rather than wait behind it.
    CMessageQueue q;
    std::vector<int> order;
    q.PostTask([&](bool) {
        order.push_back(1);
        q.DispatchPending(
            [&](const PostedMessage& m) { order.push_back(static_cast<int>(m.nMessage)); });
        order.push_back(3);
    });
    q.PostMessage(2);
    EXPECT_EQ(q.DispatchPending([&](const PostedMessage&) { order.push_back(-1); }), 1);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(MessageQueue, ClosedQueueRefusesPostsAndReleasesQueuedTasks) {
    CMessageQueue q;
    bool discarded = false;
    q.PostTask([&](bool b) { discarded = b; });
    q.Close();
    EXPECT_TRUE(discarded);
    EXPECT_EQ(q.PostMessage(1), -1);
    EXPECT_EQ(q.PostTask([](bool) {}), -1);
    EXPECT_EQ(q.PostTask({}), -1);
    EXPECT_FALSE(q.WaitForPosted(std::chrono::milliseconds(1000)));  // returns at once
}

TEST(MessageQueue, ManyPostersNothingLostAndPostingNeverWaitsForTheReader) {
    CMessageQueue q;
    std::atomic<int> hooks{0};
    q.SetWakeHook([&] { hooks.fetch_add(1); });
    constexpr int kThreads = 4;
    constexpr int kEach = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&q, t] {
            // A full queue refuses the post; these posters try again.
            for (int i = 0; i < kEach; ++i) {
                while (q.PostMessage(static_cast<unsigned>(t), static_cast<std::uintptr_t>(i)) != 0)
                    std::this_thread::yield();
            }
        });
    }
    int total = 0;
    std::vector<int> last(kThreads, -1);
    bool ordered = true;
    while (total < kThreads * kEach) {
        q.WaitForPosted(std::chrono::milliseconds(50));
        total += q.DispatchPending([&](const PostedMessage& m) {
            const int i = static_cast<int>(m.wParam);
            if (i != last[m.nMessage] + 1) ordered = false;
            last[m.nMessage] = i;
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(total, kThreads * kEach);
    EXPECT_TRUE(ordered);  // each poster's messages keep their order
    EXPECT_EQ(hooks.load(), kThreads * kEach);
}

TEST(MessageQueue, WakeEndsAWaitEarly) {
    CMessageQueue q;
    std::thread t([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        q.Wake();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(q.WaitForPosted(std::chrono::seconds(10)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    t.join();
}

TEST(MessageQueue, ACoalescedMessageWaitsOnceAndKeepsItsPlace) {
    constexpr unsigned kRefresh = 100;
    CMessageQueue q;
    q.CoalesceMessage(kRefresh);
    std::vector<PostedMessage> handled;
    const auto record = [&](const PostedMessage& m) {
        handled.push_back(m);
        // Posted while its own entry runs: a new one waits for the next round.
        if (m.nMessage == kRefresh && handled.size() == 1) q.PostMessage(kRefresh);
    };
    struct Post {
        unsigned message;
        std::uintptr_t wParam;
    };
    const Post posts[] = {{kRefresh, 0}, {7, 0},        {kRefresh, 0},
                          {7, 0},        {kRefresh, 1}, {kRefresh, 0}};
    for (const Post& p : posts) EXPECT_EQ(q.PostMessage(p.message, p.wParam), 0);
    // The refresh, two plain messages, the refresh with other parameters.
    EXPECT_EQ(q.PendingCount(), 4u);
    EXPECT_EQ(q.DispatchPending(record), 4);
    ASSERT_EQ(handled.size(), 4u);
    EXPECT_EQ(handled[0].nMessage, kRefresh);
    EXPECT_EQ(handled[1].nMessage, 7u);
    EXPECT_EQ(handled[3].wParam, 1u);
    EXPECT_EQ(q.PendingCount(), 1u);
    EXPECT_EQ(q.DroppedCount(), 0u);
}

TEST(MessageQueue, AFullQueueRefusesPostsAndSaysSo) {
    constexpr unsigned kRefresh = 100;
    CMessageQueue q;
    q.CoalesceMessage(kRefresh);
    EXPECT_EQ(q.PostMessage(kRefresh), 0);
    for (std::size_t i = 1; i < CMessageQueue::kMaxEntries; ++i) ASSERT_EQ(q.PostMessage(1), 0);
    EXPECT_EQ(q.PendingCount(), CMessageQueue::kMaxEntries);

    bool bCalled = false;
    EXPECT_EQ(q.PostMessage(2), -1);
    EXPECT_EQ(q.PostTask([&](bool) { bCalled = true; }), -1);
    // Already waiting: the refresh is not lost, so the post succeeds.
    EXPECT_EQ(q.PostMessage(kRefresh), 0);
    EXPECT_EQ(q.DroppedCount(), 2u);
    EXPECT_EQ(q.PendingCount(), CMessageQueue::kMaxEntries);

    EXPECT_EQ(q.DispatchPending({}), static_cast<int>(CMessageQueue::kMaxEntries));
    EXPECT_EQ(q.PostTask([&](bool) { bCalled = true; }), 0);
    q.DispatchPending({});
    EXPECT_TRUE(bCalled);
}

// Readers refresh as fast as they can while the GUI thread takes: the queue
// holds one refresh at most, and the last change is always followed by a
// refresh that sees it.
TEST(MessageQueue, RefreshesFromManyThreadsNeverPileUpOrGetLost) {
    constexpr unsigned kRefresh = 100;
    CMessageQueue q;
    q.CoalesceMessage(kRefresh);
    std::atomic<int> changes{0};
    std::atomic<bool> bDone{false};
    constexpr int kThreads = 3;
    constexpr int kEach = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kEach; ++i) {
                changes.fetch_add(1);
                EXPECT_EQ(q.PostMessage(kRefresh), 0);
            }
        });
    }
    std::thread closer([&] {
        for (auto& th : threads) th.join();
        bDone.store(true);
        q.Wake();
    });
    int seen = -1;
    std::size_t most = 0;
    int handled = 0;
    while (!bDone.load() || q.PendingCount() != 0) {
        most = std::max(most, q.PendingCount());
        q.WaitForPosted(std::chrono::milliseconds(20));
        handled += q.DispatchPending([&](const PostedMessage&) { seen = changes.load(); });
    }
    closer.join();
    EXPECT_LE(most, 1u);
    EXPECT_EQ(seen, kThreads * kEach);
    EXPECT_GT(handled, 0);
    EXPECT_EQ(q.DroppedCount(), 0u);
}
