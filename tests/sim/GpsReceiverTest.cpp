#include <gtest/gtest.h>

#include <cmath>

#include "sim/GpsReceiver.h"
#include "sim/Scenario.h"

namespace {

int32_t Be32(const uint8_t* p) {
    return static_cast<int32_t>((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) |
                                (uint32_t(p[2]) << 8) | p[3]);
}
int Be16(const uint8_t* p) {
    return (p[0] << 8) | p[1];
}

CScenario Walk(const char* track) {
    std::string json = std::string(R"({"origin": {"lat": 47.0, "lon": 8.0, "height_m": 400},
        "start_time": "2026-12-31T23:59:58Z", "track": )") +
                       track + "}";
    CScenario s;
    std::string error;
    EXPECT_EQ(CScenario::Parse(json, "t.json", s, error), 0) << error;
    return s;
}

}  // namespace

TEST(GpsReceiver, WalksTheTrackAtItsSpeed) {
    CGpsReceiver gps(Walk(R"({"speed_m_s": 2, "waypoints_m": [[0, 0], [100, 0], [100, 50]]})"));
    auto fix = gps.PositionAt(10.0);
    EXPECT_NEAR(fix.east, 20.0, 1e-9);
    EXPECT_NEAR(fix.north, 0.0, 1e-9);
    EXPECT_NEAR(fix.headingDeg, 90.0, 1e-9);
    fix = gps.PositionAt(60.0);  // 120 m: 20 m up the second leg
    EXPECT_NEAR(fix.east, 100.0, 1e-9);
    EXPECT_NEAR(fix.north, 20.0, 1e-9);
    EXPECT_NEAR(fix.headingDeg, 0.0, 1e-9);
    // Looping closes the walk back to its start: 150 + 111.8 m around.
    const double round = 150.0 + std::hypot(100.0, 50.0);
    fix = gps.PositionAt(round / 2.0 + 5.0);  // once round and 10 m on
    EXPECT_NEAR(fix.east, 10.0, 1e-6);
    EXPECT_NEAR(fix.north, 0.0, 1e-6);
}

TEST(GpsReceiver, StopsAtTheEndOfAnOpenTrack) {
    CGpsReceiver gps(Walk(R"({"speed_m_s": 1, "loop": false, "waypoints_m": [[0, 0], [0, 10]]})"));
    const auto fix = gps.PositionAt(100.0);
    EXPECT_NEAR(fix.north, 10.0, 1e-9);
    EXPECT_EQ(fix.speed, 0.0);
    CGpsReceiver still(Walk(R"({"waypoints_m": [[5, 5]]})"));
    EXPECT_NEAR(still.PositionAt(1000.0).east, 5.0, 1e-9);
}

TEST(GpsReceiver, MessageHoldsTimePositionAndStatus) {
    const CScenario s = Walk(R"({"speed_m_s": 1.5, "waypoints_m": [[0, 0], [0, 1000]]})");
    CGpsReceiver gps(s);
    CSimRandom random(1);
    const auto m = gps.Message(10, random);
    ASSERT_EQ(m.size(), 152u);
    // Ten seconds after 23:59:58 on New Year's Eve.
    EXPECT_EQ(m[4], 1);
    EXPECT_EQ(m[5], 1);
    EXPECT_EQ(Be16(&m[6]), 2027);
    EXPECT_EQ(m[8], 0);
    EXPECT_EQ(m[9], 0);
    EXPECT_EQ(m[10], 8);
    // The shown position is the walk's: 15 m north of the origin.
    const double lat = Be32(&m[31]) / 3600000.0;
    const double lon = Be32(&m[35]) / 3600000.0;
    EXPECT_NEAR(lat, 47.0 + 15.0 / 111320.0, 1e-6);
    EXPECT_NEAR(lon, 8.0, 1e-6);
    // Raw position within metres of it.
    EXPECT_NEAR(Be32(&m[15]) / 3600000.0, lat, 20.0 / 111320.0);
    EXPECT_NEAR(Be32(&m[23]) / 100.0, 400.0, 20.0);
    EXPECT_NEAR(Be16(&m[47]), 150, 25);
    EXPECT_EQ(Be16(&m[51]), 0);  // heading north
    EXPECT_EQ(m[129] >> 5, 7);   // 3D fix
    EXPECT_GE(m[55], m[56]);
    uint8_t sum = 0;
    for (size_t i = 2; i < 151; ++i) sum ^= m[i];
    EXPECT_EQ(m[151], sum);

    // Before the receiver has settled it is still acquiring.
    EXPECT_EQ(gps.Message(1, random)[129] >> 5, 3);
}

TEST(GpsReceiver, SouthAndWestAreNegative) {
    CScenario s = Walk(R"({"waypoints_m": [[0, 0]]})");
    s.m_dOriginLat = -33.86;
    s.m_dOriginLon = -70.65;
    CGpsReceiver gps(s);
    CSimRandom random(1);
    const auto m = gps.Message(20, random);
    EXPECT_NEAR(Be32(&m[31]) / 3600000.0, -33.86, 1e-6);
    EXPECT_NEAR(Be32(&m[35]) / 3600000.0, -70.65, 1e-6);
}
