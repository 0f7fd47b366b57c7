#include "sim/SimPort.h"

#include <algorithm>
#include <climits>

#include "sim/SimulatedBoard.h"

namespace {

// How far an unpaced board runs ahead per burst at most.
constexpr int64_t kUnpacedBurst = 250 * 1000000LL;

}  // namespace

CSimPort::CSimPort(const CScenario& scenario, uint64_t seed, Pacing pacing)
    : CSimPort(std::make_unique<CSimulatedBoard>(scenario, seed), pacing) {}

CSimPort::CSimPort(std::unique_ptr<CSimulatedBoard> board, Pacing pacing)
    : m_pBoard(std::move(board)), m_pacing(pacing), m_start(std::chrono::steady_clock::now()) {}

CSimPort::~CSimPort() = default;

void CSimPort::Catch() {
    if (m_pacing != Pacing::RealTime) return;
    const auto elapsed = std::chrono::steady_clock::now() - m_start;
    m_pBoard->AdvanceTo(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
}

int CSimPort::BytesWaiting() {
    Catch();
    if (m_pacing == Pacing::Unpaced && m_pBoard->Available() == 0 &&
        !m_bHeld.load(std::memory_order_acquire)) {
        if (!m_bGapShown) {
            m_bGapShown = true;
            return 0;
        }
        m_bGapShown = false;
        // Run until the line has something and has finished what it was
        // sending, so the reader takes whole packets.
        const int64_t limit = m_pBoard->Now() + kUnpacedBurst;
        while (m_pBoard->Available() == 0 && m_pBoard->Now() < limit) {
            const int64_t next = std::min(m_pBoard->NextActivity(), limit);
            m_pBoard->AdvanceTo(std::max(next, m_pBoard->Now() + 1));
        }
        m_pBoard->AdvanceTo(std::min(m_pBoard->LineIdleAt(), limit));
    }
    return static_cast<int>(std::min<size_t>(m_pBoard->Available(), INT_MAX));
}

int CSimPort::Read(uint8_t* buffer, int max) {
    if (buffer == nullptr || max < 0) return -1;
    Catch();
    return static_cast<int>(m_pBoard->Read(buffer, static_cast<size_t>(max)));
}

int CSimPort::Write(const uint8_t* buffer, int length) {
    if (buffer == nullptr || length < 0) return -1;
    Catch();
    m_pBoard->Write(buffer, static_cast<size_t>(length));
    return length;
}
