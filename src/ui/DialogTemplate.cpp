#include "ui/DialogTemplate.h"

#include "gfx/Font.h"

namespace {

// (a * b + c / 2) / c for non-negative c, rounding halves away from zero.
int MulDiv(int a, int b, int c) {
    const long long p = static_cast<long long>(a) * b;
    const long long q = p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c);
    return static_cast<int>(q);
}

}  // namespace

DialogBaseUnits GetDialogBaseUnits(const std::string& fontFace, int nPointSize) {
    const CTextMetrics tm = CFont(nPointSize * 10, fontFace).Metrics();
    DialogBaseUnits base;
    base.cx = tm.aveCharWidth > 0 ? tm.aveCharWidth : 1;
    base.cy = tm.height > 0 ? tm.height : 1;
    return base;
}

int DialogUnitsToPixelsX(int dlu, const DialogBaseUnits& base) {
    return MulDiv(dlu, base.cx, 4);
}

int DialogUnitsToPixelsY(int dlu, const DialogBaseUnits& base) {
    return MulDiv(dlu, base.cy, 8);
}

CRect MapDialogRect(int x, int y, int cx, int cy, const DialogBaseUnits& base) {
    const int left = DialogUnitsToPixelsX(x, base);
    const int top = DialogUnitsToPixelsY(y, base);
    return CRect(left, top, DialogUnitsToPixelsX(x + cx, base), DialogUnitsToPixelsY(y + cy, base));
}
