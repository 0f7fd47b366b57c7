// The program `orvalis` run as a process: options, headless scripts end to
// end with screenshots, and the board on a pseudo-terminal.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "OrvVersion.h"
#include "board/Framing.h"
#include "board/LogReader.h"
#include "gfx/Canvas.h"
#include "gfx/Png.h"
#include "res/BitmapResources.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileText.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) out.push_back(line);
    return out;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char b[4];
    for (uint8_t v : bytes) {
        std::snprintf(b, sizeof(b), " %02X", v);
        out += b;
    }
    return out;
}

std::string Feed(uint8_t type, const std::string& text) {
    std::vector<uint8_t> payload(text.begin(), text.end());
    if (!text.empty()) payload.push_back(0);
    return "feed" + Hex(FrameBoardPacket(type, payload.data(), payload.size())) + "\n";
}

class ProgramTest : public ::testing::Test {
protected:
    struct Result {
        int rc = -1;
        std::vector<std::string> out;
        std::vector<std::string> err;
        double seconds = 0;
    };

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() /
                (std::string("orv-app-") + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path Path(const std::string& name) const { return m_dir / name; }

    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(Path(name)) << text;
        return Path(name).string();
    }

    fs::path Script(const std::string& text) {
        const fs::path p = Path("script.txt");
        std::ofstream(p) << text;
        return p;
    }

    // Starts the program with its output in files; returns its pid. Relative
    // paths in scripts land in the test's own folder.
    pid_t Spawn(std::vector<std::string> args) {
        const pid_t pid =
            SpawnChild(ORVALIS_PROGRAM, std::move(args), Path("stdout"), Path("stderr"), m_dir);
        EXPECT_GT(pid, 0);
        return pid;
    }

    Result Wait(pid_t pid, std::chrono::steady_clock::time_point start) {
        Result r;
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.rc = WEXITSTATUS(status);
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        r.out = SplitLines(ReadFileText(Path("stdout")));
        r.err = SplitLines(ReadFileText(Path("stderr")));
        return r;
    }

    Result RunProgram(std::vector<std::string> args) {
        const auto start = std::chrono::steady_clock::now();
        return Wait(Spawn(std::move(args)), start);
    }

    Result RunScript(const std::string& script, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"--headless", "--data-dir", Path("data").string(),
                                         "--script", Script(script).string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunProgram(args);
    }

    CBitmap Png(const std::string& name) {
        CBitmap b;
        EXPECT_EQ(ReadPng(Path(name).string(), &b), 0) << name;
        return b;
    }

    static bool StripShows(const CBitmap& shot, int id) {
        CCanvas expect(240, 14);
        const CBitmap* frame = LoadBitmapResource(id);
        expect.StretchBlt(0, 0, 240, 14, *frame, 0, 0, frame->Width(), frame->Height());
        for (int y = 0; y < 14; ++y) {
            for (int x = 0; x < 240; ++x) {
                if (shot.GetPixel(x, y) != expect.GetPixel(x, y)) return false;
            }
        }
        return true;
    }

    fs::path m_dir;
};

