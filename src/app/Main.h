#pragma once

#include <array>

#include "gfx/Geometry.h"
#include "screens/Screen.h"

struct CRuntimeClass;

// The main menu: six boxes on the common background, each leading to a
// screen and telling the board the matching measurement mode, and the
// board's firmware and serial-number line.
class CMain : public CScreen {
    ORV_DECLARE_DYNCREATE(CMain)
public:
    // The form template of the main menu (no controls).
    static constexpr unsigned IDD = 109;
    // Each box leads to a screen; the mode the board is told comes from the
    // screen table.
    struct Box {
        const char* label;
        CRect rect;
        const CRuntimeClass* pScreen;
    };

    CMain();

    // In drawing order: SPECTRUM, MAC LIST, SECURITY, UTILIZATION, USAGE, GPS.
    const std::array<Box, 6>& GetBoxes() const { return m_aBoxes; }

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    std::array<Box, 6> m_aBoxes;
};
