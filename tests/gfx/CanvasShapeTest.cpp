#include <gtest/gtest.h>

#include <climits>

#include "CanvasTestUtil.h"
#include "gfx/Canvas.h"

using canvas_test::CountPixels;
using canvas_test::InkBounds;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

TEST(CanvasFill, ContainsLeftAndTopEdgesOnly) {
    CCanvas c(60, 60);
    c.FillRect(CRect(10, 20, 30, 40), CBrush(kRed));
    EXPECT_EQ(c.GetPixel(10, 20), kRed);
    EXPECT_EQ(c.GetPixel(29, 39), kRed);
    EXPECT_EQ(c.GetPixel(30, 39), kBlack);
    EXPECT_EQ(c.GetPixel(29, 40), kBlack);
    EXPECT_EQ(c.GetPixel(9, 20), kBlack);
    EXPECT_EQ(c.GetPixel(10, 19), kBlack);
    EXPECT_EQ(CountPixels(c, kRed), 400);
}

TEST(CanvasFill, EmptyInvertedAndNullBrushDrawNothing) {
    CCanvas c(20, 20);
    c.FillRect(CRect(5, 5, 5, 10), CBrush(kRed));
    c.FillRect(CRect(10, 10, 5, 5), CBrush(kRed));
    c.FillRect(CRect(0, 0, 20, 20), CBrush::Null());
    EXPECT_EQ(CountPixels(c, kBlack), 400);
}

TEST(CanvasFill, FrameRectIsOnePixelInsideTheRectangle) {
    CCanvas c(40, 40);
    c.FrameRect(CRect(19, 14, 220 - 190, 22), CBrush(RGB(192, 192, 192)));
    const COLORREF grey = RGB(192, 192, 192);
    EXPECT_EQ(c.GetPixel(19, 14), grey);
    EXPECT_EQ(c.GetPixel(29, 21), grey);
    EXPECT_EQ(c.GetPixel(20, 15), kBlack);
    EXPECT_EQ(c.GetPixel(30, 14), kBlack);
    EXPECT_EQ(c.GetPixel(19, 22), kBlack);
    EXPECT_EQ(CountPixels(c, grey), 2 * 11 + 2 * 6);
}

TEST(CanvasRectangle, PenOutlineOnOutermostPixelsBrushInside) {
    CCanvas c(240, 320);
    c.SelectPen(CPen(PS_SOLID, 1, kYellow));
    c.SelectBrush(CBrush(kBlue));
    c.Rectangle(10, 50, 110, 85);
    EXPECT_EQ(InkBounds(c, kBlack), CRect(10, 50, 110, 85));
    EXPECT_EQ(c.GetPixel(10, 50), kYellow);
    EXPECT_EQ(c.GetPixel(109, 84), kYellow);
    EXPECT_EQ(c.GetPixel(109, 60), kYellow);
    EXPECT_EQ(c.GetPixel(60, 84), kYellow);
    EXPECT_EQ(c.GetPixel(11, 51), kBlue);
    EXPECT_EQ(c.GetPixel(108, 83), kBlue);
    EXPECT_EQ(CountPixels(c, kYellow), 2 * 100 + 2 * 33);
    EXPECT_EQ(CountPixels(c, kBlue), 98 * 33);
}

TEST(CanvasRectangle, NullPenFillsWholeAreaNullBrushKeepsInside) {
    CCanvas c(50, 50);
    c.SelectPen(CPen::Null());
    c.SelectBrush(CBrush(kBlue));
    c.Rectangle(5, 5, 15, 15);
    EXPECT_EQ(InkBounds(c, kBlack), CRect(5, 5, 15, 15));
    EXPECT_EQ(CountPixels(c, kBlue), 100);

    CCanvas d(50, 50, kRed);
    d.SelectPen(CPen(PS_SOLID, 1, kYellow));
    d.SelectBrush(CBrush::Null());
    d.Rectangle(5, 5, 15, 15);
    EXPECT_EQ(d.GetPixel(10, 10), kRed);
    EXPECT_EQ(CountPixels(d, kYellow), 36);
}

TEST(CanvasRectangle, WidePenStraddlesTheOutline) {
    CCanvas c(60, 60);
    c.SelectPen(CPen(PS_SOLID, 5, kYellow));
    c.SelectBrush(CBrush(kBlue));
    c.Rectangle(20, 20, 40, 40);
    // Square corners of a 5-pixel round tip reach two pixels out on the sides.
    const CRect ink = InkBounds(c, kBlack);
    EXPECT_EQ(ink, CRect(18, 18, 42, 42));
    EXPECT_EQ(c.GetPixel(30, 22), kYellow);
    EXPECT_EQ(c.GetPixel(30, 23), kBlue);
}

