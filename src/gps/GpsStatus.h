#pragma once

#include <array>
#include <cstdint>
#include <string>

// The last position/status message of the unit's GPS receiver, as carried in
// board packets of type 7, with the fields the program uses converted to host
// values and the texts the GPS screen prints.
//
// The message is a fixed 152-byte big-endian layout. Each decode overwrites the
// previous message completely; values are shown as they come (a month of 13
// prints as 13), but every value, however hostile, gives a defined text.
class CGpsStatus {
public:
    static constexpr uint32_t kMessageSize = 152;
    static constexpr int kChannelCount = 12;
    static constexpr int kChannelRecordSize = 6;
    static constexpr int kIdTagSize = 6;

    // Compass texts 0..16 (north twice), three empty entries, then the fix
    // status texts 20..27.
    static constexpr int kCompassCount = 17;
    static constexpr int kFixTextBase = 20;
    static constexpr int kTextCount = 28;
    static const std::array<const char*, kTextCount> s_aTexts;

    CGpsStatus();

    // Copies the first 152 bytes of `payload` and decodes them. A payload
    // shorter than the message (or null) is ignored: nothing is read, the
    // previous message and the received flag stay as they were, and -1 is
    // returned. Returns 0 on success.
    int Decode(const uint8_t* payload, uint32_t length);

    // Big-endian reads: the first byte is the most significant.
    static uint16_t ReadU16BE(const uint8_t* p);
    static uint32_t ReadU32BE(const uint8_t* p);

    // Texts for the GPS screen.
    std::string FormatDate() const;       // "07/04/2006"
    std::string FormatTime() const;       // "13:05:09"
    std::string FormatLatitude() const;   // "4.0000 N", second-position latitude
    std::string FormatLongitude() const;  // "4.0000 E", second-position longitude
    const char* FormatHeading() const;    // compass text, never null
    const char* FormatFixStatus() const;  // fix status text, never null
    std::string FormatVelocity() const;   // "9 MPH    NNE"
    std::string FormatAltitude() const;   // "1000 feet"

    // Display conversions, exposed for the texts above and for tests.
    static int HeadingIndex(uint16_t headingTenths);
    static int SpeedMph(uint16_t speedCmPerSecond);
    static int16_t HeightFeet(double heightCm);

    // Raw copy of the last decoded message.
    std::array<uint8_t, kMessageSize> m_aRaw{};

    uint16_t m_nFixStatus = 0;  // receiver status first byte, bits 7..5
    uint16_t m_nMonth = 0;
    uint16_t m_nDay = 0;
    uint16_t m_nYear = 0;
    uint16_t m_nHours = 0;
    uint16_t m_nMinutes = 0;
    uint16_t m_nSeconds = 0;

    uint16_t m_nDilution = 0;
    uint16_t m_nHeading = 0;  // tenths of a degree
    uint16_t m_nSpeed3D = 0;  // cm/s
    uint16_t m_nSpeed2D = 0;  // cm/s
    uint16_t m_nClock = 0;

    uint8_t m_nTimeZoneSign = 0;  // 1 when the receiver reports an offset
    uint8_t m_nTimeZoneHours = 0;
    uint8_t m_nTimeZoneMinutes = 0;
    std::array<uint8_t, kIdTagSize> m_aIdTag{};

    // Degrees. The first pair is the primary position; the screen shows the
    // second.
    double m_dLatitude1 = 0.0;
    double m_dLongitude1 = 0.0;
    double m_dLatitude2 = 0.0;
    double m_dLongitude2 = 0.0;

    // Centimetres. The first height is the altitude shown.
    double m_dHeight1 = 0.0;
    double m_dHeight2 = 0.0;
    double m_dHeight3 = 0.0;
    double m_dHeight4 = 0.0;

    double m_dTemperature = 0.0;  // whole degrees

    uint8_t m_nStatus1 = 0;  // receiver status bytes
    uint8_t m_nStatus2 = 0;
    uint16_t m_nVisibleSats = 0;
    uint16_t m_nTrackedSats = 0;
    uint32_t m_nOscillator = 0;

    std::array<std::array<uint8_t, kChannelRecordSize>, kChannelCount> m_aChannels{};

    uint8_t m_bTimeFlagHigh = 0;  // time flags bit 7
    uint8_t m_bTimeFlagLow = 0;   // time flags bit 6
    uint8_t m_nTimeCount = 0;     // time flags bits 5..0

    // 0 until the first message is decoded, then 1 for the rest of the run.
    uint8_t m_bMessageReceived = 0;
};
