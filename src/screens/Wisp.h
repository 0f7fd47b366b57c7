#pragma once

#include <array>
#include <cstdint>

#include "gfx/Brush.h"
#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/Pen.h"
#include "screens/Screen.h"

class CSurveyData;

// The level of the station picked on the MAC list as a needle meter from
// -100 to -20 dBm with a second needle holding the peak, a level column and
// a history of the last 150 readings. Every paint takes one reading: the
// level of the station's last frame if one came since the previous paint,
// -100 dBm otherwise. RESET PEAK drops the peak needle back to -100;
// other touches go to the screen grid.
class CWisp : public CScreen {
    ORV_DECLARE_DYNCREATE(CWisp)
public:
    static constexpr unsigned kTemplateId = 113;
    static constexpr int kMinDbm = -100;
    static constexpr int kMaxDbm = -20;
    static constexpr int kHistorySlots = 200;
    static constexpr int kHistoryUsed = 150;

    static constexpr CPoint kPivot{120, 134};
    static constexpr int kNeedleLength = 110;
    static constexpr CRect kResetPeak{163, 144, 230, 162};
    static constexpr CRect kMacRect{0, 144, 160, 154};
    static constexpr CRect kSsidRect{0, 154, 160, 164};
    static constexpr CRect kLevelRect{0, 164, 160, 174};
    // History: the newest reading at x 180, the oldest shown at x 31.
    static constexpr int kNewestX = 180;
    static constexpr int kColumnLeft = 193;
    static constexpr int kColumnRight = 212;
    static constexpr int kChartBottom = 218;

    // Two dB per pixel: -20 dBm on row 178, -100 dBm on row 218.
    static constexpr int LevelY(int dbm) { return kChartBottom - (dbm + 100) / 2; }
    // Where the needle for a level ends: -1.5 degrees per dBm from the
    // positive x axis, 110 pixels from the pivot.
    static CPoint NeedleEnd(int dbm);

    CWisp();

    COLORREF GetBackgroundColor() const override { return RGB(0, 64, 128); }

    int PeakLevel() const { return m_nPeak; }

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    static int TakeReading(CSurveyData& data) ORV_REQUIRES_STORE(data);
    void DrawText(CCanvas& dc, const CSurveyData& data, int level) ORV_REQUIRES_STORE(data);
    void DrawHistory(CCanvas& dc, int level);
    void DrawNeedle(CCanvas& dc, const CPen& pen, int level);

    std::array<int16_t, kHistorySlots> m_anHistory;
    int16_t m_nWrite = 0;
    int16_t m_nRead = 0;
    int16_t m_nPeak = kMinDbm;

    CPen m_penHistory;
    CPen m_penNeedle;
    CPen m_penPeak;
    CFont m_font8;
};
