// Each screen drawn from the same prepared survey, compared pixel for pixel
// with its picture under tests/data/screens (ORV_UPDATE_SCREENS=1 rewrites
// them after a deliberate change of the drawing).
#include "ScreenTestUtil.h"
#include "screens/Mac.h"
#include "screens/Spectrum.h"
#include "screens/Usage.h"
#include "screens/Utilization.h"

namespace {

class ReferenceScreens : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        PrepareSurvey();
    }
};

TEST_F(ReferenceScreens, SpectrumFullBand) {
    store->m_nMode = BoardMode::kSpectrum;
    EXPECT_TRUE(MatchesReference(Open<CSpectrum>(), "spectrum_full_band"));
}

TEST_F(ReferenceScreens, SpectrumOneChannel) {
    store->m_nMode = BoardMode::kNarrowSpectrum;
    store->m_nSpectrumMarker = 30;
    EXPECT_TRUE(MatchesReference(Open<CSpectrum>(), "spectrum_channel"));
}

TEST_F(ReferenceScreens, MacList) {
    store->m_nMode = BoardMode::kAllChannels;
    EXPECT_TRUE(MatchesReference(Open<CMac>(), "mac_list"));
}

TEST_F(ReferenceScreens, Usage) {
    EXPECT_TRUE(MatchesReference(Open<CUsage>(), "usage"));
}

TEST_F(ReferenceScreens, Utilization) {
    EXPECT_TRUE(MatchesReference(Open<CUtilization>(), "utilization"));
}

}  // namespace
