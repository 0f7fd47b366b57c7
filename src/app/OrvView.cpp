#include "app/OrvView.h"

#include "app/Main.h"
#include "gfx/Canvas.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"
#include "screens/ScreenGlobals.h"
#include "screens/ScreenNavigator.h"
#include "ui/UiLoop.h"

ORV_IMPLEMENT_DYNCREATE(COrvView, CView)

namespace {
constexpr int kBackgroundHeight = 270;
constexpr CRect kPromptRect{0, 140, 240, 155};
}  // namespace

void COrvView::OnDraw(CCanvas& dc) {
    const CRect client = GetClientRect();
    CCanvas mem = dc.CreateCompatible(client.Width(), client.Height());
    mem.SelectFont(CFont(100, "System"));
    if (g_pScreenFurniture != nullptr) {
        g_pScreenFurniture->DrawBitmap(mem, IDB_SPLASH, 0, 0, client.Width(), kBackgroundHeight);
    }
    mem.SetTextColor(RGB(255, 255, 255));
    mem.SetBkColor(RGB(0, 0, 0));
    mem.SetBkMode(OPAQUE);
    mem.DrawText("TOUCH SCREEN TO CONTINUE", kPromptRect, DT_CENTER | DT_VCENTER);
    dc.BitBlt(0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
}

void COrvView::OnLButtonDown(int x, int y) {
    if (CUiLoop* loop = CUiLoop::Get()) loop->MessageBeep();
    if (IScreenNavigator* navigator = NavigatorOf(*this)) {
        navigator->SwitchToView(ORV_RUNTIME_CLASS(CMain));
    }
    CView::OnLButtonDown(x, y);
}
