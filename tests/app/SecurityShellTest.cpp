// The security feature end to end in the program: the options form switches
// the alarm on, an unlisted access point raises one alert, AUTH silences it,
// the lists survive a restart through SAVE and RETRIEVE.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "res/Resource.h"
#include "screens/Options.h"
#include "screens/Security.h"
#include "tests/app/ShellFixture.h"
#include "tests/support/FileText.h"
#include "tests/support/PacketBuilders.h"
#include "ui/ListBox.h"

namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SecurityShellTest : public ShellFixture {
protected:
    SecurityShellTest() {
        static int n = 0;
        m_dir = fs::temp_directory_path() /
                ("orvalis-security-shell-" + std::to_string(getpid()) + "-" + std::to_string(++n));
        fs::create_directories(m_dir);
    }
    ~SecurityShellTest() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    void Customize(AppOptions& options) override { options.strDataDir = m_dir.string(); }

    // A new run of the program on the same data folder.
    void Restart() {
        TearDown();
        SetUp();
    }

    void Beacon(uint32_t n) {
        m_pBoard->Feed(
            testpkt::Framed(9, testpkt::CaptureData(testpkt::Beacon(testpkt::MacOf(n), "net", 1))));
    }
    static std::string Mac(uint32_t n) { return testpkt::MacText(testpkt::MacOf(n)); }
    static std::string AlertLine(uint32_t n) {
        return "msgbox: ALERT! | AP#" + Mac(n) + " is not authorized.";
    }
    int Alerts(const std::vector<std::string>& events) {
        return static_cast<int>(std::count(events.begin(), events.end(), "sound: REDALERT"));
    }

    CSecurity& Security() {
        Show(ORV_RUNTIME_CLASS(CSecurity));
        return dynamic_cast<CSecurity&>(*Frame().GetActiveView());
    }
    // Taps line `index` of a list box the way the person does.
    std::string TapLine(const CListBox& box, int index) {
        const CRect r = box.GetWindowRect();
        const int y = r.top + 2 + index * box.GetItemHeight() + box.GetItemHeight() / 2;
        return "tap " + std::to_string(r.left + 20) + " " + std::to_string(y) + "\n";
    }
    std::vector<std::string> Authorized() {
        const auto lock = Data().Lock();
        std::vector<std::string> out;
        for (int i = 0; i < Data().m_nAuthorizedCount; ++i)
            out.emplace_back(Data().m_aszAuthorized[i]);
        return out;
    }
    std::vector<std::string> Unauthorized() {
        const auto lock = Data().Lock();
        std::vector<std::string> out;
        for (int i = 0; i < Data().m_nUnauthorizedCount; ++i)
            out.emplace_back(Data().m_aszUnauthorized[i]);
        return out;
    }
    std::string ReadText(const char* name) { return ReadFileText(m_dir / name); }

    fs::path m_dir;
};

TEST_F(SecurityShellTest, AnUnlistedAccessPointAlertsOnceAndAuthSilencesIt) {
    // Off at start: nothing is raised or listed.
    Beacon(1);
    EXPECT_EQ(Alerts(Events("settle\n")), 0);
    EXPECT_THAT(Unauthorized(), IsEmpty());

    EXPECT_THAT(Events("command ID_OPTIONS\nclick 1011\n"), Contains("msgbox: Orvalis | Enabled"));
    Beacon(1);
    Beacon(1);
    auto events = Events("settle\n");
    EXPECT_EQ(Alerts(events), 1);
    EXPECT_THAT(events, Contains(AlertLine(1)));
    EXPECT_THAT(Unauthorized(), ElementsAre(Mac(1)));

    CSecurity& security = Security();
    ASSERT_EQ(security.UnauthorizedBox().GetCount(), 1);
    Run(TapLine(security.UnauthorizedBox(), 0) + "click 1005\n");
    EXPECT_THAT(Authorized(), ElementsAre(Mac(1)));
    EXPECT_THAT(Unauthorized(), IsEmpty());
    Beacon(1);
    EXPECT_EQ(Alerts(Events("settle\n")), 0);

    // Off the authorized list again, it is on neither list and alerts anew.
    Run("click 1002\n");
    Beacon(1);
    events = Events("settle\n");
    EXPECT_EQ(Alerts(events), 1);
    EXPECT_THAT(Unauthorized(), ElementsAre(Mac(1)));
}