TEST_F(ProgramTest, BadOptionsGetOneLineAndExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"--scale", "0"},
        {"--port"},
        {"stray"},
        {"--fullscreen=yes"},
        // An option is never taken for the value of the one before it.
        {"--replay", "--speed", "2"},
        {"--port", "--headless"},
        {"--seed", "3"},
        {"--headless", "--seed", "3", "--replay", "x.ov"},
        {"--port", "a", "--port", "b"},
        {"--simulate", "--simulate"},
        {"--headless", "--fullscreen"},
        {"--simulate", "--speed", "1e3"},
        {"--replay", "x.ov", "--speed", "1001"},
        {"--replay", "x.ov", "--speed", "-1"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Result r = RunProgram(args);
        EXPECT_EQ(r.rc, 2);
        ASSERT_EQ(r.err.size(), 1u);
        EXPECT_THAT(r.err[0], ::testing::StartsWith("orvalis: "));
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(ProgramTest, HelpAndVersionExitZero) {
    const Result help = RunProgram({"--help"});
    EXPECT_EQ(help.rc, 0);
    EXPECT_THAT(help.out, ::testing::Contains(::testing::HasSubstr("--script FILE")));
    const Result version = RunProgram({"--version"});
    EXPECT_EQ(version.rc, 0);
    ASSERT_EQ(version.out.size(), 1u);
    EXPECT_EQ(version.out[0], "orvalis " ORV_VERSION);
}

TEST_F(ProgramTest, WithoutADisplayOneLineAndExitOneAtOnce) {
    // No desktop; once with a driver named that does not exist, once with
    // an X display nobody serves.
    const char* keep[] = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : keep) {
        if (const char* v = std::getenv(name)) saved.emplace_back(name, v);
    }
    unsetenv("WAYLAND_DISPLAY");
    struct Case {
        const char* display;
        const char* driver;
    };
    for (const Case c : {Case{nullptr, "bogus"}, Case{":187", nullptr}}) {
        SCOPED_TRACE(c.driver != nullptr ? c.driver : c.display);
        if (c.display != nullptr)
            setenv("DISPLAY", c.display, 1);
        else
            unsetenv("DISPLAY");
        if (c.driver != nullptr)
            setenv("SDL_VIDEODRIVER", c.driver, 1);
        else
            unsetenv("SDL_VIDEODRIVER");
        const Result r = RunProgram({"--simulate", "--data-dir", Path("data").string()});
        EXPECT_EQ(r.rc, 1);
        EXPECT_THAT(r.err, ElementsAre("orvalis: no display found; use --headless, or run it on a "
                                       "display"));
        EXPECT_TRUE(r.out.empty());
        // Well before the start-up pause of a program that did start.
        EXPECT_LT(r.seconds, 1.5);
    }
    for (const char* name : keep) unsetenv(name);
    for (const auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
}

TEST_F(ProgramTest, MalformedScriptIsRejectedBeforeAnythingRuns) {
    const Result r = RunScript("settle\ntap 1 2\nfeed 11 zz\nquit\n");
    EXPECT_EQ(r.rc, 2);
    ASSERT_EQ(r.err.size(), 1u);
    EXPECT_THAT(r.err[0], ::testing::HasSubstr("line 3:"));
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(RunProgram({"--headless", "--script", Path("missing.txt").string()}).rc, 2);
}

// Every file a person names to the headless program is read whole or
// refused with one line and code 2: a folder, a missing file, or one that
// never ends (the cap is 16 MB). Nothing aborts.
TEST_F(ProgramTest, ScriptAndFeedFilesThatCannotBeReadEndTheRunWithCodeTwo) {
    fs::create_directories(Path("folder"));
    const struct {
        std::vector<std::string> args;
        const char* why;
    } cases[] = {
        {{"--headless", "--script", Path("folder").string()}, "is a folder"},
        {{"--headless", "--script", "/dev/zero"}, "larger than 16 MB"},
        {{"--headless", "--script", Path("missing.txt").string()}, "No such file"},
        {{"--headless", "--data-dir", Path("data").string(), "--script",
          Write("dir.txt", "settle\nfeed-file " + Path("folder").string() + "\nstate s.json\n")},
         "line 2: cannot read"},
        {{"--headless", "--data-dir", Path("data").string(), "--script",
          Write("zero.txt", "feed-file /dev/zero\n")},
         "larger than 16 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Result r = RunProgram(c.args);
        EXPECT_EQ(r.rc, 2);
        ASSERT_EQ(r.err.size(), 1u);
        EXPECT_THAT(r.err[0], ::testing::HasSubstr(c.why));
    }
    EXPECT_FALSE(fs::exists(Path("s.json")));
}

TEST_F(ProgramTest, SurveyRunEndToEnd) {
    const std::string script =
        "settle\n"
        "screenshot start.png\n" +
        Feed(1, "V 2.05") + Feed(2, "ABC123") +
        "tap 100 100\n"
        "screenshot menu.png\n"
        "texts menu.json\n"
        "tap 60 107\n"
        "screenshot mac1.png\n" +
        Feed(3, "") +
        "screenshot mac2.png\n"
        "state state.json\n"
        "minimize\n"
        "tap 100 100\n";
    const Result r = RunScript(script);
    EXPECT_EQ(r.rc, 0);
    EXPECT_TRUE(r.err.empty()) << r.err[0];
    // The reader may send the firmware request before the start-up screen
    // is made; the rest is in step order.
    ASSERT_GE(r.out.size(), 2u);
    EXPECT_THAT(std::vector<std::string>(r.out.begin(), r.out.begin() + 2),
                ::testing::UnorderedElementsAre("view: COrvView", "tx: 11 12 01 11 13"));
    EXPECT_THAT(std::vector<std::string>(r.out.begin() + 2, r.out.end()),
                ElementsAre("sound: PING", "tx: 11 12 02 11 13", "tx: 11 12 08 01 11 13", "beep",
                            "view: CMain", "sound: PING", "view: CMac", "tx: 11 12 03 04 11 13"));
    // Two seconds before the reader starts, half a second's grace at the end.
    EXPECT_GE(r.seconds, 2.5);

    const CBitmap start = Png("start.png");
    EXPECT_EQ(start.Width(), 240);
    int white = 0;
    for (int y = 140; y < 155; ++y) {
        for (int x = 0; x < 240; ++x) white += start.GetPixel(x, y) == RGB(255, 255, 255) ? 1 : 0;
    }
    EXPECT_GT(white, 50);

    const CBitmap menu = Png("menu.png");
    const COLORREF yellow = RGB(255, 255, 0);
    EXPECT_EQ(menu.GetPixel(10, 60), yellow);
    EXPECT_EQ(menu.GetPixel(109, 60), yellow);
    EXPECT_EQ(menu.GetPixel(15, 50), yellow);
    EXPECT_EQ(menu.GetPixel(60, 84), yellow);
    EXPECT_EQ(menu.GetPixel(60, 80), RGB(0, 0, 0));
    EXPECT_EQ(menu.GetPixel(229, 164), yellow);
    // The version band holds only its black fill and the yellow text.
    for (int y = 234; y < 249; ++y) {
        for (int x = 0; x < 240; ++x) {
            const COLORREF c = menu.GetPixel(x, y);
            ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetBValue(c) == 0) << x << "," << y;
        }
    }
    const auto texts = nlohmann::json::parse(ReadFileText(Path("menu.json")));
    bool version = false;
    for (const auto& t : texts) {
        if (t["text"] == "(Firmware Version V 2.05)(Serial Number ABC123)") {
            version = true;
            EXPECT_EQ(t["rect"], nlohmann::json({0, 234, 240, 249}));
            EXPECT_EQ(t["color"], nlohmann::json({255, 255, 0}));
            EXPECT_EQ(t["background"], nlohmann::json({0, 0, 0}));
        }
    }
    EXPECT_TRUE(version);

    const CBitmap mac1 = Png("mac1.png");
    EXPECT_EQ(mac1.GetPixel(20, 17), RGB(255, 0, 0));
    EXPECT_EQ(mac1.GetPixel(69, 17), RGB(255, 249, 0));
    EXPECT_EQ(mac1.GetPixel(70, 17), RGB(255, 255, 0));
    EXPECT_EQ(mac1.GetPixel(218, 17), RGB(244, 255, 255));
    EXPECT_EQ(mac1.GetPixel(19, 14), RGB(192, 192, 192));
    EXPECT_EQ(mac1.GetPixel(1, 241), RGB(0, 0, 128));
    // The activity strip moves one frame per repaint.
    EXPECT_TRUE(StripShows(mac1, 153));
    EXPECT_TRUE(StripShows(Png("mac2.png"), 154));

    const auto state = nlohmann::json::parse(ReadFileText(Path("state.json")));
    EXPECT_EQ(state["m_szFirmwareVersion"], "V 2.05");
    EXPECT_EQ(state["m_nMode"], 4);
}

TEST_F(ProgramTest, CannotOpenTheBoardIsToldOnceAndTheProgramRunsOn) {
    const Result r = RunScript("tap 100 100\nsettle\n", {"--port", Path("no-such-tty").string()});
    EXPECT_EQ(r.rc, 0);
    EXPECT_THAT(r.out,
                ElementsAre("msgbox: Orvalis | Cannot Open Connection To Board.\\n" +
                                Path("no-such-tty").string() + " (No such file or directory)",
                            "view: COrvView", "beep", "view: CMain"));
    // With a real serial line there is no script board to feed.
    EXPECT_EQ(RunScript("feed 11\n", {"--port", Path("no-such-tty").string()}).rc, 2);
}

TEST_F(ProgramTest, BoardOnAPseudoTerminal) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    // The program opens the slave by its path; the test keeps only the master.
    close(slave);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid =
        Spawn({"--headless", "--data-dir", Path("data").string(), "--port", name, "--script",
               Script("sleep 5000\nstate " + Path("state.json").string() + "\nquit\n").string()});

    std::vector<uint8_t> received;
    auto expect = [&](const std::vector<uint8_t>& command) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
        while (std::chrono::steady_clock::now() < deadline) {
            auto it = std::search(received.begin(), received.end(), command.begin(), command.end());
            if (it != received.end()) {
                received.erase(received.begin(), it + static_cast<long>(command.size()));
                return true;
            }
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 100) > 0 && (p.revents & POLLIN) != 0) {
                uint8_t buf[256];
                const ssize_t n = read(master, buf, sizeof(buf));
                if (n > 0) received.insert(received.end(), buf, buf + n);
            }
        }
        return false;
    };
    auto send = [&](uint8_t type, const std::string& text) {
        std::vector<uint8_t> payload(text.begin(), text.end());
        payload.push_back(0);
        const auto bytes = FrameBoardPacket(type, payload.data(), payload.size());
        ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    };

    EXPECT_TRUE(expect({0x11, 0x12, 0x01, 0x11, 0x13}));
    send(1, "V 3.00");
    EXPECT_TRUE(expect({0x11, 0x12, 0x02, 0x11, 0x13}));
    send(2, "PTY001");
    EXPECT_TRUE(expect({0x11, 0x12, 0x08, 0x01, 0x11, 0x13}));

    const Result r = Wait(pid, start);
    close(master);
    EXPECT_EQ(r.rc, 0);
    // The start-up view and the firmware's ping come from two threads: their
    // order depends on how soon the board answers.
    EXPECT_THAT(r.out, UnorderedElementsAre("view: COrvView", "sound: PING"));
    const auto state = nlohmann::json::parse(ReadFileText(Path("state.json")));
    EXPECT_EQ(state["m_szFirmwareVersion"], "V 3.00");
    EXPECT_EQ(state["m_szSerialNumber"], "PTY001");
}

}  // namespace

