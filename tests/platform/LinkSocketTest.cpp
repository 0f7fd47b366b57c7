// The link's TCP stream on loopback: peer names, connecting, sending, and
// noticing a peer that has gone.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/LinkSocket.h"

namespace {

TEST(LinkPeerTest, NamesWithAndWithoutPorts) {
    struct Case {
        const char* text;
        const char* host;
        int port;
    };
    const Case good[] = {
        {"127.0.0.1", "127.0.0.1", 7207},
        {"127.0.0.1:9000", "127.0.0.1", 9000},
        {"survey-pc.local:1", "survey-pc.local", 1},
        {"[::1]", "::1", 7207},
        {"[::1]:65535", "::1", 65535},
    };
    for (const Case& c : good) {
        SCOPED_TRACE(c.text);
        LinkPeer peer;
        std::string error;
        ASSERT_EQ(ParseLinkPeer(c.text, peer, error), 0) << error;
        EXPECT_EQ(peer.strHost, c.host);
        EXPECT_EQ(peer.nPort, c.port);
    }
    for (const char* bad : {"", ":7207", "host:", "host:0", "host:65536", "host:12x", "::1", "[::1",
                            "[]:80", "[::1]x", "a b", "a/b:5"}) {
        SCOPED_TRACE(bad);
        LinkPeer peer;
        std::string error;
        EXPECT_EQ(ParseLinkPeer(bad, peer, error), -1);
        EXPECT_FALSE(error.empty());
    }
    std::vector<LinkPeer> list;
    std::string error;
    ASSERT_EQ(ParseLinkPeerList(" a:1, b ,[::1]:3 ", list, error), 0) << error;
    EXPECT_EQ(list, (std::vector<LinkPeer>{{"a", 1}, {"b", 7207}, {"::1", 3}}));
    EXPECT_EQ(ParseLinkPeerList("a:1,b:x", list, error), -1);
    EXPECT_EQ(FormatLinkPeer({"::1", 3}), "[::1]:3");
    EXPECT_EQ(FormatLinkPeer({"host", 7207}), "host:7207");
}

TEST(LinkSocketTest, ConnectsSendsAndSeesThePeerGo) {
    CLinkListener listener;
    std::string error;
    ASSERT_EQ(listener.Listen("127.0.0.1", 0, error), 0) << error;
    CLinkSocket socket;
    ASSERT_EQ(socket.Connect({"127.0.0.1", listener.Port()}, 1000, nullptr),
              CLinkSocket::kConnected);
    std::string name;
    int fd = -1;
    for (int i = 0; i < 200 && fd < 0; ++i) {
        fd = listener.Accept(name);
        if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(fd, 0);
    EXPECT_EQ(name.rfind("127.0.0.1:", 0), 0u);
    EXPECT_FALSE(socket.PeerClosed());

    // More than the system buffers at once: the send waits for the reader.
    std::vector<uint8_t> data(4 << 20);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint8_t> got;
    std::thread reader([&] {
        uint8_t chunk[65536];
        while (got.size() < data.size()) {
            const ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
            if (n > 0) {
                got.insert(got.end(), chunk, chunk + n);
            } else if (n == 0) {
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    });
    EXPECT_EQ(socket.Send(data.data(), static_cast<int>(data.size()), 10000, nullptr), 0);
    reader.join();
    EXPECT_EQ(got, data);

    ::close(fd);
    bool closed = false;
    for (int i = 0; i < 200 && !closed; ++i) {
        closed = socket.PeerClosed();
        if (!closed) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(closed);
}

TEST(LinkSocketTest, NobodyThereIsNoAnswerAndWaitsGiveWayToCancel) {
    int port = 0;
    {
        CLinkListener probe;
        std::string error;
        ASSERT_EQ(probe.Listen("127.0.0.1", 0, error), 0);
        port = probe.Port();
    }
    CLinkSocket socket;
    EXPECT_EQ(socket.Connect({"127.0.0.1", port}, 1000, nullptr), CLinkSocket::kNoAnswer);
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(socket.Connect({"no-such-host.invalid", port}, 1000, nullptr),
              CLinkSocket::kNoAnswer);

    // A peer that accepts nothing more and reads nothing: the send is bounded
    // by its timeout, and a cancel ends it sooner.
    CLinkListener listener;
    std::string error;
    ASSERT_EQ(listener.Listen("127.0.0.1", 0, error), 0);
    ASSERT_EQ(socket.Connect({"127.0.0.1", listener.Port()}, 1000, nullptr),
              CLinkSocket::kConnected);
    std::vector<uint8_t> flood(32 << 20, 0x55);
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(socket.Send(flood.data(), static_cast<int>(flood.size()), 30000, &cancel), -1);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(LinkListenerTest, PortInUseIsAClearError) {
    CLinkListener first;
    std::string error;
    ASSERT_EQ(first.Listen("127.0.0.1", 0, error), 0);
    CLinkListener second;
    EXPECT_EQ(second.Listen("127.0.0.1", first.Port(), error), -1);
    EXPECT_NE(error.find("cannot listen on 127.0.0.1:"), std::string::npos) << error;
    EXPECT_EQ(second.Listen("not an address", 0, error), -1);
}

}  // namespace
