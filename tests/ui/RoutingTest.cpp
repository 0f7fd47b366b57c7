#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHost.h"
#include "ui/FrameWnd.h"
#include "ui/RuntimeClass.h"

// Not creatable by record.
class CAbstractScreen : public CView {
    ORV_DECLARE_DYNAMIC(CAbstractScreen)
};
ORV_IMPLEMENT_DYNAMIC(CAbstractScreen, CView)

namespace {

constexpr unsigned ID_GOTO_MAIN_MENU = 32771;
constexpr unsigned ID_ABOUT = 32775;
constexpr unsigned ID_UP = 32777;
constexpr unsigned ID_DOWN = 32778;
constexpr unsigned kNew = 57600;

std::vector<std::string> g_log;

class CListScreen : public CView {
    ORV_DECLARE_DYNCREATE(CListScreen)
public:
    static int s_nCreated;
    CListScreen() {
        ++s_nCreated;
        AddCommand(ID_UP, [] { g_log.push_back("view up"); });
        AddCommand(ID_DOWN, [] { g_log.push_back("view down"); });
        AddCommand(ID_ABOUT, [] { g_log.push_back("view about"); });
    }
    int m_nPage = 0;
};
ORV_IMPLEMENT_DYNCREATE(CListScreen, CView)
int CListScreen::s_nCreated = 0;

class CPlainScreen : public CView {
    ORV_DECLARE_DYNCREATE(CPlainScreen)
public:
    void OnLButtonDown(int x, int y) override { taps.push_back(CPoint(x, y)); }
    std::vector<CPoint> taps;
};
ORV_IMPLEMENT_DYNCREATE(CPlainScreen, CView)

class CTestFrame : public CFrameWnd {
public:
    CTestFrame() {
        AddCommand(ID_ABOUT, [] { g_log.push_back("frame about"); });
        AddCommand(ID_GOTO_MAIN_MENU, [] { g_log.push_back("frame main"); });
        GetCommandBar().AddButton(ID_GOTO_MAIN_MENU, 0);
        GetCommandBar().AddButton(ID_UP, 4);
        GetCommandBar().AddButton(ID_DOWN, 5);
    }
};

class CTestApp : public CCmdTarget {
public:
    CTestApp() {
        AddCommand(kNew, [] { g_log.push_back("app new"); });
        AddCommand(ID_GOTO_MAIN_MENU, [] { g_log.push_back("app main"); });
    }
};

class Routing : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        CListScreen::s_nCreated = 0;
        frame.SetAppTarget(&app);
    }
    CTestFrame frame;
    CTestApp app;
};

}  // namespace

TEST_F(Routing, ActiveViewFirstThenFrameThenApplication) {
    frame.ActivateView(ORV_RUNTIME_CLASS(CListScreen));
    EXPECT_TRUE(frame.RouteCommand(ID_ABOUT));
    EXPECT_TRUE(frame.RouteCommand(ID_GOTO_MAIN_MENU));
    EXPECT_TRUE(frame.RouteCommand(kNew));
    EXPECT_FALSE(frame.RouteCommand(12345));
    EXPECT_EQ(g_log, (std::vector<std::string>{"view about", "frame main", "app new"}));
}

TEST_F(Routing, ButtonsWithoutAHandlerAreDisabledAndIgnoreTaps) {
    frame.ActivateView(ORV_RUNTIME_CLASS(CPlainScreen));
    EXPECT_FALSE(frame.IsCommandEnabled(ID_UP));
    EXPECT_FALSE(frame.IsCommandEnabled(ID_DOWN));
    EXPECT_TRUE(frame.IsCommandEnabled(ID_GOTO_MAIN_MENU));
    const CRect up =
        frame.GetCommandBar().GetButtonRect(1).Offset(0, CFrameWnd::kCommandBarRect.top);
    frame.OnStylusDown(up.left + 3, up.top + 3);
    EXPECT_TRUE(g_log.empty());
    // On the list screen the same buttons work.
    frame.ActivateView(ORV_RUNTIME_CLASS(CListScreen));
    EXPECT_TRUE(frame.IsCommandEnabled(ID_UP));
    frame.OnStylusDown(up.left + 3, up.top + 3);
    EXPECT_EQ(g_log, (std::vector<std::string>{"view up"}));
}

