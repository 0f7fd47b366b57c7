#pragma once

#include "gfx/Bitmap.h"

// The painters behind LoadBitmapResource, one per picture (or family).
CBitmap PaintSplash();
CBitmap PaintActivityFrame(int id);  // id 152 .. 166
CBitmap PaintCommandBar();
CBitmap PaintGeigerBackground(int id);  // IDB_GEIGER

// Scales a picture composed at the size the screens show it to the size the
// resource has, so that the screens' nearest-neighbour stretch gives back
// the composed pixels exactly (every scale-down by centre sampling inverts
// the scale-up).
CBitmap ScaleForStretch(const CBitmap& shown, int width, int height);
