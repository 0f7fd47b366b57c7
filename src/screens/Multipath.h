#pragma once

#include <array>
#include <cstdint>

#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/Pen.h"
#include "screens/Screen.h"

class CSurveyData;

// How the channel to the selected station spreads a frame over time: the
// power-delay profile around the strongest tap, histories of the station's
// RSSI and of the channel's noise level, the energy concentration bar, the
// station's identity, frame counts and per-rate table. Touches go to the
// screen grid.
class CMultipath : public CScreen {
    ORV_DECLARE_DYNCREATE(CMultipath)
public:
    static constexpr unsigned kTemplateId = 127;
    static constexpr int kHistoryLength = 99;
    static constexpr int kTracePoints = 98;
    // History levels are kept within the chart's range.
    static constexpr int kFloorDbm = -100;
    static constexpr int kCeilingDbm = -30;

    // Profile: 44 points from 8 taps before the strongest tap; a tap's share
    // of the total power rises from the baseline at two rows per 1/140.
    static constexpr int ProfileX(int j) { return 120 + (110 * j) / 44; }
    static constexpr int kProfileBaseline = 209;
    // Traces: age a (0 = newest) at x 227 - a; -30 dBm at y 19, -100 at 89.
    static constexpr int TraceX(int age) { return 227 - age; }
    static constexpr int TraceY(int dBm) { return -11 - dBm; }

    CMultipath();

    COLORREF GetBackgroundColor() const override { return RGB(0, 0, 0); }

    // Clamps a level to the history's range.
    static int16_t ClampLevel(int dBm);

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    void DrawProfile(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
    void UpdateHistories(CSurveyData& data) ORV_REQUIRES_STORE(data);
    void DrawTraces(CCanvas& dc);

    std::array<int16_t, kHistoryLength> m_anRssiHistory;
    int16_t m_nRssiPosition = 0;
    std::array<int16_t, kHistoryLength> m_anNoiseHistory;
    int16_t m_nNoisePosition = 0;
    int16_t m_nReadPosition = 0;
    std::array<CPoint, kTracePoints> m_aRssiTrace{};
    std::array<CPoint, kTracePoints> m_aNoiseTrace{};

    CPen m_penRed;
    CPen m_penGreen;
    CPen m_penWhite;
};
