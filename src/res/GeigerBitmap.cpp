#include <cstdio>

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/BitmapPainters.h"
#include "res/Resource.h"
#include "res/ScreenGridBitmap.h"

// The Geiger screen's background, shown at (0,14) at its own size: the
// antenna, the yellow level scale the beam fills (one line per 10 dB, -90
// dBm at screen y 154 to -30 dBm at y 214, each line running from x 249 - y
// to y - 9) and the screen grid with GEIGER in red.
namespace {

constexpr int kTop = 14;  // where the screen shows the picture
constexpr int kWidth = 240;
constexpr int kHeight = 254;
constexpr int kGeigerCell = 21;
constexpr COLORREF kAntenna = RGB(0, 192, 255);

constexpr int kScaleTop = 154;     // -90 dBm
constexpr int kScaleBottom = 214;  // -30 dBm
constexpr int kScaleStep = 10;

void DrawAntenna(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, kAntenna));
    c.MoveTo(120, 154 - kTop);
    c.LineTo(120, 119 - kTop);
    c.LineTo(102, 90 - kTop);
    c.LineTo(138, 90 - kTop);
    c.LineTo(120, 119 - kTop);
}

void DrawLevelScale(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, Palette::kYellow));
    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(Palette::kYellow);
    c.SetBkColor(Palette::kBlack);
    char text[8];
    for (int y = kScaleTop, dbm = -90; y <= kScaleBottom; y += kScaleStep, dbm += 10) {
        const int left = 249 - y;
        const int right = y - 9;
        c.MoveTo(left, y - kTop);
        c.LineTo(right, y - kTop);
        std::snprintf(text, sizeof text, "%d", dbm);
        c.DrawText(text, CRect(left - 30, y - 5 - kTop, left - 4, y + 5 - kTop),
                   DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
}

}  // namespace

CBitmap PaintGeigerBackground(int) {
    CCanvas c(kWidth, kHeight, Palette::kBlack);
    c.SetTextRecorder(nullptr);
    DrawAntenna(c);
    DrawLevelScale(c);
    PaintScreenGrid(c, kGeigerCell, kTop);
    return c.TakeBitmap();
}
