#pragma once

#include <string>

#include "screens/Screen.h"

// A screen that is not built yet: it names itself on a black screen and draws
// the shared furniture the real screen will draw, so navigation, the
// activity strip and the status band already work. A channel measurement
// screen also draws the screen grid and hands touches to the main frame.
class CPlaceholderView : public CScreen {
    ORV_DECLARE_DYNAMIC(CPlaceholderView)
public:
    // Furniture flags.
    static constexpr unsigned kBanner = 0x01;
    static constexpr unsigned kStatusBar = 0x02;
    static constexpr unsigned kLegend = 0x04;

    CPlaceholderView(std::string title, unsigned furniture);

    const std::string& GetTitle() const { return m_strTitle; }

    COLORREF GetBackgroundColor() const override { return RGB(0, 0, 0); }

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override;
    void OnTouch(int x, int y, CSurveyData& data) override;

private:
    std::string m_strTitle;
    unsigned m_nFurniture;
};
