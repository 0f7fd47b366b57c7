// Survey reports, the GeoJSON export and the heat map on a recorded walk of
// the simulated board, and on small logs built for one point each.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <numbers>
#include <set>

#include "LogTestUtil.h"
#include "WalkRecording.h"
#include "gfx/Palette.h"
#include "gfx/Png.h"
#include "sim/Scenario.h"
#include "tests/support/PacketBuilders.h"
#include "tools/HeatMap.h"
#include "tools/LogTool.h"
#include "tools/SurveyReport.h"

using logtest::Bytes;
using logtest::LogBuilder;
using logtest::RunTool;
using ::testing::HasSubstr;
using Json = nlohmann::json;

namespace {

constexpr double kMetresPerDegree = 111320.0;

// Metres east and north of the scenario's origin.
struct Point {
    double east = 0;
    double north = 0;
};

Point ToMetres(const CScenario& s, double lat, double lon) {
    const double cosLat = std::cos(s.m_dOriginLat * std::numbers::pi / 180.0);
    return {(lon - s.m_dOriginLon) * kMetresPerDegree * cosLat,
            (lat - s.m_dOriginLat) * kMetresPerDegree};
}

void ToDegrees(const CScenario& s, Point p, double& lat, double& lon) {
    const double cosLat = std::cos(s.m_dOriginLat * std::numbers::pi / 180.0);
    lat = s.m_dOriginLat + p.north / kMetresPerDegree;
    lon = s.m_dOriginLon + p.east / (kMetresPerDegree * cosLat);
}

double Distance(Point a, Point b) {
    return std::hypot(a.east - b.east, a.north - b.north);
}

// The walk's closest approach to a point.
double ClosestApproach(const CScenario& s, Point p) {
    double best = 1e9;
    const auto& w = s.m_aWaypoints;
    for (size_t i = 0; i + 1 < w.size(); ++i) {
        const Point a{w[i][0], w[i][1]}, b{w[i + 1][0], w[i + 1][1]};
        const double dx = b.east - a.east, dy = b.north - a.north;
        const double len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((p.east - a.east) * dx + (p.north - a.north) * dy) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, Distance(p, {a.east + t * dx, a.north + t * dy}));
    }
    return best;
}

// One loop of the built-in walk (about seven minutes), recorded once.
class WalkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);
        s_dir = std::make_unique<CTempFolder>();
        s_walk = s_dir->Path("walk.ov");
        logtest::RecordWalk(s_walk, 430);
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    static inline std::unique_ptr<CTempFolder> s_dir;
    static inline std::string s_walk;
    const CScenario scenario = CScenario::Default();
};

TEST_F(WalkTest, ReportFindsEveryAccessPointWithItsChannelPrivacyAndPlausibleLevels) {
    const auto run = RunTool({"report", s_walk, "--format", "json"});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const Json report = Json::parse(run.out);
    std::map<std::string, Json> rows;
    for (const Json& row : report["access_points"]) rows[row["mac"]] = row;
    ASSERT_EQ(rows.size(), scenario.m_aAccessPoints.size());

    for (const CScenario::AccessPoint& ap : scenario.m_aAccessPoints) {
        const std::string mac = CScenario::MacText(ap.mac);
        SCOPED_TRACE(mac + " " + ap.ssid);
        ASSERT_TRUE(rows.contains(mac));
        const Json& row = rows[mac];
        EXPECT_EQ(row["ssid"], ap.ssid);
        EXPECT_EQ(row["channels"], Json::array({ap.channel}));
        EXPECT_EQ(row["privacy"], ap.privacy);

        const int lo = row["rssi"]["min"], hi = row["rssi"]["max"];
        const double mean = row["rssi"]["mean"];
        EXPECT_LE(lo, mean);
        EXPECT_LE(mean, hi);
        EXPECT_GE(lo, -100);
        // The strongest level: the path loss at the walk's closest approach,
        // lifted by shadowing and fading, never far below it.
        const Point at{ap.x, ap.y};
        const double closest = std::max(1.0, ClosestApproach(scenario, at));
        const double model = ap.txPowerDbm - scenario.m_dReferenceLossDb -
                             10 * scenario.m_dPathLossExponent * std::log10(closest);
        EXPECT_GE(hi, model - 10);
        EXPECT_LE(hi, model + 15);
        // Heard strongest near where the walk passes closest.
        const Json& strongest = row["strongest"];
        ASSERT_TRUE(strongest.is_object());
        EXPECT_EQ(strongest["rssi"], hi);
        const Point where = ToMetres(scenario, strongest["latitude"], strongest["longitude"]);
        EXPECT_LE(Distance(where, at), closest + 40);
        // Every channel reports its noise; S/N is the mean level above it.
        ASSERT_TRUE(row["noise"].is_number());
        EXPECT_NEAR(row["snr"].get<double>(), mean - row["noise"].get<double>(), 0.11);
        EXPECT_LT(row["noise"].get<double>(), -80);
    }
}

