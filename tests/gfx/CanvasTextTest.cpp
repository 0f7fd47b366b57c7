#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "CanvasTestUtil.h"
#include "gfx/Canvas.h"
#include "gfx/TextRecorder.h"

using canvas_test::AllOutsideAre;
using canvas_test::InkBounds;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kNavy = RGB(0, 0, 128);

// Draws one text on a black canvas in white on navy and returns its record.
struct Drawn {
    CCanvas canvas{240, 320};
    CTextRecorder recorder;
    CTextRecord record;
};

void Draw(Drawn& d, const char* text, const CRect& rect, unsigned format, int mode = OPAQUE,
          CFont font = CFont(80, "System")) {
    d.canvas.SetTextRecorder(&d.recorder);
    d.canvas.SelectFont(font);
    d.canvas.SetTextColor(kWhite);
    d.canvas.SetBkColor(kNavy);
    d.canvas.SetBkMode(mode);
    d.canvas.DrawText(text, rect, format);
    ASSERT_EQ(d.recorder.Count(), 1u);
    d.record = d.recorder.Records().front();
}

TEST(FontMetrics, SizesFitTheScreensRows) {
    const CTextMetrics m6 = CFont(60, "System").Metrics();
    const CTextMetrics m8 = CFont(80, "System").Metrics();
    const CTextMetrics m10 = CFont(100, "System").Metrics();
    EXPECT_LE(m6.height, 8);   // the legend's 8-pixel labels
    EXPECT_LE(m8.height, 10);  // 10-pixel rows
    EXPECT_LE(m10.height, 15);
    EXPECT_LT(m6.height, m8.height);
    EXPECT_LT(m8.height, m10.height);
    for (const CTextMetrics& m : {m6, m8, m10}) {
        EXPECT_EQ(m.height, m.ascent + m.descent);
        EXPECT_GT(m.aveCharWidth, 2);
        EXPECT_GE(m.maxCharWidth, m.aveCharWidth);
    }
    // The widest fixed line of the screens fits the screen at 8 points.
    EXPECT_LE(CFont(80, "System").GetTextExtent("(Firmware Version 0.00)(Serial Number XXXXXX)").cx,
              240);
    // Two-digit channel numbers fit their 14-pixel cells at 10 points.
    EXPECT_LE(CFont(100, "System").GetTextExtent("14").cx, 14);
    EXPECT_LE(CFont(60, "System").GetTextExtent("-100").cx, 20);
    // Forms ask for another face; unknown faces and sizes still give a font.
    EXPECT_GT(CFont(80, "MS Sans Serif").Metrics().height, 0);
    EXPECT_GT(CFont(-5, "").Metrics().height, 0);
    EXPECT_GT(CFont(100000, "No Such Face").Metrics().height, 0);
}

TEST(FontMetrics, ExtentIsTheSumOfItsCharacters) {
    const CFont f(80, "System");
    EXPECT_EQ(f.GetTextExtent("").cx, 0);
    EXPECT_EQ(f.GetTextExtent("MARKER: 2437").cx,
              f.GetTextExtent("MARKER: ").cx + f.GetTextExtent("2437").cx);
    EXPECT_EQ(f.GetTextExtent("x").cy, f.Metrics().height);
}

TEST(DrawTextPlacement, DefaultIsLeftTop) {
    Drawn d;
    const CRect rect(45, 40, 200, 47);
    Draw(d, "00-1A-2B-3C-4D-5E", rect, DT_LEFT | DT_TOP);
    const int w = d.canvas.GetTextExtent("00-1A-2B-3C-4D-5E").cx;
    EXPECT_EQ(d.record.box, CRect(45, 40, 45 + w, 40 + d.canvas.GetTextMetrics().height));
    EXPECT_EQ(d.record.rect, rect);
    // Ink starts at the left edge and the digits' tops at the top edge.
    const CRect ink = InkBounds(d.canvas, kBlack);
    EXPECT_GE(ink.left, 45);
    EXPECT_LE(ink.left, 46);
    EXPECT_EQ(ink.top, 40);
    EXPECT_TRUE(AllOutsideAre(d.canvas, rect, kBlack));
}

TEST(DrawTextPlacement, VCenterWithoutSingleLineStaysAtTheTop) {
    Drawn d;
    Draw(d, "SPECTRUM", CRect(10, 50, 110, 85), DT_CENTER | DT_VCENTER, OPAQUE,
         CFont(100, "System"));
    EXPECT_EQ(d.record.box.top, 50);
}

