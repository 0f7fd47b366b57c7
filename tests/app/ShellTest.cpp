// The application shell in this process: start-up, the main menu, the screen
// grid, the user messages and shutdown, driven by script steps.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "app/Main.h"
#include "app/OrvView.h"
#include "app/ProgramOptions.h"
#include "res/Resource.h"
#include "screens/Cfr.h"
#include "screens/DelaySpread.h"
#include "screens/GPSView.h"
#include "screens/GeigerView.h"
#include "screens/Mac.h"
#include "screens/Multipath.h"
#include "screens/Options.h"
#include "screens/Security.h"
#include "screens/SingleNoise.h"
#include "screens/Spectrum.h"
#include "screens/Usage.h"
#include "screens/Utilization.h"
#include "screens/Wisp.h"
#include "tests/app/ShellFixture.h"
#include "tests/support/PacketBuilders.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::string kFirmwarePacket = FeedStep(1, TextPayload("V 1.10"));
const std::string kSerialPacket = FeedStep(2, TextPayload("SN1234"));
// A mode acknowledgement: handled, so the screen repaints.
const std::string kRefreshPacket = FeedStep(3, {});

std::vector<std::string> WithoutTx(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) {
        if (l.rfind("tx:", 0) != 0) out.push_back(l);
    }
    return out;
}

std::vector<std::string> OnlyTx(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines) {
        if (l.rfind("tx:", 0) == 0) out.push_back(l);
    }
    return out;
}

