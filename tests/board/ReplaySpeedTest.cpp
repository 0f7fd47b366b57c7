#include <gtest/gtest.h>

#include "board/ReplaySpeed.h"

TEST(ReplaySpeed, TakesPlainDecimalsFromZeroToAThousand) {
    const struct {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"1", true, 1.0},
        {"0", true, 0.0},
        {"2.5", true, 2.5},
        {"1000", true, 1000.0},
        {".5", true, 0.5},
        {"0.00001", true, 0.00001},
        {"1000.0001", false, 0.0},
        {"-1", false, 0.0},
        {"+1", false, 0.0},
        {"1e3", false, 0.0},
        {"1e-05", false, 0.0},
        {"inf", false, 0.0},
        {"nan", false, 0.0},
        {"", false, 0.0},
        {".", false, 0.0},
        {"1.2.3", false, 0.0},
        {"0x10", false, 0.0},
        {" 1", false, 0.0},
        {"00000000000000001", false, 0.0},  // longer than 16 characters
    };
    for (const auto& c : cases) {
        double value = -7.0;
        EXPECT_EQ(ParseReplaySpeed(c.text, value), c.ok) << c.text;
        EXPECT_DOUBLE_EQ(value, c.ok ? c.value : -7.0) << c.text;
    }
}

TEST(ReplaySpeed, WhatIsWrittenIsTakenBackUnchanged) {
    for (const char* text : {"0", "1", "0.00001", "0.1234567890123", "999.999", "1000"}) {
        double value = 0.0;
        ASSERT_TRUE(ParseReplaySpeed(text, value)) << text;
        const std::string written = FormatReplaySpeed(value);
        double back = -1.0;
        EXPECT_TRUE(ParseReplaySpeed(written, back)) << written;
        EXPECT_EQ(back, value) << written;
    }
}
