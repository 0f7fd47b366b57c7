#include "screens/ScreenGrid.h"

const ScreenGridCell* FindScreenGridCell(int x, int y) {
    for (const ScreenGridCell& cell : kScreenGrid) {
        if (cell.rect.PtInRect(x, y)) return &cell;
    }
    return nullptr;
}
