// The program's dialogs and forms on the 240 x 320 screen: every template
// fits with all its controls, and one that would not is still placed whole
// on the screen.
#include <gtest/gtest.h>

#include "app/MainFrame.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"
#include "screens/Options.h"
#include "screens/Security.h"
#include "ui/Dialog.h"
#include "ui/FrameWnd.h"
#include "ui/Static.h"

namespace {

constexpr CRect kScreen{0, 0, CFrameWnd::kScreenWidth, CFrameWnd::kScreenHeight};

bool Inside(const CRect& inner, const CRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

struct TemplateRow {
    const char* name;
    DialogTemplate (*make)();
    CRect area;  // where it is shown: the screen (dialogs) or the view area (forms)
};

class DialogFit : public ::testing::TestWithParam<TemplateRow> {};

TEST_P(DialogFit, TemplateAndEveryControlFitWhereItIsShown) {
    const TemplateRow& row = GetParam();
    const DialogTemplate tpl = row.make();
    const DialogBaseUnits base = GetDialogBaseUnits(tpl.fontFace, tpl.nPointSize);
    const CRect client(0, 0, DialogUnitsToPixelsX(tpl.cx, base),
                       DialogUnitsToPixelsY(tpl.cy, base));
    EXPECT_LE(client.Width(), row.area.Width()) << row.name;
    EXPECT_LE(client.Height(), row.area.Height()) << row.name;
    for (const DialogItem& item : tpl.items) {
        EXPECT_TRUE(Inside(MapDialogRect(item.x, item.y, item.cx, item.cy, base), client))
            << row.name << " item " << item.nId;
    }
    // As a modal dialog: frame and caption on the screen too.
    const CDialog dialog(tpl);
    EXPECT_TRUE(Inside(dialog.GetWindowRect(), kScreen)) << row.name;
}

INSTANTIATE_TEST_SUITE_P(
    Program, DialogFit,
    ::testing::Values(TemplateRow{"about", &CMainFrame::AboutTemplate, kScreen},
                      TemplateRow{"security", &CSecurity::Template, CFrameWnd::kViewRect},
                      TemplateRow{"options", &COptions::Template, CFrameWnd::kViewRect}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DialogFit, AboutBoxShowsItsTextsAndOkInsideItsFrame) {
    CDialog about(CMainFrame::AboutTemplate());
    const CRect frame = about.GetWindowRect();
    EXPECT_GT(frame.Width(), 0);
    const CPoint org = about.GetClientOrigin();
    for (unsigned id : {static_cast<unsigned>(IDOK), 0xFFFFu, 0xFFFEu, 0xFFFDu}) {
        const CControl* control = about.GetDlgItem(id);
        ASSERT_NE(control, nullptr) << id;
        const CRect r = control->GetWindowRect().Offset(org.x, org.y);
        EXPECT_TRUE(Inside(r, frame)) << id;
    }
    auto* icon = dynamic_cast<CStatic*>(about.GetDlgItem(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->IsIcon());
    EXPECT_FALSE(ProgramIcon().IsEmpty());
}

TEST(DialogFit, ADialogLargerThanTheScreenIsPlacedWhollyOnIt) {
    DialogTemplate big;
    big.caption = "Big";
    big.fontFace = "System";
    big.cx = 400;
    big.cy = 500;
    const CDialog dialog(big);
    EXPECT_TRUE(Inside(dialog.GetWindowRect(), kScreen));
}

}  // namespace
