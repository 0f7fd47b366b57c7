#pragma once

// Points, sizes and rectangles in surface pixels. A rectangle contains its left
// and top edges but not its right and bottom edges.

struct CPoint {
    int x = 0;
    int y = 0;
    constexpr CPoint() = default;
    constexpr CPoint(int px, int py) : x(px), y(py) {}
    constexpr bool operator==(const CPoint&) const = default;
};

struct CSize {
    int cx = 0;
    int cy = 0;
    constexpr CSize() = default;
    constexpr CSize(int w, int h) : cx(w), cy(h) {}
    constexpr bool operator==(const CSize&) const = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    constexpr bool operator==(const CRect&) const = default;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsRectEmpty() const { return right <= left || bottom <= top; }
    constexpr bool PtInRect(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    constexpr bool PtInRect(CPoint p) const { return PtInRect(p.x, p.y); }
    constexpr CRect Offset(int dx, int dy) const {
        return CRect(left + dx, top + dy, right + dx, bottom + dy);
    }
    // Both rectangles' common area; an empty rectangle when they do not meet.
    constexpr CRect Intersect(const CRect& o) const {
        CRect r(left > o.left ? left : o.left, top > o.top ? top : o.top,
                right < o.right ? right : o.right, bottom < o.bottom ? bottom : o.bottom);
        return r.IsRectEmpty() ? CRect() : r;
    }
};
