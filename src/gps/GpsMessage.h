#pragma once

#include <array>
#include <cstdint>

// The GPS receiver's 152-byte big-endian position and status message, built
// from host values. The simulated receiver and the gpsd source both write it
// with this one encoder, so that everything downstream (the decoder, the
// recorder, the forwarding link, the exports) sees one layout.
inline constexpr uint32_t kGpsMessageSize = 152;
using GpsMessage = std::array<uint8_t, kGpsMessageSize>;

// Fix status values the receiver reports in bits 7..5 of its first status
// byte.
namespace GpsFixStatus {
inline constexpr uint8_t kAcquiring = 3;
inline constexpr uint8_t kFix2D = 6;
inline constexpr uint8_t kFix3D = 7;
}  // namespace GpsFixStatus

struct GpsFix {
    static constexpr int kChannelCount = 12;
    static constexpr int kChannelRecordSize = 6;

    int year = 1970;  // four digits
    int month = 1;    // 1..12
    int day = 1;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    uint32_t fractionalSecond = 0;

    // Degrees, north and east positive. The first position is the raw one,
    // the second the smoothed one the screen shows.
    double latitude1 = 0.0;
    double longitude1 = 0.0;
    double latitude2 = 0.0;
    double longitude2 = 0.0;
    // Centimetres; the first height is the altitude shown.
    double height1Cm = 0.0;
    double height2Cm = 0.0;
    double height3Cm = 0.0;
    double height4Cm = 0.0;

    double speed3DCmPerSecond = 0.0;  // written rounded, clamped to 0..65535
    double speed2DCmPerSecond = 0.0;
    uint16_t headingTenths = 0;  // 0..3599
    uint16_t dilution = 0;
    uint8_t visibleSats = 0;
    uint8_t trackedSats = 0;
    std::array<std::array<uint8_t, kChannelRecordSize>, kChannelCount> channels{};

    uint8_t fixStatus = GpsFixStatus::kAcquiring;  // 0..7
    uint8_t status2 = 0;
    uint16_t clock = 0;
    uint32_t oscillator = 0;
    uint16_t temperatureHalfDegrees = 0;
    uint8_t timeFlags = 0;  // bit 7, bit 6, bits 5..0 a count
    uint8_t timeZoneSign = 0;
    uint8_t timeZoneHours = 0;
    uint8_t timeZoneMinutes = 0;
    std::array<uint8_t, 6> idTag{};
};

// The message for `fix`: header "GPSM", the fields at their offsets, and the
// receiver's own checksum (XOR of bytes 2..150) in the last byte.
GpsMessage EncodeGpsMessage(const GpsFix& fix);
