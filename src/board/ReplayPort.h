#pragma once

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
// to that, and a clock that went back counts as no time at all.
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

    // Seconds of a steady clock; the default reads std::chrono::steady_clock.
    using TimeSource = std::function<double()>;

    explicit CReplayPort(double speed, TimeSource now = {});

    // 0, or -1 with the reason in `error` (the port is then not open).
    int Open(const std::string& path, std::string& error);
    void OpenBytes(std::vector<uint8_t> bytes);

    bool IsOpen() const override { return m_bOpen; }
    int BytesWaiting() override;
    int Read(uint8_t* buffer, int max) override;
    int Write(const uint8_t* buffer, int length) override;

    // Every record has been read and every packet handed out.
    bool Finished() const {
        return m_bEndOfLog && m_pending.empty() && m_nReadyPos == m_ready.size();
    }
    uint64_t PacketsReleased() const { return m_nReleased; }
    // Records not played: bad check byte, or damage in the file.
    uint64_t PacketsSkipped() const { return m_nSkipped; }

private:
    struct Pending {
        double dVirtual = 0.0;  // seconds from the first record
        std::vector<uint8_t> framed;
    };

    double Now() const;
    // Reads the records of the next second (or to the end) into m_pending.
    void LoadNextSecond();
    void Release();

    double m_dSpeed;
    TimeSource m_now;
    bool m_bOpen = false;
    CLogReader m_reader;
    bool m_bEndOfLog = false;

    // The first record of the next second, read ahead.
    bool m_bHaveAhead = false;
    LogTime m_aheadTime;
    std::vector<uint8_t> m_aheadFramed;

    bool m_bStarted = false;
    double m_dStart = 0.0;
    bool m_bHaveLastTime = false;
    LogTime m_lastTime;
    double m_dVirtualSecond = 0.0;  // virtual time of the current second's start

    std::deque<Pending> m_pending;
    std::vector<uint8_t> m_ready;
    size_t m_nReadyPos = 0;
    uint64_t m_nReleased = 0;
    uint64_t m_nSkipped = 0;
};