TEST(DrawTextPlacement, CenterSplitsTheSpareWidth) {
    Drawn d;
    const CRect rect(0, 183, 240, 193);
    Draw(d, "Ctr: 2450 MHz   Span: 100 MHz", rect, DT_CENTER | DT_VCENTER);
    const CRect& box = d.record.box;
    EXPECT_LE(std::abs((box.left - rect.left) - (rect.right - box.right)), 1);
    EXPECT_EQ(box.top, 183);
    const CRect ink = InkBounds(d.canvas, kBlack);
    EXPECT_EQ(ink.left, box.left);  // the opaque box is ink too
    EXPECT_LE(std::abs((ink.left + ink.right) - 240), 2);
}

TEST(DrawTextPlacement, SingleLineVCenterCentresTheLineBox) {
    Drawn d;
    const CRect rect(0, 0, 240, 14);
    Draw(d, "WARNING", rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const int h = d.canvas.GetTextMetrics().height;
    EXPECT_EQ(d.record.box.top, (14 - h) / 2);
    EXPECT_EQ(d.record.box.bottom - d.record.box.top, h);
    // An odd spare height puts the extra pixel below.
    Drawn e;
    Draw(e, "X", CRect(0, 0, 20, 20 + 1), DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(e.record.box.top, (21 - h) / 2);
}

TEST(DrawTextPlacement, RightAndBottomAlignToTheFarEdges) {
    Drawn d;
    Draw(d, "12.5", CRect(60, 100, 100, 130), DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    EXPECT_EQ(d.record.box.right, 100);
    EXPECT_EQ(d.record.box.bottom, 130);
    const CRect ink = InkBounds(d.canvas, kBlack);
    EXPECT_EQ(ink.right, 100);
    EXPECT_EQ(ink.bottom, 130);
}

TEST(DrawTextPlacement, ClipsToTheRectangleUnlessNoClip) {
    Drawn d;
    const CRect rect(170, 50, 185, 57);  // narrower and lower than the text
    Draw(d, "WEP WEP WEP", rect, DT_CENTER | DT_VCENTER);
    EXPECT_TRUE(AllOutsideAre(d.canvas, rect, kBlack));
    EXPECT_FALSE(InkBounds(d.canvas, kBlack).IsRectEmpty());

    Drawn e;
    Draw(e, "WEP WEP WEP", rect, DT_CENTER | DT_VCENTER | DT_NOCLIP);
    EXPECT_FALSE(AllOutsideAre(e.canvas, rect, kBlack));
}

TEST(DrawTextColours, OpaqueFillsTheLineBoxTransparentKeepsTheBackground) {
    Drawn d;
    Draw(d, "RTC", CRect(5, 242, 40, 253), DT_VCENTER);
    const CRect box = d.record.box;
    EXPECT_EQ(InkBounds(d.canvas, kBlack), box);
    EXPECT_EQ(d.canvas.GetPixel(box.right - 1, box.bottom - 1), kNavy);
    EXPECT_EQ(d.record.bkColor, kNavy);
    EXPECT_EQ(d.record.textColor, kWhite);
    // The stems of capitals are hinted onto whole pixels: full text colour.
    EXPECT_GT(canvas_test::CountPixels(d.canvas, kWhite), 5);

    Drawn t;
    Draw(t, "RTC", CRect(5, 242, 40, 253), DT_VCENTER, TRANSPARENT);
    EXPECT_EQ(t.record.bkColor, CLR_INVALID);
    EXPECT_EQ(canvas_test::CountPixels(t.canvas, kNavy), 0);
    // Only glyph pixels change: the same ink as opaque, minus the box.
    EXPECT_LT(InkBounds(t.canvas, kBlack).Width(), box.Width() + 1);
    EXPECT_GT(canvas_test::CountPixels(t.canvas, kWhite), 5);
}

TEST(DrawTextLines, NewlinesBreakLinesUnlessSingleLine) {
    Drawn d;
    const int h = d.canvas.GetFont().Metrics().height;
    Draw(d, "ONE\nTWO\r\nTHREE", CRect(0, 0, 240, 100), DT_CENTER);
    EXPECT_EQ(d.record.box.Height(), 3 * h);
    Drawn s;
    Draw(s, "ONE\nTWO", CRect(0, 0, 240, 100), DT_SINGLELINE);
    EXPECT_EQ(s.record.box.Height(), h);
    EXPECT_EQ(s.record.box.Width(), s.canvas.GetTextExtent("ONE TWO").cx);
    EXPECT_EQ(s.record.text, "ONE\nTWO");
}

TEST(DrawTextLines, WordBreakWrapsAtBlanksToTheWidth) {
    CCanvas c(240, 320);
    const std::string text = "Unable to open the file for writing on the storage card";
    const CRect rect(10, 10, 110, 300);
    const CRect calc = c.CalcTextRect(text, rect, DT_WORDBREAK);
    EXPECT_LE(calc.Width(), 100);
    EXPECT_GE(calc.Height(), 2 * c.GetTextMetrics().height);
    EXPECT_EQ(c.DrawText(text, rect, DT_WORDBREAK), calc.Height());
    EXPECT_LE(InkBounds(c, kBlack).right, 110);
    // A word wider than the rectangle stays whole on its own line.
    const CRect one = c.CalcTextRect("Supercalifragilistic", CRect(0, 0, 20, 100), DT_WORDBREAK);
    EXPECT_EQ(one.Height(), c.GetTextMetrics().height);
    // Measuring draws nothing.
    CCanvas m(50, 50);
    m.DrawText("measure", CRect(0, 0, 50, 50), DT_CALCRECT);
    EXPECT_TRUE(InkBounds(m, RGB(0, 0, 0)).IsRectEmpty());
}

TEST(DrawTextRecording, RecordsReachTheRecorderThroughCompatibleCanvases) {
    CTextRecorder recorder;
    CCanvas screen(240, 320);
    screen.SetTextRecorder(&recorder);
    CCanvas mem = screen.CreateCompatible(240, 320);
    mem.SetTextColor(RGB(255, 255, 0));
    mem.SetBkColor(kBlack);
    mem.DrawText("Marker #0", CRect(145, 242, 209, 253), DT_VCENTER);
    mem.SetBkMode(TRANSPARENT);
    mem.DrawText("", CRect(170, 50, 185, 57), DT_CENTER | DT_VCENTER);
    CTextRecord r;
    ASSERT_TRUE(recorder.FindLast("Marker #0", &r));
    EXPECT_EQ(r.rect, CRect(145, 242, 209, 253));
    EXPECT_EQ(r.textColor, RGB(255, 255, 0));
    EXPECT_EQ(r.bkColor, kBlack);
    EXPECT_EQ(r.format, DT_VCENTER);
    EXPECT_EQ(r.pointTenths, 80);
    EXPECT_EQ(r.face, "System");
    ASSERT_TRUE(recorder.FindLast("", &r));
    EXPECT_EQ(r.bkColor, CLR_INVALID);
    EXPECT_FALSE(recorder.FindLast("absent", nullptr));
    recorder.Clear();
    EXPECT_EQ(recorder.Count(), 0u);

    // A host can catch texts of canvases it never sees being created.
    CCanvas::SetDefaultTextRecorder(&recorder);
    CCanvas fresh(10, 10);
    CCanvas::SetDefaultTextRecorder(nullptr);
    fresh.TextOut(0, 0, "hi");
    ASSERT_EQ(recorder.Count(), 1u);
    EXPECT_EQ(recorder.Records()[0].rect.left, 0);
}

TEST(DrawTextBytes, EveryByteValueDrawsSafely) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    CCanvas c(240, 320);
    c.DrawText(all, CRect(0, 0, 240, 320), DT_WORDBREAK);
    c.DrawText(std::string("A\0B", 3), CRect(0, 0, 240, 20), DT_SINGLELINE);
    // Latin-1 letters are drawn, not dropped.
    CCanvas d(40, 20);
    d.SetTextColor(kWhite);
    d.SetBkMode(TRANSPARENT);
    d.DrawText("\xC9", CRect(0, 0, 40, 20), 0);
    EXPECT_FALSE(InkBounds(d, kBlack).IsRectEmpty());
}

TEST(DrawTextThreads, ConcurrentDrawingGivesIdenticalPixels) {
    // The glyph cache fills lazily; two threads racing on it must agree.
    auto paint = [](CCanvas* c) {
        for (int size : {60, 80, 100, 120, 140}) {
            c->SelectFont(CFont(size, size == 120 ? "MS Sans Serif" : "System"));
            c->DrawText("The quick brown fox 0123456789 \xE9\xE8", CRect(0, size, 240, size + 20),
                        DT_CENTER);
        }
    };
    CCanvas a(240, 320), b(240, 320);
    std::thread t1(paint, &a), t2(paint, &b);
    t1.join();
    t2.join();
    EXPECT_EQ(a.Bitmap(), b.Bitmap());
}

}  // namespace
