#include "res/StationBitmaps.h"

#include <cmath>
#include <cstdio>

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "res/ScreenGridBitmap.h"

// Every picture here is drawn in screen coordinates through a viewport that
// moves screen row 14 to the picture's first row. The scales repeat the
// screens' own mappings from value to pixel, so that a tick sits on the very
// row or point the screen draws that value at.
namespace {

constexpr int kShownY = 14;
constexpr int kWidth = 240;
constexpr int kHeight = 254;

using Palette::kBlack;
using Palette::kGreen;
using Palette::kNavy;
using Palette::kRed;
using Palette::kWhite;
using Palette::kYellow;
constexpr COLORREF kGridGreen = RGB(0, 128, 0);
constexpr COLORREF kFrameGreen = RGB(0, 192, 0);
constexpr COLORREF kLabel = RGB(224, 224, 224);

constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kLeft = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

CCanvas NewPicture(COLORREF fill) {
    CCanvas c(kWidth, kHeight, fill);
    c.SetTextRecorder(nullptr);
    c.SetViewportOrg(0, -kShownY);
    return c;
}

CBitmap Finish(CCanvas& c, int ownCell) {
    PaintScreenGrid(c, ownCell, 0);
    return c.TakeBitmap();
}

void Line(CCanvas& c, int x0, int y0, int x1, int y1) {
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
}

// A chart: black inside, a green frame on its outermost pixels.
void Chart(CCanvas& c, const CRect& outline) {
    c.FillSolidRect(outline, kBlack);
    c.FrameRect(outline, CBrush(kFrameGreen));
}

// A label of the small font centred on row y, right-aligned against x.
void LabelLeftOf(CCanvas& c, int x, int y, const char* text) {
    c.DrawText(text, CRect(x - 26, y - 3, x, y + 4), kRight);
}

void Title(CCanvas& c, const char* text, const CRect& r, unsigned format = kCentred) {
    c.DrawText(text, r, format);
}

// --- channel frequency response --------------------------------------------

// Power profile: point j at x = 40 + (172 j) / 43, percent c at y = 2 (48 - c).
// The profile starts 8 taps (two chips) before the strongest tap.
int ProfileY(int percent) {
    return 2 * (48 - percent);
}
int ChipX(int chip) {
    return 40 + (172 * (8 + 4 * chip)) / 43;
}
// Response: level L dB at y = 204 - ((L + 60) 68) / 60, point j at
// x = 40 + (172 j) / 21; point 11 is the carrier.
int LevelY(int level) {
    return 204 - ((level + 60) * 68) / 60;
}
int ResponseX(int j) {
    return 40 + (172 * j) / 21;
}

COLORREF ChipColor(int chip) {
    if (chip < 0) return kRed;
    return chip == 0 ? kYellow : kGreen;
}

void PaintProfileChart(CCanvas& c) {
    Chart(c, CRect(39, kShownY, 214, ProfileY(0) + 2));
    char text[16];
    c.SelectPen(CPen(PS_DASH, 1, kGridGreen));
    for (int chip = -1; chip <= 8; ++chip) Line(c, ChipX(chip), kShownY + 1, ChipX(chip), 96);
    for (int percent = 10; percent <= 40; percent += 10)
        Line(c, 40, ProfileY(percent), 213, ProfileY(percent));
    c.SelectPen(CPen(PS_SOLID, 1, kFrameGreen));
    Line(c, 40, ProfileY(0), 213, ProfileY(0));
    c.SetTextColor(kLabel);
    c.SetBkColor(kBlack);
    // 45 and 50 % lie above the picture, under the activity strip.
    for (int percent = 5; ProfileY(percent) > kShownY; percent += 5) {
        const int y = ProfileY(percent);
        Line(c, 35, y, 39, y);
        std::snprintf(text, sizeof text, "%d", percent);
        LabelLeftOf(c, 34, y, text);
    }
    c.SetTextColor(kWhite);
    Title(c, "MULTIPATH", CRect(96, 17, 160, 24));
    for (int chip = -2; chip <= 9; ++chip) {
        const int x = ChipX(chip);
        Line(c, x, 97, x, 100);
        c.SetTextColor(ChipColor(chip));
        std::snprintf(text, sizeof text, "%d", chip);
        c.DrawText(text, CRect(x - 8, 100, x + 8, 107), kCentred);
    }
    c.SetTextColor(kWhite);
    Title(c, "CHIPS", CRect(40, 107, 213, 114));
}

void PaintResponseChart(CCanvas& c) {
    c.SetTextColor(kWhite);
    c.SetBkColor(kBlack);
    Title(c, "CHANNEL-FREQUENCY RESPONSE", CRect(40, 118, 213, 125));
    Title(c, "dB", CRect(10, 127, 34, 134), kRight);
    Chart(c, CRect(39, LevelY(0) - 1, 214, LevelY(-60) + 2));
    c.SelectPen(CPen(PS_DASH, 1, kGridGreen));
    for (int j = 1; j < 21; j += 2) Line(c, ResponseX(j), LevelY(0), ResponseX(j), LevelY(-60));
    for (int level = -6; level > -60; level -= 6) Line(c, 40, LevelY(level), 213, LevelY(level));
    c.SelectPen(CPen(PS_SOLID, 1, kFrameGreen));
    Line(c, ResponseX(11), LevelY(0), ResponseX(11), LevelY(-60));
    Line(c, 40, LevelY(-60), 213, LevelY(-60));
    c.SetTextColor(kLabel);
    char text[16];
    for (int level = -6; level >= -60; level -= 6) {
        const int y = LevelY(level);
        Line(c, 35, y, 39, y);
        std::snprintf(text, sizeof text, "%d", level);
        LabelLeftOf(c, 34, y, text);
    }
    c.DrawText("-11MHz", CRect(ResponseX(0) - 14, 207, ResponseX(0) + 16, 214), kCentred);
    c.DrawText("0", CRect(ResponseX(11) - 8, 207, ResponseX(11) + 8, 214), kCentred);
    c.DrawText("11MHz", CRect(ResponseX(21) - 14, 207, ResponseX(21) + 14, 214), kCentred);
}

// --- signal and noise histories --------------------------------------------

struct HistoryChart {
    const char* title;
    const char* scaleTitle;
    int top;       // row of the chart's highest value
    int baseline;  // first row under the chart's lowest value (its bar's baseline)
    int firstLabel;
    int labelStep;  // per 10 pixels
};
// Signal and noise: y = top + 40 - (dBm + 100) / 2; signal-to-noise: 0 dB on
// the lowest row, 80 dB on the highest.
constexpr HistoryChart kHistoryCharts[] = {
    {"SIGNAL", "RSSI (dBm)", 29, 70, -20, -20},
    {"NOISE", "RSSI (dBm)", 95, 136, -20, -20},
    {"SIGNAL\\NOISE", "dB", 161, 202, 80, -20},
};
constexpr int kTraceLeft = 38;
constexpr int kTraceRight = 207;
constexpr int kBarLeft = 214;
constexpr int kBarRight = 231;

void PaintHistoryChart(CCanvas& c, const HistoryChart& h) {
    c.SetTextColor(kWhite);
    c.SetBkColor(kBlack);
    Title(c, h.title, CRect(kTraceLeft, h.top - 14, kTraceRight + 1, h.top - 7));
    Title(c, h.scaleTitle, CRect(1, h.top - 14, 40, h.top - 7), kLeft);
    Chart(c, CRect(kTraceLeft - 1, h.top - 1, kTraceRight + 2, h.baseline + 1));
    Chart(c, CRect(kBarLeft - 1, h.top - 1, kBarRight + 2, h.baseline + 1));
    c.SelectPen(CPen(PS_DASH, 1, kGridGreen));
    for (int y = h.top + 10; y < h.baseline - 1; y += 10)
        Line(c, kTraceLeft, y, kTraceRight + 1, y);
    for (int x = kTraceRight - 30; x > kTraceLeft; x -= 30) Line(c, x, h.top, x, h.baseline);
    c.SelectPen(CPen(PS_SOLID, 1, kFrameGreen));
    c.SetTextColor(kLabel);
    char text[16];
    for (int k = 0; k <= 4; ++k) {
        const int y = h.top + 10 * k;
        Line(c, 33, y, 37, y);
        std::snprintf(text, sizeof text, "%d", h.firstLabel + k * h.labelStep);
        LabelLeftOf(c, 32, y, text);
    }
    c.SetTextColor(kWhite);
    Title(c, "TIME ( IN PACKETS )",
          CRect(kTraceLeft, h.baseline + 2, kTraceRight + 1, h.baseline + 9));
}

// --- Wisp meter --------------------------------------------------------------

constexpr COLORREF kWispBack = RGB(0, 64, 128);
constexpr COLORREF kDial = RGB(248, 248, 236);
constexpr COLORREF kButtonFace = RGB(192, 192, 192);
constexpr int kPivotX = 120;
constexpr int kPivotY = 134;
constexpr int kNeedle = 110;
constexpr double kArcInner = 96.0;
constexpr double kArcOuter = 103.0;

double Radians(double degrees) {
    return degrees * std::acos(-1.0) / 180.0;
}

// The point r pixels from the pivot in the direction of level v (the needle
// for r = 110): the same double arithmetic and truncation as the screen's
// needle, values within rounding noise of a whole pixel taken as that pixel.
int Truncate(double v) {
    const double whole = std::round(v);
    return std::fabs(v - whole) < 1e-9 ? static_cast<int>(whole) : static_cast<int>(v);
}
CPoint DialPoint(int level, int r) {
    const double a = Radians(-1.5 * level);
    return CPoint(kPivotX + Truncate(r * std::cos(a)), kPivotY - Truncate(r * std::sin(a)));
}

COLORREF ArcColor(double level) {
    if (level < -80.0) return kRed;
    return level < -60.0 ? kYellow : kGreen;
}

void PaintDial(CCanvas& c) {
    const CRect face(4, 16, 236, 141);
    c.FillSolidRect(face, kDial);
    c.FrameRect(face, CBrush(Palette::kGrey));
    // The coloured arc between -100 and -20 dBm, pixel by pixel.
    const double degrees = 180.0 / std::acos(-1.0);
    for (int y = kShownY; y <= kPivotY; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double dx = x - kPivotX;
            const double dy = kPivotY - y;
            const double r = std::hypot(dx, dy);
            if (r < kArcInner || r > kArcOuter) continue;
            const double angle = std::atan2(dy, dx) * degrees;
            if (angle < 30.0 || angle > 150.0) continue;
            c.SetPixel(x, y, ArcColor(-angle / 1.5));
        }
    }
    c.SelectPen(CPen(PS_SOLID, 1, kBlack));
    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(kBlack);
    c.SetBkColor(kDial);
    char text[16];
    for (int level = -100; level <= -20; level += 10) {
        // From the needle's end inwards, so the end pixel itself is drawn.
        const CPoint tip = DialPoint(level, kNeedle);
        const CPoint inner = DialPoint(level, level % 20 == 0 ? 90 : 94);
        Line(c, tip.x, tip.y, inner.x, inner.y);
        if (level % 20 != 0) continue;
        const CPoint at = DialPoint(level, 80);
        std::snprintf(text, sizeof text, "%d", level);
        c.DrawText(text, CRect(at.x - 12, at.y - 3, at.x + 12, at.y + 4), kCentred);
    }
    c.SelectFont(CFont(80, "System"));
    c.DrawText("dbm", CRect(100, 104, 140, 114), kCentred);
    c.SelectBrush(CBrush(kBlack));
    c.Ellipse(kPivotX - 4, kPivotY - 4, kPivotX + 5, kPivotY + 5);
}

