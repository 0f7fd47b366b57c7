#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The board's side of the serial line: framed packets wait in two queues
// (replies and periodic reports ahead of bulk data) and go out one byte every
// 1/3840 s (38,400 baud, ten bits a byte), whole packets at a time. Bytes
// that have gone out wait until the program reads them. Times are
// nanoseconds since power-on.
class CBoardLine {
public:
    static constexpr int64_t kByteNs = 260417;
    // Bytes gone out but not read beyond this are lost, oldest first, as in
    // a receiver whose buffer overflowed.
    static constexpr size_t kReadableLimit = 1 << 20;

    void Queue(std::vector<uint8_t> packet, bool urgent, int64_t now);
    // Forgets bulk packets not yet started (a retune flushes the capture
    // queue); a packet already on the line finishes.
    void DropBulk();
    // Sends every byte whose last bit has left by `now`.
    void ClockTo(int64_t now);

    // When everything queued will have gone out (`now` if nothing is).
    int64_t IdleAt(int64_t now) const;
    // When the next byte will have gone out, or -1 if nothing is queued.
    int64_t NextByteAt() const;
    // Bytes queued and not yet sent.
    size_t Backlog() const;
    size_t BulkPackets() const { return m_aBulk.size(); }

    size_t Readable() const { return m_abReadable.size(); }
    size_t Read(uint8_t* out, size_t max);
    uint64_t BytesSent() const { return m_nSent; }
    uint64_t BytesLost() const { return m_nLost; }

private:
    bool StartNextPacket();

    std::deque<std::vector<uint8_t>> m_aUrgent;
    std::deque<std::vector<uint8_t>> m_aBulk;
    std::vector<uint8_t> m_abCurrent;
    size_t m_nCurrentPos = 0;
    size_t m_nQueuedBytes = 0;
    int64_t m_nNextByteAt = 0;  // valid while a packet is being sent
    bool m_bSending = false;
    std::deque<uint8_t> m_abReadable;
    uint64_t m_nSent = 0;
    uint64_t m_nLost = 0;
};
