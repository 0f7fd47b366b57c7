#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gps/GpsMessage.h"
#include "sim/Scenario.h"
#include "sim/SimRandom.h"

// The GPS receiver fitted to the simulated unit: walks the scenario's track
// at its speed and writes the receiver's 152-byte big-endian position and
// status message.
class CGpsReceiver {
public:
    static constexpr size_t kMessageSize = kGpsMessageSize;
    // Seconds after power-on before the receiver reports a 3D fix.
    static constexpr double kAcquireSeconds = 4.0;

    struct Fix {
        double east = 0.0;  // metres from the origin
        double north = 0.0;
        double headingDeg = 0.0;  // 0 = north, clockwise
        double speed = 0.0;       // m/s
    };

    explicit CGpsReceiver(const CScenario& scenario);

    bool HasTrack() const { return m_bHasTrack; }
    // Where the instrument is `seconds` after power-on.
    Fix PositionAt(double seconds) const;
    void ToLatLon(double east, double north, double& lat, double& lon) const;

    // The message for the whole second `second` after power-on.
    GpsMessage Message(int64_t second, CSimRandom& random) const;

    // Broken-down UTC of seconds since the epoch.
    static void CivilTime(int64_t utc, int& year, int& month, int& day, int& hour, int& minute,
                          int& secondOfMinute);

private:
    bool m_bHasTrack;
    bool m_bLoops;
    double m_dSpeed;
    double m_dLat0;
    double m_dLon0;
    double m_dHeight0;
    int64_t m_nStartTime;
    std::vector<std::array<double, 2>> m_aPoints;
    std::vector<double> m_adDistance;  // along the track to each point
};
