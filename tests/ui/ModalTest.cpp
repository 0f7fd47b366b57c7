#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string_view>
#include <thread>

#include "FakeHost.h"
#include "gfx/Canvas.h"
#include "tests/support/TempFolder.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/FileDialog.h"
#include "ui/FrameWnd.h"
#include "ui/ListBox.h"
#include "ui/MessageBox.h"

namespace {

class CTapView : public CView {
public:
    void OnLButtonDown(int, int) override { ++taps; }
    int taps = 0;
};

class Modal : public ::testing::Test {
protected:
    void SetUp() override {
        loop.SetFrame(&frame);
        view = static_cast<CTapView*>(frame.AddView(std::make_unique<CTapView>()));
        frame.SetActiveView(view);
    }

    // Runs `act` on the GUI thread as soon as a dialog is up (from inside
    // the dialog's own loop), the way a person would react to it.
    void WhenDialogShown(std::function<void(CDialog&)> act) {
        person = [this, act](bool bDiscarded) {
            if (bDiscarded) return;
            if (loop.Modals().empty()) {
                loop.Queue().PostTask(person);
                return;
            }
            act(*loop.Modals().back());
        };
        loop.Queue().PostTask(person);
    }

    // Taps a control of a shown dialog at its centre, in screen coordinates.
    void Tap(CDialog& dlg, unsigned id) {
        const CPoint org = dlg.GetClientOrigin();
        const CRect r = dlg.GetDlgItem(id)->GetWindowRect();
        loop.OnStylusDown(org.x + (r.left + r.right) / 2, org.y + (r.top + r.bottom) / 2);
    }

    // Types `keys`: characters as they are; {L} {R} {H} {E} Left, Right,
    // Home, End (with S: Shift held), {B} Backspace, {D} Delete, {CA} Ctrl+A.
    void Keys(std::string_view keys) {
        struct Named {
            const char* name;
            int key;
            bool ctrl;
            bool shift;
        };
        static constexpr Named kNamed[] = {
            {"L", VK_LEFT, false, false}, {"R", VK_RIGHT, false, false},
            {"H", VK_HOME, false, false}, {"E", VK_END, false, false},
            {"SL", VK_LEFT, false, true}, {"SR", VK_RIGHT, false, true},
            {"SH", VK_HOME, false, true}, {"SE", VK_END, false, true},
            {"B", VK_BACK, false, false}, {"D", VK_DELETE, false, false},
            {"CA", 'A', true, false},
        };
        while (!keys.empty()) {
            if (keys[0] != '{') {
                loop.OnChar(static_cast<unsigned char>(keys[0]));
                keys.remove_prefix(1);
                continue;
            }
            const std::size_t close = keys.find('}');
            const std::string_view name = keys.substr(1, close - 1);
            keys.remove_prefix(close + 1);
            for (const Named& n : kNamed) {
                if (name == n.name) loop.OnKeyDown(n.key, n.ctrl, n.shift);
            }
        }
    }

    CFakeHost host;
    CUiLoop loop{host};
    CFrameWnd frame;
    CTapView* view = nullptr;
    CMessageQueue::Task person;
};

}  // namespace

TEST_F(Modal, WorkerBoxBlocksUntilDismissedOnTheGuiThread) {
    std::atomic<bool> returned{false};
    std::atomic<int> result{0};
    bool sawBlocked = false;
    std::string shownText;
    WhenDialogShown([&](CDialog& dlg) {
        sawBlocked = !returned.load();
        auto* box = dynamic_cast<CMessageBox*>(&dlg);
        ASSERT_NE(box, nullptr);
        shownText = box->GetText();
        loop.PaintIfNeeded();
        // The box is drawn over the screen: its caption bar is on it.
        const CRect r = dlg.GetWindowRect();
        EXPECT_EQ(host.last.GetPixel(r.left + 3, r.top + 3), kHighlightColor);
        Tap(dlg, IDOK);
    });
    std::thread worker([&] {
        result = CMessageBox::Show("ALERT!", "AP#00-11-22-33-44-55 is not authorized.");
        returned = true;
    });
    while (!returned.load()) loop.RunOnce(10);
    worker.join();
    EXPECT_TRUE(sawBlocked);
    EXPECT_EQ(result.load(), IDOK);
    EXPECT_EQ(shownText, "AP#00-11-22-33-44-55 is not authorized.");
    EXPECT_TRUE(loop.Modals().empty());
}