void PaintWispHistory(CCanvas& c) {
    // Level w at y = 218 - (w + 100) / 2: -20 dBm on row 178.
    Chart(c, CRect(30, 177, 182, 220));
    c.SelectPen(CPen(PS_DASH, 1, kGridGreen));
    for (int y = 188; y < 218; y += 10) Line(c, 31, y, 181, y);
    c.SelectPen(CPen(PS_SOLID, 1, kFrameGreen));
    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(kLabel);
    c.SetBkColor(kWispBack);
    char text[16];
    for (int level = -20; level >= -100; level -= 20) {
        const int y = 218 - (level + 100) / 2;
        std::snprintf(text, sizeof text, "%d", level);
        LabelLeftOf(c, 28, y, text);
    }
    // The level column beside it, on the same scale.
    Chart(c, CRect(192, 177, 214, 220));
}

}  // namespace

CBitmap PaintCfrBackground(int) {
    CCanvas c = NewPicture(kBlack);
    c.SelectFont(CFont(60, "System"));
    PaintProfileChart(c);
    PaintResponseChart(c);
    c.FillSolidRect(CRect(0, 220, kWidth, 228), kNavy);
    return Finish(c, 20);
}

CBitmap PaintSingleNoiseBackground(int) {
    CCanvas c = NewPicture(kBlack);
    c.SelectFont(CFont(60, "System"));
    for (const HistoryChart& h : kHistoryCharts) PaintHistoryChart(c, h);
    c.FillSolidRect(CRect(0, 212, kWidth, 228), kNavy);
    return Finish(c, 10);
}

CBitmap PaintWispBackground(int) {
    CCanvas c = NewPicture(kWispBack);
    PaintDial(c);
    const CRect button(163, 144, 230, 162);
    c.FillSolidRect(button, kButtonFace);
    c.FrameRect(button, CBrush(kBlack));
    c.SelectFont(CFont(80, "System"));
    c.SetTextColor(kBlack);
    c.SetBkColor(kButtonFace);
    c.DrawText("RESET PEAK", button, kCentred);
    PaintWispHistory(c);
    return Finish(c, 11);
}
