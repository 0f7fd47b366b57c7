// The forwarding link against a real TCP peer on loopback: what goes out, the
// one-message rule, the boxes an absent peer raises, a peer that goes away
// and comes back, and the link racing the reader thread that builds records.

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "data/SurveyData.h"
#include "outputs/IrLink.h"
#include "platform/LinkSocket.h"
#include "tests/support/PacketBuilders.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// Waits up to `limit` for `done`.
template <class F>
bool WaitUntil(F done, std::chrono::milliseconds limit = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// The receiving side: accepts on 127.0.0.1 and collects whole messages
// (type, 16-bit length, body) in a thread of its own.
class TestPeer {
public:
    explicit TestPeer(int port = 0) {
        std::string error;
        EXPECT_EQ(m_listener.Listen("127.0.0.1", port, error), 0) << error;
        m_thread = std::thread([this] { Serve(); });
    }
    ~TestPeer() { Stop(); }

    // Closes the listener and every connection, as a peer that is switched off.
    void Stop() {
        m_bStop.store(true);
        if (m_thread.joinable()) m_thread.join();
        m_listener.Close();
    }
    int Port() const { return m_listener.Port(); }
    std::vector<Bytes> Messages() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }
    size_t Count() const { return Messages().size(); }
    int Connections() const { return m_nConnections.load(); }

private:
    void Serve() {
        std::map<int, Bytes> peers;
        while (!m_bStop.load()) {
            std::vector<pollfd> fds{{m_listener.Fd(), POLLIN, 0}};
            for (const auto& [fd, buffer] : peers) fds.push_back({fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 10) <= 0) continue;
            if (fds[0].revents & POLLIN) {
                std::string name;
                const int fd = m_listener.Accept(name);
                if (fd >= 0) {
                    peers[fd];
                    ++m_nConnections;
                }
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents == 0) continue;
                uint8_t chunk[4096];
                const ssize_t n = ::recv(fds[i].fd, chunk, sizeof(chunk), 0);
                if (n <= 0) {
                    if (n < 0 && errno == EAGAIN) continue;
                    ::close(fds[i].fd);
                    peers.erase(fds[i].fd);
                    continue;
                }
                Bytes& buffer = peers[fds[i].fd];
                buffer.insert(buffer.end(), chunk, chunk + n);
                while (buffer.size() >= 3) {
                    const size_t whole = 3u + (buffer[1] | (buffer[2] << 8));
                    if (buffer.size() < whole) break;
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_messages.emplace_back(buffer.begin(), buffer.begin() + whole);
                    buffer.erase(buffer.begin(), buffer.begin() + whole);
                }
            }
        }
        for (const auto& [fd, buffer] : peers) ::close(fd);
    }

    CLinkListener m_listener;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nConnections{0};
    mutable std::mutex m_mutex;
    std::vector<Bytes> m_messages;
    std::thread m_thread;
};

// A port on loopback where nobody listens.
int ClosedPort() {
    CLinkListener probe;
    std::string error;
    EXPECT_EQ(probe.Listen("127.0.0.1", 0, error), 0);
    return probe.Port();
}

// A message of `length` bytes in the record's shape.
Bytes Message(int length, uint8_t fill) {
    Bytes m(static_cast<size_t>(length), fill);
    m[0] = 7;
    if (length >= 3) {
        m[1] = static_cast<uint8_t>((length - 3) & 0xFF);
        m[2] = static_cast<uint8_t>((length - 3) >> 8);
    }
    return m;
}

class IrLinkTest : public ::testing::Test {
protected:
    // A link with quick timings; its boxes are recorded and dismissed at once
    // unless m_bHoldBoxes.
    std::unique_ptr<CIrLink> MakeLink(std::vector<LinkPeer> peers) {
        CIrLink::Setup setup;
        setup.peers = std::move(peers);
        setup.isEnabled = [this] { return m_bEnabled.load(); };
        setup.showMessage = [this](const std::string& caption, const std::string& text,
                                   std::function<void()> done) {
            {
                std::lock_guard<std::mutex> lock(m_boxMutex);
                m_boxes.push_back(caption + " | " + text);
            }
            if (!m_bHoldBoxes.load()) done();
        };
        setup.nPauseMs = 10;
        setup.nFindIntervalMs = 10;
        setup.nDataWaitMs = 10;
        setup.nConnectTimeoutMs = 300;
        return std::make_unique<CIrLink>(std::move(setup));
    }
    std::vector<std::string> Boxes() {
        std::lock_guard<std::mutex> lock(m_boxMutex);
        return m_boxes;
    }
    static LinkPeer Local(int port) { return LinkPeer{"127.0.0.1", port}; }

    std::atomic<bool> m_bEnabled{true};
    std::atomic<bool> m_bHoldBoxes{false};
    std::mutex m_boxMutex;
    std::vector<std::string> m_boxes;
};

