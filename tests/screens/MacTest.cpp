#include "screens/Mac.h"

#include "ScreenTestUtil.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"
#include "screens/GeigerView.h"

namespace {

class MacTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        store->m_nMode = BoardMode::kAllChannels;
        store->m_nChannel = 1;
        view = Open<CMac>();
    }
    std::string Footer(const CRect& rect) {
        for (const CTextRecord& r : view->GetPaintTexts().Records())
            if (r.rect == rect) return r.text;
        return {};
    }
    CMac* view = nullptr;
};

TEST_F(MacTest, RssiColourScale) {
    EXPECT_EQ(CMac::RssiColor(-95), RGB(255, 63, 0));
    EXPECT_EQ(CMac::RssiColor(-100), RGB(255, 0, 0));
    EXPECT_EQ(CMac::RssiColor(-128), RGB(255, 0, 0));
    EXPECT_EQ(CMac::RssiColor(-80), RGB(255, 255, 0));
    EXPECT_EQ(CMac::RssiColor(-60), RGB(0, 255, 0));
    EXPECT_EQ(CMac::RssiColor(-41), RGB(0, 255, 242));
    EXPECT_EQ(CMac::RssiColor(-20), RGB(255, 255, 255));
    EXPECT_EQ(CMac::RssiColor(5), RGB(255, 255, 255));
}

TEST_F(MacTest, EntriesAreDrawnInTheirRssiColour) {
    AddStation("AA-00-00-00-00-01", -100, 1);
    AddStation("AA-00-00-00-00-02", -95, 1);
    AddStation("AA-00-00-00-00-03", -20, 1);
    const CCanvas& s = Paint(view);
    const COLORREF expected[] = {RGB(255, 0, 0), RGB(255, 63, 0), RGB(255, 255, 255)};
    for (int k = 1; k <= 3; ++k) {
        CTextRecord r;
        char mac[32];
        std::snprintf(mac, sizeof mac, "AA-00-00-00-00-%02d", k);
        ASSERT_TRUE(HasText(view, mac, &r));
        EXPECT_EQ(r.textColor, expected[k - 1]);
        EXPECT_EQ(r.rect, CRect(45, 20 * k + 20, 200, 20 * k + 27));
        // Some pixel of the row's MAC text is in the colour.
        bool found = false;
        for (int y = 20 * k + 20; y < 20 * k + 27 && !found; ++y)
            for (int x = 45; x < 200 && !found; ++x) found = s.GetPixel(x, y) == expected[k - 1];
        EXPECT_TRUE(found) << k;
    }
    EXPECT_TRUE(HasText(view, "AP"));
}

TEST_F(MacTest, FootersCountPagesAndItems) {
    struct Case {
        int stations;
        const char* page;
        const char* items;
    } cases[] = {{0, "<< PAGE 1 OF 1 >>", " << 0 Items >>"},
                 {1, "<< PAGE 1 OF 1 >>", " << 1 Item >>"},
                 {8, "<< PAGE 1 OF 2 >>", " << 8 Items >>"},
                 {17, "<< PAGE 1 OF 3 >>", " << 17 Items >>"}};
    for (const Case& c : cases) {
        store->m_Stations.Clear();
        AddStations(c.stations);
        Paint(view);
        EXPECT_EQ(Footer(CMac::kPageFooter), c.page);
        EXPECT_EQ(Footer(CMac::kItemFooter), c.items);
    }
}

