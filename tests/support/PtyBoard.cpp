#include "tests/support/PtyBoard.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <array>
#include <cstdio>

int NewPtyBoard(const std::string& link) {
    int master = -1;
    int slave = -1;
    std::array<char, 128> name{};
    EXPECT_EQ(openpty(&master, &slave, name.data(), nullptr, nullptr), 0);
    close(slave);
    std::remove(link.c_str());
    EXPECT_EQ(symlink(name.data(), link.c_str()), 0);
    return master;
}
