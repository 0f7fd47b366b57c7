#pragma once

#include <cstdint>

#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "screens/Screen.h"

class CGpsStatus;

// The GPS screen: the last position and status the unit's GPS receiver
// reported, on a page coloured by the fix quality (green for a 3D fix, yellow
// for a 2D fix, dark red otherwise) so that it can be read at a glance. Each
// text is drawn in the page colour on an opaque box of its own. Before any
// GPS message the page says that no receiver is fitted. No touch areas.
class CGPSView : public CScreen {
    ORV_DECLARE_DYNCREATE(CGPSView)
public:
    static constexpr uint16_t kFix3D = 7;
    static constexpr uint16_t kFix2D = 6;

    struct Colors {
        COLORREF page;            // also the text colour
        COLORREF textBackground;  // the box behind each text
    };
    static Colors ColorsFor(uint16_t fixStatus);

    static constexpr const char* kNotInstalled = "GPS Not Installed In This Unit.";
    static constexpr const char* kContactNotice = "Ask your dealer for the GPS receiver kit.";
    static constexpr CRect kNotInstalledRect{30, 30, 210, 45};
    static constexpr CRect kContactRect{5, 50, 235, 65};

    // Row i (0..8): label at (0, y, 100, y + 12), value at (105, y, 200, y + 12).
    static constexpr int RowY(int i) { return 30 + 20 * i; }
    static constexpr CRect LabelRect(int i) { return CRect(0, RowY(i), 100, RowY(i) + 12); }
    static constexpr CRect ValueRect(int i) { return CRect(105, RowY(i), 200, RowY(i) + 12); }

    CGPSView();

    // The page before any message (the paint fills it from the fix status).
    COLORREF GetBackgroundColor() const override { return ColorsFor(0).page; }

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);

private:
    void DrawRows(CCanvas& dc, const CGpsStatus& gps);

    CFont m_font8;
};