TEST_F(MacTest, PagingStopsAtTheFirstAndLastPage) {
    Paint(view);  // no stations: a short page
    view->OnCommand(ID_DOWN);
    EXPECT_EQ(view->GetPage(), 1);

    AddStations(8);
    Paint(view);
    EXPECT_FALSE(view->IsAtLastPage());
    view->OnCommand(ID_DOWN);
    Paint(view);
    EXPECT_EQ(view->GetPage(), 2);
    EXPECT_EQ(view->GetRowsDrawn(), 0);
    view->OnCommand(ID_DOWN);
    EXPECT_EQ(view->GetPage(), 2);

    AddStations(9, 6, 8);  // 17 in all
    view->OnCommand(ID_UP);
    view->OnCommand(ID_UP);
    EXPECT_EQ(view->GetPage(), 1);
    Paint(view);
    view->OnCommand(ID_DOWN);
    Paint(view);
    view->OnCommand(ID_DOWN);
    Paint(view);
    EXPECT_EQ(view->GetPage(), 3);
    EXPECT_EQ(view->GetRowsDrawn(), 1);
    CTextRecord r;
    ASSERT_TRUE(HasText(view, "17", &r));
    EXPECT_EQ(r.rect, CRect(5, 40, 25, 47));
    EXPECT_EQ(Footer(CMac::kPageFooter), "<< PAGE 3 OF 3 >>");
}

TEST_F(MacTest, NonAccessPointsAreHiddenButCounted) {
    AddStation("AA-00-00-00-00-01", -70, 1);
    AddStation("BB-00-00-00-00-02", -60, 1, kStationOther);
    AddStation("AA-00-00-00-00-03", -50, 1);
    Paint(view);
    EXPECT_EQ(view->GetRowsDrawn(), 2);
    EXPECT_FALSE(HasText(view, "BB-00-00-00-00-02"));
    CTextRecord r;
    ASSERT_TRUE(HasText(view, "AA-00-00-00-00-03", &r));
    EXPECT_EQ(r.rect.top, 60);  // numbered 2, in row 2
    EXPECT_EQ(Footer(CMac::kItemFooter), " << 3 Items >>");

    store->m_bShowNonApMacs = 1;
    Paint(view);
    EXPECT_EQ(view->GetRowsDrawn(), 3);
    EXPECT_TRUE(HasText(view, "BB-00-00-00-00-02"));
}

TEST_F(MacTest, SignalToNoiseAndFlags) {
    StationEntry* a = AddStation("AA-00-00-00-00-01", -50, 3);
    a->bPrivacy = 1;
    a->bUnauthorized = 1;
    AddStation("AA-00-00-00-00-02", -40, 4);
    store->m_anChannelValue[3] = -90;
    Paint(view);
    CTextRecord r;
    ASSERT_TRUE(HasText(view, "40", &r));
    EXPECT_EQ(r.rect, CRect(212, 50, 235, 57));
    ASSERT_TRUE(HasText(view, "N/A", &r));
    EXPECT_EQ(r.rect, CRect(212, 70, 235, 77));
    EXPECT_TRUE(HasText(view, "WEP"));
    EXPECT_TRUE(HasText(view, "un"));
}

TEST_F(MacTest, OneChannelModeListsThatChannelOnly) {
    AddStation("AA-00-00-00-00-01", -70, 6);
    AddStation("AA-00-00-00-00-02", -60, 11);
    AddStation("AA-00-00-00-00-03", -50, 6);
    store->m_nMode = BoardMode::kOneChannel;
    store->m_nChannel = 6;
    Paint(view);
    EXPECT_EQ(view->GetRowsDrawn(), 2);
    EXPECT_FALSE(HasText(view, "AA-00-00-00-00-02"));
    EXPECT_EQ(Footer(CMac::kItemFooter), " << 2 Items >>");
}

TEST_F(MacTest, CurrentChannelCellIsInverted) {
    store->m_nChannel = 3;
    const CCanvas& s = Paint(view);
    const CBitmap* background = LoadBitmapResource(IDB_MAC_LIST);
    ASSERT_NE(background, nullptr);
    const COLORREF cellCorner = background->GetPixel(17 * 3 - 14, 200 - 20);
    const COLORREF gap = background->GetPixel(17 * 3 - 16, 205 - 20);
    EXPECT_EQ(s.GetPixel(17 * 3 - 14, 200), cellCorner ^ 0xFFFFFFu);
    EXPECT_EQ(s.GetPixel(17 * 3 - 16, 205), gap ^ 0xFFFFFFu);
    EXPECT_EQ(s.GetPixel(17 * 4 - 14, 200), cellCorner);  // channel 4 untouched
}

