#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/SerialPort.h"

class CScenario;
class CSimulatedBoard;

// The simulated board behind the serial-port interface, for running it
// inside the program. In real time the board's clock follows the wall clock
// from the port's creation, so bytes arrive at 38,400 baud. Unpaced, the
// board runs ahead whenever the reader has taken everything, but the port
// still shows one empty poll between bursts so that the reader's pending
// command gets written; the reader does not sleep after it. Held, an unpaced
// board stands still (a script settling on it).
class CSimPort : public ISerialPort {
public:
    enum class Pacing { RealTime, Unpaced };

    CSimPort(const CScenario& scenario, uint64_t seed, Pacing pacing);
    CSimPort(std::unique_ptr<CSimulatedBoard> board, Pacing pacing);
    ~CSimPort() override;

    bool IsOpen() const override { return true; }
    int BytesWaiting() override;
    int Read(uint8_t* buffer, int max) override;
    int Write(const uint8_t* buffer, int length) override;
    bool IsUnpaced() const override {
        return m_pacing == Pacing::Unpaced && !m_bHeld.load(std::memory_order_acquire);
    }
    void HoldInput(bool bHold) override { m_bHeld.store(bHold, std::memory_order_release); }

    CSimulatedBoard& Board() { return *m_pBoard; }

private:
    void Catch();

    std::unique_ptr<CSimulatedBoard> m_pBoard;
    Pacing m_pacing;
    std::chrono::steady_clock::time_point m_start;
    bool m_bGapShown = false;
    std::atomic<bool> m_bHeld{false};
};
