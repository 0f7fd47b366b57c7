#include "ui/MessageQueue.h"

#include <utility>

CMessageQueue::~CMessageQueue() {
    Close();
}

int CMessageQueue::PostMessage(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam) {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bClosed) return -1;
        Entry e;
        e.msg = PostedMessage{nMessage, wParam, lParam};
        m_entries.push_back(std::move(e));
        hook = m_wakeHook;
    }
    m_cv.notify_one();
    if (hook) hook();
    return 0;
}

int CMessageQueue::PostTask(Task task) {
    if (!task) return -1;
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bClosed) return -1;
        Entry e;
        e.bIsTask = true;
        e.task = std::move(task);
        m_entries.push_back(std::move(e));
        hook = m_wakeHook;
    }
    m_cv.notify_one();
    if (hook) hook();
    return 0;
}

int CMessageQueue::DispatchPending(const MessageHandler& handler) {
    // Entries are taken one at a time, not as a batch: a handler that runs a
    // nested loop (a modal dialog) must find the entries queued behind its
    // own, or they would wait for the dialog to close.
    std::size_t budget = PendingCount();
    int n = 0;
    while (budget-- > 0) {
        Entry e;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_entries.empty()) break;
            e = std::move(m_entries.front());
            m_entries.pop_front();
        }
        if (e.bIsTask) {
            e.task(false);
        } else if (handler) {
            handler(e.msg);
        }
        ++n;
    }
    return n;
}

bool CMessageQueue::WaitForPosted(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait_for(lock, timeout, [this] { return !m_entries.empty() || m_bWoken || m_bClosed; });
    m_bWoken = false;
    return !m_entries.empty();
}

void CMessageQueue::SetWakeHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wakeHook = std::move(hook);
}

void CMessageQueue::Wake() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bWoken = true;
    }
    m_cv.notify_all();
}

std::size_t CMessageQueue::PendingCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

void CMessageQueue::Close() {
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosed = true;
        dropped.swap(m_entries);
    }
    m_cv.notify_all();
    for (Entry& e : dropped) {
        if (e.bIsTask) e.task(true);
    }
}

bool CMessageQueue::IsClosed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bClosed;
}
