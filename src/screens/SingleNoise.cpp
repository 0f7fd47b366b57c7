#include "screens/SingleNoise.h"

#include <cstdio>

#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"

ORV_IMPLEMENT_DYNCREATE(CSingleNoise, CScreen)

namespace {

constexpr CRect kMacRect{0, 212, 175, 220};
constexpr CRect kSsidRect{0, 220, 175, 228};
constexpr CRect kTotalRect{180, 212, 240, 220};
constexpr CRect kMatchRect{180, 220, 240, 228};

int16_t Advance(int16_t position) {
    return static_cast<int16_t>(position >= CSingleNoise::kHistory - 1 ? 0 : position + 1);
}
int16_t StepBack(int16_t position) {
    return static_cast<int16_t>(position <= 0 ? CSingleNoise::kHistory - 1 : position - 1);
}

}  // namespace

CSingleNoise::CSingleNoise()
    : CScreen(kTemplateId), m_penTrace(PS_SOLID, 1, Palette::kWhite), m_font8(80, "System") {
    m_anRssi.fill(kMinDbm);
    m_anNoise.fill(kMinDbm);
}

void CSingleNoise::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(m_font8);
    furniture.DrawActivityBanner(dc);
    furniture.DrawBitmap(dc, IDB_SINGLE_NOISE, 0, 14, 240, 254);
    DrawStationText(dc, data);
    TakeSample(data);
    BuildTraces();
    dc.SelectPen(m_penTrace);
    DrawTrace(dc, m_aSignal, Palette::kGreen, kSignalBase);
    DrawTrace(dc, m_aNoise, Palette::kRed, kNoiseBase);
    DrawTrace(dc, m_aSnr, Palette::kYellow, kSnrBase);
}

void CSingleNoise::OnTouch(int x, int y, CSurveyData&) {
    RequestScreenGrid(x, y);
}

void CSingleNoise::DrawStationText(CCanvas& dc, const CSurveyData& data) {
    dc.SetBkColor(Palette::kWhite);
    dc.SetTextColor(Palette::kNavy);
    char text[128];
    std::snprintf(text, sizeof text, "MAC: %.*s CH: %d",
                  static_cast<int>(sizeof data.m_szSelectedMac), data.m_szSelectedMac,
                  static_cast<int>(data.m_nChannel));
    dc.DrawText(text, kMacRect, DT_VCENTER);
    std::snprintf(text, sizeof text, "SSID: %.*s", static_cast<int>(sizeof data.m_szSelectedSsid),
                  data.m_szSelectedSsid);
    dc.DrawText(text, kSsidRect, DT_VCENTER);
    // The counts never go negative: printed unsigned past 2^31.
    std::snprintf(text, sizeof text, "TOTAL: %u", static_cast<unsigned>(data.m_nFramesCaptured));
    dc.DrawText(text, kTotalRect, DT_VCENTER);
    std::snprintf(text, sizeof text, "MATCH: %u", static_cast<unsigned>(data.m_nSelectedFrames));
    dc.DrawText(text, kMatchRect, DT_VCENTER);
}

void CSingleNoise::TakeSample(CSurveyData& data) {
    // One sample per paint that follows at least one frame from the station;
    // the multipath and delay-spread screens consume the same flag.
    if (data.m_bSelectedUpdated == 0) return;
    m_anRssi[static_cast<size_t>(m_nRssiWrite)] = Clamp(data.m_nSelectedRssi);
    // A channel with no report yet reads 0 and enters as the top of the range.
    const int noise = data.m_nChannel < kChannelSlots
                          ? data.m_anChannelValue[static_cast<size_t>(data.m_nChannel)]
                          : 0;
    m_anNoise[static_cast<size_t>(m_nNoiseWrite)] = Clamp(noise);
    m_nRssiWrite = Advance(m_nRssiWrite);
    m_nNoiseWrite = Advance(m_nNoiseWrite);
    data.m_bSelectedUpdated = 0;
}

void CSingleNoise::BuildTraces() {
    // Age 0 is the newest sample; the polylines run from the oldest.
    m_nRead = StepBack(m_nRssiWrite);
    for (int age = 0; age < kPoints; ++age) {
        const int r = m_anRssi[static_cast<size_t>(m_nRead)];
        const int n = m_anNoise[static_cast<size_t>(m_nRead)];
        const int x = kNewestX - age;
        const auto slot = static_cast<size_t>(kPoints - 1 - age);
        m_aSignal[slot] = CPoint(x, SignalY(r));
        m_aNoise[slot] = CPoint(x, NoiseY(n));
        m_aSnr[slot] = CPoint(x, SnrY(r, n));
        m_nRead = StepBack(m_nRead);
    }
}

void CSingleNoise::DrawTrace(CCanvas& dc, const std::array<CPoint, kPoints>& trace, COLORREF bar,
                             int baseline) {
    // A newest value below the baseline (signal under the noise) leaves an
    // empty bar.
    const int top = trace.back().y;
    dc.FillSolidRect(CRect(kBarLeft, top, kBarLeft + kBarWidth, baseline), bar);
    dc.Polyline(trace);
}
