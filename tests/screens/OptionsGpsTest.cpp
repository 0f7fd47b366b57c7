// The options screen's switches and their marks, and the GPS screen's page
// for each fix state and before any GPS message.

#include <gmock/gmock.h>

#include "gps/GpsStatus.h"
#include "res/Resource.h"
#include "screens/GPSView.h"
#include "screens/Options.h"
#include "tests/screens/ScreenTestUtil.h"
#include "tests/support/PacketBuilders.h"

namespace {

using ::testing::ElementsAre;

// ---------------------------------------------------------------- options

class OptionsTest : public ScreenTest {
protected:
    COptions* OpenOptions() {
        COptions* v = Open<COptions>();
        v->SetMessageFn([this](std::string_view text) { messages.emplace_back(text); });
        return v;
    }
    std::vector<std::string> messages;
};

TEST_F(OptionsTest, EachBoxAlternatesItsSwitchAndMessageStartingWithEnabled) {
    const struct {
        unsigned id;
        uint8_t CSurveyData::*flag;
    } boxes[] = {
        {IDC_ENABLE_SECURITY, &CSurveyData::m_bSecurityEnabled},
        {IDC_VIEW_NON_AP, &CSurveyData::m_bShowNonApMacs},
        {IDC_ENABLE_HERON, &CSurveyData::m_bHeronEnabled},
    };
    COptions* view = OpenOptions();
    Paint(view);
    for (const auto& box : boxes) {
        messages.clear();
        EXPECT_EQ(view->IsDlgButtonChecked(box.id), 0);
        for (int tap = 1; tap <= 3; ++tap) {
            ASSERT_EQ(view->ClickControl(box.id), 0);
            const int on = tap % 2;
            EXPECT_EQ((*store).*box.flag, on) << box.id << " tap " << tap;
            EXPECT_EQ(view->IsDlgButtonChecked(box.id), on);
        }
        EXPECT_THAT(messages, ElementsAre("Enabled", "Disabled", "Enabled")) << box.id;
    }
    // Each box switched only its own flag: all three are on now.
    EXPECT_EQ(store->m_bSecurityEnabled, 1);
    EXPECT_EQ(store->m_bShowNonApMacs, 1);
    EXPECT_EQ(store->m_bHeronEnabled, 1);
}

TEST_F(OptionsTest, MarksFollowTheFlagsAcrossVisitsAndStartOff) {
    COptions* view = OpenOptions();
    Paint(view);
    for (const auto& sw : COptions::kSwitches) EXPECT_EQ(view->IsDlgButtonChecked(sw.nId), 0);
    ASSERT_EQ(view->ClickControl(IDC_VIEW_NON_AP), 0);
    // A flag changed elsewhere while the screen was hidden shows at the next paint.
    store->m_bHeronEnabled = 1;
    store->m_bShowNonApMacs = 0;
    Paint(view);
    EXPECT_EQ(view->IsDlgButtonChecked(IDC_ENABLE_HERON), 1);
    EXPECT_EQ(view->IsDlgButtonChecked(IDC_VIEW_NON_AP), 0);
    // The next tap follows the flag, not the mark it had.
    ASSERT_EQ(view->ClickControl(IDC_ENABLE_HERON), 0);
    EXPECT_EQ(store->m_bHeronEnabled, 0);
    EXPECT_EQ(view->IsDlgButtonChecked(IDC_ENABLE_HERON), 0);
    EXPECT_THAT(messages, ElementsAre("Enabled", "Disabled"));

    // A new program: a new store with every switch off, a new form unchecked.
    auto fresh = std::make_unique<CSurveyData>();
    EXPECT_EQ(fresh->m_bSecurityEnabled + fresh->m_bShowNonApMacs + fresh->m_bHeronEnabled, 0);
    COptions another;
    for (const auto& sw : COptions::kSwitches) EXPECT_EQ(another.IsDlgButtonChecked(sw.nId), 0);
}

// ---------------------------------------------------------------- GPS

class GpsViewTest : public ScreenTest {
protected:
    void Receive(uint8_t fixStatus) {
        auto message = testpkt::GpsData();
        message[129] = static_cast<uint8_t>(fixStatus << 5);
        ASSERT_EQ(store->m_Gps.Decode(message.data(), static_cast<uint32_t>(message.size())), 0);
    }
    // Pixels of one colour inside a rectangle.
    static int Count(const CCanvas& dc, const CRect& r, COLORREF color) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += dc.GetPixel(x, y) == color;
        return n;
    }
    // A text is drawn in the page colour on an opaque box of the background
    // colour: the box holds both, and nothing else.
    void ExpectTextBox(const CCanvas& dc, const CTextRecord& r, COLORREF page, COLORREF box) {
        EXPECT_EQ(r.textColor, page) << r.text;
        EXPECT_EQ(r.bkColor, box) << r.text;
        const int area = r.box.Width() * r.box.Height();
        const int boxPixels = Count(dc, r.box, box);
        const int pagePixels = Count(dc, r.box, page);
        EXPECT_GT(boxPixels, area / 3) << r.text;
        EXPECT_GT(pagePixels, 0) << r.text;
    }
};

