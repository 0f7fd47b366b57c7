#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "gps/GpsStatus.h"

namespace {

// A receiver message built field by field, big-endian as the receiver sends it.
struct Message {
    std::array<uint8_t, CGpsStatus::kMessageSize> bytes{};

    Message& U8(int offset, uint8_t value) {
        bytes[offset] = value;
        return *this;
    }
    Message& U16(int offset, uint16_t value) {
        bytes[offset] = static_cast<uint8_t>(value >> 8);
        bytes[offset + 1] = static_cast<uint8_t>(value);
        return *this;
    }
    Message& I32(int offset, int32_t value) {
        const auto u = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(u >> (24 - 8 * i));
        return *this;
    }
    Message& Latitude(int32_t mas) { return I32(31, mas); }
    Message& Longitude(int32_t mas) { return I32(35, mas); }
    Message& Altitude(int32_t cm) { return I32(23, cm); }
    Message& Speed(uint16_t cmPerSecond) { return U16(47, cmPerSecond); }
    Message& Heading(uint16_t tenths) { return U16(51, tenths); }
    Message& Status(uint8_t first) { return U8(129, first); }
};

CGpsStatus Decoded(const Message& m) {
    CGpsStatus gps;
    EXPECT_EQ(gps.Decode(m.bytes.data(), CGpsStatus::kMessageSize), 0);
    return gps;
}

}  // namespace

TEST(GpsDecode, EveryFieldFromItsOffsetBigEndian) {
    Message m;
    m.U8(0, 0xAA).U8(4, 7).U8(5, 4).U16(6, 2006).U8(8, 13).U8(9, 5).U8(10, 9);
    m.I32(15, 3600000).I32(19, -7200000).I32(23, 12345).I32(27, -1);
    m.I32(31, 1800000).I32(35, -900000).I32(39, 100000).I32(43, INT32_MIN);
    m.U16(47, 0x1234).U16(49, 0xFEDC).U16(51, 900).U16(53, 0x8001).U8(55, 11).U8(56, 8);
    for (int i = 0; i < 72; ++i) m.U8(57 + i, static_cast<uint8_t>(i + 1));
    m.U8(129, 0xE5).U8(130, 0x5A).U16(133, 0xBEEF).I32(135, static_cast<int32_t>(0xCAFEF00D));
    m.U16(139, 51).U8(141, 0xBF).U8(142, 0x80).U8(143, 2).U8(144, 30);
    for (int i = 0; i < 6; ++i) m.U8(145 + i, static_cast<uint8_t>('A' + i));

    CGpsStatus gps;
    EXPECT_EQ(gps.m_bMessageReceived, 0);
    ASSERT_EQ(gps.Decode(m.bytes.data(), CGpsStatus::kMessageSize), 0);
    EXPECT_EQ(gps.m_bMessageReceived, 1);
    EXPECT_EQ(gps.m_aRaw, m.bytes);
    EXPECT_EQ(gps.FormatDate(), "07/04/2006");
    EXPECT_EQ(gps.FormatTime(), "13:05:09");
    const double degreesAndHeights[] = {gps.m_dLatitude1,  gps.m_dLongitude1, gps.m_dLatitude2,
                                        gps.m_dLongitude2, gps.m_dHeight1,    gps.m_dHeight2,
                                        gps.m_dHeight3,    gps.m_dHeight4};
    const double expected[] = {1.0, -2.0, 0.5, -0.25, 12345.0, -1.0, 100000.0, -2147483648.0};
    for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(degreesAndHeights[i], expected[i]) << i;
    EXPECT_EQ(gps.m_nSpeed3D, 0x1234);
    EXPECT_EQ(gps.m_nSpeed2D, 0xFEDC);
    EXPECT_EQ(gps.m_nHeading, 900);
    EXPECT_EQ(gps.m_nDilution, 0x8001);
    EXPECT_EQ(gps.m_nVisibleSats, 11);
    EXPECT_EQ(gps.m_nTrackedSats, 8);
    EXPECT_EQ(gps.m_aChannels[0][0], 1);
    EXPECT_EQ(gps.m_aChannels[11][5], 72);
    EXPECT_EQ(gps.m_nStatus1, 0xE5);
    EXPECT_EQ(gps.m_nStatus2, 0x5A);
    EXPECT_EQ(gps.m_nFixStatus, 7);
    EXPECT_EQ(gps.m_nClock, 0xBEEF);
    EXPECT_EQ(gps.m_nOscillator, 0xCAFEF00Du);
    EXPECT_DOUBLE_EQ(gps.m_dTemperature, 25.0);  // 51 half degrees, shifted right
    EXPECT_EQ(gps.m_bTimeFlagHigh, 1);
    EXPECT_EQ(gps.m_bTimeFlagLow, 0);
    EXPECT_EQ(gps.m_nTimeCount, 0x3F);
    EXPECT_EQ(gps.m_nTimeZoneSign, 1);
    EXPECT_EQ(gps.m_nTimeZoneHours, 2);
    EXPECT_EQ(gps.m_nTimeZoneMinutes, 30);
    EXPECT_EQ(gps.m_aIdTag[5], 'F');
}

