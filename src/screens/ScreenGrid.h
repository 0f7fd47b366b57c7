#pragma once

#include "res/ScreenGridBitmap.h"

// The cell containing (x, y), scanning column by column, row 0 before row 1;
// nullptr when none does.
const ScreenGridCell* FindScreenGridCell(int x, int y);
