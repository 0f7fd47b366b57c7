#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "board/Wire.h"
#include "gps/GpsStatus.h"
#include "gpsd/GpsdFeed.h"
#include "gpsd/GpsdSource.h"
#include "tests/support/GpsdFake.h"
#include "tests/support/TempFolder.h"

namespace {

using namespace std::chrono_literals;

TEST(GpsSourceOption, ParsesHostAndPort) {
    struct Case {
        const char* text;
        int result;
        const char* host;
        const char* port;
    };
    const Case cases[] = {
        {"gpsd", 0, "localhost", "2947"},
        {"gpsd:", 0, "localhost", "2947"},
        {"gpsd:gps.lan", 0, "gps.lan", "2947"},
        {"gpsd:127.0.0.1:3000", 0, "127.0.0.1", "3000"},
        {"gpsd::3000", 0, "localhost", "3000"},
        {"gpsd:[::1]:3000", 0, "::1", "3000"},
        {"gpsd:[::1]", 0, "::1", "2947"},
        {"gpsd:host:0", -1, "", ""},
        {"gpsd:host:65536", -1, "", ""},
        {"gpsd:host:12x", -1, "", ""},
        {"gpsd:::1:3000", -1, "", ""},
        {"gpsd:[::1", -1, "", ""},
        {"gpsdx", -1, "", ""},
        {"serial:/dev/ttyUSB0", -1, "", ""},
        {"", -1, "", ""},
    };
    for (const Case& c : cases) {
        GpsdAddress address;
        std::string why;
        ASSERT_EQ(ParseGpsSource(c.text, address, why), c.result) << c.text;
        if (c.result < 0) {
            EXPECT_FALSE(why.empty()) << c.text;
            continue;
        }
        EXPECT_EQ(address.host, c.host) << c.text;
        EXPECT_EQ(address.port, c.port) << c.text;
    }
    GpsdAddress v6;
    std::string why;
    ASSERT_EQ(ParseGpsSource("gpsd:[::1]:3000", v6, why), 0);
    EXPECT_EQ(v6.Text(), "[::1]:3000");
}

GpsdReport Report(int mode) {
    GpsdReport r;
    r.mode = mode;
    r.time = 1772971207.25;  // 2026-03-08 12:00:07.25 UTC
    r.latitude = -34.6037;
    r.longitude = -58.3816;
    r.altitudeMsl = 25.0;
    r.altitudeHae = 41.5;
    r.speed = 1.286;
    r.climb = 0.0;
    r.track = 45.0;
    r.hdop = 1.2;
    r.visible = 8;
    r.used = 7;
    return r;
}

CGpsStatus Decoded(const GpsdReport& report) {
    CGpsStatus gps;
    const GpsMessage m = EncodeGpsMessage(FixFromReport(report));
    EXPECT_EQ(gps.Decode(m.data(), kGpsMessageSize), 0);
    return gps;
}

TEST(GpsdReport, FixModeGivesReceiverStatus) {
    struct Case {
        int mode;
        const char* status;
        const char* latitude;
        bool altitude;
    };
    const Case cases[] = {
        {3, "3D Fix", "34.6037 S", true},
        {2, "2D Fix", "34.6037 S", true},
        {1, "Acquiring Satellites", "0.0000 S", false},
        {0, "Acquiring Satellites", "0.0000 S", false},
    };
    for (const Case& c : cases) {
        const CGpsStatus gps = Decoded(Report(c.mode));
        EXPECT_STREQ(gps.FormatFixStatus(), c.status) << c.mode;
        EXPECT_EQ(gps.FormatLatitude(), c.latitude) << c.mode;
        EXPECT_EQ(gps.m_dHeight1, c.altitude ? 2500.0 : 0.0) << c.mode;
        EXPECT_EQ(gps.FormatDate(), "03/08/2026");
        EXPECT_EQ(gps.FormatTime(), "12:00:07");
        EXPECT_EQ(gps.m_nVisibleSats, 8);
        EXPECT_EQ(gps.m_nTrackedSats, 7);
    }
    const CGpsStatus fix3d = Decoded(Report(3));
    EXPECT_EQ(fix3d.FormatLongitude(), "58.3816 W");
    EXPECT_EQ(fix3d.m_dHeight2, 4150.0);
    EXPECT_EQ(fix3d.FormatVelocity(), "2 MPH    NE");
}

TEST(GpsdReport, MotionFieldsAreNormalisedAndUnknownsLeftOut) {
    const double nan = GpsdReport::kUnknown;
    struct Case {
        double speed, climb, track;
        uint16_t speed2D, speed3D, heading;
    };
    const Case cases[] = {
        {1.286, 0.0, 45.0, 129, 129, 450},
        {3.0, 4.0, 359.96, 300, 500, 0},  // climbing; a track that rounds to 360.0
        {2.0, nan, -90.0, 200, 200, 2700},
        {nan, nan, nan, 0, 0, 0},
        {-1.0, 0.0, 720.5, 0, 0, 5},
    };
    for (const Case& c : cases) {
        GpsdReport r = Report(3);
        r.speed = c.speed;
        r.climb = c.climb;
        r.track = c.track;
        const CGpsStatus gps = Decoded(r);
        EXPECT_EQ(gps.m_nSpeed2D, c.speed2D) << c.speed << " " << c.track;
        EXPECT_EQ(gps.m_nSpeed3D, c.speed3D) << c.speed << " " << c.track;
        EXPECT_EQ(gps.m_nHeading, c.heading) << c.track;
    }

    GpsdReport noTime = Report(3);
    noTime.time = nan;
    const CGpsStatus gps = Decoded(noTime);
    EXPECT_EQ(gps.FormatDate(), "00/00/0000");
}

// A report that claims a fix without a usable position is no fix: it would
// put the track at 0, 0.
TEST(GpsdReport, FixWithoutPositionIsNoFix) {
    const double nan = GpsdReport::kUnknown;
    struct Case {
        double latitude, longitude;
    };
    const Case cases[] = {{nan, -58.3816}, {-34.6037, nan}, {91.0, 0.0}, {0.0, -180.5}};
    for (const Case& c : cases) {
        GpsdReport r = Report(3);
        r.latitude = c.latitude;
        r.longitude = c.longitude;
        EXPECT_FALSE(HasPosition(r));
        const CGpsStatus gps = Decoded(r);
        EXPECT_STREQ(gps.FormatFixStatus(), "Acquiring Satellites") << c.latitude;
        EXPECT_EQ(gps.m_dLatitude2, 0.0);
        EXPECT_EQ(gps.m_dLongitude2, 0.0);
    }
    EXPECT_TRUE(HasPosition(Report(2)));
}

// Records what reaches the store, from whichever thread.
class StoreStub : public IPacketSink {
public:
    void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) override {
        const std::lock_guard<std::mutex> lock(m_mutex);
        uint8_t check = type;
        for (uint32_t i = 0; i < length; ++i) check ^= payload[i];
        std::string tag;
        if (type == PacketType::kGps && length > kGpsMessageSize)
            tag.assign(payload + 145, payload + 151);
        m_packets.push_back({type, check == 0, tag});
    }
    struct Packet {
        uint8_t type;
        bool good;
        std::string tag;
    };
    std::vector<Packet> Packets() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_packets;
    }
    size_t Count(const std::string& tag) const {
        size_t n = 0;
        for (const Packet& p : Packets()) n += p.tag == tag ? 1 : 0;
        return n;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Packet> m_packets;
};

