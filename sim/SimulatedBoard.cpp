#include "sim/SimulatedBoard.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "board/Framing.h"
#include "board/Wire.h"

namespace {

constexpr int64_t kMs = 1000000;
constexpr int64_t kBatteryRepeat = 60 * CSimulatedBoard::kSecond;
constexpr int64_t kReportPeriod = CSimulatedBoard::kSecond;
// The payload buffer of the program holds 8192 bytes, check byte included.
constexpr size_t kMaxPayload = 8191;
constexpr int kWidePoints = 273;
constexpr int kNarrowPoints = 64;
constexpr int kEstimateRotation = 8;
constexpr int64_t kSettle = 60 * kMs;
// Beacons of access points not yet reported in this dwell are picked this
// much more often, so that a short dwell still names everyone on the channel.
constexpr double kUnreportedWeight = 8.0;

double FirmwareNumber(const std::string& text) {
    if (text.size() < 3) return 0.0;
    return std::strtod(text.c_str() + 2, nullptr);
}

}  // namespace

CSimulatedBoard::CSimulatedBoard(const CScenario& scenario, uint64_t seed)
    : m_scenario(scenario),
      m_environment(m_scenario, seed),
      m_traffic(m_environment),
      m_gps(m_scenario),
      m_pCommandFramer(std::make_unique<CPacketFramer>()),
      m_rngFrames(CSimRandom(seed).Fork(1)),
      m_rngSweeps(CSimRandom(seed).Fork(2)),
      m_rngNoise(CSimRandom(seed).Fork(3)),
      m_rngGps(CSimRandom(seed).Fork(4)),
      m_rngLoad(CSimRandom(seed).Fork(5)),
      m_rngTiming(CSimRandom(seed).Fork(6)) {
    if (m_scenario.m_anHopChannels.empty()) m_scenario.m_anHopChannels = {1, 6, 11};
    m_bRotateEstimate = FirmwareNumber(m_scenario.m_strFirmware) < 1.15;
    const size_t stations = m_environment.Stations().size();
    m_abReported.assign(stations, 0);
    m_anSequence.resize(stations);
    m_anUptimeUs.resize(stations);
    CSimRandom setup = CSimRandom(seed).Fork(7);
    for (size_t s = 0; s < stations; ++s) {
        m_anSequence[s] = static_cast<uint16_t>(setup.Below(4096));
        m_anUptimeUs[s] = static_cast<uint64_t>(setup.Uniform(3600.0, 30.0 * 86400.0) * 1e6);
    }
    m_nChannel = m_scenario.m_anHopChannels.front();
    if (m_gps.HasTrack()) m_tGps = kSecond;
    m_tNoise = 500 * kMs;
    if (m_scenario.m_dBatteryLowAfterS >= 0.0)
        m_tBattery = static_cast<int64_t>(m_scenario.m_dBatteryLowAfterS * 1e9);
    UpdatePosition();
}

void CSimulatedBoard::Write(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) return;
    AdvanceTo(m_nNow);
    for (size_t i = 0; i < length; ++i) {
        m_pCommandFramer->PushByte(bytes[i]);
        if (m_pCommandFramer->IsComplete()) {
            HandleCommand(m_pCommandFramer->Type(), m_pCommandFramer->Buffer(),
                          m_pCommandFramer->Length());
            m_pCommandFramer->Reset();
        }
    }
}

std::vector<uint8_t> CSimulatedBoard::ReadAll() {
    std::vector<uint8_t> out(m_line.Readable());
    out.resize(m_line.Read(out.data(), out.size()));
    return out;
}

int64_t CSimulatedBoard::NextActivity() const {
    const int64_t next = m_line.NextByteAt();
    if (next >= 0) return next;
    return std::min({m_tGps, m_tNoise, m_tBattery, m_tHop, m_tReport, m_tContent});
}

