#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "board/BoardReaderThread.h"
#include "board/Framing.h"
#include "board/MemoryPort.h"

namespace {

using namespace std::chrono_literals;

// Checks that packets carry consecutive sequence numbers and arrive intact.
class CSequenceSink : public IPacketSink {
public:
    void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) override {
        if (CheckByte(type, payload, length) != 0 || length < 5) {
            ++m_nBad;
            return;
        }
        uint32_t seq;
        std::memcpy(&seq, payload, 4);
        if (seq != m_nNext) ++m_nBad;
        m_nNext = seq + 1;
        m_nReceived.fetch_add(1);
    }
    std::atomic<uint32_t> m_nReceived{0};
    uint32_t m_nNext = 0;
    uint32_t m_nBad = 0;
};

// Command n carries n and then n % 100 filler bytes taken from n, so a
// command torn between two queued ones cannot pass for either.
std::vector<uint8_t> MakeCommand(uint32_t n) {
    std::vector<uint8_t> args(4 + n % 100, static_cast<uint8_t>(n | 0x80));
    std::memcpy(args.data(), &n, 4);
    std::vector<uint8_t> out(CBoardPort::kPendingCommandSize);
    const int length = FrameCommand(3, args.data(), static_cast<int>(args.size()), out.data(),
                                    static_cast<int>(out.size()));
    out.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return out;
}

// The number of a written command, or 0 when it is not one of MakeCommand's.
uint32_t CommandNumber(const std::vector<uint8_t>& written) {
    CPacketFramer framer;
    for (uint8_t b : written) framer.PushByte(b);
    if (!framer.IsComplete() || framer.Type() != 3 || framer.Length() < 4) return 0;
    uint32_t n;
    std::memcpy(&n, framer.Buffer(), 4);
    return MakeCommand(n) == written ? n : 0;
}

TEST(BoardReaderStress, CommandsAndPacketsCrossWithoutLossOrTearing) {
    auto owned = std::make_unique<CMemoryPort>();
    CMemoryPort& memory = *owned;
    CBoardPort port(std::move(owned));
    CPacketFramer framer;
    CSequenceSink sink;
    CBoardReader reader(port, framer, sink, nullptr);
    ASSERT_EQ(reader.Start(), 0);

    std::atomic<bool> done{false};
    std::atomic<uint32_t> lastQueued{0};
    std::thread gui([&] {
        for (uint32_t n = 1; !done.load(); ++n) {
            const auto command = MakeCommand(n);
            port.QueueCommand(command.data(), static_cast<uint32_t>(command.size()));
            lastQueued = n;
            if (n % 64 == 0) std::this_thread::sleep_for(100us);
        }
    });
    uint32_t sent = 0;
    std::thread feeder([&] {
        std::vector<uint8_t> payload(200);
        const auto until = std::chrono::steady_clock::now() + 1500ms;
        while (std::chrono::steady_clock::now() < until) {
            for (int burst = 0; burst < 8; ++burst, ++sent) {
                std::memcpy(payload.data(), &sent, 4);
                payload[10] = 0x11;
                const auto wire = FrameBoardPacket(9, payload.data(), payload.size());
                memory.Feed(wire);
            }
            // Gaps in the stream let commands through.
            std::this_thread::sleep_for(200us);
        }
    });
    feeder.join();
    done = true;
    gui.join();

    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while ((memory.Pending() > 0 || port.HasPendingCommand()) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    const uint64_t idle = reader.IdlePasses();
    while (reader.IdlePasses() < idle + 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    reader.Stop();

    EXPECT_EQ(sink.m_nReceived.load(), sent);
    EXPECT_EQ(sink.m_nBad, 0u);

    const auto writes = memory.Writes();
    // The stream must have had gaps enough for commands to cross it.
    EXPECT_GT(sent, 1000u);
    EXPECT_GT(writes.size(), 20u);
    uint32_t previous = 0;
    for (const auto& w : writes) {
        const uint32_t n = CommandNumber(w);
        ASSERT_NE(n, 0u) << "a torn or unknown command after " << previous;
        // Replacement only ever skips forward, and nothing is written twice.
        ASSERT_GT(n, previous);
        previous = n;
    }
    // The last command queued is never lost.
    EXPECT_EQ(previous, lastQueued.load());
}

}  // namespace