// Recording, replay and the simulated board, end to end through the program.
class BoardSourceTest : public ProgramTest {
protected:
    static std::vector<uint8_t> Bytes(const std::string& text) {
        return std::vector<uint8_t>(text.begin(), text.end());
    }
    // A log file of the given packets (text payloads, NUL-terminated), all
    // stamped 2026-03-04 10:20:30, check bytes as the board computes them.
    fs::path WriteLog(const std::string& name,
                      const std::vector<std::pair<uint8_t, std::string>>& packets) {
        std::string bytes("ORV  4.00 \0\0\0\0", 14);
        for (const auto& [type, text] : packets) {
            std::vector<uint8_t> payload(text.begin(), text.end());
            payload.push_back(0);
            uint8_t check = type;
            for (uint8_t b : payload) check ^= b;
            payload.push_back(check);
            bytes += "XXX";
            bytes += std::string{4, 3, 26, 10, 20, 30, 0, 0};
            const uint16_t n = static_cast<uint16_t>(payload.size() + 1);
            bytes += static_cast<char>(n & 0xFF);
            bytes += static_cast<char>(n >> 8);
            bytes += static_cast<char>(type);
            bytes.append(payload.begin(), payload.end());
        }
        const fs::path p = Path(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    nlohmann::json State(const std::string& name) {
        return nlohmann::json::parse(ReadFileText(Path(name)), nullptr, false);
    }
};

TEST_F(BoardSourceTest, RecordingWritesEveryFedPacketWithItsMarker) {
    const Result r = RunScript(
        "clock 2026-03-04 10:20:30\n"
        "answer ok rec.ov\n"
        "command ID_RECORD_DATA\n" +
        Feed(1, "V 1.21") + Feed(2, "SN-1") +
        "command ID_INCREMENT_MARKER\n"
        "command ID_INCREMENT_MARKER\n" +
        Feed(2, "SN-2") + "command ID_STOP_RECORDING\n" + Feed(2, "SN-3"));
    ASSERT_EQ(r.rc, 0);
    EXPECT_THAT(r.out, ::testing::Contains("dialog: save | ovlog.ov"));
    EXPECT_THAT(r.out, ::testing::Contains("msgbox: Orvalis | Marker is now 2."));

    const std::string file = ReadFileText(Path("data") / "rec.ov");
    ASSERT_GE(file.size(), 14u);
    EXPECT_EQ(file.substr(0, 14), std::string("ORV  4.00 \0\0\0\0", 14));
    // Three records: the packet after the stop is not recorded.
    CLogReader reader;
    std::string error;
    ASSERT_EQ(reader.Open((Path("data") / "rec.ov").string(), error), 0) << error;
    const std::vector<std::pair<uint8_t, std::string>> want = {
        {1, "V 1.21"}, {2, "SN-1"}, {2, "SN-2"}};
    std::string rebuilt("ORV  4.00 \0\0\0\0", 14);
    size_t n = 0;
    while (reader.Next() == CLogReader::Item::Record) {
        const LogRecord& rec = reader.Record();
        ASSERT_LT(n, want.size());
        EXPECT_EQ(rec.nType, want[n].first);
        EXPECT_TRUE(rec.bCheckGood);
        const std::string text = want[n].second + std::string(1, '\0');
        ASSERT_EQ(rec.nLength, text.size() + 1);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.pPayload), text.size()), text);
        EXPECT_EQ(rec.marker, n == 2 ? "Marker #2" : "");
        // The clock runs on from the time the script set.
        EXPECT_EQ(rec.time.nYear, 26);
        EXPECT_LE(rec.time.nSecond - 30, 1);
        // Every byte of the record, rebuilt from what was fed.
        rebuilt += "XXX";
        rebuilt += std::string{4, 3, 26, 10, 20, static_cast<char>(rec.time.nSecond)};
        const std::string marker(rec.marker);
        rebuilt += static_cast<char>(marker.size());
        rebuilt += '\0';
        rebuilt += marker;
        rebuilt += static_cast<char>(rec.nLength + 1);
        rebuilt += '\0';
        rebuilt += static_cast<char>(rec.nType);
        rebuilt += text;
        rebuilt += static_cast<char>(rec.pPayload[rec.nLength - 1]);
        ++n;
    }
    EXPECT_EQ(n, want.size());
    EXPECT_EQ(file, rebuilt);
}

