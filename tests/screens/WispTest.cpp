#include "screens/Wisp.h"

#include <string>

#include "StationTestUtil.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"

namespace {

constexpr COLORREF kNeedle = RGB(0, 0, 0);
constexpr COLORREF kPeak = RGB(64, 64, 64);
constexpr COLORREF kYellow = RGB(255, 255, 0);

class WispTest : public StationScreenTest {
protected:
    void SetUp() override {
        StationScreenTest::SetUp();
        view = OpenOnGrid<CWisp>();
        cues = std::make_shared<std::vector<std::string>>();
        auto played = cues;
        InstallSoundCues(
            [](std::string_view name, const char** canonical, std::span<const std::uint8_t>*) {
                *canonical = name == "WHOOSH" ? "WHOOSH" : "PING";
                return name == "WHOOSH" || name == "PING";
            },
            [played](const char* name, std::span<const std::uint8_t>) { played->push_back(name); });
    }
    // A reading: a frame from the station at `rssi` (none for 0), then a paint.
    const CCanvas& Read(int rssi) {
        if (rssi != 0) Frame(rssi);
        return Paint(view);
    }
    // The needle's colour three quarters of the way out from the pivot.
    static bool NeedleAt(const CCanvas& s, int dbm, COLORREF color) {
        const CPoint end = CWisp::NeedleEnd(dbm);
        return Near(s, (CWisp::kPivot.x + 3 * end.x) / 4, (CWisp::kPivot.y + 3 * end.y) / 4, color);
    }
    CWisp* view = nullptr;
    std::shared_ptr<std::vector<std::string>> cues;
};

TEST_F(WispTest, NeedleEndsAndTheDialTicksUnderThem) {
    struct Case {
        int dbm;
        CPoint end;
    } cases[] = {{-20, {215, 79}}, {-60, {120, 24}}, {-100, {25, 79}},
                 {-30, {197, 57}}, {-90, {43, 57}},  {-40, {175, 39}}};
    for (const Case& c : cases) EXPECT_EQ(CWisp::NeedleEnd(c.dbm), c.end) << c.dbm;

    const CBitmap* bg = LoadBitmapResource(IDB_WISP);
    ASSERT_NE(bg, nullptr);
    ASSERT_EQ(bg->Width(), 240);
    ASSERT_EQ(bg->Height(), 254);
    for (int dbm = -100; dbm <= -20; dbm += 10) {
        const CPoint end = CWisp::NeedleEnd(dbm);
        EXPECT_EQ(bg->GetPixel(end.x, end.y - 14), kNeedle) << dbm;
    }
    // The grid with this screen's button red; the reset button's face.
    EXPECT_EQ(bg->GetPixel(70, 251 - 14), RGB(255, 0, 0));
    EXPECT_EQ(bg->GetPixel(165, 146 - 14), RGB(192, 192, 192));
}

TEST_F(WispTest, ReadingsAreClampedAndShownAsTextColumnAndNeedle) {
    struct Case {
        int rssi;  // 0: no frame since the last paint
        int level;
    } cases[] = {{-20, -20}, {-10, -20}, {-105, -100}, {-45, -45}, {0, -100}, {-61, -61}};
    for (const Case& c : cases) {
        CWisp* v = Open<CWisp>();
        view = v;
        const CCanvas& s = Read(c.rssi);
        EXPECT_TRUE(HasText(view, "Channel #6, RSSI = " + std::to_string(c.level) + " dBm"))
            << c.rssi;
        const int top = CWisp::LevelY(c.level);
        if (c.level > -100) {
            EXPECT_EQ(s.GetPixel(200, top), kYellow) << c.rssi;
            EXPECT_EQ(s.GetPixel(200, 217), kYellow) << c.rssi;
        }
        EXPECT_NE(s.GetPixel(200, top - 1), kYellow) << c.rssi;
        // On the first reading the peak needle lies over the current one.
        EXPECT_TRUE(NeedleAt(s, c.level, kPeak)) << c.rssi;
    }
    EXPECT_EQ(CWisp::LevelY(-20), 178);
    EXPECT_EQ(CWisp::LevelY(-100), 218);
}

TEST_F(WispTest, ReadingNeedsAFrameSinceTheLastPaint) {
    Read(-30);
    EXPECT_EQ(store->m_bSelectedUpdated, 0);
    // The station is still strong, but nothing came since: the bottom of the scale.
    EXPECT_EQ(store->m_nSelectedRssi, -30);
    Read(0);
    EXPECT_TRUE(HasText(view, "Channel #6, RSSI = -100 dBm"));
    // Frames from other stations do not count.
    Frame(-30, SingleTap(0, 10), kOther);
    Read(0);
    EXPECT_TRUE(HasText(view, "Channel #6, RSSI = -100 dBm"));
}

TEST_F(WispTest, PeakNeedleHoldsUntilResetPeak) {
    Read(-35);
    const CCanvas& s = Read(-70);
    EXPECT_TRUE(NeedleAt(s, -35, kPeak));
    EXPECT_TRUE(NeedleAt(s, -70, kNeedle));
    EXPECT_EQ(view->PeakLevel(), -35);
    // A weaker reading never lowers it; a stronger one raises it.
    Read(-50);
    EXPECT_EQ(view->PeakLevel(), -35);
    Read(-25);
    EXPECT_EQ(view->PeakLevel(), -25);

    view->OnLButtonDown(196, 153);
    EXPECT_EQ(view->PeakLevel(), -100);
    EXPECT_EQ(*cues, std::vector<std::string>{"WHOOSH"});
    EXPECT_TRUE(grid.m_calls.empty());
    const CCanvas& t = Read(-70);
    EXPECT_TRUE(NeedleAt(t, -70, kPeak));
    EXPECT_FALSE(NeedleAt(t, -25, kPeak));
}

TEST_F(WispTest, TouchesOutsideResetPeakGoToTheScreenGrid) {
    struct Case {
        CPoint at;
        bool reset;
    } cases[] = {{{163, 144}, true},  {{229, 161}, true},  {{230, 150}, false},
                 {{196, 162}, false}, {{162, 150}, false}, {{70, 250}, false}};
    for (const Case& c : cases) {
        grid.m_calls.clear();
        cues->clear();
        Read(-30);
        view->OnLButtonDown(c.at.x, c.at.y);
        EXPECT_EQ(view->PeakLevel() == -100, c.reset) << c.at.x << "," << c.at.y;
        EXPECT_EQ(cues->size(), c.reset ? 1u : 0u);
        const std::vector<CGridFrame::Call> none;
        const std::vector<CGridFrame::Call> one{{c.at.x, c.at.y, 11}};
        EXPECT_EQ(grid.m_calls, c.reset ? none : one);
    }
}

TEST_F(WispTest, HistoryShowsTheNewestOneHundredFiftyReadings) {
    // One strong reading, then weak ones (no frames): it scrolls to the left
    // edge, and off with the 151st.
    struct Case {
        int readings;
        bool shown;
    } cases[] = {{1, true}, {150, true}, {151, false}, {300, false}};
    for (const Case& c : cases) {
        CWisp* v = Open<CWisp>();
        view = v;
        const CCanvas* s = &Read(-20);
        for (int i = 1; i < c.readings; ++i) s = &Read(0);
        const int age = c.readings - 1;
        const CRect strong(31, 178, 181, 190);
        EXPECT_EQ(Count(*s, strong, kYellow) > 0, c.shown) << c.readings;
        if (c.shown && age < 149) {
            EXPECT_EQ(s->GetPixel(CWisp::kNewestX - age, 178), kYellow) << c.readings;
        }
        // The weak readings lie on the bottom row.
        if (c.readings > 2) {
            EXPECT_EQ(s->GetPixel(CWisp::kNewestX - 1, 218), kYellow);
        }
    }
}

}  // namespace
