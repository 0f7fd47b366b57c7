#include "screens/Utilization.h"

#include "ScreenTestUtil.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"

namespace {

constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class UtilizationTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        store->m_nChannel = 1;
        view = Open<CUtilization>();
    }
    void SetScale(int buttonIndex) {
        const CRect& r = CUtilization::kScaleButtons[static_cast<size_t>(buttonIndex)].rect;
        view->OnLButtonDown(r.left + 5, r.top + 5);
    }
    uint32_t& Amount(int rate, int channel) {
        return store
            ->m_anBytesPerRateChannel[static_cast<size_t>(rate)][static_cast<size_t>(channel)];
    }
    // Top of the coloured run ending at y 197 in the column of channel 6.
    int TopOf(const CCanvas& s, COLORREF color, int x = 110) {
        int y = 197;
        while (y >= 0 && s.GetPixel(x, y) == color) --y;
        return y + 1;
    }
    CUtilization* view = nullptr;
};

TEST_F(UtilizationTest, SegmentHeightFollowsTheScale) {
    Amount(0, 6) = 12500;
    const CCanvas& s = Paint(view);
    // Ten units, fifteen pixels: (106,183)-(117,198).
    EXPECT_EQ(s.GetPixel(106, 183), kGreen);
    EXPECT_EQ(s.GetPixel(116, 197), kGreen);
    EXPECT_NE(s.GetPixel(106, 182), kGreen);
    EXPECT_NE(s.GetPixel(105, 190), kGreen);
    EXPECT_NE(s.GetPixel(117, 190), kGreen);

    SetScale(1);
    EXPECT_EQ(view->GetScale(), 10);
    Paint(view);
    EXPECT_EQ(TopOf(s, kGreen), 48);

    SetScale(2);
    Amount(0, 6) = 50;
    Paint(view);
    EXPECT_EQ(TopOf(s, kGreen), 192);
    EXPECT_EQ(CUtilization::ChartUnits(50, 0, 100), 4);
    // The largest amount at scale 100 does not overflow.
    EXPECT_EQ(CUtilization::ChartUnits(65535, 0, 100), 5242);
}

TEST_F(UtilizationTest, OnlyTheLowSixteenBitsCount) {
    Amount(0, 6) = 65536;
    const CCanvas& s = Paint(view);
    EXPECT_NE(s.GetPixel(110, 197), kGreen);
    Amount(0, 6) = 70000;  // as 4464: 3 units, 4 pixels
    Paint(view);
    EXPECT_EQ(TopOf(s, kGreen), 194);
}

TEST_F(UtilizationTest, SegmentsStackAndStopAtTheTop) {
    SetScale(1);           // 10 %
    Amount(0, 6) = 6250;   // 50 units, 75 pixels
    Amount(1, 6) = 12500;  // 50 units: reaches y 48
    Amount(2, 6) = 60000;
    Amount(3, 6) = 60000;
    const CCanvas& s = Paint(view);
    EXPECT_EQ(TopOf(s, kGreen), 123);
    EXPECT_EQ(TopOf(s, kRed, 110), 198);  // green sits at the bottom
    EXPECT_EQ(s.GetPixel(110, 122), kRed);
    EXPECT_EQ(s.GetPixel(110, 48), kRed);
    EXPECT_NE(s.GetPixel(110, 47), kRed);
    for (int y = 30; y < 198; ++y) {
        EXPECT_NE(s.GetPixel(110, y), kBlue) << y;
        EXPECT_NE(s.GetPixel(110, y), kBlack) << y;
    }

    // All four rates stack in order: green, red, blue, black.
    SetScale(0);
    Amount(0, 9) = 12500;     // 10 units: 183..197
    Amount(1, 9) = 25000;     // 10 units: 168..182
    Amount(2, 9) = 6875 * 4;  // 4 units: 162..167
    Amount(3, 9) = 65535;     // 4 units: 156..161
    Paint(view);
    const int x = CUtilization::ColumnX(9) + 5;
    EXPECT_EQ(s.GetPixel(x, 183), kGreen);
    EXPECT_EQ(s.GetPixel(x, 168), kRed);
    EXPECT_EQ(s.GetPixel(x, 162), kBlue);
    EXPECT_EQ(s.GetPixel(x, 158), kBlack);
    EXPECT_NE(s.GetPixel(x, 155), kBlack);
}

TEST_F(UtilizationTest, AxisLabelsFollowTheScale) {
    Paint(view);
    EXPECT_TRUE(HasText(view, "100%"));
    EXPECT_TRUE(HasText(view, "0%"));
    SetScale(1);
    Paint(view);
    EXPECT_TRUE(HasText(view, "10%"));
    EXPECT_FALSE(HasText(view, "100%"));
    SetScale(2);
    Paint(view);
    CTextRecord r;
    ASSERT_TRUE(HasText(view, "1.0%", &r));
    EXPECT_EQ(r.rect, CRect(0, 44, 27, 52));
    ASSERT_TRUE(HasText(view, "0.9%", &r));
    EXPECT_EQ(r.rect, CRect(0, 59, 27, 67));
    ASSERT_TRUE(HasText(view, "0.0%", &r));
    EXPECT_EQ(r.rect, CRect(0, 194, 27, 202));
}

TEST_F(UtilizationTest, ScaleButtonsAndTheirEdges) {
    SetScale(2);
    EXPECT_EQ(view->GetScale(), 100);
    SetScale(0);
    EXPECT_EQ(view->GetScale(), 1);
    view->OnLButtonDown(89, 230);   // just right of VIEW 100%
    view->OnLButtonDown(239, 230);  // just right of VIEW 1%
    view->OnLButtonDown(120, 242);  // just below VIEW 10%
    EXPECT_EQ(view->GetScale(), 1);
    view->OnLButtonDown(103, 222);
    EXPECT_EQ(view->GetScale(), 10);
    EXPECT_EQ(*pings, 3);
    EXPECT_TRUE(store->m_sent.empty());
}

TEST_F(UtilizationTest, CurrentChannelNumberIsInverted) {
    store->m_nChannel = 6;
    const CCanvas& s = Paint(view);
    const CBitmap* chart = LoadBitmapResource(IDB_UTILIZATION);
    ASSERT_NE(chart, nullptr);
    const CRect h = CUtilization::ChannelHighlight(6);
    EXPECT_EQ(h, CRect(103, 198, 119, 219));
    EXPECT_EQ(s.GetPixel(104, 199), chart->GetPixel(104, 169) ^ 0xFFFFFFu);
    EXPECT_EQ(s.GetPixel(120, 199), chart->GetPixel(120, 169));
}

}  // namespace
