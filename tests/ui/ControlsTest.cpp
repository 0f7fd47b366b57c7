#include <gtest/gtest.h>

#include <string>

#include "FormFixture.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"

namespace {

CPoint Centre(const CWnd* w) {
    const CRect r = w->GetWindowRect();
    return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

CListBox* List(CTestForm& f, unsigned id) {
    return dynamic_cast<CListBox*>(f.GetDlgItem(id));
}

}  // namespace

TEST(CheckBox, TogglesOnEveryClickAndNotifiesAsCommand) {
    CTestForm form;
    EXPECT_EQ(form.IsDlgButtonChecked(kIdCheck), 0);
    EXPECT_EQ(form.ClickControl(kIdCheck), 0);
    EXPECT_EQ(form.IsDlgButtonChecked(kIdCheck), 1);
    const CPoint p = Centre(form.GetDlgItem(kIdCheck));
    EXPECT_TRUE(form.RouteLButtonDownToChild(p.x, p.y));
    EXPECT_EQ(form.IsDlgButtonChecked(kIdCheck), 0);
    form.ClickControl(kIdCheck);
    EXPECT_EQ(form.IsDlgButtonChecked(kIdCheck), 1);
    // The mark changes before the handler runs: a handler reading it sees
    // the new state.
    ASSERT_EQ(form.commands.size(), 3u);
    EXPECT_EQ(form.commands[0], kIdCheck);
}

TEST(CheckBox, ProgramSetCheckDoesNotNotify) {
    CTestForm form;
    form.CheckDlgButton(kIdCheck, 5);
    EXPECT_EQ(form.IsDlgButtonChecked(kIdCheck), 1);
    form.CheckDlgButton(kIdCheck, 0);
    EXPECT_EQ(form.IsDlgButtonChecked(kIdCheck), 0);
    EXPECT_TRUE(form.commands.empty());
    // A push button has no check state.
    form.CheckDlgButton(kIdAdd, 1);
    EXPECT_EQ(form.IsDlgButtonChecked(kIdAdd), 0);
}

TEST(PushButton, ClickByIdOrStylusRunsTheCommand) {
    CTestForm form;
    EXPECT_EQ(form.ClickControl(kIdAdd), 0);
    const CPoint p = Centre(form.GetDlgItem(kIdAdd));
    form.RouteLButtonDownToChild(p.x, p.y);
    EXPECT_EQ(form.commands, (std::vector<unsigned>{kIdAdd, kIdAdd}));
}

TEST(PushButton, DisabledUnknownAndNonClickableControlsRefuseClicks) {
    CTestForm form;
    EXPECT_EQ(form.ClickControl(kIdDisabled), -1);
    EXPECT_EQ(form.ClickControl(4242), -1);
    EXPECT_EQ(form.ClickControl(kIdLabel), -1);
    // A stylus on the disabled button is swallowed, not passed to the form.
    const CPoint p = Centre(form.GetDlgItem(kIdDisabled));
    EXPECT_TRUE(form.RouteLButtonDownToChild(p.x, p.y));
    EXPECT_TRUE(form.commands.empty());
    // Outside every control the form itself gets the touch.
    EXPECT_FALSE(form.RouteLButtonDownToChild(230, 265));
}

TEST(ListBox, StylusSelectsTheLineUnderItAndNotifiesOnlyOnChange) {
    CTestForm form;
    CListBox* list = List(form, kIdList);
    ASSERT_NE(list, nullptr);
    for (const char* s : {"00-11-22-33-44-55", "AA", "BB"}) list->AddString(s);
    const CRect r = list->GetWindowRect();
    const int h = list->GetItemHeight();
    form.RouteLButtonDownToChild(r.left + 5, r.top + 1 + h + h / 2);
    EXPECT_EQ(list->GetCurSel(), 1);
    form.RouteLButtonDownToChild(r.left + 5, r.top + 1 + h + h / 2);
    ASSERT_EQ(form.notifications.size(), 1u);
    EXPECT_EQ(form.notifications[0].id, kIdList);
    EXPECT_EQ(form.notifications[0].code, LBN_SELCHANGE);
    // Below the last line: nothing is selected anew.
    form.RouteLButtonDownToChild(r.left + 5, r.top + 1 + 3 * h + 1);
    EXPECT_EQ(list->GetCurSel(), 1);
    // The program's own SetCurSel does not notify.
    list->SetCurSel(2);
    EXPECT_EQ(form.notifications.size(), 1u);
}

TEST(ListBox, WithoutNotifyStyleSelectsSilently) {
    CTestForm form;
    CListBox* list = List(form, kIdPlainList);
    list->AddString("one");
    const CRect r = list->GetWindowRect();
    form.RouteLButtonDownToChild(r.left + 5, r.top + 3);
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_TRUE(form.notifications.empty());
}

TEST(ListBox, KeepsInsertionOrderAndTracksSelectionThroughDeletes) {
    CListBox list;
    EXPECT_EQ(list.AddString("zz"), 0);
    EXPECT_EQ(list.AddString("aa"), 1);
    EXPECT_EQ(list.AddString("mm"), 2);
    std::string text;
    EXPECT_EQ(list.GetText(0, text), 2);
    EXPECT_EQ(text, "zz");
    list.SetCurSel(2);
    EXPECT_EQ(list.DeleteString(0), 2);
    EXPECT_EQ(list.GetCurSel(), 1);  // still "mm"
    EXPECT_EQ(list.DeleteString(1), 1);
    EXPECT_EQ(list.GetCurSel(), CListBox::LB_ERR);
    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(ListBox, BadIndexesAnswerLbErrAndTouchNothing) {
    CListBox list;
    list.AddString("a");
    std::string text = "kept";
    EXPECT_EQ(list.GetText(-1, text), CListBox::LB_ERR);
    EXPECT_EQ(list.GetText(1, text), CListBox::LB_ERR);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(list.DeleteString(5), CListBox::LB_ERR);
    EXPECT_EQ(list.GetCount(), 1);
    list.SetCurSel(0);
    EXPECT_EQ(list.SetCurSel(7), CListBox::LB_ERR);
    EXPECT_EQ(list.GetCurSel(), CListBox::LB_ERR);
    EXPECT_EQ(list.InsertString(3, "x"), CListBox::LB_ERR);
    EXPECT_EQ(list.InitStorage(-1, 32), CListBox::LB_ERR);
}

TEST(ListBox, ScrollBarArrowsScrollAndStylusPicksFromTheTopLine) {
    CTestForm form;
    CListBox* list = List(form, kIdList);
    for (int i = 0; i < 20; ++i) list->AddString("line " + std::to_string(i));
    ASSERT_TRUE(list->HasScrollBar());
    const CRect r = list->GetWindowRect();
    const int barX = r.right - 3;
    form.RouteLButtonDownToChild(barX, r.bottom - 3);  // down arrow
    form.RouteLButtonDownToChild(barX, r.bottom - 3);
    EXPECT_EQ(list->GetTopIndex(), 2);
    form.RouteLButtonDownToChild(barX, r.top + 3);  // up arrow
    EXPECT_EQ(list->GetTopIndex(), 1);
    form.RouteLButtonDownToChild(r.left + 5, r.top + 2);
    EXPECT_EQ(list->GetCurSel(), 1);
    // Scrolling never passes the last page.
    for (int i = 0; i < 40; ++i) form.RouteLButtonDownToChild(barX, r.bottom - 3);
    EXPECT_EQ(list->GetTopIndex(), 20 - list->VisibleLineCount());
    // Selecting a line out of view brings it into view.
    list->SetCurSel(0);
    EXPECT_EQ(list->GetTopIndex(), 0);
}

TEST(EditField, TakesTypedTextOnlyWhenFocused) {
    CTestForm form;
    auto* edit = dynamic_cast<CComboBox*>(form.GetDlgItem(kIdEntry));
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(form.OnChar('x'));
    const CPoint p = Centre(edit);
    form.RouteLButtonDownToChild(p.x, p.y);
    EXPECT_TRUE(edit->HasFocus());
    for (char c : std::string("00-1A")) form.OnChar(static_cast<unsigned char>(c));
    form.OnKeyDown(VK_BACK);
    EXPECT_EQ(form.GetDlgItemText(kIdEntry), "00-1");
    // Control characters are not text.
    form.OnChar('\n');
    form.OnChar(0x7F);
    EXPECT_EQ(form.GetDlgItemText(kIdEntry), "00-1");
    form.SetFocus();
    EXPECT_FALSE(edit->HasFocus());
    EXPECT_FALSE(form.OnChar('z'));
}

TEST(EditField, SetByIdIsCutToTheFieldLimit) {
    CTestForm form;
    EXPECT_EQ(form.SetControlText(kIdEntry, "AA-BB"), 0);
    EXPECT_EQ(form.GetDlgItemText(kIdEntry), "AA-BB");
    EXPECT_EQ(form.SetControlText(kIdEntry, std::string(1000, 'x')), 0);
    EXPECT_EQ(form.GetDlgItemText(kIdEntry).size(), CComboBox::kMaxText);
    // Typing at the limit changes nothing.
    auto* edit = dynamic_cast<CComboBox*>(form.GetDlgItem(kIdEntry));
    edit->OnChar('y');
    EXPECT_EQ(form.GetDlgItemText(kIdEntry).size(), CComboBox::kMaxText);
    // Only edit fields take text by id.
    EXPECT_EQ(form.SetControlText(kIdAdd, "x"), -1);
    EXPECT_EQ(form.SetControlText(9999, "x"), -1);
    EXPECT_EQ(form.GetDlgItemText(kIdAdd), "ADD");
}

TEST(EditField, DataExchangeMovesTextBothWays) {
    class CExchangeForm : public CFormView {
    public:
        CExchangeForm() : CFormView(MakeTestTemplate()) {}
        std::string m_strMacEntry;

    protected:
        void DoDataExchange(bool bSave) override { DDX_Text(bSave, kIdEntry, m_strMacEntry); }
    };
    CExchangeForm form;
    form.SetControlText(kIdEntry, "11-22");
    form.UpdateData(true);
    EXPECT_EQ(form.m_strMacEntry, "11-22");
    form.m_strMacEntry.clear();
    form.UpdateData(false);
    EXPECT_EQ(form.GetDlgItemText(kIdEntry), "");
}