void CSimulatedBoard::AdvanceTo(int64_t time) {
    for (;;) {
        const int64_t next =
            std::min({m_tGps, m_tNoise, m_tBattery, m_tHop, m_tReport, m_tContent});
        if (next > time) break;
        m_line.ClockTo(next);
        m_nNow = std::max(m_nNow, next);
        // Ties go in a fixed order so that runs repeat exactly.
        if (m_tBattery == next)
            FireBattery();
        else if (m_tGps == next)
            FireGps();
        else if (m_tNoise == next)
            FireNoise();
        else if (m_tHop == next)
            FireHop();
        else if (m_tReport == next)
            FireReport();
        else
            FireContent();
    }
    if (time > m_nNow) m_nNow = time;
    m_line.ClockTo(m_nNow);
}

void CSimulatedBoard::HandleCommand(uint8_t command, const uint8_t* args, int length) {
    switch (command) {
        case BoardCommand::kFirmwareVersion: {
            const std::string& text = m_scenario.m_strFirmware;
            Send(PacketType::kFirmwareVersion, reinterpret_cast<const uint8_t*>(text.c_str()),
                 text.size() + 1, true);
            break;
        }
        case BoardCommand::kSerialNumber: {
            const std::string& text = m_scenario.m_strSerial;
            Send(PacketType::kSerialNumber, reinterpret_cast<const uint8_t*>(text.c_str()),
                 text.size() + 1, true);
            break;
        }
        case BoardCommand::kIdentityDone:
            // The program's "ready" after the identity exchange; the board
            // has nothing to answer.
            break;
        case BoardCommand::kSetMode:
            if (length < 1) break;
            Send(PacketType::kModeAck, args, 1, true);
            StartMode(args[0]);
            break;
        case BoardCommand::kSetChannel: {
            if (length < 1) break;
            // A channel outside 1..14 leaves the board where it is; it still
            // says where that is.
            if (args[0] >= 1 && args[0] <= 14) Tune(args[0]);
            const uint8_t channel = static_cast<uint8_t>(m_nChannel);
            Send(PacketType::kChannelReport, &channel, 1, true);
            FireNoise();
            break;
        }
        default:
            break;
    }
}

void CSimulatedBoard::StartMode(int mode) {
    // Unknown modes leave the board idle.
    switch (mode) {
        case BoardMode::kOneChannel:
        case BoardMode::kNarrowSpectrum:
        case BoardMode::kAllChannels:
        case BoardMode::kSpectrum:
        case BoardMode::kUsage:
        case BoardMode::kUtilization:
            m_nMode = mode;
            break;
        default:
            m_nMode = BoardMode::kIdle;
            break;
    }
    m_line.DropBulk();
    m_tPeriodStart = m_nNow;
    m_nPeriodFrames = 0;
    std::fill(m_abReported.begin(), m_abReported.end(), 0);
    m_tHop = Hops(m_nMode) ? m_nNow + m_scenario.m_nDwellMs * kMs : kNever;
    m_tReport = m_nMode == BoardMode::kOneChannel ? m_nNow + kReportPeriod : kNever;
    // The receiver settles before it captures again, which also gives the
    // program time to follow the acknowledgement with its channel.
    m_tContent = (Captures(m_nMode) || Sweeps(m_nMode)) ? m_nNow + kSettle : kNever;
    // A hopping board says at once where it starts.
    if (Hops(m_nMode)) SendChannelReport(PacketType::kChannelReportCount);
}

void CSimulatedBoard::Tune(int channel) {
    if (channel == m_nChannel) return;
    m_nChannel = channel;
    m_line.DropBulk();
    m_tPeriodStart = m_nNow;
    m_nPeriodFrames = 0;
    std::fill(m_abReported.begin(), m_abReported.end(), 0);
    if (Hops(m_nMode)) m_tHop = m_nNow + m_scenario.m_nDwellMs * kMs;
}

int64_t CSimulatedBoard::Gap() {
    // Short silences between bulk packets let the program's commands out:
    // it writes only when nothing is waiting to be read.
    return static_cast<int64_t>(m_rngTiming.Uniform(12.0, 30.0) * kMs);
}

