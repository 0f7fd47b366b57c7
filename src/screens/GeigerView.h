#pragma once

#include <array>

#include "gfx/Brush.h"
#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/Pen.h"
#include "screens/Screen.h"

// Finding the selected station by eye and ear: its MAC address and SSID, and
// an antenna whose rings and beam grow, and change colour, with the
// station's signal level. Every paint hands the level to the click engine,
// which clicks more often the stronger it is. A touch goes to the screen
// grid.
class CGeigerView : public CScreen {
    ORV_DECLARE_DYNCREATE(CGeigerView)
public:
    static constexpr unsigned kTemplateId = 107;

    // The level is the selected station's RSSI within these bounds.
    static constexpr int kWeakest = -90;
    static constexpr int kStrongest = -30;

    // The rings, outermost first, each drawn while the level is above its
    // threshold; the innermost one always.
    struct Ring {
        int nAbove;
        CRect rect;
    };
    static constexpr int kAlways = -1000;
    static constexpr std::array<Ring, 7> kRings{{
        {-40, {30, 52, 210, 138}},
        {-50, {40, 55, 200, 135}},
        {-60, {50, 58, 190, 132}},
        {-70, {60, 61, 180, 129}},
        {-80, {70, 64, 170, 126}},
        {-90, {80, 67, 160, 123}},
        {kAlways, {90, 70, 150, 120}},
    }};

    // The beam: one line per row from y 154 down to level + 244, from
    // (249 - y, y) to (y - 9, y).
    static constexpr int kBeamTop = 154;
    static constexpr int BeamBottom(int level) { return level + 244; }

    CGeigerView();

    COLORREF GetBackgroundColor() const override { return RGB(0, 0, 0); }

    static int ClampLevel(int rssi);

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    void DrawIdentity(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
    void DrawRings(CCanvas& dc, int level);
    void DrawBeam(CCanvas& dc, int level);
    void DrawAntenna(CCanvas& dc);
    // The ring and beam pen for a clamped level.
    const CPen& LevelPen(int level) const;

    // Drawing objects, made once for the life of the screen.
    CBrush m_brRing;
    CBrush m_brBand;
    CPen m_penWhite;
    CPen m_penYellow;
    CPen m_penOrange;
    CPen m_penDarkRed;
    CPen m_penPurple;
    CPen m_penAntenna;
    CFont m_font8;
};
