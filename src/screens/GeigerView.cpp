#include "screens/GeigerView.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "audio/ClickEngine.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"

ORV_IMPLEMENT_DYNCREATE(CGeigerView, CScreen)

namespace {

constexpr COLORREF kBand = RGB(0, 0, 192);
constexpr COLORREF kOrange = RGB(255, 128, 0);
constexpr COLORREF kPurple = RGB(128, 64, 128);
constexpr COLORREF kAntennaBlue = RGB(0, 192, 255);
constexpr int kRingPenWidth = 5;

constexpr CRect kBackground{0, 14, 240, 268};
constexpr CRect kIdentityBand{0, 21, 240, 46};
constexpr CRect kMacLabel{5, 22, 30, 32};
constexpr CRect kMacText{40, 22, 240, 32};
constexpr CRect kSsidLabel{5, 32, 30, 42};
constexpr CRect kSsidText{40, 32, 240, 42};

// The antenna: a mast up from the beam's apex to a triangle.
constexpr CPoint kMastFoot{120, 154};
constexpr CPoint kAntenna[] = {{120, 119}, {102, 90}, {138, 90}, {120, 119}};

// A fixed text buffer up to its NUL, or whole when it has none.
template <std::size_t N>
std::string_view TextOf(const char (&text)[N]) {
    return std::string_view(text, strnlen(text, N));
}

}  // namespace

CGeigerView::CGeigerView()
    : CScreen(kTemplateId),
      m_brRing(Palette::kBlack),
      m_brBand(kBand),
      m_penWhite(PS_SOLID, kRingPenWidth, Palette::kWhite),
      m_penYellow(PS_SOLID, kRingPenWidth, Palette::kYellow),
      m_penOrange(PS_SOLID, kRingPenWidth, kOrange),
      m_penDarkRed(PS_SOLID, kRingPenWidth, Palette::kDarkRed),
      m_penPurple(PS_SOLID, kRingPenWidth, kPurple),
      m_penAntenna(PS_SOLID, 1, kAntennaBlue),
      m_font8(80, "System") {}

int CGeigerView::ClampLevel(int rssi) {
    return std::clamp(rssi, kWeakest, kStrongest);
}

// White above -50 dBm, then one colour per 10 dB down to purple at -80.
const CPen& CGeigerView::LevelPen(int level) const {
    if (level > -50) return m_penWhite;
    if (level > -60) return m_penYellow;
    if (level > -70) return m_penOrange;
    if (level > -80) return m_penDarkRed;
    return m_penPurple;
}

void CGeigerView::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(m_font8);
    dc.SetBkColor(Palette::kWhite);
    dc.SetTextColor(Palette::kNavy);
    furniture.DrawBitmap(dc, IDB_GEIGER, kBackground.left, kBackground.top, kBackground.Width(),
                         kBackground.Height());
    furniture.DrawActivityBanner(dc);
    DrawIdentity(dc, data);

    const int level = ClampLevel(data.m_nSelectedRssi);
    DrawRings(dc, level);
    DrawBeam(dc, level);
    DrawAntenna(dc);

    if (CClickEngine* engine = GetContext().pClickEngine) engine->SetLevel(level);
}

void CGeigerView::DrawIdentity(CCanvas& dc, const CSurveyData& data) {
    dc.FillRect(kIdentityBand, m_brBand);
    dc.DrawText("MAC", kMacLabel, 0);
    dc.DrawText(TextOf(data.m_szSelectedMac), kMacText, 0);
    dc.DrawText("SSID", kSsidLabel, 0);
    dc.DrawText(TextOf(data.m_szSelectedSsid), kSsidText, 0);
}

void CGeigerView::DrawRings(CCanvas& dc, int level) {
    dc.SelectPen(LevelPen(level));
    dc.SelectBrush(m_brRing);
    for (const Ring& ring : kRings)
        if (ring.nAbove == kAlways || level > ring.nAbove) dc.Ellipse(ring.rect);
}

void CGeigerView::DrawBeam(CCanvas& dc, int level) {
    dc.SelectPen(LevelPen(level));
    for (int y = kBeamTop; y <= BeamBottom(level); ++y) {
        dc.MoveTo(249 - y, y);
        dc.LineTo(y - 9, y);
    }
}

void CGeigerView::DrawAntenna(CCanvas& dc) {
    dc.SelectPen(m_penAntenna);
    dc.MoveTo(kMastFoot);
    for (const CPoint& p : kAntenna) dc.LineTo(p);
}

void CGeigerView::OnTouch(int x, int y, CSurveyData&) {
    RequestScreenGrid(x, y);
}
