// The pictures behind the traffic and spectrum screens: their touch targets
// are where the screens look for touches.
#include <gtest/gtest.h>

#include "res/BitmapResources.h"
#include "res/Resource.h"
#include "screens/Mac.h"
#include "screens/Spectrum.h"
#include "screens/Utilization.h"

namespace {

constexpr COLORREF kNavy = RGB(0, 0, 128);

const CBitmap& Load(int id) {
    static const CBitmap empty;
    const CBitmap* b = LoadBitmapResource(id);
    EXPECT_NE(b, nullptr) << id;
    return b != nullptr ? *b : empty;
}

TEST(TrafficBitmaps, ChannelCellsSitWhereTheScreensTakeTouches) {
    const CBitmap& band = Load(IDB_SPECTRUM_GRID);
    const CBitmap& list = Load(IDB_MAC_LIST);
    for (int i = 1; i <= 14; ++i) {
        const CRect s = CSpectrum::ChannelCell(i);
        EXPECT_EQ(band.GetPixel(s.left, s.top - 20), kNavy) << i;
        EXPECT_EQ(band.GetPixel(s.right - 1, s.bottom - 21), kNavy) << i;
        EXPECT_NE(band.GetPixel(s.right, s.top - 20), kNavy) << i;  // the gap
        const CRect m = CMac::ChannelCell(i);
        EXPECT_EQ(list.GetPixel(m.left, m.top - 20), kNavy) << i;
        EXPECT_EQ(list.GetPixel(m.right - 1, m.bottom - 21), kNavy) << i;
        EXPECT_NE(list.GetPixel(m.left - 1, m.top - 20), kNavy) << i;
    }
    // One channel: the whole strip is the SURVEY bar.
    const CBitmap& zoomed = Load(IDB_CHANNEL_GRID);
    EXPECT_EQ(zoomed.GetPixel(CSpectrum::kChannelStrip.left, 142), kNavy);
    EXPECT_EQ(zoomed.GetPixel(17, 159), kNavy);
    EXPECT_EQ(list.GetPixel(0, CMac::kSurveyBar.top - 20), kNavy);
    EXPECT_EQ(list.GetPixel(239, CMac::kSurveyBar.bottom - 21), kNavy);
}

TEST(TrafficBitmaps, UtilizationButtonsAndChartArea) {
    const CBitmap& chart = Load(IDB_UTILIZATION);
    for (const auto& b : CUtilization::kScaleButtons) {
        EXPECT_EQ(chart.GetPixel(b.rect.left, b.rect.top - 30), RGB(0, 0, 0));
        EXPECT_EQ(chart.GetPixel(b.rect.left + 1, b.rect.top - 29), RGB(192, 192, 192));
        EXPECT_NE(chart.GetPixel(b.rect.right, b.rect.top - 29), RGB(192, 192, 192));
    }
    // The bars' columns lie on the light chart face, under the scale labels' column.
    for (int c = 1; c <= 14; ++c)
        EXPECT_EQ(chart.GetPixel(CUtilization::ColumnX(c) + 6, 190 - 30), RGB(240, 240, 224)) << c;
    EXPECT_EQ(chart.GetPixel(10, 100), RGB(128, 128, 64));
}

}  // namespace
