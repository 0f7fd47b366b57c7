#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "board/PacketFramer.h"
#include "board/Wire.h"
#include "sim/BoardLine.h"
#include "sim/FrameBuilder.h"
#include "sim/GpsReceiver.h"
#include "sim/RadioEnvironment.h"
#include "sim/Scenario.h"
#include "sim/SimRandom.h"
#include "sim/TrafficModel.h"

// The RF measurement board, simulated. It takes the program's command bytes
// as they come off the serial line, runs the mode it was given in the radio
// environment of a scenario, and produces the board's packet stream, paced
// at 38,400 baud. It has no clock of its own: the owner advances it, so the
// same seed, scenario and command timing always give the same bytes.
class CSimulatedBoard {
public:
    static constexpr int64_t kSecond = 1000000000;  // times are nanoseconds since power-on
    static constexpr int64_t kNever = INT64_MAX;

    CSimulatedBoard(const CScenario& scenario, uint64_t seed);
    CSimulatedBoard(const CSimulatedBoard&) = delete;
    CSimulatedBoard& operator=(const CSimulatedBoard&) = delete;

    // Command bytes from the program, framed as on the line, received at the
    // board's current time. Malformed or unknown commands are ignored.
    void Write(const uint8_t* bytes, size_t length);

    // Runs the board until `time`; earlier times change nothing.
    void AdvanceTo(int64_t time);
    void Advance(int64_t duration) { AdvanceTo(m_nNow + duration); }
    int64_t Now() const { return m_nNow; }

    // Bytes the line has delivered and nobody has read yet.
    size_t Available() const { return m_line.Readable(); }
    size_t Read(uint8_t* out, size_t max) { return m_line.Read(out, max); }
    std::vector<uint8_t> ReadAll();

    // When the next byte will arrive if nothing else happens: the line's next
    // byte, else the next event of the board (which may produce nothing).
    int64_t NextActivity() const;
    // When the line will have sent everything queued now.
    int64_t LineIdleAt() const { return m_line.IdleAt(m_nNow); }

    // From now on the receiver's messages come from outside (a real
    // receiver through gpsd): the simulated receiver falls silent, and each
    // message handed to SendGpsMessage goes out at once as a type-7 packet.
    // The walk still moves the instrument through the radio environment.
    void TakeGpsFromOutside() { m_tGps = kNever; }
    void SendGpsMessage(const GpsMessage& message);

    int Mode() const { return m_nMode; }
    int Channel() const { return m_nChannel; }
    const CScenario& Scenario() const { return m_scenario; }
    const CRadioEnvironment& Environment() const { return m_environment; }

private:
    void HandleCommand(uint8_t command, const uint8_t* args, int length);
    void StartMode(int mode);
    void Tune(int channel);

    void FireGps();
    void FireNoise();
    void FireBattery();
    void FireHop();
    void FireReport();
    void FireContent();

    void SendFrame();
    void SendSweep(bool wide);
    void SendChannelReport(uint8_t type);
    void SendLoad(uint8_t type, double seconds);
    void Send(uint8_t type, const uint8_t* payload, size_t length, bool urgent);
    void UpdatePosition();

    static bool Hops(int mode) {
        return mode == BoardMode::kAllChannels || mode == BoardMode::kUsage ||
               mode == BoardMode::kUtilization;
    }
    static bool Captures(int mode) {
        return mode == BoardMode::kOneChannel || mode == BoardMode::kAllChannels ||
               mode == BoardMode::kUsage;
    }
    static bool Sweeps(int mode) {
        return mode == BoardMode::kNarrowSpectrum || mode == BoardMode::kSpectrum;
    }
    int64_t Gap();

    CScenario m_scenario;
    CRadioEnvironment m_environment;
    CTrafficModel m_traffic;
    CGpsReceiver m_gps;
    CBoardLine m_line;
    std::unique_ptr<CPacketFramer> m_pCommandFramer;

    CSimRandom m_rngFrames;
    CSimRandom m_rngSweeps;
    CSimRandom m_rngNoise;
    CSimRandom m_rngGps;
    CSimRandom m_rngLoad;
    CSimRandom m_rngTiming;

    int64_t m_nNow = 0;
    int m_nMode = BoardMode::kIdle;
    int m_nChannel = 1;
    size_t m_nHopIndex = 0;  // position of m_nChannel in the hop list
    // Boards before 1.15 deliver the channel estimate rotated by eight pairs.
    bool m_bRotateEstimate = false;

    int64_t m_tGps = kNever;
    int64_t m_tNoise = kNever;
    int64_t m_tBattery = kNever;
    int64_t m_tHop = kNever;
    int64_t m_tReport = kNever;
    int64_t m_tContent = kNever;

    int64_t m_tPeriodStart = 0;  // of the current dwell or report period
    uint32_t m_nPeriodFrames = 0;
    std::vector<uint8_t> m_abReported;  // per station, in this period
    std::vector<uint16_t> m_anSequence;
    std::vector<uint64_t> m_anUptimeUs;  // per station, at power-on
    std::vector<CTrafficModel::Stream> m_aStreams;
};
