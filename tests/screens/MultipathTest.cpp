#include "screens/Multipath.h"

#include <initializer_list>
#include <utility>

#include "ScreenTestUtil.h"
#include "board/Wire.h"
#include "res/BitmapResources.h"
#include "res/MultipathBitmaps.h"
#include "res/Resource.h"
#include "screens/StationSummary.h"
#include "tests/support/PacketBuilders.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kTraceGreen = RGB(0, 128, 0);
constexpr COLORREF kTraceRed = RGB(192, 0, 0);
constexpr COLORREF kPurple = RGB(128, 0, 128);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// The column where the newest two samples meet: the polyline's last point
// (x 227) is not drawn, so a level is probed one column left of it after
// two equal samples.
constexpr int kNewestDrawnX = 226;

class MultipathTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        view = Open<CMultipath>();
    }
    void Select(const char* mac, const char* ssid) {
        store->ClearSelectedStation();
        std::snprintf(store->m_szSelectedMac, sizeof store->m_szSelectedMac, "%s", mac);
        std::snprintf(store->m_szSelectedSsid, sizeof store->m_szSelectedSsid, "%s", ssid);
    }
    // Tap powers as the decoder leaves them: the sum, and the peak the
    // screen is told about.
    void SetPowers(std::initializer_list<std::pair<int, uint32_t>> taps, int peak) {
        store->m_aCfrPower.fill(0);
        store->m_nCfrPowerSum = 0;
        for (const auto& [tap, power] : taps) {
            store->m_aCfrPower[static_cast<size_t>(tap)] = power;
            store->m_nCfrPowerSum += power;
        }
        store->m_nCfrPeakBin = static_cast<uint16_t>(peak);
    }
    // One frame from the station reported before the paint.
    const CCanvas& Sample(int rssi, int noise) {
        store->m_nSelectedRssi = static_cast<int8_t>(rssi);
        store->m_anChannelValue[store->m_nChannel] = static_cast<int16_t>(noise);
        store->m_bSelectedUpdated = 1;
        return Paint(view);
    }
    CMultipath* view = nullptr;
};

TEST_F(MultipathTest, BeforeAnySampleBothTracesLieFlatAtTheFloor) {
    const CCanvas& s = Paint(view);
    // The noise trace is drawn last, over the signal trace.
    for (int x : {130, 160, 200, kNewestDrawnX}) EXPECT_EQ(s.GetPixel(x, 89), kTraceRed) << x;
    EXPECT_NE(s.GetPixel(160, 88), kTraceRed);
    EXPECT_NE(s.GetPixel(129, 89), kTraceRed);
}

TEST_F(MultipathTest, EmptyStoreShowsAnEmptyProfileAndNoEnergyBar) {
    const CCanvas& s = Paint(view);
    for (int y = 105; y < 209; ++y)
        for (int x = 120; x < 229; ++x) ASSERT_NE(s.GetPixel(x, y), kWhite) << x << "," << y;
    for (int y = 138; y < 224; ++y) ASSERT_EQ(s.GetPixel(58, y), kPurple) << y;
    EXPECT_TRUE(HasText(view, "0.0"));
}

TEST_F(MultipathTest, LevelsAreClampedToTheChart) {
    struct Case {
        int rssi;
        int noise;
        int rssiY;
        int noiseY;
    } cases[] = {
        {-20, -95, 19, 84},   // above the chart: drawn at -30 dBm
        {-30, -100, 19, 89},  // the chart's edges
        {-110, -45, 89, 34},  // below the chart: drawn at -100 dBm
        {-65, 0, 54, 19},     // no noise level reported for the channel: 0 dBm
        {-99, -31, 88, 20},
    };
    for (const Case& c : cases) {
        Sample(c.rssi, c.noise);
        const CCanvas& s = Sample(c.rssi, c.noise);
        EXPECT_EQ(s.GetPixel(kNewestDrawnX, c.noiseY), kTraceRed) << c.rssi;
        if (c.rssiY != c.noiseY) {
            EXPECT_EQ(s.GetPixel(kNewestDrawnX, c.rssiY), kTraceGreen) << c.rssi;
        }
    }
}

TEST_F(MultipathTest, OneSamplePerPaintAndOnlyAfterANewFrame) {
    store->m_nSelectedRssi = -50;
    Paint(view);
    const CCanvas& s = Paint(view);
    EXPECT_NE(s.GetPixel(kNewestDrawnX, 39), kTraceGreen);  // no flag: no sample

    Sample(-50, -90);
    EXPECT_EQ(store->m_bSelectedUpdated, 0);
    Paint(view);  // the same frame again adds nothing
    const CCanvas& t = Sample(-60, -90);
    // Newest at 227 (-60), the one sample before it at 226 (-50), older at
    // the floor.
    EXPECT_EQ(t.GetPixel(kNewestDrawnX, 39), kTraceGreen);
    EXPECT_EQ(t.GetPixel(kNewestDrawnX - 1, 89), kTraceRed);
}