// Record Data offers the same name every time: an earlier survey under it
// is replaced only when the question is answered Yes.
TEST_F(BoardSourceTest, AnExistingLogIsReplacedOnlyAfterYes) {
    const std::string question = "question: Save As | ovlog.ov already exists. Replace it? | ";
    const std::string old = "an earlier survey\n";
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        fs::create_directories(Path("data"));
        std::ofstream(Path("data") / "ovlog.ov", std::ios::binary) << old;
        const Result r = RunScript(std::string(yes ? "answer yes\n" : "answer no\n") +
                                   "command ID_RECORD_DATA\n" + Feed(1, "V 1.21") +
                                   "state s.json\ncommand ID_STOP_RECORDING\n");
        ASSERT_EQ(r.rc, 0);
        EXPECT_THAT(r.out, ::testing::Contains(question + (yes ? "yes" : "no")));
        EXPECT_EQ(State("s.json").value("m_bRecording", -1), yes ? 1 : 0);
        const std::string file = ReadFileText(Path("data") / "ovlog.ov");
        if (!yes) {
            EXPECT_EQ(file, old);
            continue;
        }
        CLogReader reader;
        std::string error;
        ASSERT_EQ(reader.Open((Path("data") / "ovlog.ov").string(), error), 0) << error;
        ASSERT_EQ(reader.Next(), CLogReader::Item::Record);
        EXPECT_EQ(reader.Record().nType, 1);
        EXPECT_NE(reader.Next(), CLogReader::Item::Record);
    }
}

