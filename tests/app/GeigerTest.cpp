// The Geiger clicks in the running program: where the frame starts and stops
// them, the kernel file in the data folder, and a whole headless run on the
// simulated board.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "audio/ClickEngine.h"
#include "res/ClickKernel.h"
#include "screens/Cfr.h"
#include "screens/GeigerView.h"
#include "tests/app/ShellFixture.h"
#include "tests/support/FileText.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class GeigerShellTest : public ShellFixture {
protected:
    CClickEngine& Engine() { return *Frame().GetClickEngine(); }
    // Runs the GUI loop until `pred` holds (two seconds at most).
    template <class Pred>
    bool RunUntil(Pred pred) {
        for (int i = 0; i < 200 && !pred(); ++i) Run("sleep 10\n");
        return pred();
    }
};

TEST_F(GeigerShellTest, ClicksRunExactlyWhileTheGeigerScreenShows) {
    // Right after a pick the stored level is -100 dBm: no click from the
    // first block on, even before the screen's first paint.
    {
        const auto lock = Data().Lock();
        Data().m_nSelectedRssi = -100;
    }
    Frame().SwitchToView(ORV_RUNTIME_CLASS(CGeigerView));
    EXPECT_TRUE(Engine().IsRunEventSet());
    EXPECT_EQ(Engine().GetLevel(), -90);
    ASSERT_TRUE(RunUntil([&] { return Engine().Blocks() >= 5; }));
    EXPECT_EQ(Engine().ClickBlocks(), 0u);

    struct Case {
        const char* step;
        bool bRunning;
    } steps[] = {
        {"tap 148 239\n", false},  // CFR
        {"tap 148 257\n", true},   // back to GEIGER
        {"tap 206 257\n", false},  // the empty cell
        {"command ID_GOTO_MAIN_MENU\n", false},
    };
    for (const Case& c : steps) {
        SCOPED_TRACE(c.step);
        if (!Engine().IsRunEventSet()) Show(ORV_RUNTIME_CLASS(CGeigerView));
        Run(c.step);
        EXPECT_EQ(Engine().IsRunEventSet(), c.bRunning);
        const uint32_t blocks = Engine().Blocks();
        Run("sleep 60\n");
        if (c.bRunning) {
            EXPECT_GT(Engine().Blocks(), blocks);
        } else {
            EXPECT_LE(Engine().Blocks(), blocks + 1);
        }
    }
}

class KernelFileTest : public GeigerShellTest {
protected:
    void Customize(AppOptions& options) override {
        Prepare(m_dir);
        options.strDataDir = m_dir.string();
    }
    virtual void Prepare(const fs::path&) {}
    CTempFolder m_folder;
    const fs::path& m_dir = m_folder.Root();
};

TEST_F(KernelFileTest, ProgramInstallsItsKernelWhenThereIsNone) {
    const std::string file = ReadFileText(m_dir / "windows" / "spike.wav");
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.end()), ClickKernelWave());
    EXPECT_EQ(CMainFrame::ClickKernelPath(m_dir.string()), (m_dir / "windows/spike.wav").string());
}

class UsersKernelTest : public KernelFileTest {
    void Prepare(const fs::path& dir) override {
        fs::create_directories(dir / "windows");
        std::vector<uint8_t> wave = ClickKernelWave();
        wave.back() = 129;
        std::ofstream(dir / "windows" / "spike.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(wave.data()),
                   static_cast<std::streamsize>(wave.size()));
    }
};

TEST_F(UsersKernelTest, KernelTheUserPutThereIsKept) {
    const std::string file = ReadFileText(m_dir / "windows" / "spike.wav");
    ASSERT_EQ(file.size(), ClickKernelWave().size());
    EXPECT_EQ(static_cast<uint8_t>(file.back()), 129);
    Show(ORV_RUNTIME_CLASS(CGeigerView));
    ASSERT_TRUE(RunUntil([&] { return Engine().Blocks() >= 3; }));
    EXPECT_EQ(Count("msgbox: File I/O Error | Unable to open geiger file"), 0);
}

