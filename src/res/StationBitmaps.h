#pragma once

#include "gfx/Bitmap.h"

// Painters of the backgrounds of the screens that follow the station picked
// on the MAC list: the channel frequency response, the signal and noise
// histories and the Wisp meter. Each is 240 x 254 and shown at (0,14).
CBitmap PaintCfrBackground(int id);
CBitmap PaintSingleNoiseBackground(int id);
CBitmap PaintWispBackground(int id);
