#include "screens/Noise.h"

#include "StationTestUtil.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"
#include "screens/Cfr.h"
#include "screens/ScreenTable.h"
#include "screens/SingleNoise.h"
#include "screens/Wisp.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr int kBarX = 220;

class SingleNoiseTest : public StationScreenTest {
protected:
    void SetUp() override {
        StationScreenTest::SetUp();
        view = Open<CSingleNoise>();
    }
    // One sample: a frame from the station, then a paint.
    const CCanvas& Sample(int rssi, int noise) {
        store->m_anChannelValue[6] = static_cast<int16_t>(noise);
        Frame(rssi);
        return Paint(view);
    }
    // Pixels of the trace colour in the trace area of the chart whose rows
    // are given.
    int TraceCount(const CCanvas& s, int top, int bottom) {
        return Count(s, CRect(38, top, 208, bottom), kWhite);
    }
    CSingleNoise* view = nullptr;
};

TEST_F(SingleNoiseTest, BeforeAnySampleTracesLieOnTheirFloors) {
    const CCanvas& s = Paint(view);
    struct Row {
        int y;
        COLORREF bar;
    } rows[] = {{69, kGreen}, {135, kRed}, {201, kYellow}};
    for (const Row& r : rows) {
        for (int x = 38; x < 207; ++x) ASSERT_EQ(s.GetPixel(x, r.y), kWhite) << x << "," << r.y;
        // The bars are one pixel high.
        EXPECT_EQ(s.GetPixel(kBarX, r.y), r.bar);
        EXPECT_NE(s.GetPixel(kBarX, r.y - 1), r.bar);
        EXPECT_EQ(TraceCount(s, r.y - 40, r.y), 0);
    }
}

TEST_F(SingleNoiseTest, SamplesAreClampedAndPlacedOnTheirScales) {
    struct Case {
        int rssi;
        int noise;
        int signalY;
        int noiseY;
        int snrY;
    } cases[] = {
        {-20, -100, 29, 135, 161},                         // the top of both scales, 80 dB apart
        {-10, -120, 29, 135, 161},                         // clamped to -20 and -100
        {-120, -60, 69, 115, 221},                         // below the noise: under the 0 dB row
        {-90, -80, 64, 125, 206},  {-60, 0, 49, 95, 221},  // no noise report reads -20
        {-55, -95, 47, 133, 181},
    };
    for (const Case& c : cases) {
        // Twice, so that the value also holds the column left of the newest.
        Sample(c.rssi, c.noise);
        const CCanvas& s = Sample(c.rssi, c.noise);
        EXPECT_EQ(s.GetPixel(206, c.signalY), kWhite) << c.rssi;
        EXPECT_EQ(s.GetPixel(206, c.noiseY), kWhite) << c.noise;
        EXPECT_EQ(s.GetPixel(206, c.snrY), kWhite) << c.rssi << " " << c.noise;
        EXPECT_EQ(s.GetPixel(kBarX, c.signalY), kGreen) << c.rssi;
        EXPECT_NE(s.GetPixel(kBarX, c.signalY - 1), kGreen) << c.rssi;
        EXPECT_EQ(s.GetPixel(kBarX, c.noiseY), kRed) << c.noise;
        EXPECT_NE(s.GetPixel(kBarX, c.noiseY - 1), kRed) << c.noise;
        // The signal-to-noise bar is empty when the signal is under the noise.
        if (c.snrY < 202) {
            EXPECT_EQ(s.GetPixel(kBarX, c.snrY), kYellow) << c.rssi;
        }
        EXPECT_EQ(s.GetPixel(kBarX, 201), c.snrY < 202 ? kYellow : RGB(0, 0, 0)) << c.rssi;
    }
}

TEST_F(SingleNoiseTest, RingKeepsTheNewestOneHundredSeventyOfItsSlots) {
    // One strong sample, then weak ones: it scrolls to the left edge and off.
    struct Case {
        int samples;
        bool shown;
    } cases[] = {{170, true}, {171, false}, {172, false}};
    for (const Case& c : cases) {
        CSingleNoise* v = Open<CSingleNoise>();
        view = v;
        Sample(-20, -100);
        for (int i = 1; i < c.samples; ++i) Sample(-100, -100);
        const CCanvas& s = Paint(view);
        EXPECT_EQ(s.GetPixel(38, 29) == kWhite, c.shown) << c.samples;
        EXPECT_EQ(TraceCount(s, 29, 60) > 0, c.shown) << c.samples;
    }
}

