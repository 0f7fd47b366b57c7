#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "sim/Scenario.h"
#include "sim/SimulatedBoard.h"
#include "tests/sim/SimTestUtil.h"

using simtest::CountTypes;
using simtest::Packet;
using simtest::RunFor;
using simtest::Send;

namespace {

constexpr uint64_t kSeed = 7;

std::string Text(const Packet& p) {
    const auto nul = std::find(p.payload.begin(), p.payload.end(), 0);
    return std::string(p.payload.begin(), nul);
}

std::vector<Packet> OfType(const std::vector<Packet>& packets, int type) {
    std::vector<Packet> out;
    for (const auto& p : packets)
        if (p.type == type) out.push_back(p);
    return out;
}

CScenario Parsed(const std::string& json) {
    CScenario scenario;
    std::string error;
    EXPECT_EQ(CScenario::Parse(json, "test.json", scenario, error), 0) << error;
    return scenario;
}

}  // namespace

TEST(BoardHandshake, AnswersIdentityCommandsInOrder) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    Send(board, 1);
    auto packets = OfType(RunFor(board, 0.2), 1);
    ASSERT_EQ(packets.size(), 1u);
    ASSERT_TRUE(packets[0].checkOk);
    // Text NUL-terminated inside the payload, so the check byte is not text.
    ASSERT_GE(packets[0].payload.size(), 2u);
    EXPECT_EQ(packets[0].payload[packets[0].payload.size() - 2], 0);
    const std::string firmware = Text(packets[0]);
    ASSERT_GE(firmware.size(), 3u);
    EXPECT_GE(std::strtod(firmware.c_str() + 2, nullptr), 1.15) << firmware;
    EXPECT_LT(firmware.size(), 39u);

    Send(board, 2);
    packets = OfType(RunFor(board, 0.2), 2);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_TRUE(packets[0].checkOk);
    EXPECT_FALSE(Text(packets[0]).empty());
    EXPECT_LT(Text(packets[0]).size(), 32u);

    Send(board, 3, {4});
    packets = RunFor(board, 0.05);
    ASSERT_FALSE(packets.empty());
    const auto acks = OfType(packets, 3);
    ASSERT_EQ(acks.size(), 1u);
    EXPECT_EQ(acks[0].payload[0], 4);
    EXPECT_EQ(board.Mode(), 4);
}

TEST(BoardHandshake, CommandEightChangesNothing) {
    CSimulatedBoard with(CScenario::Default(), kSeed);
    CSimulatedBoard without(CScenario::Default(), kSeed);
    for (CSimulatedBoard* board : {&with, &without}) {
        Send(*board, 3, {4});
        board->Advance(1000000000);
    }
    Send(with, 8, {1});
    with.Advance(3000000000);
    without.Advance(3000000000);
    EXPECT_EQ(with.ReadAll(), without.ReadAll());
}

TEST(BoardHandshake, RepliesOvertakeBulkData) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    Send(board, 3, {6});
    board.Advance(2000000000);
    board.ReadAll();
    Send(board, 1);
    // A wide sweep on the line takes some 150 ms; the reply follows it.
    const auto packets = RunFor(board, 0.2);
    EXPECT_EQ(OfType(packets, 1).size(), 1u);
}

TEST(BoardCommands, RetuneReportsTheChannel) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    Send(board, 3, {1});
    Send(board, 4, {11});
    auto packets = RunFor(board, 0.1);
    auto reports = OfType(packets, 4);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].payload[0], 11);
    EXPECT_EQ(board.Channel(), 11);
    // The noise of the new channel comes with it.
    const auto noise = OfType(packets, 32);
    ASSERT_FALSE(noise.empty());
    EXPECT_EQ(noise.back().payload[2], 11);

    // Out of range: the board stays and says where it is.
    for (uint8_t bad : {0, 15, 0x11, 0xFF}) {
        Send(board, 4, {bad});
        reports = OfType(RunFor(board, 0.1), 4);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].payload[0], 11);
    }
}

