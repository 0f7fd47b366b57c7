#pragma once

#include <string>

#include "ui/View.h"

// A screen that is not built yet: it names itself on a black screen and draws
// the shared furniture the real screen will draw, so navigation, the
// activity strip and the status band already work. A channel measurement
// screen also draws the screen grid and hands touches to the main frame with
// its own cell.
class CPlaceholderView : public CView {
    ORV_DECLARE_DYNAMIC(CPlaceholderView)
public:
    // Furniture flags.
    static constexpr unsigned kBanner = 0x01;
    static constexpr unsigned kStatusBar = 0x02;
    static constexpr unsigned kLegend = 0x04;
    static constexpr int kNoGridCell = -1;

    CPlaceholderView(std::string title, unsigned furniture, int ownGridCell = kNoGridCell);

    const std::string& GetTitle() const { return m_strTitle; }
    int GetOwnGridCell() const { return m_nOwnCell; }

    COLORREF GetBackgroundColor() const override { return RGB(0, 0, 0); }
    void OnDraw(CCanvas& dc) override;
    void OnLButtonDown(int x, int y) override;

private:
    std::string m_strTitle;
    unsigned m_nFurniture;
    int m_nOwnCell;
};
