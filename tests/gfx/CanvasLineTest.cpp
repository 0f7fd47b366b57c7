#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "CanvasTestUtil.h"
#include "gfx/Canvas.h"

using canvas_test::CountPixels;
using canvas_test::InkBounds;

namespace {

constexpr COLORREF kInk = RGB(255, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The run lengths of ink along row y from x0 (ink first).
std::vector<int> RunsAlongRow(const CCanvas& c, int y, int x0, int x1) {
    std::vector<int> runs;
    bool ink = true;
    int len = 0;
    for (int x = x0; x < x1; ++x) {
        const bool here = c.GetPixel(x, y) == kInk;
        if (here == ink) {
            ++len;
        } else {
            runs.push_back(len);
            ink = here;
            len = 1;
        }
    }
    runs.push_back(len);
    return runs;
}

TEST(CanvasLine, LastPointIsNotDrawnInAnyDirection) {
    const CPoint ends[][2] = {{{10, 10}, {20, 10}}, {{20, 10}, {10, 10}}, {{10, 10}, {10, 20}},
                              {{10, 20}, {10, 10}}, {{10, 10}, {20, 20}}, {{20, 20}, {10, 10}},
                              {{10, 10}, {30, 15}}, {{30, 15}, {10, 10}}};
    for (const auto& e : ends) {
        CCanvas c(40, 40);
        c.SelectPen(CPen(PS_SOLID, 1, kInk));
        c.MoveTo(e[0]);
        c.LineTo(e[1]);
        EXPECT_EQ(c.GetPixel(e[0].x, e[0].y), kInk);
        EXPECT_EQ(c.GetPixel(e[1].x, e[1].y), kBlack);
        const int steps = std::max(std::abs(e[1].x - e[0].x), std::abs(e[1].y - e[0].y));
        EXPECT_EQ(CountPixels(c, kInk), steps);
        EXPECT_EQ(c.GetCurrentPosition(), e[1]);
    }
}

TEST(CanvasLine, ShallowLineStepsOnceAndStaysWithinHalfAPixel) {
    CCanvas c(40, 40);
    c.SelectPen(CPen(PS_SOLID, 1, kInk));
    c.MoveTo(0, 0);
    c.LineTo(30, 10);
    for (int x = 0; x < 30; ++x) {
        int hits = 0, row = -1;
        for (int y = 0; y < 40; ++y)
            if (c.GetPixel(x, y) == kInk) ++hits, row = y;
        ASSERT_EQ(hits, 1) << x;
        EXPECT_LE(std::abs(3 * row - x), 2) << x;  // |row - x/3| <= 0.5 (+ rounding)
    }
}

TEST(CanvasLine, ZeroLengthAndNullPenDrawNothingButMove) {
    CCanvas c(20, 20);
    c.SelectPen(CPen(PS_SOLID, 5, kInk));
    c.MoveTo(5, 5);
    c.LineTo(5, 5);
    EXPECT_EQ(CountPixels(c, kInk), 0);
    c.SelectPen(CPen::Null());
    c.LineTo(15, 15);
    EXPECT_EQ(CountPixels(c, kInk), 0);
    EXPECT_EQ(c.GetCurrentPosition(), CPoint(15, 15));
}

TEST(CanvasLine, PenWidthsGiveThatManyRows) {
    for (int width : {1, 2, 5}) {
        CCanvas c(60, 60);
        c.SelectPen(CPen(PS_SOLID, width, kInk));
        c.MoveTo(10, 30);
        c.LineTo(50, 30);
        int rows = 0;
        for (int y = 0; y < 60; ++y)
            if (c.GetPixel(30, y) == kInk) ++rows;
        EXPECT_EQ(rows, width);
        // The wide line is centred on the path (a 2-pixel pen takes the row above).
        EXPECT_EQ(c.GetPixel(30, 30), kInk);
        EXPECT_EQ(c.GetPixel(30, 30 - width / 2), kInk);
        EXPECT_EQ(c.GetPixel(30, 30 + (width - 1) / 2), kInk);
    }
}

TEST(CanvasLine, FivePixelPenHasRoundedEnds) {
    CCanvas c(60, 60);
    c.SelectPen(CPen(PS_SOLID, 5, kInk));
    c.MoveTo(20, 30);
    c.LineTo(40, 30);
    EXPECT_EQ(InkBounds(c, kBlack), CRect(18, 28, 42, 33));
    EXPECT_EQ(c.GetPixel(18, 28), kBlack);  // corner cut off
    EXPECT_EQ(c.GetPixel(18, 30), kInk);
}

TEST(CanvasLine, DashesAreSixOnThreeOffAndRestartAtMoveTo) {
    CCanvas c(60, 10);
    c.SelectPen(CPen(PS_DASH, 1, kInk));
    c.MoveTo(0, 2);
    c.LineTo(40, 2);
    EXPECT_EQ(RunsAlongRow(c, 2, 0, 40), (std::vector<int>{6, 3, 6, 3, 6, 3, 6, 3, 4}));
    // A dash pattern carries over from one LineTo to the next.
    c.MoveTo(0, 5);
    c.LineTo(4, 5);
    c.LineTo(10, 5);
    EXPECT_EQ(RunsAlongRow(c, 5, 0, 12), (std::vector<int>{6, 3, 1, 2}));
    c.MoveTo(0, 7);
    c.LineTo(4, 7);
    c.MoveTo(4, 7);
    c.LineTo(12, 7);
    EXPECT_EQ(RunsAlongRow(c, 7, 0, 12), (std::vector<int>{10, 2}));
}

TEST(CanvasPolyline, ClosedPathDrawsEveryVertexAndOpenPathSkipsTheLast) {
    // The spectrum marker diamond: a closed path back to its first point.
    CCanvas c(40, 40);
    c.SelectPen(CPen(PS_SOLID, 1, kInk));
    const CPoint diamond[] = {{21, 20}, {17, 16}, {21, 12}, {25, 16}, {21, 20}};
    c.Polyline(diamond);
    for (const CPoint& p : diamond) EXPECT_EQ(c.GetPixel(p.x, p.y), kInk);
    EXPECT_EQ(CountPixels(c, kInk), 16);

    CCanvas d(40, 40);
    d.SelectPen(CPen(PS_SOLID, 1, kInk));
    d.MoveTo(3, 3);
    const CPoint open[] = {{0, 0}, {10, 0}, {10, 10}};
    d.Polyline(open, 3);
    EXPECT_EQ(d.GetPixel(10, 0), kInk);
    EXPECT_EQ(d.GetPixel(10, 9), kInk);
    EXPECT_EQ(d.GetPixel(10, 10), kBlack);
    EXPECT_EQ(d.GetCurrentPosition(), CPoint(3, 3));
    d.Polyline(open, 1);
    d.Polyline(nullptr, 5);
    EXPECT_EQ(CountPixels(d, kInk), 20);
}

TEST(CanvasPolyline, DashPatternRunsRoundCorners) {
    CCanvas c(20, 20);
    c.SelectPen(CPen(PS_DASH, 1, kInk));
    const CPoint path[] = {{0, 0}, {4, 0}, {4, 10}};
    c.Polyline(path);
    // Steps 0..5 are on: four along the top, then (4,0) and (4,1).
    EXPECT_EQ(c.GetPixel(4, 1), kInk);
    EXPECT_EQ(c.GetPixel(4, 2), kBlack);
    EXPECT_EQ(c.GetPixel(4, 4), kBlack);
    EXPECT_EQ(c.GetPixel(4, 5), kInk);
}

// Clipping must not move a single pixel: a line drawn on a small canvas
// equals the same line drawn on a large one, seen through the same window.
TEST(CanvasLine, ClippedLinesMatchUnclippedPixels) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-400, 700);
    const int widths[] = {1, 2, 5};
    const int styles[] = {PS_SOLID, PS_DASH, PS_DOT};
    for (int round = 0; round < 300; ++round) {
        const CPen pen(styles[round % 3], widths[(round / 3) % 3], kInk);
        CCanvas small(240, 320);
        CCanvas large(1200, 1200);
        small.SelectPen(pen);
        large.SelectPen(pen);
        large.SetViewportOrg(450, 450);
        const CPoint a(coord(rng), coord(rng)), b(coord(rng), coord(rng)),
            d(coord(rng), coord(rng));
        const CPoint path[] = {a, b, d};
        small.Polyline(path);
        large.Polyline(path);
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 240; ++x)
                ASSERT_EQ(small.GetPixel(x, y), large.GetPixel(x, y))
                    << "round " << round << " at " << x << "," << y;
    }
}

}  // namespace
