#include "screens/Spectrum.h"

#include "ScreenTestUtil.h"
#include "res/Resource.h"

namespace {

constexpr COLORREF kTrace1 = RGB(192, 0, 0);
constexpr COLORREF kTrace2 = RGB(0, 0, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class SpectrumTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        store->m_nMode = BoardMode::kSpectrum;
        view = Open<CSpectrum>();
    }
    void SetWide(int level256) {
        for (int i = 0; i < CSpectrum::kFullBandPoints; ++i) SetWideAt(i, level256);
    }
    void SetWideAt(int i, int level256) {
        const auto v = static_cast<uint16_t>(level256);
        store->m_abWideSweep[static_cast<size_t>(2 * i)] = static_cast<uint8_t>(v & 0xFF);
        store->m_abWideSweep[static_cast<size_t>(2 * i + 1)] = static_cast<uint8_t>(v >> 8);
    }
    void SetNarrowAt(int i, int level256) {
        const auto v = static_cast<uint16_t>(level256);
        store->m_abNarrowSweep[static_cast<size_t>(2 + 2 * i)] = static_cast<uint8_t>(v & 0xFF);
        store->m_abNarrowSweep[static_cast<size_t>(3 + 2 * i)] = static_cast<uint8_t>(v >> 8);
    }
    std::string MarkerLine() {
        for (const CTextRecord& r : view->GetPaintTexts().Records())
            if (r.rect == CSpectrum::kMarkerLine) return r.text;
        return {};
    }
    std::string HeaderLine() {
        for (const CTextRecord& r : view->GetPaintTexts().Records())
            if (r.rect == CSpectrum::kHeaderLine) return r.text;
        return {};
    }
    SpectrumTrace& Trace(int t) { return store->m_aSpectrumTrace[static_cast<size_t>(t)]; }
    CSpectrum* view = nullptr;
};

TEST_F(SpectrumTest, FlatSweepIsDrawnAtTheLevelsRow) {
    struct Case {
        int dbm;
        int y;
    } cases[] = {{-20, 24}, {-60, 84}, {-100, 144}, {0, 24}, {-127, 144}, {-40, 54}};
    for (const Case& c : cases) {
        SetWide(c.dbm * 256);
        const CCanvas& s = Paint(view);
        EXPECT_EQ(s.GetPixel(100, c.y), kTrace1) << c.dbm;
        EXPECT_NE(s.GetPixel(100, c.y - 1), kTrace1) << c.dbm;
        EXPECT_NE(s.GetPixel(100, c.y + 1), kTrace1) << c.dbm;
        EXPECT_EQ(CSpectrum::LevelToY(c.dbm), c.y);
    }
}

TEST_F(SpectrumTest, SamplesAreTruncatedTowardZero) {
    SetWideAt(0, -10240);
    SetWideAt(1, -10300);
    SetWideAt(2, -255);
    Paint(view);
    EXPECT_EQ(Trace(1).anLevel[0], -40);
    EXPECT_EQ(Trace(1).anLevel[1], -40);
    EXPECT_EQ(Trace(1).anLevel[2], 0);
}

TEST_F(SpectrumTest, ChannelModeReadsTheNarrowSweepAfterItsTwoUnusedBytes) {
    store->m_nMode = BoardMode::kNarrowSpectrum;
    store->m_abNarrowSweep[0] = 0x00;
    store->m_abNarrowSweep[1] = 0x80;  // not a level
    SetNarrowAt(0, -10240);
    SetNarrowAt(63, -70 * 256);
    Trace(1).anLevel[64] = 5;
    Paint(view);
    EXPECT_EQ(Trace(1).anLevel[0], -40);
    EXPECT_EQ(Trace(1).anLevel[63], -70);
    EXPECT_EQ(Trace(1).anLevel[64], 5);  // beyond the 64 points: untouched
}

TEST_F(SpectrumTest, HoldKeepsTheMaximumOtherwiseFollowsTheSweep) {
    SetWide(-40 * 256);
    Paint(view);
    Trace(1).bHold = 1;
    SetWide(-70 * 256);
    Paint(view);
    EXPECT_EQ(Trace(1).anLevel[10], -40);
    Trace(1).bHold = 0;
    Paint(view);
    EXPECT_EQ(Trace(1).anLevel[10], -70);
}

