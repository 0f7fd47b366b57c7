#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "board/LogReader.h"
#include "platform/SerialPort.h"

// A recorded packet log played back as the board's serial line: every
// recorded packet with a good check byte is framed again exactly as the board
// sent it and becomes readable at the time its record was written, scaled by
// the speed (2 = twice as fast; 0 = as fast as the reader takes them).
//
// Records carry whole seconds, so the packets stamped with the same second
// are spread evenly over it. A gap of more than kMaxGapSeconds between two
// records (the device's clock was set, or the file was damaged) is shortened
// to that, and a clock that went back counts as no time at all. A record
// whose time cannot be read keeps to the second before it.
//
// The log is streamed: the port holds at most one second's packets, capped at
// kMaxSecondPackets / kMaxSecondBytes, plus kMaxReady bytes handed out to the
// reader, whatever the size of the file. A second holding more than the cap
// (far beyond the board's line rate, or a long run of unreadable times) is
// played in chunks of one second each, so the replay stretches rather than
// grows.
//
// Commands written to the port are accepted and dropped: there is no board.
// When the log has been played the port stays open with nothing to read.
// Only the reader thread uses it.
class CReplayPort : public ISerialPort {
public:
    static constexpr double kMaxGapSeconds = 10.0;
    // What one BytesWaiting releases at most, so that playing as fast as
    // possible does not pull the whole file into memory.
    static constexpr size_t kMaxReady = 64 * 1024;
    // The most packets and framed bytes one second holds in memory.
    static constexpr size_t kMaxSecondPackets = 4096;
    static constexpr size_t kMaxSecondBytes = 256 * 1024;
    // The largest record framed for the line: every payload byte escaped.
    static constexpr size_t kMaxFramedPacket = 2 * (CLogFormat::kMaxPayload + 2) + 4;
    // The most bytes of packets the port holds at once (the log reader's own
    // fixed buffer aside).
    static constexpr size_t kMaxBuffered = kMaxReady + kMaxSecondBytes + 3 * kMaxFramedPacket;

    // Seconds of a steady clock; the default reads std::chrono::steady_clock.
    using TimeSource = std::function<double()>;

    explicit CReplayPort(double speed, TimeSource now = {});

    // 0, or -1 with the reason in `error` (the port is then not open). A path
    // that is not a regular file is refused before it is opened, so a FIFO
    // never blocks; a file that is not a packet log is refused with
    // kNotALog as the reason.
    int Open(const std::string& path, std::string& error);
    void OpenBytes(std::vector<uint8_t> bytes);
    static constexpr const char* kNotALog = "not a log";

    bool IsOpen() const override { return m_bOpen; }
    int BytesWaiting() override;
    int Read(uint8_t* buffer, int max) override;
    int Write(const uint8_t* buffer, int length) override;

    // Every record has been read and every packet handed out.
    bool Finished() const {
        return m_bEndOfLog && !m_bHaveAhead && m_pending.empty() && m_nReadyPos == m_ready.size();
    }
    uint64_t PacketsReleased() const { return m_nReleased; }
    // Records not played: bad check byte, or damage in the file.
    uint64_t PacketsSkipped() const { return m_nSkipped; }
    // Bytes of packets held now, and the most held at any time.
    size_t BufferedBytes() const;
    size_t PeakBufferedBytes() const { return m_nPeakBuffered; }

private:
    struct Pending {
        double dVirtual = 0.0;  // seconds from the first record
        size_t nBytes = 0;      // of m_group, in order
    };

    double Now() const;
    // Reads the records of the next second (or to the end, or to the cap)
    // into m_pending.
    void LoadNextSecond();
    void Release();
    void NotePeak();

    double m_dSpeed;
    TimeSource m_now;
    bool m_bOpen = false;
    CLogReader m_reader;
    bool m_bEndOfLog = false;

    // The first record of the next second, read ahead.
    bool m_bHaveAhead = false;
    LogTime m_aheadTime;
    std::vector<uint8_t> m_aheadFramed;
    // The last second was cut at the cap: its rest plays a second later.
    bool m_bSecondCut = false;

    bool m_bStarted = false;
    double m_dStart = 0.0;
    bool m_bHaveLastTime = false;
    LogTime m_lastTime;
    double m_dVirtualSecond = 0.0;  // virtual time of the current second's start

    std::deque<Pending> m_pending;
    std::vector<uint8_t> m_group;  // the framed packets of m_pending
    size_t m_nGroupPos = 0;
    std::vector<uint8_t> m_ready;
    size_t m_nReadyPos = 0;
    size_t m_nPeakBuffered = 0;
    uint64_t m_nReleased = 0;
    uint64_t m_nSkipped = 0;
};
