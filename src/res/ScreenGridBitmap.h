#pragma once

#include <array>

#include "gfx/Geometry.h"

class CCanvas;

// The 2 x 4 button grid at the bottom of the channel measurement screens, in
// screen coordinates. Cell code = column x 10 + row.
struct ScreenGridCell {
    int nCode;
    CRect rect;
    const char* label;
};

inline constexpr std::array<ScreenGridCell, 8> kScreenGrid{{
    {0, CRect(7, 231, 59, 247), "MPATH"},
    {1, CRect(7, 249, 59, 265), "DELAY"},
    {10, CRect(65, 231, 117, 247), "NOISE"},
    {11, CRect(65, 249, 117, 265), "WISP"},
    {20, CRect(122, 231, 174, 247), "CFR"},
    {21, CRect(122, 249, 174, 265), "GEIGER"},
    {30, CRect(180, 231, 232, 247), "LIST"},
    {31, CRect(180, 249, 232, 265), ""},
}};

// Paints the grid's buttons into a screen's background picture whose top
// edge lies at screen row `originY`, the button of `ownCell` in red.
void PaintScreenGrid(CCanvas& dc, int ownCell, int originY);
