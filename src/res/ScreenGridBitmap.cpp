#include "res/ScreenGridBitmap.h"

#include "gfx/Canvas.h"
#include "gfx/Palette.h"

void PaintScreenGrid(CCanvas& dc, int ownCell, int originY) {
    const CFont previousFont = dc.SelectFont(CFont(60, "System"));
    const CPen previousPen = dc.SelectPen(CPen(PS_SOLID, 1, Palette::kFace));
    for (const ScreenGridCell& cell : kScreenGrid) {
        const bool own = cell.nCode == ownCell;
        const COLORREF face = own ? Palette::kRed : Palette::kNavy;
        const CRect r = cell.rect.Offset(0, -originY);
        const CBrush previousBrush = dc.SelectBrush(CBrush(face));
        dc.Rectangle(r);
        dc.SelectBrush(previousBrush);
        dc.SetTextColor(Palette::kWhite);
        dc.SetBkColor(face);
        dc.DrawText(cell.label, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    dc.SelectPen(previousPen);
    dc.SelectFont(previousFont);
}