TEST_F(BoardSourceTest, CancelledDialogRecordsNothing) {
    const Result r =
        RunScript("answer cancel\ncommand ID_RECORD_DATA\n" + Feed(1, "V 1.21") + "state s.json\n");
    ASSERT_EQ(r.rc, 0);
    EXPECT_THAT(r.out, ::testing::Contains("dialog: save | ovlog.ov"));
    EXPECT_FALSE(fs::exists(Path("data") / "ovlog.ov"));
    const nlohmann::json state = State("s.json");
    EXPECT_EQ(state.value("m_bRecording", -1), 0);
    // The screens repaint again once the dialog is gone.
    EXPECT_EQ(state.value("m_bRefreshEnabled", -1), 1);
}

TEST_F(BoardSourceTest, ReplayedLogReachesTheStoreAndMissingLogIsToldOnce) {
    const fs::path log = WriteLog("in.ov", {{1, "V 1.21 replayed"}, {2, "SN-77"}});
    Result r = RunScript("sleep 300\nstate s.json\n", {"--replay", log.string(), "--speed", "0"});
    ASSERT_EQ(r.rc, 0);
    nlohmann::json state = State("s.json");
    EXPECT_EQ(state.value("m_szFirmwareVersion", ""), "V 1.21 replayed");
    EXPECT_DOUBLE_EQ(state.value("m_dFirmwareVersion", 0.0), 1.21);
    // The commands the program writes go nowhere: the script board is not
    // the board here.
    for (const auto& line : r.out) EXPECT_THAT(line, ::testing::Not(::testing::StartsWith("tx:")));

    r = RunScript("sleep 100\nstate s.json\n", {"--replay", Path("none.ov").string()});
    ASSERT_EQ(r.rc, 0);
    int told = 0;
    for (const auto& line : r.out)
        told += line.starts_with("msgbox: Orvalis | Cannot play the log");
    EXPECT_EQ(told, 1);
    EXPECT_EQ(State("s.json").value("m_szFirmwareVersion", "x"), "0.00");
}