std::vector<uint8_t> BoardGpsPayload(bool goodCheck) {
    GpsFix fix;
    fix.idTag = {'B', 'O', 'A', 'R', 'D', ' '};
    const auto payload = GpsPacketPayload(EncodeGpsMessage(fix));
    std::vector<uint8_t> bytes(payload.begin(), payload.end());
    if (!goodCheck) bytes.back() ^= 1;
    return bytes;
}

TEST(GpsdFeed, OnlyGoodBoardGpsMessagesSilenceGpsd) {
    struct Case {
        uint8_t type;
        bool good;
        bool boardReports;
    };
    const Case cases[] = {
        {PacketType::kGps, true, true},
        {PacketType::kGps, false, false},
        {PacketType::kChannelReport, true, false},
    };
    for (const Case& c : cases) {
        StoreStub store;
        CGpsdFeed feed(store, CGpsdSource::Setup{});
        std::vector<uint8_t> payload = BoardGpsPayload(c.good);
        feed.DispatchPacket(c.type, payload.data(), static_cast<uint32_t>(payload.size()));
        EXPECT_EQ(feed.BoardReports(), c.boardReports) << int(c.type) << " " << c.good;
        // Every packet reaches the store unchanged, whatever it is.
        ASSERT_EQ(store.Packets().size(), 1u);
        EXPECT_EQ(store.Packets()[0].type, c.type);
    }
}

struct Notices {
    std::mutex mutex;
    std::vector<std::string> lines;
    void Add(const std::string& line) {
        const std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    }
    size_t Containing(const std::string& part) {
        const std::lock_guard<std::mutex> lock(mutex);
        size_t n = 0;
        for (const auto& l : lines) n += l.find(part) != std::string::npos ? 1 : 0;
        return n;
    }
};

