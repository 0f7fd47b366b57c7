#include "app/Main.h"

#include "audio/SoundCues.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/GPSView.h"
#include "screens/Mac.h"
#include "screens/ScreenFurniture.h"
#include "screens/ScreenTable.h"
#include "screens/Security.h"
#include "screens/Spectrum.h"
#include "screens/Usage.h"
#include "screens/Utilization.h"

ORV_IMPLEMENT_DYNCREATE(CMain, CScreen)

namespace {

constexpr int kBackgroundHeight = 270;
using Palette::kBlack;
using Palette::kYellow;

// Indexes into the boxes (drawing order) in the order touches are tested:
// row by row, left column first.
constexpr std::array<int, 6> kTouchOrder{0, 3, 1, 4, 2, 5};

}  // namespace

CMain::CMain()
    : CScreen(IDD),
      m_aBoxes{{
          {"SPECTRUM", CRect(10, 50, 110, 85), ORV_RUNTIME_CLASS(CSpectrum)},
          {"MAC LIST", CRect(10, 90, 110, 125), ORV_RUNTIME_CLASS(CMac)},
          {"SECURITY", CRect(10, 130, 110, 165), ORV_RUNTIME_CLASS(CSecurity)},
          {"UTILIZATION", CRect(130, 50, 230, 85), ORV_RUNTIME_CLASS(CUtilization)},
          {"USAGE", CRect(130, 90, 230, 125), ORV_RUNTIME_CLASS(CUsage)},
          {"GPS", CRect(130, 130, 230, 165), ORV_RUNTIME_CLASS(CGPSView)},
      }} {}

void CMain::Compose(CCanvas& dc, CSurveyData&, const CScreenFurniture& furniture) {
    const CRect client = GetClientRect();
    dc.SelectFont(CFont(100, "System"));
    furniture.DrawBitmap(dc, IDB_SPLASH, 0, 0, client.Width(), kBackgroundHeight);
    dc.SetTextColor(kYellow);
    dc.SetBkColor(kBlack);
    dc.SetBkMode(OPAQUE);
    dc.SelectPen(CPen(PS_SOLID, 1, kYellow));
    dc.SelectBrush(CBrush(kBlack));
    for (const Box& box : m_aBoxes) {
        dc.Rectangle(box.rect);
        dc.DrawText(box.label, box.rect, DT_CENTER | DT_VCENTER);
    }
    furniture.DrawVersionLine(dc);
}

void CMain::OnTouch(int x, int y, CSurveyData& data) {
    for (int index : kTouchOrder) {
        const Box& box = m_aBoxes[static_cast<size_t>(index)];
        if (!box.rect.PtInRect(x, y)) continue;
        PlayResourceSound("PING");
        const ScreenRow* row = FindScreenRow(box.pScreen);
        if (row != nullptr && row->nMode != ScreenRow::kNoMode)
            data.SetMode(static_cast<uint8_t>(row->nMode));
        RequestSwitch(box.pScreen);
        break;
    }
}
