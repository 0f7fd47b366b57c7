#pragma once

#include "gfx/Palette.h"
#include "screens/Screen.h"

// The start-up screen: the background picture and "TOUCH SCREEN TO
// CONTINUE". The first touch anywhere, or the first key, opens the main
// menu.
class COrvView : public CScreen {
    ORV_DECLARE_DYNCREATE(COrvView)
public:
    // The start-up screen is the document template's view and has no form
    // template resource of its own.
    static constexpr unsigned kTemplateId = 0;

    COrvView() : CScreen(kTemplateId) {}

    COLORREF GetBackgroundColor() const override { return Palette::kBlack; }
    // A key leaves the screen as a touch does (a desktop has no stylus).
    bool OnKeyDown(int nKey) override;

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);
};
