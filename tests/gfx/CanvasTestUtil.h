#pragma once

#include <functional>

#include "gfx/Canvas.h"

// Small pixel helpers shared by the canvas tests.
namespace canvas_test {

inline int CountPixels(const CCanvas& c, COLORREF color) {
    int n = 0;
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            if (c.GetPixel(x, y) == color) ++n;
    return n;
}

// Bounding rectangle (exclusive right/bottom) of the pixels that differ from
// `background`; empty when none does.
inline CRect InkBounds(const CCanvas& c, COLORREF background) {
    CRect r(c.Width(), c.Height(), 0, 0);
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            if (c.GetPixel(x, y) != background) {
                r.left = std::min(r.left, x);
                r.top = std::min(r.top, y);
                r.right = std::max(r.right, x + 1);
                r.bottom = std::max(r.bottom, y + 1);
            }
    return r.IsRectEmpty() ? CRect() : r;
}

inline bool AllOutsideAre(const CCanvas& c, const CRect& inside, COLORREF color) {
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x)
            if (!inside.PtInRect(x, y) && c.GetPixel(x, y) != color) return false;
    return true;
}

}  // namespace canvas_test