std::string Tap(int x, int y) {
    return "tap " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

std::string Centre(const CRect& r) {
    return Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

bool FindText(const CView& view, const std::string& text, CTextRecord* out = nullptr) {
    CTextRecord r;
    if (!view.GetPaintTexts().FindLast(text, &r)) return false;
    if (out != nullptr) *out = r;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- start-up

class StartupTest : public ShellFixture {};

TEST_F(StartupTest, ShowsTheStartScreenUnderItsTitle) {
    ASSERT_EQ(m_nInitResult, 0);
    EXPECT_EQ(Frame().GetTitle(), "Orvalis " ORV_VERSION);
    EXPECT_EQ(ActiveView(), "COrvView");
    EXPECT_EQ(m_pApp->GetRegistryKey(), "Local AppWizard-Generated Applications");
    EXPECT_EQ(m_pApp->GetDocTemplate().nIdResource, 128u);
    EXPECT_EQ(m_pApp->GetDocTemplate().strDocString, "orv\n\nOrv\n\n\nOrv.Document\nOrv Document");
    ASSERT_NE(m_pApp->GetDocument(), nullptr);
    Run("settle\n");
    CTextRecord prompt;
    ASSERT_TRUE(FindText(*Frame().GetActiveView(), "TOUCH SCREEN TO CONTINUE", &prompt));
    EXPECT_EQ(prompt.rect, CRect(0, 140, 240, 155));
    EXPECT_EQ(prompt.textColor, RGB(255, 255, 255));
    EXPECT_EQ(prompt.bkColor, RGB(0, 0, 0));
    EXPECT_EQ(prompt.format, DT_CENTER | DT_VCENTER);
}

TEST_F(StartupTest, HandshakeSendsEachCommandAfterThePacketThatPromptsIt) {
    Run("settle\n");
    // The firmware request goes out at start-up, and nothing else.
    EXPECT_THAT(OnlyTx(Lines()), ElementsAre("tx: 11 12 01 11 13"));
    Run("sleep 50\n");
    EXPECT_THAT(OnlyTx(Lines()), ElementsAre("tx: 11 12 01 11 13"));

    EXPECT_THAT(Events(kFirmwarePacket), ElementsAre("sound: PING", "tx: 11 12 02 11 13"));
    EXPECT_THAT(Events(kSerialPacket), ElementsAre("tx: 11 12 08 01 11 13"));
    const auto lock = Data().Lock();
    EXPECT_STREQ(Data().m_szFirmwareVersion, "V 1.10");
    EXPECT_STREQ(Data().m_szSerialNumber, "SN1234");
}

TEST_F(StartupTest, FirstTouchAnywhereBeepsAndOpensTheMainMenuWithoutACommand) {
    // On the prompt text itself.
    EXPECT_THAT(Events("settle\n" + Tap(120, 145) + "settle\n"),
                ElementsAre("beep", "view: CMain"));
    EXPECT_EQ(ActiveView(), "CMain");
}

TEST_F(StartupTest, AnyKeyLeavesTheStartScreenAsATouchDoes) {
    Run("settle\n");
    Clear();
    m_pLoop->OnKeyDown(VK_OTHER, false);
    Run("settle\n");
    EXPECT_THAT(Lines(), ElementsAre("beep", "view: CMain"));
    EXPECT_EQ(ActiveView(), "CMain");
}

TEST_F(StartupTest, VersionLineShowsTheBoardIdentityOnceKnown) {
    Run(Tap(5, 5) + "settle\n");
    CView* menu = Frame().GetActiveView();
    CTextRecord line;
    ASSERT_TRUE(FindText(*menu, "(Firmware Version 0.00)(Serial Number XXXXXX)", &line));
    EXPECT_EQ(line.rect, CRect(0, 234, 240, 249));
    EXPECT_EQ(line.textColor, RGB(255, 255, 0));
    Run(kFirmwarePacket + kSerialPacket + "settle\n");
    EXPECT_TRUE(FindText(*menu, "(Firmware Version V 1.10)(Serial Number SN1234)"));
}

class NoLinkTransportTest : public ShellFixture {
protected:
    void Customize(AppOptions& options) override {
        options.initLinkTransport = [] { return -1; };
        options.openBoardPort = [this]() -> std::unique_ptr<ISerialPort> {
            m_bPortOpened = true;
            return nullptr;
        };
    }
    bool m_bPortOpened = false;
};

TEST_F(NoLinkTransportTest, ExitsAfterOneMessageWithoutTouchingThePort) {
    EXPECT_EQ(m_nInitResult, -1);
    EXPECT_THAT(Lines(), ElementsAre("msgbox: Orvalis | Windows sockets initialization failed."));
    EXPECT_FALSE(m_bPortOpened);
    EXPECT_EQ(m_pApp->GetMainFrame(), nullptr);
}

// A port that cannot be opened is reported once; the program runs on.
class MissingPortTest : public ShellFixture {
protected:
    void Customize(AppOptions& options) override {
        options.openBoardPort = [this] {
            ProgramOptions program;
            program.strPort = PortPath();
            return OpenBoardLink(program);
        };
    }
    virtual std::string PortPath() const { return "/nonexistent/ttyORV"; }
};

TEST_F(MissingPortTest, TellsOnceAndRunsWithoutABoard) {
    ASSERT_EQ(m_nInitResult, 0);
    // The fixed text, then the device and the system's reason on a line of
    // their own.
    const std::string told =
        "msgbox: Orvalis | Cannot Open Connection To Board.\\n/nonexistent/ttyORV (No such file "
        "or directory)";
    EXPECT_EQ(Count(told), 1);
    Run(Tap(100, 100) + Centre(CRect(10, 90, 110, 125)) + "settle\n");
    EXPECT_EQ(ActiveView(), "CMac");
    EXPECT_EQ(Count(told), 1);
    ASSERT_NE(Frame().GetBoardPort(), nullptr);
    EXPECT_FALSE(Frame().GetBoardPort()->IsOpen());
}

class NotATtyTest : public MissingPortTest {
protected:
    std::string PortPath() const override { return "/dev/null"; }
};

TEST_F(NotATtyTest, RefusedSettingsAreToldOnce) {
    ASSERT_EQ(m_nInitResult, 0);
    const auto lines = Lines();
    auto starting = [&](const std::string& prefix) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.starts_with(prefix); });
    };
    EXPECT_EQ(starting("msgbox: Orvalis | Could not SetCommState\\n/dev/null ("), 1);
    EXPECT_EQ(starting("msgbox: Orvalis | Cannot Open Connection To Board."), 0);
    EXPECT_FALSE(Frame().GetBoardPort()->IsOpen());
}

// A device the user may not open: the same box, with a line on how to get
// access.
class RefusedPortTest : public MissingPortTest {
protected:
    void SetUp() override {
        if (::geteuid() == 0) GTEST_SKIP() << "permission checks do not apply to root";
        char path[] = "/tmp/orvalis-tty-XXXXXX";
        const int fd = ::mkstemp(path);
        ASSERT_GE(fd, 0);
        ::close(fd);
        ASSERT_EQ(::chmod(path, 0), 0);
        m_strPath = path;
        MissingPortTest::SetUp();
    }
    void TearDown() override {
        MissingPortTest::TearDown();
        if (!m_strPath.empty()) ::unlink(m_strPath.c_str());
    }
    std::string PortPath() const override { return m_strPath; }
    std::string m_strPath;
};

