#include "screens/DelaySpread.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "ScreenTestUtil.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"
#include "screens/Multipath.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kTraceRed = RGB(192, 0, 0);
constexpr COLORREF kBarBlue = RGB(0, 0, 192);
constexpr COLORREF kRed = RGB(255, 0, 0);

using Powers = std::array<uint32_t, 44>;

Powers PowersOf(std::initializer_list<std::pair<int, uint32_t>> taps) {
    Powers p{};
    for (const auto& [tap, power] : taps) p[static_cast<size_t>(tap)] = power;
    return p;
}

class DelaySpreadTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        g_nDelaySpreadPosition = 0;
        view = Open<CDelaySpread>();
    }
    void TearDown() override {
        g_nDelaySpreadPosition = 0;
        ScreenTest::TearDown();
    }
    void SetPowers(std::initializer_list<std::pair<int, uint32_t>> taps) {
        store->m_aCfrPower = PowersOf(taps);
        store->m_nCfrPowerSum = 0;
        for (uint32_t p : store->m_aCfrPower) store->m_nCfrPowerSum += p;
        store->m_nCfrPeakBin = static_cast<uint16_t>(
            std::max_element(store->m_aCfrPower.begin(), store->m_aCfrPower.end()) -
            store->m_aCfrPower.begin());
    }
    CDelaySpread* view = nullptr;
};