TEST_F(Routing, DisabledLookRepaintsWhenTheActiveViewChanges) {
    CFakeHost host;
    CUiLoop loop(host);
    loop.SetFrame(&frame);
    const CBitmap strip(144, 16, RGB(0, 0, 0));
    frame.GetCommandBar().SetImages(&strip);
    frame.ActivateView(ORV_RUNTIME_CLASS(CListScreen));
    loop.ProcessPending();
    const CRect up =
        frame.GetCommandBar().GetButtonRect(1).Offset(0, CFrameWnd::kCommandBarRect.top);
    const COLORREF enabled = loop.Screen().GetPixel(up.left + 11, up.top + 11);
    frame.ActivateView(ORV_RUNTIME_CLASS(CPlainScreen));
    loop.ProcessPending();
    const COLORREF disabled = loop.Screen().GetPixel(up.left + 11, up.top + 11);
    EXPECT_EQ(enabled, RGB(0, 0, 0));
    EXPECT_EQ(disabled, RGB(128, 128, 128));
}

TEST_F(Routing, SwitchingBackReusesTheKeptViewWithItsState) {
    std::vector<std::string> shown;
    frame.SetViewChangedListener([&](CView* v) { shown.push_back(v->GetRuntimeClassName()); });
    auto* list = static_cast<CListScreen*>(frame.ActivateView(ORV_RUNTIME_CLASS(CListScreen)));
    list->m_nPage = 3;
    frame.ActivateView(ORV_RUNTIME_CLASS(CPlainScreen));
    EXPECT_FALSE(list->IsWindowVisible());
    auto* again = frame.ActivateView(ORV_RUNTIME_CLASS(CListScreen));
    EXPECT_EQ(again, list);
    EXPECT_EQ(list->m_nPage, 3);
    EXPECT_EQ(CListScreen::s_nCreated, 1);
    EXPECT_EQ(frame.GetViews().size(), 2u);
    // Asking for the screen already shown does nothing.
    frame.ActivateView(ORV_RUNTIME_CLASS(CListScreen));
    EXPECT_EQ(shown, (std::vector<std::string>{"CListScreen", "CPlainScreen", "CListScreen"}));
}

TEST_F(Routing, ClassesThatCannotBeCreatedLeaveTheScreenAsItWas) {
    CView* plain = frame.ActivateView(ORV_RUNTIME_CLASS(CPlainScreen));
    EXPECT_EQ(frame.ActivateView(ORV_RUNTIME_CLASS(CAbstractScreen)), nullptr);
    EXPECT_EQ(frame.ActivateView(ORV_RUNTIME_CLASS(CFrameWnd)), nullptr);
    EXPECT_EQ(frame.GetActiveView(), plain);
    // A base class record matches a derived view already there.
    EXPECT_EQ(frame.FindView(ORV_RUNTIME_CLASS(CView)), plain);
}

TEST_F(Routing, StylusInTheViewAreaReachesTheViewInViewCoordinates) {
    auto* plain = static_cast<CPlainScreen*>(frame.ActivateView(ORV_RUNTIME_CLASS(CPlainScreen)));
    frame.OnStylusDown(0, 0);
    frame.OnStylusDown(239, 269);
    frame.OnStylusDown(100, 270);  // command bar, not the view
    ASSERT_EQ(plain->taps.size(), 2u);
    EXPECT_EQ(plain->taps[1], CPoint(239, 269));
}

TEST_F(Routing, CtrlAcceleratorsSendTheirCommand) {
    frame.AddAccelerator('N', kNew);
    frame.ActivateView(ORV_RUNTIME_CLASS(CPlainScreen));
    frame.DispatchKeyDown('N', true);
    frame.DispatchKeyDown('N', false);  // a plain N is no accelerator
    frame.DispatchKeyDown('Z', true);
    EXPECT_EQ(g_log, (std::vector<std::string>{"app new"}));
}

TEST_F(Routing, PageKeysSendUpAndDownWhereAScreenHandlesThemAndTheViewLeavesTheKey) {
    frame.AddKeyCommand(VK_PRIOR, ID_UP);
    frame.AddKeyCommand(VK_NEXT, ID_DOWN);
    frame.ActivateView(ORV_RUNTIME_CLASS(CListScreen));
    frame.DispatchKeyDown(VK_NEXT, false);
    frame.DispatchKeyDown(VK_PRIOR, false);
    frame.DispatchKeyDown(VK_NEXT, true);  // Ctrl+Page Down is no accelerator
    frame.DispatchKeyDown(VK_OTHER, false);
    EXPECT_EQ(g_log, (std::vector<std::string>{"view down", "view up"}));
    // A screen without Up and Down: the keys do nothing, as the greyed
    // buttons would.
    g_log.clear();
    frame.ActivateView(ORV_RUNTIME_CLASS(CPlainScreen));
    frame.DispatchKeyDown(VK_NEXT, false);
    EXPECT_TRUE(g_log.empty());
}