TEST_F(Modal, BoxOnTheGuiThreadTakesInputAloneAndAnyCloseIsOk) {
    WhenDialogShown([&](CDialog&) {
        loop.OnStylusDown(2, 2);  // the view under the box
        loop.OnKeyDown(VK_ESCAPE, false);
    });
    EXPECT_EQ(CMessageBox::Show("Title", "Enabled"), IDOK);
    EXPECT_EQ(view->taps, 0);
    EXPECT_GE(host.beeps.load(), 1);
    // Afterwards the view gets the stylus again.
    loop.OnStylusDown(2, 2);
    EXPECT_EQ(view->taps, 1);
}

TEST_F(Modal, PostedMessagesAreHandledWhileABoxIsUp) {
    int handled = 0;
    loop.SetMessageHandler([&](const PostedMessage&) { ++handled; });
    WhenDialogShown([&](CDialog& dlg) {
        loop.PostMessage(32868);
        loop.Queue().PostTask([&, d = &dlg](bool) {
            EXPECT_EQ(handled, 1);
            d->EndDialog(IDOK);
        });
    });
    CMessageBox::Show("c", "t");
    EXPECT_EQ(handled, 1);
}

TEST_F(Modal, AnsweringHostAnswersAtOnceWithoutShowing) {
    host.bAnswer = true;
    EXPECT_EQ(CMessageBox::Show("ALERT!", "text"), IDOK);
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].kind, ModalRequest::Kind::MessageBox);
    EXPECT_EQ(host.requests[0].caption, "ALERT!");
    EXPECT_EQ(host.requests[0].text, "text");
    EXPECT_EQ(host.presents, 0);
}

