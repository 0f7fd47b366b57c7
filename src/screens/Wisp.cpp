#include "screens/Wisp.h"

#include <cmath>
#include <cstdio>

#include "audio/SoundCues.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"

ORV_IMPLEMENT_DYNCREATE(CWisp, CScreen)

namespace {

constexpr COLORREF kPeakGrey = RGB(64, 64, 64);

int16_t StepBack(int16_t position) {
    return static_cast<int16_t>(position <= 0 ? CWisp::kHistoryUsed - 1 : position - 1);
}

// Whole pixels toward zero. A product that is a whole number in exact
// arithmetic (110 sin 30 = 55) can come out a hair below it in double; it is
// taken as the whole number, so the needle ends on the dial's tick.
int Truncate(double v) {
    const double whole = std::round(v);
    return std::fabs(v - whole) < 1e-9 ? static_cast<int>(whole) : static_cast<int>(v);
}

}  // namespace

CWisp::CWisp()
    : CScreen(kTemplateId),
      m_penHistory(PS_SOLID, 1, Palette::kYellow),
      m_penNeedle(PS_SOLID, 2, Palette::kBlack),
      m_penPeak(PS_SOLID, 2, kPeakGrey),
      m_font8(80, "System") {
    m_anHistory.fill(kMinDbm);
}

CPoint CWisp::NeedleEnd(int dbm) {
    const double a = -1.5 * dbm * std::acos(-1.0) / 180.0;
    return CPoint(kPivot.x + Truncate(kNeedleLength * std::cos(a)),
                  kPivot.y - Truncate(kNeedleLength * std::sin(a)));
}

int CWisp::TakeReading(CSurveyData& data) {
    // Without a frame from the station since the last paint the meter reads
    // the bottom of its scale.
    int level = data.m_bSelectedUpdated != 0 ? data.m_nSelectedRssi : kMinDbm;
    data.m_bSelectedUpdated = 0;
    if (level < kMinDbm) level = kMinDbm;
    if (level > kMaxDbm) level = kMaxDbm;
    return level;
}

void CWisp::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(m_font8);
    furniture.DrawActivityBanner(dc);
    furniture.DrawBitmap(dc, IDB_WISP, 0, 14, 240, 254);
    const int level = TakeReading(data);
    DrawText(dc, data, level);
    dc.FillSolidRect(CRect(kColumnLeft, LevelY(level), kColumnRight, kChartBottom),
                     Palette::kYellow);
    DrawHistory(dc, level);
    DrawNeedle(dc, m_penNeedle, level);
    if (level > m_nPeak) m_nPeak = static_cast<int16_t>(level);
    // Over the current needle: at the peak the grey one shows.
    DrawNeedle(dc, m_penPeak, m_nPeak);
}

void CWisp::OnTouch(int x, int y, CSurveyData&) {
    if (kResetPeak.PtInRect(CPoint(x, y))) {
        PlayResourceSound("WHOOSH");
        m_nPeak = kMinDbm;
        return;
    }
    RequestScreenGrid(x, y);
}

void CWisp::DrawText(CCanvas& dc, const CSurveyData& data, int level) {
    dc.SetTextColor(Palette::kWhite);
    dc.SetBkColor(GetBackgroundColor());
    constexpr unsigned kCentred = DT_CENTER | DT_VCENTER;
    char text[128];
    std::snprintf(text, sizeof text, "%.*s", static_cast<int>(sizeof data.m_szSelectedMac),
                  data.m_szSelectedMac);
    dc.DrawText(text, kMacRect, kCentred);
    std::snprintf(text, sizeof text, "SSID = %.*s", static_cast<int>(sizeof data.m_szSelectedSsid),
                  data.m_szSelectedSsid);
    dc.DrawText(text, kSsidRect, kCentred);
    std::snprintf(text, sizeof text, "Channel #%d, RSSI = %d dBm",
                  static_cast<int>(data.m_nChannel), level);
    dc.DrawText(text, kLevelRect, kCentred);
}

void CWisp::DrawHistory(CCanvas& dc, int level) {
    m_anHistory[static_cast<size_t>(m_nWrite)] = static_cast<int16_t>(level);
    m_nWrite = static_cast<int16_t>(m_nWrite >= kHistoryUsed - 1 ? 0 : m_nWrite + 1);
    dc.SelectPen(m_penHistory);
    m_nRead = StepBack(m_nWrite);
    dc.MoveTo(kNewestX, LevelY(m_anHistory[static_cast<size_t>(m_nRead)]));
    for (int x = kNewestX - 1; x > kNewestX - kHistoryUsed; --x) {
        m_nRead = StepBack(m_nRead);
        dc.LineTo(x, LevelY(m_anHistory[static_cast<size_t>(m_nRead)]));
    }
}

void CWisp::DrawNeedle(CCanvas& dc, const CPen& pen, int level) {
    dc.SelectPen(pen);
    dc.MoveTo(kPivot);
    dc.LineTo(NeedleEnd(level));
}
