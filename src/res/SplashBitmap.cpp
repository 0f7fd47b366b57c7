#include <array>
#include <cmath>

#include "gfx/Canvas.h"
#include "res/BitmapPainters.h"

// The start-up and main menu background. Screens stretch it into the top
// 240 x 270 pixels, so it is composed at that size and scaled up to its
// 240 x 320 resource size. Layout on the screen: the product name across the
// top (y 0..46), an open grid where the menu boxes and the start-up prompt go
// (y 50..165), a small spectrum display (y 172..228), the firmware line the
// menu draws (y 234..249) and a footer.
namespace {

constexpr int kWidth = 240;
constexpr int kShownHeight = 270;

void DrawBackground(CCanvas& c) {
    for (int y = 0; y < kShownHeight; ++y) {
        const int blue = 72 - (y * 72) / kShownHeight;
        c.FillSolidRect(CRect(0, y, kWidth, y + 1), RGB(0, blue / 4, blue));
    }
    // A faint measuring grid behind the menu boxes.
    c.SelectPen(CPen(PS_DOT, 1, RGB(0, 40, 72)));
    for (int x = 10; x < kWidth; x += 20) {
        c.MoveTo(x, 50);
        c.LineTo(x, 168);
    }
    for (int y = 50; y < 168; y += 20) {
        c.MoveTo(0, y);
        c.LineTo(kWidth, y);
    }
}

void DrawTitle(CCanvas& c) {
    c.FillSolidRect(CRect(0, 0, kWidth, 46), RGB(0, 16, 64));
    c.FillSolidRect(CRect(0, 46, kWidth, 47), RGB(0, 160, 255));
    c.SetBkMode(TRANSPARENT);
    c.SelectFont(CFont(220, "System"));
    c.SetTextColor(RGB(0, 0, 0));
    c.DrawText("Orvalis", CRect(2, 2, kWidth + 2, 30), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    c.SetTextColor(RGB(255, 224, 0));
    c.DrawText("Orvalis", CRect(0, 0, kWidth, 28), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    c.SelectFont(CFont(80, "System"));
    c.SetTextColor(RGB(128, 224, 255));
    c.DrawText("802.11b SURVEY INSTRUMENT", CRect(0, 31, kWidth, 44),
               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const int textWidth = c.GetTextExtent("802.11b SURVEY INSTRUMENT").cx;
    const int gap = (kWidth - textWidth) / 2 - 6;
    c.FillSolidRect(CRect(6, 37, gap, 38), RGB(0, 160, 255));
    c.FillSolidRect(CRect(kWidth - gap, 37, kWidth - 6, 38), RGB(0, 160, 255));
}

// A full-band sweep as the instrument shows it: noise floor with three busy
// channels (1, 6 and 11) standing out.
void DrawSpectrumPanel(CCanvas& c) {
    const CRect panel(8, 172, 232, 228);
    c.SelectPen(CPen(PS_SOLID, 1, RGB(128, 128, 128)));
    c.SelectBrush(CBrush(RGB(0, 20, 0)));
    c.Rectangle(panel);
    c.SelectPen(CPen(PS_DOT, 1, RGB(0, 80, 0)));
    for (int x = panel.left + 22; x < panel.right - 1; x += 22) {
        c.MoveTo(x, panel.top + 1);
        c.LineTo(x, panel.bottom - 1);
    }
    for (int y = panel.top + 11; y < panel.bottom - 1; y += 11) {
        c.MoveTo(panel.left + 1, y);
        c.LineTo(panel.right - 1, y);
    }
    std::array<CPoint, 220> trace;
    unsigned seed = 12345;
    for (int i = 0; i < static_cast<int>(trace.size()); ++i) {
        const double mhz = 2400.0 + i * 100.0 / trace.size();
        double level = -92.0;
        for (double centre : {2412.0, 2437.0, 2462.0}) {
            const double d = (mhz - centre) / 7.5;
            level = std::max(level, -38.0 - 18.0 * d * d);
        }
        seed = seed * 1103515245u + 12345u;
        level += static_cast<double>((seed >> 16) % 5) - 2.0;
        const int y = panel.bottom - 3 - static_cast<int>((level + 100.0) * 0.75);
        trace[static_cast<std::size_t>(i)] = CPoint(panel.left + 2 + i, std::max(y, panel.top + 2));
    }
    c.SelectPen(CPen(PS_SOLID, 1, RGB(64, 255, 64)));
    c.Polyline(trace);
    // Marker diamond on the middle channel's peak.
    const CPoint peak = trace[85];
    c.SelectPen(CPen(PS_SOLID, 1, RGB(255, 255, 0)));
    const CPoint diamond[] = {CPoint(peak.x, peak.y - 2), CPoint(peak.x - 3, peak.y - 5),
                              CPoint(peak.x, peak.y - 8), CPoint(peak.x + 3, peak.y - 5),
                              CPoint(peak.x, peak.y - 2)};
    c.Polyline(diamond);
}

void DrawFooter(CCanvas& c) {
    c.FillSolidRect(CRect(0, 252, kWidth, 253), RGB(0, 160, 255));
    c.SetBkMode(TRANSPARENT);
    c.SelectFont(CFont(60, "System"));
    c.SetTextColor(RGB(160, 160, 160));
    c.DrawText("2.4 GHz WIRELESS LAN SURVEY", CRect(0, 255, kWidth, 268),
               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace

CBitmap PaintSplash() {
    CCanvas c(kWidth, kShownHeight);
    c.SetTextRecorder(nullptr);
    DrawBackground(c);
    DrawTitle(c);
    DrawSpectrumPanel(c);
    DrawFooter(c);
    return ScaleForStretch(c.Bitmap(), kWidth, 320);
}