TEST_F(SpectrumTest, OnlyTheSelectedVisibleTraceFollowsTheSweep) {
    Trace(2).bVisible = 1;
    Trace(2).anLevel.fill(-60);
    SetWide(-20 * 256);
    const CCanvas& s = Paint(view);
    EXPECT_EQ(Trace(2).anLevel[5], -60);
    EXPECT_EQ(s.GetPixel(100, 84), kTrace2);
    EXPECT_EQ(s.GetPixel(100, 24), kTrace1);

    // Selected but hidden: not updated and not drawn.
    Trace(1).bVisible = 0;
    SetWide(-80 * 256);
    const CCanvas& s2 = Paint(view);
    EXPECT_EQ(Trace(1).anLevel[5], -20);
    EXPECT_NE(s2.GetPixel(100, 24), kTrace1);
    EXPECT_EQ(MarkerLine(), "MARKER: 2400 MHz RSSI: -100 dBm");
}

TEST_F(SpectrumTest, DiamondMarksTheMarkerPointAndReadsItOut) {
    SetWide(-60 * 256);
    store->m_nSpectrumMarker = 136;
    const CCanvas& s = Paint(view);
    // Point 136 is at x 128; the diamond runs from (129,84) through (125,80), (129,76),
    // (133,80) and back, where the trace goes on over its tip.
    for (CPoint p : {CPoint(125, 80), CPoint(129, 76), CPoint(133, 80), CPoint(127, 82)})
        EXPECT_EQ(s.GetPixel(p.x, p.y), kBlack) << p.x << "," << p.y;
    EXPECT_NE(s.GetPixel(129, 80), kBlack);  // hollow
    EXPECT_EQ(MarkerLine(), "MARKER: 2449 MHz RSSI: -60 dBm");
    EXPECT_EQ(HeaderLine(), "Ctr: 2450 MHz   Span: 100 MHz");

    store->m_nSpectrumMarker = 272;
    Paint(view);
    EXPECT_EQ(MarkerLine(), "MARKER: 2499 MHz RSSI: -60 dBm");
    store->m_nSpectrumMarker = 273;  // past the last point: no marker
    Paint(view);
    EXPECT_EQ(MarkerLine(), "MARKER: 2500 MHz RSSI: -100 dBm");
}

TEST_F(SpectrumTest, ChannelModeReadoutsUseTheChannelCentre) {
    store->m_nMode = BoardMode::kNarrowSpectrum;
    for (int i = 0; i < 64; ++i) SetNarrowAt(i, -50 * 256);
    store->m_nChannel = 6;
    struct Case {
        int marker;
        const char* line;
    } cases[] = {{32, "MARKER: 2437 MHz RSSI: -50 dBm"},
                 {0, "MARKER: 2427 MHz RSSI: -50 dBm"},
                 {63, "MARKER: 2446 MHz RSSI: -50 dBm"},
                 {200, "MARKER: 2489 MHz RSSI: -100 dBm"}};
    for (const Case& c : cases) {
        store->m_nSpectrumMarker = static_cast<int16_t>(c.marker);
        Paint(view);
        EXPECT_EQ(HeaderLine(), "Ctr: 2437 MHz   Span: 20 MHz  Channel 6");
        EXPECT_EQ(MarkerLine(), c.line);
    }
    store->m_nChannel = 14;
    store->m_nSpectrumMarker = 32;
    Paint(view);
    EXPECT_EQ(HeaderLine(), "Ctr: 2484 MHz   Span: 20 MHz  Channel 14");
    EXPECT_EQ(MarkerLine(), "MARKER: 2484 MHz RSSI: -50 dBm");
}

TEST_F(SpectrumTest, TraceButtonsSelectToggleAndPing) {
    view->OnLButtonDown(10, 235);  // ENABLE 2
    EXPECT_EQ(store->m_nSelectedTrace, 2);
    EXPECT_EQ(Trace(1).bSelected, 0);
    EXPECT_EQ(Trace(2).bSelected, 1);
    EXPECT_EQ(Trace(2).bVisible, 0);  // selecting does not show it
    view->OnLButtonDown(43, 248);     // VISIBLE 3, top-left corner
    EXPECT_EQ(Trace(3).bVisible, 1);
    view->OnLButtonDown(77, 265);  // VISIBLE 3, last row inside
    EXPECT_EQ(Trace(3).bVisible, 0);
    view->OnLButtonDown(118, 215);  // right edge of HOLD 1: outside
    EXPECT_EQ(Trace(1).bHold, 0);
    view->OnLButtonDown(117, 215);
    EXPECT_EQ(Trace(1).bHold, 1);
    EXPECT_EQ(*pings, 4);
    EXPECT_TRUE(store->m_sent.empty());
}

