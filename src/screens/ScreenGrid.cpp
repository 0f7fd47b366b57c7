#include "screens/ScreenGrid.h"

#include "gfx/Canvas.h"

const ScreenGridCell* FindScreenGridCell(int x, int y) {
    for (const ScreenGridCell& cell : kScreenGrid) {
        if (cell.rect.PtInRect(x, y)) return &cell;
    }
    return nullptr;
}

void DrawScreenGrid(CCanvas& dc, int ownCell) {
    const CFont previous = dc.SelectFont(CFont(60, "System"));
    const CPen oldPen = dc.SelectPen(CPen(PS_SOLID, 1, RGB(255, 255, 0)));
    for (const ScreenGridCell& cell : kScreenGrid) {
        const bool own = cell.nCode == ownCell;
        const COLORREF face = own ? RGB(255, 255, 0) : RGB(0, 0, 0);
        const CBrush oldBrush = dc.SelectBrush(CBrush(face));
        dc.Rectangle(cell.rect);
        dc.SelectBrush(oldBrush);
        dc.SetTextColor(own ? RGB(0, 0, 0) : RGB(255, 255, 0));
        dc.SetBkColor(face);
        dc.DrawText(cell.label, cell.rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    dc.SelectPen(oldPen);
    dc.SelectFont(previous);
}