TEST(BoardCommands, MalformedInputIsIgnored) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    const std::vector<uint8_t> junk = {0x00, 0x11, 0x11, 0x12, 0x03, 0x11, 0x12, 0x55, 0x11,
                                       0x13, 0x11, 0x12, 0x03, 0x11, 0x13, 0x11, 0x12, 0x04,
                                       0x11, 0x13, 0x11, 0x12, 0x11, 0x15, 0x11, 0x13};
    board.Write(junk.data(), junk.size());
    // An unknown command and mode 17 (sent escaped): acknowledged, idle.
    Send(board, 0x55, {1, 2, 3});
    Send(board, 3, {0x11});
    auto packets = RunFor(board, 0.5);
    const auto acks = OfType(packets, 3);
    ASSERT_EQ(acks.size(), 1u);
    EXPECT_EQ(acks[0].payload[0], 0x11);
    EXPECT_EQ(board.Mode(), 0);
    EXPECT_TRUE(OfType(packets, 4).empty());

    // A very long command overruns the command buffer; the board recovers.
    std::vector<uint8_t> longCommand = simtest::Command(3, std::vector<uint8_t>(20000, 6));
    board.Write(longCommand.data(), longCommand.size());
    Send(board, 1);
    EXPECT_EQ(OfType(RunFor(board, 0.2), 1).size(), 1u);
}

// Every byte the board sends, in every mode, forms packets that the
// program's framer completes and whose check byte is right.
TEST(BoardStream, EveryPacketFramesAndChecks) {
    for (uint8_t mode : {0, 1, 2, 4, 6, 8, 9}) {
        CSimulatedBoard board(CScenario::Default(), kSeed + mode);
        Send(board, 3, {mode});
        if (mode == 1 || mode == 2) Send(board, 4, {6});
        board.Advance(30LL * 1000000000);
        const std::vector<uint8_t> bytes = board.ReadAll();
        const auto packets = simtest::Decode(bytes);
        size_t starts = 0;
        for (size_t i = 0; i + 1 < bytes.size(); ++i)
            if (bytes[i] == 0x11 && bytes[i + 1] == 0x12) ++starts;
        // All but the packet still on the line when the run stopped.
        EXPECT_LE(starts - packets.size(), 1u) << "mode " << int(mode);
        ASSERT_GT(packets.size(), 20u) << "mode " << int(mode);
        size_t largest = 0;
        for (const auto& p : packets) {
            EXPECT_TRUE(p.checkOk) << "mode " << int(mode) << " type " << int(p.type);
            largest = std::max(largest, p.payload.size());
        }
        EXPECT_LE(largest, 8192u);
    }
}

TEST(BoardStream, ModesProduceTheirPacketTypes) {
    struct Expect {
        uint8_t mode;
        std::set<int> required;
        std::set<int> allowed;
    };
    const std::set<int> always = {3, 4, 7, 11, 13, 32};
    const Expect expectations[] = {
        {0, {7, 32}, {}},  {1, {4, 9, 11}, {6, 10, 18}},
        {2, {5}, {}},      {4, {9, 11}, {6, 10, 18}},
        {6, {14}, {}},     {8, {6, 18, 11}, {}},
        {9, {11, 19}, {}},
    };
    for (const Expect& e : expectations) {
        CSimulatedBoard board(CScenario::Default(), kSeed);
        Send(board, 3, {e.mode});
        if (e.mode == 1 || e.mode == 2) Send(board, 4, {6});
        const auto counts = CountTypes(RunFor(board, 20.0));
        for (int type : e.required)
            EXPECT_GT(counts.count(type), 0u) << "mode " << int(e.mode) << " type " << type;
        for (const auto& [type, n] : counts) {
            EXPECT_TRUE(always.count(type) || e.required.count(type) || e.allowed.count(type))
                << "mode " << int(e.mode) << " sent type " << type;
        }
    }
}