TEST_F(IrLinkTest, ExampleRecordFromTheStoreGoesOutAsBuilt) {
    TestPeer peer;
    auto link = MakeLink({Local(peer.Port())});
    CSurveyData store;
    store.m_bHeronEnabled = 1;
    const Bytes payload = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Bytes expected;
    {
        const auto lock = store.Lock();
        ASSERT_EQ(store.BuildHeronRecord(7, payload.data(), 10), 40);
        expected.assign(store.m_abHeronRecord.begin(), store.m_abHeronRecord.begin() + 40);
        EXPECT_EQ(link->Queue(store.m_abHeronRecord.data(), store.m_nHeronRecordLength), 1);
    }
    ASSERT_TRUE(WaitUntil([&] { return peer.Count() == 1; }));
    EXPECT_EQ(peer.Messages()[0], expected);
    const std::string text(expected.begin() + 13, expected.end());
    EXPECT_EQ(text, "X,XXXXXX,-120,            ,");
    EXPECT_EQ(link->GetStats().nSent, 1u);
}

TEST_F(IrLinkTest, NewerMessageIsDroppedWhileOneWaits) {
    // The peer is not there yet: the first message waits for it.
    const int port = ClosedPort();
    auto link = MakeLink({Local(port)});
    const Bytes first = Message(40, 0xA1);
    const Bytes second = Message(40, 0xB2);
    EXPECT_EQ(link->Queue(first.data(), 40), 1);
    EXPECT_EQ(link->Queue(second.data(), 40), 0);
    EXPECT_TRUE(link->IsDataReady());
    TestPeer peer(port);
    ASSERT_TRUE(WaitUntil([&] { return peer.Count() == 1; }));
    EXPECT_EQ(peer.Messages()[0], first);
    // Once it is out the next one is taken.
    ASSERT_TRUE(WaitUntil([&] { return !link->IsDataReady(); }));
    EXPECT_EQ(link->Queue(second.data(), 40), 1);
    ASSERT_TRUE(WaitUntil([&] { return peer.Count() == 2; }));
    EXPECT_EQ(peer.Messages()[1], second);
    const CIrLink::Stats stats = link->GetStats();
    EXPECT_EQ(stats.nQueued, 2u);
    EXPECT_EQ(stats.nDroppedWaiting, 1u);
    EXPECT_EQ(stats.nSent, 2u);
}

TEST_F(IrLinkTest, MessagesOfEveryLengthGoOutWholeAndBadLengthsAreRefused) {
    TestPeer peer;
    auto link = MakeLink({Local(peer.Port())});
    const int lengths[] = {3, 511, 512, 513, 4000, CIrLink::kMaxMessage};
    size_t sent = 0;
    for (int length : lengths) {
        SCOPED_TRACE(length);
        const Bytes m = Message(length, static_cast<uint8_t>(length));
        ASSERT_TRUE(WaitUntil([&] { return !link->IsDataReady(); }));
        ASSERT_EQ(link->Queue(m.data(), length), 1);
        ASSERT_TRUE(WaitUntil([&] { return peer.Count() == sent + 1; }));
        EXPECT_EQ(peer.Messages()[sent], m);
        ++sent;
    }
    const Bytes big(CIrLink::kMaxMessage + 1, 0);
    EXPECT_EQ(link->Queue(big.data(), CIrLink::kMaxMessage + 1), -1);
    EXPECT_EQ(link->Queue(big.data(), 0), -1);
    EXPECT_EQ(link->Queue(nullptr, 5), -1);
    EXPECT_EQ(peer.Connections(), 1);
}

TEST_F(IrLinkTest, AbsentPeerIsToldOncePerSwitchOn) {
    for (bool named : {true, false}) {
        SCOPED_TRACE(named ? "peer named but silent" : "no peer named");
        m_boxes.clear();
        m_bEnabled = true;
        auto link =
            MakeLink(named ? std::vector<LinkPeer>{Local(ClosedPort())} : std::vector<LinkPeer>{});
        ASSERT_TRUE(WaitUntil([&] { return Boxes().size() == 1; }));
        EXPECT_EQ(Boxes()[0], "Orvalis | Device Not Found.");
        // Many more rounds of six tries go by without another box.
        std::this_thread::sleep_for(400ms);
        EXPECT_EQ(Boxes().size(), 1u);
        m_bEnabled = false;
        std::this_thread::sleep_for(50ms);
        m_bEnabled = true;
        ASSERT_TRUE(WaitUntil([&] { return Boxes().size() == 2; }));
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(Boxes().size(), 2u);
    }
}

