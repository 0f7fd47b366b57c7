// The program as a process: screen snapshots to JPEG, and the forwarding link
// to `orvalis-link-server` on loopback with the simulated board.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/ProgramOptions.h"
#include "gfx/Bitmap.h"
#include "gfx/Png.h"
#include "gps/GpsStatus.h"
#include "hosts/headless/ScriptDriver.h"
#include "platform/LinkSocket.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileText.h"
#include "tests/support/JpegDecode.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<std::string> Lines(const fs::path& p) {
    std::vector<std::string> out;
    std::istringstream s(ReadFileText(p));
    for (std::string line; std::getline(s, line);) out.push_back(line);
    return out;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int FreePort() {
    CLinkListener probe;
    std::string error;
    EXPECT_EQ(probe.Listen("127.0.0.1", 0, error), 0);
    return probe.Port();
}

class OutputsProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                (std::string("orv-out-") + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "data");
    }
    void TearDown() override {
        for (pid_t pid : m_children) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        fs::remove_all(m_dir);
    }

    fs::path Path(const std::string& name) const { return m_dir / name; }

    // Starts a program with standard output and error in files named after
    // `tag`.
    pid_t Spawn(const char* program, std::vector<std::string> args, const std::string& tag) {
        const pid_t pid =
            SpawnChild(program, std::move(args), Path(tag + ".out"), Path(tag + ".err"), m_dir);
        EXPECT_GT(pid, 0) << program;
        if (pid > 0) m_children.push_back(pid);
        return pid;
    }

    int Wait(pid_t pid) {
        const int code = WaitChild(pid);
        m_children.erase(std::remove(m_children.begin(), m_children.end(), pid), m_children.end());
        return code;
    }

    int RunScript(const std::string& script, std::vector<std::string> extra = {}) {
        std::ofstream(Path("script.txt")) << script;
        std::vector<std::string> args = {"--headless", "--data-dir", Path("data").string(),
                                         "--script", Path("script.txt").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return Wait(Spawn(ORVALIS_PROGRAM, args, "orvalis"));
    }

    pid_t StartServer(int port, const std::string& tag) {
        const pid_t pid = Spawn(ORVALIS_LINK_SERVER,
                                {"--bind", "127.0.0.1", "--port", std::to_string(port), "--json",
                                 Path(tag + ".json").string()},
                                tag);
        // Listening before the program looks for it.
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (ReadFileText(Path(tag + ".err")).find("listening on") == std::string::npos &&
               std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(5ms);
        }
        return pid;
    }

    std::vector<nlohmann::json> Records(const std::string& tag) {
        std::vector<nlohmann::json> out;
        for (const std::string& line : Lines(Path(tag + ".json"))) {
            out.push_back(nlohmann::json::parse(line));
        }
        return out;
    }

    bool WaitForRecords(const std::string& tag, size_t count, std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (Lines(Path(tag + ".json")).size() < count) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    fs::path m_dir;
    std::vector<pid_t> m_children;
};

TEST_F(OutputsProgramTest, SnapshotHoldsTheScreenAsTheScreenshotShowsIt) {
    const int rc = RunScript(
        "tap 100 100\n"  // the main menu
        "screenshot shot.png\n"
        "command ID_SNAPSHOT\n"
        "answer cancel\n"
        "command ID_SNAPSHOT\n");
    EXPECT_EQ(rc, 0);
    const auto out = Lines(Path("orvalis.out"));
    EXPECT_TRUE(Has(out, "sound: CAMERA"));
    EXPECT_TRUE(Has(out, "dialog: save | ov000001.jpg"));
    // The cancelled second dialog offered the next number and used none.
    EXPECT_TRUE(Has(out, "dialog: save | ov000002.jpg"));
    EXPECT_EQ(ReadFileText(Path("data/ovimgcnt.cnt")), "2\n");
    EXPECT_FALSE(fs::exists(Path("data/ov000002.jpg")));

    CBitmap shot;
    ASSERT_EQ(ReadPng(Path("shot.png").string(), &shot), 0);
    DecodedJpeg jpeg;
    ASSERT_EQ(DecodeJpegFile(Path("data/ov000001.jpg").string(), jpeg), 0);
    ASSERT_EQ(jpeg.nWidth, 240);
    ASSERT_EQ(jpeg.nHeight, 265);
    EXPECT_EQ(jpeg.nComponents, 3);
    // The screen's own pixels, top line first, within what JPEG changes.
    // Colour is kept at half resolution, so brightness is compared: small on
    // average, and nowhere off by more than a sharp edge can be.
    auto luma = [](const uint8_t* p) { return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]; };
    double sum = 0;
    double worst = 0;
    for (int y = 0; y < 265; ++y) {
        for (int x = 0; x < 240; ++x) {
            const double d =
                std::abs(luma(shot.Row(y) + x * 3) -
                         luma(jpeg.pixels.data() + (static_cast<size_t>(y) * 240 + x) * 3));
            sum += d;
            worst = std::max(worst, d);
        }
    }
    EXPECT_LT(sum / (240.0 * 265), 1.5);
    EXPECT_LT(worst, 64.0);
}