TEST_F(MacTest, ChannelStripSelectsAChannelAndGapsSendNothing) {
    AddStations(3);
    view->OnLButtonDown(17 * 5 - 8, 205);
    EXPECT_EQ(store->m_nPendingChannel, 5);
    EXPECT_EQ(store->m_bChannelPending, 1);
    EXPECT_EQ(store->Modes(), std::vector<int>{1});
    EXPECT_EQ(store->m_Stations.Count(), 0);
    EXPECT_EQ(*pings, 1);

    AddStations(3, 6, 3);
    store->m_bChannelPending = 0;
    for (int x : {0, 1, 16, 17, 18, 17 * 14 - 1, 237, 239}) view->OnLButtonDown(x, 210);
    EXPECT_EQ(store->m_bChannelPending, 0);
    EXPECT_EQ(store->m_sent.size(), 1u);
    EXPECT_EQ(store->m_Stations.Count(), 3);
    EXPECT_EQ(*pings, 1);

    view->OnLButtonDown(17 * 14 - 2, 199);  // last column of channel 14
    EXPECT_EQ(store->m_nPendingChannel, 14);
}

TEST_F(MacTest, SurveyBarReturnsToAllChannels) {
    AddStations(2);
    view->OnLButtonDown(120, 219);
    EXPECT_EQ(store->Modes(), std::vector<int>{4});
    EXPECT_EQ(store->m_Stations.Count(), 0);
    view->OnLButtonDown(120, 235);  // below the bar
    EXPECT_EQ(store->m_sent.size(), 1u);
}

TEST_F(MacTest, TouchingAnEntrySelectsItAndOpensGeiger) {
    AddStation("AA-00-00-00-00-01", -70, 9, kStationAccessPoint, "office");
    AddStation("AA-00-00-00-00-02", -60, 4, kStationAccessPoint, "lab");
    Paint(view);
    store->m_nSelectedRssi = -33;
    view->OnLButtonDown(100, 20 * 2 + 19);  // row 2
    EXPECT_STREQ(store->m_szSelectedMac, "AA-00-00-00-00-02");
    EXPECT_STREQ(store->m_szSelectedSsid, "lab");
    EXPECT_EQ(store->m_nSelectedChannel, 4);
    EXPECT_EQ(store->m_nSelectedRssi, -100);  // the old selection was cleared
    EXPECT_EQ(store->m_nPendingChannel, 4);
    EXPECT_EQ(store->m_bChannelPending, 1);
    EXPECT_EQ(store->Modes(), std::vector<int>{1});
    ASSERT_EQ(frame.m_switched.size(), 1u);
    EXPECT_EQ(frame.m_switched[0], ORV_RUNTIME_CLASS(CGeigerView));
    EXPECT_EQ(*pings, 1);
}

TEST_F(MacTest, TouchesOnEmptyRowsAndRowGapsOnlyClick) {
    AddStation("AA-00-00-00-00-01", -70, 9);
    Paint(view);
    view->OnLButtonDown(100, 20 * 3 + 19);  // row 3: empty
    view->OnLButtonDown(100, 20 * 1 + 37);  // between rows 1 and 2
    view->OnLButtonDown(100, 198);          // below the list
    EXPECT_TRUE(store->m_sent.empty());
    EXPECT_TRUE(frame.m_switched.empty());
    EXPECT_EQ(*pings, 2);
    // Rows are those of the last paint: a station added since is not there.
    AddStation("AA-00-00-00-00-02", -60, 4);
    view->OnLButtonDown(100, 20 * 2 + 19);
    EXPECT_TRUE(frame.m_switched.empty());
}

}  // namespace