TEST_F(WalkTest, ChannelRowsCountAccessPointsFramesAndRates) {
    const auto run = RunTool({"report", s_walk, "--format", "json"});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    std::map<int, int> apsPerChannel;
    for (const CScenario::AccessPoint& ap : scenario.m_aAccessPoints) ++apsPerChannel[ap.channel];
    int rows = 0;
    const Json report = Json::parse(run.out);
    for (const Json& row : report["channels"]) {
        const int channel = row["channel"];
        SCOPED_TRACE(channel);
        EXPECT_EQ(row["access_points"], apsPerChannel[channel]);
        // Beacons of neighbours are heard on every hop's channel; data only
        // where an access point and its clients are.
        if (apsPerChannel[channel] != 0) {
            EXPECT_GT(row["frames"]["beacons"].get<int>(), 0);
            EXPECT_GT(row["frames"]["data"].get<int>(), 0);
        } else {
            EXPECT_EQ(row["frames"]["data"], 0);
        }
        if (!row["busiest_rate_mbps"].is_null()) {
            EXPECT_THAT(row["busiest_rate_mbps"].get<double>(),
                        ::testing::AnyOf(1.0, 2.0, 5.5, 11.0));
        }
        EXPECT_TRUE(row["noise"].is_number());
        ++rows;
    }
    EXPECT_EQ(rows, 14);
}

TEST_F(WalkTest, EveryFormatListsEveryAccessPoint) {
    for (const char* format : {"text", "csv", "json"}) {
        SCOPED_TRACE(format);
        const auto run = RunTool({"report", s_walk, std::string("--format=") + format});
        ASSERT_EQ(run.rc, kExitOk) << run.err;
        for (const CScenario::AccessPoint& ap : scenario.m_aAccessPoints) {
            EXPECT_THAT(run.out, HasSubstr(CScenario::MacText(ap.mac)));
            EXPECT_THAT(run.out, HasSubstr(ap.ssid));
        }
    }
    // CSV: a header and one row per access point, then the channel table.
    const auto csv = RunTool({"report", s_walk, "--format", "csv"});
    const size_t blank = csv.out.find("\n\n");
    ASSERT_NE(blank, std::string::npos);
    const std::string aps = csv.out.substr(0, blank + 1);
    EXPECT_EQ(std::count(aps.begin(), aps.end(), '\n'),
              static_cast<long>(scenario.m_aAccessPoints.size()) + 1);
    EXPECT_THAT(csv.out.substr(blank), HasSubstr("\nchannel,access_points,beacons"));
}

// A small structural check of RFC 7946: a FeatureCollection of Features,
// each with a geometry of the right shape and positions of two or three
// numbers, longitude first.
void CheckGeoJson(const Json& doc) {
    ASSERT_EQ(doc["type"], "FeatureCollection");
    ASSERT_TRUE(doc["features"].is_array());
    auto checkPosition = [](const Json& p) {
        ASSERT_TRUE(p.is_array());
        ASSERT_GE(p.size(), 2u);
        ASSERT_LE(p.size(), 3u);
        for (const Json& n : p) ASSERT_TRUE(n.is_number());
        EXPECT_LE(std::fabs(p[0].get<double>()), 180.0);
        EXPECT_LE(std::fabs(p[1].get<double>()), 90.0);
    };
    for (const Json& f : doc["features"]) {
        ASSERT_EQ(f["type"], "Feature");
        ASSERT_TRUE(f["properties"].is_object());
        const Json& g = f["geometry"];
        if (g["type"] == "Point") {
            checkPosition(g["coordinates"]);
        } else {
            ASSERT_EQ(g["type"], "LineString");
            ASSERT_GE(g["coordinates"].size(), 2u);
            for (const Json& p : g["coordinates"]) checkPosition(p);
        }
    }
}