TEST_F(OutputsProgramTest, SnapshotCounterFromTheFileAndFailuresThatStillUseItUp) {
    std::ofstream(Path("data/ovimgcnt.cnt")) << "123\n";
    fs::create_directories(Path("data/ov000123.jpg"));
    fs::create_symlink("/dev/full", Path("data/ov000124.jpg"));
    const int rc = RunScript(
        "command ID_SNAPSHOT\n"
        "command ID_SNAPSHOT\n"
        "answer ok mine\n"
        "command ID_SNAPSHOT\n");
    EXPECT_EQ(rc, 0);
    const auto out = Lines(Path("orvalis.out"));
    EXPECT_TRUE(Has(out, "dialog: save | ov000123.jpg"));
    EXPECT_TRUE(Has(out, "msgbox: Orvalis | Can't open file\"" +
                             (Path("data") / "ov000123.jpg").string() + "\""));
    EXPECT_TRUE(Has(out, "dialog: save | ov000124.jpg"));
    EXPECT_TRUE(Has(out, "msgbox: Orvalis | Output file write error --- out of disk space?\\n" +
                             (Path("data") / "ov000124.jpg").string()));
    EXPECT_TRUE(Has(out, "dialog: save | ov000125.jpg"));
    DecodedJpeg jpeg;
    EXPECT_EQ(DecodeJpegFile(Path("data/mine.JPG").string(), jpeg), 0);
    EXPECT_EQ(ReadFileText(Path("data/ovimgcnt.cnt")), "126\n");
}

// The simulated board's GPS packets reach the server with the text record
// naming the board and the strongest station, exactly as the store built it.
TEST_F(OutputsProgramTest, SimulatedSurveyIsForwardedToTheLinkServer) {
    const int port = FreePort();
    const pid_t server = StartServer(port, "server");
    const int rc = RunScript(
        "tap 100 100\n"
        "tap 60 120\n"  // the MAC list: the board hops and stations are heard
        "option heron on\n"
        "sleep 3500\n"
        "state state.json\n"
        "sleep 1200\n",
        {"--simulate", "--link-peer", "127.0.0.1:" + std::to_string(port)});
    EXPECT_EQ(rc, 0);
    ::kill(server, SIGTERM);
    EXPECT_EQ(Wait(server), 0);

    const auto state = nlohmann::json::parse(ReadFileText(Path("state.json")));
    const std::string serial = state["m_szSerialNumber"];
    EXPECT_EQ(serial, "ORV2400-0417");
    // The last record the store built before the dump, read back.
    const std::string hex = state["m_abHeronRecord"];
    std::vector<uint8_t> record;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        record.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    ASSERT_GT(record.size(), 3u + 153u);
    CGpsStatus gps;
    ASSERT_EQ(gps.Decode(record.data() + 3, 153), 0);

    const auto records = Records("server");
    ASSERT_GE(records.size(), 3u);
    bool found = false;
    for (const auto& r : records) {
        EXPECT_EQ(r["type"], 7);
        EXPECT_EQ(r["serial"], serial);
        EXPECT_EQ(r["payload_length"], 153);
        ASSERT_FALSE(r["gps"].is_null());
        if (r["gps"]["time"] == gps.FormatTime()) {
            found = true;
            EXPECT_EQ(r["mac"], state["m_szBestMac"]);
            EXPECT_EQ(r["rssi"], state["m_nBestRssi"]);
            EXPECT_EQ(r["ssid"], state["m_szBestSsid"]);
        }
    }
    EXPECT_TRUE(found) << "the record of " << gps.FormatTime() << " was not received";
    // A station was heard, and the strongest is named.
    EXPECT_NE(state["m_szBestMac"], "");
    EXPECT_GT(state["m_nBestRssi"].get<int>(), -120);
    EXPECT_FALSE(Has(Lines(Path("orvalis.out")), "msgbox: Orvalis | Device Not Found."));
}