TEST(CanvasEllipse, FillsInscribedShapeWithPenOutline) {
    CCanvas c(240, 320);
    c.SelectPen(CPen(PS_SOLID, 1, kYellow));
    c.SelectBrush(CBrush(kBlue));
    c.Ellipse(90, 70, 150, 120);
    EXPECT_EQ(InkBounds(c, kBlack), CRect(90, 70, 150, 120));
    // Corners of the box stay clear, the centre is brush, the extremes pen.
    EXPECT_EQ(c.GetPixel(90, 70), kBlack);
    EXPECT_EQ(c.GetPixel(149, 119), kBlack);
    EXPECT_EQ(c.GetPixel(120, 95), kBlue);
    EXPECT_EQ(c.GetPixel(90, 94), kYellow);
    EXPECT_EQ(c.GetPixel(149, 95), kYellow);
    EXPECT_EQ(c.GetPixel(119, 70), kYellow);
    EXPECT_EQ(c.GetPixel(120, 119), kYellow);
    // Symmetric about both axes of the box.
    for (int y = 70; y < 120; ++y)
        for (int x = 90; x < 150; ++x) {
            ASSERT_EQ(c.GetPixel(x, y), c.GetPixel(239 - x, y)) << x << "," << y;
            ASSERT_EQ(c.GetPixel(x, y), c.GetPixel(x, 189 - y)) << x << "," << y;
        }
    // The outline is closed: every row has brush only between pen pixels.
    for (int y = 71; y < 119; ++y) {
        int x = 90;
        while (c.GetPixel(x, y) == kBlack) ++x;
        ASSERT_EQ(c.GetPixel(x, y), kYellow) << y;
    }
}

TEST(CanvasEllipse, FivePixelPenRingsAreNestedAndOutermostFirstKeepsInnerOnTop) {
    // Rings drawn outermost first with a black brush: each inner ring's pen
    // shows on top of the one before.
    CCanvas c(240, 320);
    c.SelectPen(CPen(PS_SOLID, 5, RGB(255, 255, 255)));
    c.SelectBrush(CBrush(kBlack));
    c.Ellipse(30, 52, 210, 138);
    c.Ellipse(90, 70, 150, 120);
    EXPECT_EQ(InkBounds(c, kBlack), CRect(28, 50, 212, 140));
    EXPECT_EQ(c.GetPixel(120, 95), kBlack);
    EXPECT_EQ(c.GetPixel(90, 95), RGB(255, 255, 255));
    EXPECT_EQ(c.GetPixel(60, 95), kBlack);
    EXPECT_EQ(c.GetPixel(30, 95), RGB(255, 255, 255));
}

TEST(CanvasEllipse, DegenerateBoxesAreSafe) {
    CCanvas c(20, 20);
    c.SelectPen(CPen(PS_SOLID, 1, kYellow));
    c.Ellipse(5, 5, 5, 10);
    EXPECT_EQ(CountPixels(c, kBlack), 400);
    c.Ellipse(5, 5, 6, 6);
    EXPECT_EQ(c.GetPixel(5, 5), kYellow);
    EXPECT_EQ(CountPixels(c, kYellow), 1);
}

TEST(CanvasInvert, XorsWithWhiteAndExcludesFarEdges) {
    CCanvas c(240, 240, RGB(10, 200, 30));
    c.InvertRect(CRect(17 * 6 - 17, 198, 17 * 6 + 2, 219));
    EXPECT_EQ(c.GetPixel(85, 198), RGB(245, 55, 225));
    EXPECT_EQ(c.GetPixel(103, 218), RGB(245, 55, 225));
    EXPECT_EQ(c.GetPixel(104, 218), RGB(10, 200, 30));
    EXPECT_EQ(c.GetPixel(103, 219), RGB(10, 200, 30));
    c.PatBlt(85, 198, 19, 21, DSTINVERT);
    EXPECT_EQ(CountPixels(c, RGB(10, 200, 30)), 240 * 240);
}