TEST_F(WalkTest, GeoJsonHoldsTheTrackSightingsAndAccessPointsLongitudeFirst) {
    const auto run = RunTool({"export", "geojson", s_walk});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const Json doc = Json::parse(run.out);
    CheckGeoJson(doc);
    int tracks = 0, sightings = 0;
    std::set<std::string> placed;
    for (const Json& f : doc["features"]) {
        const Json& p = f["properties"];
        const Json& c = f["geometry"]["type"] == "Point" ? f["geometry"]["coordinates"]
                                                         : f["geometry"]["coordinates"][0];
        // The walk is at 47.38 N, 8.55 E: a latitude first would read 47 here.
        EXPECT_NEAR(c[0].get<double>(), scenario.m_dOriginLon, 0.01);
        EXPECT_NEAR(c[1].get<double>(), scenario.m_dOriginLat, 0.01);
        if (p["kind"] == "track") {
            ++tracks;
            EXPECT_GT(f["geometry"]["coordinates"].size(), 300u);
        } else if (p["kind"] == "sighting") {
            ++sightings;
            EXPECT_TRUE(p["mac"].is_string() && p["ssid"].is_string() && p["time"].is_string());
            EXPECT_TRUE(p["channel"].is_number_integer() && p["rssi"].is_number_integer());
        } else {
            ASSERT_EQ(p["kind"], "access point");
            placed.insert(p["mac"].get<std::string>());
        }
    }
    EXPECT_EQ(tracks, 1);
    EXPECT_GT(sightings, 1000);
    EXPECT_EQ(placed.size(), scenario.m_aAccessPoints.size());
}

TEST_F(WalkTest, HeatMapColoursTheStrongestCellAndLeavesFarCellsGrey) {
    const CScenario::AccessPoint& campus = scenario.m_aAccessPoints[2];
    const std::string mac = CScenario::MacText(campus.mac);
    CSurveyCollector survey;
    SurveyRunResult result;
    ASSERT_EQ(RunSurveyOf(
                  s_walk, stderr, [&](const SurveyStep& s) { survey.Take(s); }, result),
              0);
    const ApSummary* ap = survey.Find(mac);
    ASSERT_NE(ap, nullptr);
    ASSERT_TRUE(ap->bHasStrongest);

    CHeatMap map;
    ASSERT_EQ(HeatMapOfLog(s_walk, mac, 1.0, map, stderr), kExitOk);
    EXPECT_EQ(map.CellSize(), 1.0);
    const CCanvas picture = map.Render();

    int column = 0, row = 0;
    ASSERT_TRUE(map.CellOf(ap->strongestFix.dLatitude, ap->strongestFix.dLongitude, column, row));
    double level = 0;
    ASSERT_TRUE(map.Level(column, row, level));
    EXPECT_EQ(level, ap->nMaxRssi);
    // The track and the marker cross the cell; most of it shows its colour.
    const CRect cell = map.CellPixels(column, row);
    int matching = 0;
    for (int y = cell.top; y < cell.bottom; ++y)
        for (int x = cell.left; x < cell.right; ++x)
            matching += picture.GetPixel(x, y) == Palette::RssiColor(ap->nMaxRssi);
    EXPECT_GE(matching, cell.Width() * cell.Height() / 2);

    // Inside the block the walk goes round: 30 m and more from the track.
    for (const Point far : {Point{60, 55}, Point{30, 60}}) {
        double lat, lon;
        ToDegrees(scenario, far, lat, lon);
        ASSERT_TRUE(map.CellOf(lat, lon, column, row));
        EXPECT_FALSE(map.Level(column, row, level));
        const CRect grey = map.CellPixels(column, row);
        EXPECT_EQ(picture.GetPixel(grey.left, grey.top), CHeatMap::kUncoloured);
        EXPECT_EQ(picture.GetPixel(grey.right - 1, grey.bottom - 1), CHeatMap::kUncoloured);
    }

    // The command writes that picture.
    const std::string png = s_dir->Path("campus.png");
    const auto run = RunTool({"heatmap", s_walk, "-o", png, "--mac", "00:0c:41:7e:02:9a"});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    CBitmap read;
    ASSERT_EQ(ReadPng(png, &read), 0);
    ASSERT_EQ(read.Width(), picture.Width());
    ASSERT_EQ(read.Height(), picture.Height());
    EXPECT_EQ(read.GetPixel(cell.left, cell.top), picture.GetPixel(cell.left, cell.top));
}

