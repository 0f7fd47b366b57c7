#include "screens/PlaceholderView.h"

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/ScreenGridBitmap.h"
#include "screens/ScreenFurniture.h"
#include "screens/ScreenTable.h"

ORV_IMPLEMENT_DYNAMIC(CPlaceholderView, CScreen)

namespace {
constexpr CRect kTitleRect{0, 100, 240, 120};
constexpr unsigned kBlankTemplate = 127;
}  // namespace

CPlaceholderView::CPlaceholderView(std::string title, unsigned furniture)
    : CScreen(kBlankTemplate), m_strTitle(std::move(title)), m_nFurniture(furniture) {}

void CPlaceholderView::Compose(CCanvas& dc, CSurveyData&, const CScreenFurniture& furniture) {
    dc.SelectFont(CFont(100, "System"));
    if ((m_nFurniture & kBanner) != 0) furniture.DrawActivityBanner(dc);
    if ((m_nFurniture & kLegend) != 0) furniture.DrawSignalLegend(dc);

    dc.SetTextColor(Palette::kWhite);
    dc.SetBkColor(Palette::kBlack);
    dc.DrawText(m_strTitle, kTitleRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    const int ownCell = OwnGridCell();
    if (ownCell != ScreenRow::kNoGridCell) PaintScreenGrid(dc, ownCell, 0);
    if ((m_nFurniture & kStatusBar) != 0) furniture.DrawStatusBar(dc);
}

void CPlaceholderView::OnTouch(int x, int y, CSurveyData&) {
    if (OwnGridCell() != ScreenRow::kNoGridCell) RequestScreenGrid(x, y);
}
