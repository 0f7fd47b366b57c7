#include "screens/Usage.h"

#include "ScreenTestUtil.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

class UsageTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        view = Open<CUsage>();
    }
    CUsage* view = nullptr;
};

TEST_F(UsageTest, FrameShareBarsTakeHeightAndColourFromThePercentage) {
    store->m_nFramesAllChannels = 100;
    store->m_anFramesPerChannel[1] = 30;
    store->m_anFramesPerChannel[2] = 76;
    store->m_anFramesPerChannel[3] = 51;
    store->m_anFramesPerChannel[4] = 25;
    store->m_anFramesPerChannel[5] = 250;  // more than all: capped at 100 %
    const CCanvas& s = Paint(view);
    struct Case {
        int channel;
        int top;
        COLORREF color;
        const char* label;
    } cases[] = {{1, 122, RGB(255, 0, 0), "30"},
                 {2, 95, RGB(0, 255, 0), "76"},
                 {3, 110, RGB(0, 0, 255), "51"},
                 {4, 125, RGB(0, 0, 0), "25"},
                 {5, 80, RGB(0, 255, 0), "100"}};
    for (const Case& c : cases) {
        const int x = CUsage::ColumnX(c.channel);
        EXPECT_EQ(s.GetPixel(x + 7, c.top), c.color) << c.channel;
        EXPECT_EQ(s.GetPixel(x + 7, 139), c.color) << c.channel;
        EXPECT_NE(s.GetPixel(x + 7, c.top - 1), c.color) << c.channel;
        CTextRecord r;
        ASSERT_TRUE(HasText(view, c.label, &r)) << c.label;
        EXPECT_EQ(r.rect, CRect(x + 1, c.top - 14, x + 14, c.top - 4));
    }
    // A channel with no frames: a bar of no height.
    EXPECT_EQ(s.GetPixel(CUsage::ColumnX(9) + 7, 130), kWhite);
}

TEST_F(UsageTest, NoFramesAtAllDrawsNoBars) {
    store->m_anFramesPerChannel[1] = 30;
    const CCanvas& s = Paint(view);
    EXPECT_EQ(s.GetPixel(CUsage::ColumnX(1) + 7, 130), kWhite);
    // Nor percentage labels: the only texts between the charts' rows are the axis labels.
    for (const CTextRecord& r : view->GetPaintTexts().Records())
        EXPECT_FALSE(r.rect.left > 25 && r.rect.top > 80 && r.rect.bottom < 140) << r.text;
}

TEST_F(UsageTest, PercentagesOfBusyChannelsDoNotOverflow) {
    EXPECT_EQ(CUsage::FramePercent(50000000u, 100000000u), 50);
    EXPECT_EQ(CUsage::FramePercent(4000000000u, 4000000000u), 100);
    EXPECT_EQ(CUsage::FramePercent(7u, 0u), 0);
}

TEST_F(UsageTest, CountersAndTheCurrentChannel) {
    store->m_nFramesTotal = 3000000000u;
    store->m_nBeacons = 42;
    store->m_nChannel = 6;
    Paint(view);
    CTextRecord r;
    ASSERT_TRUE(HasText(view, "3000000000", &r));
    EXPECT_EQ(r.rect, CRect(60, 22, 90, 32));
    ASSERT_TRUE(HasText(view, "42", &r));
    EXPECT_EQ(r.rect, CRect(60, 32, 90, 42));
    ASSERT_TRUE(HasText(view, "06", &r));
    EXPECT_EQ(r.textColor, kWhite);
    EXPECT_EQ(r.bkColor, RGB(192, 0, 0));
    ASSERT_TRUE(HasText(view, "05", &r));
    EXPECT_EQ(r.textColor, RGB(192, 0, 0));
}

TEST_F(UsageTest, LevelBarsShareTheColumnInTableOrder) {
    // Entered at one level so the table keeps them in this order, then set.
    StationEntry* a = AddStation("AA-00-00-00-00-01", -50, 11);
    StationEntry* b = AddStation("AA-00-00-00-00-02", -50, 11);
    StationEntry* c = AddStation("AA-00-00-00-00-03", -50, 11);
    a->nRssi = -40;
    b->nRssi = -60;
    c->nRssi = -80;
    AddStation("AA-00-00-00-00-04", -20, 2);  // above the chart frame
    const CCanvas& s = Paint(view);
    struct Bar {
        int left;
        int top;
        COLORREF color;
    } bars[] = {{175, 170, RGB(255, 0, 0)}, {180, 190, RGB(0, 255, 0)}, {185, 210, RGB(0, 0, 255)}};
    for (const Bar& bar : bars) {
        EXPECT_EQ(s.GetPixel(bar.left + 1, bar.top), bar.color) << bar.left;
        EXPECT_EQ(s.GetPixel(bar.left + 4, 219), bar.color) << bar.left;
        EXPECT_NE(s.GetPixel(bar.left + 1, bar.top - 1), bar.color) << bar.left;
    }
    EXPECT_NE(s.GetPixel(191, 215), RGB(0, 0, 255));
    // One station takes the whole column and reaches y 150.
    EXPECT_EQ(s.GetPixel(CUsage::ColumnX(2) + 7, 150), RGB(255, 0, 0));
}

TEST_F(UsageTest, CrowdedChannelsKeepFifteenBarsAtMost) {
    for (int i = 0; i < 15; ++i) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "AA-00-00-00-01-%02d", i);
        AddStation(mac, -50, 3);
    }
    AddStations(40, 7);
    const CCanvas& s = Paint(view);
    const int x3 = CUsage::ColumnX(3);
    for (int l = 0; l < 15; ++l) {
        const COLORREF colors[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 0, 0)};
        EXPECT_EQ(s.GetPixel(x3 + l, 200), colors[l % 4]) << l;
    }
    // Sixteen or more: no bars.
    const int x7 = CUsage::ColumnX(7);
    for (int dx = 1; dx < 14; ++dx) EXPECT_EQ(s.GetPixel(x7 + dx, 200), kWhite) << dx;
}

}  // namespace
