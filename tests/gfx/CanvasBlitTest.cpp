#include <gtest/gtest.h>

#include <climits>

#include "CanvasTestUtil.h"
#include "gfx/Canvas.h"

using canvas_test::CountPixels;

namespace {

// A bitmap whose every pixel tells where it came from.
CBitmap Coded(int w, int h) {
    CBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGB(x, y, 7));
    return b;
}

TEST(CanvasBitBlt, CopiesTheRectangleAndClipsBothSurfaces) {
    const CBitmap src = Coded(50, 40);
    CCanvas c(30, 30, RGB(1, 1, 1));
    c.BitBlt(-5, 20, 20, 20, src, 10, 35);
    // Destination columns 0..14 get source columns 15..29; source rows stop at 39.
    EXPECT_EQ(c.GetPixel(0, 20), RGB(15, 35, 7));
    EXPECT_EQ(c.GetPixel(14, 24), RGB(29, 39, 7));
    EXPECT_EQ(c.GetPixel(15, 20), RGB(1, 1, 1));
    EXPECT_EQ(c.GetPixel(0, 25), RGB(1, 1, 1));
    EXPECT_EQ(CountPixels(c, RGB(1, 1, 1)), 900 - 15 * 5);
}

TEST(CanvasBitBlt, OverlappingCopyWithinOneSurfaceScrolls) {
    CCanvas c(20, 20);
    c.Bitmap() = Coded(20, 20);
    c.BitBlt(0, 1, 20, 19, c, 0, 0);  // down by one row
    for (int y = 1; y < 20; ++y) ASSERT_EQ(c.GetPixel(5, y), RGB(5, y - 1, 7));
    c.BitBlt(1, 0, 19, 20, c, 0, 0);  // right by one column
    for (int x = 1; x < 20; ++x) ASSERT_EQ(c.GetPixel(x, 10), RGB(x - 1, 9, 7));
}

TEST(CanvasBitBlt, ComposedScreenReachesTheTargetUnchanged) {
    CCanvas screen(240, 320, RGB(9, 9, 9));
    CCanvas mem = screen.CreateCompatible(240, 320);
    mem.Bitmap() = Coded(240, 320);
    screen.BitBlt(0, 0, 240, 320, mem, 0, 0, SRCCOPY);
    EXPECT_EQ(screen.Bitmap(), mem.Bitmap());
    screen.BitBlt(0, 0, 240, 320, mem, 0, 0, DSTINVERT);
    EXPECT_EQ(screen.GetPixel(3, 4), RGB(252, 251, 248));
}

TEST(CanvasStretchBlt, NearestNeighbourSamplesPixelCentres) {
    const CBitmap src = Coded(4, 4);
    CCanvas c(8, 8);
    c.StretchBlt(0, 0, 8, 8, src, 0, 0, 4, 4);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(c.GetPixel(x, y), RGB(x / 2, y / 2, 7));
    // 240 x 15 into 240 x 14: one source row is dropped, the first and last stay.
    const CBitmap frame = Coded(240, 15);
    CCanvas strip(240, 14);
    strip.StretchBlt(0, 0, 240, 14, frame, 0, 0, 240, 15);
    EXPECT_EQ(GetGValue(strip.GetPixel(0, 0)), 0);
    EXPECT_EQ(GetGValue(strip.GetPixel(0, 13)), 14);
    int previous = -1, dropped = 0;
    for (int y = 0; y < 14; ++y) {
        const int row = GetGValue(strip.GetPixel(100, y));
        EXPECT_GT(row, previous);
        dropped += row - previous - 1;
        previous = row;
    }
    EXPECT_EQ(dropped, 1);
}

TEST(CanvasStretchBlt, SourceOutsideItsBitmapIsSkipped) {
    const CBitmap src = Coded(10, 10);
    CCanvas c(20, 20, RGB(1, 1, 1));
    c.StretchBlt(0, 0, 20, 20, src, 5, 5, 10, 10);  // right/bottom halves fall off
    EXPECT_EQ(c.GetPixel(0, 0), RGB(5, 5, 7));
    EXPECT_EQ(c.GetPixel(9, 9), RGB(9, 9, 7));
    EXPECT_EQ(c.GetPixel(10, 0), RGB(1, 1, 1));
    EXPECT_EQ(CountPixels(c, RGB(1, 1, 1)), 400 - 100);
}

TEST(CanvasStretchBlt, NonPositiveSizesAndHugeTargetsAreSafe) {
    const CBitmap src = Coded(10, 10);
    CCanvas c(20, 20, RGB(1, 1, 1));
    c.StretchBlt(0, 0, -20, 20, src, 0, 0, 10, 10);
    c.StretchBlt(0, 0, 20, 20, src, 0, 0, 0, 10);
    c.StretchBlt(0, 0, 20, 20, CBitmap(), 0, 0, 10, 10);
    EXPECT_EQ(CountPixels(c, RGB(1, 1, 1)), 400);
    // A target two billion pixels wide shows the source's middle columns.
    c.StretchBlt(-1000000000, 0, 2000000000, 20, src, 0, 0, 10, 10);
    EXPECT_EQ(GetRValue(c.GetPixel(0, 0)), 5);
    EXPECT_EQ(GetGValue(c.GetPixel(0, 19)), 9);
    c.StretchBlt(INT_MIN, INT_MIN, INT_MAX, INT_MAX, src, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
}

}  // namespace
