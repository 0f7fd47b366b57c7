// The start-up screen and the main menu against their pictures under
// tests/data/screens (ORV_UPDATE_SCREENS=1 rewrites them).
#include "app/Main.h"
#include "app/OrvView.h"
#include "tests/screens/ScreenTestUtil.h"

namespace {

class AppReferenceScreens : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        PrepareSurvey();
    }
};

TEST_F(AppReferenceScreens, StartUp) {
    EXPECT_TRUE(MatchesReference(Open<COrvView>(), "startup"));
}

TEST_F(AppReferenceScreens, MainMenu) {
    EXPECT_TRUE(MatchesReference(Open<CMain>(), "main_menu"));
}

}  // namespace
