#pragma once

#include "gfx/Color.h"

// Pen styles. A dashed or dotted pattern continues along a polyline and
// restarts at every MoveTo.
inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;  // 6 pixels on, 3 off
inline constexpr int PS_DOT = 2;   // 1 on, 1 off
inline constexpr int PS_NULL = 5;  // draws nothing

// A pen is a plain value: creating and deleting one costs nothing.
class CPen {
public:
    constexpr CPen() = default;  // solid black, 1 pixel
    constexpr CPen(int style, int width, COLORREF color)
        : m_nStyle(style), m_nWidth(width < 1 ? 1 : (width > 32 ? 32 : width)), m_color(color) {}

    static constexpr CPen Null() { return CPen(PS_NULL, 1, 0); }

    constexpr int Style() const { return m_nStyle; }
    constexpr int Width() const { return m_nWidth; }
    constexpr COLORREF Color() const { return m_color; }
    constexpr bool IsNull() const { return m_nStyle == PS_NULL; }
    constexpr bool operator==(const CPen&) const = default;

private:
    int m_nStyle = PS_SOLID;
    int m_nWidth = 1;
    COLORREF m_color = RGB(0, 0, 0);
};
