#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/SurveyData.h"
#include "tests/support/PacketBuilders.h"

namespace {

class ApListTest : public ::testing::Test {
protected:
    ApListTest() : store(std::make_unique<CSurveyData>()) {}

    static std::string Mac(int n) {
        return testpkt::MacText(testpkt::MacOf(static_cast<uint32_t>(n)));
    }

    std::unique_ptr<CSurveyData> store;
};

TEST_F(ApListTest, AddKeepsInsertionOrderAndAcceptsDuplicates) {
    EXPECT_EQ(store->AddAuthorized(Mac(1).c_str()), 0);
    store->m_bAuthorizedChanged = 0;
    EXPECT_EQ(store->AddAuthorized(Mac(2).c_str()), 0);
    EXPECT_EQ(store->AddAuthorized(Mac(1).c_str()), 0);
    EXPECT_EQ(store->m_nAuthorizedCount, 3);
    EXPECT_EQ(store->m_bAuthorizedChanged, 1);
    EXPECT_STREQ(store->m_aszAuthorized[0], Mac(1).c_str());
    EXPECT_STREQ(store->m_aszAuthorized[1], Mac(2).c_str());
    EXPECT_STREQ(store->m_aszAuthorized[2], Mac(1).c_str());
    EXPECT_TRUE(store->IsAuthorized(Mac(2).c_str()));
    EXPECT_FALSE(store->IsUnauthorized(Mac(2).c_str()));
    EXPECT_FALSE(store->IsAuthorized(nullptr));
}

TEST_F(ApListTest, TextsAreCutAndComparedAtSeventeenCharacters) {
    const std::string mac = Mac(5);
    store->AddAuthorized((mac + ":extra").c_str());
    EXPECT_STREQ(store->m_aszAuthorized[0], mac.c_str());
    EXPECT_TRUE(store->IsAuthorized(mac.c_str()));
    EXPECT_TRUE(store->IsAuthorized((mac + "whatever").c_str()));
    EXPECT_FALSE(store->IsAuthorized(mac.substr(0, 16).c_str()));
    // Shorter texts match only a slot holding exactly that text.
    store->AddAuthorized("AB");
    EXPECT_TRUE(store->IsAuthorized("AB"));
    EXPECT_FALSE(store->IsAuthorized("A"));
    EXPECT_FALSE(store->IsAuthorized("ABC"));
}

TEST_F(ApListTest, ListHoldsAtMost999Entries) {
    for (int i = 0; i < 999; ++i) ASSERT_EQ(store->AddUnauthorized(Mac(i).c_str()), 0);
    store->m_bUnauthorizedChanged = 0;
    EXPECT_EQ(store->AddUnauthorized(Mac(1000).c_str()), -1);
    EXPECT_EQ(store->m_nUnauthorizedCount, 999);
    EXPECT_EQ(store->m_bUnauthorizedChanged, 0);
    EXPECT_EQ(store->m_aszUnauthorized[999][0], '\0');
    EXPECT_TRUE(store->IsUnauthorized(Mac(998).c_str()));
    EXPECT_FALSE(store->IsUnauthorized(Mac(1000).c_str()));
}

TEST_F(ApListTest, RemoveShiftsTheLaterEntriesDown) {
    for (int i = 0; i < 3; ++i) store->AddAuthorized(Mac(i).c_str());
    store->m_bAuthorizedChanged = 0;
    EXPECT_EQ(store->RemoveAuthorized(0), 0);
    EXPECT_EQ(store->m_nAuthorizedCount, 2);
    EXPECT_STREQ(store->m_aszAuthorized[0], Mac(1).c_str());
    EXPECT_STREQ(store->m_aszAuthorized[1], Mac(2).c_str());
    EXPECT_EQ(store->m_bAuthorizedChanged, 1);
    EXPECT_FALSE(store->IsAuthorized(Mac(0).c_str()));
    EXPECT_EQ(store->RemoveAuthorized(1), 0);
    EXPECT_STREQ(store->m_aszAuthorized[0], Mac(1).c_str());
    EXPECT_FALSE(store->IsAuthorized(Mac(2).c_str()));
}

TEST_F(ApListTest, RemoveOutsideTheListChangesNothing) {
    store->AddUnauthorized(Mac(1).c_str());
    store->m_bUnauthorizedChanged = 0;
    EXPECT_EQ(store->RemoveUnauthorized(1), -1);
    EXPECT_EQ(store->RemoveUnauthorized(-1), -1);
    EXPECT_EQ(store->RemoveUnauthorized(1000), -1);
    EXPECT_EQ(store->m_nUnauthorizedCount, 1);
    EXPECT_EQ(store->m_bUnauthorizedChanged, 0);
    EXPECT_EQ(store->RemoveUnauthorized(0), 0);
    EXPECT_EQ(store->m_nUnauthorizedCount, 0);
}

TEST_F(ApListTest, ClearEmptiesOnlyItsOwnList) {
    store->AddAuthorized(Mac(1).c_str());
    store->AddUnauthorized(Mac(2).c_str());
    store->m_bAuthorizedChanged = 0;
    store->ClearAuthorized();
    EXPECT_EQ(store->m_nAuthorizedCount, 0);
    EXPECT_EQ(store->m_bAuthorizedChanged, 1);
    EXPECT_FALSE(store->IsAuthorized(Mac(1).c_str()));
    EXPECT_TRUE(store->IsUnauthorized(Mac(2).c_str()));
    store->ClearUnauthorized();
    EXPECT_FALSE(store->IsUnauthorized(Mac(2).c_str()));
}

TEST_F(ApListTest, CorruptCountsAreHeldToTheList) {
    // Counts are public; a bad value must not send a lookup or an add outside
    // the slots.
    store->m_nAuthorizedCount = 5000;
    EXPECT_FALSE(store->IsAuthorized(Mac(1).c_str()));
    EXPECT_EQ(store->AddAuthorized(Mac(1).c_str()), -1);
    store->m_nUnauthorizedCount = -3;
    EXPECT_FALSE(store->IsUnauthorized(Mac(1).c_str()));
    EXPECT_EQ(store->AddUnauthorized(Mac(1).c_str()), 0);
    EXPECT_EQ(store->m_nUnauthorizedCount, 1);
}

}  // namespace