void CSimulatedBoard::UpdatePosition() {
    const CGpsReceiver::Fix fix = m_gps.PositionAt(static_cast<double>(m_nNow) / kSecond);
    m_environment.SetInstrumentPosition(fix.east, fix.north);
}

void CSimulatedBoard::SendGpsMessage(const GpsMessage& message) {
    AdvanceTo(m_nNow);
    Send(PacketType::kGps, message.data(), message.size(), true);
}

void CSimulatedBoard::FireGps() {
    const int64_t second = m_tGps / kSecond;
    const auto message = m_gps.Message(second, m_rngGps);
    Send(PacketType::kGps, message.data(), message.size(), true);
    m_tGps += kSecond;
}

void CSimulatedBoard::FireNoise() {
    const int reading = m_environment.NoiseReading(m_nChannel, m_rngNoise);
    const uint16_t value = static_cast<uint16_t>(static_cast<int16_t>(reading));
    const uint8_t payload[3] = {static_cast<uint8_t>(value & 0xFF),
                                static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(m_nChannel)};
    Send(PacketType::kChannelValue, payload, sizeof payload, true);
    m_tNoise = m_nNow + static_cast<int64_t>(m_rngNoise.Uniform(700.0, 1300.0) * kMs);
}

void CSimulatedBoard::FireBattery() {
    SendLoad(PacketType::kBatteryLow, 1.0);
    m_tBattery += kBatteryRepeat;
}

void CSimulatedBoard::FireHop() {
    // Frames of the old channel still waiting must not arrive after the
    // report of the new one.
    m_line.DropBulk();
    if (m_nMode == BoardMode::kUtilization)
        SendLoad(PacketType::kChannelLoad, static_cast<double>(m_nNow - m_tPeriodStart) / kSecond);
    // Hop from where the board is: the list position, unless a retune moved
    // the board elsewhere (a channel may be listed more than once).
    const auto& list = m_scenario.m_anHopChannels;
    if (m_nHopIndex >= list.size() || list[m_nHopIndex] != m_nChannel) {
        const auto it = std::find(list.begin(), list.end(), m_nChannel);
        m_nHopIndex = it == list.end() ? list.size() - 1 : static_cast<size_t>(it - list.begin());
    }
    m_nHopIndex = (m_nHopIndex + 1) % list.size();
    const uint32_t heard = m_nPeriodFrames;
    m_nChannel = list[m_nHopIndex];
    m_tPeriodStart = m_nNow;
    m_nPeriodFrames = 0;
    std::fill(m_abReported.begin(), m_abReported.end(), 0);
    const uint8_t payload[3] = {static_cast<uint8_t>(m_nChannel),
                                static_cast<uint8_t>(heard & 0xFF),
                                static_cast<uint8_t>(std::min<uint32_t>(heard, 0xFFFF) >> 8)};
    Send(PacketType::kChannelReportCount, payload, sizeof payload, true);
    m_tHop += m_scenario.m_nDwellMs * kMs;
    if (m_tHop <= m_nNow) m_tHop = m_nNow + m_scenario.m_nDwellMs * kMs;
    if (Captures(m_nMode)) m_tContent = std::min(m_tContent, m_nNow + 2 * kMs);
}

void CSimulatedBoard::FireReport() {
    SendChannelReport(PacketType::kChannelReportCount);
    m_tPeriodStart = m_nNow;
    m_nPeriodFrames = 0;
    std::fill(m_abReported.begin(), m_abReported.end(), 0);
    m_tReport += kReportPeriod;
}

void CSimulatedBoard::FireContent() {
    if (!(Captures(m_nMode) || Sweeps(m_nMode))) {
        m_tContent = kNever;
        return;
    }
    if (m_line.BulkPackets() > 0) {
        m_tContent = m_line.IdleAt(m_nNow) + Gap();
        return;
    }
    if (Sweeps(m_nMode)) {
        const bool wide = m_nMode == BoardMode::kSpectrum;
        SendSweep(wide);
        const int64_t period = (wide ? 200 : 100) * kMs;
        m_tContent = std::max(m_nNow + period, m_line.IdleAt(m_nNow) + Gap());
        return;
    }
    SendFrame();
}

