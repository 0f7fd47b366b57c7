#include "screens/GeigerView.h"

#include <atomic>
#include <thread>

#include "ScreenTestUtil.h"
#include "audio/ClickEngine.h"
#include "platform/AudioOutput.h"
#include "res/ClickKernel.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kOrange = RGB(255, 128, 0);
constexpr COLORREF kDarkRed = RGB(192, 0, 0);
constexpr COLORREF kPurple = RGB(128, 64, 128);
constexpr COLORREF kAntenna = RGB(0, 192, 255);

class GeigerViewTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        view = Open<CGeigerView>();
        CClickEngine::Setup setup;
        setup.kernelFile = ClickKernelWave();
        engine = std::make_unique<CClickEngine>(std::move(setup));
        view->SetContext(ScreenContext{store.get(), furniture.get(), engine.get()});
    }
    const CCanvas& PaintAt(int rssi) {
        store->m_nSelectedRssi = static_cast<int8_t>(rssi);
        return Paint(view);
    }
    CGeigerView* view = nullptr;
    std::unique_ptr<CClickEngine> engine;
};

TEST_F(GeigerViewTest, RingsBeamAndColourFollowTheClampedLevel) {
    struct Case {
        int rssi;
        COLORREF pen;
        int rings;  // innermost rings drawn
        int beamBottom;
    } cases[] = {
        {-20, kWhite, 7, 214},   {-30, kWhite, 7, 214},   {-41, kWhite, 6, 203},
        {-55, kYellow, 5, 189},  {-60, kOrange, 4, 184},  {-70, kDarkRed, 3, 174},
        {-79, kDarkRed, 3, 165}, {-80, kPurple, 2, 164},  {-90, kPurple, 1, 154},
        {-100, kPurple, 1, 154}, {-128, kPurple, 1, 154},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rssi);
        const CCanvas& s = PaintAt(c.rssi);
        for (int i = 0; i < 7; ++i) {
            const CRect r = CGeigerView::kRings[static_cast<size_t>(i)].rect;
            const bool drawn = i >= 7 - c.rings;
            const int cy = (r.top + r.bottom) / 2;
            EXPECT_EQ(s.GetPixel(r.left, cy), drawn ? c.pen : kBlack) << "ring " << i;
            EXPECT_EQ(s.GetPixel(r.right - 1, cy), drawn ? c.pen : kBlack) << "ring " << i;
        }
        // The innermost ring is filled black; the antenna is drawn over it.
        EXPECT_EQ(s.GetPixel(120, 80), kBlack);
        EXPECT_EQ(s.GetPixel(120, 100), kBlack);
        EXPECT_EQ(s.GetPixel(120, 90), kAntenna);
        EXPECT_EQ(s.GetPixel(111, 104), kAntenna);

        // The beam: every row from 154 to its bottom, as wide as the scale.
        for (int y = CGeigerView::kBeamTop; y <= c.beamBottom; ++y)
            ASSERT_EQ(s.GetPixel(100, y), c.pen) << y;
        EXPECT_EQ(s.GetPixel(249 - c.beamBottom + 1, c.beamBottom), c.pen);
        EXPECT_EQ(s.GetPixel(c.beamBottom - 11, c.beamBottom), c.pen);
        EXPECT_NE(s.GetPixel(100, c.beamBottom + 3), c.pen);
        EXPECT_NE(s.GetPixel(249 - c.beamBottom - 4, c.beamBottom), c.pen);
        EXPECT_EQ(s.GetPixel(120, 140), kAntenna);  // the mast
    }
}

TEST_F(GeigerViewTest, LevelScaleShowsBelowTheBeam) {
    const CCanvas& s = PaintAt(-90);
    for (int y = 164; y <= 214; y += 10) {
        EXPECT_EQ(s.GetPixel(249 - y, y), kYellow) << y;
        EXPECT_EQ(s.GetPixel(y - 10, y), kYellow) << y;
        EXPECT_EQ(s.GetPixel(120, y + 1), kBlack) << y;
    }
    EXPECT_EQ(s.GetPixel(20, 200), kBlack);
}

TEST_F(GeigerViewTest, EveryPaintHandsTheLevelToTheClickEngine) {
    const int cases[][2] = {{-100, -90}, {-45, -45}, {-10, -30}, {-90, -90}};
    for (const auto& [rssi, level] : cases) {
        PaintAt(rssi);
        EXPECT_EQ(engine->GetLevel(), level) << rssi;
    }
    // No engine: the screen paints all the same.
    view->SetContext(ScreenContext{store.get(), furniture.get(), nullptr});
    EXPECT_EQ(PaintAt(-30).GetPixel(100, 214), kWhite);
}

// The GUI thread paints (handing over levels) and switches the clicks on and
// off while the click thread plays on the null sink.
TEST_F(GeigerViewTest, PaintsAndRunSwitchesAgainstTheClickThread) {
    CAudioOutput output;
    output.Open(true);
    CClickEngine::Setup setup;
    setup.kernelFile = ClickKernelWave();
    setup.pDevice = std::make_unique<CAudioClickDevice>(output);
    auto running = std::make_unique<CClickEngine>(std::move(setup));
    view->SetContext(ScreenContext{store.get(), furniture.get(), running.get()});
    running->Start();
    for (int i = 0; i < 200; ++i) {
        if (i % 20 == 0) running->SetRunEvent();
        if (i % 20 == 15) running->ResetRunEvent();
        PaintAt(-30 - (i * 7) % 70);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    running->ResetRunEvent();
    const uint32_t blocks = running->Blocks();
    EXPECT_GT(blocks, 0u);
    EXPECT_LE(running->ClickBlocks(), blocks);
    running.reset();
}

}  // namespace
