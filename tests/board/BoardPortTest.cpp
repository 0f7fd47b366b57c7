#include "board/BoardPort.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The slot's content, or {0xDE, 0xAD} when nothing is pending.
Bytes Take(CBoardPort& port) {
    CBoardPort::CommandBuffer out{};
    const int n = port.TakePendingCommand(out);
    return n < 0 ? Bytes{0xDE, 0xAD} : Bytes(out.begin(), out.begin() + n);
}

TEST(PendingCommandSlot, LongCommandIsCutTo128Bytes) {
    CBoardPort port(nullptr);
    Bytes command(200);
    std::iota(command.begin(), command.end(), 0);
    EXPECT_EQ(port.QueueCommand(command.data(), 200), 1);
    EXPECT_EQ(Take(port), Bytes(command.begin(), command.begin() + 128));
}

TEST(PendingCommandSlot, OneSlotNewestWinsAndIsHandedOutOnce) {
    CBoardPort port(nullptr);
    const Bytes longer = {0x11, 0x12, 0x03, 0x06, 0x11, 0x13};
    const Bytes shorter = {0x11, 0x12, 0x01, 0x11, 0x13};
    EXPECT_FALSE(port.HasPendingCommand());
    port.QueueCommand(longer.data(), 6);
    port.QueueCommand(shorter.data(), 5);
    EXPECT_TRUE(port.HasPendingCommand());
    EXPECT_EQ(Take(port), shorter);
    EXPECT_FALSE(port.HasPendingCommand());
    EXPECT_EQ(Take(port), (Bytes{0xDE, 0xAD}));
}

TEST(PendingCommandSlot, NullCommandIsRefusedEmptyOneIsQueued) {
    CBoardPort port(nullptr);
    EXPECT_EQ(port.QueueCommand(nullptr, 5), -1);
    EXPECT_FALSE(port.HasPendingCommand());
    EXPECT_EQ(port.QueueCommand(nullptr, 0), 1);
    EXPECT_EQ(Take(port), Bytes{});
}

TEST(BoardPortLink, MissingPortIsNotOpenAndFailsQuietly) {
    CBoardPort port(nullptr);
    uint8_t buffer[4] = {};
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_EQ(port.Read(buffer, 4), -1);
    EXPECT_EQ(port.Write(buffer, 4), -1);
}

}  // namespace
