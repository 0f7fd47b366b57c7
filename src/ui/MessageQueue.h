#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

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
//
// The queue is bounded. A message marked with CoalesceMessage ("something
// changed, look again": a refresh) is not queued again while an identical
// one still waits, so a fast board costs one entry, not one per packet. When
// kMaxEntries entries wait, a further post is refused: PostMessage drops the
// message and returns -1 (DroppedCount counts it), PostTask returns -1
// without keeping or calling the task, so its poster does not wait for it.
class CMessageQueue {
public:
    static constexpr std::size_t kMaxEntries = 1024;

    // A task is told whether it runs (false) or is being discarded because the
    // queue was closed (true); a discarded task must still release its waiter.
    using Task = std::function<void(bool bDiscarded)>;
    using MessageHandler = std::function<void(const PostedMessage&)>;

    CMessageQueue() = default;
    CMessageQueue(const CMessageQueue&) = delete;
    CMessageQueue& operator=(const CMessageQueue&) = delete;
    ~CMessageQueue();

    // Appends a message; returns 0 (also when an identical coalesced message
    // already waits), or -1 once the queue is closed or while it is full.
    int PostMessage(unsigned nMessage, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    // Appends a task; returns 0, or -1 once the queue is closed or while it
    // is full (the task is then not kept and not called).
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

    // Messages with this number are coalesced from now on (any thread).
    void CoalesceMessage(unsigned nMessage);

    std::size_t PendingCount() const;
    // Messages and tasks refused because the queue was full.
    std::uint64_t DroppedCount() const;

    // Refuses further posts and discards what is queued, telling each task.
    void Close();
    bool IsClosed() const;

private:
    struct Entry {
        bool bIsTask = false;
        bool bCoalesced = false;
        PostedMessage msg;
        Task task;
    };

    // Called with m_mutex held.
    bool IsCoalesced(unsigned nMessage) const;
    bool IsWaiting(const PostedMessage& msg) const;
    void Forget(const PostedMessage& msg);

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Entry> m_entries;
    std::vector<unsigned> m_coalesced;
    // The coalesced messages waiting now (a handful at most).
    std::vector<PostedMessage> m_waiting;
    std::uint64_t m_nDropped = 0;
    bool m_bClosed = false;
    bool m_bWoken = false;
    std::function<void()> m_wakeHook;
};
