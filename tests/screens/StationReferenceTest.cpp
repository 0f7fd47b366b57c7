// The station, security, options and GPS screens drawn from a prepared store
// and compared pixel for pixel with their pictures under tests/data/screens
// (ORV_UPDATE_SCREENS=1 rewrites them after a deliberate change of the
// drawing). The station screens see a picked access point whose frames came
// in with echoes, at every rate and a spread of levels.

#include "StationTestUtil.h"
#include "gps/GpsStatus.h"
#include "res/Resource.h"
#include "screens/Cfr.h"
#include "screens/DelaySpread.h"
#include "screens/GPSView.h"
#include "screens/GeigerView.h"
#include "screens/Multipath.h"
#include "screens/Options.h"
#include "screens/Security.h"
#include "screens/SingleNoise.h"
#include "screens/Wisp.h"

namespace {

class StationReference;

// Screens that keep a history take one reading per paint: they are painted
// after every frame so the history shows each of them.
enum class Frames { kNone, kThenPaint, kPaintEach };

struct ReferenceRow {
    const char* name;
    CView* (StationReference::*open)();
    Frames frames;
};

class StationReference : public StationScreenTest,
                         public ::testing::WithParamInterface<ReferenceRow> {
public:
    void SetUp() override {
        StationScreenTest::SetUp();
        // The delay-spread history's write position outlives its screen:
        // the picture must not depend on the tests run before it.
        g_nDelaySpreadPosition = 0;
        store->m_anChannelValue[6] = -91;  // the channel's noise level
    }

    template <class V>
    CView* OpenStation() {
        return Open<V>();
    }

    CView* OpenSecurity() {
        for (const char* mac : {"00-1A-2B-3C-4D-5E", "00-11-22-33-44-55", "02-00-00-00-00-07"})
            store->AddAuthorized(mac);
        for (const char* mac : {"00-0A-0B-0C-0D-0E", "00-01-02-03-04-05"})
            store->AddUnauthorized(mac);
        auto* view = Open<CSecurity>();
        view->SetDataDir("/nonexistent");
        view->SetMessageFn([](std::string_view) {});
        return view;
    }

    CView* OpenOptions() {
        auto* view = Open<COptions>();
        view->SetMessageFn([](std::string_view) {});
        Paint(view);
        EXPECT_EQ(view->ClickControl(IDC_VIEW_NON_AP), 0);
        return view;
    }

    CView* OpenGps() {
        // A receiver message with a 3D fix (status 7 in the top bits of
        // byte 129) and plausible fields, big-endian as the receiver sends
        // them.
        testpkt::Bytes m(CGpsStatus::kMessageSize, 0);
        auto put = [&m](size_t offset, int64_t value, int bytes) {
            for (int i = 0; i < bytes; ++i)
                m[offset + static_cast<size_t>(i)] =
                    static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * (bytes - 1 - i)));
        };
        put(4, 3, 1);  // month, day, year
        put(5, 14, 1);
        put(6, 2026, 2);
        put(8, 9, 1);  // hours, minutes, seconds
        put(9, 26, 1);
        put(10, 53, 1);
        put(23, 4572, 4);       // height, cm
        put(31, 185400000, 4);  // latitude, milliarcseconds
        put(35, -7416000, 4);   // longitude
        put(47, 447, 2);        // speed, cm/s
        put(51, 900, 2);        // heading, tenths of a degree
        put(55, 9, 1);          // visible satellites
        put(56, 7, 1);          // tracked satellites
        put(129, 7 << 5, 1);
        EXPECT_EQ(store->m_Gps.Decode(m.data(), static_cast<uint32_t>(m.size())), 0);
        return Open<CGPSView>();
    }

    // Beacons from the picked station: a direct path with two echoes that
    // move about, at each of the four rates, levels from -48 to -66 dBm; one
    // frame from another station that the screens leave out.
    void FeedFrames(CView* view, bool paintEachFrame) {
        static constexpr uint8_t kRates[] = {10, 20, 55, 110, 110, 55};
        static constexpr int8_t kLevels[] = {-52, -48, -60, -55, -66, -50};
        for (size_t i = 0; i < std::size(kRates); ++i) {
            const int k = static_cast<int>(i);
            testpkt::Capture c = testpkt::Beacon(kStation, "field", 6, kLevels[i]);
            c.Rate(kRates[i]).Tap(2, 40, 10).Tap(5 + k % 3, static_cast<int8_t>(18 - 2 * k), -12);
            c.Tap(11 + k, 6, static_cast<int8_t>(4 + k));
            testpkt::Dispatch(*store, PacketType::kCapturedBeacon, testpkt::CaptureData(c));
            if (i == 2) {
                testpkt::Capture other = testpkt::Beacon(kOther, "elsewhere", 6, -40);
                other.Tap(0, 60, 0);
                testpkt::Dispatch(*store, PacketType::kCapturedBeacon, testpkt::CaptureData(other));
            }
            // The last frame is left for the compared paint to take.
            if (paintEachFrame && i + 1 < std::size(kRates)) Paint(view);
        }
    }
};

TEST_P(StationReference, MatchesItsPicture) {
    const ReferenceRow& row = GetParam();
    CView* view = (this->*row.open)();
    if (row.frames != Frames::kNone) FeedFrames(view, row.frames == Frames::kPaintEach);
    EXPECT_TRUE(MatchesReference(view, row.name));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, StationReference,
    ::testing::Values(
        ReferenceRow{"multipath", &StationReference::OpenStation<CMultipath>, Frames::kPaintEach},
        ReferenceRow{"delay_spread", &StationReference::OpenStation<CDelaySpread>,
                     Frames::kPaintEach},
        ReferenceRow{"cfr", &StationReference::OpenStation<CCfr>, Frames::kThenPaint},
        ReferenceRow{"single_noise", &StationReference::OpenStation<CSingleNoise>,
                     Frames::kPaintEach},
        ReferenceRow{"wisp", &StationReference::OpenStation<CWisp>, Frames::kPaintEach},
        ReferenceRow{"geiger", &StationReference::OpenStation<CGeigerView>, Frames::kThenPaint},
        ReferenceRow{"security", &StationReference::OpenSecurity, Frames::kNone},
        ReferenceRow{"options", &StationReference::OpenOptions, Frames::kNone},
        ReferenceRow{"gps_3d_fix", &StationReference::OpenGps, Frames::kNone}),
    [](const ::testing::TestParamInfo<ReferenceRow>& info) {
        return std::string(info.param.name);
    });

}  // namespace
