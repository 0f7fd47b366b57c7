#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "sim/JsonLineMap.h"
#include "sim/Scenario.h"

namespace {

std::string ErrorOf(const std::string& json) {
    CScenario scenario;
    std::string error;
    EXPECT_EQ(CScenario::Parse(json, "walk.json", scenario, error), -1) << json;
    return error;
}

}  // namespace

TEST(DefaultScenario, HasTheDescribedSurvey) {
    const CScenario s = CScenario::Default();
    EXPECT_EQ(s.m_aAccessPoints.size(), 12u);
    EXPECT_EQ(s.m_aClients.size(), 20u);
    std::set<int> channels;
    int unauthorized = 0;
    for (const auto& ap : s.m_aAccessPoints) {
        channels.insert(ap.channel);
        if (!ap.authorized) {
            ++unauthorized;
            EXPECT_EQ(ap.ssid, "FreeWiFi");
        }
    }
    EXPECT_EQ(unauthorized, 1);
    EXPECT_EQ(s.AuthorizedMacTexts().size(), 11u);
    for (int c : {1, 6, 11}) EXPECT_TRUE(channels.count(c)) << c;
    EXPECT_GT(channels.size(), 3u);
    EXPECT_TRUE(s.m_bHasTrack);
    EXPECT_GT(s.m_aWaypoints.size(), 2u);
    EXPECT_NEAR(s.m_dOriginLat, 47.3764, 0.01);
}

TEST(ScenarioParse, ReadsEveryField) {
    const char* json = R"({
      "name": "lab",
      "board": {"firmware": "V 1.10 old", "serial": "SN-1"},
      "origin": {"lat": -33.5, "lon": 151.25, "height_m": 12},
      "start_time": "2024-02-29T23:59:58Z",
      "radio": {"noise_floor_dbm": -90, "hop_channels": [1, 14], "dwell_ms": 100},
      "interference": [{"name": "oven", "center_mhz": 2450, "width_mhz": 10, "level_dbm": -70, "duty": 0.3}],
      "access_points": [{"mac": "0a-0b-0c-0d-0e-0f", "ssid": "x", "channel": 14, "privacy": true}],
      "clients": [{"mac": "00:00:00:00:00:09", "ap": "0A:0B:0C:0D:0E:0F", "rate_mbps": 5.5}],
      "track": {"speed_m_s": 2, "loop": false, "waypoints_m": [[0, 0], [10, 0]]},
      "battery_low_after_s": 30
    })";
    CScenario s;
    std::string error;
    ASSERT_EQ(CScenario::Parse(json, "lab.json", s, error), 0) << error;
    EXPECT_EQ(s.m_strFirmware, "V 1.10 old");
    EXPECT_EQ(s.m_strSerial, "SN-1");
    EXPECT_DOUBLE_EQ(s.m_dOriginLon, 151.25);
    // 2024-02-29 is day 19782 after the epoch.
    EXPECT_EQ(s.m_nStartTime, 19782LL * 86400 + 86398);
    EXPECT_EQ(s.m_anHopChannels, (std::vector<int>{1, 14}));
    EXPECT_EQ(s.m_nDwellMs, 100);
    ASSERT_EQ(s.m_aInterferers.size(), 1u);
    ASSERT_EQ(s.m_aAccessPoints.size(), 1u);
    EXPECT_EQ(CScenario::MacText(s.m_aAccessPoints[0].mac), "0A-0B-0C-0D-0E-0F");
    EXPECT_TRUE(s.m_aAccessPoints[0].privacy);
    ASSERT_EQ(s.m_aClients.size(), 1u);
    EXPECT_EQ(s.m_aClients[0].ap, 0u);
    EXPECT_FALSE(s.m_bTrackLoops);
    EXPECT_DOUBLE_EQ(s.m_dBatteryLowAfterS, 30.0);
}

