#include "sim/TrafficModel.h"

#include <algorithm>
#include <cmath>

namespace {

// Management and control frames go at the basic rates.
constexpr int kBasicRate = 0;
constexpr double kTuSeconds = 1.024e-3;
// Fast fading may lift a frame this far above its mean level.
constexpr double kFadingHeadroomDb = 6.0;

size_t BeaconLength(const CRadioEnvironment::Station& ap) {
    // Header 24, fixed fields 12, SSID, rates 6, DS 3, TIM 6, FCS 4.
    return 24 + 12 + 2 + std::min<size_t>(ap.ssid.size(), 32) + 6 + 3 + 6 + 4;
}

}  // namespace

CTrafficModel::CTrafficModel(const CRadioEnvironment& environment)
    : m_environment(environment), m_adUplink(environment.Stations().size(), 0.0) {
    const auto& stations = environment.Stations();
    for (const auto& s : stations) {
        if (!s.isAp) m_adUplink[s.ap] += s.framesPerSecond;
    }
}

double CTrafficModel::Rate(size_t station, Kind kind) const {
    const auto& stations = m_environment.Stations();
    if (station >= stations.size()) return 0.0;
    const CRadioEnvironment::Station& s = stations[station];
    const double clients = static_cast<double>(s.clientCount);
    if (s.isAp) {
        const double uplink = m_adUplink[station];
        switch (kind) {
            case Kind::Beacon:
                return 1.0 / (s.beaconIntervalTu * kTuSeconds);
            case Kind::ProbeResponse:
                return 0.3 + 0.2 * clients;
            case Kind::Authentication:
                return 0.01 * clients;
            case Kind::Deauthentication:
                return 0.004 * clients + 0.002;
            case Kind::Data:
                return clients > 0 ? s.framesPerSecond : 0.0;
            case Kind::Ack:
                return 0.95 * uplink;
            case Kind::Cts:
                return 0.1 * uplink;
            case Kind::Reserved:
                return 0.002;
            default:
                return 0.0;
        }
    }
    const double downlink =
        stations[s.ap].clientCount > 0
            ? stations[s.ap].framesPerSecond / static_cast<double>(stations[s.ap].clientCount)
            : 0.0;
    switch (kind) {
        case Kind::ProbeRequest:
            return 0.15;
        case Kind::Authentication:
            return 0.01;
        case Kind::AssociationRequest:
            return 0.01;
        case Kind::Deauthentication:
            return 0.003;
        case Kind::Data:
            return s.framesPerSecond;
        case Kind::Ack:
            return 0.95 * downlink;
        case Kind::Rts:
            return 0.1 * s.framesPerSecond;
        case Kind::Reserved:
            return 0.001;
        default:
            return 0.0;
    }
}

void CTrafficModel::Streams(int channel, uint32_t kinds, double noiseDbm,
                            std::vector<Stream>& out) const {
    out.clear();
    const auto& stations = m_environment.Stations();
    for (size_t s = 0; s < stations.size(); ++s) {
        const double level = m_environment.HeardLevelDbm(s, channel);
        if (level + kFadingHeadroomDb < noiseDbm) continue;
        const bool offChannel = stations[s].channel != channel;
        for (int k = 0; k < CFrameBuilder::kKinds; ++k) {
            const Kind kind = static_cast<Kind>(k);
            if ((kinds & Bit(kind)) == 0) continue;
            // Off its channel the board passes on only frames that name their
            // channel (beacons, probe responses); any other would be booked
            // against the channel the board listens on.
            if (offChannel && kind != Kind::Beacon && kind != Kind::ProbeResponse) continue;
            const double perSecond = Rate(s, kind);
            if (perSecond <= 0.0) continue;
            out.push_back(Stream{s, kind, perSecond, level});
        }
    }
}

std::array<double, 4> CTrafficModel::DataRateShares(size_t station) const {
    std::array<double, 4> shares{};
    const int top = CRadioEnvironment::RateIndex(m_environment.Stations()[station].rateMbps);
    // Mostly the station's own rate, now and then a fallback.
    shares[static_cast<size_t>(top)] += 0.8;
    shares[static_cast<size_t>(std::max(0, top - 1))] += 0.15;
    shares[0] += 0.05;
    return shares;
}

int CTrafficModel::PickRate(size_t station, Kind kind, CSimRandom& random) const {
    if (station >= m_environment.Stations().size()) return kBasicRate;
    if (kind != Kind::Data) {
        // Control responses follow the rate of the frame they answer, held
        // to the basic rates.
        if (kind == Kind::Ack || kind == Kind::Cts)
            return m_environment.Stations()[station].rateMbps >= 2.0 && random.Chance(0.5) ? 1 : 0;
        return kBasicRate;
    }
    const auto shares = DataRateShares(station);
    double u = random.Uniform();
    for (int r = 3; r > 0; --r) {
        if (u < shares[static_cast<size_t>(r)]) return r;
        u -= shares[static_cast<size_t>(r)];
    }
    return 0;
}

size_t CTrafficModel::PickLength(size_t station, Kind kind, CSimRandom& random) const {
    if (kind != Kind::Data) return static_cast<size_t>(MeanLength(station, kind));
    // Short frames (acknowledgements of the layers above) and full ones.
    if (random.Chance(0.4)) return 60 + random.Below(61);
    return 500 + random.Below(1001);
}

double CTrafficModel::MeanLength(size_t station, Kind kind) const {
    const auto& s = m_environment.Stations()[station];
    switch (kind) {
        case Kind::Beacon:
            return static_cast<double>(BeaconLength(s));
        case Kind::ProbeResponse:
            return static_cast<double>(BeaconLength(s) - 6);
        case Kind::ProbeRequest:
            return 24.0 + 2.0 + static_cast<double>(s.ssid.size()) + 6.0 + 4.0;
        case Kind::Authentication:
            return 34.0;
        case Kind::Deauthentication:
            return 30.0;
        case Kind::AssociationRequest:
            return 24.0 + 4.0 + 2.0 + static_cast<double>(s.ssid.size()) + 6.0 + 4.0;
        case Kind::Data:
            return 0.4 * 90.0 + 0.6 * 1000.0;
        case Kind::Ack:
        case Kind::Cts:
            return 14.0;
        case Kind::Rts:
            return 20.0;
        case Kind::Reserved:
            return 40.0;
    }
    return 0.0;
}

std::array<uint32_t, 4> CTrafficModel::ChannelLoad(int channel, double seconds,
                                                   CSimRandom& random) const {
    std::array<double, 4> bytes{};
    const auto& stations = m_environment.Stations();
    if (seconds <= 0.0) return {};
    for (size_t s = 0; s < stations.size(); ++s) {
        if (stations[s].channel != channel) continue;
        for (int k = 0; k < CFrameBuilder::kKinds; ++k) {
            const Kind kind = static_cast<Kind>(k);
            const double perSecond = Rate(s, kind);
            if (perSecond <= 0.0) continue;
            const double frames = random.Poisson(perSecond * seconds);
            if (frames == 0.0) continue;
            const double length = MeanLength(s, kind);
            if (kind == Kind::Data) {
                const auto shares = DataRateShares(s);
                for (size_t r = 0; r < 4; ++r) bytes[r] += frames * length * shares[r];
            } else {
                bytes[static_cast<size_t>(kind == Kind::Ack || kind == Kind::Cts ? 1 : 0)] +=
                    frames * length;
            }
        }
    }
    std::array<uint32_t, 4> load{};
    for (size_t r = 0; r < 4; ++r)
        load[r] = static_cast<uint32_t>(std::min(65535.0, std::round(bytes[r] / seconds)));
    return load;
}
