// A board whose line goes away and comes back, on real pseudo-terminals,
// with the reader thread running.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "board/BoardReaderThread.h"
#include "board/Framing.h"
#include "platform/TermiosPort.h"
#include "tests/support/PtyBoard.h"
#include "tests/support/TempFolder.h"

namespace {

using Bytes = std::vector<uint8_t>;
using LinkState = CBoardPort::LinkState;
using namespace std::chrono_literals;

class CPacketJournal : public IPacketSink {
public:
    void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        Bytes packet{type};
        packet.insert(packet.end(), payload, payload + length);
        m_packets.push_back(std::move(packet));
    }
    std::vector<Bytes> Packets() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_packets;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Bytes> m_packets;
};

class CLinkJournal {
public:
    void Add(LinkState state) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_states.push_back(state);
    }
    std::vector<LinkState> States() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_states;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<LinkState> m_states;
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

void BoardSends(int master, const Bytes& bytes) {
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

}  // namespace

TEST(BoardLink, LossIsToldOnceAndTheReturningBoardIsReadAfresh) {
    CTempFolder dir;
    const std::string link = dir.Path("board");
    int master = NewPtyBoard(link);
    auto termios = std::make_unique<CTermiosPort>();
    ASSERT_EQ(termios->Open(link), 0) << termios->LastError();
    CBoardPort port(std::move(termios));
    EXPECT_EQ(port.GetLinkState(), LinkState::Connected);
    CLinkJournal links;
    port.SetLinkListener([&](LinkState state) { links.Add(state); });
    CPacketFramer framer;
    CPacketJournal packets;
    CBoardReader reader(port, framer, packets, nullptr);
    ASSERT_EQ(reader.Start(), 0);

    const Bytes first = {0x20, 'a', 'b'};
    BoardSends(master, FrameBoardPacket(0x05, first.data(), first.size()));
    ASSERT_TRUE(WaitFor([&] { return packets.Packets().size() == 1; }));

    // Half a packet is on its way when the line goes.
    const Bytes cut = FrameBoardPacket(0x06, Bytes(20, 0x33).data(), 20);
    BoardSends(master, Bytes(cut.begin(), cut.begin() + 10));
    const uint64_t idle = reader.IdlePasses();
    ASSERT_TRUE(WaitFor([&] { return reader.IdlePasses() > idle + 2; }));
    close(master);
    ASSERT_TRUE(WaitFor([&] { return port.GetLinkState() == LinkState::Lost; }));
    // Several reopen intervals with nothing at the path: still one loss.
    std::remove(link.c_str());
    port.QueueCommand(cut.data(), 5);  // goes nowhere while lost
    std::this_thread::sleep_for(3 * CBoardPort::kReopenInterval);
    EXPECT_EQ(links.States(), std::vector<LinkState>{LinkState::Lost});

    master = NewPtyBoard(link);
    ASSERT_TRUE(WaitFor([&] { return port.GetLinkState() == LinkState::Connected; }));
    // The rest of the cut packet is no packet; the next whole one is.
    const Bytes second = {0x44};
    Bytes after(cut.begin() + 10, cut.end());
    const Bytes whole = FrameBoardPacket(0x07, second.data(), second.size());
    after.insert(after.end(), whole.begin(), whole.end());
    BoardSends(master, after);
    ASSERT_TRUE(WaitFor([&] { return packets.Packets().size() == 2; }));
    reader.Stop();
    EXPECT_EQ(packets.Packets()[1], (Bytes{0x07, 0x44, 0x07 ^ 0x44}));  // with its check byte
    EXPECT_EQ(links.States(), (std::vector<LinkState>{LinkState::Lost, LinkState::Connected}));
    close(master);
}

TEST(BoardLink, APortThatNeverOpenedIsNoBoardAndNeverReopened) {
    auto termios = std::make_unique<CTermiosPort>();
    ASSERT_EQ(termios->Open("/dev/orvalis-no-such-tty"), -1);
    CBoardPort port(std::move(termios));
    EXPECT_EQ(port.GetLinkState(), LinkState::NoBoard);
    int told = 0;
    port.SetLinkListener([&](LinkState) { ++told; });
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(port.UpdateLink());
    EXPECT_EQ(port.GetLinkState(), LinkState::NoBoard);
    EXPECT_EQ(told, 0);
    CBoardPort none(nullptr);
    EXPECT_EQ(none.GetLinkState(), LinkState::NoBoard);
    EXPECT_FALSE(none.UpdateLink());
}
