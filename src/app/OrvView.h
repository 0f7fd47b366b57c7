#pragma once

#include "ui/View.h"

// The start-up screen: the background picture and "TOUCH SCREEN TO
// CONTINUE". The first touch anywhere opens the main menu.
class COrvView : public CView {
    ORV_DECLARE_DYNCREATE(COrvView)
public:
    COLORREF GetBackgroundColor() const override { return RGB(0, 0, 0); }
    void OnDraw(CCanvas& dc) override;
    void OnLButtonDown(int x, int y) override;
};
