#include "screens/Multipath.h"

#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"
#include "screens/StationSummary.h"

ORV_IMPLEMENT_DYNCREATE(CMultipath, CScreen)

namespace {

constexpr CRect kBackground{0, 14, 240, 268};
// The profile starts this many taps before the strongest one.
constexpr int kTapsBeforePeak = 8;

int16_t Previous(int16_t position) {
    return position == 0 ? CMultipath::kHistoryLength - 1 : static_cast<int16_t>(position - 1);
}

void Store(std::array<int16_t, CMultipath::kHistoryLength>& history, int16_t& position,
           int16_t value) {
    if (position < 0 || position >= CMultipath::kHistoryLength) position = 0;
    history[static_cast<size_t>(position)] = value;
    position = position == CMultipath::kHistoryLength - 1 ? 0 : static_cast<int16_t>(position + 1);
}

}  // namespace

CMultipath::CMultipath()
    : CScreen(kTemplateId),
      m_penRed(PS_SOLID, 1, Palette::kDarkRed),
      m_penGreen(PS_SOLID, 1, Palette::kDarkGreen),
      m_penWhite(PS_SOLID, 1, Palette::kWhite) {
    m_anRssiHistory.fill(kFloorDbm);
    m_anNoiseHistory.fill(kFloorDbm);
}

int16_t CMultipath::ClampLevel(int dBm) {
    if (dBm < kFloorDbm) return kFloorDbm;
    if (dBm >= kCeilingDbm) return kCeilingDbm;
    return static_cast<int16_t>(dBm);
}

void CMultipath::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(CFont(80, "System"));
    furniture.DrawActivityBanner(dc);
    furniture.DrawBitmap(dc, IDB_MULTIPATH, kBackground.left, kBackground.top, kBackground.Width(),
                         kBackground.Height());
    DrawStationText(dc, data);
    DrawRateTable(dc, data);
    DrawProfile(dc, data);
    UpdateHistories(data);
    DrawTraces(dc);
    DrawEnergyBar(dc, data);
}

void CMultipath::DrawProfile(CCanvas& dc, const CSurveyData& data) {
    // No frame from the station yet: an empty chart rather than a division
    // by zero.
    const uint32_t sum = data.m_nCfrPowerSum;
    if (sum == 0) return;
    std::array<CPoint, kCfrTaps> points;
    unsigned tap = (data.m_nCfrPeakBin % kCfrTaps + kCfrTaps - kTapsBeforePeak) % kCfrTaps;
    for (int j = 0; j < kCfrTaps; ++j) {
        const uint32_t share = (140u * data.m_aCfrPower[tap]) / sum;
        // A store whose powers exceed their sum would climb past any row.
        const int rise = share > 1000u ? 2000 : 2 * static_cast<int>(share);
        points[static_cast<size_t>(j)] = CPoint(ProfileX(j), kProfileBaseline - rise);
        tap = (tap + 1) % kCfrTaps;
    }
    dc.SelectPen(m_penWhite);
    dc.Polyline(points.data(), kCfrTaps);
}

void CMultipath::UpdateHistories(CSurveyData& data) {
    if (!data.m_bSelectedUpdated) return;
    Store(m_anRssiHistory, m_nRssiPosition, ClampLevel(data.m_nSelectedRssi));
    // A channel without a reported level reads 0 dBm, drawn at the ceiling.
    const unsigned channel = data.m_nChannel;
    const int noise = channel < kChannelSlots ? data.m_anChannelValue[channel] : 0;
    Store(m_anNoiseHistory, m_nNoisePosition, ClampLevel(noise));
    data.m_bSelectedUpdated = 0;
}

void CMultipath::DrawTraces(CCanvas& dc) {
    // Both histories advance together, so one read position serves both.
    m_nReadPosition = Previous(m_nRssiPosition);
    for (int age = 0; age < kTracePoints; ++age) {
        const size_t slot = static_cast<size_t>(m_nReadPosition);
        const size_t point = static_cast<size_t>(kTracePoints - 1 - age);
        m_aRssiTrace[point] = CPoint(TraceX(age), TraceY(m_anRssiHistory[slot]));
        m_aNoiseTrace[point] = CPoint(TraceX(age), TraceY(m_anNoiseHistory[slot]));
        m_nReadPosition = Previous(m_nReadPosition);
    }
    dc.SelectPen(m_penGreen);
    dc.Polyline(m_aRssiTrace.data(), kTracePoints);
    dc.SelectPen(m_penRed);
    dc.Polyline(m_aNoiseTrace.data(), kTracePoints);
}

void CMultipath::OnTouch(int x, int y, CSurveyData&) {
    RequestScreenGrid(x, y);
}
