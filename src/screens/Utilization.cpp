#include "screens/Utilization.h"

#include <cstdio>

#include "audio/SoundCues.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"

ORV_IMPLEMENT_DYNCREATE(CUtilization, CScreen)

namespace {

using Palette::kOlive;
using Palette::kWhite;
constexpr CRect kChartBitmap{0, 30, 240, 260};

// Bytes one second carries at 1, 2, 5.5 and 11 Mbit/s, over 800.
constexpr int64_t kRateDivisors[4] = {1000000, 2000000, 5500000, 11000000};
// 1 Mbit/s green, 2 red, 5.5 blue, 11 black, stacked in that order.
constexpr COLORREF kRateColors[4] = {Palette::kGreen, Palette::kRed, Palette::kBlue,
                                     Palette::kBlack};
constexpr int kFullScaleUnits = 100;

}  // namespace

int64_t CUtilization::ChartUnits(uint32_t amount, int rate, int scale) {
    if (rate < 0 || rate > 3) return 0;
    // 64-bit: 65535 x 800 x 100 does not fit in 32 bits.
    const int64_t v = amount % 65536u;
    return v * 800 * scale / kRateDivisors[rate];
}

void CUtilization::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(CFont(80, "System"));
    furniture.DrawActivityBanner(dc);
    furniture.DrawBitmap(dc, IDB_UTILIZATION, kChartBitmap.left, kChartBitmap.top,
                         kChartBitmap.Width(), kChartBitmap.Height());
    DrawScaleLabels(dc);
    DrawBars(dc, data);
    const CRect highlight = ChannelHighlight(data.m_nChannel);
    dc.PatBlt(highlight.left, highlight.top, highlight.Width(), highlight.Height(), DSTINVERT);
}

void CUtilization::DrawScaleLabels(CCanvas& dc) {
    dc.SetTextColor(kWhite);
    dc.SetBkColor(kOlive);
    char text[16];
    for (int i = 0; i <= 10; ++i) {
        if (m_nScale == 100)
            std::snprintf(text, sizeof text, "%.1f%%", (10 - i) * 0.1);
        else if (m_nScale == 10)
            std::snprintf(text, sizeof text, "%d%%", 10 - i);
        else
            std::snprintf(text, sizeof text, "%d%%", (10 - i) * 10);
        dc.DrawText(text, CRect(0, 15 * i + 44, 27, 15 * i + 52), DT_CENTER | DT_VCENTER);
    }
}

void CUtilization::DrawBars(CCanvas& dc, const CSurveyData& data) {
    for (int c = 1; c <= 14; ++c) {
        const int x = ColumnX(c);
        int top = kChartBottom;
        for (int r = 0; r < 4 && top > kChartTop; ++r) {
            const int64_t units = ChartUnits(
                data.m_anBytesPerRateChannel[static_cast<size_t>(r)][static_cast<size_t>(c)], r,
                m_nScale);
            // The first segment alone may fill the chart; each one is cut at the top.
            int64_t next = top - units * 3 / 2;
            if (r == 0 && units > kFullScaleUnits) next = kChartTop;
            if (next < kChartTop) next = kChartTop;
            dc.FillSolidRect(CRect(x + 1, static_cast<int>(next), x + 12, top), kRateColors[r]);
            top = static_cast<int>(next);
        }
    }
}

void CUtilization::OnTouch(int x, int y, CSurveyData&) {
    for (const ScaleButton& b : kScaleButtons) {
        if (!b.rect.PtInRect(x, y)) continue;
        PlayResourceSound("PING");
        m_nScale = b.nScale;
        return;
    }
}
