#include "app/OrvView.h"

#include "app/Main.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"
#include "ui/UiLoop.h"

ORV_IMPLEMENT_DYNCREATE(COrvView, CScreen)

namespace {
constexpr int kBackgroundHeight = 270;
constexpr CRect kPromptRect{0, 140, 240, 155};
}  // namespace

void COrvView::Compose(CCanvas& dc, CSurveyData&, const CScreenFurniture& furniture) {
    dc.SelectFont(CFont(100, "System"));
    furniture.DrawBitmap(dc, IDB_SPLASH, 0, 0, GetClientRect().Width(), kBackgroundHeight);
    dc.SetTextColor(Palette::kWhite);
    dc.SetBkColor(Palette::kBlack);
    dc.SetBkMode(OPAQUE);
    dc.DrawText("TOUCH SCREEN TO CONTINUE", kPromptRect, DT_CENTER | DT_VCENTER);
}

void COrvView::OnTouch(int, int, CSurveyData&) {
    if (CUiLoop* loop = CUiLoop::Get()) loop->MessageBeep();
    RequestSwitch(ORV_RUNTIME_CLASS(CMain));
}

bool COrvView::OnKeyDown(int) {
    OnLButtonDown(0, 0);
    return true;
}
