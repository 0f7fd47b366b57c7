#include <gtest/gtest.h>

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
            for (int i = 0; i < kEach; ++i)
                q.PostMessage(static_cast<unsigned>(t), static_cast<std::uintptr_t>(i));
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
