#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "gfx/Png.h"
#include "hosts/headless/HeadlessHost.h"
#include "tests/support/TempFolder.h"
#include "ui/FileDialog.h"
#include "ui/FrameWnd.h"
#include "ui/MessageBox.h"
#include "ui/UiLoop.h"

namespace {

class CBarsView : public CView {
public:
    void OnDraw(CCanvas& dc) override {
        dc.FillSolidRect(CRect(0, 0, 80, 270), RGB(255, 0, 0));
        dc.FillSolidRect(CRect(80, 0, 160, 270), RGB(0, 255, 0));
        dc.FillSolidRect(CRect(160, 0, 240, 270), RGB(0, 0, 255));
    }
};

class Headless : public ::testing::Test {
protected:
    void SetUp() override {
        loop.SetFrame(&frame);
        frame.SetTitle("Orvalis B+");
        view = frame.AddView(std::make_unique<CBarsView>());
        frame.SetActiveView(view);
    }

    std::vector<std::string> lines;
    CHeadlessHost host{[this](const std::string& l) { lines.push_back(l); }};
    CUiLoop loop{host};
    CFrameWnd frame;
    CView* view = nullptr;
    CTempFolder folder;
    const std::filesystem::path& dir = folder.Root();
};

}  // namespace

TEST_F(Headless, WorkerBoxIsPrintedAndAnsweredOkAtOnce) {
    std::atomic<int> result{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = CMessageBox::Show("ALERT!", "AP#00-0A-0B-0C-0D-0E is not authorized.");
        done = true;
    });
    while (!done.load()) loop.RunOnce(10);
    worker.join();
    EXPECT_EQ(result.load(), IDOK);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "msgbox: ALERT! | AP#00-0A-0B-0C-0D-0E is not authorized.");
    EXPECT_TRUE(loop.Modals().empty());
}

TEST_F(Headless, EachEventIsOneLine) {
    CMessageBox::Show("Two\nlines", "a\r\nb");
    host.PlaySound("PING", {});
    host.MessageBeep();
    EXPECT_EQ(lines,
              (std::vector<std::string>{"msgbox: Two\\nlines | a\\nb", "sound: PING", "beep"}));
    EXPECT_EQ(host.Sounds(), (std::vector<std::string>{"PING"}));
}

TEST_F(Headless, SaveDialogsFollowTheScriptedAnswersInOrder) {
    const auto show = [&](std::string* path) {
        CFileDialog dlg(".JPG", "ov000001.jpg", "Snapshot JPEG (*.jpg)|*.jpg|All Files (*.*)|*.*||",
                        dir.string());
        const int r = dlg.DoModal();
        *path = dlg.GetPathName();
        return r;
    };
    host.QueueSaveAnswer({true, std::nullopt});
    host.QueueSaveAnswer({true, std::string("site7")});
    host.QueueSaveAnswer({false, std::nullopt});
    host.QueueSaveAnswer({true, std::string("../outside.jpg")});
    std::string path;
    EXPECT_EQ(show(&path), IDOK);
    EXPECT_EQ(path, (dir / "ov000001.jpg").string());
    EXPECT_EQ(show(&path), IDOK);
    EXPECT_EQ(path, (dir / "site7.JPG").string());
    EXPECT_EQ(show(&path), IDCANCEL);
    EXPECT_EQ(show(&path), IDCANCEL);  // a name outside the folder is refused
    EXPECT_EQ(path, "");
    // Queue empty: OK with the proposed name.
    EXPECT_EQ(show(&path), IDOK);
    EXPECT_EQ(path, (dir / "ov000001.jpg").string());
    ASSERT_EQ(lines.size(), 5u);
    for (const auto& l : lines) EXPECT_EQ(l, "dialog: save | ov000001.jpg");
}