TEST_F(RefusedPortTest, SaysHowToGetAccess) {
    ASSERT_EQ(m_nInitResult, 0);
    EXPECT_EQ(Count("msgbox: Orvalis | Cannot Open Connection To Board.\\n" + m_strPath +
                    " (Permission denied)\\n" + kBoardPortAccessHint),
              1);
    EXPECT_FALSE(Frame().GetBoardPort()->IsOpen());
}

// ---------------------------------------------------------------- main menu

class MainMenuTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        Run(Tap(100, 100) + "settle\n");
        ASSERT_EQ(ActiveView(), "CMain");
    }
    void BackToMenu() {
        Frame().SwitchToView(ORV_RUNTIME_CLASS(CMain));
        Run("settle\n");
    }
};

TEST_F(MainMenuTest, EachBoxPingsSendsItsModeAndOpensItsScreen) {
    struct Case {
        CRect box;
        const char* view;
        const char* tx;  // nullptr: no mode command
    };
    const Case cases[] = {
        {CRect(10, 50, 110, 85), "view: CSpectrum", "tx: 11 12 03 06 11 13"},
        {CRect(130, 50, 230, 85), "view: CUtilization", "tx: 11 12 03 09 11 13"},
        {CRect(10, 90, 110, 125), "view: CMac", "tx: 11 12 03 04 11 13"},
        {CRect(130, 90, 230, 125), "view: CUsage", "tx: 11 12 03 08 11 13"},
        {CRect(10, 130, 110, 165), "view: CSecurity", "tx: 11 12 03 00 11 13"},
        {CRect(130, 130, 230, 165), "view: CGPSView", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        const auto events = Events(Centre(c.box) + "settle\n");
        EXPECT_THAT(WithoutTx(events), ElementsAre("sound: PING", c.view));
        if (c.tx != nullptr) {
            EXPECT_THAT(OnlyTx(events), ElementsAre(c.tx));
        } else {
            EXPECT_THAT(OnlyTx(events), IsEmpty());
        }
        BackToMenu();
    }
    const auto lock = Data().Lock();
    EXPECT_EQ(Data().m_nMode, 0);  // SECURITY sent mode 0; GPS left it
}

TEST_F(MainMenuTest, RightAndBottomEdgesAndTheGapsDoNothing) {
    const std::string misses = Tap(110, 60) + Tap(60, 85) + Tap(230, 140) + Tap(180, 165) +
                               Tap(120, 100) + Tap(129, 60) + Tap(100, 200) + Tap(9, 60) +
                               Tap(60, 49) + "settle\n";
    EXPECT_THAT(Events(misses), IsEmpty());
    EXPECT_EQ(ActiveView(), "CMain");
}

TEST_F(MainMenuTest, TopLeftAndLastInsidePixelsHit) {
    EXPECT_THAT(WithoutTx(Events(Tap(10, 50) + "settle\n")),
                ElementsAre("sound: PING", "view: CSpectrum"));
    BackToMenu();
    EXPECT_THAT(WithoutTx(Events(Tap(229, 164) + "settle\n")),
                ElementsAre("sound: PING", "view: CGPSView"));
}

TEST_F(MainMenuTest, GotoMainMenuBeepsSendsModeZeroFromAnyScreen) {
    Run(Centre(CRect(10, 50, 110, 85)) + "settle\n");
    const auto events = Events("command ID_GOTO_MAIN_MENU\nsettle\n");
    EXPECT_THAT(WithoutTx(events), ElementsAre("beep", "view: CMain"));
    EXPECT_THAT(OnlyTx(events), ElementsAre("tx: 11 12 03 00 11 13"));
    // Already there: still a beep and mode 0, but no screen change.
    const auto again = Events("command ID_GOTO_MAIN_MENU\nsettle\n");
    EXPECT_THAT(WithoutTx(again), ElementsAre("beep"));
    EXPECT_THAT(OnlyTx(again), ElementsAre("tx: 11 12 03 00 11 13"));
}

TEST_F(MainMenuTest, OptionsOpensSilentlyWithoutACommand) {
    EXPECT_THAT(Events("command ID_OPTIONS\nsettle\n"), ElementsAre("view: COptions"));
}

// ---------------------------------------------------------------- views

TEST_F(MainMenuTest, ScreensAreCreatedOnceAndKeptHidden) {
    Run(Centre(CRect(10, 50, 110, 85)) + "settle\n");
    CView* spectrum = Frame().GetActiveView();
    const size_t views = Frame().GetViews().size();
    Run("command ID_GOTO_MAIN_MENU\n" + Centre(CRect(10, 50, 110, 85)) + "settle\n");
    EXPECT_EQ(Frame().GetActiveView(), spectrum);
    EXPECT_EQ(Frame().GetViews().size(), views);
    int visible = 0;
    for (const auto& v : Frame().GetViews()) visible += v->IsWindowVisible() ? 1 : 0;
    EXPECT_EQ(visible, 1);
    // Switching to the screen already shown changes nothing.
    Clear();
    Frame().SwitchToView(ORV_RUNTIME_CLASS(CSpectrum));
    EXPECT_THAT(Lines(), IsEmpty());
}

// ---------------------------------------------------------------- grid

class GridTest : public ShellFixture {};

TEST_F(GridTest, EveryCellLeadsToItsScreen) {
    struct Case {
        CRect cell;
        const char* view;
    };
    const Case cases[] = {
        {CRect(7, 249, 59, 265), "view: CDelaySpread"},
        {CRect(65, 231, 117, 247), "view: CSingleNoise"},
        {CRect(65, 249, 117, 265), "view: CWisp"},
        {CRect(122, 231, 174, 247), "view: CCfr"},
        {CRect(122, 249, 174, 265), "view: CGeigerView"},
        {CRect(7, 231, 59, 247), "view: CMultipath"},
    };
    Show(ORV_RUNTIME_CLASS(CMultipath));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        EXPECT_THAT(Events(Centre(c.cell) + "settle\n"), ElementsAre(c.view, "sound: PING"));
    }
}

