#include "board/Framing.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "board/PacketFramer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Command(uint8_t command, const Bytes& args, int outSize = 128) {
    std::array<uint8_t, 256> out{};
    const int n =
        FrameCommand(command, args.data(), static_cast<int>(args.size()), out.data(), outSize);
    return n < 0 ? Bytes{} : Bytes(out.begin(), out.begin() + n);
}

TEST(CommandFraming, CommandsOnTheWire) {
    EXPECT_EQ(Command(1, {}), (Bytes{0x11, 0x12, 0x01, 0x11, 0x13}));
    EXPECT_EQ(Command(3, {6}), (Bytes{0x11, 0x12, 0x03, 0x06, 0x11, 0x13}));
    EXPECT_EQ(Command(4, {11}), (Bytes{0x11, 0x12, 0x04, 0x0B, 0x11, 0x13}));
    // Only the marker value is escaped, in the argument and in the number.
    EXPECT_EQ(Command(4, {0x11}), (Bytes{0x11, 0x12, 0x04, 0x11, 0x14, 0x11, 0x13}));
    EXPECT_EQ(Command(0x11, {0x12, 0x13, 0x14}),
              (Bytes{0x11, 0x12, 0x11, 0x14, 0x12, 0x13, 0x14, 0x11, 0x13}));
}

TEST(CommandFraming, RefusesWhatDoesNotFitOrIsMissing) {
    EXPECT_EQ(Command(3, {6}, 6).size(), 6u);
    EXPECT_TRUE(Command(3, {6}, 5).empty());
    EXPECT_TRUE(Command(3, {0x11}, 6).empty());  // the escape needs the seventh byte
    EXPECT_EQ(Command(3, Bytes(61, 0x11)).size(), 127u);
    EXPECT_TRUE(Command(3, Bytes(62, 0x11)).empty());
    uint8_t out[16];
    EXPECT_EQ(FrameCommand(3, nullptr, 1, out, 16), -1);
    EXPECT_EQ(FrameCommand(3, out, -1, out, 16), -1);
    EXPECT_EQ(FrameCommand(3, nullptr, 0, nullptr, 16), -1);
}

TEST(BoardPacketFraming, CheckByteIsEscapedLikeAnyPayloadByte) {
    // Type 0x11 with an empty payload: the check byte is 0x11 as well.
    EXPECT_EQ(FrameBoardPacket(0x11, nullptr, 0),
              (Bytes{0x11, 0x12, 0x11, 0x14, 0x11, 0x14, 0x11, 0x13}));
    const Bytes payload = {0x11, 0x05};
    EXPECT_EQ(FrameBoardPacket(0x02, payload.data(), payload.size()),
              (Bytes{0x11, 0x12, 0x02, 0x11, 0x14, 0x05, 0x16, 0x11, 0x13}));
}

TEST(BoardPacketFraming, RoundTripsThroughTheFramerWithAGoodCheck) {
    CPacketFramer framer;
    for (int type = 0; type < 256; type += 17) {
        Bytes payload(static_cast<size_t>(type * 3));
        for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 7 + 0x11);
        for (uint8_t b :
             FrameBoardPacket(static_cast<uint8_t>(type), payload.data(), payload.size()))
            framer.PushByte(b);
        ASSERT_TRUE(framer.IsComplete()) << type;
        EXPECT_EQ(framer.Type(), type);
        ASSERT_EQ(framer.Length(), static_cast<int32_t>(payload.size() + 1));
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), framer.Buffer()));
        EXPECT_EQ(CheckByte(framer.Type(), framer.Buffer(), static_cast<size_t>(framer.Length())),
                  0);
        framer.Reset();
    }
}

}  // namespace