class UnreadableKernelTest : public KernelFileTest {
    // A file where the folder should be: the kernel can be neither written
    // nor opened.
    void Prepare(const fs::path& dir) override { std::ofstream(dir / "windows") << "x"; }
};

TEST_F(UnreadableKernelTest, IsToldOnceAndTheClicksStaySilent) {
    ASSERT_TRUE(RunUntil(
        [&] { return Count("msgbox: File I/O Error | Unable to open geiger file") == 1; }));
    Show(ORV_RUNTIME_CLASS(CGeigerView));
    ASSERT_TRUE(RunUntil([&] { return Engine().Blocks() >= 2; }));
    Run("sleep 60\n");
    int waveOut = 0;
    for (const std::string& line : Lines()) waveOut += line.starts_with("msgbox: WaveOut Error | ");
    EXPECT_EQ(waveOut, 1);
    EXPECT_EQ(Engine().Blocks(), 2u);
    EXPECT_EQ(Engine().QueuedBlocks(), 0u);
    EXPECT_EQ(ActiveView(), "CGeigerView");
}

// ---------------------------------------------------------------- end to end

class GeigerProgramTest : public ::testing::Test {
protected:
    int RunScript(const std::string& script, const std::string& extra) {
        std::ofstream(m_dir / "script.txt") << script;
        const std::string command = "cd '" + m_dir.string() +
                                    "' && '" ORVALIS_PROGRAM
                                    "' --headless --data-dir data --script script.txt " +
                                    extra + " >stdout 2>stderr";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    nlohmann::json Clicks(const std::string& name) {
        const auto state = nlohmann::json::parse(ReadFileText(m_dir / name), nullptr, false);
        return state.is_object() ? state.value("click_engine", nlohmann::json()) : nlohmann::json();
    }
    CTempFolder m_folder;
    const fs::path& m_dir = m_folder.Root();
};

TEST_F(GeigerProgramTest, PickedStationClicksUntilTheMainMenu) {
    ASSERT_EQ(RunScript("state before.json\n"
                        "tap 120 160\n"  // start-up screen
                        "tap 60 107\n"   // MAC list
                        "sleep 2500\n"
                        "tap 100 45\n"  // the first station
                        "sleep 500\n"
                        "state geiger.json\n"
                        "command ID_GOTO_MAIN_MENU\n"
                        "state left.json\n"
                        "sleep 200\n"
                        "state later.json\n",
                        "--simulate"),
              0)
        << ReadFileText(m_dir / "stderr");
    EXPECT_THAT(ReadFileText(m_dir / "stdout"), ::testing::HasSubstr("view: CGeigerView"));
    EXPECT_TRUE(fs::exists(m_dir / "data" / "windows" / "spike.wav"));

    const nlohmann::json before = Clicks("before.json");
    EXPECT_EQ(before.value("running", true), false);
    EXPECT_EQ(before.value("blocks", -1), 0);

    const nlohmann::json geiger = Clicks("geiger.json");
    EXPECT_EQ(geiger.value("running", false), true);
    // Half a second at 23 ms a block is about 22; a loaded machine stretches
    // the steps around the sleep, while an engine that ran unpaced would
    // make thousands.
    EXPECT_GE(geiger.value("blocks", 0), 5);
    EXPECT_LE(geiger.value("blocks", 0), 100);
    EXPECT_LE(geiger.value("click_blocks", 0), geiger.value("blocks", 0));
    const int level = geiger.value("level", 0);
    EXPECT_GE(level, -90);
    EXPECT_LE(level, -30);

    const nlohmann::json left = Clicks("left.json");
    const nlohmann::json later = Clicks("later.json");
    EXPECT_EQ(left.value("running", true), false);
    EXPECT_LE(later.value("blocks", 0), left.value("blocks", 0) + 1);
}

}  // namespace
