#include <gtest/gtest.h>

#include <cstring>

#include "gfx/Palette.h"
#include "res/BitmapResources.h"

namespace {

// The colour at a point of the 24-unit design grid, scaled to the icon.
COLORREF AtDesign(const CBitmap& icon, double x, double y) {
    const double s = icon.Width() / 24.0;
    return icon.GetPixel(static_cast<int>(x * s), static_cast<int>(y * s));
}

bool MostlyYellow(COLORREF c) {
    return GetRValue(c) > 150 && GetGValue(c) > 150 && GetBValue(c) < 100;
}

TEST(ProgramIcon, EverySizeShowsTheFrameTheMastAndTheNavyGround) {
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const CBitmap icon = PaintProgramIcon(size);
        ASSERT_EQ(icon.Width(), size);
        ASSERT_EQ(icon.Height(), size);
        // The frame on all four sides, at mid-edge.
        EXPECT_TRUE(MostlyYellow(icon.GetPixel(size / 2, 0)));
        EXPECT_TRUE(MostlyYellow(icon.GetPixel(size / 2, size - 1)));
        EXPECT_TRUE(MostlyYellow(icon.GetPixel(0, size / 2)));
        EXPECT_TRUE(MostlyYellow(icon.GetPixel(size - 1, size / 2)));
        // The mast halfway up, its top, and the ground below the waves on
        // either side of the foot.
        EXPECT_TRUE(MostlyYellow(AtDesign(icon, 12.5, 15)));
        EXPECT_TRUE(MostlyYellow(AtDesign(icon, 12.5, 9.5)));
        EXPECT_EQ(AtDesign(icon, 3.5, 20.5), Palette::kNavy);
        EXPECT_EQ(AtDesign(icon, 20.5, 20.5), Palette::kNavy);
        // Between the mast and the inner waves.
        EXPECT_EQ(AtDesign(icon, 10.5, 16.5), Palette::kNavy);
    }
}

TEST(ProgramIcon, TheAboutBoxSizeIsDrawnPixelExactInTwoColours) {
    const CBitmap& about = ProgramIcon();
    const CBitmap again = PaintProgramIcon(24);
    ASSERT_EQ(about.Width(), 24);
    ASSERT_EQ(about.SizeBytes(), again.SizeBytes());
    EXPECT_EQ(std::memcmp(about.Data(), again.Data(), about.SizeBytes()), 0);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            const COLORREF c = about.GetPixel(x, y);
            EXPECT_TRUE(c == Palette::kNavy || c == Palette::kYellow) << x << "," << y;
        }
    }
}

TEST(ProgramIcon, SizesItCannotDrawGiveAnEmptyBitmap) {
    for (int size : {0, -1, -24, CBitmap::kMaxDimension, 1 << 30})
        EXPECT_TRUE(PaintProgramIcon(size).IsEmpty()) << size;
    EXPECT_EQ(PaintProgramIcon(1).Width(), 1);
}

}  // namespace
