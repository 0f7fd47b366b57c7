#include "app/Main.h"

#include "audio/SoundCues.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "res/Resource.h"
#include "screens/GPSView.h"
#include "screens/Mac.h"
#include "screens/ScreenFurniture.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenNavigator.h"
#include "screens/ScreenTable.h"
#include "screens/Security.h"
#include "screens/Spectrum.h"
#include "screens/Usage.h"
#include "screens/Utilization.h"

ORV_IMPLEMENT_DYNCREATE(CMain, CFormView)

namespace {

constexpr int kBackgroundHeight = 270;
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Indexes into the boxes (drawing order) in the order touches are tested:
// row by row, left column first.
constexpr std::array<int, 6> kTouchOrder{0, 3, 1, 4, 2, 5};

DialogTemplate MainTemplate() {
    DialogTemplate tpl;
    tpl.nId = CMain::IDD;
    tpl.fontFace = "System";
    tpl.cx = 160;
    tpl.cy = 160;
    return tpl;
}

}  // namespace

CMain::CMain()
    : CFormView(MainTemplate()),
      m_aBoxes{{
          {"SPECTRUM", CRect(10, 50, 110, 85), ORV_RUNTIME_CLASS(CSpectrum)},
          {"MAC LIST", CRect(10, 90, 110, 125), ORV_RUNTIME_CLASS(CMac)},
          {"SECURITY", CRect(10, 130, 110, 165), ORV_RUNTIME_CLASS(CSecurity)},
          {"UTILIZATION", CRect(130, 50, 230, 85), ORV_RUNTIME_CLASS(CUtilization)},
          {"USAGE", CRect(130, 90, 230, 125), ORV_RUNTIME_CLASS(CUsage)},
          {"GPS", CRect(130, 130, 230, 165), ORV_RUNTIME_CLASS(CGPSView)},
      }} {}

void CMain::OnDraw(CCanvas& dc) {
    const auto lock = LockSurveyData();
    const CRect client = GetClientRect();
    CCanvas mem = dc.CreateCompatible(client.Width(), client.Height());
    mem.SelectFont(CFont(100, "System"));
    const CScreenFurniture* furniture = g_pScreenFurniture;
    if (furniture != nullptr) {
        furniture->DrawBitmap(mem, IDB_SPLASH, 0, 0, client.Width(), kBackgroundHeight);
    }
    mem.SetTextColor(kYellow);
    mem.SetBkColor(kBlack);
    mem.SetBkMode(OPAQUE);
    mem.SelectPen(CPen(PS_SOLID, 1, kYellow));
    mem.SelectBrush(CBrush(kBlack));
    for (const Box& box : m_aBoxes) {
        mem.Rectangle(box.rect);
        mem.DrawText(box.label, box.rect, DT_CENTER | DT_VCENTER);
    }
    if (furniture != nullptr) furniture->DrawVersionLine(mem);
    dc.BitBlt(0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
}

void CMain::OnLButtonDown(int x, int y) {
    for (int index : kTouchOrder) {
        const Box& box = m_aBoxes[static_cast<size_t>(index)];
        if (!box.rect.PtInRect(x, y)) continue;
        PlayResourceSound("PING");
        const ScreenRow* row = FindScreenRow(box.pScreen);
        if (row != nullptr && row->nMode != ScreenRow::kNoMode && g_pSurveyData != nullptr) {
            const auto lock = g_pSurveyData->Lock();
            g_pSurveyData->SetMode(static_cast<uint8_t>(row->nMode));
        }
        if (IScreenNavigator* navigator = NavigatorOf(*this)) navigator->SwitchToView(box.pScreen);
        break;
    }
    CFormView::OnLButtonDown(x, y);
}
