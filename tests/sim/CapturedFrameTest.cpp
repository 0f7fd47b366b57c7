#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <string>

#include "sim/Scenario.h"
#include "sim/SimulatedBoard.h"
#include "tests/sim/SimTestUtil.h"

using simtest::Packet;
using simtest::RunFor;
using simtest::Send;

namespace {

struct Beacon {
    std::string mac;
    std::string ssid;
    int channel = -1;
    bool privacy = false;
};

std::string MacAt(const std::vector<uint8_t>& payload, size_t offset) {
    std::array<uint8_t, 6> mac{};
    for (size_t i = 0; i < 6; ++i) mac[i] = payload[offset + i];
    return CScenario::MacText(mac);
}

// Reads a beacon the way the program's decoder does: transmitter at body
// offsets 14..19, capability at body 38, elements from body 40.
Beacon ReadBeacon(const Packet& p) {
    Beacon b;
    const auto& d = p.payload;
    const size_t length = d[91] | (d[92] << 8);
    b.mac = MacAt(d, 93 + 14);
    b.privacy = (d[93 + 38] & 0x10) != 0;
    size_t pos = 93 + 40;
    const size_t end = 93 + length;
    while (pos + 2 <= end) {
        const uint8_t tag = d[pos];
        const uint8_t len = d[pos + 1];
        if (pos + 2 + len > end) break;
        if (tag == 0) b.ssid.assign(d.begin() + pos + 2, d.begin() + pos + 2 + len);
        if (tag == 3) b.channel = d[pos + 2];
        pos += 2 + len;
    }
    return b;
}

const CScenario::AccessPoint* FindAp(const CScenario& s, const std::string& mac) {
    for (const auto& ap : s.m_aAccessPoints)
        if (CScenario::MacText(ap.mac) == mac) return &ap;
    return nullptr;
}

}  // namespace

TEST(CapturedFrames, HeaderLayoutMatchesTheFrame) {
    CSimulatedBoard board(CScenario::Default(), 3);
    Send(board, 3, {8});
    int frames = 0;
    for (const Packet& p : RunFor(board, 20.0)) {
        if (p.type != 6 && p.type != 18) continue;
        ++frames;
        const auto& d = p.payload;
        ASSERT_GE(d.size(), 93u + 4 + 10 + 1);
        const size_t length = d[91] | (d[92] << 8);
        // Captured length counts every byte after the header; the check
        // byte ends the payload.
        EXPECT_EQ(d.size(), 93 + length + 1);
        const int8_t rssi = static_cast<int8_t>(d[1]);
        EXPECT_GE(rssi, -100);
        EXPECT_LE(rssi, -20);
        const uint8_t rate = d[93];
        EXPECT_TRUE(rate == 10 || rate == 20 || rate == 55 || rate == 110) << int(rate);
        // CCK rates come as type 18, the DSSS ones as type 6.
        EXPECT_EQ(p.type == 18, rate >= 55);
        EXPECT_TRUE(d[90] == 0 || d[90] == 1);
    }
    EXPECT_GT(frames, 50);
}

TEST(CapturedFrames, UsageModeHearsEveryKindOfFrame) {
    CSimulatedBoard board(CScenario::Default(), 5);
    Send(board, 3, {8});
    std::map<int, int> kinds;
    for (const Packet& p : RunFor(board, 60.0)) {
        if (p.type != 6 && p.type != 18) continue;
        ++kinds[(p.payload[97] >> 2) & 3];
    }
    EXPECT_GT(kinds[0], 0);  // management
    EXPECT_GT(kinds[1], 0);  // control
    EXPECT_GT(kinds[2], 0);  // data
    // Beacons dominate the air of a quiet survey.
    EXPECT_GT(kinds[0], kinds[1]);
}

TEST(CapturedFrames, BeaconsCarryTheScenarioIdentity) {
    const CScenario scenario = CScenario::Default();
    std::map<std::string, int> heard;
    for (int channel : {1, 3, 6, 9, 11, 13}) {
        CSimulatedBoard board(scenario, 11);
        Send(board, 3, {1});
        Send(board, 4, {static_cast<uint8_t>(channel)});
        for (const Packet& p : RunFor(board, 6.0)) {
            // Frames that failed the board's checks may be garbled.
            if (p.type != 9 || p.payload[90] == 0) continue;
            const Beacon b = ReadBeacon(p);
            const CScenario::AccessPoint* ap = FindAp(scenario, b.mac);
            ASSERT_NE(ap, nullptr) << b.mac;
            EXPECT_EQ(b.ssid, ap->ssid);
            EXPECT_EQ(b.channel, ap->channel);
            EXPECT_EQ(b.privacy, ap->privacy);
            if (b.channel == channel) ++heard[b.mac];
        }
    }
    // Every access point is heard on its own channel.
    EXPECT_EQ(heard.size(), scenario.m_aAccessPoints.size());
}

