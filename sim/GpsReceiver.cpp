#include "sim/GpsReceiver.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kMetresPerDegree = 111320.0;
// Height of the geoid above the ellipsoid around the default origin.
constexpr double kGeoidSeparationM = 48.0;

}  // namespace

CGpsReceiver::CGpsReceiver(const CScenario& scenario)
    : m_bHasTrack(scenario.m_bHasTrack),
      m_bLoops(scenario.m_bTrackLoops),
      m_dSpeed(scenario.m_dWalkSpeed),
      m_dLat0(scenario.m_dOriginLat),
      m_dLon0(scenario.m_dOriginLon),
      m_dHeight0(scenario.m_dOriginHeightM),
      m_nStartTime(scenario.m_nStartTime),
      m_aPoints(scenario.m_aWaypoints) {
    if (m_aPoints.empty()) m_aPoints.push_back({0.0, 0.0});
    // A looping walk goes back to its first point.
    if (m_bLoops && m_aPoints.size() > 1 && m_aPoints.front() != m_aPoints.back())
        m_aPoints.push_back(m_aPoints.front());
    double total = 0.0;
    m_adDistance.push_back(0.0);
    for (size_t i = 1; i < m_aPoints.size(); ++i) {
        total += std::hypot(m_aPoints[i][0] - m_aPoints[i - 1][0],
                            m_aPoints[i][1] - m_aPoints[i - 1][1]);
        m_adDistance.push_back(total);
    }
}

CGpsReceiver::Fix CGpsReceiver::PositionAt(double seconds) const {
    Fix fix;
    fix.east = m_aPoints.front()[0];
    fix.north = m_aPoints.front()[1];
    const double total = m_adDistance.back();
    if (total <= 0.0 || m_dSpeed <= 0.0) return fix;
    double along = std::max(0.0, seconds) * m_dSpeed;
    bool moving = true;
    if (m_bLoops) {
        along = std::fmod(along, total);
    } else if (along >= total) {
        along = total;
        moving = false;
    }
    // The segment holding `along`; zero-length segments are passed over.
    size_t i = 1;
    while (i + 1 < m_aPoints.size() && m_adDistance[i] <= along) ++i;
    const double length = m_adDistance[i] - m_adDistance[i - 1];
    const double t = length > 0.0 ? (along - m_adDistance[i - 1]) / length : 1.0;
    const double dx = m_aPoints[i][0] - m_aPoints[i - 1][0];
    const double dy = m_aPoints[i][1] - m_aPoints[i - 1][1];
    fix.east = m_aPoints[i - 1][0] + t * dx;
    fix.north = m_aPoints[i - 1][1] + t * dy;
    double heading = std::atan2(dx, dy) * 180.0 / std::numbers::pi;
    if (heading < 0.0) heading += 360.0;
    fix.headingDeg = heading;
    fix.speed = moving ? m_dSpeed : 0.0;
    return fix;
}

void CGpsReceiver::ToLatLon(double east, double north, double& lat, double& lon) const {
    lat = m_dLat0 + north / kMetresPerDegree;
    const double scale = std::cos(m_dLat0 * std::numbers::pi / 180.0);
    lon = m_dLon0 + east / (kMetresPerDegree * std::max(scale, 1e-6));
}

void CGpsReceiver::CivilTime(int64_t utc, int& year, int& month, int& day, int& hour, int& minute,
                             int& secondOfMinute) {
    int64_t days = utc / 86400;
    int64_t rest = utc % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    hour = static_cast<int>(rest / 3600);
    minute = static_cast<int>(rest % 3600 / 60);
    secondOfMinute = static_cast<int>(rest % 60);
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2 ? 1 : 0));
}

GpsMessage CGpsReceiver::Message(int64_t second, CSimRandom& random) const {
    GpsFix m;
    CivilTime(m_nStartTime + second, m.year, m.month, m.day, m.hours, m.minutes, m.seconds);

    const Fix fix = PositionAt(static_cast<double>(second));
    const bool fixed = static_cast<double>(second) >= kAcquireSeconds;
    // A few metres of receiver noise on the raw position; the second
    // position is the receiver's smoothed one and follows the walk.
    const double noise = fixed ? 2.0 : 25.0;
    ToLatLon(fix.east, fix.north, m.latitude2, m.longitude2);
    ToLatLon(fix.east + random.Normal(0.0, noise), fix.north + random.Normal(0.0, noise),
             m.latitude1, m.longitude1);
    const double heightCm = (m_dHeight0 + random.Normal(0.0, fixed ? 3.0 : 20.0)) * 100.0;
    m.height1Cm = heightCm;
    m.height2Cm = heightCm + kGeoidSeparationM * 100.0;
    m.height3Cm = m_dHeight0 * 100.0;
    m.height4Cm = (m_dHeight0 + kGeoidSeparationM) * 100.0;

    const double speedCm = fixed ? std::max(0.0, fix.speed * 100.0 + random.Normal(0.0, 5.0)) : 0.0;
    m.speed3DCmPerSecond = speedCm;
    m.speed2DCmPerSecond = speedCm;
    m.headingTenths = static_cast<uint16_t>(std::lround(fix.headingDeg * 10.0) % 3600);
    m.dilution = static_cast<uint16_t>(fixed ? 14 + random.Below(6) : 99);  // tenths

    const int visible = 9 + static_cast<int>(random.Below(3));
    const int tracked = fixed ? visible - 1 - static_cast<int>(random.Below(2)) : 2;
    m.visibleSats = static_cast<uint8_t>(visible);
    m.trackedSats = static_cast<uint8_t>(tracked);
    static constexpr uint8_t kSatellites[12] = {2, 5, 7, 9, 12, 13, 15, 18, 21, 24, 26, 29};
    for (int c = 0; c < 12; ++c) {
        auto& record = m.channels[static_cast<size_t>(c)];
        const bool inUse = c < tracked;
        record[0] = c < visible ? kSatellites[c] : 0;                         // satellite id
        record[1] = inUse ? 8 : (c < visible ? 2 : 0);                        // tracking mode
        record[2] = inUse ? static_cast<uint8_t>(38 + random.Below(12)) : 0;  // C/N0
        record[4] = inUse ? 0xA2 : 0x00;  // channel status flags
    }
    m.fixStatus = fixed ? GpsFixStatus::kFix3D : GpsFixStatus::kAcquiring;
    m.clock = static_cast<uint16_t>(60000 + random.Below(200));        // clock bias, ns
    m.oscillator = static_cast<uint32_t>(95000 + random.Below(1000));  // oscillator offset, Hz
    m.temperatureHalfDegrees = static_cast<uint16_t>(2 * 21 + random.Below(2));
    m.timeFlags = static_cast<uint8_t>(0x80 | 18);  // UTC valid, 18 leap seconds
    m.idTag = {'O', 'R', 'V', 'S', 'I', 'M'};
    return EncodeGpsMessage(m);
}