// The heat map's interpolation on a few hand-placed samples.
TEST(HeatMapTest, InterpolatesBetweenSamplesWithinTheRadiusOnly) {
    constexpr double kLat = 47.0, kLon = 8.0;
    const double eastDegree = 1.0 / (kMetresPerDegree * std::cos(kLat * std::numbers::pi / 180));
    std::vector<HeatSample> samples = {{kLat, kLon - 5 * eastDegree, -40},
                                       {kLat, kLon + 5 * eastDegree, -80},
                                       {kLat, kLon + 5 * eastDegree, -90}};
    CHeatMap map;
    std::string error;
    ASSERT_EQ(map.Build(samples, {}, {}, HeatMapOptions{}, error), 0) << error;
    int c1, r1, c2, r2;
    ASSERT_TRUE(map.CellOf(kLat, kLon - 5 * eastDegree, c1, r1));
    ASSERT_TRUE(map.CellOf(kLat, kLon + 5 * eastDegree, c2, r2));
    ASSERT_EQ(r1, r2);
    ASSERT_EQ((c2 - c1) % 2, 0);
    struct Case {
        int column, row;
        bool coloured;
        double level;
    } cases[] = {
        {c1, r1, true, -40},                   // a sample's own cell
        {c2, r2, true, -80},                   // the strongest of two samples in a cell
        {(c1 + c2) / 2, r1, true, -60},        // equally far from both
        {c1 - 1, r1, true, -40 - 40 / 122.0},  // 1 and 11 cells away: weights 1 and 1/121
        {c1, r1 + 14, true, 0},                // inside the radius: coloured
        {c1 - 12, r1 + 12, false, 0},          // 17 m from the nearest: grey
        {0, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.column << "," << c.row);
        double level = 0;
        ASSERT_EQ(map.Level(c.column, c.row, level), c.coloured);
        if (c.coloured && c.level != 0) {
            EXPECT_NEAR(level, c.level, 0.05);
        }
    }
}

TEST(HeatMapTest, AVastAreaGetsLargerCellsAndNothingToMapIsRefused) {
    CHeatMap map;
    std::string error;
    // 200 km apart: a 1 m grid would need millions of cells a side.
    ASSERT_EQ(map.Build({{47.0, 8.0, -50}, {48.0, 10.0, -60}}, {}, {}, HeatMapOptions{}, error), 0);
    EXPECT_GT(map.CellSize(), 1.0);
    EXPECT_LE(map.Columns(), CHeatMap::kMaxSide);
    EXPECT_LE(long(map.Columns()) * map.Rows(), CHeatMap::kMaxCells);
    EXPECT_NE(map.Build({}, {}, {}, HeatMapOptions{}, error), 0);
    EXPECT_NE(map.Build({{NAN, 8.0, -50}, {91.0, 8.0, -50}}, {}, {}, HeatMapOptions{}, error), 0);
}

const testpkt::Mac kAp{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const testpkt::Mac kOther{0x00, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E};

// A survey on channel 6 without GPS. The access point's data frame comes
// before its first beacon, so the station table has it before its name.
Bytes NoGpsLog() {
    LogBuilder log;
    log.Packet(4, {6});
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kOther, "other", 6, -70)));
    log.Packet(18, testpkt::CaptureData(testpkt::DataFrame(kAp, -55)));
    testpkt::Capture beacon = testpkt::Beacon(kAp, "named", 6, -45);
    beacon.privacy = true;
    log.Packet(9, testpkt::CaptureData(beacon));
    log.Packet(32, {0xA0, 0xFF, 6});  // -96 dBm on channel 6
    return log.Get();
}

TEST(SurveyReportTest, NamesComeFromBeaconsWhateverFrameCameFirst) {
    CTempFolder dir;
    const std::string path = dir.Path("nogps.ov");
    logtest::WriteFile(path, NoGpsLog());
    const auto run = RunTool({"report", path, "--format", "json"});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const Json report = Json::parse(run.out);
    ASSERT_EQ(report["access_points"].size(), 2u);
    const Json& ap = report["access_points"][1];
    EXPECT_EQ(ap["mac"], "00-11-22-33-44-55");
    EXPECT_EQ(ap["ssid"], "named");
    EXPECT_EQ(ap["privacy"], true);
    EXPECT_EQ(ap["rssi"]["max"], -45);
    EXPECT_EQ(ap["noise"], -96.0);
    EXPECT_TRUE(ap["strongest"].is_null());
}