TEST(GpsDecode, ShortOrMissingPayloadIsIgnoredAndKeepsThePreviousFix) {
    CGpsStatus gps;
    // The short payload ends its heap block, so a read past it trips ASan.
    std::vector<uint8_t> shortPayload(CGpsStatus::kMessageSize - 1, 0xFF);
    const auto shortLength = static_cast<uint32_t>(shortPayload.size());
    EXPECT_EQ(gps.Decode(shortPayload.data(), shortLength), -1);
    EXPECT_EQ(gps.Decode(nullptr, CGpsStatus::kMessageSize), -1);
    EXPECT_EQ(gps.m_bMessageReceived, 0);

    // A longer payload is decoded from its first 152 bytes.
    std::vector<uint8_t> longPayload(CGpsStatus::kMessageSize + 20, 0xFF);
    std::copy_n(Message{}.Status(6 << 5).Latitude(14400000).bytes.begin(), CGpsStatus::kMessageSize,
                longPayload.begin());
    ASSERT_EQ(gps.Decode(longPayload.data(), static_cast<uint32_t>(longPayload.size())), 0);
    EXPECT_EQ(gps.Decode(shortPayload.data(), shortLength), -1);
    EXPECT_STREQ(gps.FormatFixStatus(), "2D Fix");
    EXPECT_EQ(gps.FormatLatitude(), "4.0000 N");
    EXPECT_EQ(gps.m_bMessageReceived, 1);
}

TEST(GpsTexts, FixStatusTextFromTheTopThreeBitsOfTheStatusByte) {
    const char* expected[] = {
        "Reserved",      "Reserved",       "Bad Geometry", "Acquiring Satellites",
        "Position Hold", "Propogate Mode", "2D Fix",       "3D Fix"};
    for (int fix = 0; fix < 8; ++fix) {
        Message m;
        m.Status(static_cast<uint8_t>((fix << 5) | 0x1F));  // low bits must not matter
        EXPECT_STREQ(Decoded(m).FormatFixStatus(), expected[fix]) << fix;
    }
}

TEST(GpsTexts, LatitudeAndLongitudeShowMagnitudeAndHemisphere) {
    EXPECT_EQ(Decoded(Message{}.Latitude(14400000)).FormatLatitude(), "4.0000 N");
    EXPECT_EQ(Decoded(Message{}.Latitude(-14400000)).FormatLatitude(), "4.0000 S");
    EXPECT_EQ(Decoded(Message{}.Longitude(14400000)).FormatLongitude(), "4.0000 E");
    EXPECT_EQ(Decoded(Message{}.Longitude(-14400000)).FormatLongitude(), "4.0000 W");
    // Zero is neither north nor east.
    EXPECT_EQ(Decoded(Message{}).FormatLatitude(), "0.0000 S");
    EXPECT_EQ(Decoded(Message{}).FormatLongitude(), "0.0000 W");
    // The screen shows the second position, not the first.
    EXPECT_EQ(Decoded(Message{}.I32(15, 36000000)).FormatLatitude(), "0.0000 S");
    // Out-of-range angles print as they come.
    EXPECT_EQ(Decoded(Message{}.Latitude(INT32_MIN)).FormatLatitude(), "596.5232 S");
    EXPECT_EQ(Decoded(Message{}.Longitude(INT32_MAX)).FormatLongitude(), "596.5232 E");
}