TEST_F(GpsViewTest, BeforeAnyMessageTheDarkRedPageSaysNoReceiverIsFitted) {
    CGPSView* view = Open<CGPSView>();
    const CCanvas& dc = Paint(view);
    const auto texts = view->GetPaintTexts().Records();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "GPS Not Installed In This Unit.");
    EXPECT_EQ(texts[0].rect, CRect(30, 30, 210, 45));
    EXPECT_EQ(texts[1].rect, CRect(5, 50, 235, 65));
    // The contact line stays on one line inside its rectangle.
    EXPECT_LE(texts[1].box.right, 235);
    EXPECT_LE(texts[1].box.Height(), 15);
    EXPECT_EQ(dc.GetPixel(120, 200), RGB(192, 0, 0));
    EXPECT_EQ(dc.GetPixel(239, 269), RGB(192, 0, 0));
    for (const auto& t : texts) ExpectTextBox(dc, t, RGB(192, 0, 0), RGB(255, 255, 255));
}

TEST_F(GpsViewTest, PageAndTextColoursFollowTheFixStatus) {
    const struct {
        uint8_t fix;
        COLORREF page;
        COLORREF box;
        const char* status;
    } cases[] = {
        {7, RGB(0, 96, 0), RGB(255, 255, 255), "3D Fix"},
        {6, RGB(255, 255, 0), RGB(0, 0, 0), "2D Fix"},
        {3, RGB(192, 0, 0), RGB(255, 255, 255), "Acquiring Satellites"},
    };
    CGPSView* view = Open<CGPSView>();
    for (const auto& c : cases) {
        Receive(c.fix);
        const CCanvas& dc = Paint(view);
        EXPECT_EQ(dc.GetPixel(120, 250), c.page) << int{c.fix};
        EXPECT_EQ(dc.GetPixel(0, 0), c.page);

        const CGpsStatus& gps = store->m_Gps;
        const std::pair<const char*, std::string> rows[] = {
            {"Date", gps.FormatDate()},
            {"Time", gps.FormatTime()},
            {"Latitude", gps.FormatLatitude()},
            {"Longitude", gps.FormatLongitude()},
            {"Status", c.status},
            {"Visible Satellites", std::to_string(gps.m_nVisibleSats)},
            {"Tracked Satellites", std::to_string(gps.m_nTrackedSats)},
            {"Velocity", gps.FormatVelocity()},
            {"Altitude", gps.FormatAltitude()},
        };
        const auto texts = view->GetPaintTexts().Records();
        ASSERT_EQ(texts.size(), 18u);
        for (int i = 0; i < 9; ++i) {
            const CTextRecord& label = texts[static_cast<size_t>(2 * i)];
            const CTextRecord& value = texts[static_cast<size_t>(2 * i + 1)];
            const int y = 30 + 20 * i;
            EXPECT_EQ(label.text, rows[i].first);
            EXPECT_EQ(label.rect, CRect(0, y, 100, y + 12));
            EXPECT_EQ(value.text, rows[i].second) << rows[i].first;
            EXPECT_EQ(value.rect, CRect(105, y, 200, y + 12));
            ExpectTextBox(dc, label, c.page, c.box);
        }
        EXPECT_FALSE(HasText(view, "GPS Not Installed In This Unit."));
    }
}

}  // namespace