TEST(CapturedFrames, MarkerBytesInAddressesAreEscaped) {
    // FreeWiFi's address holds 0x11 twice.
    CSimulatedBoard board(CScenario::Default(), 2);
    Send(board, 3, {1});
    Send(board, 4, {6});
    board.Advance(10000000000);
    const auto bytes = board.ReadAll();
    const std::vector<uint8_t> escaped = {0x02, 0x11, 0x14, 0x5E, 0x0D, 0x11, 0x14, 0xA7};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), escaped.begin(), escaped.end()), bytes.end());
    bool found = false;
    for (const Packet& p : simtest::Decode(bytes))
        if (p.type == 9 && p.payload[90] != 0 && ReadBeacon(p).ssid == "FreeWiFi")
            found = ReadBeacon(p).mac == "02-11-5E-0D-11-A7";
    EXPECT_TRUE(found);
}

TEST(CapturedFrames, WeakStationsFailChecksMoreOften) {
    // One access point near, one far, same rate: the far one's frames carry
    // a clear valid flag more often.
    const std::string json = R"({
      "radio": {"shadowing_db": 0, "hop_channels": [6]},
      "access_points": [
        {"mac": "00:00:00:00:00:01", "ssid": "near", "channel": 6, "position_m": [3, 0],
         "rate_mbps": 11, "frames_per_s": 20},
        {"mac": "00:00:00:00:00:02", "ssid": "far", "channel": 6, "position_m": [150, 0],
         "rate_mbps": 11, "frames_per_s": 20}
      ],
      "clients": [
        {"mac": "00:00:00:00:01:01", "ap": "00:00:00:00:00:01", "position_m": [3, 1]},
        {"mac": "00:00:00:00:01:02", "ap": "00:00:00:00:00:02", "position_m": [150, 1]}
      ]})";
    CScenario scenario;
    std::string error;
    ASSERT_EQ(CScenario::Parse(json, "t.json", scenario, error), 0) << error;
    CSimulatedBoard board(scenario, 9);
    Send(board, 3, {1});
    Send(board, 4, {6});
    std::map<std::string, std::pair<int, int>> flags;  // valid, total
    std::map<std::string, int> rssi;
    for (const Packet& p : RunFor(board, 120.0)) {
        if (p.type != 6 && p.type != 18 && p.type != 9) continue;
        const std::string mac = MacAt(p.payload, 93 + 14);
        flags[mac].first += p.payload[90] != 0;
        flags[mac].second += 1;
        rssi[mac] = static_cast<int8_t>(p.payload[1]);
    }
    const auto& near = flags["00-00-00-00-00-01"];
    const auto& far = flags["00-00-00-00-00-02"];
    ASSERT_GT(near.second, 20);
    ASSERT_GT(far.second, 20);
    EXPECT_GT(static_cast<double>(near.first) / near.second,
              static_cast<double>(far.first) / far.second + 0.1);
    EXPECT_GT(rssi["00-00-00-00-00-01"], rssi["00-00-00-00-00-02"]);
}

TEST(CapturedFrames, OldFirmwareRotatesTheEstimate) {
    // No multipath: the whole response sits in the first tap.
    const std::string json = R"({
      "board": {"firmware": "%s"},
      "radio": {"rician_k": 100, "hop_channels": [1]},
      "access_points": [{"mac": "00:00:00:00:00:01", "ssid": "a", "channel": 1,
                         "position_m": [5, 0], "delay_spread_ns": 0}]})";
    const std::pair<const char*, int> cases[] = {{"V 1.10", 8}, {"V 1.21", 0}};
    for (const auto& [firmware, expectedPeak] : cases) {
        std::string text = json;
        text.replace(text.find("%s"), 2, firmware);
        CScenario scenario;
        std::string error;
        ASSERT_EQ(CScenario::Parse(text, "t.json", scenario, error), 0) << error;
        CSimulatedBoard board(scenario, 1);
        Send(board, 3, {1});
        int checked = 0;
        for (const Packet& p : RunFor(board, 3.0)) {
            if (p.type != 9) continue;
            int peak = -1;
            int best = -1;
            for (int t = 0; t < 44; ++t) {
                const int i = static_cast<int8_t>(p.payload[2 + 2 * t]);
                const int q = static_cast<int8_t>(p.payload[3 + 2 * t]);
                if (i * i + q * q > best) {
                    best = i * i + q * q;
                    peak = t;
                }
            }
            // The program moves pair 8 to pair 0 for boards before 1.15.
            EXPECT_EQ(peak, expectedPeak) << firmware;
            ++checked;
        }
        EXPECT_GT(checked, 3);
    }
}