TEST_F(SpectrumTest, MarkerButtonsMoveAndClamp) {
    auto& levels = Trace(1).anLevel;
    levels.fill(-80);
    levels[100] = -30;
    levels[150] = -30;
    levels[300] = 0;                // beyond the 273 points
    view->OnLButtonDown(170, 220);  // to peak
    EXPECT_EQ(store->m_nSpectrumMarker, 100);

    levels.fill(-3000);  // nothing above the floor: the marker stays
    view->OnLButtonDown(170, 220);
    EXPECT_EQ(store->m_nSpectrumMarker, 100);

    view->OnLButtonDown(170, 250);  // centre
    EXPECT_EQ(store->m_nSpectrumMarker, 136);
    store->m_nSpectrumMarker = 0;
    view->OnLButtonDown(210, 220);  // left
    EXPECT_EQ(store->m_nSpectrumMarker, 0);
    store->m_nSpectrumMarker = 272;
    view->OnLButtonDown(210, 250);  // right
    EXPECT_EQ(store->m_nSpectrumMarker, 272);

    store->m_nMode = BoardMode::kNarrowSpectrum;
    store->m_nSpectrumMarker = 200;  // left over from the full band
    view->OnLButtonDown(210, 250);
    EXPECT_EQ(store->m_nSpectrumMarker, 63);
    view->OnLButtonDown(170, 250);
    EXPECT_EQ(store->m_nSpectrumMarker, 32);
    EXPECT_EQ(*pings, 7);
}

TEST_F(SpectrumTest, ChannelStripZoomsInAndTheBottomStripZoomsOut) {
    view->OnLButtonDown(17 * 3 - 8, 170);
    EXPECT_EQ(store->m_nPendingChannel, 3);
    EXPECT_EQ(store->m_bChannelPending, 1);
    EXPECT_EQ(store->Modes(), std::vector<int>{2});

    store->m_nMode = BoardMode::kSpectrum;
    view->OnLButtonDown(17, 170);  // between channels 1 and 2
    EXPECT_EQ(store->m_nPendingChannel, 1);
    store->m_nMode = BoardMode::kSpectrum;
    view->OnLButtonDown(236, 179);  // last pixel of channel 14
    EXPECT_EQ(store->m_nPendingChannel, 14);

    store->m_nMode = BoardMode::kSpectrum;
    store->m_bChannelPending = 0;
    view->OnLButtonDown(1, 170);  // left of the strip: back to the full band
    EXPECT_EQ(store->m_bChannelPending, 0);
    EXPECT_EQ(store->Modes().back(), 6);

    store->m_nMode = BoardMode::kNarrowSpectrum;
    view->OnLButtonDown(100, 162);
    EXPECT_EQ(store->Modes().back(), 6);
    EXPECT_EQ(store->m_bChannelPending, 0);

    const std::size_t sent = store->m_sent.size();
    view->OnLButtonDown(100, 180);  // below the strip
    view->OnLButtonDown(100, 100);
    EXPECT_EQ(store->m_sent.size(), sent);
    EXPECT_EQ(*pings, 5);
}

TEST_F(SpectrumTest, StoreValuesOutOfRangeAreSafe) {
    store->m_nSelectedTrace = 9;
    store->m_nSpectrumMarker = -4;
    store->m_nChannel = 200;
    store->m_nMode = 4;  // neither sweep mode: the 64-point sweep
    Paint(view);
    view->OnLButtonDown(170, 220);
    view->OnLButtonDown(210, 220);
    EXPECT_EQ(store->m_nSpectrumMarker, 0);
    store->m_nSpectrumMarker = INT16_MAX;
    view->OnLButtonDown(210, 250);
    EXPECT_EQ(store->m_nSpectrumMarker, 63);
}

}  // namespace