TEST_F(SecurityShellTest, SavedListsComeBackInTheNextRun) {
    Run("command ID_OPTIONS\nclick 1011\n");
    Beacon(7);
    Beacon(8);
    Security();
    const auto events = Events(
        "text 1008 00:1a:2b:3c:4d:5e\nclick 1000\n"
        "text 1008 loading dock\nclick 1000\nclick 1006\n");
    EXPECT_THAT(events, IsEmpty());  // SAVE says nothing when it works
    const auto authorized = Authorized();
    const auto unauthorized = Unauthorized();
    ASSERT_THAT(authorized, ElementsAre("00-1A-2B-3C-4D-5E", "loading dock"));
    ASSERT_THAT(unauthorized, ElementsAre(Mac(7), Mac(8)));
    EXPECT_EQ(ReadText("auth.lst"), "2\n00-1A-2B-3C-4D-5E\nloading dock\n");
    EXPECT_EQ(ReadText("unauth.lst"), "2\n" + Mac(7) + "\n" + Mac(8) + "\n");

    Restart();
    EXPECT_THAT(Authorized(), IsEmpty());  // nothing is loaded by itself
    CSecurity& security = Security();
    Run("click 1007\nsettle\n");
    EXPECT_EQ(Authorized(), authorized);
    EXPECT_EQ(Unauthorized(), unauthorized);
    CTextRecord heading;
    EXPECT_TRUE(security.GetPaintTexts().FindLast("AUTHORIZED (2 items)", &heading));
    EXPECT_EQ(security.AuthorizedBox().GetCount(), 2);
    EXPECT_EQ(security.UnauthorizedBox().GetCount(), 2);
    // The retrieved lists hold the alarm: a listed station is quiet.
    Run("command ID_OPTIONS\nclick 1011\n");
    Beacon(7);
    EXPECT_EQ(Alerts(Events("settle\n")), 0);
}

TEST_F(SecurityShellTest, OptionMarksSurviveLeavingTheScreen) {
    const auto events = Events(
        "command ID_OPTIONS\nclick 1012\nclick 1012\nclick 1012\n"
        "click 1013\ncommand ID_GOTO_MAIN_MENU\ncommand ID_OPTIONS\n");
    std::vector<std::string> boxes;
    for (const auto& line : events)
        if (line.rfind("msgbox:", 0) == 0) boxes.push_back(line);
    EXPECT_THAT(boxes, ElementsAre("msgbox: Orvalis | Enabled", "msgbox: Orvalis | Disabled",
                                   "msgbox: Orvalis | Enabled", "msgbox: Orvalis | Enabled"));
    auto& options = dynamic_cast<COptions&>(*Frame().GetActiveView());
    EXPECT_EQ(options.IsDlgButtonChecked(IDC_ENABLE_SECURITY), 0);
    EXPECT_EQ(options.IsDlgButtonChecked(IDC_VIEW_NON_AP), 1);
    EXPECT_EQ(options.IsDlgButtonChecked(IDC_ENABLE_HERON), 1);
    const auto lock = Data().Lock();
    EXPECT_EQ(Data().m_bShowNonApMacs, 1);
    EXPECT_EQ(Data().m_bHeronEnabled, 1);
    EXPECT_EQ(Data().m_bSecurityEnabled, 0);
}

TEST_F(SecurityShellTest, AListThatCannotBeSavedIsToldByName) {
    fs::create_directory(m_dir / "auth.lst");
    Security();
    const auto events = Events("click 1006\n");
    EXPECT_THAT(events, ElementsAre("msgbox: Orvalis | The list could not be saved to " +
                                    (m_dir / "auth.lst").string() + "."));
    EXPECT_EQ(ReadText("unauth.lst"), "0\n");
}

}  // namespace
