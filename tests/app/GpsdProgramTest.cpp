// Positions from a real gpsd (gpsfake replaying an NMEA walk) in the
// headless program: the GPS screen, the recording and the KML export; gpsd
// absent, lost and back.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/ProgramOptions.h"
#include "board/LogReader.h"
#include "board/Wire.h"
#include "gps/GpsStatus.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileText.h"
#include "tests/support/GpsdFake.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

size_t CountOf(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

template <class Done>
bool WaitFor(Done done, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

// The GPS screen's rows: label -> value, from a `texts` file.
std::map<std::string, std::string> Rows(const fs::path& file) {
    std::map<std::string, std::string> rows;
    const std::string text = ReadFileText(file);
    if (text.empty()) return rows;
    const auto items = nlohmann::json::parse(text, nullptr, false);
    if (!items.is_array()) return rows;
    for (size_t i = 0; i + 1 < items.size(); i += 2)
        rows[items[i].value("text", "")] = items[i + 1].value("text", "");
    return rows;
}

// A walk to the north-east at 2.5 knots: four epochs of 2D fix, then 3D.
struct Walk {
    static constexpr double kLat0 = 48.1173;
    static constexpr double kLon0 = 11.5167;
    static constexpr int kEpochs = 10;
    static constexpr double kAltitudeM = 545.4;

    static std::vector<CGpsdFake::Epoch> Epochs() {
        std::vector<CGpsdFake::Epoch> epochs;
        for (int i = 0; i < kEpochs; ++i)
            epochs.push_back(
                {120000 + i, kLat0 + i * 1e-4, kLon0 + i * 1.5e-4, kAltitudeM, i >= 4, 2.5, 45.0});
        return epochs;
    }
    // `e`: how far off a position may be (the screen rounds to 1e-4).
    static bool Holds(double lat, double lon, double e = 1e-6) {
        return lat >= kLat0 - e && lat <= kLat0 + (kEpochs - 1) * 1e-4 + e && lon >= kLon0 - e &&
               lon <= kLon0 + (kEpochs - 1) * 1.5e-4 + e;
    }
};

class GpsdProgramTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(Path("data")); }
    void TearDown() override {
        for (pid_t pid : m_children) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    fs::path Path(const std::string& name) const { return m_folder.Root() / name; }

    pid_t Spawn(const char* program, std::vector<std::string> args, const std::string& tag) {
        const pid_t pid =
            SpawnChild(program, std::move(args), Path(tag + ".out"), Path(tag + ".err"));
        EXPECT_GT(pid, 0) << program;
        if (pid > 0) m_children.push_back(pid);
        return pid;
    }

    int Wait(pid_t pid) {
        const int code = WaitChild(pid);
        m_children.erase(std::remove(m_children.begin(), m_children.end(), pid), m_children.end());
        return code;
    }

    pid_t StartProgram(const std::string& script, int gpsdPort) {
        std::ofstream(Path("script.txt")) << script;
        return Spawn(
            ORVALIS_PROGRAM,
            {"--headless", "--data-dir", Path("data").string(), "--script",
             Path("script.txt").string(), "--gps", "gpsd:127.0.0.1:" + std::to_string(gpsdPort)},
            "orvalis");
    }

    std::string Err() const { return ReadFileText(Path("orvalis.err")); }

    CTempFolder m_folder;
    std::vector<pid_t> m_children;
};

constexpr const char* kOpenGpsScreen =
    "tap 120 120\n"   // past the start-up screen
    "tap 180 147\n";  // GPS on the main menu

#define SKIP_WITHOUT_GPSD()                                             \
    if (const std::string why = CGpsdFake::Unavailable(); !why.empty()) \
    GTEST_SKIP() << "gpsd cannot run here: " << why

TEST_F(GpsdProgramTest, WalkShowsOnTheGpsScreenInTheLogAndInTheKmlTrack) {
    SKIP_WITHOUT_GPSD();
    CGpsdFake gpsd(m_folder.Root());
    const int port = CGpsdFake::FreePort();
    ASSERT_EQ(gpsd.Start(port, CGpsdFake::Capture(Walk::Epochs(), "080326")), 0) << gpsd.Output();

    const pid_t program = StartProgram(std::string(kOpenGpsScreen) +
                                           "command ID_RECORD_DATA\n"
                                           "sleep 6000\n"
                                           "texts " +
                                           Path("gps.json").string() +
                                           "\n"
                                           "command ID_STOP_RECORDING\n",
                                       port);
    ASSERT_EQ(Wait(program), 0) << Err();
    gpsd.Stop();
    EXPECT_EQ(CountOf(Err(), "orvalis: reading positions from gpsd at 127.0.0.1:" +
                                 std::to_string(port) + "\n"),
              1u)
        << Err();

    // The screen: a position on the walk, the walk's date, speed and heading.
    auto rows = Rows(Path("gps.json"));
    EXPECT_EQ(rows["Date"], "03/08/2026");
    EXPECT_TRUE(rows["Status"] == "2D Fix" || rows["Status"] == "3D Fix") << rows["Status"];
    EXPECT_EQ(rows["Velocity"], "2 MPH    NE");
    EXPECT_EQ(rows["Visible Satellites"], "8");
    const double lat = std::atof(rows["Latitude"].c_str());
    const double lon = std::atof(rows["Longitude"].c_str());
    EXPECT_TRUE(rows["Latitude"].ends_with(" N") && rows["Longitude"].ends_with(" E"));
    EXPECT_TRUE(Walk::Holds(lat, lon, 5e-5)) << rows["Latitude"] << " " << rows["Longitude"];

    // The log: good type-7 packets, 2D and 3D fixes, every position on the
    // walk and the 3D altitude as the capture says.
    CLogReader reader;
    std::string error;
    ASSERT_EQ(reader.Open(Path("data/ovlog.ov").string(), error), 0) << error;
    int fixes2D = 0, fixes3D = 0;
    for (CLogReader::Item item; (item = reader.Next()) != CLogReader::Item::End;) {
        if (item != CLogReader::Item::Record || reader.Record().nType != PacketType::kGps) continue;
        const LogRecord& r = reader.Record();
        EXPECT_TRUE(r.bCheckGood);
        CGpsStatus gps;
        ASSERT_EQ(gps.Decode(r.pPayload, r.nLength - 1), 0);
        if (gps.m_nFixStatus < 6) continue;
        EXPECT_TRUE(Walk::Holds(gps.m_dLatitude2, gps.m_dLongitude2))
            << gps.m_dLatitude2 << " " << gps.m_dLongitude2;
        if (gps.m_nFixStatus == 6) ++fixes2D;
        if (gps.m_nFixStatus == 7) {
            ++fixes3D;
            // The first 3D report after a 2D one may not carry the height yet.
            if (gps.m_dHeight1 != 0.0) {
                EXPECT_EQ(gps.m_dHeight1, Walk::kAltitudeM * 100);
            }
        }
    }
    EXPECT_GT(fixes2D, 0);
    EXPECT_GT(fixes3D, 0);

    // The KML track lies where the NMEA says.
    const pid_t tool =
        Spawn(ORVALIS_LOG_TOOL,
              {"export", "kml", Path("data/ovlog.ov").string(), Path("walk.kml").string()}, "log");
    ASSERT_EQ(Wait(tool), 0) << ReadFileText(Path("log.err"));
    std::istringstream kml(ReadFileText(Path("walk.kml")));
    int points = 0;
    bool inTrack = false;
    for (std::string line; std::getline(kml, line);) {
        if (line.find("<LineString>") != std::string::npos) inTrack = true;
        if (line.find("</coordinates>") != std::string::npos) inTrack = false;
        double lon = 0, lat = 0, alt = 0;
        if (inTrack && std::sscanf(line.c_str(), "%lf,%lf,%lf", &lon, &lat, &alt) == 3) {
            EXPECT_TRUE(Walk::Holds(lat, lon)) << line;
            ++points;
        }
    }
    EXPECT_GE(points, 3);

    // The log replays with its positions, without gpsd.
    std::ofstream(Path("replay.txt"))
        << kOpenGpsScreen << "sleep 1500\ntexts " << Path("replayed.json").string() << "\n";
    const pid_t replay = Spawn(
        ORVALIS_PROGRAM,
        {"--headless", "--data-dir", Path("data").string(), "--script", Path("replay.txt").string(),
         "--replay", Path("data/ovlog.ov").string(), "--speed", "0"},
        "replay");
    ASSERT_EQ(Wait(replay), 0) << ReadFileText(Path("replay.err"));
    rows = Rows(Path("replayed.json"));
    EXPECT_TRUE(Walk::Holds(std::atof(rows["Latitude"].c_str()),
                            std::atof(rows["Longitude"].c_str()), 5e-5))
        << rows["Latitude"] << " " << rows["Longitude"];
}

TEST_F(GpsdProgramTest, AbsentGpsdIsOneLineAndTheInstrumentRunsOn) {
    const int port = CGpsdFake::FreePort();
    const pid_t program = StartProgram(std::string(kOpenGpsScreen) +
                                           "sleep 3000\n"
                                           "texts " +
                                           Path("gps.json").string() + "\n",
                                       port);
    ASSERT_EQ(Wait(program), 0) << Err();
    EXPECT_EQ(CountOf(Err(), "gpsd"), 1u) << Err();
    EXPECT_EQ(
        CountOf(Err(), "orvalis: gpsd at 127.0.0.1:" + std::to_string(port) + " is not answering"),
        1u)
        << Err();
    EXPECT_NE(ReadFileText(Path("gps.json")).find("GPS Not Installed In This Unit."),
              std::string::npos);
}

TEST_F(GpsdProgramTest, GpsdStoppedMidRunIsToldAndPositionsReturnWithIt) {
    SKIP_WITHOUT_GPSD();
    CGpsdFake gpsd(m_folder.Root());
    const int port = CGpsdFake::FreePort();
    ASSERT_EQ(gpsd.Start(port, CGpsdFake::Capture(Walk::Epochs(), "080326")), 0) << gpsd.Output();

    std::string script = kOpenGpsScreen;
    constexpr int kFrames = 160;  // a screen's texts every quarter second
    for (int i = 0; i < kFrames; ++i)
        script += "sleep 250\ntexts " + Path("t" + std::to_string(i) + ".json").string() + "\n";
    const pid_t program = StartProgram(script, port);
    const auto latest = [&] {
        for (int i = kFrames - 1; i >= 0; --i) {
            const fs::path p = Path("t" + std::to_string(i) + ".json");
            if (fs::exists(p)) return Rows(p);
        }
        return std::map<std::string, std::string>{};
    };

    ASSERT_TRUE(WaitFor([&] { return latest()["Latitude"].starts_with("48.11"); }, 20s)) << Err();
    gpsd.Stop();
    ASSERT_TRUE(WaitFor([&] { return Err().find("lost gpsd") != std::string::npos; }, 10s))
        << Err();

    // Back, walking elsewhere: the screen follows the new track.
    std::vector<CGpsdFake::Epoch> south;
    for (int i = 0; i < 5; ++i)
        south.push_back({130000 + i, -34.6037 - i * 1e-4, -58.3816, 25.0, true, 2.5, 180.0});
    std::this_thread::sleep_for(1500ms);
    ASSERT_EQ(gpsd.Start(port, CGpsdFake::Capture(south, "080326")), 0) << gpsd.Output();
    // (A restarted gpsd may first report no fix: "Acquiring Satellites" at 0, 0.)
    EXPECT_TRUE(WaitFor([&] { return latest()["Latitude"].starts_with("34.60"); }, 20s)) << Err();
    EXPECT_TRUE(latest()["Latitude"].ends_with(" S"));
    EXPECT_EQ(latest()["Longitude"], "58.3816 W");

    const std::string err = Err();
    EXPECT_EQ(CountOf(err, "lost gpsd at 127.0.0.1:" + std::to_string(port)), 1u) << err;
    EXPECT_LE(CountOf(err, "is not back yet"), 1u) << err;
    EXPECT_EQ(CountOf(err, "reading positions from gpsd"), 2u) << err;
    gpsd.Stop();
    ::kill(program, SIGTERM);
    Wait(program);
}

TEST(GpsdProgramOptions, GpsOptionAndEnvironment) {
    struct Case {
        std::vector<const char*> args;
        const char* env;
        int result;
        const char* address;  // empty: no gpsd source
    };
    const Case cases[] = {
        {{"orvalis"}, nullptr, 0, ""},
        {{"orvalis", "--gps", "gpsd"}, nullptr, 0, "localhost:2947"},
        {{"orvalis", "--gps=gpsd:gps.lan:3000"}, nullptr, 0, "gps.lan:3000"},
        {{"orvalis"}, "gpsd:10.0.0.2", 0, "10.0.0.2:2947"},
        {{"orvalis", "--gps", "gpsd::4000"}, "gpsd:10.0.0.2", 0, "localhost:4000"},
        {{"orvalis", "--gps", "nmea:/dev/ttyUSB0"}, nullptr, -1, ""},
        {{"orvalis", "--gps"}, nullptr, -1, ""},
        {{"orvalis"}, "gpsd:host:99999", -1, ""},
    };
    for (const Case& c : cases) {
        if (c.env != nullptr)
            setenv("ORVALIS_GPS", c.env, 1);
        else
            unsetenv("ORVALIS_GPS");
        ProgramOptions options;
        std::string error;
        EXPECT_EQ(
            ParseProgramOptions(static_cast<int>(c.args.size()), c.args.data(), options, error),
            c.result)
            << c.args.back() << " " << error;
        if (c.result < 0) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(options.gpsd ? options.gpsd->Text() : "", c.address) << c.args.back();
    }
    unsetenv("ORVALIS_GPS");
}

}  // namespace
