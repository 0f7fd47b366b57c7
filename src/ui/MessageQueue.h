#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

// A posted user message: the identifier (UM_... values) and its two parameters.
struct PostedMessage {
    unsigned nMessage = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// The queue between the worker threads and the GUI thread. Any thread posts;
// only the GUI thread takes. Posting never waits for the GUI thread: it holds
// the queue lock only to append. Besides messages it carries tasks, closures
// that another thread wants run on the GUI thread (a worker's message box).
class CMessageQueue {
public:
    // A task is told whether it runs (false) or is being discarded because the
    // queue was closed (true); a discarded task must still release its waiter.
    using Task = std::function<void(bool bDiscarded)>;
    using MessageHandler = std::function<void(const PostedMessage&)>;

    CMessageQueue() = default;
    CMessageQueue(const CMessageQueue&) = delete;
    CMessageQueue& operator=(const CMessageQueue&) = delete;
    ~CMessageQueue();

    // Appends a message; returns 0, or -1 once the queue is closed.
    int PostMessage(unsigned nMessage, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // Appends a task; returns 0, or -1 once the queue is closed (the task is
    // then not kept and not called).
    int PostTask(Task task);

    // GUI thread: handles as many entries as were queued at the time of the
    // call, in posting order, messages and tasks interleaved as they were
    // posted. Returns how many entries were handled. A handler that reposts
    // cannot keep the call going. Entries are taken one by one, so a nested
    // call (from a modal dialog's loop) handles those still waiting.
    int DispatchPending(const MessageHandler& handler);

    // Blocks until something is queued, Wake() is called or the timeout
    // passes. Returns true when something is queued.
    bool WaitForPosted(std::chrono::milliseconds timeout);
    // Ends one WaitForPosted early (the host has input, a timer is due).
    void Wake();
    // Called (outside the queue lock) after every post, on the posting thread:
    // lets a host whose event wait cannot see this queue wake itself. Set it
    // before other threads start posting.
    void SetWakeHook(std::function<void()> hook);

    std::size_t PendingCount() const;

    // Refuses further posts and discards what is queued, telling each task.
    void Close();
    bool IsClosed() const;

private:
    struct Entry {
        bool bIsTask = false;
        PostedMessage msg;
        Task task;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Entry> m_entries;
    bool m_bClosed = false;
    bool m_bWoken = false;
    std::function<void()> m_wakeHook;
};