TEST_F(BoardSourceTest, SimulatedBoardAnswersAndBadScenarioNamesItsLine) {
    Result r =
        RunScript("sleep 800\nstate s.json\n", {"--simulate", "--speed", "0", "--seed", "3"});
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(State("s.json").value("m_szFirmwareVersion", ""), "V 1.21 ORV-RF 2.4");

    std::ofstream(Path("bad.json")) << "{\n  \"board\": {\n    \"firmware\": 7\n  }\n}\n";
    // The scenario file joined to the option or after it.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--simulate=" + Path("bad.json").string()},
          std::vector<std::string>{"--simulate", Path("bad.json").string(), "--seed", "2"}}) {
        std::vector<std::string> all = {"--headless"};
        all.insert(all.end(), args.begin(), args.end());
        r = RunProgram(all);
        EXPECT_EQ(r.rc, 2);
        ASSERT_EQ(r.err.size(), 1u);
        EXPECT_THAT(r.err[0], ::testing::HasSubstr("bad.json:3:"));
    }
}

// Files that are no log are told once by name and the program runs on without
// a board; a FIFO is refused without waiting for a writer.
TEST_F(BoardSourceTest, ReplayOfWhatIsNotALogIsToldOnceAndNeverBlocks) {
    std::ofstream(Path("notes.txt")) << "a shopping list\nnot a log\n";
    // The global header of a capture file.
    std::ofstream(Path("capture.pcap"), std::ios::binary)
        << std::string("\xd4\xc3\xb2\xa1\x02\x00\x04\x00", 8) << std::string(16, '\0')
        << std::string("\x69\x00\x00\x00", 4);
    std::ofstream(Path("empty.ov"));
    ASSERT_EQ(mkfifo(Path("pipe.ov").c_str(), 0600), 0);
    struct Case {
        const char* file;
        const char* told;
    };
    const Case cases[] = {
        {"notes.txt", " is not an Orvalis log"},
        {"capture.pcap", " is not an Orvalis log"},
        {"empty.ov", " is not an Orvalis log"},
        {"pipe.ov", " (Not a regular file)."},
    };
    for (const Case& c : cases) {
        const std::string path = Path(c.file).string();
        const Result r = RunScript("sleep 100\nstate s.json\n", {"--replay", path, "--speed", "0"});
        ASSERT_EQ(r.rc, 0) << c.file;
        int told = 0;
        for (const auto& line : r.out) told += line.find(path + c.told) != std::string::npos;
        EXPECT_EQ(told, 1) << c.file;
        EXPECT_EQ(State("s.json").value("m_szFirmwareVersion", "x"), "0.00") << c.file;
    }
}

// The unpaced simulator never goes quiet: each settle covers what it had sent
// and the script goes on (a settle that waited for quiet would hold every step
// for its whole time limit). The store moves on between the steps.
TEST_F(BoardSourceTest, SettleFinishesOnTheUnpacedSimulator) {
    std::string script;
    for (int i = 0; i < 8; ++i) script += "settle\n";
    script += "state a.json\nsleep 200\nstate b.json\n";
    const Result r = RunScript(script, {"--simulate", "--speed", "0"});
    ASSERT_EQ(r.rc, 0);
    const nlohmann::json a = State("a.json");
    const nlohmann::json b = State("b.json");
    EXPECT_EQ(a.value("m_szFirmwareVersion", ""), "V 1.21 ORV-RF 2.4");
    EXPECT_NE(a.dump(), b.dump());
}
