#include "gps/GpsMessage.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMasPerDegree = 3600000.0;

void Put16(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

void Put32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>(value >> 16);
    p[2] = static_cast<uint8_t>(value >> 8);
    p[3] = static_cast<uint8_t>(value);
}

// Rounded and held inside the signed 32-bit range; NaN writes 0.
void PutSigned32(uint8_t* p, double value) {
    if (std::isnan(value)) value = 0.0;
    const double clamped = std::clamp(std::round(value), -2147483648.0, 2147483647.0);
    Put32(p, static_cast<uint32_t>(static_cast<int32_t>(clamped)));
}

void PutSpeed(uint8_t* p, double cmPerSecond) {
    if (std::isnan(cmPerSecond)) cmPerSecond = 0.0;
    Put16(p, static_cast<uint32_t>(std::lround(std::clamp(cmPerSecond, 0.0, 65535.0))));
}

}  // namespace

GpsMessage EncodeGpsMessage(const GpsFix& fix) {
    GpsMessage m{};
    uint8_t* p = m.data();
    p[0] = 'G';
    p[1] = 'P';
    p[2] = 'S';
    p[3] = 'M';
    p[4] = static_cast<uint8_t>(fix.month);
    p[5] = static_cast<uint8_t>(fix.day);
    Put16(p + 6, static_cast<uint32_t>(fix.year));
    p[8] = static_cast<uint8_t>(fix.hours);
    p[9] = static_cast<uint8_t>(fix.minutes);
    p[10] = static_cast<uint8_t>(fix.seconds);
    Put32(p + 11, fix.fractionalSecond);

    PutSigned32(p + 15, fix.latitude1 * kMasPerDegree);
    PutSigned32(p + 19, fix.longitude1 * kMasPerDegree);
    PutSigned32(p + 23, fix.height1Cm);
    PutSigned32(p + 27, fix.height2Cm);
    PutSigned32(p + 31, fix.latitude2 * kMasPerDegree);
    PutSigned32(p + 35, fix.longitude2 * kMasPerDegree);
    PutSigned32(p + 39, fix.height3Cm);
    PutSigned32(p + 43, fix.height4Cm);

    PutSpeed(p + 47, fix.speed3DCmPerSecond);
    PutSpeed(p + 49, fix.speed2DCmPerSecond);
    Put16(p + 51, fix.headingTenths);
    Put16(p + 53, fix.dilution);
    p[55] = fix.visibleSats;
    p[56] = fix.trackedSats;
    for (int c = 0; c < GpsFix::kChannelCount; ++c)
        std::copy(fix.channels[c].begin(), fix.channels[c].end(),
                  p + 57 + GpsFix::kChannelRecordSize * c);

    p[129] = static_cast<uint8_t>((fix.fixStatus & 7) << 5);
    p[130] = fix.status2;
    Put16(p + 133, fix.clock);
    Put32(p + 135, fix.oscillator);
    Put16(p + 139, fix.temperatureHalfDegrees);
    p[141] = fix.timeFlags;
    p[142] = fix.timeZoneSign;
    p[143] = fix.timeZoneHours;
    p[144] = fix.timeZoneMinutes;
    std::copy(fix.idTag.begin(), fix.idTag.end(), p + 145);

    uint8_t sum = 0;
    for (uint32_t i = 2; i < kGpsMessageSize - 1; ++i) sum ^= p[i];
    p[kGpsMessageSize - 1] = sum;
    return m;
}