TEST(BoardStream, SweepsHaveTheirFixedSizes) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    Send(board, 3, {6});
    for (const auto& p : OfType(RunFor(board, 3.0), 14)) EXPECT_EQ(p.payload.size(), 546u + 1);
    Send(board, 3, {2});
    Send(board, 4, {6});
    const auto narrow = OfType(RunFor(board, 3.0), 5);
    ASSERT_GT(narrow.size(), 5u);
    for (const auto& p : narrow) EXPECT_EQ(p.payload.size(), 130u + 1);
}

TEST(BoardStream, HoppingVisitsTheListedChannelsInTurn) {
    CScenario scenario = CScenario::Default();
    // A channel listed twice is visited twice per round.
    scenario.m_anHopChannels = {1, 1, 6, 11};
    CSimulatedBoard board(scenario, kSeed);
    Send(board, 3, {4});
    std::vector<int> visited;
    for (const auto& p : OfType(RunFor(board, 4.0), 11)) visited.push_back(p.payload[0]);
    ASSERT_GE(visited.size(), 12u);
    const std::vector<int> round = {1, 1, 6, 11};
    for (size_t i = 0; i < visited.size(); ++i) EXPECT_EQ(visited[i], round[i % 4]) << i;

    // A retune moves the round to the channel chosen.
    Send(board, 4, {6});
    const auto after = OfType(RunFor(board, 0.35), 11);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front().payload[0], 11);
}

// In a hopping mode no frame of one channel may follow the report of the
// next: the program counts it against the channel last reported.
TEST(BoardStream, FramesFollowTheReportOfTheirChannel) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    Send(board, 3, {4});
    int channel = 0;
    int checked = 0;
    for (const auto& p : RunFor(board, 20.0)) {
        if (p.type == 11) channel = p.payload[0];
        if (p.type != 9 || channel == 0 || p.payload[90] == 0) continue;
        // A beacon that passed the board's checks: DS parameter channel within two channels of
        // where the board listens (heard off its channel now and then).
        std::vector<uint8_t> body(p.payload.begin() + 93, p.payload.end() - 1);
        size_t pos = 40;
        int ds = -1;
        while (pos + 2 <= body.size()) {
            const uint8_t tag = body[pos];
            const uint8_t len = body[pos + 1];
            if (tag == 3 && len >= 1 && pos + 2 < body.size()) ds = body[pos + 2];
            pos += 2 + len;
        }
        ASSERT_NE(ds, -1);
        EXPECT_LE(std::abs(ds - channel), 2) << "beacon of channel " << ds << " on " << channel;
        ++checked;
    }
    EXPECT_GT(checked, 30);
}

TEST(BoardStream, PeriodicReportsInEveryMode) {
    CScenario scenario = CScenario::Default();
    scenario.m_dBatteryLowAfterS = 3.5;
    CSimulatedBoard board(scenario, kSeed);
    auto packets = RunFor(board, 3.4);
    EXPECT_TRUE(OfType(packets, 13).empty());
    EXPECT_EQ(OfType(packets, 7).size(), 3u);
    packets = RunFor(board, 6.7);  // to 10.1 s
    const auto battery = OfType(packets, 13);
    ASSERT_EQ(battery.size(), 1u);
    EXPECT_EQ(battery[0].payload.size(), 16u + 1);
    const auto gps = OfType(packets, 7);
    EXPECT_EQ(gps.size(), 7u);
    for (const auto& p : gps) EXPECT_EQ(p.payload.size(), 152u + 1);
    const auto noise = OfType(packets, 32);
    EXPECT_GE(noise.size(), 4u);
    for (const auto& p : noise) {
        const int16_t level = static_cast<int16_t>(p.payload[0] | (p.payload[1] << 8));
        EXPECT_LT(level, 0);
        EXPECT_GE(level, -120);
        EXPECT_GE(p.payload[2], 1);
        EXPECT_LE(p.payload[2], 14);
    }
}

