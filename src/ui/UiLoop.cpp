#include "ui/UiLoop.h"

#include <algorithm>
#include <utility>

#include "ui/Dialog.h"
#include "ui/FrameWnd.h"

namespace {
std::atomic<CUiLoop*> g_pUiLoop{nullptr};
// Bounds ProcessPending when handlers keep posting to themselves.
constexpr int kMaxRounds = 64;
constexpr int kIdleWaitMs = 250;
}  // namespace

CUiLoop::CUiLoop(IHost& host)
    : m_host(host),
      m_guiThread(std::this_thread::get_id()),
      m_screen(CFrameWnd::kScreenWidth, CFrameWnd::kScreenHeight) {
    g_pUiLoop.store(this);
    m_host.Attach(*this);
}

CUiLoop::~CUiLoop() {
    // Waiting workers are released (their boxes answer -1) before the loop goes.
    m_queue.Close();
    CUiLoop* self = this;
    g_pUiLoop.compare_exchange_strong(self, nullptr);
}

CUiLoop* CUiLoop::Get() {
    return g_pUiLoop.load();
}

void CUiLoop::SetFrame(CFrameWnd* pFrame) {
    m_pFrame = pFrame;
    m_bScreenDirty = true;
}

int CUiLoop::Run() {
    while (!m_bQuit) RunOnce(NextTimeout(kIdleWaitMs));
    return m_nExitCode;
}

void CUiLoop::Quit(int nExitCode) {
    m_nExitCode = nExitCode;
    m_bQuit = true;
    m_queue.Wake();
}

void CUiLoop::RunOnce(int nTimeoutMs) {
    if (m_queue.PendingCount() > 0) nTimeoutMs = 0;
    m_host.PumpEvents(*this, std::max(0, nTimeoutMs));
    m_queue.DispatchPending([this](const PostedMessage& m) { Dispatch(m); });
    RunDueTimers();
    PaintIfNeeded();
}

int CUiLoop::ProcessPending() {
    int total = 0;
    for (int i = 0; i < kMaxRounds; ++i) {
        const int n = m_queue.DispatchPending([this](const PostedMessage& m) { Dispatch(m); });
        total += n;
        if (n == 0) break;
    }
    RunDueTimers();
    PaintIfNeeded();
    return total;
}

void CUiLoop::Dispatch(const PostedMessage& msg) {
    if (m_handler) {
        m_handler(msg);
    } else if (m_pFrame != nullptr) {
        m_pFrame->OnPostedMessage(msg);
    }
}

bool CUiLoop::PaintIfNeeded(bool bForce) {
    bool bNeed = bForce || m_bScreenDirty || (m_pFrame != nullptr && m_pFrame->NeedsPaint());
    for (const CDialog* d : m_modals) bNeed = bNeed || d->NeedsPaint();
    if (!bNeed) return false;
    m_bScreenDirty = false;
    if (m_pFrame != nullptr) {
        m_pFrame->Compose(m_screen);
    } else {
        m_screen.FillSolidRect(CRect(0, 0, m_screen.Width(), m_screen.Height()), RGB(0, 0, 0));
    }
    for (CDialog* d : m_modals) d->Draw(m_screen);
    m_host.Present(m_screen);
    ++m_nPresentCount;
    return true;
}

int CUiLoop::RunModal(CDialog& dlg) {
    dlg.BeginModal();
    ModalAnswer answer;
    if (m_host.AnswerModal(dlg.GetHostRequest(), answer)) {
        dlg.ApplyHostAnswer(answer);
        if (!dlg.IsEnded()) dlg.EndDialog(IDCANCEL);
        return dlg.GetResult();
    }
    m_modals.push_back(&dlg);
    m_bScreenDirty = true;
    PaintIfNeeded();
    while (!dlg.IsEnded() && !m_bQuit) RunOnce(NextTimeout(kIdleWaitMs));
    m_modals.erase(std::remove(m_modals.begin(), m_modals.end(), &dlg), m_modals.end());
    m_bScreenDirty = true;
    if (!dlg.IsEnded()) dlg.EndDialog(IDCANCEL);
    return dlg.GetResult();
}

void CUiLoop::SetTimer(unsigned nId, int nElapseMs, std::function<void()> fn) {
    Timer t;
    t.nElapseMs = std::max(1, nElapseMs);
    t.due = m_host.TickMs() + static_cast<std::uint64_t>(t.nElapseMs);
    t.fn = std::move(fn);
    m_timers[nId] = std::move(t);
}

void CUiLoop::KillTimer(unsigned nId) {
    m_timers.erase(nId);
}

void CUiLoop::RunDueTimers() {
    if (m_timers.empty()) return;
    const std::uint64_t now = m_host.TickMs();
    std::vector<unsigned> due;
    for (const auto& [id, t] : m_timers) {
        if (t.due <= now) due.push_back(id);
    }
    for (unsigned id : due) {
        auto it = m_timers.find(id);
        if (it == m_timers.end()) continue;  // killed by an earlier timer
        // A late timer fires once and is rescheduled from now, never in a burst.
        it->second.due = now + static_cast<std::uint64_t>(it->second.nElapseMs);
        std::function<void()> fn = it->second.fn;
        fn();
    }
}

int CUiLoop::NextTimeout(int nDefault) const {
    if (m_timers.empty()) return nDefault;
    const std::uint64_t now = m_host.TickMs();
    std::uint64_t next = ~0ull;
    for (const auto& [id, t] : m_timers) next = std::min(next, t.due);
    if (next <= now) return 0;
    return static_cast<int>(
        std::min<std::uint64_t>(next - now, static_cast<std::uint64_t>(nDefault)));
}

void CUiLoop::OnStylusDown(int x, int y) {
    if (!m_modals.empty()) {
        CDialog* top = m_modals.back();
        const CRect r = top->GetWindowRect();
        if (r.PtInRect(x, y)) {
            top->OnLButtonDown(x - r.left, y - r.top);
        } else {
            m_host.MessageBeep();
        }
        return;
    }
    if (m_pFrame != nullptr) m_pFrame->OnStylusDown(x, y);
}

void CUiLoop::OnChar(unsigned ch) {
    if (!m_modals.empty()) {
        m_modals.back()->OnChar(ch);
    } else if (m_pFrame != nullptr) {
        m_pFrame->DispatchChar(ch);
    }
}

void CUiLoop::OnKeyDown(int nKey, bool bCtrl, bool bShift) {
    m_bCtrlHeld = bCtrl;
    m_bShiftHeld = bShift;
    if (!m_modals.empty()) {
        m_modals.back()->OnKeyDown(nKey);
    } else if (m_pFrame != nullptr) {
        m_pFrame->DispatchKeyDown(nKey, bCtrl);
    }
    m_bCtrlHeld = false;
    m_bShiftHeld = false;
}

void CUiLoop::OnMinimize() {
    if (m_pFrame != nullptr) m_pFrame->OnMinimize();
}

void CUiLoop::OnCloseRequest() {
    if (m_pFrame != nullptr) {
        m_pFrame->OnClose();
    } else {
        Quit(0);
    }
}
