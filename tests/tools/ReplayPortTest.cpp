// Playing a log back as the board's serial line.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "LogTestUtil.h"
#include "board/BoardPort.h"
#include "board/BoardReaderThread.h"
#include "board/PacketFramer.h"
#include "board/ReplayPort.h"

using logtest::Bytes;
using logtest::LogBuilder;

namespace {

struct Packet {
    uint8_t type;
    Bytes payload;
};

// Unframes everything the port hands out now.
std::vector<Packet> Drain(CReplayPort& port) {
    std::vector<Packet> packets;
    CPacketFramer framer;
    uint8_t buffer[1000];
    while (port.BytesWaiting() > 0) {
        const int n = port.Read(buffer, sizeof(buffer));
        for (int i = 0; i < n; ++i) {
            framer.PushByte(buffer[i]);
            if (framer.IsComplete()) {
                packets.push_back(
                    {framer.Type(), Bytes(framer.Buffer(), framer.Buffer() + framer.Length())});
                framer.Reset();
            }
        }
    }
    return packets;
}

}  // namespace

TEST(ReplayPort, PacketsComeOutAsTheBoardSentThemEscapesIncluded) {
    LogBuilder log;
    log.Packet(0x11, {0x11, 0x12, 0x13, 0x14}).Packet(6, Bytes(200, 0x11)).Packet(0, {});
    CReplayPort port(0.0);
    port.OpenBytes(log.Get());
    const std::vector<Packet> packets = Drain(port);
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0].type, 0x11);
    EXPECT_EQ(packets[0].payload,
              (Bytes{0x11, 0x12, 0x13, 0x14, 0x11 ^ 0x11 ^ 0x12 ^ 0x13 ^ 0x14}));
    EXPECT_EQ(packets[1].payload.size(), 201u);
    EXPECT_EQ(packets[2].type, 0);
    EXPECT_EQ(packets[2].payload, Bytes{0});
    EXPECT_TRUE(port.Finished());
    EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_TRUE(port.IsOpen());
}

TEST(ReplayPort, BadCheckBytesAndDamageAreNotPlayed) {
    LogBuilder log;
    log.Packet(4, {1}).Raw(4, {2, 2}).Packet(4, {3});
    Bytes bytes = log.Get();
    bytes.pop_back();  // the last record cut short
    CReplayPort port(0.0);
    port.OpenBytes(bytes);
    const std::vector<Packet> packets = Drain(port);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].payload[0], 1);
    EXPECT_EQ(port.PacketsSkipped(), 2u);
}

TEST(ReplayPort, ReleasesPacketsAtTheirRecordedTimesScaledBySpeed) {
    LogBuilder log;
    log.At(12, 0, 0).Packet(4, {1}).Packet(4, {2});  // spread over the second
    log.At(12, 0, 2).Packet(4, {3});
    log.At(11, 0, 0).Packet(4, {4});  // the clock went back: no wait
    log.At(18, 0, 0).Packet(4, {5});  // hours later: shortened
    double now = 100.0;
    CReplayPort port(2.0, [&] { return now; });
    port.OpenBytes(log.Get());

    EXPECT_EQ(Drain(port).size(), 1u);  // 0.0 s
    now += 0.24;
    EXPECT_EQ(Drain(port).size(), 0u);
    now += 0.02;  // 0.5 s of the log at double speed
    EXPECT_EQ(Drain(port).size(), 1u);
    now += 0.5;  // 1.52 s of log time
    EXPECT_EQ(Drain(port).size(), 0u);
    now += 0.25;  // 2.02 s: the third and, at once, the fourth
    EXPECT_EQ(Drain(port).size(), 2u);
    now += CReplayPort::kMaxGapSeconds / 2 - 0.1;
    EXPECT_EQ(Drain(port).size(), 0u);
    now += 0.2;
    EXPECT_EQ(Drain(port).size(), 1u);
    EXPECT_TRUE(port.Finished());
}

TEST(ReplayPort, CommandsAreAcceptedAndDropped) {
    CReplayPort port(1.0);
    port.OpenBytes(LogBuilder().Get());
    const uint8_t command[3] = {0x11, 0x12, 0x01};
    EXPECT_EQ(port.Write(command, 3), 3);
    EXPECT_EQ(port.BytesWaiting(), 0);
    CReplayPort closed(1.0);
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_EQ(closed.Write(command, 3), -1);
    std::string error;
    EXPECT_EQ(closed.Open("/nonexistent.ov", error), -1);
    EXPECT_FALSE(closed.IsOpen());
}

namespace {
class CountingSink : public IPacketSink {
public:
    void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) override {
        std::lock_guard<std::mutex> lock(mutex);
        types.push_back(type);
        lengths.push_back(length);
        (void)payload;
    }
    std::mutex mutex;
    std::vector<uint8_t> types;
    std::vector<uint32_t> lengths;
};
}  // namespace

TEST(ReplayPort, TheReaderThreadDispatchesEveryRecordedPacket) {
    LogBuilder log;
    for (int i = 0; i < 3000; ++i) log.Packet(static_cast<uint8_t>(i % 20), Bytes(i % 700, 0x11));
    auto replay = std::make_unique<CReplayPort>(0.0);
    replay->OpenBytes(log.Get());
    CReplayPort* raw = replay.get();
    CBoardPort port(std::move(replay));
    CPacketFramer framer;
    CountingSink sink;
    CBoardReader reader(port, framer, sink, nullptr);
    ASSERT_EQ(reader.Start(), 0);
    for (int i = 0; i < 2000 && reader.PacketsDispatched() < 3000; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    reader.Stop();
    EXPECT_TRUE(raw->Finished());
    std::lock_guard<std::mutex> lock(sink.mutex);
    ASSERT_EQ(sink.types.size(), 3000u);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(sink.types[i], i % 20);
        ASSERT_EQ(sink.lengths[i], static_cast<uint32_t>(i % 700 + 1));
    }
}

