#include <gtest/gtest.h>

#include "FormFixture.h"
#include "gfx/Font.h"
#include "ui/DialogTemplate.h"
#include "ui/FrameWnd.h"

TEST(DialogUnits, QuarterAndEighthOfTheBaseUnitsRounded) {
    const DialogBaseUnits base{6, 13};
    EXPECT_EQ(DialogUnitsToPixelsX(4, base), 6);
    EXPECT_EQ(DialogUnitsToPixelsX(157, base), 236);  // 235.5 rounds up
    EXPECT_EQ(DialogUnitsToPixelsY(8, base), 13);
    EXPECT_EQ(DialogUnitsToPixelsY(158, base), 257);  // 256.75
    EXPECT_EQ(DialogUnitsToPixelsX(0, base), 0);
    // Each edge is converted on its own, so adjacent controls stay adjacent.
    const CRect a = MapDialogRect(7, 7, 107, 14, base);
    EXPECT_EQ(a, CRect(11, 11, 171, 34));
    const CRect b = MapDialogRect(114, 7, 11, 14, base);
    EXPECT_EQ(b.left, a.right);
}

TEST(DialogUnits, BaseUnitsComeFromTheTemplateFont) {
    const DialogBaseUnits base = GetDialogBaseUnits("MS Sans Serif", 8);
    const CTextMetrics tm = CFont(80, "MS Sans Serif").Metrics();
    EXPECT_EQ(base.cx, tm.aveCharWidth);
    EXPECT_EQ(base.cy, tm.height);
    EXPECT_GT(base.cx, 0);
    EXPECT_GT(base.cy, 0);
}

TEST(DialogUnits, FormControlsArePlacedByTheirTemplate) {
    CTestForm form;
    const DialogBaseUnits& base = form.GetBaseUnits();
    EXPECT_EQ(form.GetDlgItem(kIdList)->GetWindowRect(), MapDialogRect(7, 32, 107, 40, base));
    EXPECT_EQ(form.GetDlgItem(kIdAdd)->GetWindowRect(), MapDialogRect(125, 7, 25, 14, base));
    EXPECT_EQ(form.GetDlgItem(kIdDisabled)->IsWindowEnabled(), false);
}

TEST(DialogUnits, TheLargestFormFitsTheViewArea) {
    // The security form (157 x 158 units) must fit the 240 x 270 view.
    const DialogBaseUnits base = GetDialogBaseUnits("MS Sans Serif", 8);
    EXPECT_LE(DialogUnitsToPixelsX(157, base), CFrameWnd::kViewRect.Width());
    EXPECT_LE(DialogUnitsToPixelsY(158, base), CFrameWnd::kViewRect.Height());
}
