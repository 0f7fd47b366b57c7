#include "sim/RadioEnvironment.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "board/Wire.h"

namespace {

constexpr double kInstrumentHeightM = 1.2;
constexpr double kApHeightM = 2.5;
constexpr double kClientHeightM = 1.0;
// Half the width of an 802.11b DSSS channel's main lobe.
constexpr double kHalfBandMhz = 11.0;
// Below this a level is taken as not received at all.
constexpr double kInaudibleDbm = -200.0;

double ToMw(double dbm) {
    return std::pow(10.0, dbm / 10.0);
}
double ToDbm(double mw) {
    return mw > 0.0 ? 10.0 * std::log10(mw) : kInaudibleDbm;
}

// Power spectral shape of a DSSS transmitter relative to its centre: the
// sinc-squared main lobe 22 MHz wide, the side lobes held down to the
// transmit mask (-30 dB out to 22 MHz from the centre, -50 dB beyond).
double DsssShape(double offsetMhz) {
    const double x = offsetMhz / kHalfBandMhz;
    if (std::fabs(x) < 1e-9) return 1.0;
    const double s = std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
    const double lobe = s * s;
    const double d = std::fabs(offsetMhz);
    if (d < kHalfBandMhz) return std::max(lobe, 1e-3);
    return std::min(lobe, d < 2.0 * kHalfBandMhz ? 1e-3 : 1e-5);
}

// How much weaker a station on another channel is decoded, by the distance
// between the two centre frequencies; past 12 MHz it is not decoded at all.
double OffChannelLossDb(double offsetMhz) {
    const double d = std::fabs(offsetMhz);
    if (d < 0.5) return 0.0;
    if (d <= 5.5) return 12.0;
    if (d <= 10.5) return 28.0;
    if (d <= 12.5) return 36.0;
    return -1.0;
}

}  // namespace

CRadioEnvironment::CRadioEnvironment(const CScenario& scenario, uint64_t seed)
    : m_dNoiseFloorDbm(scenario.m_dNoiseFloorDbm),
      m_dReferenceLossDb(scenario.m_dReferenceLossDb),
      m_dPathLossExponent(scenario.m_dPathLossExponent),
      m_dRicianK(scenario.m_dRicianK),
      m_aInterferers(scenario.m_aInterferers) {
    CSimRandom random = CSimRandom(seed).Fork(0x5AD0);
    auto shadow = [&](Station& station) {
        station.shadowDb = scenario.m_dShadowingDb;
        station.shadowFixed = random.Normal();
        for (int i = 0; i < 3; ++i) {
            const double wavelength = random.Uniform(15.0, 45.0);
            const double angle = random.Uniform(0.0, 2.0 * std::numbers::pi);
            const double k = 2.0 * std::numbers::pi / wavelength;
            station.shadowField[static_cast<size_t>(3 * i)] = k * std::cos(angle);
            station.shadowField[static_cast<size_t>(3 * i + 1)] = k * std::sin(angle);
            station.shadowField[static_cast<size_t>(3 * i + 2)] =
                random.Uniform(0.0, 2.0 * std::numbers::pi);
        }
    };
    for (const CScenario::AccessPoint& ap : scenario.m_aAccessPoints) {
        Station station;
        station.mac = ap.mac;
        station.bssid = ap.mac;
        station.ssid = ap.ssid;
        station.isAp = true;
        station.channel = ap.channel;
        station.privacy = ap.privacy;
        station.txPowerDbm = ap.txPowerDbm;
        station.x = ap.x;
        station.y = ap.y;
        station.heightM = kApHeightM;
        station.delaySpreadNs = ap.delaySpreadNs;
        station.rateMbps = ap.rateMbps;
        station.framesPerSecond = ap.framesPerSecond;
        station.beaconIntervalTu = ap.beaconIntervalTu;
        station.activity = ap.activity;
        shadow(station);
        m_aStations.push_back(station);
    }
    for (const CScenario::Client& client : scenario.m_aClients) {
        Station station;
        Station& ap = m_aStations[client.ap];
        ++ap.clientCount;
        station.mac = client.mac;
        station.bssid = ap.mac;
        station.ssid = ap.ssid;
        station.ap = client.ap;
        station.channel = ap.channel;
        station.privacy = ap.privacy;
        station.txPowerDbm = client.txPowerDbm;
        station.x = client.x;
        station.y = client.y;
        station.heightM = kClientHeightM;
        station.delaySpreadNs = client.delaySpreadNs;
        station.rateMbps = client.rateMbps;
        station.framesPerSecond = client.framesPerSecond;
        station.activity = std::min(1.0, 0.05 * client.framesPerSecond);
        shadow(station);
        m_aStations.push_back(station);
    }
}