void CSimulatedBoard::SendFrame() {
    UpdatePosition();
    const double noise = m_environment.NoiseDbm(m_nChannel);
    const uint32_t kinds =
        m_nMode == BoardMode::kUsage ? CTrafficModel::kAllKinds : CTrafficModel::kSurveyKinds;
    m_traffic.Streams(m_nChannel, kinds, noise, m_aStreams);
    double total = 0.0;
    double weighted = 0.0;
    const auto weight = [&](const CTrafficModel::Stream& stream) {
        const auto& station = m_environment.Stations()[stream.station];
        const bool boost = m_nMode != BoardMode::kUsage &&
                           stream.kind == CFrameBuilder::Kind::Beacon &&
                           station.channel == m_nChannel && m_abReported[stream.station] == 0;
        return stream.perSecond * (boost ? kUnreportedWeight : 1.0);
    };
    for (const auto& stream : m_aStreams) {
        total += stream.perSecond;
        weighted += weight(stream);
    }
    if (m_aStreams.empty() || total <= 0.0) {
        // Nothing audible here now; look again when the walk has moved on.
        m_tContent = m_nNow + 250 * kMs;
        return;
    }
    // The next frame on the air, but never before the line has room.
    m_tContent = std::max(m_nNow + static_cast<int64_t>(m_rngTiming.Exponential(1.0 / total) * 1e9),
                          m_line.IdleAt(m_nNow) + Gap());

    double pick = m_rngFrames.Uniform() * weighted;
    const CTrafficModel::Stream* chosen = &m_aStreams.back();
    for (const auto& stream : m_aStreams) {
        pick -= weight(stream);
        if (pick < 0.0) {
            chosen = &stream;
            break;
        }
    }
    const size_t s = chosen->station;
    const auto& station = m_environment.Stations()[s];
    const CFrameBuilder::Kind kind = chosen->kind;

    CFrameBuilder::Capture capture;
    const double fading =
        m_environment.ChannelEstimate(s, chosen->levelDbm - noise, m_rngFrames, capture.estimate);
    const double level = chosen->levelDbm + fading;
    const double snr = CRadioEnvironment::ClampLevel(level) - noise;
    if (snr < 0.0) return;  // faded below the noise: not captured
    capture.rssiDbm = static_cast<int>(std::lround(CRadioEnvironment::ClampLevel(level)));
    capture.rateIndex = m_traffic.PickRate(s, kind, m_rngFrames);
    capture.valid = m_rngFrames.Chance(CRadioEnvironment::ValidProbability(snr, capture.rateIndex));
    // A frame from another channel is passed on only when it is clean: the
    // program would book a damaged one against the channel of the beacon
    // before it.
    if (!capture.valid && station.channel != m_nChannel) return;
    if (m_bRotateEstimate) {
        std::array<int8_t, 2 * CRadioEnvironment::kTaps> rotated{};
        for (int i = 0; i < CRadioEnvironment::kTaps; ++i) {
            const size_t to =
                static_cast<size_t>((i + kEstimateRotation) % CRadioEnvironment::kTaps);
            rotated[2 * to] = capture.estimate[static_cast<size_t>(2 * i)];
            rotated[2 * to + 1] = capture.estimate[static_cast<size_t>(2 * i + 1)];
        }
        capture.estimate = rotated;
    }

    // The other end: a client's access point, or one of an access point's
    // clients (none for broadcasts).
    const CRadioEnvironment::Station* peer = nullptr;
    const auto& stations = m_environment.Stations();
    if (!station.isAp) {
        peer = &stations[station.ap];
    } else if (station.clientCount > 0) {
        uint32_t k = m_rngFrames.Below(static_cast<uint32_t>(station.clientCount));
        for (const auto& other : stations) {
            if (!other.isAp && &stations[other.ap] == &station && k-- == 0) {
                peer = &other;
                break;
            }
        }
    }
    const uint64_t uptimeUs = m_anUptimeUs[s] + static_cast<uint64_t>(m_nNow / 1000);
    std::vector<uint8_t> frame =
        CFrameBuilder::Frame(kind, station, peer, m_anSequence[s]++, uptimeUs,
                             m_traffic.PickLength(s, kind, m_rngFrames), m_rngFrames);
    // A frame that failed the board's checks has a few bytes garbled, past
    // the header and the fixed fields: the program still takes the sender's
    // address and capability from such a frame to refresh its entry.
    constexpr size_t kIntact = 36;
    if (!capture.valid && frame.size() > kIntact) {
        for (int i = 0; i < 3; ++i)
            frame[kIntact + m_rngFrames.Below(static_cast<uint32_t>(frame.size() - kIntact))] ^=
                static_cast<uint8_t>(1 + m_rngFrames.Below(255));
    }
    const std::vector<uint8_t> payload = CFrameBuilder::CapturePayload(capture, frame);

    uint8_t type =
        capture.rateIndex >= 2 ? PacketType::kCapturedFrameAlt : PacketType::kCapturedFrame;
    if (m_nMode != BoardMode::kUsage && kind == CFrameBuilder::Kind::Beacon)
        type = PacketType::kCapturedBeacon;
    if (m_nMode != BoardMode::kUsage && kind == CFrameBuilder::Kind::ProbeResponse)
        type = PacketType::kCapturedBeaconAlt;
    Send(type, payload.data(), payload.size(), false);
    if (station.isAp) m_abReported[s] = 1;
    ++m_nPeriodFrames;
}

