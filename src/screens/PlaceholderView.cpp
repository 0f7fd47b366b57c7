#include "screens/PlaceholderView.h"

#include <array>

#include "gfx/Canvas.h"
#include "screens/ScreenFurniture.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenGrid.h"
#include "screens/ScreenNavigator.h"

ORV_IMPLEMENT_DYNAMIC(CPlaceholderView, CView)

namespace {
constexpr CRect kTitleRect{0, 100, 240, 120};
}  // namespace

CPlaceholderView::CPlaceholderView(std::string title, unsigned furniture, int ownGridCell)
    : m_strTitle(std::move(title)), m_nFurniture(furniture), m_nOwnCell(ownGridCell) {}

void CPlaceholderView::OnDraw(CCanvas& dc) {
    const auto lock = LockSurveyData();
    const CRect client = GetClientRect();
    CCanvas mem = dc.CreateCompatible(client.Width(), client.Height());
    mem.FillSolidRect(client, RGB(0, 0, 0));
    mem.SelectFont(CFont(100, "System"));
    const CScreenFurniture* furniture = g_pScreenFurniture;
    if (furniture != nullptr && (m_nFurniture & kBanner) != 0) furniture->DrawActivityBanner(mem);
    if (furniture != nullptr && (m_nFurniture & kLegend) != 0) furniture->DrawSignalLegend(mem);

    mem.SetTextColor(RGB(255, 255, 255));
    mem.SetBkColor(RGB(0, 0, 0));
    mem.DrawText(m_strTitle, kTitleRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    if (m_nOwnCell != kNoGridCell) DrawScreenGrid(mem, m_nOwnCell);
    if (furniture != nullptr && (m_nFurniture & kStatusBar) != 0) furniture->DrawStatusBar(mem);
    dc.BitBlt(0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
}

void CPlaceholderView::OnLButtonDown(int x, int y) {
    if (m_nOwnCell == kNoGridCell) return;
    if (IScreenNavigator* navigator = NavigatorOf(*this))
        navigator->HandleScreenGrid(x, y, m_nOwnCell);
}