void CRadioEnvironment::SetInstrumentPosition(double east, double north) {
    m_dEast = east;
    m_dNorth = north;
}

double CRadioEnvironment::PathLevelDbm(const Station& station) const {
    const double dx = station.x - m_dEast;
    const double dy = station.y - m_dNorth;
    const double dz = station.heightM - kInstrumentHeightM;
    const double distance = std::max(1.0, std::sqrt(dx * dx + dy * dy + dz * dz));
    double field = 0.0;
    for (int i = 0; i < 3; ++i) {
        const auto* w = &station.shadowField[static_cast<size_t>(3 * i)];
        field += std::cos(w[0] * m_dEast + w[1] * m_dNorth + w[2]);
    }
    // Three unit cosines with random phases have variance 3/2; the fixed and
    // the moving part together have unit variance.
    const double shadowing =
        station.shadowDb * (0.6 * station.shadowFixed + 0.8 * std::sqrt(2.0 / 3.0) * field);
    const double loss = m_dReferenceLossDb + 10.0 * m_dPathLossExponent * std::log10(distance);
    return station.txPowerDbm - loss + shadowing;
}

double CRadioEnvironment::MeanLevelDbm(size_t station) const {
    if (station >= m_aStations.size()) return kInaudibleDbm;
    return PathLevelDbm(m_aStations[station]);
}

double CRadioEnvironment::HeardLevelDbm(size_t station, int channel) const {
    if (station >= m_aStations.size()) return kInaudibleDbm;
    const Station& s = m_aStations[station];
    const double loss = OffChannelLossDb(CentreMhz(channel) - CentreMhz(s.channel));
    if (loss < 0.0) return kInaudibleDbm;
    return PathLevelDbm(s) - loss;
}

double CRadioEnvironment::ClampLevel(double dbm) {
    return std::clamp(dbm, kMinLevelDbm, kMaxLevelDbm);
}

double CRadioEnvironment::InterferenceMw(double lowMhz, double highMhz, bool weighByDuty) const {
    double total = 0.0;
    for (const CScenario::Interferer& source : m_aInterferers) {
        const double low = source.centreMhz - source.widthMhz / 2.0;
        const double high = source.centreMhz + source.widthMhz / 2.0;
        const double overlap = std::min(high, highMhz) - std::max(low, lowMhz);
        if (overlap <= 0.0) continue;
        const double share = std::min(1.0, overlap / source.widthMhz);
        total += ToMw(source.levelDbm) * share * (weighByDuty ? source.duty : 1.0);
    }
    return total;
}

double CRadioEnvironment::NoiseDbm(int channel) const {
    const double centre = CentreMhz(channel);
    const double mw =
        ToMw(m_dNoiseFloorDbm) + InterferenceMw(centre - kHalfBandMhz, centre + kHalfBandMhz, true);
    return ToDbm(mw);
}

int CRadioEnvironment::NoiseReading(int channel, CSimRandom& random) const {
    const double level = NoiseDbm(channel) + random.Normal(0.0, 0.8);
    const int reading = static_cast<int>(std::lround(std::clamp(level, -120.0, -1.0)));
    return reading == 0 ? -1 : reading;
}

double CRadioEnvironment::ChannelEstimate(size_t station, double snrDb, CSimRandom& random,
                                          std::array<int8_t, 2 * kTaps>& iq) const {
    using Complex = std::complex<double>;
    const double spread = station < m_aStations.size() ? m_aStations[station].delaySpreadNs : 50.0;
    // Exponential power-delay profile; its RMS delay spread is its decay time.
    std::array<double, kTaps> profile{};
    double total = 0.0;
    for (int k = 0; k < kTaps; ++k) {
        const double p = spread < 1.0 ? (k == 0 ? 1.0 : 0.0) : std::exp(-k * kTapNs / spread);
        profile[static_cast<size_t>(k)] = p;
        total += p;
    }
    auto scattered = [&random]() {
        return Complex(random.Normal(), random.Normal()) * std::sqrt(0.5);
    };
    const double k = m_dRicianK;
    const double carrier = random.Uniform(0.0, 2.0 * std::numbers::pi);
    std::array<Complex, kTaps> taps{};
    double gain = 0.0;
    for (int t = 0; t < kTaps; ++t) {
        const double p = profile[static_cast<size_t>(t)] / total;
        Complex h = scattered() * std::sqrt(p);
        if (t == 0) {
            h = std::sqrt(p) * (std::sqrt(k / (k + 1.0)) * std::polar(1.0, carrier) +
                                std::sqrt(1.0 / (k + 1.0)) * scattered());
        } else {
            h *= std::polar(1.0, carrier);
        }
        taps[static_cast<size_t>(t)] = h;
        gain += std::norm(h);
    }
    // The estimate is made over the preamble, some 15 dB above the frame's
    // own signal-to-noise ratio.
    const double noiseVariance = gain / std::pow(10.0, (snrDb + 15.0) / 10.0) / kTaps;
    double peak = 0.0;
    for (Complex& h : taps) {
        h += scattered() * std::sqrt(noiseVariance);
        peak = std::max(peak, std::abs(h));
    }
    // The board's gain control brings the strongest tap near 90 counts.
    const double scale = peak > 0.0 ? 90.0 * (1.0 + random.Normal(0.0, 0.04)) / peak : 0.0;
    for (int t = 0; t < kTaps; ++t) {
        const Complex h = taps[static_cast<size_t>(t)] * scale;
        iq[static_cast<size_t>(2 * t)] =
            static_cast<int8_t>(std::lround(std::clamp(h.real(), -127.0, 127.0)));
        iq[static_cast<size_t>(2 * t + 1)] =
            static_cast<int8_t>(std::lround(std::clamp(h.imag(), -127.0, 127.0)));
    }
    return 10.0 * std::log10(std::max(gain, 1e-6));
}

