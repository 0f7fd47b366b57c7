#pragma once

#include <algorithm>
#include <cstdint>

// When the window shows a new frame: at once when the last one is at least a
// display refresh old, otherwise when that much time has passed, so however
// often the screen is composed the window is presented at most at the
// display's refresh rate, and the last frame is never left unshown.
class CPresentPacer {
public:
    static constexpr int kDefaultRefreshHz = 60;

    // A rate the display does not report (0) counts as kDefaultRefreshHz.
    void SetRefreshRate(int nHz) {
        const int hz = nHz > 0 ? nHz : kDefaultRefreshHz;
        m_nIntervalMs = std::max<std::uint64_t>(
            1, (1000 + static_cast<std::uint64_t>(hz) - 1) / static_cast<std::uint64_t>(hz));
    }
    std::uint64_t IntervalMs() const { return m_nIntervalMs; }

    // A new frame is ready at nowMs: true when it is to be presented now
    // (then call Presented), false when it waits.
    bool Offer(std::uint64_t nowMs) {
        m_bWaiting = true;
        return IsDue(nowMs);
    }
    void Presented(std::uint64_t nowMs) {
        m_bWaiting = false;
        m_bHavePresented = true;
        m_nLastMs = nowMs;
    }
    bool IsWaiting() const { return m_bWaiting; }
    // A waiting frame whose time has come.
    bool IsDue(std::uint64_t nowMs) const {
        return m_bWaiting && (!m_bHavePresented || nowMs >= m_nLastMs + m_nIntervalMs);
    }
    // How long an event wait may last so that a waiting frame is not late.
    int LimitWaitMs(std::uint64_t nowMs, int nTimeoutMs) const {
        if (!m_bWaiting) return nTimeoutMs;
        if (IsDue(nowMs)) return 0;
        return static_cast<int>(
            std::min<std::uint64_t>(m_nLastMs + m_nIntervalMs - nowMs,
                                    static_cast<std::uint64_t>(std::max(0, nTimeoutMs))));
    }

private:
    std::uint64_t m_nIntervalMs = 1000 / kDefaultRefreshHz + 1;
    std::uint64_t m_nLastMs = 0;
    bool m_bHavePresented = false;
    bool m_bWaiting = false;
};
