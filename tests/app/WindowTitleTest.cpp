// The desktop window's title: what it says in each state, the replay's end as
// the reader thread meets it, and the frame keeping it up to date.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "OrvVersion.h"
#include "app/WindowTitle.h"
#include "board/LogWriter.h"
#include "board/ReplayPort.h"
#include "tests/app/ShellFixture.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

TEST(WindowTitle, SaysTheSourceAndWhileRecordingTheFileAndTime) {
    const std::string app = "Orvalis " ORV_VERSION;
    struct Case {
        WindowTitleState state;
        std::string expected;
    };
    const Case cases[] = {
        {{"simulated board", false, "", 0}, app + " - simulated board"},
        {{"/dev/ttyUSB0", false, "", 0}, app + " - /dev/ttyUSB0"},
        {{"replay site.ov", false, "", 0}, app + " - replay site.ov"},
        {{"replay ended", true, "survey.ov", 3725},
         app + " - replay ended - REC survey.ov 1:02:05"},
        {{"no board", true, "a.ov", 59}, app + " - no board - REC a.ov 0:00:59"},
        {{"", false, "", 0}, app},
        {{"/dev/ttyUSB0", true, "c.ov", 61, true},
         app + " - /dev/ttyUSB0 - board lost - REC c.ov 0:01:01"},
        // A clock that went back shows no time rather than a negative one.
        {{"simulated board", true, "b.ov", -5}, app + " - simulated board - REC b.ov 0:00:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatWindowTitle(c.state), c.expected);
}

TEST(WindowTitle, ReplayEndsOnlyOnceTheReaderHasTakenEveryPacket) {
    const fs::path dir = fs::temp_directory_path() / ("orv-title-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "one.ov").string();
    {
        CLogWriter writer;
        std::string error;
        ASSERT_EQ(writer.Open(path, error), 0) << error;
        // Its check byte last: the type and the payload XORed.
        const uint8_t payload[] = {0x01, 0x02, 0x01 ^ 0x01 ^ 0x02};
        ASSERT_GE(writer.Append(LogTime{}, "", 1, payload, sizeof payload), 0);
        writer.Close();
    }
    auto replay = std::make_unique<CReplayPort>(0.0);
    std::string error;
    ASSERT_EQ(replay->Open(path, error), 0) << error;
    const CReplayPort& inner = *replay;
    CReplayEndWatch watch(std::move(replay), inner);
    EXPECT_FALSE(watch.HasEnded());
    uint8_t buffer[256];
    // The replay may need a few polls to release its first second.
    int waiting = 0;
    for (int i = 0; i < 100 && waiting == 0; ++i) {
        waiting = watch.BytesWaiting();
        if (waiting == 0) {
            EXPECT_FALSE(watch.HasEnded());
        }
    }
    ASSERT_GT(waiting, 0);
    EXPECT_FALSE(watch.HasEnded());  // bytes still to read
    EXPECT_EQ(watch.Read(buffer, waiting), waiting);
    EXPECT_EQ(watch.BytesWaiting(), 0);
    EXPECT_TRUE(watch.HasEnded());
    EXPECT_EQ(watch.Write(buffer, 3), 3);  // commands still go to the replay, which drops them
    fs::remove_all(dir);
}

class FrameTitleTest : public ShellFixture {
protected:
    void Customize(AppOptions& options) override {
        options.strDataDir =
            (fs::temp_directory_path() / ("orv-frame-title-" + std::to_string(getpid()))).string();
        fs::create_directories(options.strDataDir);
        options.strBoardSource = "/dev/ttyTEST";
        options.onTitleChanged = [this](const std::string& t) { m_titles.push_back(t); };
    }
    void TearDown() override {
        const std::string dir = m_pApp ? m_pApp->GetDataDir() : std::string();
        ShellFixture::TearDown();
        if (!dir.empty()) fs::remove_all(dir);
    }
    std::vector<std::string> m_titles;
};

TEST_F(FrameTitleTest, FollowsTheRecordingAndTellsOnlyChanges) {
    ASSERT_EQ(m_nInitResult, 0);
    ASSERT_EQ(m_titles.size(), 1u);
    EXPECT_EQ(m_titles.back(), "Orvalis " ORV_VERSION " - /dev/ttyTEST");
    Frame().UpdateTitle();
    EXPECT_EQ(m_titles.size(), 1u);  // nothing changed, nothing told

    Run("command ID_RECORD_DATA\nsettle\n");
    ASSERT_EQ(m_titles.size(), 2u);
    EXPECT_THAT(m_titles.back(),
                MatchesRegex("Orvalis .* - /dev/ttyTEST - REC [a-z0-9]+\\.ov 0:00:0[0-9]"));
    EXPECT_EQ(Frame().ComposeTitle(), m_titles.back());

    Run("command ID_STOP_RECORDING\nsettle\n");
    EXPECT_EQ(m_titles.back(), "Orvalis " ORV_VERSION " - /dev/ttyTEST");
}

}  // namespace