TEST(ScenarioParse, SyntaxErrorsNameFileAndLine) {
    EXPECT_EQ(ErrorOf("{\n  \"name\": \"a\",\n  \"radio\": {\n    \"dwell_ms\": 30x\n  }\n}")
                  .rfind("walk.json:4: ", 0),
              0u)
        << ErrorOf("{\n  \"name\": \"a\",\n  \"radio\": {\n    \"dwell_ms\": 30x\n  }\n}");
    // A missing comma shows on the line of the member that follows.
    EXPECT_EQ(ErrorOf("{\n\"name\": \"a\"\n\"seed\": 1\n}").rfind("walk.json:3: ", 0), 0u);
    // Cut short: the fault is at the end.
    EXPECT_EQ(ErrorOf("{\n\"access_points\": [\n").rfind("walk.json:3: ", 0), 0u);
    EXPECT_EQ(ErrorOf("").rfind("walk.json:1: ", 0), 0u);
    // The library's own position text is not repeated.
    EXPECT_EQ(ErrorOf("{]").find("[json.exception"), std::string::npos);
}

TEST(ScenarioParse, ValueErrorsPointAtTheirLine) {
    const std::string base =
        "{\n"
        "  \"access_points\": [\n"
        "    {\"mac\": \"00:00:00:00:00:01\", \"channel\": 6},\n"
        "    {\"mac\": \"00:00:00:00:00:02\",\n"
        "     \"channel\": CHANNEL}\n"
        "  ],\n"
        "  \"clients\": [\n"
        "    {\"mac\": \"00:00:00:00:01:01\",\n"
        "     \"ap\": \"AP\"}\n"
        "  ]\n"
        "}\n";
    auto with = [&](const std::string& channel, const std::string& ap) {
        std::string text = base;
        text.replace(text.find("CHANNEL"), 7, channel);
        text.replace(text.find("AP\""), 2, ap);
        return text;
    };
    EXPECT_EQ(ErrorOf(with("15", "00:00:00:00:00:01")),
              "walk.json:5: access_points[1].channel: 15 is outside 1..14");
    EXPECT_EQ(ErrorOf(with("\"6\"", "00:00:00:00:00:01")),
              "walk.json:5: access_points[1].channel: expected a whole number");
    EXPECT_EQ(ErrorOf(with("6", "00:00:00:00:00:07")),
              "walk.json:9: clients[0].ap: no access point has this MAC address");
    const std::string badMac = ErrorOf(with("6", "00:00:00:00:00"));
    EXPECT_EQ(badMac.rfind("walk.json:9: clients[0].ap: ", 0), 0u) << badMac;
}