TEST(CanvasPixels, ReadBackAndOutOfRange) {
    CCanvas c(10, 10);
    EXPECT_EQ(c.SetPixel(3, 4, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(c.GetPixel(3, 4), RGB(1, 2, 3));
    EXPECT_EQ(c.SetPixel(10, 0, kRed), CLR_INVALID);
    EXPECT_EQ(c.SetPixel(-1, 0, kRed), CLR_INVALID);
    EXPECT_EQ(c.GetPixel(0, 10), CLR_INVALID);
    EXPECT_EQ(c.GetPixel(INT_MIN, INT_MAX), CLR_INVALID);
    EXPECT_EQ(CountPixels(c, kRed), 0);
}

TEST(CanvasClipping, HostileCoordinatesNeverEscapeTheSurface) {
    // Drawn on a canvas that lives inside a larger buffer would show escapes
    // as ASan errors; here every primitive must also finish promptly.
    CCanvas c(240, 320);
    c.SelectPen(CPen(PS_SOLID, 5, kYellow));
    c.SelectBrush(CBrush(kBlue));
    const int big[] = {INT_MIN, INT_MIN + 1, -1000000000, -1,         0,           239,
                       240,     319,         320,         1000000000, INT_MAX - 1, INT_MAX};
    for (int a : big)
        for (int b : big) {
            c.FillRect(CRect(a, b, b, a), CBrush(kRed));
            c.Rectangle(a, b, b, a);
            c.Ellipse(a, a, b, b);
            c.InvertRect(CRect(a, a, b, b));
            c.MoveTo(a, b);
            c.LineTo(b, a);
            c.SetPixel(a, b, kRed);
            c.DrawText("Hostile", CRect(a, b, b, a), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            c.TextOut(a, b, "x");
            c.StretchBlt(a, b, b, a, c.Bitmap(), a, b, b, a);
            c.BitBlt(a, b, b, a, c.Bitmap(), b, a);
        }
    EXPECT_EQ(c.Width(), 240);
    EXPECT_EQ(c.Height(), 320);
}

TEST(CanvasClipping, HugeShapesCoverTheSurface) {
    CCanvas c(240, 320);
    c.FillRect(CRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), CBrush(kRed));
    EXPECT_EQ(CountPixels(c, kRed), 240 * 320);
    c.SelectPen(CPen(PS_SOLID, 1, kYellow));
    c.MoveTo(INT_MIN, INT_MIN);
    c.LineTo(INT_MAX, INT_MAX);
    EXPECT_EQ(c.GetPixel(5, 5), kYellow);
    EXPECT_EQ(c.GetPixel(239, 239), kYellow);
    EXPECT_EQ(c.GetPixel(5, 6), kRed);
    c.SelectBrush(CBrush(kBlue));
    c.Ellipse(-1000000000, -1000000000, 1000000000, 1000000000);
    EXPECT_EQ(CountPixels(c, kBlue), 240 * 320);
}

TEST(CanvasClipping, ClipRectAndViewportOrigin) {
    CCanvas c(100, 100);
    c.SetViewportOrg(10, 20);
    c.SetClipRect(CRect(0, 0, 30, 30));
    c.FillRect(CRect(-50, -50, 500, 500), CBrush(kRed));
    EXPECT_EQ(c.GetClipRect(), CRect(0, 0, 30, 30));
    EXPECT_EQ(c.GetPixel(0, 0), kRed);
    EXPECT_EQ(c.GetPixel(-1, 0), kBlack);
    c.ResetClip();
    c.SetViewportOrg(0, 0);
    EXPECT_EQ(InkBounds(c, kBlack), CRect(10, 20, 40, 50));
    c.FillRect(CRect(90, 90, 200, 200), CBrush(kBlue));
    EXPECT_EQ(CountPixels(c, kBlue), 100);
}

TEST(CanvasSurface, SizesAreClampedAndEmptyCanvasIsInert) {
    CCanvas none(-5, 10);
    EXPECT_EQ(none.Width(), 0);
    none.FillRect(CRect(0, 0, 10, 10), CBrush(kRed));
    none.SelectPen(CPen(PS_SOLID, 5, kRed));
    none.LineTo(100, 100);
    none.DrawText("text", CRect(0, 0, 10, 10), 0);
    EXPECT_EQ(none.GetPixel(0, 0), CLR_INVALID);
    CCanvas huge(1 << 30, 2);
    EXPECT_EQ(huge.Width(), CBitmap::kMaxDimension);

    CCanvas c(4, 4, kRed);
    CBitmap taken = c.TakeBitmap();
    EXPECT_EQ(taken.GetPixel(3, 3), kRed);
    EXPECT_EQ(c.Width(), 0);
    c.FillRect(CRect(0, 0, 4, 4), CBrush(kBlue));
}

}  // namespace
