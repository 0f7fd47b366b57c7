#pragma once

#include "gfx/Color.h"

// A solid brush, or the null brush that paints nothing. A plain value.
class CBrush {
public:
    constexpr CBrush() = default;  // the null brush
    constexpr explicit CBrush(COLORREF color) : m_bNull(false), m_color(color) {}

    static constexpr CBrush Null() { return CBrush(); }

    constexpr bool IsNull() const { return m_bNull; }
    constexpr COLORREF Color() const { return m_color; }
    constexpr bool operator==(const CBrush&) const = default;

private:
    bool m_bNull = true;
    COLORREF m_color = RGB(0, 0, 0);
};
