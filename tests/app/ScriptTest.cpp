// Script parsing, the program's options, and the sound cues.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <mutex>

#include "app/ProgramOptions.h"
#include "audio/SoundCues.h"
#include "hosts/headless/ScriptDriver.h"
#include "res/Resource.h"

namespace {

std::string ParseError(const std::string& script) {
    std::vector<ScriptStep> steps;
    std::string error;
    EXPECT_EQ(ParseScript(script, steps, error), -1) << script;
    return error;
}

TEST(ScriptParseTest, ReadsEveryStepWithItsArguments) {
    const std::string script =
        "# a comment line\n"
        "\n"
        "feed 11 12 0x01 a 11 13   # trailing comment\n"
        "feed-file /tmp/some file.bin\n"
        "settle\n"
        "tap 12 -3\n"
        "command ID_SNAPSHOT\n"
        "click 1001\n"
        "text 1002 AP one#two\n"
        "answer ok my log.ov\n"
        "answer ok\n"
        "answer cancel\n"
        "clock 2008-02-29 23:59:59\n"
        "screenshot out.png\n"
        "state s.json\n"
        "texts t.json\n"
        "sleep 0\n"
        "minimize\n"
        "quit";
    std::vector<ScriptStep> s;
    std::string error;
    ASSERT_EQ(ParseScript(script, s, error), 0) << error;
    ASSERT_EQ(s.size(), 17u);
    EXPECT_EQ(s[0].nLine, 3);
    EXPECT_EQ(s[0].bytes, (std::vector<uint8_t>{0x11, 0x12, 0x01, 0x0A, 0x11, 0x13}));
    EXPECT_EQ(s[1].text, "/tmp/some file.bin");
    EXPECT_EQ(s[3].kind, ScriptStep::Kind::Tap);
    EXPECT_EQ(s[3].b, -3);
    EXPECT_EQ(s[4].a, ID_SNAPSHOT);
    EXPECT_EQ(s[6].text, "AP one#two");
    EXPECT_TRUE(s[7].bOk && s[7].bHasName);
    EXPECT_EQ(s[7].text, "my log.ov");
    EXPECT_TRUE(s[8].bOk && !s[8].bHasName);
    EXPECT_FALSE(s[9].bOk);
    EXPECT_EQ(s[10].clock.tm_mday, 29);
    EXPECT_EQ(s[10].clock.tm_mon, 1);
    EXPECT_EQ(s[10].clock.tm_year, 108);
    EXPECT_EQ(s[16].kind, ScriptStep::Kind::Quit);
    EXPECT_EQ(s[16].nLine, 19);
}

TEST(ScriptParseTest, MalformedStepsNameTheirLine) {
    EXPECT_THAT(ParseError("settle\n\nfeed 1G\n"), ::testing::StartsWith("line 3:"));
    EXPECT_THAT(ParseError("feed\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("feed 123\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("tap 1\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("tap 1 2 3\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("tap x 2\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("tap 99999999999 2\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("# c\ncommand ID_NOPE\n"), ::testing::StartsWith("line 2:"));
    EXPECT_THAT(ParseError("click\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("text abc hello\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("answer maybe\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("answer cancel now\n"), ::testing::StartsWith("line 1:"));
    // The save dialog takes names in the data folder only.
    for (const char* name : {"/tmp/x.ov", "sub/x.ov", "..", "a\\b"}) {
        EXPECT_THAT(ParseError(std::string("answer ok ") + name + "\n"),
                    ::testing::StartsWith("line 1: answer ok takes a file name"));
    }
    EXPECT_THAT(ParseError("answer yes please\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("clock 2007-02-30 00:00:00\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("clock 2007-03-05 24:00:00\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("clock 2007-3-5 09:04:07\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("clock 2007-03-05\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("screenshot\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("sleep -1\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("settle now\n"), ::testing::StartsWith("line 1:"));
    EXPECT_THAT(ParseError("dance\n"), ::testing::StartsWith("line 1:"));
}

TEST(ScriptParseTest, CommandsByNameOrNumber) {
    EXPECT_EQ(CommandIdByName("ID_GOTO_MAIN_MENU"), ID_GOTO_MAIN_MENU);
    EXPECT_EQ(CommandIdByName("ID_INCREMENT_MARKER"), ID_INCREMENT_MARKER);
    EXPECT_EQ(CommandIdByName("32775"), ID_ABOUT);
    EXPECT_EQ(CommandIdByName("id_about"), -1);
    EXPECT_EQ(CommandIdByName(""), -1);
}

TEST(ScriptParseTest, TxLinesAreUpperCaseHex) {
    const uint8_t bytes[] = {0x11, 0x12, 0x03, 0x0a, 0xff};
    EXPECT_EQ(TxLine(bytes, 5), "tx: 11 12 03 0A FF");
}

// ---------------------------------------------------------------- options

int Parse(std::vector<const char*> args, ProgramOptions& out, std::string& error) {
    args.insert(args.begin(), "orvalis");
    return ParseProgramOptions(static_cast<int>(args.size()), args.data(), out, error);
}

TEST(ProgramOptionsTest, ValuesAsNextArgumentOrAfterEquals) {
    ProgramOptions o;
    std::string e;
    ASSERT_EQ(Parse({"--port", "/dev/ttyUSB0", "--data-dir=/tmp/d", "--scale", "3", "--fullscreen"},
                    o, e),
              0)
        << e;
    EXPECT_EQ(o.strPort, "/dev/ttyUSB0");
    EXPECT_EQ(o.strDataDir, "/tmp/d");
    EXPECT_EQ(o.nScale, 3);
    EXPECT_TRUE(o.bFullscreen);
    EXPECT_FALSE(o.bHeadless);
    ASSERT_EQ(Parse({"--script=s.txt"}, o, e), 0);
    EXPECT_TRUE(o.bHeadless);
    EXPECT_EQ(o.strScript, "s.txt");
    EXPECT_FALSE(o.strDataDir.empty());
    ASSERT_EQ(Parse({"--help", "--version"}, o, e), 0);
    EXPECT_TRUE(o.bHelp && o.bVersion);
}

TEST(ProgramOptionsTest, BadOptionsGiveOneLineReasons) {
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"},
        {"--port"},
        {"--port="},
        {"--scale", "0"},
        {"--scale", "17"},
        {"--scale", "2x"},
        {"--headless=1"},
        {"extra"},
        {"-x"},
        {"--speed", "-1"},
        {"--speed", "1e3"},
        {"--speed", "nan"},
        {"--replay", "a", "--speed", "2x"},
        {"--speed", "2"},  // no replay or simulator to pace
        {"--seed", "-4"},
        {"--simulate", "--seed", "99999999999999999999999"},
        {"--simulate="},
        {"--simulate", "--speed", "2"},  // the simulator runs at 1 or 0
        {"--replay", "a", "--simulate"},
        {"--port", "p", "--replay", "a"},
        {"--simulate=/nonexistent/scenario.json"},
    };
    for (const auto& args : bad) {
        ProgramOptions o;
        std::string e;
        EXPECT_EQ(Parse(args, o, e), -1) << args[0];
        EXPECT_FALSE(e.empty());
        EXPECT_EQ(e.find('\n'), std::string::npos);
    }
}

TEST(ProgramOptionsTest, BoardSourcesAndTheirPacing) {
    ProgramOptions o;
    std::string e;
    ASSERT_EQ(Parse({"--replay", "a.ov"}, o, e), 0) << e;
    EXPECT_EQ(o.strReplay, "a.ov");
    EXPECT_DOUBLE_EQ(o.dSpeed, 1.0);
    EXPECT_TRUE(o.NamesBoardSource());
    ASSERT_EQ(Parse({"--replay=a.ov", "--speed=0.5"}, o, e), 0) << e;
    EXPECT_DOUBLE_EQ(o.dSpeed, 0.5);
    ASSERT_EQ(Parse({"--replay", "a.ov", "--speed", "0"}, o, e), 0) << e;
    EXPECT_DOUBLE_EQ(o.dSpeed, 0.0);

    // The built-in scenario is loaded with the options; --seed is its seed.
    ASSERT_EQ(Parse({"--simulate", "--seed", "42"}, o, e), 0) << e;
    EXPECT_TRUE(o.bSimulate);
    EXPECT_EQ(o.nSeed, 42u);
    EXPECT_NE(o.pScenario, nullptr);
    EXPECT_TRUE(o.strScenario.empty());
    ASSERT_EQ(Parse({"--simulate", "--speed", "0"}, o, e), 0) << e;
    EXPECT_TRUE(o.bSpeedGiven);

    ASSERT_EQ(Parse({"--headless"}, o, e), 0);
    EXPECT_FALSE(o.NamesBoardSource());
    EXPECT_EQ(o.pScenario, nullptr);
}

TEST(ProgramOptionsTest, DataFolderDefaultsAndIsCreated) {
    EXPECT_EQ(DefaultDataDir("/x/share", "/home/u"), "/x/share/orvalis");
    EXPECT_EQ(DefaultDataDir("", "/home/u"), "/home/u/.local/share/orvalis");
    EXPECT_EQ(DefaultDataDir("relative", "/home/u"), "/home/u/.local/share/orvalis");
    EXPECT_EQ(DefaultDataDir(nullptr, "/home/u"), "/home/u/.local/share/orvalis");
    const auto root =
        std::filesystem::temp_directory_path() / ("orv-dd-" + std::to_string(::getpid()));
    const std::string nested = (root / "a" / "b").string();
    EXPECT_EQ(EnsureDataDir(nested), 0);
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_EQ(EnsureDataDir(nested), 0);
    // A file where the folder should be.
    const std::string file = (root / "file").string();
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(EnsureDataDir(file + "/sub"), -1);
    std::filesystem::remove_all(root);
}

TEST(ProgramOptionsTest, BoardPortMessageAddsTheAccessHintOnlyWhenRefused) {
    const std::string hint = std::string("\n") + kBoardPortAccessHint;
    const struct {
        const char* message;
        const char* reason;
        int error;
        std::string expected;
    } cases[] = {
        {"Cannot Open Connection To Board.", "/dev/ttyUSB0: Permission denied", EACCES,
         "Cannot Open Connection To Board.\n/dev/ttyUSB0 (Permission denied)" + hint},
        {"Cannot Open Connection To Board.", "/dev/ttyUSB0: Operation not permitted", EPERM,
         "Cannot Open Connection To Board.\n/dev/ttyUSB0 (Operation not permitted)" + hint},
        // A missing or busy device is not a matter of group membership.
        {"Cannot Open Connection To Board.", "/dev/ttyUSB0: No such file or directory", ENOENT,
         "Cannot Open Connection To Board.\n/dev/ttyUSB0 (No such file or directory)"},
        {"Cannot Open Connection To Board.", "/dev/ttyUSB0: Device or resource busy", EBUSY,
         "Cannot Open Connection To Board.\n/dev/ttyUSB0 (Device or resource busy)"},
        // A reason that does not start with the path is kept whole.
        {"Could not SetCommState", "tcsetattr: Invalid argument", 0,
         "Could not SetCommState\n/dev/ttyUSB0 (tcsetattr: Invalid argument)"},
        {"Cannot Open Connection To Board.", "", EACCES,
         "Cannot Open Connection To Board.\n/dev/ttyUSB0" + hint},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BoardPortMessage(c.message, "/dev/ttyUSB0", c.reason, c.error), c.expected)
            << c.reason;
    }
}

// ---------------------------------------------------------------- sound cues

struct Played {
    std::mutex m;
    std::vector<std::string> names;
    std::vector<size_t> sizes;
};

class SoundCueTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallSoundCues(
            [](std::string_view name, const char** canonical, std::span<const uint8_t>* wave) {
                static const std::vector<uint8_t> ping(100, 1);
                if (name.size() != 4) return false;
                for (size_t i = 0; i < 4; ++i) {
                    if ((name[i] | 0x20) != "ping"[i]) return false;
                }
                *canonical = "PING";
                *wave = ping;
                return true;
            },
            [this](const char* name, std::span<const uint8_t> wave) {
                std::lock_guard<std::mutex> lock(played.m);
                played.names.push_back(name);
                played.sizes.push_back(wave.size());
            });
    }
    void TearDown() override { ClearSoundCues(); }
    Played played;
};

TEST_F(SoundCueTest, NamesMatchInAnyCaseAndUnknownOnesAreSilent) {
    PlayResourceSound("ping");
    PlayResourceSound("PiNg");
    PlayResourceSound("PINGS");
    PlayResourceSound("");
    PlayResourceSound(nullptr);
    CSoundCueAdapter adapter;
    static_cast<ISoundCues&>(adapter).PlayResourceSound("PING");
    EXPECT_THAT(played.names, ::testing::ElementsAre("PING", "PING", "PING"));
    EXPECT_THAT(played.sizes, ::testing::Each(100u));
}

TEST_F(SoundCueTest, NothingInstalledPlaysNothing) {
    ClearSoundCues();
    PlayResourceSound("PING");
    EXPECT_TRUE(played.names.empty());
}

}  // namespace
