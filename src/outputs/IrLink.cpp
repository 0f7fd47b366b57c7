#include "outputs/IrLink.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "ui/MessageBox.h"
#include "ui/UiLoop.h"

namespace {

std::string Format(const char* format, int value) {
    char text[128];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// The worker's boxes go to the GUI loop as tasks; the worker is told when the
// person has dismissed one, or when it could not be shown.
void ShowOnGuiLoop(const std::string& caption, const std::string& text,
                   std::function<void()> onDismissed) {
    CUiLoop* loop = CUiLoop::Get();
    if (loop == nullptr) {
        onDismissed();
        return;
    }
    auto box = std::make_shared<CMessageBox>(caption, text);
    const int posted = loop->Queue().PostTask([box, onDismissed](bool bDiscarded) {
        if (!bDiscarded) box->DoModal();
        onDismissed();
    });
    if (posted != 0) onDismissed();
}

}  // namespace

void IrLinkThread(CIrLink* link) {
    link->Run();
}

CIrLink::CIrLink(Setup setup) : m_setup(std::move(setup)), m_pSignal(std::make_shared<Signal>()) {
    if (!m_setup.showMessage) m_setup.showMessage = ShowOnGuiLoop;
    m_abSendBuffer.resize(kSendBufferSize);
    m_thread = std::thread(IrLinkThread, this);
}

CIrLink::~CIrLink() {
    Stop();
}

void CIrLink::Stop() {
    m_bStopping.store(true, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(m_pSignal->mutex);
        m_pSignal->bStop = true;
    }
    m_pSignal->cv.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

CIrLink::Stats CIrLink::GetStats() const {
    std::lock_guard<std::mutex> lock(m_statsMutex);
    return m_stats;
}

bool CIrLink::IsDataReady() const {
    std::lock_guard<std::mutex> lock(m_pSignal->mutex);
    return m_pSignal->bDataReady;
}

int CIrLink::Queue(const uint8_t* message, int length) {
    if (message == nullptr || length < 1 || length > kMaxMessage) return -1;
    {
        std::lock_guard<std::mutex> lock(m_pSignal->mutex);
        if (m_pSignal->bDataReady) {
            std::lock_guard<std::mutex> stats(m_statsMutex);
            ++m_stats.nDroppedWaiting;
            return 0;
        }
        if (m_abSendBuffer.size() < static_cast<size_t>(length)) {
            m_abSendBuffer.resize(static_cast<size_t>(length));
        }
        std::memcpy(m_abSendBuffer.data(), message, static_cast<size_t>(length));
        m_nSendLength = length;
        m_pSignal->bDataReady = true;
    }
    m_pSignal->cv.notify_all();
    std::lock_guard<std::mutex> stats(m_statsMutex);
    ++m_stats.nQueued;
    return 1;
}

bool CIrLink::Enabled() const {
    return !m_setup.isEnabled || m_setup.isEnabled();
}

bool CIrLink::Pause(int ms) {
    std::unique_lock<std::mutex> lock(m_pSignal->mutex);
    m_pSignal->cv.wait_for(lock, std::chrono::milliseconds(ms),
                           [this] { return m_pSignal->bStop; });
    return !m_pSignal->bStop;
}

void CIrLink::DropWaiting() {
    std::lock_guard<std::mutex> lock(m_pSignal->mutex);
    if (!m_pSignal->bDataReady) return;
    m_pSignal->bDataReady = false;
    std::lock_guard<std::mutex> stats(m_statsMutex);
    ++m_stats.nDroppedUnsent;
}

void CIrLink::ShowBox(const std::string& caption, const std::string& text) {
    const uint64_t ticket = ++m_nBoxesShown;
    m_setup.showMessage(caption, text, [signal = m_pSignal] {
        {
            std::lock_guard<std::mutex> lock(signal->mutex);
            ++signal->nBoxesDismissed;
        }
        signal->cv.notify_all();
    });
    std::unique_lock<std::mutex> lock(m_pSignal->mutex);
    m_pSignal->cv.wait(lock,
                       [&] { return m_pSignal->bStop || m_pSignal->nBoxesDismissed >= ticket; });
}

bool CIrLink::FindDevice(CLinkSocket& socket) {
    for (int attempt = 0; attempt < m_setup.nFindTries; ++attempt) {
        if (m_bStopping.load() || !Enabled()) return false;
        for (const LinkPeer& peer : m_setup.peers) {
            const int rc = socket.Connect(peer, m_setup.nConnectTimeoutMs, &m_bStopping);
            if (rc == CLinkSocket::kConnected) return true;
            if (rc == CLinkSocket::kSocketFailed) {
                ShowBox(kErrorCaption, Format(kSocketFailedFormat, socket.LastError()));
                return false;
            }
            if (rc == CLinkSocket::kQueryFailed) {
                ShowBox(kErrorCaption, Format(kQueryFailedFormat, socket.LastError()));
                return false;
            }
            if (m_bStopping.load()) return false;
        }
        if (attempt + 1 < m_setup.nFindTries && !Pause(m_setup.nFindIntervalMs)) return false;
    }
    if (m_bStopping.load() || !Enabled()) return false;
    // An absent peer is told once per switch-on, not after every round.
    if (!m_bNotFoundShown) {
        m_bNotFoundShown = true;
        ShowBox(m_setup.strAppCaption, kDeviceNotFound);
    }
    return false;
}

void CIrLink::ServeConnection(CLinkSocket& socket) {
    m_bConnected.store(true);
    {
        std::lock_guard<std::mutex> stats(m_statsMutex);
        ++m_stats.nConnections;
    }
    while (!m_bStopping.load() && Enabled()) {
        bool bReady = false;
        {
            std::unique_lock<std::mutex> lock(m_pSignal->mutex);
            m_pSignal->cv.wait_for(lock, std::chrono::milliseconds(m_setup.nDataWaitMs),
                                   [this] { return m_pSignal->bStop || m_pSignal->bDataReady; });
            bReady = m_pSignal->bDataReady && !m_pSignal->bStop;
        }
        if (!bReady) {
            if (socket.PeerClosed()) break;
            continue;
        }
        // The buffer is the worker's until data-ready is cleared. A peer
        // that has gone would swallow the first message into the system's
        // buffer unnoticed, so its end is looked for first.
        const bool bSent =
            !socket.PeerClosed() && socket.Send(m_abSendBuffer.data(), m_nSendLength,
                                                m_setup.nSendTimeoutMs, &m_bStopping) == 0;
        {
            std::lock_guard<std::mutex> lock(m_pSignal->mutex);
            m_pSignal->bDataReady = false;
        }
        {
            std::lock_guard<std::mutex> stats(m_statsMutex);
            ++(bSent ? m_stats.nSent : m_stats.nDroppedUnsent);
        }
        if (!bSent) break;
    }
    m_bConnected.store(false);
}

void CIrLink::Run() {
    bool bWasEnabled = false;
    while (!m_bStopping.load()) {
        if (!Pause(m_setup.nPauseMs)) break;
        if (!Enabled()) {
            // A message held while the link is off would be stale by the
            // time it could go out.
            DropWaiting();
            bWasEnabled = false;
            continue;
        }
        if (!bWasEnabled) {
            bWasEnabled = true;
            m_bNotFoundShown = false;
        }
        CLinkSocket socket;
        if (!FindDevice(socket)) continue;
        m_bNotFoundShown = false;
        ServeConnection(socket);
    }
}