TEST_F(OutputsProgramTest, LinkServerKilledAndRestartedIsFoundAgain) {
    const int port = FreePort();
    pid_t server = StartServer(port, "first");
    std::ofstream(Path("script.txt")) << "option heron on\nsleep 13000\n";
    const pid_t program = Spawn(
        ORVALIS_PROGRAM,
        {"--headless", "--data-dir", Path("data").string(), "--script", Path("script.txt").string(),
         "--simulate", "--link-peer", "127.0.0.1:" + std::to_string(port)},
        "orvalis");
    ASSERT_TRUE(WaitForRecords("first", 1, 15s));
    ::kill(server, SIGKILL);
    Wait(server);
    std::this_thread::sleep_for(2500ms);
    server = StartServer(port, "second");
    ASSERT_TRUE(WaitForRecords("second", 2, 15s));
    EXPECT_EQ(Wait(program), 0);
    ::kill(server, SIGTERM);
    EXPECT_EQ(Wait(server), 0);

    // GPS messages come once a second. While the server was down one
    // message waited for it and the newer ones were dropped, so the seconds
    // received skip some, and nothing comes twice or out of order.
    const auto first = Records("first");
    const auto second = Records("second");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    auto seconds = [](const nlohmann::json& r) {
        const std::string t = r["gps"]["time"];
        return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60 +
               std::stoi(t.substr(6, 2));
    };
    std::vector<int> received;
    for (const auto& r : first) received.push_back(seconds(r));
    for (const auto& r : second) received.push_back(seconds(r));
    int widest = 0;
    for (size_t i = 1; i < received.size(); ++i) {
        EXPECT_GT(received[i], received[i - 1]);
        widest = std::max(widest, received[i] - received[i - 1]);
    }
    EXPECT_GE(widest, 2);
    EXPECT_NE(ReadFileText(Path("second.err")).find("connected"), std::string::npos);
}

TEST(LinkOptionsTest, PeersFromTheCommandLineOrTheEnvironment) {
    auto parse = [](std::vector<const char*> args, ProgramOptions& out, std::string& error) {
        args.insert(args.begin(), "orvalis");
        return ParseProgramOptions(static_cast<int>(args.size()), args.data(), out, error);
    };
    ProgramOptions options;
    std::string error;
    ::unsetenv("ORVALIS_LINK_PEER");
    ASSERT_EQ(parse({}, options, error), 0);
    EXPECT_TRUE(options.linkPeers.empty());
    ASSERT_EQ(parse({"--link-peer", "a:1", "--link-peer=b"}, options, error), 0) << error;
    EXPECT_EQ(options.linkPeers, (std::vector<LinkPeer>{{"a", 1}, {"b", 7207}}));

    ::setenv("ORVALIS_LINK_PEER", "c:3, d", 1);
    ASSERT_EQ(parse({}, options, error), 0) << error;
    EXPECT_EQ(options.linkPeers, (std::vector<LinkPeer>{{"c", 3}, {"d", 7207}}));
    // The command line wins over the environment.
    ASSERT_EQ(parse({"--link-peer", "e"}, options, error), 0) << error;
    EXPECT_EQ(options.linkPeers, (std::vector<LinkPeer>{{"e", 7207}}));
    ::setenv("ORVALIS_LINK_PEER", "c:x", 1);
    EXPECT_EQ(parse({}, options, error), -1);
    EXPECT_EQ(error.rfind("ORVALIS_LINK_PEER: ", 0), 0u) << error;
    ::unsetenv("ORVALIS_LINK_PEER");

    for (const char* bad : {"h:0", "", "h:1:2"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(parse({"--link-peer", bad}, options, error), -1);
        EXPECT_EQ(error.rfind("option '--link-peer'", 0), 0u) << error;
    }
}

TEST(LinkOptionsTest, ScriptSwitchesTheOptions) {
    std::vector<ScriptStep> steps;
    std::string error;
    ASSERT_EQ(ParseScript("option heron on\noption security off\noption non-ap on\n", steps, error),
              0)
        << error;
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].kind, ScriptStep::Kind::Option);
    EXPECT_TRUE(steps[0].bOk);
    EXPECT_FALSE(steps[1].bOk);
    for (const char* bad : {"option heron", "option heron yes", "option radio on", "option"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ParseScript(bad, steps, error), -1);
        EXPECT_EQ(error.rfind("line 1: option needs", 0), 0u) << error;
    }
}

}  // namespace
