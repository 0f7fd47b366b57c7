#pragma once

#include <vector>

#include "gfx/Bitmap.h"

// The program's bitmaps by resource id, drawn by our own code on first use
// and kept for the life of the process. nullptr for an id we do not have.
// Safe to call from any thread.
const CBitmap* LoadBitmapResource(int id);

// Every id LoadBitmapResource knows, ascending.
std::vector<int> BitmapResourceIds();

// The program's icon (the About box shows it), 24 x 24.
const CBitmap& ProgramIcon();
// The same icon drawn at `size` x `size` (the desktop's icon sizes); an empty
// bitmap for a size below 1 or too large to draw.
CBitmap PaintProgramIcon(int size);
