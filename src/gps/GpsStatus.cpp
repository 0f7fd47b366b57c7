#include "gps/GpsStatus.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Offsets in the 152-byte message.
constexpr int kOffMonth = 4;
constexpr int kOffDay = 5;
constexpr int kOffYear = 6;
constexpr int kOffHours = 8;
constexpr int kOffMinutes = 9;
constexpr int kOffSeconds = 10;
constexpr int kOffLatitude1 = 15;
constexpr int kOffLongitude1 = 19;
constexpr int kOffHeight1 = 23;
constexpr int kOffHeight2 = 27;
constexpr int kOffLatitude2 = 31;
constexpr int kOffLongitude2 = 35;
constexpr int kOffHeight3 = 39;
constexpr int kOffHeight4 = 43;
constexpr int kOffSpeed3D = 47;
constexpr int kOffSpeed2D = 49;
constexpr int kOffHeading = 51;
constexpr int kOffDilution = 53;
constexpr int kOffVisibleSats = 55;
constexpr int kOffTrackedSats = 56;
constexpr int kOffChannels = 57;
constexpr int kOffStatus1 = 129;
constexpr int kOffStatus2 = 130;
constexpr int kOffClock = 133;
constexpr int kOffOscillator = 135;
constexpr int kOffTemperature = 139;
constexpr int kOffTimeFlags = 141;
constexpr int kOffTimeZoneSign = 142;
constexpr int kOffTimeZoneHours = 143;
constexpr int kOffTimeZoneMinutes = 144;
constexpr int kOffIdTag = 145;

// Milliarcseconds to degrees: 1 / 3 600 000.
constexpr double kMasToDegrees = 2.7777777777777776e-07;
// The receiver's speed factor: cm/h to "miles" of 166 667 cm.
constexpr double kCmPerHourToMph = 0.000006;
// Feet of 30 cm.
constexpr double kCmToFeet = 0.03333333333333333;

double SignedField(const uint8_t* p) {
    // Two's complement reinterpretation; well defined since C++20.
    return static_cast<double>(static_cast<int32_t>(CGpsStatus::ReadU32BE(p)));
}

std::string FormatCoordinate(double degrees, char positive, char negative) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.4f %c", std::fabs(degrees),
                  degrees > 0 ? positive : negative);
    return buffer;
}

}  // namespace

// clang-format off
const std::array<const char*, CGpsStatus::kTextCount> CGpsStatus::s_aTexts = {
    "N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
    "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW",
    "N", "", "", "",
    "Reserved", "Reserved", "Bad Geometry", "Acquiring Satellites",
    "Position Hold", "Propogate Mode", "2D Fix", "3D Fix",
};
// clang-format on

CGpsStatus::CGpsStatus() = default;

uint16_t CGpsStatus::ReadU16BE(const uint8_t* p) {
    return static_cast<uint16_t>((static_cast<uint32_t>(p[0]) << 8) | p[1]);
}

