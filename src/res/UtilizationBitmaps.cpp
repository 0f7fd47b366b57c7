#include <cstdio>

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "res/TrafficBitmaps.h"

// The utilization chart, shown at (0,30) at its own size. The screen stacks
// each channel's bars in x 15c + 16 .. 15c + 26 from y 198 up to y 48 and
// writes the scale labels centred on the grid lines (y 48 + 15i) left of
// x 27; it inverts (15c + 13, 198)-(15c + 29, 219) to mark the current
// channel's number. The scale buttons sit in the rectangles the screen tests for touches.
namespace {

constexpr int kTop = 30;
using Palette::kBlack;
using Palette::kFace;
using Palette::kOlive;
using Palette::kWhite;
constexpr COLORREF kChart = RGB(240, 240, 224);
constexpr COLORREF kRule = RGB(176, 176, 144);

constexpr int kChartTop = 48;
constexpr int kChartBottom = 198;
constexpr int kChartLeft = 28;
constexpr int kChartRight = 240;

CRect Shown(int l, int t, int r, int b) {
    return CRect(l, t - kTop, r, b - kTop);
}

constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

struct ScaleButton {
    CRect rect;
    const char* label;
};
constexpr ScaleButton kButtons[] = {
    {{28, 222, 89, 242}, "VIEW 100%"},
    {{103, 222, 164, 242}, "VIEW 10%"},
    {{178, 222, 239, 242}, "VIEW 1%"},
};

struct LegendEntry {
    int x;
    COLORREF color;
    const char* label;
};
constexpr LegendEntry kLegend[] = {
    {10, RGB(0, 255, 0), "1 MB"},
    {68, RGB(255, 0, 0), "2 MB"},
    {126, RGB(0, 0, 255), "5.5 MB"},
    {186, RGB(0, 0, 0), "11 MB"},
};

}  // namespace

CBitmap PaintUtilizationChart(int) {
    CCanvas c(240, 230, kOlive);
    c.SetTextRecorder(nullptr);

    c.SelectFont(CFont(80, "System"));
    c.SetTextColor(kWhite);
    c.SetBkColor(kOlive);
    c.DrawText("UTILIZATION vs. CHANNEL", Shown(0, 32, 240, 44), kCentred);

    c.FillSolidRect(Shown(kChartLeft, kChartTop, kChartRight, kChartBottom), kChart);
    c.SelectPen(CPen(PS_SOLID, 1, kRule));
    for (int y = kChartTop; y < kChartBottom; y += 15) {
        c.MoveTo(kChartLeft, y - kTop);
        c.LineTo(kChartRight, y - kTop);
    }

    c.FillSolidRect(Shown(kChartLeft, kChartBottom, kChartRight, 219), kWhite);
    c.SetTextColor(kBlack);
    c.SetBkColor(kWhite);
    char text[16];
    for (int ch = 1; ch <= 14; ++ch) {
        std::snprintf(text, sizeof text, "%d", ch);
        c.DrawText(text, Shown(15 * ch + 14, kChartBottom, 15 * ch + 28, 219), kCentred);
    }

    c.SetBkColor(kFace);
    for (const ScaleButton& b : kButtons) {
        const CRect r = Shown(b.rect.left, b.rect.top, b.rect.right, b.rect.bottom);
        c.FillSolidRect(r, kFace);
        c.FrameRect(r, CBrush(kBlack));
        c.DrawText(b.label, r, kCentred);
    }

    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(kWhite);
    c.SetBkColor(kOlive);
    for (const LegendEntry& e : kLegend) {
        c.FillSolidRect(Shown(e.x, 247, e.x + 8, 255), e.color);
        c.DrawText(e.label, Shown(e.x + 11, 247, e.x + 50, 255),
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    return c.TakeBitmap();
}
