// The shared screen furniture drawn on a bare canvas.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/TextRecorder.h"
#include "platform/Clock.h"
#include "res/BitmapResources.h"
#include "screens/ScreenFurniture.h"

namespace {

class FurnitureTest : public ::testing::Test {
protected:
    void SetUp() override {
        CScreenFurniture::ResetActivityCounter();
        dc.SetTextRecorder(&texts);
    }
    void TearDown() override { CClock::Reset(); }

    // What DrawBitmap makes of activity bitmap `id` in the strip.
    static CBitmap ExpectedStrip(int id) {
        CCanvas expect(240, 270, RGB(1, 2, 3));
        const CBitmap* frame = LoadBitmapResource(id);
        expect.StretchBlt(0, 0, 240, 14, *frame, 0, 0, frame->Width(), frame->Height());
        return expect.Bitmap();
    }
    bool StripMatches(const CBitmap& strip) const {
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 240; ++x) {
                if (dc.GetPixel(x, y) != strip.GetPixel(x, y)) return false;
            }
        }
        return true;
    }
    std::optional<CTextRecord> Text(const std::string& s) const {
        for (const auto& r : texts.Records()) {
            if (r.text == s) return r;
        }
        return std::nullopt;
    }

    CSurveyData data;
    CScreenFurniture furniture{data};
    CCanvas dc{240, 270, RGB(1, 2, 3)};
    CTextRecorder texts;
};

TEST_F(FurnitureTest, LegendColumnsRunRedYellowGreenCyanWhite) {
    EXPECT_EQ(CScreenFurniture::LegendColor(20), RGB(255, 0, 0));
    EXPECT_EQ(CScreenFurniture::LegendColor(21), RGB(255, 5, 0));
    EXPECT_EQ(CScreenFurniture::LegendColor(69), RGB(255, 249, 0));
    EXPECT_EQ(CScreenFurniture::LegendColor(70), RGB(255, 255, 0));
    EXPECT_EQ(CScreenFurniture::LegendColor(119), RGB(6, 255, 0));
    EXPECT_EQ(CScreenFurniture::LegendColor(120), RGB(0, 255, 0));
    EXPECT_EQ(CScreenFurniture::LegendColor(169), RGB(0, 255, 249));
    EXPECT_EQ(CScreenFurniture::LegendColor(170), RGB(0, 255, 255));
    EXPECT_EQ(CScreenFurniture::LegendColor(219), RGB(249, 255, 255));
}

TEST_F(FurnitureTest, LegendIsDrawnFramedAndLabelled) {
    furniture.DrawSignalLegend(dc);
    // The frame is drawn last, just inside its rectangle: it covers the
    // bar's last column.
    for (int x = 20; x <= 218; ++x) {
        for (int y = 15; y < 21; ++y)
            ASSERT_EQ(dc.GetPixel(x, y), CScreenFurniture::LegendColor(x)) << x << "," << y;
    }
    const COLORREF grey = RGB(192, 192, 192);
    EXPECT_EQ(dc.GetPixel(219, 17), grey);
    EXPECT_EQ(dc.GetPixel(19, 14), grey);
    EXPECT_EQ(dc.GetPixel(219, 14), grey);
    EXPECT_EQ(dc.GetPixel(19, 21), grey);
    EXPECT_EQ(dc.GetPixel(120, 21), grey);
    EXPECT_EQ(dc.GetPixel(220, 18), RGB(1, 2, 3));  // the frame ends at column 219
    const auto strong = Text("-20");
    const auto weak = Text("-100");
    ASSERT_TRUE(strong.has_value());
    ASSERT_TRUE(weak.has_value());
    EXPECT_EQ(strong->rect, CRect(220, 14, 240, 22));
    EXPECT_EQ(strong->textColor, RGB(255, 255, 255));
    EXPECT_EQ(weak->rect, CRect(0, 14, 20, 22));
    EXPECT_EQ(weak->textColor, RGB(255, 0, 0));
    EXPECT_EQ(weak->pointTenths, 60);
    EXPECT_EQ(dc.GetFont(), CFont());  // the caller's font is back
}

TEST_F(FurnitureTest, BannerCyclesFifteenFramesThenRepeats) {
    const int expected[] = {153, 154, 155, 156, 157, 158, 159, 160,
                            161, 162, 163, 164, 165, 166, 152, 153};
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(CScreenFurniture::ActivityBitmapId(CScreenFurniture::ActivityCounter()),
                  expected[i]);
        furniture.DrawActivityBanner(dc);
        EXPECT_TRUE(StripMatches(ExpectedStrip(expected[i])));
    }
    EXPECT_EQ(CScreenFurniture::ActivityCounter(), 2);
}

