#pragma once

#include <array>
#include <cstdint>

#include "gfx/Geometry.h"
#include "gfx/Palette.h"
#include "screens/Screen.h"

// Air time per channel used by traffic at each of the four 802.11b rates,
// as stacked bars over the channel axis, at a full scale of 100 %, 10 % or
// 1 % chosen by three buttons. The scale lives in the view.
class CUtilization : public CScreen {
    ORV_DECLARE_DYNCREATE(CUtilization)
public:
    static constexpr int kChartTop = 48;
    static constexpr int kChartBottom = 198;

    struct ScaleButton {
        CRect rect;
        int16_t nScale;
    };
    static constexpr std::array<ScaleButton, 3> kScaleButtons = {{
        {{28, 222, 89, 242}, 1},
        {{103, 222, 164, 242}, 10},
        {{178, 222, 239, 242}, 100},
    }};

    // Column of channel c (1..14); its bars span x + 1 .. x + 11.
    static constexpr int ColumnX(int c) { return 30 + 15 * (c - 1); }
    // The current channel's number, inverted.
    static constexpr CRect ChannelHighlight(int m) {
        return CRect(15 * m + 13, 198, 15 * m + 29, 219);
    }

    // The screen's empty form template.
    static constexpr unsigned kTemplateId = 119;

    CUtilization() : CScreen(kTemplateId) {}

    COLORREF GetBackgroundColor() const override { return Palette::kOlive; }

    int16_t GetScale() const { return m_nScale; }
    // Chart units of a traffic amount at rate index 0..3 and a scale: the
    // share of one second of air time in percent, times the scale. Only the
    // low 16 bits of the amount count.
    static int64_t ChartUnits(uint32_t amount, int rate, int scale);

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    void DrawScaleLabels(CCanvas& dc);
    void DrawBars(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);

    int16_t m_nScale = 1;
};
