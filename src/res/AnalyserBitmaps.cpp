#include <cstdio>

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/BitmapPainters.h"
#include "res/Resource.h"
#include "res/TrafficBitmaps.h"

// The spectrum screen's pictures. The grid is shown at (0,20) at its own size,
// so its pixels line up with the screen's plot: -20 dBm at screen y 24 and
// -100 dBm at y 144 (1.5 pixels per dB), the sweep's first point at x 29 and
// its last at x 229, the channel cells of the bottom strip at
// (17i - 15, 162)-(17i - 1, 180).
namespace {

constexpr int kGridTop = 20;  // where the screen shows the grid
using Palette::kBlack;
using Palette::kFace;
using Palette::kNavy;
using Palette::kWhite;
constexpr COLORREF kPlot = kWhite;
constexpr COLORREF kRule = RGB(168, 168, 168);

constexpr int kPlotLeft = 29;
constexpr int kPlotRight = 229;
constexpr int kPlotTop = 24;      // -20 dBm
constexpr int kPlotBottom = 144;  // -100 dBm
constexpr int kPixelsPer10dB = 15;
constexpr int kPixelsPer10MHz = 20;

constexpr CRect kStrip{2, 162, 237, 180};

CRect Shown(int l, int t, int r, int b) {
    return CRect(l, t - kGridTop, r, b - kGridTop);
}

void DrawGrid(CCanvas& c) {
    c.FillSolidRect(Shown(kPlotLeft, kPlotTop, kPlotRight + 1, kPlotBottom + 1), kPlot);
    c.SelectPen(CPen(PS_SOLID, 1, kRule));
    for (int x = kPlotLeft; x <= kPlotRight; x += kPixelsPer10MHz) {
        c.MoveTo(x, kPlotTop - kGridTop);
        c.LineTo(x, kPlotBottom - kGridTop + 1);
    }
    for (int y = kPlotTop; y <= kPlotBottom; y += kPixelsPer10dB) {
        c.MoveTo(kPlotLeft, y - kGridTop);
        c.LineTo(kPlotRight + 1, y - kGridTop);
    }
    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(kBlack);
    c.SetBkColor(kFace);
    char text[16];
    for (int dbm = -20, y = kPlotTop; dbm >= -100; dbm -= 10, y += kPixelsPer10dB) {
        std::snprintf(text, sizeof text, "%d", dbm);
        c.DrawText(text, Shown(0, y - 4, 27, y + 4), DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
}

void DrawBandAxis(CCanvas& c) {
    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(kBlack);
    c.SetBkColor(kFace);
    char text[16];
    for (int mhz = 2400; mhz <= 2500; mhz += 25) {
        const int x = kPlotLeft + (mhz - 2400) * 2;
        std::snprintf(text, sizeof text, "%d", mhz);
        c.DrawText(text, Shown(x - 12, 147, x + 13, 155), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    c.DrawText("MHZ", Shown(2, 147, 18, 155), DT_LEFT | DT_VCENTER | DT_SINGLELINE);

    c.FillSolidRect(Shown(kStrip.left, kStrip.top, kStrip.right, kStrip.bottom), kBlack);
    c.SelectFont(CFont(80, "System"));
    c.SetTextColor(kWhite);
    c.SetBkColor(kNavy);
    for (int i = 1; i <= 14; ++i) {
        const CRect cell = Shown(17 * i - 15, kStrip.top, 17 * i - 1, kStrip.bottom);
        c.FillSolidRect(cell, kNavy);
        std::snprintf(text, sizeof text, "%d", i);
        c.DrawText(text, cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void DrawSurveyBar(CCanvas& c) {
    const CRect bar = Shown(kStrip.left, kStrip.top, kStrip.right, kStrip.bottom);
    c.FillSolidRect(bar, kNavy);
    c.SelectFont(CFont(80, "System"));
    c.SetTextColor(kWhite);
    c.SetBkColor(kNavy);
    c.DrawText("SURVEY", bar, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

struct TraceButton {
    int id;
    int trace;
    const char* label;
    bool set;
};

constexpr TraceButton kTraceButtons[] = {
    {IDB_ENABLE1_OFF, 1, "ENABLE", false},   {IDB_ENABLE1_ON, 1, "ENABLE", true},
    {IDB_ENABLE2_OFF, 2, "ENABLE", false},   {IDB_ENABLE2_ON, 2, "ENABLE", true},
    {IDB_ENABLE3_OFF, 3, "ENABLE", false},   {IDB_ENABLE3_ON, 3, "ENABLE", true},
    {IDB_VISIBLE1_OFF, 1, "VISIBLE", false}, {IDB_VISIBLE1_ON, 1, "VISIBLE", true},
    {IDB_VISIBLE2_OFF, 2, "VISIBLE", false}, {IDB_VISIBLE2_ON, 2, "VISIBLE", true},
    {IDB_VISIBLE3_OFF, 3, "VISIBLE", false}, {IDB_VISIBLE3_ON, 3, "VISIBLE", true},
    {IDB_HOLD1_OFF, 1, "HOLD", false},       {IDB_HOLD1_ON, 1, "HOLD", true},
    {IDB_HOLD2_OFF, 2, "HOLD", false},       {IDB_HOLD2_ON, 2, "HOLD", true},
    {IDB_HOLD3_OFF, 3, "HOLD", false},       {IDB_HOLD3_ON, 3, "HOLD", true},
};

// Buttons are shown 35 x 17 (two of them 35 x 18) and composed at 35 x 17.
constexpr int kButtonWidth = 35;
constexpr int kButtonShownHeight = 17;
constexpr int kButtonHeight = 18;
constexpr int kMarkerShownHeight = 26;
constexpr int kMarkerHeight = 27;

void Diamond(CCanvas& c, int x, int y) {
    const CPoint pts[] = {{x, y}, {x - 4, y - 4}, {x, y - 8}, {x + 4, y - 4}, {x, y}};
    c.Polyline(pts, 5);
    c.SetPixel(x, y, c.GetPen().Color());
}

// An arrow whose tip is at (x, y) and whose shaft runs 10 pixels in `dir`.
void Arrow(CCanvas& c, int x, int y, int dir) {
    c.MoveTo(x, y);
    c.LineTo(x + 10 * dir, y);
    for (int k = 0; k <= 3; ++k) {
        c.MoveTo(x + k * dir, y - k);
        c.LineTo(x + k * dir, y + k + 1);
    }
}

}  // namespace

COLORREF TraceColor(int trace) {
    // Any other number draws as trace 3.
    const int index = trace == 1 || trace == 2 ? trace - 1 : 2;
    return Palette::kTraceColors[index];
}

CBitmap PaintSpectrumGrid(int id) {
    CCanvas c(240, 180, kFace);
    c.SetTextRecorder(nullptr);
    DrawGrid(c);
    if (id == IDB_CHANNEL_GRID)
        DrawSurveyBar(c);
    else
        DrawBandAxis(c);
    return c.TakeBitmap();
}

CBitmap PaintTraceButton(int id) {
    const TraceButton* button = nullptr;
    for (const TraceButton& b : kTraceButtons)
        if (b.id == id) button = &b;
    if (button == nullptr) return CBitmap();

    // Set: the label in the trace colour on white; clear: white on the colour.
    const COLORREF color = TraceColor(button->trace);
    const COLORREF face = button->set ? kWhite : color;
    const COLORREF ink = button->set ? color : kWhite;
    CCanvas c(kButtonWidth, kButtonShownHeight, face);
    c.SetTextRecorder(nullptr);
    c.FrameRect(CRect(0, 0, kButtonWidth, kButtonShownHeight), CBrush(color));
    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(ink);
    c.SetBkColor(face);
    c.DrawText(button->label, CRect(1, 2, kButtonWidth - 1, 8),
               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    char text[16];
    std::snprintf(text, sizeof text, "TRACE %d", button->trace);
    c.DrawText(text, CRect(1, 9, kButtonWidth - 1, 15), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return ScaleForStretch(c.Bitmap(), kButtonWidth, kButtonHeight);
}

CBitmap PaintMarkerButton(int id) {
    CCanvas c(kButtonWidth, kMarkerShownHeight, kFace);
    c.SetTextRecorder(nullptr);
    c.FrameRect(CRect(0, 0, kButtonWidth, kMarkerShownHeight), CBrush(kBlack));
    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(kBlack);
    c.SetBkColor(kFace);
    c.SelectPen(CPen(PS_SOLID, 1, kBlack));
    switch (id) {
        case IDB_MARKER_PEAK:
            c.DrawText("MARKER", CRect(1, 4, 34, 11), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            c.DrawText("TO PEAK", CRect(1, 14, 34, 21), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            break;
        case IDB_MARKER_CENTER:
            c.DrawText("MARKER", CRect(1, 4, 34, 11), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            c.DrawText("CENTER", CRect(1, 14, 34, 21), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            break;
        case IDB_MARKER_LEFT:
            Diamond(c, 24, 17);
            Arrow(c, 6, 13, 1);
            break;
        case IDB_MARKER_RIGHT:
            Diamond(c, 10, 17);
            Arrow(c, 28, 13, -1);
            break;
        default:
            return CBitmap();
    }
    return ScaleForStretch(c.Bitmap(), kButtonWidth, kMarkerHeight);
}