TEST(BoardStream, NoTrackNoGps) {
    CScenario scenario = Parsed(R"({"access_points": []})");
    CSimulatedBoard board(scenario, kSeed);
    Send(board, 3, {4});
    const auto counts = CountTypes(RunFor(board, 5.0));
    EXPECT_EQ(counts.count(7), 0u);
    EXPECT_EQ(counts.count(9), 0u);
    EXPECT_GT(counts.count(11), 0u);
}

TEST(BoardStream, ChannelLoadFollowsTraffic) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    Send(board, 3, {9});
    int channel = 0;
    std::map<int, std::array<uint64_t, 4>> load;
    for (const auto& p : RunFor(board, 30.0)) {
        if (p.type == 11) channel = p.payload[0];
        if (p.type != 19) continue;
        ASSERT_EQ(p.payload.size(), 17u);
        for (size_t r = 0; r < 4; ++r) {
            const uint32_t v = p.payload[4 * r] | (p.payload[4 * r + 1] << 8) |
                               (p.payload[4 * r + 2] << 16) |
                               (static_cast<uint32_t>(p.payload[4 * r + 3]) << 24);
            EXPECT_LE(v, 65535u);
            load[channel][r] += v;
        }
    }
    auto total = [&](int c) {
        uint64_t sum = 0;
        for (uint64_t v : load[c]) sum += v;
        return sum;
    };
    // Channel 6 carries the most stations, 14 none at all.
    EXPECT_GT(total(6), total(3));
    EXPECT_GT(total(3), 0u);
    EXPECT_EQ(total(14), 0u);
    // Beacons go at 1 Mbit/s on every channel with an access point.
    EXPECT_GT(load[6][0], 0u);
    EXPECT_GT(load[6][3], 0u);
}

TEST(BoardDeterminism, SameSeedSameBytes) {
    auto session = [](uint64_t seed) {
        CSimulatedBoard board(CScenario::Default(), seed);
        std::vector<uint8_t> all;
        const uint8_t modes[] = {4, 8, 6, 1, 9};
        for (uint8_t mode : modes) {
            Send(board, 3, {mode});
            if (mode == 1) Send(board, 4, {11});
            board.Advance(4000000000);
            const auto bytes = board.ReadAll();
            all.insert(all.end(), bytes.begin(), bytes.end());
        }
        return all;
    };
    const auto first = session(42);
    EXPECT_EQ(first, session(42));
    EXPECT_NE(first, session(43));
}

TEST(BoardDeterminism, ReadingInPiecesChangesNothing) {
    CSimulatedBoard whole(CScenario::Default(), kSeed);
    CSimulatedBoard pieces(CScenario::Default(), kSeed);
    Send(whole, 3, {8});
    Send(pieces, 3, {8});
    whole.Advance(5000000000);
    std::vector<uint8_t> collected;
    for (int i = 0; i < 1000; ++i) {
        pieces.Advance(5000000);
        uint8_t buffer[7];
        size_t n;
        while ((n = pieces.Read(buffer, sizeof buffer)) > 0)
            collected.insert(collected.end(), buffer, buffer + n);
    }
    EXPECT_EQ(collected, whole.ReadAll());
}

TEST(BoardPacing, LineCarriesAtMost3840BytesASecond) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    Send(board, 3, {6});
    size_t total = 0;
    for (int second = 0; second < 10; ++second) {
        board.Advance(1000000000);
        const size_t n = board.ReadAll().size();
        EXPECT_LE(n, 3841u);
        total += n;
    }
    // Sweeps keep the line busy, with pauses for the program's commands.
    EXPECT_GT(total, 10u * 3840 / 2);
    EXPECT_LT(total, 10u * 3840 * 95 / 100);
}

TEST(BoardPacing, BytesArriveOneAtATime) {
    CSimulatedBoard board(CScenario::Default(), kSeed);
    Send(board, 1);
    board.Advance(CBoardLine::kByteNs - 1);
    EXPECT_EQ(board.Available(), 0u);
    board.Advance(1);
    EXPECT_EQ(board.Available(), 1u);
    board.Advance(CBoardLine::kByteNs * 4);
    EXPECT_EQ(board.Available(), 5u);
}