TEST_F(GridTest, OwnCellIsSilentOnEveryChannelScreen) {
    const std::pair<const CRuntimeClass*, CRect> screens[] = {
        {ORV_RUNTIME_CLASS(CMultipath), CRect(7, 231, 59, 247)},
        {ORV_RUNTIME_CLASS(CDelaySpread), CRect(7, 249, 59, 265)},
        {ORV_RUNTIME_CLASS(CSingleNoise), CRect(65, 231, 117, 247)},
        {ORV_RUNTIME_CLASS(CWisp), CRect(65, 249, 117, 265)},
        {ORV_RUNTIME_CLASS(CCfr), CRect(122, 231, 174, 247)},
        {ORV_RUNTIME_CLASS(CGeigerView), CRect(122, 249, 174, 265)},
    };
    for (const auto& [cls, own] : screens) {
        SCOPED_TRACE(cls->m_lpszClassName);
        Show(cls);
        EXPECT_THAT(Events(Centre(own) + Tap(own.left, own.top) +
                           Tap(own.right - 1, own.bottom - 1) + "settle\n"),
                    IsEmpty());
        EXPECT_EQ(ActiveView(), cls->m_lpszClassName);
    }
}

TEST_F(GridTest, LastCellPingsOnceAndStaysPut) {
    Show(ORV_RUNTIME_CLASS(CCfr));
    EXPECT_THAT(Events(Centre(CRect(180, 249, 232, 265)) + "settle\n"), ElementsAre("sound: PING"));
    EXPECT_EQ(ActiveView(), "CCfr");
}

TEST_F(GridTest, MacListCellPingsTwiceAndSendsModeFour) {
    Show(ORV_RUNTIME_CLASS(CWisp));
    const auto events = Events(Centre(CRect(180, 231, 232, 247)) + "settle\n");
    EXPECT_THAT(WithoutTx(events), ElementsAre("sound: PING", "view: CMac", "sound: PING"));
    EXPECT_THAT(OnlyTx(events), ElementsAre("tx: 11 12 03 04 11 13"));
}

TEST_F(GridTest, EdgesBetweenCellsAndAboveTheGridDoNothing) {
    Show(ORV_RUNTIME_CLASS(CGeigerView));
    EXPECT_THAT(Events(Tap(59, 240) + Tap(60, 240) + Tap(30, 247) + Tap(30, 248) + Tap(232, 240) +
                       Tap(100, 230) + Tap(100, 265) + Tap(100, 100) + "settle\n"),
                IsEmpty());
}

// ---------------------------------------------------------------- messages

class MessagesTest : public ShellFixture {};