TEST(GpsTexts, HeadingRoundsToTheNearestOfSixteenPoints) {
    struct Case {
        uint16_t tenths;
        const char* text;
    };
    const Case cases[] = {{0, "N"},      {111, "N"},  {112, "NNE"}, {336, "NNE"},
                          {337, "NE"},   {900, "E"},  {1800, "S"},  {2700, "W"},
                          {3486, "NNW"}, {3487, "N"}, {3599, "N"},  {3711, "N"}};
    for (const Case& c : cases) {
        EXPECT_STREQ(Decoded(Message{}.Heading(c.tenths)).FormatHeading(), c.text) << c.tenths;
    }
}

TEST(GpsTexts, HeadingBeyondTheCompassGivesEmptyText) {
    // Past one full turn there is no compass point; the text must not fall into
    // the fix status entries that follow in the table.
    for (uint16_t tenths : {3712, 4387, 4400, 9999, 65535}) {
        EXPECT_STREQ(Decoded(Message{}.Heading(tenths)).FormatHeading(), "") << tenths;
    }
    EXPECT_EQ(Decoded(Message{}.Heading(65535).Speed(447)).FormatVelocity(), "9 MPH    ");
}

TEST(GpsTexts, VelocityUsesTheReceiversMileAndTruncates) {
    EXPECT_EQ(CGpsStatus::SpeedMph(447), 9);  // 9.65
    EXPECT_EQ(CGpsStatus::SpeedMph(100), 2);  // 2.16
    EXPECT_EQ(CGpsStatus::SpeedMph(46), 0);   // 0.99
    EXPECT_EQ(CGpsStatus::SpeedMph(65535), 1415);
    EXPECT_EQ(Decoded(Message{}.Speed(447).Heading(225)).FormatVelocity(), "9 MPH    NNE");
}

TEST(GpsTexts, AltitudeInThirtyCentimetreFeetTruncatedTowardZeroAndHeldTo16Bits) {
    EXPECT_EQ(Decoded(Message{}.Altitude(30000)).FormatAltitude(), "1000 feet");
    EXPECT_EQ(Decoded(Message{}.Altitude(-30000)).FormatAltitude(), "-1000 feet");
    EXPECT_EQ(Decoded(Message{}.Altitude(29)).FormatAltitude(), "0 feet");
    EXPECT_EQ(Decoded(Message{}.Altitude(-59)).FormatAltitude(), "-1 feet");
    EXPECT_EQ(CGpsStatus::HeightFeet(983010.0), 32767);
    EXPECT_EQ(CGpsStatus::HeightFeet(983040.0), 32767);  // would wrap to -32768
    EXPECT_EQ(CGpsStatus::HeightFeet(-983070.0), -32768);
    EXPECT_EQ(Decoded(Message{}.Altitude(INT32_MAX)).FormatAltitude(), "32767 feet");
    EXPECT_EQ(Decoded(Message{}.Altitude(INT32_MIN)).FormatAltitude(), "-32768 feet");
}

TEST(GpsTexts, OutOfRangeDateAndTimeShowAsTheyCome) {
    Message m;
    m.U8(4, 13).U8(5, 255).U16(6, 65535).U8(8, 99).U8(9, 255).U8(10, 60);
    CGpsStatus gps = Decoded(m);
    EXPECT_EQ(gps.FormatDate(), "13/255/65535");
    EXPECT_EQ(gps.FormatTime(), "99:255:60");
    EXPECT_EQ(Decoded(Message{}.U8(4, 1).U8(5, 2).U16(6, 7)).FormatDate(), "01/02/0007");
}