TEST_F(SingleNoiseTest, OneSamplePerPaintThatFollowsAFrameFromTheStation) {
    Sample(-20, -100);
    EXPECT_EQ(store->m_bSelectedUpdated, 0);
    // No frame in between: no sample, so the strong one has not moved left.
    Paint(view);
    Frame(-60, SingleTap(0, 10), kOther);
    const CCanvas& s = Paint(view);
    EXPECT_NE(s.GetPixel(205, 29), kWhite);
    EXPECT_TRUE(Near(s, 207, 31, kWhite));
    EXPECT_EQ(s.GetPixel(kBarX, 29), kGreen);
    // Several frames before one paint make one sample.
    Frame(-40);
    Frame(-40);
    const CCanvas& t = Paint(view);
    EXPECT_EQ(t.GetPixel(206, 29), kWhite);
    EXPECT_EQ(t.GetPixel(205, 29), RGB(0, 0, 0));
}

TEST_F(SingleNoiseTest, StationTextBlock) {
    Frame(-50);
    Frame(-50, SingleTap(0, 10), kOther);
    Paint(view);
    struct Expected {
        const char* text;
        CRect rect;
    } texts[] = {{"MAC: 00-0A-0B-0C-0D-0E CH: 6", {0, 212, 175, 220}},
                 {"SSID: field", {0, 220, 175, 228}},
                 {"TOTAL: 2", {180, 212, 240, 220}},
                 {"MATCH: 1", {180, 220, 240, 228}}};
    for (const Expected& e : texts) {
        CTextRecord r;
        ASSERT_TRUE(HasText(view, e.text, &r)) << e.text;
        EXPECT_EQ(r.rect, e.rect) << e.text;
        EXPECT_EQ(r.textColor, RGB(0, 0, 128));
    }
}

TEST_F(SingleNoiseTest, TouchesGoToTheScreenGridWithTheOwnCell) {
    CSingleNoise* v = OpenOnGrid<CSingleNoise>();
    v->OnLButtonDown(130, 250);
    const std::vector<CGridFrame::Call> expected{{130, 250, 10}};
    EXPECT_EQ(grid.m_calls, expected);
}

TEST_F(SingleNoiseTest, BackgroundScalesMatchThePlot) {
    const CBitmap* bg = LoadBitmapResource(IDB_SINGLE_NOISE);
    ASSERT_NE(bg, nullptr);
    ASSERT_EQ(bg->Width(), 240);
    ASSERT_EQ(bg->Height(), 254);
    const COLORREF tick = RGB(0, 192, 0);
    for (int dbm = -20; dbm >= -100; dbm -= 20) {
        EXPECT_EQ(bg->GetPixel(35, CSingleNoise::SignalY(dbm) - 14), tick) << dbm;
        EXPECT_EQ(bg->GetPixel(35, CSingleNoise::NoiseY(dbm) - 14), tick) << dbm;
    }
    for (int db = 0; db <= 80; db += 20)
        EXPECT_EQ(bg->GetPixel(35, CSingleNoise::SnrY(-100, -100 - db) - 14), tick) << db;
    EXPECT_EQ(bg->GetPixel(80, 233 - 14), RGB(255, 0, 0));
}

// Only the screens that keep histories of it consume the selected station's
// new-frame flag; the meter screen takes it as its reading.
TEST_F(SingleNoiseTest, NewFrameFlagIsConsumedByTheHistoryAndMeterScreensOnly) {
    CCfr* cfr = Open<CCfr>();
    CWisp* wisp = Open<CWisp>();
    CNoise* blank = Open<CNoise>();
    Frame(-20);
    Paint(cfr);
    Paint(blank);
    EXPECT_EQ(store->m_bSelectedUpdated, 1);
    Paint(view);
    EXPECT_EQ(store->m_bSelectedUpdated, 0);
    // Taken by the single-noise screen: the meter reads nothing new.
    Paint(wisp);
    CTextRecord r;
    EXPECT_TRUE(HasText(wisp, "Channel #6, RSSI = -100 dBm", &r));
    Frame(-20);
    Paint(wisp);
    EXPECT_EQ(store->m_bSelectedUpdated, 0);
    // And the meter took it from the single-noise screen: no sample there.
    const CCanvas& s = Paint(view);
    EXPECT_EQ(s.GetPixel(206, 29), RGB(0, 0, 0));
}

TEST_F(SingleNoiseTest, BlankNoiseFormDrawsOnlyItsFaceAndIsReachedFromNowhere) {
    CNoise* blank = OpenOnGrid<CNoise>();
    EXPECT_EQ(CNoise::kTemplateId, 115u);
    EXPECT_EQ(FindScreenRow(ORV_RUNTIME_CLASS(CNoise)), nullptr);
    const CCanvas& s = Paint(blank);
    const COLORREF face = blank->GetBackgroundColor();
    EXPECT_EQ(Count(s, CRect(0, 0, s.Width(), s.Height()), face), s.Width() * s.Height());
    EXPECT_TRUE(blank->GetPaintTexts().Records().empty());
    blank->OnLButtonDown(70, 240);
    EXPECT_TRUE(grid.m_calls.empty());
}

}  // namespace
