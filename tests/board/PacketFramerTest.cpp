#include "board/PacketFramer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "board/Framing.h"

namespace {

using Bytes = std::vector<uint8_t>;
using State = CPacketFramer::State;

struct Packet {
    uint8_t type;
    Bytes payload;
    bool operator==(const Packet&) const = default;
};

// Collects complete packets the way the reader thread does, byte by byte or
// in runs.
std::vector<Packet> Collect(CPacketFramer& framer, const Bytes& stream, bool bulk = false) {
    std::vector<Packet> out;
    size_t done = 0;
    while (done < stream.size()) {
        if (bulk) {
            done += framer.PushBytes(stream.data() + done, stream.size() - done);
        } else {
            framer.PushByte(stream[done++]);
        }
        if (framer.IsComplete()) {
            out.push_back(
                {framer.Type(), Bytes(framer.Buffer(), framer.Buffer() + framer.Length())});
            framer.Reset();
        }
    }
    return out;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool BufferAllZero(const CPacketFramer& framer) {
    return std::all_of(framer.Buffer(), framer.Buffer() + CPacketFramer::kBufferSize,
                       [](uint8_t b) { return b == 0; });
}

struct StreamCase {
    const char* what;
    Bytes stream;
    std::vector<Packet> packets;
};

TEST(PacketFramerPackets, StreamsGiveTheirPackets) {
    const StreamCase cases[] = {
        {"empty payload", {0x11, 0x12, 0x05, 0x11, 0x13}, {{5, {}}}},
        {"escaped type", {0x11, 0x12, 0x11, 0x14, 0xAA, 0x11, 0x13}, {{0x11, {0xAA}}}},
        {"escaped payload",
         {0x11, 0x12, 0x03, 0x01, 0x11, 0x14, 0x02, 0x11, 0x13},
         {{3, {0x01, 0x11, 0x02}}}},
        {"control codes as values",
         {0x11, 0x12, 0x12, 0x12, 0x13, 0x14, 0x11, 0x13, 0x11, 0x12, 0x14, 0x11, 0x13},
         {{0x12, {0x12, 0x13, 0x14}}, {0x14, {}}}},
        {"garbage around packets",
         {0x13, 0x00, 0x11, 0x13, 0x14, 0x11, 0x12, 0x02, 0x41, 0x11, 0x13, 0x41,
          0x11, 0x14, 0x12, 0x11, 0x13, 0x11, 0x12, 0x04, 0x0B, 0x11, 0x13},
         {{2, {0x41}}, {4, {0x0B}}}},
        {"doubled marker is no start",
         {0x11, 0x11, 0x12, 0x05, 0x01, 0x11, 0x13, 0x11, 0x12, 0x06, 0x11, 0x13},
         {{6, {}}}},
        {"start inside payload loses both",
         {0x11, 0x12, 0x05, 0x01, 0x11, 0x12, 0x06, 0x03, 0x11, 0x13, 0x11, 0x12, 0x07, 0x11, 0x13},
         {{7, {}}}},
        {"abandoning marker after type opens nothing",
         {0x11, 0x12, 0x11, 0x11, 0x12, 0x05, 0x11, 0x13, 0x11, 0x12, 0x08, 0x11, 0x13},
         {{8, {}}}},
    };
    for (const auto& c : cases) {
        for (bool bulk : {false, true}) {
            CPacketFramer f;
            EXPECT_EQ(Collect(f, c.stream, bulk), c.packets) << c.what << (bulk ? " (bulk)" : "");
            EXPECT_EQ(f.GetState(), State::Hunting) << c.what;
        }
    }
}

TEST(PacketFramerStates, CompletePacketHoldsUntilReset) {
    CPacketFramer f;
    const Bytes s = {0x11, 0x12, 0x07, 0xAB, 0x11, 0x13, 0x11, 0x12, 0x09, 0x55, 0x11, 0x13};
    for (uint8_t b : s) f.PushByte(b);
    EXPECT_EQ(f.GetState(), State::Complete);
    EXPECT_EQ(static_cast<int16_t>(f.GetState()), 0x60);
    EXPECT_EQ(f.Type(), 0x07);
    ASSERT_EQ(f.Length(), 1);
    EXPECT_EQ(f.Buffer()[0], 0xAB);
    EXPECT_EQ(f.PushBytes(s.data(), s.size()), 0u);
    f.Reset();
    EXPECT_EQ(f.Type(), 0x07);  // the type survives a reset
    EXPECT_EQ(f.PushBytes(s.data(), s.size()), 6u);
}

TEST(PacketFramerLimits, FullBufferIsDeliveredOneMoreByteDropsThePacket) {
    Bytes full = {0x11, 0x12, 0x0E};
    full.insert(full.end(), CPacketFramer::kBufferSize, 0x5A);
    CPacketFramer f;
    EXPECT_EQ(Collect(f, Concat(full, {0x11, 0x13})).size(), 1u);

    // The byte past a full buffer, plain or an escaped marker.
    const Bytes next = FrameBoardPacket(0x04, Bytes{0x06}.data(), 1);
    for (const Bytes& extra : {Bytes{0x5A}, Bytes{0x11, 0x14}}) {
        Bytes stream = full;
        stream.insert(stream.end(), extra.begin(), extra.end());
        stream.insert(stream.end(), {0x01, 0x11, 0x13});
        stream.insert(stream.end(), next.begin(), next.end());
        for (bool bulk : {false, true}) {
            CPacketFramer g;
            EXPECT_EQ(Collect(g, stream, bulk), (std::vector<Packet>{{0x04, {0x06, 0x02}}}));
            EXPECT_TRUE(BufferAllZero(g));
        }
    }
}

TEST(PacketFramerInvariant, HuntingAlwaysMeansEmptyZeroBuffer) {
    // Packets cut short at random points, with the control codes frequent in
    // the payload, reach every abandoning transition from a filled buffer.
    std::mt19937 rng(7);
    CPacketFramer f;
    int abandoned = 0;
    for (int i = 0; i < 3000; ++i) {
        Bytes payload(rng() % 400);
        for (auto& b : payload)
            b = rng() % 4 ? static_cast<uint8_t>(rng() | 0x80)
                          : static_cast<uint8_t>(0x11 + rng() % 4);
        Bytes wire = FrameBoardPacket(static_cast<uint8_t>(rng()), payload.data(), payload.size());
        wire.resize(rng() % (wire.size() + 1));
        wire.push_back(static_cast<uint8_t>(0x11 + rng() % 4));
        for (uint8_t b : wire) {
            const State before = f.GetState();
            f.PushByte(b);
            if (f.IsComplete()) f.Reset();
            if (f.GetState() != State::Hunting) continue;
            ASSERT_EQ(f.Length(), 0);
            if (before != State::Hunting) {
                ++abandoned;
                ASSERT_TRUE(BufferAllZero(f)) << "packet " << i;
            }
        }
    }
    EXPECT_GT(abandoned, 1000);
}

TEST(PacketFramerBulk, MatchesBytewisePushOnMixedStreams) {
    std::mt19937 rng(99);
    Bytes stream;
    for (int i = 0; i < 400; ++i) {
        for (int n = rng() % 4 == 0 ? rng() % 20 : 0; n > 0; --n)  // noise
            stream.push_back(static_cast<uint8_t>(rng() % 3 ? 0x10 + rng() % 6 : rng()));
        Bytes payload(rng() % 600);
        for (auto& b : payload) b = rng() % 8 ? static_cast<uint8_t>(rng()) : 0x11;
        auto wire = FrameBoardPacket(static_cast<uint8_t>(rng()), payload.data(), payload.size());
        if (rng() % 5 == 0) wire.resize(wire.size() / 2);  // cut short by the next packet
        stream.insert(stream.end(), wire.begin(), wire.end());
    }
    stream.resize(stream.size() + 9000, 0x33);  // a runaway at the end

    CPacketFramer bytewise;
    CPacketFramer bulk;
    const auto a = Collect(bytewise, stream);
    EXPECT_GT(a.size(), 250u);
    EXPECT_EQ(Collect(bulk, stream, true), a);
    EXPECT_EQ(bytewise.GetState(), bulk.GetState());
    EXPECT_EQ(bytewise.Length(), bulk.Length());
}

}  // namespace
