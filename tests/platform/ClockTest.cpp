#include <gtest/gtest.h>

#include "platform/Clock.h"

TEST(Clock, SetLocalTimeIsReadBackAndKeepsRunning) {
    std::tm wanted{};
    wanted.tm_year = 2024 - 1900;
    wanted.tm_mon = 1;
    wanted.tm_mday = 29;
    wanted.tm_hour = 23;
    wanted.tm_min = 59;
    wanted.tm_sec = 58;
    CClock::SetLocal(wanted);
    std::tm now = CClock::LocalNow();
    EXPECT_EQ(now.tm_year, 124);
    EXPECT_EQ(now.tm_mon, 1);
    EXPECT_EQ(now.tm_mday, 29);
    EXPECT_EQ(now.tm_hour, 23);
    EXPECT_EQ(now.tm_min, 59);
    EXPECT_GE(now.tm_sec, 58);
    CClock::Reset();
    EXPECT_LE(std::abs(static_cast<long>(CClock::Now() - std::time(nullptr))), 1L);
}