TEST_F(FurnitureTest, BatteryWarningReplacesTheStripWhileTheCounterRuns) {
    data.m_bBatteryLow = 1;
    dc.SetTextColor(RGB(9, 9, 9));
    dc.SetBkColor(RGB(8, 8, 8));
    furniture.DrawActivityBanner(dc);
    furniture.DrawActivityBanner(dc);
    EXPECT_EQ(CScreenFurniture::ActivityCounter(), 3);
    const auto warning = Text("WARNING!: Battery is Low!!!");
    ASSERT_TRUE(warning.has_value());
    EXPECT_EQ(warning->rect, CRect(0, 0, 240, 14));
    EXPECT_EQ(warning->format, DT_CENTER);
    EXPECT_EQ(warning->textColor, RGB(255, 0, 0));
    EXPECT_EQ(warning->bkColor, RGB(0, 0, 0));
    EXPECT_EQ(dc.GetTextColor(), RGB(9, 9, 9));
    EXPECT_EQ(dc.GetBkColor(), RGB(8, 8, 8));
    EXPECT_EQ(dc.GetPixel(1, 13), RGB(1, 2, 3));  // no frame bitmap under it
    data.m_bBatteryLow = 0;
    furniture.DrawActivityBanner(dc);
    EXPECT_TRUE(StripMatches(ExpectedStrip(155)));
}

TEST_F(FurnitureTest, StatusBandShowsDateWithoutZerosAndTimeWithThem) {
    std::tm t{};
    t.tm_year = 2007 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 4;
    t.tm_sec = 7;
    t.tm_isdst = -1;
    CClock::SetLocal(t);
    data.m_nMarkerNumber = -3;
    furniture.DrawStatusBar(dc);
    ASSERT_TRUE(Text("3/5/2007").has_value());
    EXPECT_EQ(Text("3/5/2007")->rect, CRect(45, 242, 90, 253));
    std::optional<CTextRecord> time;
    for (const auto& r : texts.Records()) {
        if (r.rect == CRect(95, 242, 140, 253)) time = r;
    }
    ASSERT_TRUE(time.has_value());
    EXPECT_THAT(time->text, ::testing::MatchesRegex("09:04:0[78]"));
    ASSERT_TRUE(Text("RTC").has_value());
    EXPECT_EQ(Text("RTC")->rect, CRect(5, 242, 40, 253));
    ASSERT_TRUE(Text("Marker #-3").has_value());
    EXPECT_EQ(Text("Marker #-3")->rect, CRect(145, 242, 209, 253));
    EXPECT_EQ(Text("RTC")->format, DT_VCENTER);
    EXPECT_EQ(Text("RTC")->textColor, RGB(255, 255, 255));
    EXPECT_EQ(Text("RTC")->bkColor, RGB(0, 0, 128));
    EXPECT_EQ(dc.GetPixel(239, 240), RGB(0, 0, 128));
    EXPECT_EQ(dc.GetPixel(0, 254), RGB(0, 0, 128));
    EXPECT_EQ(dc.GetPixel(0, 255), RGB(1, 2, 3));
}

TEST_F(FurnitureTest, VersionLineDefaultsAndStaysInsideFullFields) {
    furniture.DrawVersionLine(dc);
    const auto line = Text("(Firmware Version 0.00)(Serial Number XXXXXX)");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->rect, CRect(0, 234, 240, 249));
    EXPECT_EQ(line->textColor, RGB(255, 255, 0));
    EXPECT_EQ(dc.GetPixel(0, 234), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetPixel(239, 248), RGB(0, 0, 0));

    // Texts that fill their whole buffers, with no terminator, are cut at the
    // buffer's end.
    std::memset(data.m_szFirmwareVersion, 'F', sizeof(data.m_szFirmwareVersion));
    std::memset(data.m_szSerialNumber, 'S', sizeof(data.m_szSerialNumber));
    texts.Clear();
    furniture.DrawVersionLine(dc);
    const std::string expected =
        "(Firmware Version " + std::string(sizeof(data.m_szFirmwareVersion), 'F') +
        ")(Serial Number " + std::string(sizeof(data.m_szSerialNumber), 'S') + ")";
    EXPECT_TRUE(Text(expected).has_value());
}

TEST_F(FurnitureTest, UnknownBitmapDrawsNothingAndKnownOnesStretch) {
    furniture.DrawBitmap(dc, 9999, 0, 0, 240, 270);
    furniture.DrawBitmapRect(dc, 9999, 0, 0, 240, 270);
    EXPECT_EQ(dc.GetPixel(100, 100), RGB(1, 2, 3));
    furniture.DrawBitmapRect(dc, 153, 10, 20, 130, 27);  // half size
    CCanvas expect(240, 270, RGB(1, 2, 3));
    const CBitmap* frame = LoadBitmapResource(153);
    expect.StretchBlt(10, 20, 120, 7, *frame, 0, 0, frame->Width(), frame->Height());
    EXPECT_EQ(dc.Bitmap(), expect.Bitmap());
}

}  // namespace