uint32_t CGpsStatus::ReadU32BE(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

int CGpsStatus::Decode(const uint8_t* payload, uint32_t length) {
    if (payload == nullptr || length < kMessageSize) return -1;

    for (uint32_t i = 0; i < kMessageSize; ++i) m_aRaw[i] = payload[i];
    const uint8_t* m = m_aRaw.data();
    m_bMessageReceived = 1;

    m_nStatus1 = m[kOffStatus1];
    m_nStatus2 = m[kOffStatus2];
    m_nFixStatus = static_cast<uint16_t>(m_nStatus1 >> 5);

    m_nMonth = m[kOffMonth];
    m_nDay = m[kOffDay];
    m_nYear = ReadU16BE(m + kOffYear);
    m_nHours = m[kOffHours];
    m_nMinutes = m[kOffMinutes];
    m_nSeconds = m[kOffSeconds];

    m_dLatitude1 = SignedField(m + kOffLatitude1) * kMasToDegrees;
    m_dLongitude1 = SignedField(m + kOffLongitude1) * kMasToDegrees;
    m_dLatitude2 = SignedField(m + kOffLatitude2) * kMasToDegrees;
    m_dLongitude2 = SignedField(m + kOffLongitude2) * kMasToDegrees;
    m_dHeight1 = SignedField(m + kOffHeight1);
    m_dHeight2 = SignedField(m + kOffHeight2);
    m_dHeight3 = SignedField(m + kOffHeight3);
    m_dHeight4 = SignedField(m + kOffHeight4);

    m_nSpeed3D = ReadU16BE(m + kOffSpeed3D);
    m_nSpeed2D = ReadU16BE(m + kOffSpeed2D);
    m_nHeading = ReadU16BE(m + kOffHeading);
    m_nDilution = ReadU16BE(m + kOffDilution);
    m_nVisibleSats = m[kOffVisibleSats];
    m_nTrackedSats = m[kOffTrackedSats];

    for (int c = 0; c < kChannelCount; ++c) {
        for (int b = 0; b < kChannelRecordSize; ++b) {
            m_aChannels[c][b] = m[kOffChannels + c * kChannelRecordSize + b];
        }
    }

    m_nClock = ReadU16BE(m + kOffClock);
    m_nOscillator = ReadU32BE(m + kOffOscillator);
    m_dTemperature = static_cast<double>(ReadU16BE(m + kOffTemperature) >> 1);

    const uint8_t flags = m[kOffTimeFlags];
    m_bTimeFlagHigh = (flags >> 7) & 1;
    m_bTimeFlagLow = (flags >> 6) & 1;
    m_nTimeCount = flags & 0x3F;

    m_nTimeZoneSign = m[kOffTimeZoneSign] != 0 ? 1 : 0;
    m_nTimeZoneHours = m[kOffTimeZoneHours];
    m_nTimeZoneMinutes = m[kOffTimeZoneMinutes];
    for (int i = 0; i < kIdTagSize; ++i) m_aIdTag[i] = m[kOffIdTag + i];
    return 0;
}

int CGpsStatus::HeadingIndex(uint16_t headingTenths) {
    // Each direction covers 22.5 degrees centred on its bearing; 3487..3711
    // round up to the second north entry.
    return (static_cast<int>(headingTenths) + 113) / 225;
}

int CGpsStatus::SpeedMph(uint16_t speedCmPerSecond) {
    // At most 65535 * 3600 * 0.000006 = 1415, so the truncation is in range.
    return static_cast<int>(static_cast<double>(speedCmPerSecond * 3600) * kCmPerHourToMph);
}

int16_t CGpsStatus::HeightFeet(double heightCm) {
    // A signed 32-bit height gives up to about 71 million feet; values past the
    // 16-bit range are held at its ends rather than wrapped into a wrong number.
    const double feet = std::trunc(heightCm * kCmToFeet);
    if (!(feet >= std::numeric_limits<int16_t>::min())) return std::numeric_limits<int16_t>::min();
    if (feet > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    return static_cast<int16_t>(feet);
}

std::string CGpsStatus::FormatDate() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", m_nMonth, m_nDay, m_nYear);
    return buffer;
}

std::string CGpsStatus::FormatTime() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", m_nHours, m_nMinutes, m_nSeconds);
    return buffer;
}

std::string CGpsStatus::FormatLatitude() const {
    return FormatCoordinate(m_dLatitude2, 'N', 'S');
}

std::string CGpsStatus::FormatLongitude() const {
    return FormatCoordinate(m_dLongitude2, 'E', 'W');
}

const char* CGpsStatus::FormatHeading() const {
    // A heading of 3712 tenths or more has no compass entry; it shows as empty text,
    // like the unused table entries that follow north.
    const int index = HeadingIndex(m_nHeading);
    return index < kCompassCount ? s_aTexts[index] : "";
}

const char* CGpsStatus::FormatFixStatus() const {
    // The fix status is three bits, so the index stays inside the table.
    return s_aTexts[kFixTextBase + (m_nFixStatus & 7)];
}

std::string CGpsStatus::FormatVelocity() const {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%d MPH    %s", SpeedMph(m_nSpeed3D), FormatHeading());
    return buffer;
}

std::string CGpsStatus::FormatAltitude() const {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d feet", HeightFeet(m_dHeight1));
    return buffer;
}
