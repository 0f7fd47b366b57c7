#pragma once

#include <string>

#include "gfx/Bitmap.h"
#include "gfx/Geometry.h"

// PNG files of 24-bit images (libpng). Return 0 on success, -1 on failure
// (unwritable path, unreadable or malformed file); nothing throws.

// Writes the part of `bitmap` inside `area` (clipped to the bitmap; an empty
// result is a failure).
int WritePng(const CBitmap& bitmap, const CRect& area, const std::string& path);
int WritePng(const CBitmap& bitmap, const std::string& path);
// Rows of packed R, G, B bytes, `stride` bytes apart.
int WritePng(const unsigned char* rgb, int width, int height, int stride, const std::string& path);
// Reads any PNG (palette, grey, alpha and 16-bit images are converted to
// 8-bit RGB; alpha is dropped). Images larger than CBitmap::kMaxDimension fail.
int ReadPng(const std::string& path, CBitmap* out);
