#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gps/GpsMessage.h"
#include "gps/GpsStatus.h"

namespace {

CGpsStatus Decoded(const GpsMessage& m) {
    CGpsStatus gps;
    EXPECT_EQ(gps.Decode(m.data(), kGpsMessageSize), 0);
    return gps;
}

GpsFix Walk() {
    GpsFix fix;
    fix.year = 2026;
    fix.month = 3;
    fix.day = 8;
    fix.hours = 12;
    fix.minutes = 0;
    fix.seconds = 7;
    fix.latitude1 = fix.latitude2 = 48.1174;
    fix.longitude1 = fix.longitude2 = 11.51685;
    fix.height1Cm = fix.height3Cm = 54540.0;
    fix.height2Cm = fix.height4Cm = 59230.0;
    fix.speed3DCmPerSecond = fix.speed2DCmPerSecond = 128.6;
    fix.headingTenths = 450;
    fix.visibleSats = 8;
    fix.trackedSats = 7;
    fix.fixStatus = GpsFixStatus::kFix3D;
    return fix;
}

// What the decoder reads back is what was encoded, to the message's
// resolution (a milliarcsecond, a centimetre, a centimetre per second).
TEST(GpsMessage, DecoderReadsBackEveryEncodedField) {
    const CGpsStatus gps = Decoded(EncodeGpsMessage(Walk()));
    EXPECT_EQ(gps.FormatDate(), "03/08/2026");
    EXPECT_EQ(gps.FormatTime(), "12:00:07");
    EXPECT_NEAR(gps.m_dLatitude2, 48.1174, 1e-6);
    EXPECT_NEAR(gps.m_dLongitude2, 11.51685, 1e-6);
    EXPECT_NEAR(gps.m_dLatitude1, 48.1174, 1e-6);
    EXPECT_EQ(gps.m_dHeight1, 54540.0);
    EXPECT_EQ(gps.m_dHeight2, 59230.0);
    EXPECT_EQ(gps.m_nSpeed3D, 129);
    EXPECT_EQ(gps.m_nSpeed2D, 129);
    EXPECT_EQ(gps.m_nHeading, 450);
    EXPECT_EQ(gps.m_nVisibleSats, 8);
    EXPECT_EQ(gps.m_nTrackedSats, 7);
    EXPECT_STREQ(gps.FormatFixStatus(), "3D Fix");
    EXPECT_EQ(gps.FormatVelocity(), "2 MPH    NE");
}

TEST(GpsMessage, SignsAndFixStatusSurviveTheLayout) {
    struct Case {
        double lat, lon;
        uint8_t status;
        const char* latText;
        const char* lonText;
        const char* statusText;
    };
    const Case cases[] = {
        {-34.6037, -58.3816, GpsFixStatus::kFix2D, "34.6037 S", "58.3816 W", "2D Fix"},
        {4.0, 179.9999, GpsFixStatus::kFix3D, "4.0000 N", "179.9999 E", "3D Fix"},
        {-90.0, -180.0, GpsFixStatus::kAcquiring, "90.0000 S", "180.0000 W",
         "Acquiring Satellites"},
    };
    for (const Case& c : cases) {
        GpsFix fix = Walk();
        fix.latitude2 = c.lat;
        fix.longitude2 = c.lon;
        fix.fixStatus = c.status;
        const CGpsStatus gps = Decoded(EncodeGpsMessage(fix));
        EXPECT_EQ(gps.FormatLatitude(), c.latText) << c.lat;
        EXPECT_EQ(gps.FormatLongitude(), c.lonText) << c.lon;
        EXPECT_STREQ(gps.FormatFixStatus(), c.statusText);
    }
}

// Values the fields cannot hold are clamped, never wrapped: a runaway speed
// does not read as a crawl, a NaN height does not turn into garbage.
TEST(GpsMessage, OutOfRangeValuesAreClampedNotWrapped) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double speed;
        double height;
        uint16_t speedRead;
        double heightRead;
    };
    const Case cases[] = {
        {70000.0, 3e10, 65535, 2147483647.0},
        {-5.0, -3e10, 0, -2147483648.0},
        {nan, nan, 0, 0.0},
    };
    for (const Case& c : cases) {
        GpsFix fix = Walk();
        fix.speed3DCmPerSecond = c.speed;
        fix.height1Cm = c.height;
        const CGpsStatus gps = Decoded(EncodeGpsMessage(fix));
        EXPECT_EQ(gps.m_nSpeed3D, c.speedRead) << c.speed;
        EXPECT_EQ(gps.m_dHeight1, c.heightRead) << c.height;
    }
}

TEST(GpsMessage, CarriesHeaderAndReceiverChecksum) {
    const GpsMessage m = EncodeGpsMessage(Walk());
    EXPECT_EQ(std::string(m.begin(), m.begin() + 4), "GPSM");
    uint8_t sum = 0;
    for (uint32_t i = 2; i + 1 < kGpsMessageSize; ++i) sum ^= m[i];
    EXPECT_EQ(m[kGpsMessageSize - 1], sum);
}

}  // namespace