TEST(GpsdSource, AbsentGpsdIsToldOnceAndRetriedWithBackOff) {
    Notices notices;
    CGpsdSource::Setup setup;
    setup.address.host = "127.0.0.1";
    setup.address.port = std::to_string(CGpsdFake::FreePort());
    setup.notice = [&](const std::string& line) { notices.Add(line); };
    setup.firstRetry = 50ms;
    setup.maxRetry = 200ms;
    CGpsdSource source(setup);
    ASSERT_EQ(source.Start(), 0);
    EXPECT_EQ(source.Start(), -1);
    std::this_thread::sleep_for(1500ms);
    const auto before = std::chrono::steady_clock::now();
    source.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    // 50 + 100 + 200 + 200 ... ms: about eight tries, not thousands.
    EXPECT_GE(source.ConnectAttempts(), 4u);
    EXPECT_LE(source.ConnectAttempts(), 12u);
    EXPECT_EQ(notices.Containing("is not answering"), 1u);
    EXPECT_EQ(notices.lines.size(), 1u);
    EXPECT_EQ(source.Delivered(), 0u);
}

// Something that takes the connection and never speaks (a black hole, a
// different service) is no gpsd: told once, tried again, never "reading".
TEST(GpsdSource, SilentPeerCountsAsNotAnswering) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listener, 16), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length), 0);

    Notices notices;
    CGpsdSource::Setup setup;
    setup.address.host = "127.0.0.1";
    setup.address.port = std::to_string(ntohs(addr.sin_port));
    setup.notice = [&](const std::string& line) { notices.Add(line); };
    setup.firstRetry = 50ms;
    setup.answerTime = 300ms;
    CGpsdSource source(setup);
    ASSERT_EQ(source.Start(), 0);
    std::this_thread::sleep_for(1200ms);
    source.Stop();
    close(listener);
    EXPECT_GE(source.ConnectAttempts(), 2u);
    EXPECT_EQ(source.Connections(), 0u);
    ASSERT_EQ(notices.lines.size(), 1u);
    EXPECT_NE(notices.lines[0].find("is not answering (no reply)"), std::string::npos)
        << notices.lines[0];
}

// With a real gpsd: its fixes reach the store as good type-7 packets until
// the board's own receiver reports, stay away while it does, and come back
// once it has been silent a while.
TEST(GpsdFeed, BoardReceiverWinsOverGpsd) {
    if (const std::string why = CGpsdFake::Unavailable(); !why.empty())
        GTEST_SKIP() << "gpsd cannot run here: " << why;
    CTempFolder folder;
    CGpsdFake gpsd(folder.Root());
    const int port = CGpsdFake::FreePort();
    const std::string walk =
        CGpsdFake::Walk({120000, 48.1173, 11.5167, 545.4, true, 2.5, 0.0}, 1e-4, "080326");
    ASSERT_EQ(gpsd.Start(port, walk), 0) << gpsd.Output();

    StoreStub store;
    Notices notices;
    CGpsdSource::Setup setup;
    setup.address.host = "127.0.0.1";
    setup.address.port = std::to_string(port);
    setup.notice = [&](const std::string& line) { notices.Add(line); };
    CGpsdFeed feed(store, setup);
    ASSERT_EQ(feed.Start(), 0);

    const auto waitFor = [](auto done, std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(20ms);
        return done();
    };
    const std::string gpsdTag = "GPSD  ";
    ASSERT_TRUE(waitFor([&] { return store.Count(gpsdTag) > 0; }, 10s)) << gpsd.Output();
    for (const auto& p : store.Packets()) EXPECT_TRUE(p.good);

    // The board reports every 200 ms for two seconds.
    const std::vector<uint8_t> board = BoardGpsPayload(true);
    feed.DispatchPacket(PacketType::kGps, board.data(), static_cast<uint32_t>(board.size()));
    const size_t gpsdBefore = store.Count(gpsdTag);
    for (int i = 0; i < 10; ++i) {
        std::this_thread::sleep_for(200ms);
        feed.DispatchPacket(PacketType::kGps, board.data(), static_cast<uint32_t>(board.size()));
    }
    // One report may have been on its way when the board spoke first.
    EXPECT_LE(store.Count(gpsdTag), gpsdBefore + 1);
    EXPECT_GT(feed.Source().HeldBack(), 0u);
    EXPECT_EQ(notices.Containing("held back"), 1u);

    EXPECT_TRUE(waitFor([&] { return store.Count(gpsdTag) > gpsdBefore + 1; }, 10s));
    EXPECT_EQ(notices.Containing("come from gpsd again"), 1u);
    feed.Stop();
    gpsd.Stop();
}

}  // namespace