TEST_F(MessagesTest, EachUnauthorizedAccessPointGetsItsOwnAlert) {
    {
        const auto lock = Data().Lock();
        Data().m_bSecurityEnabled = 1;
    }
    const auto a =
        testpkt::Framed(9, testpkt::CaptureData(testpkt::Beacon(testpkt::MacOf(1), "one", 1)));
    const auto b =
        testpkt::Framed(9, testpkt::CaptureData(testpkt::Beacon(testpkt::MacOf(2), "two", 1)));
    // Both alarms are raised before the GUI thread handles the first; the
    // same access point heard again raises none.
    m_pBoard->Feed(a);
    m_pBoard->Feed(b);
    m_pBoard->Feed(a);
    const auto events = WithoutTx(Events("settle\n"));
    const std::string textA =
        "msgbox: ALERT! | AP#" + testpkt::MacText(testpkt::MacOf(1)) + " is not authorized.";
    const std::string textB =
        "msgbox: ALERT! | AP#" + testpkt::MacText(testpkt::MacOf(2)) + " is not authorized.";
    EXPECT_THAT(events,
                ElementsAre("sound: REDALERT", textA + " (1 more)", "sound: REDALERT", textB));
    EXPECT_EQ(Frame().PendingAlerts(), 0u);
}

// A full unauthorized list: every unlisted access point alarms each time it
// is heard. The alarms wait in order, each once, up to a bound; each box says
// how many wait behind it; an access point left out alarms when heard again.
TEST_F(MessagesTest, UnansweredAlertsWaitInOrderOnceEachAndBounded) {
    {
        const auto lock = Data().Lock();
        Data().m_bSecurityEnabled = 1;
        char mac[32];
        for (int i = 0; i < kApListCapacity; ++i) {
            std::snprintf(mac, sizeof(mac), "06-00-00-00-%02X-%02X", i >> 8, i & 0xFF);
            ASSERT_GE(Data().AddUnauthorized(mac), 0);
        }
        ASSERT_LT(Data().AddUnauthorized("06-00-00-00-FF-FF"), 0);
    }
    const auto beacon = [](uint32_t n) {
        return testpkt::Framed(9,
                               testpkt::CaptureData(testpkt::Beacon(testpkt::MacOf(n), "net", 1)));
    };
    const auto alert = [](uint32_t n, std::size_t more) {
        return "msgbox: ALERT! | " +
               CMainFrame::AlertText(testpkt::MacText(testpkt::MacOf(n)), more);
    };
    constexpr uint32_t kHeard = 300;
    for (uint32_t n = 1; n <= kHeard; ++n) {
        m_pBoard->Feed(beacon(n));
        if (n % 3 == 0) m_pBoard->Feed(beacon(n / 3));  // heard again while waiting
    }
    std::vector<std::string> boxes;
    for (const auto& line : WithoutTx(Events("settle\n")))
        if (line.starts_with("msgbox:")) boxes.push_back(line);
    const std::size_t kept = 256;
    ASSERT_EQ(boxes.size(), kept);
    for (std::size_t i = 0; i < kept; ++i)
        ASSERT_EQ(boxes[i], alert(static_cast<uint32_t>(i + 1), kept - 1 - i)) << i;

    // Left out while the queue was full: alarms at its next beacon.
    m_pBoard->Feed(beacon(kHeard));
    EXPECT_THAT(WithoutTx(Events("settle\n")), ::testing::Contains(alert(kHeard, 0)));
}

// An alarm that comes while a box is up waits for it: the box's own loop
// does not open a second box on top.
TEST_F(MessagesTest, AnAlertThatComesWhileABoxIsUpWaitsForIt) {
    const auto raise = [this](uint32_t n) {
        const auto lock = Data().Lock();
        const std::string mac = testpkt::MacText(testpkt::MacOf(n));
        std::snprintf(Data().m_szAlertMac, sizeof(Data().m_szAlertMac), "%s", mac.c_str());
        Frame().PostMessage(UM_UNAUTHORIZED_AP);
    };
    int nested = -1;
    m_onLine = [&](const std::string& line) {
        if (nested >= 0 || !line.starts_with("msgbox: ALERT!")) return;
        nested = 0;
        // What the box's modal loop does while it is up.
        raise(2);
        const std::size_t before = Lines().size();
        m_pLoop->ProcessPending();
        nested = static_cast<int>(Lines().size() - before);
    };
    raise(1);
    const auto events = WithoutTx(Events("settle\n"));
    m_onLine = nullptr;
    EXPECT_EQ(nested, 0);
    EXPECT_THAT(
        events,
        ElementsAre(
            "sound: REDALERT",
            "msgbox: ALERT! | " + CMainFrame::AlertText(testpkt::MacText(testpkt::MacOf(1)), 0),
            "sound: REDALERT",
            "msgbox: ALERT! | " + CMainFrame::AlertText(testpkt::MacText(testpkt::MacOf(2)), 0)));
}