TEST_F(IrLinkTest, SwitchedOffLinkSendsNothingAndDropsWhatWaits) {
    m_bEnabled = false;
    TestPeer peer;
    auto link = MakeLink({Local(peer.Port())});
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(peer.Connections(), 0);
    m_bEnabled = true;
    ASSERT_TRUE(WaitUntil([&] { return link->IsConnected(); }));
    // Switched off while connected: the stream closes and a message queued
    // just before is not sent later.
    m_bEnabled = false;
    ASSERT_TRUE(WaitUntil([&] { return !link->IsConnected(); }));
    const Bytes m = Message(40, 1);
    EXPECT_EQ(link->Queue(m.data(), 40), 1);
    ASSERT_TRUE(WaitUntil([&] { return !link->IsDataReady(); }));
    EXPECT_EQ(link->GetStats().nDroppedUnsent, 1u);
    m_bEnabled = true;
    ASSERT_TRUE(WaitUntil([&] { return peer.Connections() == 2; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(peer.Count(), 0u);
}

TEST_F(IrLinkTest, PeerThatGoesAwayIsFoundAgainAndWhatCameMeanwhileIsDropped) {
    auto peer = std::make_unique<TestPeer>();
    const int port = peer->Port();
    auto link = MakeLink({Local(port)});
    const Bytes before = Message(40, 1);
    ASSERT_EQ(link->Queue(before.data(), 40), 1);
    ASSERT_TRUE(WaitUntil([&] { return peer->Count() == 1; }));

    peer->Stop();
    ASSERT_TRUE(WaitUntil([&] { return !link->IsConnected(); }));
    // While the peer is away one message waits and the newer ones are dropped.
    const Bytes held = Message(40, 2);
    const Bytes later = Message(40, 3);
    EXPECT_EQ(link->Queue(held.data(), 40), 1);
    EXPECT_EQ(link->Queue(later.data(), 40), 0);
    EXPECT_EQ(link->Queue(later.data(), 40), 0);

    peer = std::make_unique<TestPeer>(port);
    ASSERT_TRUE(WaitUntil([&] { return peer->Count() == 1; }));
    EXPECT_EQ(peer->Messages()[0], held);
    const CIrLink::Stats stats = link->GetStats();
    EXPECT_EQ(stats.nConnections, 2u);
    EXPECT_EQ(stats.nDroppedWaiting, 2u);
    EXPECT_EQ(stats.nSent, 2u);
}

TEST_F(IrLinkTest, EndsPromptlyEvenWithABoxNobodyDismisses) {
    m_bHoldBoxes = true;
    auto link = MakeLink({});
    ASSERT_TRUE(WaitUntil([&] { return Boxes().size() == 1; }));
    const auto start = std::chrono::steady_clock::now();
    link.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

// The reader thread builds records in the store while the GUI side queues
// them under the store lock and the worker sends them: every message that
// arrives is one whole record, never parts of two.
TEST_F(IrLinkTest, ReaderBuildsWhileTheLinkSendsStress) {
    TestPeer peer;
    auto link = MakeLink({Local(peer.Port())});
    CSurveyData store;
    store.m_bHeronEnabled = 1;

    // Stands in for the main frame: UM_IR_SEND queues the store's record.
    struct Poster : IMessagePoster {
        std::mutex mutex;
        std::condition_variable cv;
        int pending = 0;
        void PostMessage(unsigned message) override {
            if (message != UM_IR_SEND) return;
            std::lock_guard<std::mutex> lock(mutex);
            ++pending;
            cv.notify_all();
        }
    } poster;
    store.m_hNotifyWnd = &poster;

    // Each packet carries its number in its first four bytes and again in
    // its last six (header and tag, which the decoder does not read).
    std::atomic<bool> done{false};
    std::thread reader([&] {
        Bytes gps = testpkt::GpsData();
        const auto end = std::chrono::steady_clock::now() + 400ms;
        for (uint32_t n = 0; std::chrono::steady_clock::now() < end; ++n) {
            for (int i = 0; i < 4; ++i) {
                gps[i] = static_cast<uint8_t>(n >> (8 * i));
                gps[145 + i] = gps[i];
            }
            testpkt::Dispatch(store, 7, gps);
        }
        done = true;
        std::lock_guard<std::mutex> lock(poster.mutex);
        poster.cv.notify_all();
    });
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(poster.mutex);
            poster.cv.wait_for(lock, 10ms, [&] { return poster.pending > 0 || done.load(); });
            if (poster.pending == 0 && done.load()) break;
            poster.pending = 0;
        }
        const auto lock = store.Lock();
        link->Queue(store.m_abHeronRecord.data(), store.m_nHeronRecordLength);
    }
    reader.join();
    ASSERT_TRUE(WaitUntil([&] { return !link->IsDataReady(); }));
    const CIrLink::Stats stats = link->GetStats();
    ASSERT_TRUE(WaitUntil([&] { return peer.Count() == stats.nSent; }));
    EXPECT_GT(stats.nSent, 1u);
    EXPECT_EQ(stats.nQueued, stats.nSent + stats.nDroppedUnsent);
    for (const Bytes& m : peer.Messages()) {
        ASSERT_GE(m.size(), 3u + 153u);
        EXPECT_EQ(m.size(), 3u + (m[1] | (m[2] << 8)));
        EXPECT_TRUE(std::equal(m.begin() + 3, m.begin() + 7, m.begin() + 3 + 145));
    }
}

}  // namespace
