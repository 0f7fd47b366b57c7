#include "screens/Cfr.h"

#include <cmath>
#include <complex>

#include "StationTestUtil.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"

namespace {

constexpr COLORREF kTrace = RGB(255, 255, 0);
const double kPi = std::acos(-1.0);

// The chart areas the traces are drawn in (the profile's top is under the
// activity strip).
constexpr CRect kProfileArea{40, 14, 213, 97};
constexpr CRect kResponseArea{40, 136, 213, 205};

CfrSample Tap(double magnitude, double degrees) {
    const double a = degrees * kPi / 180.0;
    return CfrSample{static_cast<int8_t>(std::lround(magnitude * std::cos(a))),
                     static_cast<int8_t>(std::lround(magnitude * std::sin(a)))};
}

class CfrTest : public StationScreenTest {
protected:
    void SetUp() override {
        StationScreenTest::SetUp();
        view = Open<CCfr>();
    }
    CCfr* view = nullptr;
};

TEST_F(CfrTest, PhaseSlopeIsUnwrappedForwardOnly) {
    struct Case {
        double first;  // degrees of tap 0
        double last;   // degrees of tap 43
        double slope;  // degrees removed
    } cases[] = {
        {0, 90, 90},       {-100, 100, -160},  // advanced past pi: taken one turn back
        {100, -100, -200},                     // fell past pi: left as it is
        {0, 180, 180},                         // exactly pi: not past it
        {45, 45, 0},
    };
    for (const Case& c : cases) {
        std::array<CfrSample, kCfrTaps> taps{};
        taps.front() = Tap(40, c.first);
        taps.back() = Tap(40, c.last);
        const double expected = c.slope * kPi / 180.0;
        const double slope = CCfr::Transform(taps).dSlope;
        // The taps are whole numbers: their angles are a little off.
        EXPECT_NEAR(slope, expected, 0.03) << c.first << " -> " << c.last;
    }
}

// The transform against a plain complex-arithmetic reading of it: taps
// de-rotated by the slope, then a 44-point DFT.
TEST_F(CfrTest, TransformIsTheDftOfTheDerotatedTaps) {
    std::array<CfrSample, kCfrTaps> taps{};
    for (int w = 0; w < kCfrTaps; ++w)
        taps[static_cast<size_t>(w)] = Tap(60.0 * std::exp(-w / 6.0) + 3, 37.0 * w + 20);
    const CCfr::Response r = CCfr::Transform(taps);
    double total = 0;
    for (int u = 0; u < CCfr::kBins; ++u) {
        std::complex<double> sum;
        for (int w = 0; w < kCfrTaps; ++w) {
            const std::complex<double> tap(taps[static_cast<size_t>(w)].nI,
                                           taps[static_cast<size_t>(w)].nQ);
            sum +=
                tap * std::polar(1.0, -w * r.dSlope / 43) * std::polar(1.0, -2 * kPi * u * w / 44);
        }
        EXPECT_NEAR(r.adPower[static_cast<size_t>(u)], std::norm(sum), 1e-6 * std::norm(sum) + 1e-9)
            << u;
        total += std::norm(sum);
    }
    EXPECT_NEAR(r.dTotal, total, 1e-6 * total);
}

TEST_F(CfrTest, LevelsAreWholeDecibelsHeldBetweenTheChartEdges) {
    struct Case {
        double power;
        double total;
        int level;
    } cases[] = {
        {1, 1, 0},      {1.0000001, 1, 0},  // a hair above the total stays at the top
        {1, 44, -16},   {1, 2, -3},        {1.1e-6, 1, -59},
        {1e-6, 1, -60}, {1e-9, 1, -60},    {0, 1, -60},  // no power: the floor
        {1, 0, -60},                                     // never a division by zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(CCfr::LevelDb(c.power, c.total), c.level) << c.power << " / " << c.total;
    EXPECT_EQ(CCfr::ResponseY(0), 136);
    EXPECT_EQ(CCfr::ResponseY(-60), 204);
    EXPECT_EQ(CCfr::ResponseY(-16), 155);
    EXPECT_EQ(CCfr::ProfileY(0), 96);
    EXPECT_EQ(CCfr::ProfileY(48), 0);
}

TEST_F(CfrTest, SingleTapGivesAFlatResponseAtMinusSixteen) {
    Frame(-50, SingleTap(0, 10));
    const CCfr::Response r = CCfr::Transform(store->m_aCfrIq);
    for (double p : r.adPower) EXPECT_DOUBLE_EQ(p, 100.0);
    EXPECT_DOUBLE_EQ(r.dTotal, 4400.0);

    const CCanvas& s = Paint(view);
    // Every point but the last (a polyline leaves its end point out) on row 155.
    for (int j = 0; j < CCfr::kResponsePoints - 1; ++j)
        EXPECT_EQ(s.GetPixel(CCfr::ResponseX(j), 155), kTrace) << j;
    EXPECT_EQ(Count(s, CRect(40, 136, 213, 155), kTrace), 0);
    EXPECT_EQ(Count(s, CRect(40, 156, 213, 205), kTrace), 0);
}

TEST_F(CfrTest, CarrierBinIsShownInTheMiddleAndEmptyBinsAtTheFloor) {
    // Equal taps: all the power in bin 0, the carrier, shown at point 11.
    Taps equal{};
    for (auto& t : equal) t = {10, 0};
    Frame(-50, equal);
    const CCanvas& s = Paint(view);
    EXPECT_EQ(CCfr::ResponseX(11), 130);
    EXPECT_EQ(s.GetPixel(130, 136), kTrace);
    for (int j : {0, 5, 10, 12, 20}) EXPECT_EQ(s.GetPixel(CCfr::ResponseX(j), 204), kTrace) << j;
    // Rising to the carrier and falling back: the only points off the floor.
    EXPECT_NE(s.GetPixel(CCfr::ResponseX(10), 170), kTrace);
    EXPECT_TRUE(Near(s, (CCfr::ResponseX(10) + 130) / 2, 170, kTrace));
}

TEST_F(CfrTest, ProfileStartsTwoChipsBeforeThePeakAndWraps) {
    // Four equal taps 0, 1, 42, 43: the peak is tap 0 (the first of the
    // strongest), the profile starts at tap 36 and wraps from 43 to 0.
    Taps t{};
    for (int k : {42, 43, 0, 1}) t[static_cast<size_t>(k)] = {0, 10};
    Frame(-50, t);
    ASSERT_EQ(store->m_nCfrPeakBin, 0);
    const CCanvas& s = Paint(view);
    const int y25 = CCfr::ProfileY(25);
    EXPECT_EQ(y25, 46);
    for (int x = CCfr::ProfileX(6); x <= CCfr::ProfileX(9); ++x)
        EXPECT_EQ(s.GetPixel(x, y25), kTrace) << x;
    EXPECT_EQ(s.GetPixel(CCfr::ProfileX(2), 96), kTrace);
    EXPECT_EQ(s.GetPixel(CCfr::ProfileX(30), 96), kTrace);
    EXPECT_EQ(Count(s, CRect(40, 14, 213, y25), kTrace), 0);
}

TEST_F(CfrTest, NoFrameYetLeavesBothChartsEmpty) {
    Paint(view);
    const CCanvas& s = Paint(view);
    EXPECT_EQ(Count(s, kProfileArea, kTrace), 0);
    EXPECT_EQ(Count(s, kResponseArea, kTrace), 0);
    // A frame whose estimate is all zero: nothing to divide by either.
    Frame(-50, Taps{});
    EXPECT_EQ(store->m_nSelectedFrames, 1u);
    const CCanvas& z = Paint(view);
    EXPECT_EQ(Count(z, kProfileArea, kTrace), 0);
    EXPECT_EQ(Count(z, kResponseArea, kTrace), 0);
}

TEST_F(CfrTest, StationLineAndTheFlagLeftForTheHistoryScreens) {
    Frame(-50);
    Frame(-50, SingleTap(0, 10), kOther);
    Paint(view);
    CTextRecord r;
    ASSERT_TRUE(HasText(view, "00-0A-0B-0C-0D-0E", &r));
    EXPECT_EQ(r.rect, CRect(0, 220, 95, 228));
    EXPECT_EQ(r.textColor, RGB(0, 0, 128));
    EXPECT_EQ(r.bkColor, RGB(255, 255, 255));
    ASSERT_TRUE(HasText(view, "field", &r));
    EXPECT_EQ(r.rect, CRect(100, 220, 200, 228));
    ASSERT_TRUE(HasText(view, "2", &r));
    EXPECT_EQ(r.rect, CRect(200, 220, 220, 228));
    ASSERT_TRUE(HasText(view, "1", &r));
    EXPECT_EQ(r.rect, CRect(220, 220, 240, 228));
    EXPECT_EQ(store->m_bSelectedUpdated, 1);
}

TEST_F(CfrTest, TouchesGoToTheScreenGridWithTheOwnCell) {
    CCfr* v = OpenOnGrid<CCfr>();
    v->OnLButtonDown(70, 240);
    v->OnLButtonDown(10, 100);
    const std::vector<CGridFrame::Call> expected{{70, 240, 20}, {10, 100, 20}};
    EXPECT_EQ(grid.m_calls, expected);
}

// The background's scales sit where the screen plots their values.
TEST_F(CfrTest, BackgroundTicksMatchThePlot) {
    const CBitmap* bg = LoadBitmapResource(IDB_CFR);
    ASSERT_NE(bg, nullptr);
    ASSERT_EQ(bg->Width(), 240);
    ASSERT_EQ(bg->Height(), 254);
    const COLORREF tick = RGB(0, 192, 0);
    for (int level = -6; level >= -60; level -= 6)
        EXPECT_EQ(bg->GetPixel(37, CCfr::ResponseY(level) - 14), tick) << level;
    for (int percent = 5; percent <= 40; percent += 5)
        EXPECT_EQ(bg->GetPixel(37, CCfr::ProfileY(percent) - 14), tick) << percent;
    // Chips: four taps each, chip 0 at the peak tap (profile point 8).
    for (int chip = -2; chip <= 9; ++chip)
        EXPECT_EQ(bg->GetPixel(CCfr::ProfileX(8 + 4 * chip), 98 - 14), tick) << chip;
    // The screen grid with this screen's own button red.
    EXPECT_EQ(bg->GetPixel(130, 233 - 14), RGB(255, 0, 0));
    EXPECT_EQ(bg->GetPixel(20, 233 - 14), RGB(0, 0, 128));
}

}  // namespace