TEST_F(Modal, TemplateDialogEndsWithOkOrTheCloseButton) {
    DialogTemplate about;
    about.caption = "About";
    about.fontFace = "System";
    about.cx = 186;
    about.cy = 95;
    about.items = {{100, DialogItemKind::Icon, "", 7, 7, 21, 20, 0},
                   {101, DialogItemKind::Static, "Orvalis for 802.11b", 53, 13, 92, 14, 0}};
    CDialog dlg(about);
    EXPECT_LE(dlg.GetWindowRect().Width(), CFrameWnd::kScreenWidth);
    WhenDialogShown([&](CDialog& d) {
        const CRect r = d.GetWindowRect();
        loop.OnStylusDown(r.right - 5, r.top + 5);  // the caption's close button
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    WhenDialogShown([&](CDialog&) { loop.OnKeyDown(VK_RETURN, false); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    host.bAnswer = true;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(host.requests.back().kind, ModalRequest::Kind::Dialog);
    EXPECT_EQ(host.requests.back().caption, "About");
}

TEST_F(Modal, SaveDialogOffersTheNameAndAddsTheDefaultExtension) {
    const CTempFolder folder;
    const std::string dir = folder.Folder();
    CFileDialog dlg(".ov", "ovlog.ov", "Orvalis Log Files (*.ov)|*.ov|All Files (*.*)|*.*||", dir);
    WhenDialogShown([&](CDialog& d) {
        EXPECT_EQ(d.GetDlgItem(CFileDialog::kNameId)->GetWindowText(), "ovlog.ov");
        // The name field has the focus with the name selected: typing
        // replaces it.
        Keys("survey");
        Tap(d, IDOK);
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetFileName(), "survey.ov");
    EXPECT_EQ(dlg.GetPathName(), (std::filesystem::path(dir) / "survey.ov").string());
}

// What a person types into the name field, as the keys of a desktop text
// field, starting from the proposed name "ovlog.ov" selected.
TEST_F(Modal, SaveDialogNameFieldEditsLikeADesktopTextField) {
    const CTempFolder folder;
    struct Case {
        const char* keys;
        const char* text;
    } cases[] = {
        {"x", "x"},
        {"{H}x", "xovlog.ov"},
        {"{E}{L}{L}{L}{B}2", "ovlo2.ov"},
        {"{L}2", "2ovlog.ov"},  // Left leaves the selection at its start
        {"{R}2", "ovlog.ov2"},  // Right at its end
        {"{H}{D}{D}", "log.ov"},
        {"{E}{SL}{SL}{SL}x", "ovlogx"},
        {"{H}{R}{SR}{SR}{D}", "oog.ov"},
        {"{H}{SE}{B}", ""},
        {"{E}{SH}{D}", ""},
        {"{E}abc{CA}n", "n"},
        {"{E}{D}{B}{B}", "ovlog."},
        {"{H}{B}{L}", "ovlog.ov"},  // nothing before the caret to remove
    };
    for (const Case& c : cases) {
        CFileDialog dlg(".ov", "ovlog.ov", "Orvalis Log Files (*.ov)|*.ov||", folder.Folder());
        std::string text;
        WhenDialogShown([&](CDialog& d) {
            Keys(c.keys);
            text = d.GetDlgItem(CFileDialog::kNameId)->GetWindowText();
            Tap(d, IDCANCEL);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_EQ(text, c.text) << c.keys;
    }
}

// A tap in the name field puts the caret at the character boundary nearest
// to it and drops the selection, as a desktop field does.
TEST_F(Modal, SaveDialogTapInTheNamePlacesTheCaret) {
    const CTempFolder folder;
    CFileDialog dlg(".ov", "ovlog.ov", "Orvalis Log Files (*.ov)|*.ov||", folder.Folder());
    std::vector<std::string> texts;
    WhenDialogShown([&](CDialog& d) {
        auto* combo = dynamic_cast<CComboBox*>(d.GetDlgItem(CFileDialog::kNameId));
        const CPoint org = d.GetClientOrigin();
        const CRect r = combo->GetWindowRect();
        CCanvas measure(1, 1);
        measure.SelectFont(combo->GetFont());
        // Just right of the middle of "l" (after "ov"), then far right of
        // the text, then on its first pixel.
        const int ov = measure.GetTextExtent("ov").cx;
        const int ovl = measure.GetTextExtent("ovl").cx;
        for (const int x : {2 + (ov + ovl) / 2 + 1, r.Width() - CComboBox::kButtonWidth - 4, 2}) {
            loop.OnStylusDown(org.x + r.left + x, org.y + r.top + r.Height() / 2);
            Keys("_");
            texts.push_back(combo->GetWindowText());
            loop.OnKeyDown(VK_BACK, false);
        }
        Tap(d, IDCANCEL);
    });
    dlg.DoModal();
    EXPECT_EQ(texts, (std::vector<std::string>{"ovl_og.ov", "ovlog.ov_", "_ovlog.ov"}));
}

TEST_F(Modal, SaveDialogArrowDropsTheMatchingFilesAndPickingOneFillsTheName) {
    const CTempFolder folder;
    const std::string dir = folder.Folder();
    for (const char* f : {"b.ov", "a.ov", "notes.txt"}) std::ofstream(dir + "/" + f) << "x";
    CFileDialog dlg(".ov", "ovlog.ov", "Orvalis Log Files (*.ov)|*.ov|All Files (*.*)|*.*||", dir);
    WhenDialogShown([&](CDialog& d) {
        auto* combo = dynamic_cast<CComboBox*>(d.GetDlgItem(CFileDialog::kNameId));
        const CPoint org = d.GetClientOrigin();
        const CRect r = combo->GetWindowRect();
        const CPoint arrow(org.x + r.right - CComboBox::kButtonWidth / 2, org.y + r.top + 4);
        loop.OnStylusDown(arrow.x, arrow.y);
        ASSERT_TRUE(combo->GetDroppedState());
        EXPECT_EQ(combo->GetCount(), 2);
        // A tap outside the list closes it and does nothing else, even on a
        // button.
        Tap(d, IDOK);
        EXPECT_FALSE(combo->GetDroppedState());
        EXPECT_FALSE(d.IsEnded());
        // The list lies over the controls below the field: its second line
        // is picked, not what is underneath.
        loop.OnStylusDown(arrow.x, arrow.y);
        const CRect list = combo->GetDroppedControlRect();
        const int h = list.Height() / 2;
        loop.OnStylusDown(org.x + list.left + 5, org.y + list.top + 1 + h + h / 2);
        EXPECT_FALSE(combo->GetDroppedState());
        EXPECT_EQ(combo->GetWindowText(), "b.ov");
        // Picked text is selected, so typing replaces it; the keys pick too.
        loop.OnKeyDown(VK_DOWN, false);
        loop.OnKeyDown(VK_UP, false);
        loop.OnKeyDown(VK_RETURN, false);  // takes the line, not the dialog's OK
        EXPECT_FALSE(d.IsEnded());
        EXPECT_EQ(combo->GetWindowText(), "a.ov");
        loop.OnKeyDown(VK_RETURN, false);
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetFileName(), "a.ov");
}

// Choosing a file that exists asks first; No leaves the dialog open for
// another name, and only Yes takes the existing one.
TEST_F(Modal, SaveDialogAsksBeforeReplacingAnExistingFile) {
    const CTempFolder folder;
    const std::string dir = folder.Folder();
    std::ofstream(dir + "/ovlog.ov") << "old survey";
    std::ofstream(dir + "/taken.ov") << "x";
    CFileDialog dlg(".ov", "ovlog.ov", "Orvalis Log Files (*.ov)|*.ov||", dir);
    dlg.SetOverwritePrompt(true);
    std::vector<std::string> asked;
    WhenDialogShown([&](CDialog& d) {
        auto answer = [&](unsigned button) {
            WhenDialogShown([&, button](CDialog& box) {
                asked.push_back(static_cast<CMessageBox&>(box).GetText());
                if (button == 0) {
                    loop.OnKeyDown(VK_RETURN, false);  // Return answers No
                } else {
                    Tap(box, button);
                }
            });
        };
        answer(IDNO);
        Tap(d, IDOK);
        EXPECT_FALSE(d.IsEnded());
        answer(0);
        Keys("taken");
        loop.OnKeyDown(VK_RETURN, false);
        EXPECT_FALSE(d.IsEnded());
        Keys("{CA}fresh");  // a new name is not asked about
        Tap(d, IDOK);
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetFileName(), "fresh.ov");
    EXPECT_EQ(asked, (std::vector<std::string>{"ovlog.ov already exists. Replace it?",
                                               "taken.ov already exists. Replace it?"}));
    WhenDialogShown([&](CDialog& d) {
        WhenDialogShown([&](CDialog& box) { Tap(box, IDYES); });
        Tap(d, IDOK);
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetFileName(), "ovlog.ov");
}

TEST_F(Modal, SaveDialogRefusesNamesOutsideTheFolderAndStaysOpen) {
    const CTempFolder folder;
    const std::string dir = folder.Folder();
    CFileDialog dlg("JPG", "ov000001.jpg", "Snapshot JPEG (*.jpg)|*.jpg|All Files (*.*)|*.*||",
                    dir);
    int refused = 0;
    WhenDialogShown([&](CDialog& d) {
        for (const char* bad : {"", "   ", "..", "../escape", "a/b", "a\\b"}) {
            d.SetControlText(CFileDialog::kNameId, bad);
            d.OnOK();
            if (!d.IsEnded()) ++refused;
        }
        Tap(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(refused, 6);
    EXPECT_EQ(dlg.GetPathName(), "");
    EXPECT_EQ(dlg.AcceptName("snap"), "snap.JPG");
    EXPECT_EQ(dlg.AcceptName(" x.jpg "), "x.jpg");
}

TEST_F(Modal, SaveDialogListsMatchingFilesAndPickingOneNamesIt) {
    const CTempFolder folder;
    const std::string dir = folder.Folder();
    for (const char* f : {"b.ov", "a.OV", "notes.txt"}) std::ofstream(dir + "/" + f) << "x";
    CFileDialog dlg(".ov", "ovlog.ov", "Orvalis Log Files (*.ov)|*.ov|All Files (*.*)|*.*||", dir);
    std::vector<std::string> listed;
    WhenDialogShown([&](CDialog& d) {
        auto* list = dynamic_cast<CListBox*>(d.GetDlgItem(CFileDialog::kListId));
        for (int i = 0; i < list->GetCount(); ++i) {
            std::string s;
            list->GetText(i, s);
            listed.push_back(s);
        }
        const CPoint org = d.GetClientOrigin();
        const CRect r = list->GetWindowRect();
        loop.OnStylusDown(org.x + r.left + 5, org.y + r.top + 1 + list->GetItemHeight() + 2);
        loop.OnKeyDown(VK_RETURN, false);
    });
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(listed, (std::vector<std::string>{"a.OV", "b.ov"}));
    EXPECT_EQ(dlg.GetFileName(), "b.ov");
}

TEST_F(Modal, SaveDialogScriptedAnswers) {
    const CTempFolder folder;
    const std::string dir = folder.Folder();
    host.bAnswer = true;
    CFileDialog dlg(".ov", "ovlog.ov", "Orvalis Log Files (*.ov)|*.ov||", dir);
    host.scripted = ModalAnswer{};
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetFileName(), "ovlog.ov");
    EXPECT_EQ(host.requests.back().kind, ModalRequest::Kind::SaveFile);
    EXPECT_EQ(host.requests.back().proposedName, "ovlog.ov");
    host.scripted = ModalAnswer{IDOK, true, "survey"};
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetFileName(), "survey.ov");
    // The next showing offers the initial name again, not the last answer.
    host.scripted = ModalAnswer{};
    dlg.DoModal();
    EXPECT_EQ(dlg.GetFileName(), "ovlog.ov");
    host.scripted = ModalAnswer{IDCANCEL, false, ""};
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.GetPathName(), "");
    host.scripted = ModalAnswer{IDOK, true, "../../etc/passwd"};
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(FileDialogFilter, ParsesPairsAndMatchesWithoutCase) {
    CFileDialog dlg(".ov", "x", "Logs (*.ov)|*.ov;*.OVL|All Files (*.*)|*.*||", ".");
    ASSERT_EQ(dlg.GetFilters().size(), 2u);
    EXPECT_EQ(dlg.GetFilters()[0].first, "Logs (*.ov)");
    EXPECT_TRUE(dlg.MatchesFilter("A.OV"));
    EXPECT_TRUE(dlg.MatchesFilter("b.ovl"));
    EXPECT_FALSE(dlg.MatchesFilter("ov"));
    EXPECT_FALSE(dlg.MatchesFilter("c.jpg"));
    CFileDialog bad("", "x", "|||", ".");
    ASSERT_EQ(bad.GetFilters().size(), 1u);  // falls back to all files
    EXPECT_TRUE(bad.MatchesFilter("anything"));
    EXPECT_EQ(bad.AcceptName("noext"), "noext");
}

TEST(ModalShutdown, AWorkerWaitingWhenTheLoopGoesIsReleased) {
    CFakeHost host;
    std::atomic<int> result{0};
    std::thread worker;
    {
        auto loop = std::make_unique<CUiLoop>(host);
        worker = std::thread([&] { result = CMessageBox::Show("c", "t"); });
        while (loop->Queue().PendingCount() == 0) std::this_thread::yield();
    }
    worker.join();
    EXPECT_EQ(result.load(), -1);
    // Without a loop a box cannot be shown at all.
    EXPECT_EQ(CMessageBox::Show("c", "t"), -1);
}