TEST(ScenarioParse, NestingIsCappedAndReportedWhereItGoesTooDeep) {
    auto nested = [](int depth, const std::string& open, const std::string& close) {
        std::string text;
        for (int i = 0; i < depth; ++i) text += open;
        for (int i = 0; i < depth; ++i) text += close;
        return text;
    };
    const std::string limit = std::to_string(CJsonLineMap::kMaxDepth);
    struct Case {
        const char* name;
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        // 80 KB of nested arrays: refused for its depth, not its shape.
        {"deep arrays", nested(40000, "[", "]"),
         "walk.json:1: nested deeper than " + limit + " levels"},
        {"deep objects on later lines",
         "{\n\"name\": \"x\",\n\"radio\":\n" + nested(5000, "{\"a\":", "}") + "}",
         "walk.json:4: nested deeper than " + limit + " levels"},
        {"just within the cap is parsed", nested(CJsonLineMap::kMaxDepth, "[", "]"),
         "walk.json:1: expected an object"},
        // Brackets inside texts are not nesting.
        {"brackets in a text", "{\"name\": \"" + std::string(100, '[') + "\\\"{\", \"x\": 1}",
         "walk.json:1: x: unknown key \"x\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorOf(c.text), c.error);
    }
}

TEST(JsonLineMap, FindsTheLineOfAPointerOrItsNearestParent) {
    const std::string text =
        "{\n"
        "  \"a/b\": [\n"
        "    1,\n"
        "    {\"x\":\n"
        "       [7,\n"
        "        8]}\n"
        "  ],\n"
        "  \"c\": {\"d\": 2}\n"
        "}\n";
    struct Case {
        const char* pointer;
        int line;
    };
    const Case cases[] = {
        {"", 1},          {"/a~1b", 2},       {"/a~1b/0", 3},   {"/a~1b/1", 4},
        {"/a~1b/1/x", 4}, {"/a~1b/1/x/1", 6}, {"/a~1b/1/y", 4}, {"/a~1b/9", 2},
        {"/c/d", 8},      {"/missing", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pointer);
        EXPECT_EQ(CJsonLineMap::LineOf(text, c.pointer), c.line);
    }
    // A text that breaks off keeps what was found before the fault.
    EXPECT_EQ(CJsonLineMap::LineOf("{\n\"c\":\n [1, 2,", "/c/1"), 3);
}

TEST(ScenarioParse, RejectsWhatTheBoardCannotRepresent) {
    struct Case {
        const char* json;
        const char* expected;
    };
    const Case cases[] = {
        {R"({"colour": 1})", "walk.json:1: colour: unknown key \"colour\""},
        {R"({"access_points": [{"mac": "00:00:00:00:00:01", "ssid": "123456789012345678901234567890123"}]})",
         "walk.json:1: access_points[0].ssid: longer than 32 bytes"},
        {R"({"access_points": [{"mac": "00:00:00:00:00:01"}, {"mac": "00-00-00-00-00-01"}]})",
         "walk.json:1: access_points[1].mac: MAC address used twice"},
        {R"({"access_points": [{"mac": "00:00:00:00:00:01", "rate_mbps": 54}]})",
         "walk.json:1: access_points[0].rate_mbps: 54 is not an 802.11b rate (1, 2, 5.5, 11)"},
        {R"({"board": {"firmware": "V 1.21 a very long firmware text that overflows"}})",
         "walk.json:1: board.firmware: longer than 38 bytes"},
        {R"({"radio": {"hop_channels": []}})",
         "walk.json:1: radio.hop_channels: expected a list of channels"},
        {R"({"track": {"waypoints_m": [[0, 0], [1]]}})",
         "walk.json:1: track.waypoints_m[1]: expected [east, north] in metres"},
        {R"({"start_time": "yesterday"})",
         "walk.json:1: start_time: \"yesterday\" is not a UTC time like 2026-05-14T09:30:00Z"},
        {R"([1, 2])", "walk.json:1: expected an object"},
        {R"({"access_points": [{"ssid": "x"}]})", "walk.json:1: access_points[0]: missing \"mac\""},
    };
    for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.json), c.expected);
}

TEST(ScenarioLoad, ReportsUnreadableFiles) {
    CScenario s;
    std::string error;
    // A FIFO would block the open until someone writes to it.
    const std::string fifo = testing::TempDir() + "orv_sim_scenario.fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        std::string error;
    };
    const Case cases[] = {
        {"/nonexistent/dir/x.json", "/nonexistent/dir/x.json: cannot read the file"},
        {"/tmp", "/tmp: cannot read the file (not a regular file)"},
        {fifo, fifo + ": cannot read the file (not a regular file)"},
        {"/dev/zero", "/dev/zero: cannot read the file (not a regular file)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CScenario::Load(c.path, s, error), -1) << c.path;
        EXPECT_EQ(error, c.error);
    }
    std::remove(fifo.c_str());

    const std::string path = testing::TempDir() + "orv_sim_scenario.json";
    {
        std::ofstream file(path);
        file << "{\n  \"radio\": {\n    \"dwell_ms\": 1\n  }\n}\n";
    }
    EXPECT_EQ(CScenario::Load(path, s, error), -1);
    EXPECT_EQ(error, path + ":3: radio.dwell_ms: 1 is outside 50..10000");
    std::remove(path.c_str());
}
