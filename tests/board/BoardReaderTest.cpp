#include "board/BoardReaderThread.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board/Framing.h"
#include "board/MemoryPort.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Pass = CBoardReader::Pass;
using namespace std::chrono_literals;

// Sounds and dispatches land in one journal, so their order is visible.
class CJournal : public IPacketSink, public ISoundCues {
public:
    void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) override {
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_entries.push_back("packet " + std::to_string(type) + " " + std::to_string(length));
            m_packets.push_back(Bytes(payload, payload + length));
            hook = m_onDispatch;
        }
        if (hook) hook();
    }
    void PlayResourceSound(const char* name) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_back(std::string("sound ") + name);
    }
    std::vector<std::string> Entries() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_entries;
    }
    std::vector<Bytes> Packets() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_packets;
    }
    void OnDispatch(std::function<void()> hook) { m_onDispatch = std::move(hook); }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_entries;
    std::vector<Bytes> m_packets;
    std::function<void()> m_onDispatch;
};

Bytes Packet(uint8_t type, const Bytes& payload) {
    return FrameBoardPacket(type, payload.data(), payload.size());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A board port over a memory port, with the pieces one pass needs.
struct Rig {
    CMemoryPort* memory;
    CBoardPort port;
    CPacketFramer framer;
    CJournal journal;
    std::array<uint8_t, CBoardReader::kReceiveSize> receive{};

    explicit Rig(bool open = true)
        : memory(new CMemoryPort(open)), port(std::unique_ptr<ISerialPort>(memory)) {}
    Pass Step() {
        return BoardReaderPass(port, framer, journal, &journal, receive.data(), nullptr);
    }
};

TEST(ReaderPass, DispatchesEveryPacketOfOneReadInOrder) {
    Rig rig;
    rig.memory->Feed(Concat({Packet(4, {6}), {0x00, 0x13}, Packet(11, {1, 2, 3})}));
    EXPECT_EQ(rig.Step(), Pass::Input);
    EXPECT_EQ(rig.journal.Entries(), (std::vector<std::string>{"packet 4 2", "packet 11 4"}));
    EXPECT_EQ(rig.journal.Packets()[1], (Bytes{1, 2, 3, 11 ^ 1 ^ 2 ^ 3}));
    EXPECT_EQ(rig.framer.GetState(), CPacketFramer::State::Hunting);
    EXPECT_EQ(rig.memory->Pending(), 0u);
}

TEST(ReaderPass, PacketSplitOverReadsIsAssembled) {
    Rig rig;
    const Bytes wire = Packet(9, Bytes(300, 0x11));
    rig.memory->Feed(wire.data(), 151);  // ends between a marker and its escape
    EXPECT_EQ(rig.Step(), Pass::Input);
    EXPECT_TRUE(rig.journal.Entries().empty());
    rig.memory->Feed(wire.data() + 151, wire.size() - 151);
    EXPECT_EQ(rig.Step(), Pass::Input);
    ASSERT_EQ(rig.journal.Packets().size(), 1u);
    EXPECT_EQ(rig.journal.Packets()[0].size(), 301u);
}

TEST(ReaderPass, ReadsAtMost4096BytesAPass) {
    Rig rig;
    rig.memory->Feed(Bytes(5000, 0x00));
    EXPECT_EQ(rig.Step(), Pass::Input);
    EXPECT_EQ(rig.memory->Pending(), 5000u - 4096u);
    EXPECT_EQ(rig.Step(), Pass::Input);
    EXPECT_EQ(rig.memory->Pending(), 0u);
}

TEST(ReaderPass, PingSoundsBeforeEveryTypeOnePacketWhateverItsCheck) {
    Rig rig;
    Bytes badCheck = Packet(1, {'1', '.', '2'});
    badCheck[badCheck.size() - 3] ^= 0xFF;  // the check byte
    rig.memory->Feed(Concat({badCheck, Packet(2, {'S'}), Packet(1, {})}));
    rig.Step();
    EXPECT_EQ(rig.journal.Entries(),
              (std::vector<std::string>{"sound PING", "packet 1 4", "packet 2 2", "sound PING",
                                        "packet 1 1"}));
}

TEST(ReaderCommands, WrittenOnlyInAPassWithoutInput) {
    Rig rig;
    const Bytes command = {0x11, 0x12, 0x03, 0x06, 0x11, 0x13};
    rig.port.QueueCommand(command.data(), 6);
    rig.memory->Feed(Packet(3, {6}));
    EXPECT_EQ(rig.Step(), Pass::Input);
    EXPECT_EQ(rig.memory->WriteAttempts(), 0);
    EXPECT_EQ(rig.Step(), Pass::Command);
    EXPECT_EQ(rig.memory->Writes(), std::vector<Bytes>{command});
    EXPECT_EQ(rig.Step(), Pass::Idle);
    EXPECT_EQ(rig.memory->WriteAttempts(), 1);
}

TEST(ReaderCommands, ABackloggedLineDoesNotHoldTheCommandBack) {
    // Cases: input that fills the receive buffer (a source far ahead of the
    // line rate) writes the pending command in the same pass; one byte less
    // leaves it for the next quiet pass.
    for (const size_t fed : {size_t{CBoardReader::kReceiveSize} * 3, size_t{4095}}) {
        Rig rig;
        const Bytes command = {0x11, 0x12, 0x03, 0x04, 0x11, 0x13};
        rig.port.QueueCommand(command.data(), 6);
        rig.memory->Feed(Bytes(fed, 0x00));
        EXPECT_EQ(rig.Step(), Pass::Input) << fed;
        if (fed > 4096) {
            EXPECT_EQ(rig.memory->Writes(), std::vector<Bytes>{command}) << fed;
            EXPECT_FALSE(rig.port.HasPendingCommand()) << fed;
            EXPECT_EQ(rig.Step(), Pass::Input) << fed;
            EXPECT_EQ(rig.memory->WriteAttempts(), 1) << fed;
        } else {
            EXPECT_EQ(rig.memory->WriteAttempts(), 0) << fed;
            EXPECT_EQ(rig.Step(), Pass::Command) << fed;
        }
    }
}

TEST(ReaderCommands, CommandQueuedByTheDispatcherIsWrittenNextQuietPass) {
    Rig rig;
    const Bytes answer = {0x11, 0x12, 0x02, 0x11, 0x13};
    rig.journal.OnDispatch([&] { rig.port.QueueCommand(answer.data(), 5); });
    rig.memory->Feed(Packet(1, {'v'}));
    EXPECT_EQ(rig.Step(), Pass::Input);
    EXPECT_EQ(rig.Step(), Pass::Command);
    EXPECT_EQ(rig.memory->Written(), answer);
}

TEST(ReaderClosedPort, NeverReadsAndHandsTheCommandToTheFailingWriteOnce) {
    Rig rig(false);
    rig.memory->Feed(Packet(4, {6}));
    const Bytes command = {0x11, 0x12, 0x01, 0x11, 0x13};
    rig.port.QueueCommand(command.data(), 5);
    EXPECT_EQ(rig.Step(), Pass::Command);
    EXPECT_EQ(rig.Step(), Pass::Idle);
    EXPECT_EQ(rig.Step(), Pass::Idle);
    EXPECT_EQ(rig.memory->WriteAttempts(), 1);
    EXPECT_TRUE(rig.memory->Written().empty());
    EXPECT_EQ(rig.memory->ReadCalls(), 0);
    EXPECT_FALSE(rig.port.HasPendingCommand());
    EXPECT_TRUE(rig.journal.Entries().empty());
}

TEST(ReaderLoop, IdleLoopSleepsBetweenPasses) {
    Rig rig(false);
    CBoardReader::Counters counters;
    std::atomic<bool> stop{false};
    std::thread t([&] {
        BoardReaderThread(rig.port, rig.framer, rig.journal, &rig.journal, stop, &counters);
    });
    std::this_thread::sleep_for(100ms);
    stop = true;
    t.join();
    // 5 ms a pass allows about 20; a busy loop would make thousands.
    EXPECT_GE(counters.passes.load(), 1u);
    EXPECT_LE(counters.passes.load(), 25u);
    EXPECT_EQ(counters.idlePasses.load(), counters.passes.load());
}

TEST(ReaderLoop, StopEndsTheLoopAfterTheCurrentReadWhileBytesKeepArriving) {
    Rig rig;
    std::atomic<bool> stop{false};
    const Bytes three = Concat({Packet(4, {1}), Packet(4, {2}), Packet(4, {3})});
    rig.journal.OnDispatch([&] {
        stop = true;
        rig.memory->Feed(three);  // the board keeps streaming
    });
    rig.memory->Feed(three);
    std::thread t(
        [&] { BoardReaderThread(rig.port, rig.framer, rig.journal, &rig.journal, stop); });
    t.join();
    EXPECT_EQ(rig.journal.Packets().size(), 3u);
    EXPECT_EQ(rig.memory->Pending(), 3 * three.size());
}

// Waits until the reader has taken all input and every command and then
// found nothing to do twice.
bool Settle(const CBoardReader& reader, const CMemoryPort& memory, CBoardPort& port) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (memory.Pending() == 0 && !port.HasPendingCommand()) {
            const uint64_t idle = reader.IdlePasses();
            while (reader.IdlePasses() < idle + 2 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(1ms);
            if (memory.Pending() == 0 && !port.HasPendingCommand()) return true;
        }
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

TEST(BoardReaderThreaded, QueuedCommandIsWrittenExactlyOnce) {
    Rig rig;
    CBoardReader reader(rig.port, rig.framer, rig.journal, &rig.journal);
    ASSERT_EQ(reader.Start(), 0);
    EXPECT_EQ(reader.Start(), -1);
    ASSERT_TRUE(Settle(reader, *rig.memory, rig.port));
    const Bytes command = {0x11, 0x12, 0x04, 0x0B, 0x11, 0x13};
    rig.port.QueueCommand(command.data(), 6);
    ASSERT_TRUE(Settle(reader, *rig.memory, rig.port));
    EXPECT_EQ(rig.memory->Writes(), std::vector<Bytes>{command});
    reader.Stop();
    EXPECT_FALSE(reader.IsRunning());
}

TEST(BoardReaderThreaded, HandshakeWithAnAnsweringBoard) {
    // The board answers each command with a packet; the sink answers type 1
    // with command 2, as the dispatcher does.
    Rig rig;
    rig.memory->SetWriteCallback([&](const uint8_t* bytes, int length) {
        if (length >= 3 && bytes[2] == 1) rig.memory->Feed(Packet(1, {'2', '.', '0', 0}));
        if (length >= 3 && bytes[2] == 2) rig.memory->Feed(Packet(2, {'S', 'N', 0}));
    });
    rig.journal.OnDispatch([&] {
        const uint8_t command2[] = {0x11, 0x12, 0x02, 0x11, 0x13};
        if (rig.journal.Packets().size() == 1) rig.port.QueueCommand(command2, 5);
    });
    CBoardReader reader(rig.port, rig.framer, rig.journal, &rig.journal);
    ASSERT_EQ(reader.Start(), 0);
    const uint8_t command1[] = {0x11, 0x12, 0x01, 0x11, 0x13};
    rig.port.QueueCommand(command1, 5);
    ASSERT_TRUE(Settle(reader, *rig.memory, rig.port));
    reader.Stop();
    EXPECT_EQ(rig.journal.Entries(),
              (std::vector<std::string>{"sound PING", "packet 1 5", "packet 2 4"}));
    EXPECT_EQ(rig.memory->Writes().size(), 2u);
    EXPECT_EQ(reader.PacketsDispatched(), 2u);
}

}  // namespace
