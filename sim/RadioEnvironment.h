#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/Scenario.h"
#include "sim/SimRandom.h"

// The radio side of a scenario as the instrument experiences it: where every
// transmitter is, how strongly it is received where the instrument stands,
// the noise on each channel, the multipath of each link and what a swept
// receiver sees across the band.
class CRadioEnvironment {
public:
    static constexpr int kTaps = 44;
    // 44 taps cover eleven chips at four samples a chip.
    static constexpr double kTapNs = 1000.0 / 44.0;
    static constexpr double kMinLevelDbm = -100.0;
    static constexpr double kMaxLevelDbm = -20.0;

    struct Station {
        std::array<uint8_t, 6> mac{};
        std::array<uint8_t, 6> bssid{};
        std::string ssid;
        bool isAp = false;
        size_t ap = 0;           // for a client, the station index of its access point
        size_t clientCount = 0;  // for an access point
        int channel = 1;
        bool privacy = false;
        double txPowerDbm = 15.0;
        double x = 0.0;
        double y = 0.0;
        double heightM = 1.0;
        double delaySpreadNs = 50.0;
        double rateMbps = 11.0;
        double framesPerSecond = 1.0;
        double beaconIntervalTu = 100.0;
        double activity = 0.5;
        // Shadowing: a fixed part and a field that varies over some tens of
        // metres as the instrument walks.
        double shadowDb = 0.0;                // deviation
        double shadowFixed = 0.0;             // unit normal
        std::array<double, 9> shadowField{};  // (kx, ky, phase) three times
    };

    CRadioEnvironment(const CScenario& scenario, uint64_t seed);

    const std::vector<Station>& Stations() const { return m_aStations; }
    void SetInstrumentPosition(double east, double north);

    // Received level of a station on its own channel without fast fading.
    double MeanLevelDbm(size_t station) const;
    // Level at which the board tuned to `channel` decodes the station, before
    // fading; a very low value when it cannot decode it there at all.
    double HeardLevelDbm(size_t station, int channel) const;
    static double ClampLevel(double dbm);

    // Noise level of a channel: the floor plus the interference inside it.
    double NoiseDbm(int channel) const;
    // One measurement of it, in whole dBm, never 0 (0 means "no value").
    int NoiseReading(int channel, CSimRandom& random) const;

    // One frame's 44-tap channel estimate (I, Q pairs) for a station heard at
    // `snrDb`. Returns the frame's wideband fading in dB, which moves the
    // frame's received level.
    double ChannelEstimate(size_t station, double snrDb, CSimRandom& random,
                           std::array<int8_t, 2 * kTaps>& iq) const;

    // One sweep: `points` levels in 1/256 dBm from `startMhz` in steps of
    // `stepMhz`.
    void Sweep(double startMhz, double stepMhz, int points, CSimRandom& random, int16_t* out) const;

    // Chance that a frame heard at `snrDb` at rate index 0..3 passes the
    // board's checks.
    static double ValidProbability(double snrDb, int rateIndex);
    static double CentreMhz(int channel);
    static int RateIndex(double mbps);
    static int RateCode(int rateIndex);  // 10, 20, 55, 110

private:
    double PathLevelDbm(const Station& station) const;
    double InterferenceMw(double lowMhz, double highMhz, bool weighByDuty) const;

    double m_dNoiseFloorDbm;
    double m_dReferenceLossDb;
    double m_dPathLossExponent;
    double m_dRicianK;
    std::vector<CScenario::Interferer> m_aInterferers;
    std::vector<Station> m_aStations;
    double m_dEast = 0.0;
    double m_dNorth = 0.0;
};
