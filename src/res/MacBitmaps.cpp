#include <cstdio>

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "res/TrafficBitmaps.h"

// The MAC list background, shown at (0,20) at its own size: column headings
// above the eight rows, a rule between rows (row k spans screen y 20k + 19 ..
// 20k + 36), the channel strip with its cells at (17i - 15, 199)-(17i - 1, 217)
// and the SURVEY bar at y 219..234.
namespace {

constexpr int kTop = 20;
using Palette::kBlack;
using Palette::kNavy;
using Palette::kWhite;
constexpr COLORREF kHeading = Palette::kYellow;
constexpr COLORREF kRule = RGB(72, 72, 72);

CRect Shown(int l, int t, int r, int b) {
    return CRect(l, t - kTop, r, b - kTop);
}

constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr unsigned kLeft = DT_LEFT | DT_VCENTER | DT_SINGLELINE;

}  // namespace

CBitmap PaintMacListBackground(int) {
    CCanvas c(240, 220, kBlack);
    c.SetTextRecorder(nullptr);

    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(kHeading);
    c.SetBkColor(kBlack);
    c.DrawText("NUM", Shown(3, 24, 27, 30), kCentred);
    c.DrawText("CH", Shown(27, 24, 40, 30), kCentred);
    c.DrawText("MAC ADDRESS", Shown(45, 24, 200, 30), kLeft);
    c.DrawText("SSID", Shown(45, 31, 170, 37), kLeft);
    c.DrawText("RSSI", Shown(210, 24, 237, 30), kCentred);
    c.DrawText("S/N", Shown(210, 31, 237, 37), kCentred);

    c.SelectPen(CPen(PS_SOLID, 1, kRule));
    for (int k = 0; k <= 8; ++k) {
        const int y = 20 * k + 38 - kTop;
        c.MoveTo(0, y);
        c.LineTo(240, y);
    }

    c.SelectFont(CFont(80, "System"));
    c.SetTextColor(kWhite);
    c.SetBkColor(kNavy);
    char text[16];
    for (int i = 1; i <= 14; ++i) {
        const CRect cell = Shown(17 * i - 15, 199, 17 * i - 1, 217);
        c.FillSolidRect(cell, kNavy);
        std::snprintf(text, sizeof text, "%d", i);
        c.DrawText(text, cell, kCentred);
    }

    const CRect survey = Shown(0, 219, 240, 235);
    c.FillSolidRect(survey, kNavy);
    c.DrawText("SURVEY", survey, kCentred);
    return c.TakeBitmap();
}