TEST_F(MessagesTest, RefreshRepaintsOnlyTheActiveScreenForHandledPackets) {
    Show(ORV_RUNTIME_CLASS(CMac));
    CView* mac = Frame().GetActiveView();
    const int before = mac->GetPaintCount();
    Run(kRefreshPacket + "settle\n");
    EXPECT_EQ(mac->GetPaintCount(), before + 1);
    Run(FeedStep(0x55, {1, 2, 3}) + "settle\n");  // a type nobody handles
    EXPECT_EQ(mac->GetPaintCount(), before + 1);
    {
        const auto lock = Data().Lock();
        Data().m_bRefreshEnabled = 0;
    }
    Run(kRefreshPacket + "settle\n");
    EXPECT_EQ(mac->GetPaintCount(), before + 1);
}

TEST_F(MessagesTest, StatusBandShowsTheScriptedClockAndTheMarker) {
    Show(ORV_RUNTIME_CLASS(CMac));
    Run("clock 2007-03-05 09:04:07\n" + kRefreshPacket + "settle\n");
    CView* mac = Frame().GetActiveView();
    CTextRecord date;
    ASSERT_TRUE(FindText(*mac, "3/5/2007", &date));
    EXPECT_EQ(date.rect, CRect(45, 242, 90, 253));
    const auto texts = mac->GetPaintTexts().Records();
    const auto time = std::find_if(texts.begin(), texts.end(), [](const CTextRecord& r) {
        return r.rect == CRect(95, 242, 140, 253);
    });
    ASSERT_NE(time, texts.end());
    EXPECT_THAT(time->text, ::testing::MatchesRegex("09:04:0[789]"));
    EXPECT_TRUE(FindText(*mac, "Marker #0"));

    EXPECT_THAT(Events("command ID_INCREMENT_MARKER\n" + kRefreshPacket + "settle\n"),
                ::testing::Contains("msgbox: Orvalis | Marker is now 1."));
    EXPECT_TRUE(FindText(*mac, "Marker #1"));
}

TEST_F(MessagesTest, CommandBarCarriesNineCommandsUpAndDownOnlyForTheMacList) {
    CCommandBar& bar = Frame().GetCommandBar();
    ASSERT_EQ(bar.GetButtonCount(), 9);
    const unsigned order[] = {
        ID_GOTO_MAIN_MENU, ID_RECORD_DATA, ID_STOP_RECORDING,   ID_SNAPSHOT, ID_UP,
        ID_DOWN,           ID_OPTIONS,     ID_INCREMENT_MARKER, ID_ABOUT};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(bar.GetButtonCommand(i), order[i]);
        EXPECT_FALSE(bar.GetTooltip(i).empty());
        const bool upDown = order[i] == ID_UP || order[i] == ID_DOWN;
        EXPECT_EQ(Frame().IsCommandEnabled(order[i]), !upDown) << order[i];
    }
    EXPECT_EQ(bar.GetTooltip(3), "Take snapshot of current screen");
}

// ---------------------------------------------------------------- shutdown

class ShutdownTest : public ShellFixture {};

TEST_F(ShutdownTest, MinimiseStopsTheReaderClosesThePortAndEndsTheScript) {
    Run("settle\n");
    ASSERT_NE(Frame().GetBoardPort(), nullptr);
    const auto events = Events("minimize\n" + Tap(100, 100) + kFirmwarePacket + "settle\n");
    EXPECT_THAT(events, IsEmpty());
    EXPECT_TRUE(m_pLoop->IsQuitting());
    EXPECT_EQ(Frame().GetBoardReader(), nullptr);
    EXPECT_EQ(Frame().GetBoardPort(), nullptr);
    EXPECT_EQ(m_pBoard->Pending(), 0u);  // the firmware packet was never fed
    EXPECT_EQ(ActiveView(), "COrvView");
}

TEST_F(ShutdownTest, CloseButtonEndsTheProgram) {
    const CRect close = Frame().GetCommandBar().GetCloseRect(240);
    Run(Tap(close.left + 2, CFrameWnd::kCommandBarRect.top + close.top + 2));
    EXPECT_TRUE(m_pLoop->IsQuitting());
}

TEST_F(ShutdownTest, CtrlQExits) {
    m_pLoop->OnKeyDown('Q', true);
    EXPECT_TRUE(m_pLoop->IsQuitting());
}
