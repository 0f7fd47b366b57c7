#include "res/MultipathBitmaps.h"

#include <cstdio>
#include <string_view>

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "res/ScreenGridBitmap.h"

// The two channel-measurement backgrounds. Everything is drawn in screen
// coordinates (the canvas origin is moved up by the 14 rows of the activity
// strip above the picture), so each scale below is written with the same
// formula the screen uses to place its values:
//   multipath history   y = -11 - dBm                (-30 at 19, -100 at 89)
//   multipath profile   y = 209 - 2 * (140 * share)  (share of the total power)
//                       x = 140 + 10 * chip          (a chip is four taps)
//   delay-spread chart  y = 89 - 70 * taps / 44      (44 taps span 1000 ns)
//   histogram           x = 110 + 120 * taps / 44
namespace {

constexpr int kOriginY = 14;
constexpr int kWidth = 240;
constexpr int kHeight = 254;

using Palette::kBlack;
using Palette::kWhite;
constexpr COLORREF kPanelBlue = RGB(0, 0, 160);
constexpr COLORREF kTableRed = Palette::kDarkRed;
constexpr COLORREF kPurple = RGB(128, 0, 128);
constexpr COLORREF kFrameGrey = RGB(96, 96, 96);
constexpr COLORREF kChartRule = RGB(184, 184, 184);
constexpr COLORREF kLabel = RGB(208, 208, 208);
constexpr COLORREF kDimGreen = Palette::kDarkGreen;
constexpr COLORREF kAxisGreen = RGB(0, 208, 0);
// The traces' own pens, so the legend matches what it names.
constexpr COLORREF kSignalGreen = Palette::kDarkGreen;
constexpr COLORREF kNoiseRed = Palette::kDarkRed;

constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kLeft = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

const CFont kSmall(60, "System");
const CFont kNormal(80, "System");

// The signal-quality column: green, yellow and red bands, inclusive rows.
constexpr int kQualityTop = 138;
constexpr int kFairTop = 183;
constexpr int kPoorTop = 211;
constexpr int kQualityBottom = 224;

CCanvas NewPicture() {
    CCanvas c(kWidth, kHeight, kBlack);
    c.SetTextRecorder(nullptr);
    c.SetViewportOrg(0, -kOriginY);
    return c;
}

void Text(CCanvas& c, std::string_view text, const CRect& rect, unsigned format, COLORREF color,
          COLORREF back) {
    c.SetTextColor(color);
    c.SetBkColor(back);
    c.DrawText(text, rect, format);
}

// A title that reads from bottom to top, centred in `rect`.
void VerticalText(CCanvas& c, std::string_view text, const CRect& rect, COLORREF color,
                  COLORREF back) {
    CCanvas strip(rect.Height(), rect.Width(), back);
    strip.SetTextRecorder(nullptr);
    strip.SelectFont(c.GetFont());
    Text(strip, text, CRect(0, 0, rect.Height(), rect.Width()), kCentred, color, back);
    for (int sy = 0; sy < strip.Height(); ++sy)
        for (int sx = 0; sx < strip.Width(); ++sx)
            c.SetPixel(rect.left + sy, rect.bottom - 1 - sx, strip.GetPixel(sx, sy));
}

void Line(CCanvas& c, int x0, int y0, int x1, int y1) {
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
}

// --- the selected station's side, shared by both pictures ---

void PaintStationPanel(CCanvas& c) {
    c.FillSolidRect(CRect(0, 14, 97, 41), kPanelBlue);
    c.FillSolidRect(CRect(1, 14, 96, 23), kWhite);  // MAC text (0,14)-(95,22)
    c.FillSolidRect(CRect(2, 25, 81, 37), kWhite);  // SSID (2,26)-(80,36)

    c.SelectFont(kSmall);
    Text(c, "FRAMES", CRect(2, 45, 80, 53), kLeft, kLabel, kBlack);
    Text(c, "TOTAL", CRect(2, 56, 38, 64), kLeft, kWhite, kBlack);
    Text(c, "MATCH", CRect(2, 65, 38, 73), kLeft, kWhite, kBlack);
    c.FillSolidRect(CRect(39, 55, 81, 74), kWhite);  // both counts (40,56)-(80,73)
}

struct RateRow {
    int top;
    const char* label;
};
constexpr RateRow kRateRows[] = {{93, "1 Mb"}, {103, "2 Mb"}, {113, "5.5 Mb"}, {123, "11 Mb"}};

void PaintRateTable(CCanvas& c) {
    c.FillSolidRect(CRect(0, 76, 81, 133), kTableRed);
    c.SelectFont(kSmall);
    Text(c, "DATA", CRect(0, 76, 28, 84), kCentred, kWhite, kTableRed);
    Text(c, "RATE", CRect(0, 84, 28, 92), kCentred, kWhite, kTableRed);
    Text(c, "USE %", CRect(28, 80, 53, 92), kCentred, kWhite, kTableRed);
    Text(c, "PER %", CRect(54, 80, 79, 92), kCentred, kWhite, kTableRed);
    for (const RateRow& row : kRateRows) {
        Text(c, row.label, CRect(1, row.top, 28, row.top + 8), kLeft, kWhite, kTableRed);
        // Cells (28..52, 54..78) widened to the left for the width of "100.0".
        c.FillSolidRect(CRect(24, row.top, 52, row.top + 8), kWhite);
        c.FillSolidRect(CRect(53, row.top, 79, row.top + 8), kWhite);
    }
}

void PaintQualityColumn(CCanvas& c) {
    c.SelectFont(kSmall);
    VerticalText(c, "SIGNAL QUALITY", CRect(1, 134, 10, 228), kWhite, kBlack);
    c.FrameRect(CRect(35, kQualityTop - 1, 73, kQualityBottom + 2), CBrush(kFrameGrey));
    for (int y = kQualityTop; y <= kQualityBottom; ++y)
        c.FillSolidRect(CRect(36, y, 44, y + 1), SignalQualityColor(y));
    c.FillSolidRect(CRect(44, kQualityTop, 72, kQualityBottom), kPurple);
    c.FillSolidRect(CRect(44, kQualityBottom, 72, kQualityBottom + 1), kBlack);
    Text(c, "GOOD", CRect(12, 156, 35, 164), kCentred, Palette::kGreen, kBlack);
    Text(c, "FAIR", CRect(12, 193, 35, 201), kCentred, Palette::kYellow, kBlack);
    Text(c, "POOR", CRect(12, 214, 35, 222), kCentred, Palette::kRed, kBlack);
}

void PaintStationSide(CCanvas& c) {
    PaintStationPanel(c);
    PaintRateTable(c);
    PaintQualityColumn(c);
}

void PaintGrid(CCanvas& c, int ownCell) {
    // The grid paints itself relative to the picture's own top edge.
    c.SetViewportOrg(0, 0);
    PaintScreenGrid(c, ownCell, kOriginY);
    c.SetViewportOrg(0, -kOriginY);
}

// --- multipath ---

// History chart: x 130 (oldest) .. 227 (newest), y = -11 - dBm.
constexpr int HistoryY(int dBm) {
    return -11 - dBm;
}

void PaintRssiHistoryChart(CCanvas& c) {
    c.FillSolidRect(CRect(127, 15, 229, 103), kWhite);
    c.FrameRect(CRect(127, 15, 229, 103), CBrush(kFrameGrey));
    c.SelectPen(CPen(PS_DASH, 1, kChartRule));
    for (int dBm = -30; dBm >= -100; dBm -= 10) Line(c, 128, HistoryY(dBm), 228, HistoryY(dBm));

    c.SelectFont(kSmall);
    char text[16];
    for (int dBm = -30; dBm >= -100; dBm -= 10) {
        std::snprintf(text, sizeof text, "%d", dBm);
        const int y = HistoryY(dBm);
        Text(c, text, CRect(106, y - 4, 126, y + 4), kRight, kLabel, kBlack);
    }
    VerticalText(c, "RSSI (dbm)", CRect(96, 15, 105, 93), kWhite, kBlack);

    // Legend under the traces.
    c.SelectPen(CPen(PS_SOLID, 1, kSignalGreen));
    Line(c, 136, 97, 148, 97);
    Text(c, "SIGNAL", CRect(151, 93, 180, 101), kLeft, kSignalGreen, kWhite);
    c.SelectPen(CPen(PS_SOLID, 1, kNoiseRed));
    Line(c, 184, 97, 196, 97);
    Text(c, "NOISE", CRect(199, 93, 228, 101), kLeft, kNoiseRed, kWhite);
}

// Profile chart: a share s of the total power in one tap stands at
// 209 - 2 * (140 * s); each 5 % is 14 rows. Chip c sits at x = 140 + 10c.
constexpr int kBaseline = 209;
constexpr int ShareY(int percent) {
    return kBaseline - 2 * (140 * percent / 100);
}
constexpr int ChipX(int chip) {
    return 140 + 10 * chip;
}
constexpr int kProfileTop = 105;
constexpr int kProfileAxisX = 229;

void PaintProfileChart(CCanvas& c) {
    c.SelectPen(CPen(PS_DASH, 1, kDimGreen));
    for (int p = 5; ShareY(p) > kProfileTop; p += 5)
        Line(c, 120, ShareY(p), kProfileAxisX, ShareY(p));
    for (int chip = -2; chip <= 8; ++chip)
        Line(c, ChipX(chip), kProfileTop, ChipX(chip), kBaseline);

    // The share axis runs up the right edge, beside the history chart where
    // the top of its range lies above the profile's own area.
    c.SelectPen(CPen(PS_SOLID, 1, kAxisGreen));
    Line(c, 120, kBaseline, kProfileAxisX + 1, kBaseline);
    Line(c, kProfileAxisX, kBaseline, kProfileAxisX, ShareY(50) - 1);
    c.SelectFont(kSmall);
    char text[16];
    for (int p = 5; p <= 50; p += 5) {
        const int y = ShareY(p);
        Line(c, kProfileAxisX - 2, y, kProfileAxisX + 1, y);
        std::snprintf(text, sizeof text, "%d", p);
        Text(c, text, CRect(kProfileAxisX + 1, y - 4, 240, y + 4), kRight, kAxisGreen, kBlack);
    }
    VerticalText(c, "% OF CORRELATED POWER", CRect(106, 104, 115, 210), kWhite, kBlack);

    for (int chip = -2; chip <= 9; ++chip) {
        const COLORREF color =
            chip < 0 ? Palette::kRed : (chip == 0 ? Palette::kYellow : Palette::kGreen);
        std::snprintf(text, sizeof text, "%d", chip);
        const int x = ChipX(chip);
        Text(c, text, CRect(x - 7, 211, x + 7, 219), kCentred, color, kBlack);
    }
    Text(c, "CHIPS", CRect(120, 220, 230, 228), kCentred, kWhite, kBlack);
}

// --- delay spread ---

// History chart and current-value bar: y = 89 - 70 * taps / 44; with 44
// taps to the microsecond every 100 ns is 7 rows.
constexpr int NanosecondsY(int ns) {
    return 89 - 70 * ns / 1000;
}
// Histogram: x = 110 + 120 * taps / 44, every 100 ns is 12 columns.
constexpr int NanosecondsX(int ns) {
    return 110 + 120 * ns / 1000;
}
constexpr int kHistogramBase = 194;

void PaintSpreadHistoryChart(CCanvas& c) {
    c.FillSolidRect(CRect(108, 17, 188, 92), kWhite);
    c.FrameRect(CRect(108, 17, 188, 92), CBrush(kFrameGrey));
    c.SelectPen(CPen(PS_DASH, 1, kChartRule));
    for (int ns = 100; ns <= 700; ns += 100) Line(c, 109, NanosecondsY(ns), 187, NanosecondsY(ns));
    c.SelectFont(kSmall);
    VerticalText(c, "DELAY SPREAD (ns)", CRect(97, 14, 106, 96), kWhite, kBlack);

    // The current-value box and the red scale it shares with the chart.
    c.FillSolidRect(CRect(205, 18, 237, 90), kWhite);
    c.FrameRect(CRect(205, 18, 237, 90), CBrush(kFrameGrey));
    c.SelectPen(CPen(PS_SOLID, 1, Palette::kRed));
    c.SetBkMode(TRANSPARENT);
    char text[16];
    for (int ns = 100; ns <= 700; ns += 100) {
        const int y = NanosecondsY(ns);
        Line(c, 202, y, 205, y);
        std::snprintf(text, sizeof text, "%d", ns);
        Text(c, text, CRect(187, y - 4, 202, y + 4), kRight, Palette::kRed, kBlack);
    }
    c.SetBkMode(OPAQUE);
}

void PaintHistogramAxes(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, kAxisGreen));
    Line(c, 109, kHistogramBase, 232, kHistogramBase);
    Line(c, 109, kHistogramBase, 109, kHistogramBase - 91);
    for (int n = 10; n <= 90; n += 10) Line(c, 106, kHistogramBase - n, 109, kHistogramBase - n);
    c.SelectFont(kSmall);
    VerticalText(c, "COUNT", CRect(97, 103, 106, 195), kWhite, kBlack);
    // Every 100 ns is only 12 columns: the labels alternate between two rows.
    char text[16];
    for (int ns = 0; ns <= 800; ns += 100) {
        const int x = NanosecondsX(ns);
        const int row = ns % 200 == 0 ? 197 : 204;
        Line(c, x, kHistogramBase, x, row - 1);
        std::snprintf(text, sizeof text, "%d", ns);
        Text(c, text, CRect(x - 8, row, x + 8, row + 8), kCentred, kAxisGreen, kBlack);
    }
    Text(c, "NANOSECONDS", CRect(150, 95, 232, 103), kRight, kWhite, kBlack);
}

void PaintClearButton(CCanvas& c) {
    // The touch area is x 133..197, y 213..225 inclusive.
    const CRect button(133, 213, 198, 226);
    c.FillSolidRect(button, Palette::kFace);
    c.FrameRect(button, CBrush(kWhite));
    c.SelectFont(kSmall);
    Text(c, "CLEAR DATA", button, kCentred, kBlack, Palette::kFace);
}

}  // namespace

COLORREF SignalQualityColor(int y) {
    if (y < kQualityTop || y > kQualityBottom) return CLR_INVALID;
    if (y < kFairTop) return Palette::kGreen;
    if (y < kPoorTop) return Palette::kYellow;
    return Palette::kRed;
}

CBitmap PaintMultipathBackground(int) {
    CCanvas c = NewPicture();
    PaintStationSide(c);
    PaintRssiHistoryChart(c);
    PaintProfileChart(c);
    PaintGrid(c, 0);
    return c.TakeBitmap();
}

CBitmap PaintDelaySpreadBackground(int) {
    CCanvas c = NewPicture();
    PaintStationSide(c);
    PaintSpreadHistoryChart(c);
    PaintHistogramAxes(c);
    PaintClearButton(c);
    PaintGrid(c, 1);
    return c.TakeBitmap();
}
