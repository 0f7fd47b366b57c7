#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/SerialPort.h"

// The link to the RF board as the reader thread sees it: the serial port
// (which may be missing or not open) and the single pending-command slot that
// the GUI thread and the dispatcher fill and the reader thread empties.
class CBoardPort {
public:
    static constexpr uint32_t kPendingCommandSize = 128;
    using CommandBuffer = std::array<uint8_t, kPendingCommandSize>;

    explicit CBoardPort(std::unique_ptr<ISerialPort> port);
    ~CBoardPort();
    CBoardPort(const CBoardPort&) = delete;
    CBoardPort& operator=(const CBoardPort&) = delete;

    // Places the first min(length, 128) framed bytes in the pending slot,
    // replacing a command still waiting there. Returns 1, or -1 when bytes is
    // null with a non-zero length (nothing queued).
    int QueueCommand(const uint8_t* bytes, uint32_t length);

    // Moves the pending command into out and empties the slot. Returns its
    // length (0..128), or -1 when no command is pending. The caller writes
    // its copy, so a command queued meanwhile is neither changed mid-write
    // nor lost: it simply waits in the slot for the next pass.
    int TakePendingCommand(CommandBuffer& out);
    bool HasPendingCommand() const;

    // Whether the board is there: NoBoard when the port never opened,
    // Connected while it is open, Lost from a hang-up until the device is
    // opened again.
    enum class LinkState : uint8_t { NoBoard, Connected, Lost };
    // How often a lost port's device is looked for.
    static constexpr std::chrono::milliseconds kReopenInterval{500};

    // Any thread.
    LinkState GetLinkState() const { return m_eLinkState.load(std::memory_order_acquire); }
    // Told of every change of the link state, on the reader thread; it must
    // not wait. Set before the reader starts.
    void SetLinkListener(std::function<void(LinkState)> listener) {
        m_linkListener = std::move(listener);
    }
    // Reader thread, once per pass: notices that the port was lost and,
    // while it is, opens the device again every kReopenInterval. True when
    // the state changed (a packet being assembled is then gone).
    bool UpdateLink();

    // The port operations; a missing port behaves as one that is not open.
    bool IsOpen() const;
    int BytesWaiting();
    int Read(uint8_t* buffer, int max);
    int Write(const uint8_t* buffer, int length);
    bool IsUnpaced() const { return m_pPort != nullptr && m_pPort->IsUnpaced(); }
    void HoldInput(bool bHold) {
        if (m_pPort != nullptr) m_pPort->HoldInput(bHold);
    }

private:
    void SetLinkState(LinkState state);

    std::unique_ptr<ISerialPort> m_pPort;
    std::atomic<LinkState> m_eLinkState{LinkState::NoBoard};
    std::function<void(LinkState)> m_linkListener;
    // Reader thread only.
    std::chrono::steady_clock::time_point m_tNextReopen{};

    // Leaf lock over the slot: never held while calling out.
    mutable std::mutex m_slotMutex;
    CommandBuffer m_abPendingCommand{};
    uint32_t m_nPendingLength = 0;
    bool m_bCommandPending = false;
};
