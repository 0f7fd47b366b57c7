#pragma once

#include "gfx/Bitmap.h"
#include "gfx/Color.h"

// Backgrounds of the multipath and delay-spread screens, 240 x 254, shown at
// (0, 14). Both carry the selected station's side on the left (station
// panel, frame counts, rate table, signal-quality column) and the screen
// grid at the bottom.
CBitmap PaintMultipathBackground(int id);
CBitmap PaintDelaySpreadBackground(int id);

// The signal-quality column as the screens sample it at x = 40: the colour
// at screen row y (138..224 inclusive).
COLORREF SignalQualityColor(int y);
