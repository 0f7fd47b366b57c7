#include "ui/MessageQueue.h"

#include <algorithm>
#include <utility>

CMessageQueue::~CMessageQueue() {
    Close();
}

int CMessageQueue::PostMessage(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam) {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bClosed) return -1;
        const PostedMessage msg{nMessage, wParam, lParam};
        const bool bCoalesced = IsCoalesced(nMessage);
        // The waiting one will be handled after this post: nothing is lost.
        if (bCoalesced && IsWaiting(msg)) return 0;
        if (m_entries.size() >= kMaxEntries) {
            ++m_nDropped;
            return -1;
        }
        Entry e;
        e.bCoalesced = bCoalesced;
        e.msg = msg;
        m_entries.push_back(std::move(e));
        if (bCoalesced) m_waiting.push_back(msg);
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
        if (m_entries.size() >= kMaxEntries) {
            ++m_nDropped;
            return -1;
        }
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
            // Taken before it is handled: a post from the handler (or from a
            // worker meanwhile) queues a new one, which then sees the change.
            if (e.bCoalesced) Forget(e.msg);
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
        m_waiting.clear();
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

void CMessageQueue::CoalesceMessage(unsigned nMessage) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!IsCoalesced(nMessage)) m_coalesced.push_back(nMessage);
}

std::uint64_t CMessageQueue::DroppedCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nDropped;
}

bool CMessageQueue::IsCoalesced(unsigned nMessage) const {
    return std::find(m_coalesced.begin(), m_coalesced.end(), nMessage) != m_coalesced.end();
}

namespace {
bool SameMessage(const PostedMessage& a, const PostedMessage& b) {
    return a.nMessage == b.nMessage && a.wParam == b.wParam && a.lParam == b.lParam;
}
}  // namespace

bool CMessageQueue::IsWaiting(const PostedMessage& msg) const {
    return std::any_of(m_waiting.begin(), m_waiting.end(),
                       [&](const PostedMessage& w) { return SameMessage(w, msg); });
}

void CMessageQueue::Forget(const PostedMessage& msg) {
    const auto it = std::find_if(m_waiting.begin(), m_waiting.end(),
                                 [&](const PostedMessage& w) { return SameMessage(w, msg); });
    if (it != m_waiting.end()) m_waiting.erase(it);
}