TEST_F(Headless, CapturesTheScreenAndTheViewAsPng) {
    loop.ProcessPending();
    EXPECT_EQ(host.PresentCount(), 1);
    const std::string screenPath = (dir / "screen.png").string();
    const std::string viewPath = (dir / "view.png").string();
    const std::string areaPath = (dir / "area.png").string();
    ASSERT_EQ(host.CaptureScreen(screenPath), 0);
    ASSERT_EQ(CHeadlessHost::CaptureView(viewPath, *view), 0);
    ASSERT_EQ(host.CaptureArea(areaPath, CRect(70, 10, 90, 20)), 0);
    CBitmap screen;
    CBitmap shot;
    CBitmap area;
    ASSERT_EQ(ReadPng(screenPath, &screen), 0);
    ASSERT_EQ(ReadPng(viewPath, &shot), 0);
    ASSERT_EQ(ReadPng(areaPath, &area), 0);
    EXPECT_EQ(screen.Width(), 240);
    EXPECT_EQ(screen.Height(), 320);
    EXPECT_EQ(shot.Width(), 240);
    EXPECT_EQ(shot.Height(), 270);
    EXPECT_EQ(shot.GetPixel(79, 269), RGB(255, 0, 0));
    EXPECT_EQ(shot.GetPixel(80, 0), RGB(0, 255, 0));
    EXPECT_EQ(screen.GetPixel(239, 0), RGB(0, 0, 255));
    EXPECT_EQ(area.Width(), 20);
    EXPECT_EQ(area.GetPixel(9, 0), RGB(255, 0, 0));
    EXPECT_EQ(area.GetPixel(10, 0), RGB(0, 255, 0));
    // Unwritable paths and empty areas fail without a file.
    EXPECT_EQ(host.CaptureScreen((dir / "missing" / "x.png").string()), -1);
    EXPECT_EQ(host.CaptureArea(areaPath, CRect(300, 300, 400, 400)), -1);
    CView unpainted;
    EXPECT_EQ(CHeadlessHost::CaptureView(viewPath, unpainted), -1);
}

TEST_F(Headless, PostedMessagesFromWorkersAreHandledOnTheGuiThread) {
    std::thread::id handledOn;
    int count = 0;
    loop.SetMessageHandler([&](const PostedMessage&) {
        handledOn = std::this_thread::get_id();
        ++count;
    });
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) EXPECT_EQ(loop.PostMessage(32868), 0);
    });
    worker.join();
    loop.ProcessPending();
    EXPECT_EQ(count, 100);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
}

// A save dialog that asks before replacing: the question is printed with the
// answer taken from the script's own queue (Yes when it is empty), and No
// cancels the scripted dialog.
TEST_F(Headless, ReplaceQuestionsFollowTheirOwnQueue) {
    std::ofstream((dir / "ovlog.ov").string()) << "old";
    const auto show = [&] {
        CFileDialog dlg(".ov", "ovlog.ov", "Orvalis Log Files (*.ov)|*.ov||", dir.string());
        dlg.SetOverwritePrompt(true);
        return dlg.DoModal();
    };
    host.QueueQuestionAnswer(false);
    host.QueueQuestionAnswer(true);
    EXPECT_EQ(show(), IDCANCEL);
    EXPECT_EQ(show(), IDOK);
    EXPECT_EQ(host.PendingQuestionAnswers(), 0u);
    EXPECT_EQ(show(), IDOK);
    // A new name is not asked about and leaves the queued answer alone.
    host.QueueQuestionAnswer(false);
    host.QueueSaveAnswer({true, std::string("new")});
    EXPECT_EQ(show(), IDOK);
    EXPECT_EQ(host.PendingQuestionAnswers(), 1u);
    const std::string q = "question: Save As | ovlog.ov already exists. Replace it? | ";
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "dialog: save | ovlog.ov", q + "no", "dialog: save | ovlog.ov", q + "yes",
                         "dialog: save | ovlog.ov", q + "yes", "dialog: save | ovlog.ov"}));
    EXPECT_EQ(CMessageBox::Ask("c", "t"), IDNO);  // the queued No
}