TEST_F(MultipathTest, RingKeepsTheNewest98Samples) {
    Sample(-40, -90);
    Sample(-50, -90);
    for (int i = 3; i <= 98; ++i) Sample(-80, -90);
    // 98 samples: the first is the oldest drawn, at x 130.
    const CCanvas& s = Paint(view);
    EXPECT_EQ(s.GetPixel(130, 29), kTraceGreen);
    EXPECT_NE(s.GetPixel(130, 89), kTraceRed);

    // The 99th fills the ring; the first is kept but no longer drawn.
    Sample(-80, -90);
    EXPECT_NE(Paint(view).GetPixel(130, 29), kTraceGreen);
    EXPECT_EQ(Paint(view).GetPixel(130, 39), kTraceGreen);

    // The 100th wraps and overwrites the first slot; the trace moves on.
    const CCanvas& t = Sample(-70, -90);
    EXPECT_NE(t.GetPixel(130, 39), kTraceGreen);
    EXPECT_EQ(t.GetPixel(130, 69), kTraceGreen);
    EXPECT_EQ(t.GetPixel(kNewestDrawnX, 69), kTraceGreen);  // the segment up to -70
}

TEST_F(MultipathTest, ProfileStartsEightTapsBeforeThePeakAndWraps) {
    // Peak at tap 3: the profile runs 39..43, 0..38. Shares of 1/140:
    // tap 3 = 49, tap 39 = 35, tap 0 = 21, tap 10 = 35.
    SetPowers({{3, 350}, {39, 250}, {0, 150}, {10, 250}}, 3);
    const CCanvas& s = Paint(view);
    struct Point {
        int j;
        int y;
    } points[] = {{0, 139}, {4, 209}, {5, 167}, {8, 111}, {15, 139}, {20, 209}};
    for (const Point& p : points)
        EXPECT_EQ(s.GetPixel(CMultipath::ProfileX(p.j), p.y), kWhite) << p.j;
    EXPECT_EQ(CMultipath::ProfileX(8), 140);
    EXPECT_EQ(CMultipath::ProfileX(43), 227);
}

TEST_F(MultipathTest, EnergyBarTakesTheQualityColourAtItsTop) {
    struct Case {
        uint32_t peak;
        uint32_t filler;  // in each of the other 16 taps of the window
        int q;
        int top;
        COLORREF color;
    } cases[] = {
        {1000, 0, 192, 138, kGreen},  // all energy in one tap: clamped at 138
        {9, 2, 42, 182, kGreen},     {22, 5, 41, 183, kYellow}, {4, 3, 14, 210, kYellow},
        {5, 4, 13, 211, kRed},       {0, 4, 0, 224, kPurple},  // no bar at all
    };
    for (const Case& c : cases) {
        // Peak at tap 2: the window wraps to taps 38..43 and 0..10. A strong
        // tap outside it changes nothing.
        store->m_aCfrPower.fill(0);
        for (int k = -8; k <= 8; ++k)
            store->m_aCfrPower[static_cast<size_t>((2 + k + 44) % 44)] = c.filler;
        store->m_aCfrPower[2] = c.peak;
        store->m_aCfrPower[25] = 100000;
        store->m_nCfrPeakBin = 2;
        store->m_nCfrPowerSum = 100000 + c.peak + 16 * c.filler;
        EXPECT_EQ(EnergyConcentration(*store), c.q) << c.q;
        const CCanvas& s = Paint(view);
        if (c.top < 224) {
            EXPECT_EQ(s.GetPixel(58, c.top), c.color) << c.q;
        }
        EXPECT_EQ(s.GetPixel(58, 223), c.color) << c.q;
        if (c.top > 138) {
            EXPECT_EQ(s.GetPixel(58, c.top - 1), kPurple) << c.q;
        }
    }
}

TEST_F(MultipathTest, StationTextCountsAndRateTable) {
    Select("00-11-22-33-44-55", "survey");
    store->m_nFramesCaptured = 3000000000u;
    store->m_nSelectedFrames = 7;
    store->m_aRateStats[0].dSharePercent = 100.0;
    store->m_aRateStats[1].dFlagZeroPercent = 33.333;
    store->m_aRateStats[3].dSharePercent = 12.35;
    Paint(view);
    struct Expect {
        const char* text;
        CRect rect;
        COLORREF color;
    } expected[] = {
        {"00-11-22-33-44-55", {0, 14, 95, 22}, RGB(0, 0, 128)},
        {"survey", {2, 26, 80, 36}, RGB(0, 0, 128)},
        {"3000000000", {40, 56, 80, 64}, RGB(0, 0, 128)},
        {"7", {40, 65, 80, 73}, RGB(0, 0, 128)},
        {"100.0", RateShareCell(0), kRed},
        {"33.3", RateFlagZeroCell(1), kRed},
        {"12.3", RateShareCell(3), kRed},
    };
    for (const Expect& e : expected) {
        CTextRecord r;
        ASSERT_TRUE(HasText(view, e.text, &r)) << e.text;
        EXPECT_EQ(r.rect, e.rect) << e.text;
        EXPECT_EQ(r.textColor, e.color) << e.text;
        EXPECT_EQ(r.bkColor, kWhite) << e.text;
    }
    CTextRecord share;
    ASSERT_TRUE(HasText(view, "100.0", &share));
    EXPECT_EQ(share.format & DT_RIGHT, DT_RIGHT);
    // A full share still shows its leading digit, even where it is wider than
    // its cell.
    bool leadingDigit = false;
    for (int x = share.box.left; x < share.box.left + 4; ++x)
        for (int y = 93; y < 101; ++y) leadingDigit |= view->GetSurface().GetPixel(x, y) != kWhite;
    EXPECT_TRUE(leadingDigit);
}