void CSimulatedBoard::SendSweep(bool wide) {
    UpdatePosition();
    std::array<int16_t, kWidePoints> levels{};
    std::vector<uint8_t> payload;
    if (wide) {
        m_environment.Sweep(2400.0, 100.0 / (kWidePoints - 1), kWidePoints, m_rngSweeps,
                            levels.data());
    } else {
        const double centre = CRadioEnvironment::CentreMhz(m_nChannel);
        m_environment.Sweep(centre - 10.0, 20.0 / (kNarrowPoints - 1), kNarrowPoints, m_rngSweeps,
                            levels.data());
        payload.push_back(static_cast<uint8_t>(m_nChannel));
        payload.push_back(0);
    }
    const int points = wide ? kWidePoints : kNarrowPoints;
    for (int i = 0; i < points; ++i) {
        const uint16_t v = static_cast<uint16_t>(levels[static_cast<size_t>(i)]);
        payload.push_back(static_cast<uint8_t>(v & 0xFF));
        payload.push_back(static_cast<uint8_t>(v >> 8));
    }
    Send(wide ? PacketType::kWideSweep : PacketType::kNarrowSweep, payload.data(), payload.size(),
         false);
}

void CSimulatedBoard::SendChannelReport(uint8_t type) {
    const uint32_t heard = std::min<uint32_t>(m_nPeriodFrames, 0xFFFF);
    const uint8_t payload[3] = {static_cast<uint8_t>(m_nChannel),
                                static_cast<uint8_t>(heard & 0xFF),
                                static_cast<uint8_t>(heard >> 8)};
    Send(type, payload, sizeof payload, true);
}

void CSimulatedBoard::SendLoad(uint8_t type, double seconds) {
    const auto load = m_traffic.ChannelLoad(m_nChannel, std::max(seconds, 0.05), m_rngLoad);
    uint8_t payload[16];
    for (size_t r = 0; r < 4; ++r) {
        for (size_t b = 0; b < 4; ++b)
            payload[4 * r + b] = static_cast<uint8_t>(load[r] >> (8 * b));
    }
    Send(type, payload, sizeof payload, true);
}

void CSimulatedBoard::Send(uint8_t type, const uint8_t* payload, size_t length, bool urgent) {
    // Nothing the board sends may overflow the program's packet buffer.
    if (length > kMaxPayload) return;
    m_line.Queue(FrameBoardPacket(type, payload, length), urgent, m_nNow);
}
