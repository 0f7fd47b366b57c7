#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/BitmapPainters.h"

// The nine 16 x 16 command-bar images side by side, in button order: main
// menu, record, stop recording, snapshot, up, down, options, increment
// marker, about. Drawn on the bar's light grey face.
namespace {

using Palette::kFace;
constexpr COLORREF kInk = Palette::kBlack;

void Line(CCanvas& c, int x0, int y0, int x1, int y1) {
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
}

void House(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, kInk));
    c.SelectBrush(CBrush(RGB(255, 255, 255)));
    c.Rectangle(4, 8, 13, 15);
    c.FillSolidRect(CRect(7, 10, 10, 15), RGB(128, 64, 0));
    for (int i = 0; i < 7; ++i) c.FillSolidRect(CRect(8 - i, 2 + i, 9 + i, 3 + i), RGB(192, 0, 0));
    Line(c, 1, 9, 8, 2);
    Line(c, 8, 2, 16, 10);
}

void Record(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, RGB(128, 0, 0)));
    c.SelectBrush(CBrush(RGB(255, 0, 0)));
    c.Ellipse(3, 3, 13, 13);
}

void Stop(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, kInk));
    c.SelectBrush(CBrush(RGB(0, 0, 160)));
    c.Rectangle(4, 4, 12, 12);
}

void Camera(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, kInk));
    c.SelectBrush(CBrush(RGB(64, 64, 64)));
    c.Rectangle(1, 5, 15, 14);
    c.Rectangle(4, 3, 8, 6);
    c.SelectBrush(CBrush(RGB(160, 200, 255)));
    c.SelectPen(CPen(PS_SOLID, 1, RGB(255, 255, 255)));
    c.Ellipse(5, 6, 12, 13);
    c.SetPixel(13, 7, RGB(255, 255, 0));
}

void Arrow(CCanvas& c, bool up) {
    for (int i = 0; i < 6; ++i) {
        const int y = up ? 3 + i : 12 - i;
        c.FillSolidRect(CRect(8 - i, y, 8 + i, y + 1), kInk);
    }
    c.FillSolidRect(CRect(6, up ? 9 : 2, 10, up ? 14 : 7), kInk);
}

void Options(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, kInk));
    c.SelectBrush(CBrush(RGB(255, 255, 255)));
    c.Rectangle(2, 2, 14, 14);
    c.SelectPen(CPen(PS_SOLID, 2, RGB(0, 128, 0)));
    Line(c, 4, 8, 7, 11);
    Line(c, 7, 11, 13, 4);
}

void Marker(CCanvas& c) {
    c.FillSolidRect(CRect(2, 2, 3, 15), kInk);
    c.SelectPen(CPen(PS_SOLID, 1, kInk));
    c.SelectBrush(CBrush(RGB(255, 0, 0)));
    c.Rectangle(3, 2, 10, 7);
    c.FillSolidRect(CRect(9, 11, 16, 12), RGB(0, 0, 160));
    c.FillSolidRect(CRect(12, 8, 13, 15), RGB(0, 0, 160));
}

void About(CCanvas& c) {
    c.SelectPen(CPen(PS_SOLID, 1, RGB(0, 0, 128)));
    c.SelectBrush(CBrush(RGB(0, 64, 192)));
    c.Ellipse(1, 1, 15, 15);
    c.FillSolidRect(CRect(7, 4, 9, 6), RGB(255, 255, 255));
    c.FillSolidRect(CRect(7, 7, 9, 12), RGB(255, 255, 255));
    c.FillSolidRect(CRect(6, 7, 7, 8), RGB(255, 255, 255));
    c.FillSolidRect(CRect(6, 11, 10, 12), RGB(255, 255, 255));
}

}  // namespace

CBitmap PaintCommandBar() {
    CCanvas c(9 * 16, 16, kFace);
    c.SetTextRecorder(nullptr);
    void (*const images[9])(CCanvas&) = {House,
                                         Record,
                                         Stop,
                                         Camera,
                                         [](CCanvas& k) { Arrow(k, true); },
                                         [](CCanvas& k) { Arrow(k, false); },
                                         Options,
                                         Marker,
                                         About};
    for (int i = 0; i < 9; ++i) {
        c.SetViewportOrg(16 * i, 0);
        c.SetClipRect(CRect(0, 0, 16, 16));
        images[i](c);
        c.ResetClip();
    }
    return c.TakeBitmap();
}