TEST_F(MultipathTest, MacTextWithoutTerminatorStaysInItsField) {
    std::memset(store->m_szSelectedMac, 'A', sizeof store->m_szSelectedMac);
    Paint(view);
    EXPECT_TRUE(HasText(view, std::string(sizeof store->m_szSelectedMac, 'A')));
}

TEST_F(MultipathTest, EveryTouchGoesToTheGridWithTheScreensOwnCell) {
    view->OnLButtonDown(30, 255);
    view->OnLButtonDown(100, 100);
    const std::vector<CRecordingFrame::GridTouch> expected{{30, 255, 0}, {100, 100, 0}};
    EXPECT_EQ(frame.m_gridTouches, expected);
    EXPECT_EQ(*pings, 0);
}

TEST_F(MultipathTest, FramesFromTheSelectedStationReachTheScreen) {
    using namespace testpkt;
    store->m_dFirmwareVersion = 1.2;  // estimates arrive in tap order
    store->m_anChannelValue[1] = -95;
    const Mac mac = MacOf(7);
    Select(MacText(mac).c_str(), "lab");
    Capture beacon = Beacon(mac, "lab", 1, -45);
    beacon.iq[2 * 5] = 10;  // all power in tap 5
    Dispatch(*store, PacketType::kCapturedBeacon, CaptureData(beacon));
    Paint(view);
    Dispatch(*store, PacketType::kCapturedBeacon, CaptureData(beacon));
    const CCanvas& s = Paint(view);

    EXPECT_EQ(s.GetPixel(kNewestDrawnX, 34), kTraceGreen);  // -45 dBm
    EXPECT_EQ(s.GetPixel(kNewestDrawnX, 84), kTraceRed);    // the channel's -95 dBm
    EXPECT_EQ(s.GetPixel(58, 138), kGreen);                 // one tap: full bar
    EXPECT_TRUE(HasText(view, "2"));
    CTextRecord r;
    ASSERT_TRUE(HasText(view, "100.0", &r));  // every frame at 11 Mbit/s
    EXPECT_EQ(r.rect, RateShareCell(3));
}

// The backgrounds: the quality column the bar samples, and scales whose
// ticks sit where the screens put the values they name.
TEST(MeasurementBackgrounds, QualityColumnAndSizes) {
    for (int id : {IDB_MULTIPATH, IDB_DELAY_SPREAD}) {
        const CBitmap* bitmap = LoadBitmapResource(id);
        ASSERT_NE(bitmap, nullptr) << id;
        EXPECT_EQ(bitmap->Width(), 240);
        EXPECT_EQ(bitmap->Height(), 254);
        struct Row {
            int y;
            COLORREF color;
        } rows[] = {{138, kGreen},  {182, kGreen}, {183, kYellow},
                    {210, kYellow}, {211, kRed},   {224, kRed}};
        for (const Row& row : rows) {
            EXPECT_EQ(bitmap->GetPixel(40, row.y - 14), row.color) << id << " y " << row.y;
            EXPECT_EQ(SignalQualityColor(row.y), row.color);
        }
        for (int y : {137, 225}) EXPECT_NE(bitmap->GetPixel(40, y - 14), kRed) << y;
        EXPECT_EQ(bitmap->GetPixel(58, 200 - 14), kPurple);
    }
}

TEST(MeasurementBackgrounds, ProfileShareTicksSitWhereTheProfilePutsTheShare) {
    const CBitmap* bitmap = LoadBitmapResource(IDB_MULTIPATH);
    ASSERT_NE(bitmap, nullptr);
    const COLORREF axis = bitmap->GetPixel(229, 150 - 14);
    for (int percent = 5; percent <= 50; percent += 5) {
        // A tap holding `percent` of a total of 100.
        const int y = CMultipath::kProfileBaseline - 2 * ((140 * percent) / 100);
        EXPECT_EQ(bitmap->GetPixel(228, y - 14), axis) << percent;
        EXPECT_NE(bitmap->GetPixel(228, y - 1 - 14), axis) << percent;
    }
    // History scale: -30 and -100 dBm lie on the chart's outer grid lines.
    EXPECT_NE(bitmap->GetPixel(129, CMultipath::TraceY(-30) - 14), kWhite);
    EXPECT_NE(bitmap->GetPixel(129, CMultipath::TraceY(-100) - 14), kWhite);
    EXPECT_EQ(bitmap->GetPixel(129, CMultipath::TraceY(-35) - 14), kWhite);
}

}  // namespace