TEST(DelaySpreadMoments, IntegerMomentsOfTheTapPowers) {
    Powers uniform;
    uniform.fill(1000);
    struct Case {
        const char* name;
        Powers power;
        int spread;
    } cases[] = {
        {"no power", Powers{}, -1},
        {"all in tap 0", PowersOf({{0, 500}}), 0},
        {"all in tap 43", PowersOf({{43, 7}}), 0},
        {"taps 0 and 2 equal", PowersOf({{0, 100}, {2, 100}}), 1},  // mean 1, second 2
        {"taps 0 and 43 equal", PowersOf({{0, 32768}, {43, 32768}}), 21},
        {"uniform", uniform, 13},  // mean 21, second 623
        // Truncated moments: mean 1 (1.33), second 2 (2.67), variance 1.
        {"1:2 at taps 0 and 2", PowersOf({{0, 1}, {2, 2}}), 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDelaySpread::RmsDelaySpread(c.power), c.spread) << c.name;

    // Largest genuine powers on every tap stay within 32 bits.
    Powers strongest;
    strongest.fill(32768);
    EXPECT_EQ(CDelaySpread::RmsDelaySpread(strongest), 13);
    // Powers no estimate can give wrap the sums; the spread stays a
    // non-negative taps value.
    Powers wrapped;
    wrapped.fill(0xFFFFFFF0u);
    EXPECT_GE(CDelaySpread::RmsDelaySpread(wrapped), 0);
}

TEST(DelaySpreadHistogram, OneCountPerValueWithTheTopBinCatchingTheRest) {
    CDelaySpread::History history;
    history.fill(CDelaySpread::kEmpty);
    const int16_t values[] = {0, 0, 5, 43, 44, 300, 32767, -1, -5};
    std::copy(std::begin(values), std::end(values), history.begin());
    CDelaySpread::Histogram bins;
    bins.fill(99);
    CDelaySpread::BuildHistogram(history, bins);
    EXPECT_EQ(bins[0], 2);
    EXPECT_EQ(bins[5], 1);
    EXPECT_EQ(bins[43], 4);
    int total = 0;
    for (int16_t n : bins) total += n;
    EXPECT_EQ(total, 7);
}

TEST_F(DelaySpreadTest, EmptyHistoryAndNoFrameYet) {
    const CCanvas& s = Paint(view);
    // Histogram flat on its base, every history slot empty at y 90.
    for (int x : {110, 150, 226}) EXPECT_EQ(s.GetPixel(x, 194), kWhite) << x;
    for (int x : {111, 150, 176, 186}) EXPECT_EQ(s.GetPixel(x, 90), kTraceRed) << x;
    // Nothing was measured: nothing added, no current value, no energy bar.
    EXPECT_EQ(g_nDelaySpreadPosition, 0);
    for (int16_t h : view->GetHistory()) ASSERT_EQ(h, CDelaySpread::kEmpty);
    EXPECT_EQ(s.GetPixel(220, 88), kWhite);
    EXPECT_EQ(s.GetPixel(58, 200), RGB(128, 0, 128));
}

TEST_F(DelaySpreadTest, SpreadsLandOnTraceBarAndHistogram) {
    struct Case {
        std::initializer_list<std::pair<int, uint32_t>> taps;
        int spread;
    } cases[] = {
        {{{0, 900}}, 0},
        {{{0, 100}, {2, 100}}, 1},
        {{{0, 32768}, {43, 32768}}, 21},
    };
    for (const Case& c : cases) {
        g_nDelaySpreadPosition = 0;
        view = Open<CDelaySpread>();
        SetPowers(c.taps);
        Paint(view);
        Paint(view);
        const CCanvas& s = Paint(view);
        const int y = CDelaySpread::SpreadY(c.spread);
        EXPECT_EQ(y, 89 - (70 * c.spread) / 44);
        // Newest at x 186..176, the two before it at 175 and 174.
        for (int x : {186, 176, 175, 174}) EXPECT_EQ(s.GetPixel(x, y), kTraceRed) << c.spread;
        EXPECT_EQ(s.GetPixel(172, 90), kTraceRed) << c.spread;
        // Current value: blue from its row down to 88; none for a spread of 0.
        EXPECT_EQ(s.GetPixel(220, 88), c.spread == 0 ? kWhite : kBarBlue) << c.spread;
        if (c.spread > 0) {
            EXPECT_EQ(s.GetPixel(220, y), kBarBlue) << c.spread;
        }
        EXPECT_EQ(s.GetPixel(220, y - 1), kWhite) << c.spread;
        // Three values in the spread's bin.
        EXPECT_EQ(s.GetPixel(CDelaySpread::BinX(c.spread), CDelaySpread::CountY(3)), kWhite)
            << c.spread;
    }
}

TEST_F(DelaySpreadTest, HistoryRingWrapsAfter90Values) {
    SetPowers({{0, 900}});
    for (int i = 0; i < 89; ++i) Paint(view);
    SetPowers({{0, 100}, {2, 100}});
    Paint(view);  // the 90th value, spread 1, in the last slot
    EXPECT_EQ(g_nDelaySpreadPosition, 0);
    EXPECT_EQ(view->GetHistory()[89], 1);

    SetPowers({{0, 32768}, {43, 32768}});
    const CCanvas& s = Paint(view);  // the 91st overwrites slot 0
    EXPECT_EQ(g_nDelaySpreadPosition, 1);
    EXPECT_EQ(view->GetHistory()[0], 21);
    // Newest (21) wraps back to slot 89 (1), then to the zeros.
    EXPECT_EQ(s.GetPixel(180, CDelaySpread::SpreadY(21)), kTraceRed);
    EXPECT_EQ(s.GetPixel(175, CDelaySpread::SpreadY(1)), kTraceRed);
    EXPECT_EQ(s.GetPixel(150, 89), kTraceRed);
    // The histogram holds exactly 90 values: 88 zeros, one 1, one 21.
    EXPECT_EQ(s.GetPixel(CDelaySpread::BinX(0), CDelaySpread::CountY(88)), kWhite);
}

TEST_F(DelaySpreadTest, WritePositionBelongsToTheProgram) {
    SetPowers({{0, 100}, {2, 100}});
    for (int i = 0; i < 5; ++i) Paint(view);
    EXPECT_EQ(g_nDelaySpreadPosition, 5);
    auto* second = Open<CDelaySpread>();
    Paint(second);
    EXPECT_EQ(g_nDelaySpreadPosition, 6);
    EXPECT_EQ(second->GetHistory()[5], 1);
    EXPECT_EQ(second->GetHistory()[0], CDelaySpread::kEmpty);
}

TEST_F(DelaySpreadTest, ClearDataEmptiesTheHistoryInsideItsButtonOnly) {
    struct Case {
        int x;
        int y;
        bool clears;
    } cases[] = {
        {133, 213, true},  {197, 225, true},  {165, 219, true},  {132, 213, false},
        {198, 225, false}, {133, 212, false}, {197, 226, false},
    };
    SetPowers({{0, 100}, {2, 100}});
    int expectedPings = 0;
    for (const Case& c : cases) {
        for (int i = 0; i < 3; ++i) Paint(view);
        const int16_t position = g_nDelaySpreadPosition;
        view->OnLButtonDown(c.x, c.y);
        const auto& h = view->GetHistory();
        const bool empty =
            std::all_of(h.begin(), h.end(), [](int16_t v) { return v == CDelaySpread::kEmpty; });
        EXPECT_EQ(empty, c.clears) << c.x << "," << c.y;
        EXPECT_EQ(g_nDelaySpreadPosition, position);
        if (c.clears) ++expectedPings;
        EXPECT_EQ(*pings, expectedPings);
        // Every touch then goes to the grid with this screen's cell.
        ASSERT_FALSE(frame.m_gridTouches.empty());
        EXPECT_EQ(frame.m_gridTouches.back(), (CRecordingFrame::GridTouch{c.x, c.y, 1}));
    }
    // After a clear the next paint shows a single value beside empty slots.
    view->OnLButtonDown(133, 213);
    const CCanvas& s = Paint(view);
    EXPECT_EQ(s.GetPixel(180, CDelaySpread::SpreadY(1)), kTraceRed);
    EXPECT_EQ(s.GetPixel(170, 90), kTraceRed);
}

TEST_F(DelaySpreadTest, ConsumesTheSelectedFlagSoMultipathMissesTheSample) {
    auto* multipath = Open<CMultipath>();
    store->m_nSelectedRssi = -40;
    store->m_bSelectedUpdated = 1;
    Paint(view);
    EXPECT_EQ(store->m_bSelectedUpdated, 0);
    const CCanvas& m = Paint(multipath);
    EXPECT_NE(m.GetPixel(226, CMultipath::TraceY(-40)), RGB(0, 128, 0));

    // With the flag set again, the multipath screen takes the sample, and
    // the delay-spread screen adds its value on every paint regardless.
    SetPowers({{0, 100}, {2, 100}});
    store->m_bSelectedUpdated = 1;
    Paint(multipath);
    Paint(multipath);
    EXPECT_EQ(store->m_bSelectedUpdated, 0);
    Paint(view);
    EXPECT_EQ(view->GetHistory()[0], 1);
}

TEST_F(DelaySpreadTest, SharesTheStationSideWithTheMultipathScreen) {
    std::snprintf(store->m_szSelectedMac, sizeof store->m_szSelectedMac, "02-00-00-00-00-07");
    store->m_nSelectedFrames = 12;
    store->m_aRateStats[2].dSharePercent = 55.5;
    SetPowers({{4, 22}, {5, 5}, {6, 5}, {7, 5}, {8, 5}, {9, 5}});
    auto* multipath = Open<CMultipath>();
    const CBitmap delay = Paint(view).Bitmap();
    const CBitmap mpath = Paint(multipath).Bitmap();
    for (int y = 14; y < 230; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(delay.GetPixel(x, y), mpath.GetPixel(x, y)) << x << "," << y;
    CTextRecord a;
    CTextRecord b;
    ASSERT_TRUE(HasText(view, "55.5", &a));
    ASSERT_TRUE(HasText(multipath, "55.5", &b));
    EXPECT_EQ(a.rect, b.rect);
}

TEST(DelaySpreadBackground, ScalesSitWhereTheScreenPutsTheirValues) {
    const CBitmap* bitmap = LoadBitmapResource(IDB_DELAY_SPREAD);
    ASSERT_NE(bitmap, nullptr);
    // 44 taps span 1000 ns: 500 ns is 22 taps on both charts.
    const int y500 = CDelaySpread::SpreadY(22);
    EXPECT_EQ(bitmap->GetPixel(203, y500 - 14), kRed);
    EXPECT_NE(bitmap->GetPixel(203, y500 - 1 - 14), kRed);
    for (int ns = 100; ns <= 700; ns += 100)
        EXPECT_EQ(bitmap->GetPixel(203, 89 - (70 * ns) / 1000 - 14), kRed) << ns;
    const COLORREF axis = bitmap->GetPixel(150, 194 - 14);
    const int x500 = CDelaySpread::BinX(22);
    EXPECT_EQ(bitmap->GetPixel(x500, 196 - 14), axis);
    EXPECT_NE(bitmap->GetPixel(x500 + 1, 196 - 14), axis);
    // The histogram's base is the line a flat histogram is drawn on.
    EXPECT_EQ(CDelaySpread::CountY(0), 194);
}

}  // namespace
