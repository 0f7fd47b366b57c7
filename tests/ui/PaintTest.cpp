#include <gtest/gtest.h>

#include "FakeHost.h"
#include "ui/FrameWnd.h"

namespace {

class CCountingView : public CView {
public:
    void OnDraw(CCanvas& dc) override {
        ++draws;
        if (bMark) dc.FillSolidRect(CRect(10, 10, 20, 20), RGB(255, 0, 0));
        dc.SetTextColor(RGB(0, 255, 0));
        dc.DrawText("hello", CRect(0, 100, 240, 115), DT_CENTER);
        if (bReinvalidate) Invalidate(false);
    }
    int draws = 0;
    bool bMark = true;
    bool bReinvalidate = false;
};

class Painting : public ::testing::Test {
protected:
    void SetUp() override {
        loop.SetFrame(&frame);
        view = static_cast<CCountingView*>(frame.AddView(std::make_unique<CCountingView>()));
        frame.SetActiveView(view);
        loop.ProcessPending();
    }
    CFakeHost host;
    CUiLoop loop{host};
    CFrameWnd frame;
    CCountingView* view = nullptr;
};

}  // namespace

TEST_F(Painting, ManyRequestsOnePaint) {
    const int before = view->draws;
    const int presents = host.presents;
    for (int i = 0; i < 100; ++i) view->Invalidate(i % 2 == 0);
    loop.ProcessPending();
    EXPECT_EQ(view->draws, before + 1);
    EXPECT_EQ(host.presents, presents + 1);
    // Nothing asked: nothing painted or presented.
    loop.ProcessPending();
    EXPECT_EQ(view->draws, before + 1);
    EXPECT_EQ(host.presents, presents + 1);
}

TEST_F(Painting, PostedRefreshesCoalesceToo) {
    loop.SetMessageHandler([this](const PostedMessage&) { view->Invalidate(false); });
    const int before = view->draws;
    for (int i = 0; i < 50; ++i) loop.PostMessage(32868);
    EXPECT_EQ(loop.ProcessPending(), 50);
    EXPECT_EQ(view->draws, before + 1);
}

TEST_F(Painting, RequestDuringOnDrawIsNotLost) {
    view->bReinvalidate = true;
    view->Invalidate();
    loop.ProcessPending();
    view->bReinvalidate = false;
    EXPECT_TRUE(view->NeedsPaint());
    const int before = view->draws;
    loop.ProcessPending();
    EXPECT_EQ(view->draws, before + 1);
}

TEST_F(Painting, HiddenViewPaintsWhenShownAndKeepsPixelsWithoutErase) {
    auto* other = frame.AddView(std::make_unique<CCountingView>());
    frame.SetActiveView(other);
    loop.ProcessPending();
    view->Invalidate(false);
    const int before = view->draws;
    loop.ProcessPending();
    EXPECT_EQ(view->draws, before);  // hidden: not painted
    frame.SetActiveView(view);
    loop.ProcessPending();
    EXPECT_EQ(view->draws, before + 1);
    // Without erase the last paint's pixels stay under a paint that skips them.
    view->bMark = false;
    view->Invalidate(false);
    loop.ProcessPending();
    EXPECT_EQ(loop.Screen().GetPixel(15, 15), RGB(255, 0, 0));
    // With erase they are gone.
    view->Invalidate(true);
    loop.ProcessPending();
    EXPECT_EQ(loop.Screen().GetPixel(15, 15), RGB(255, 255, 255));
}

TEST_F(Painting, TheLastPaintsTextsAreRecorded) {
    view->Invalidate();
    loop.ProcessPending();
    const auto texts = view->GetPaintTexts().Records();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, "hello");
    EXPECT_EQ(texts[0].textColor, RGB(0, 255, 0));
    EXPECT_EQ(view->GetSurface().Width(), CFrameWnd::kViewRect.Width());
    EXPECT_EQ(view->GetSurface().Height(), CFrameWnd::kViewRect.Height());
}

TEST_F(Painting, TimersFireOnTheHostClock) {
    int fired = 0;
    loop.SetTimer(1, 100, [&] { ++fired; });
    loop.ProcessPending();
    EXPECT_EQ(fired, 0);
    host.now += 100;
    loop.ProcessPending();
    EXPECT_EQ(fired, 1);
    // A long stall fires once, not once per missed period.
    host.now += 1000;
    loop.ProcessPending();
    EXPECT_EQ(fired, 2);
    loop.KillTimer(1);
    host.now += 1000;
    loop.ProcessPending();
    EXPECT_EQ(fired, 2);
}