// A long log is streamed: however it is timed, the port never holds more than
// its fixed bound, and every packet comes out once, in order.
TEST(ReplayPort, ALargeLogIsPlayedInBoundedMemory) {
    enum class Timing { OneSecondEach, AllInOneSecond, TimesUnreadable };
    struct Case {
        const char* name;
        Timing timing;
    };
    const Case cases[] = {
        {"a second per hundred packets", Timing::OneSecondEach},
        {"every record in one second", Timing::AllInOneSecond},
        {"no readable time", Timing::TimesUnreadable},
    };
    constexpr int kPackets = 30000;  // about 12 MB of records
    CTempFolder folder;
    for (const Case& c : cases) {
        LogBuilder log;
        log.Date(2026, 3, 5);
        for (int i = 0; i < kPackets; ++i) {
            if (c.timing == Timing::OneSecondEach) log.At(12, (i / 6000) % 60, (i / 100) % 60);
            if (c.timing == Timing::AllInOneSecond) log.At(12, 0, 0);
            if (c.timing == Timing::TimesUnreadable) log.At(99, 99, 99);
            // Every payload byte a marker: each is escaped on the line.
            log.Packet(static_cast<uint8_t>(i % 20), Bytes(200 + i % 300, 0x11));
        }
        const std::string path = folder.Path("big.ov");
        log.WriteTo(path);
        log = LogBuilder();

        CReplayPort port(0.0);
        std::string error;
        ASSERT_EQ(port.Open(path, error), 0) << error;
        CPacketFramer framer;
        uint8_t buffer[CBoardReader::kReceiveSize];
        int packets = 0;
        bool bInOrder = true;
        while (port.BytesWaiting() > 0) {
            const int n = port.Read(buffer, sizeof(buffer));
            for (int i = 0; i < n; ++i) {
                framer.PushByte(buffer[i]);
                if (!framer.IsComplete()) continue;
                bInOrder = bInOrder && framer.Type() == packets % 20 &&
                           framer.Length() == 201 + packets % 300;
                ++packets;
                framer.Reset();
            }
        }
        EXPECT_EQ(packets, kPackets) << c.name;
        EXPECT_TRUE(bInOrder) << c.name;
        EXPECT_TRUE(port.Finished()) << c.name;
        EXPECT_LE(port.PeakBufferedBytes(), CReplayPort::kMaxBuffered) << c.name;
        EXPECT_EQ(port.BufferedBytes(), 0u) << c.name;
    }
}

// More packets in one second than the port holds at once: the rest of that
// second follows a second later instead of being read in with it.
TEST(ReplayPort, ASecondBeyondTheCapIsPlayedInChunksASecondApart) {
    LogBuilder log;
    log.At(12, 0, 0);
    const int total = static_cast<int>(CReplayPort::kMaxSecondPackets) + 10;
    for (int i = 0; i < total; ++i) log.Packet(4, {static_cast<uint8_t>(i)});
    log.At(12, 0, 1).Packet(4, {0xAA});
    double now = 0.0;
    CReplayPort port(1.0, [&] { return now; });
    port.OpenBytes(log.Get());
    size_t played = 0;
    for (; now < 0.99; now += 0.01) played += Drain(port).size();
    now = 0.9999;
    played += Drain(port).size();
    EXPECT_EQ(played, CReplayPort::kMaxSecondPackets);
    now = 1.9999;
    played += Drain(port).size();
    EXPECT_EQ(played, static_cast<size_t>(total));
    now = 2.0;
    EXPECT_EQ(Drain(port).size(), 1u);
    EXPECT_TRUE(port.Finished());
}

// What Open takes for a log: its header, or a damaged header with records
// behind it. Anything else is refused with a reason, a FIFO without waiting
// for a writer.
TEST(ReplayPort, OpenTellsALogFromWhatIsNot) {
    CTempFolder folder;
    LogBuilder good;
    good.Packet(4, {1}).Packet(4, {2});
    good.WriteTo(folder.Path("good.ov"));
    Bytes damaged = good.Get();
    damaged[0] = 'X';
    damaged[5] = 0;
    logtest::WriteFile(folder.Path("damaged.ov"), damaged);
    logtest::WriteFile(folder.Path("text.txt"), Bytes(100000, 'a'));
    logtest::WriteFile(folder.Path("empty.ov"), {});
    ASSERT_EQ(mkfifo(folder.Path("fifo.ov").c_str(), 0600), 0);
    struct Case {
        const char* file;
        const char* error;  // empty: opens
        size_t packets;
    };
    const Case cases[] = {
        {"good.ov", "", 2},
        {"damaged.ov", "", 2},
        {"text.txt", CReplayPort::kNotALog, 0},
        {"empty.ov", CReplayPort::kNotALog, 0},
        {"fifo.ov", "Not a regular file", 0},
        {"", "Is a directory", 0},
        {"missing.ov", "No such file or directory", 0},
    };
    for (const Case& c : cases) {
        CReplayPort port(0.0);
        std::string error;
        const int rc = port.Open(folder.Path(c.file), error);
        EXPECT_EQ(rc, *c.error == 0 ? 0 : -1) << c.file;
        EXPECT_EQ(error, c.error) << c.file;
        EXPECT_EQ(port.IsOpen(), rc == 0) << c.file;
        EXPECT_EQ(rc == 0 ? Drain(port).size() : 0u, c.packets) << c.file;
    }
}