void CRadioEnvironment::Sweep(double startMhz, double stepMhz, int points, CSimRandom& random,
                              int16_t* out) const {
    constexpr int kSegment = 16;
    const int segments = (points + kSegment - 1) / kSegment;
    // Which transmitters are on the air during each part of the sweep, and
    // how strongly this sweep catches them.
    std::vector<double> levels(m_aStations.size());
    std::vector<uint8_t> onAir(m_aStations.size() * static_cast<size_t>(segments));
    for (size_t s = 0; s < m_aStations.size(); ++s) {
        levels[s] = MeanLevelDbm(s) + random.Normal(0.0, 2.0);
        const bool active = random.Chance(m_aStations[s].activity);
        for (int g = 0; g < segments; ++g)
            onAir[s * static_cast<size_t>(segments) + static_cast<size_t>(g)] =
                active && random.Chance(0.85) ? 1 : 0;
    }
    std::vector<uint8_t> interfererOn(m_aInterferers.size());
    for (size_t i = 0; i < m_aInterferers.size(); ++i)
        interfererOn[i] = random.Chance(m_aInterferers[i].duty) ? 1 : 0;

    for (int p = 0; p < points; ++p) {
        const double f = startMhz + stepMhz * p;
        const int g = p / kSegment;
        // The receiver's own noise fluctuates from point to point.
        double mw = ToMw(m_dNoiseFloorDbm + random.Normal(0.0, 1.2));
        for (size_t s = 0; s < m_aStations.size(); ++s) {
            if (onAir[s * static_cast<size_t>(segments) + static_cast<size_t>(g)] == 0) continue;
            mw += ToMw(levels[s]) * DsssShape(f - CentreMhz(m_aStations[s].channel));
        }
        for (size_t i = 0; i < m_aInterferers.size(); ++i) {
            if (interfererOn[i] == 0) continue;
            const CScenario::Interferer& source = m_aInterferers[i];
            const double edge = std::fabs(f - source.centreMhz) - source.widthMhz / 2.0;
            // Flat inside its band, falling 3 dB a megahertz outside.
            const double relative = edge <= 0.0 ? 1.0 : std::pow(10.0, -0.3 * edge);
            mw += ToMw(source.levelDbm) * relative;
        }
        const double dbm = std::clamp(ToDbm(mw) + random.Normal(0.0, 0.4), -127.0, -10.0);
        out[p] = static_cast<int16_t>(std::lround(dbm * 256.0));
    }
}

double CRadioEnvironment::ValidProbability(double snrDb, int rateIndex) {
    static constexpr double kThresholdDb[4] = {3.0, 6.0, 9.0, 12.0};
    const double threshold = kThresholdDb[std::clamp(rateIndex, 0, 3)];
    return 1.0 / (1.0 + std::exp(-(snrDb - threshold) / 1.5));
}

double CRadioEnvironment::CentreMhz(int channel) {
    if (channel == 14) return 2484.0;
    return 2407.0 + 5.0 * channel;
}

int CRadioEnvironment::RateIndex(double mbps) {
    if (mbps >= 11.0) return 3;
    if (mbps >= 5.5) return 2;
    if (mbps >= 2.0) return 1;
    return 0;
}

int CRadioEnvironment::RateCode(int rateIndex) {
    return CaptureRate::kCodes[std::clamp(rateIndex, 0, 3)];
}