TEST(SurveyReportTest, BadInputsGetAClearMessageAndTheirExitCode) {
    CTempFolder dir;
    const std::string noGps = dir.Path("nogps.ov");
    logtest::WriteFile(noGps, NoGpsLog());
    const std::string text = dir.Path("notes.txt");
    logtest::WriteFile(text, Bytes(300, 'x'));
    Bytes damaged = NoGpsLog();
    damaged.back() ^= 0x5A;  // the last record's check byte
    const std::string broken = dir.Path("broken.ov");
    logtest::WriteFile(broken, damaged);
    const std::string png = dir.Path("map.png");
    struct Case {
        std::vector<std::string> args;
        int rc;
        const char* message;
    } cases[] = {
        {{"heatmap", noGps, "-o", png}, kExitDamaged, "a heat map needs positions"},
        {{"export", "geojson", noGps, dir.Path("a.geojson")}, kExitDamaged, "no GPS positions"},
        {{"report", text}, kExitDamaged, "not a packet log"},
        {{"report", broken}, kExitDamaged, "damaged"},
        {{"report", dir.Path("missing.ov")}, kExitUsage, "cannot open"},
        {{"report", noGps, "--format", "xml"}, kExitUsage, "unknown format"},
        {{"heatmap", noGps}, kExitUsage, "-o MAP.png"},
        {{"heatmap", noGps, "-o", png, "--cell", "0"}, kExitUsage, "bad cell size"},
        {{"heatmap", noGps, "-o", png, "--cell", "1x"}, kExitUsage, "bad cell size"},
        {{"heatmap", noGps, "-o", png, "--mac", "00:11:22"}, kExitUsage, "not a MAC address"},
        {{"heatmap", noGps, "-o", noGps}, kExitUsage, "the log itself"},
        {{"export", "geojson", noGps, noGps}, kExitUsage, "the log itself"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const auto run = RunTool(c.args);
        EXPECT_EQ(run.rc, c.rc);
        EXPECT_THAT(run.err, HasSubstr(c.message));
    }
    // Nothing was written over the log, and no picture left behind.
    EXPECT_EQ(logtest::ReadFile(noGps), NoGpsLog());
    EXPECT_FALSE(std::filesystem::exists(png));
    // A damaged log is still reported.
    EXPECT_THAT(RunTool({"report", broken}).out, HasSubstr("00-0A-0B-0C-0D-0E"));
}

TEST(SurveyReportTest, AHeatMapOfAnAccessPointNeverHeardAtAPositionIsRefused) {
    CTempFolder dir;
    LogBuilder log;
    log.Packet(4, {6});
    log.Packet(7, logtest::GpsMessage(47.0, 8.0, 0, true));
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kOther, "other", 6, -70)));
    log.WriteTo(dir.Path("one.ov"));
    const auto run = RunTool(
        {"heatmap", dir.Path("one.ov"), "-o", dir.Path("m.png"), "--mac", "00-11-22-33-44-55"});
    EXPECT_EQ(run.rc, kExitDamaged);
    EXPECT_THAT(run.err, HasSubstr("00-11-22-33-44-55 was not heard"));
    EXPECT_EQ(RunTool({"heatmap", dir.Path("one.ov"), "-o", dir.Path("m.png")}).rc, kExitOk);
}

TEST(SurveyReportTest, BeaconSsidStopsAtTheCaptureAndAtHiddenNames) {
    // The capture from its rate byte: 40 bytes of header and fixed fields.
    auto capture = [](Bytes elements) {
        Bytes c(40, 0);
        c.insert(c.end(), elements.begin(), elements.end());
        return c;
    };
    struct Case {
        Bytes elements;
        std::string ssid;
    } cases[] = {
        {{0, 3, 'a', 'b', 'c'}, "abc"},
        {{1, 1, 0x82, 0, 2, 'h', 'i'}, "hi"},  // after another element
        {{0, 9, 'c', 'u', 't'}, ""},           // runs past the capture
        {{0, 4, 0, 0, 0, 0}, ""},              // hidden
        {{}, ""},
    };
    for (const Case& c : cases) {
        const Bytes bytes = capture(c.elements);
        EXPECT_EQ(BeaconSsid(bytes.data(), static_cast<uint32_t>(bytes.size())), c.ssid);
    }
}

TEST(SurveyReportTest, ProgressShowsOnlyAfterTheQuietTimeAndEndsItsLine) {
    std::FILE* err = std::tmpfile();
    {
        CProgress quiet(err, "log.ov", 100);
        for (int i = 0; i < 5000; ++i) quiet.Update(50);
    }
    EXPECT_EQ(std::ftell(err), 0);
    {
        CProgress shown(err, "log.ov", 100, std::chrono::milliseconds(0));
        for (int i = 0; i < 5000; ++i) shown.Update(50);
    }
    std::rewind(err);
    char text[256] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, err);
    std::fclose(err);
    const std::string shown(text, n);
    EXPECT_THAT(shown, HasSubstr("reading log.ov ... 50%"));
    EXPECT_THAT(shown, ::testing::EndsWith("100%\n"));
}

}  // namespace
