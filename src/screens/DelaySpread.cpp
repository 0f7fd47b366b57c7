#include "screens/DelaySpread.h"

#include <cmath>

#include "audio/SoundCues.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"
#include "screens/StationSummary.h"

ORV_IMPLEMENT_DYNCREATE(CDelaySpread, CScreen)

int16_t g_nDelaySpreadPosition = 0;

namespace {

constexpr CRect kBackground{0, 14, 240, 268};
constexpr COLORREF kBarBlue = RGB(0, 0, 192);
constexpr int kBarLeft = 206;
constexpr int kBarRight = 236;
constexpr int kNewestX = 186;
constexpr int kNewestEndX = 176;
constexpr int kOldestX = 110;

int16_t Previous(int position) {
    return static_cast<int16_t>(position <= 0 ? CDelaySpread::kHistoryLength - 1 : position - 1);
}

}  // namespace

CDelaySpread::CDelaySpread()
    : CScreen(kTemplateId),
      m_penRed(PS_SOLID, 1, Palette::kDarkRed),
      m_penWhite(PS_SOLID, 1, Palette::kWhite) {
    m_anHistory.fill(kEmpty);
}

int CDelaySpread::RmsDelaySpread(const std::array<uint32_t, 44>& power) {
    uint32_t s0 = 0;
    uint32_t s1 = 0;
    uint32_t s2 = 0;
    for (uint32_t t = 0; t < power.size(); ++t) {
        s0 += power[t];
        s1 += t * power[t];
        s2 += t * t * power[t];
    }
    if (s0 == 0) return -1;
    const uint32_t mean = s1 / s0;
    const uint32_t second = s2 / s0;
    const double variance =
        static_cast<double>(second) - static_cast<double>(mean) * static_cast<double>(mean);
    // Moments of genuine tap powers never give a negative variance; sums
    // that wrapped (powers no estimate can have) might.
    if (!(variance > 0.0)) return 0;
    const double spread = std::sqrt(variance);
    return spread >= 32767.0 ? 32767 : static_cast<int>(spread);
}

void CDelaySpread::BuildHistogram(const History& history, Histogram& bins) {
    bins.fill(0);
    for (const int16_t value : history)
        if (value >= 0) ++bins[static_cast<size_t>(value < kBins ? value : kBins - 1)];
}

void CDelaySpread::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(CFont(80, "System"));
    furniture.DrawActivityBanner(dc);
    furniture.DrawBitmap(dc, IDB_DELAY_SPREAD, kBackground.left, kBackground.top,
                         kBackground.Width(), kBackground.Height());
    DrawStationText(dc, data);
    DrawRateTable(dc, data);

    // No frame from the station yet: nothing to add, rather than a spread
    // of 0 that was never measured.
    const int spread = RmsDelaySpread(data.m_aCfrPower);
    if (spread >= 0) {
        int16_t& position = g_nDelaySpreadPosition;
        if (position < 0 || position >= kHistoryLength) position = 0;
        m_anHistory[static_cast<size_t>(position)] = static_cast<int16_t>(spread);
        position = position == kHistoryLength - 1 ? 0 : static_cast<int16_t>(position + 1);
    }

    DrawHistogram(dc);
    // This screen consumes the flag: samples that arrive while it is shown
    // do not reach the multipath and single-noise histories.
    data.m_bSelectedUpdated = 0;
    DrawHistory(dc);
    if (spread >= 0)
        dc.FillSolidRect(CRect(kBarLeft, SpreadY(spread), kBarRight, SpreadY(0)), kBarBlue);
    DrawEnergyBar(dc, data);
}

void CDelaySpread::DrawHistogram(CCanvas& dc) {
    BuildHistogram(m_anHistory, m_anHistogram);
    dc.SelectPen(m_penWhite);
    dc.MoveTo(BinX(0), CountY(m_anHistogram[0]));
    for (int t = 1; t < kBins; ++t)
        dc.LineTo(BinX(t), CountY(m_anHistogram[static_cast<size_t>(t)]));
}

void CDelaySpread::DrawHistory(CCanvas& dc) {
    int16_t slot = Previous(g_nDelaySpreadPosition);
    if (slot >= kHistoryLength) slot = kHistoryLength - 1;
    const int newestY = SpreadY(m_anHistory[static_cast<size_t>(slot)]);
    dc.SelectPen(m_penRed);
    dc.MoveTo(kNewestX, newestY);
    dc.LineTo(kNewestEndX, newestY);
    for (int x = kNewestEndX - 1; x >= kOldestX; --x) {
        slot = Previous(slot);
        dc.LineTo(x, SpreadY(m_anHistory[static_cast<size_t>(slot)]));
    }
}

void CDelaySpread::OnTouch(int x, int y, CSurveyData&) {
    if (kClearArea.PtInRect(x, y)) {
        PlayResourceSound("PING");
        m_anHistory.fill(kEmpty);
    }
    RequestScreenGrid(x, y);
}
