#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Clock.h"

TEST(Clock, SetLocalTimeIsReadBackAndKeepsRunningOrIsHeld) {
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
    CClock::Hold(wanted);
    const std::time_t held = CClock::Now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(CClock::Now(), held) << "a held clock stands still";
    CClock::SetLocal(wanted);
    EXPECT_LE(CClock::Now() - held, 1) << "a clock set again runs from the time set";
    CClock::Reset();
    EXPECT_LE(std::abs(static_cast<long>(CClock::Now() - std::time(nullptr))), 1L);
}
