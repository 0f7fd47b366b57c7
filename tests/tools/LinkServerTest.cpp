// The link server: taking messages apart, the lines and JSON it writes, and
// the tool's options and exit codes.

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "data/SurveyData.h"
#include "platform/LinkSocket.h"
#include "tests/support/FileText.h"
#include "tests/support/PacketBuilders.h"
#include "tools/LinkServer.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The store's record for a type-7 packet with this payload.
Bytes Record(CSurveyData& store, const Bytes& payload) {
    const auto lock = store.Lock();
    const int n = store.BuildHeronRecord(7, payload.data(), static_cast<uint32_t>(payload.size()));
    return Bytes(store.m_abHeronRecord.begin(), store.m_abHeronRecord.begin() + n);
}

LinkRecord Split(const Bytes& message) {
    LinkRecord r;
    SplitLinkMessage(message[0], message.data() + 3, static_cast<uint16_t>(message.size() - 3), r);
    return r;
}

TEST(LinkMessageTest, ExampleRecordWithoutStationsOrGps) {
    CSurveyData store;
    const Bytes message = Record(store, Bytes(10, 0x42));
    ASSERT_EQ(message.size(), 40u);
    const LinkRecord r = Split(message);
    EXPECT_TRUE(r.bHasText);
    EXPECT_EQ(r.nLength, 37);
    EXPECT_EQ(r.payload, Bytes(10, 0x42));
    EXPECT_EQ(r.strTag, "X");
    EXPECT_EQ(r.strSerial, "XXXXXX");
    EXPECT_EQ(r.nRssi, -120);
    EXPECT_EQ(r.strMac, "");
    EXPECT_EQ(r.strSsid, "");
    EXPECT_FALSE(r.bHasFix);
    EXPECT_EQ(FormatLinkRecord("p:1", r),
              "p:1 type=7 length=37 tag=X serial=\"XXXXXX\" rssi=-120 mac=\"\" ssid=\"\" fix=none");
}

TEST(LinkMessageTest, GpsPacketWithStationGivesFieldsAndFix) {
    CSurveyData store;
    {
        const auto lock = store.Lock();
        std::snprintf(store.m_szSerialNumber, sizeof(store.m_szSerialNumber), "ORV-7");
    }
    // A payload that itself holds "X," before the text, and an SSID with
    // commas and a quote.
    Bytes gps = testpkt::WithCheck(7, testpkt::GpsData());
    gps[60] = 'X';
    gps[61] = ',';
    {
        const auto lock = store.Lock();
        std::snprintf(store.m_szBestMac, sizeof(store.m_szBestMac), "00-0C-41-7E-02-9A");
        std::snprintf(store.m_szBestSsid, sizeof(store.m_szBestSsid), "a,b \"c\"");
    }
    Bytes message = Record(store, gps);
    LinkRecord r = Split(message);
    ASSERT_TRUE(r.bHasText);
    EXPECT_EQ(r.payload.size(), 153u);
    EXPECT_EQ(r.strSerial, "ORV-7");
    EXPECT_EQ(r.strMac, "00-0C-41-7E-02-9A");
    EXPECT_EQ(r.strSsid, "a,b \"c\"");
    ASSERT_TRUE(r.bHasFix);
    CGpsStatus expected;
    expected.Decode(gps.data(), static_cast<uint32_t>(gps.size()));
    const std::string line = FormatLinkRecord("p:1", r);
    EXPECT_NE(line.find("ssid=\"a,b \\\"c\\\"\""), std::string::npos) << line;
    EXPECT_NE(line.find(std::string("fix=\"") + expected.FormatFixStatus() + "\""),
              std::string::npos)
        << line;
    EXPECT_NE(line.find("date=" + expected.FormatDate()), std::string::npos) << line;
    const nlohmann::json j = LinkRecordJson("p:1", r);
    EXPECT_EQ(j["serial"], "ORV-7");
    EXPECT_EQ(j["gps"]["time"], expected.FormatTime());
    EXPECT_DOUBLE_EQ(j["gps"]["latitude"].get<double>(), expected.m_dLatitude2);

    // A message that holds no text record is shown whole as payload.
    message.resize(3 + 20);
    message[1] = 20;
    message[2] = 0;
    r = Split(message);
    EXPECT_FALSE(r.bHasText);
    EXPECT_EQ(r.payload.size(), 20u);
    EXPECT_NE(FormatLinkRecord("p:1", r).find("text=none fix=none"), std::string::npos);
}

class LinkServerToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir =
            std::filesystem::temp_directory_path() / ("orvalis-lsrv-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    int Run(std::vector<std::string> args, const std::atomic<bool>* stop = nullptr) {
        args.insert(args.begin(), "orvalis-link-server");
        std::vector<const char*> argv;
        for (const auto& a : args) argv.push_back(a.c_str());
        std::FILE* out = std::fopen((m_dir / "out").c_str(), "w+");
        std::FILE* err = std::fopen((m_dir / "err").c_str(), "w+");
        const int rc = RunLinkServer(static_cast<int>(argv.size()), argv.data(), out, err, stop);
        std::fclose(out);
        std::fclose(err);
        return rc;
    }
    std::string File(const std::string& name) { return ReadFileText(m_dir / name); }

    std::filesystem::path m_dir;
};

TEST_F(LinkServerToolTest, UsageAndErrorsHaveTheirExitCodes) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(File("out").find("usage: orvalis-link-server"), std::string::npos);
    const std::vector<std::vector<std::string>> bad = {
        {"--port", "70000"}, {"--port"}, {"--count", "0"}, {"--bogus"}, {"--json="}};
    for (const auto& args : bad) {
        SCOPED_TRACE(args[0]);
        EXPECT_EQ(Run(args), 2);
        EXPECT_EQ(File("err").rfind("orvalis-link-server: ", 0), 0u) << File("err");
    }
    CLinkListener busy;
    std::string error;
    ASSERT_EQ(busy.Listen("127.0.0.1", 0, error), 0);
    EXPECT_EQ(Run({"--bind", "127.0.0.1", "--port", std::to_string(busy.Port())}), 1);
    EXPECT_NE(File("err").find("cannot listen"), std::string::npos);
    EXPECT_EQ(Run({"--json", (m_dir / "no" / "such" / "file").string()}), 1);
}

TEST_F(LinkServerToolTest, ReceivesMessagesAsLinesOrJson) {
    int port = 0;
    {
        CLinkListener probe;
        std::string error;
        ASSERT_EQ(probe.Listen("127.0.0.1", 0, error), 0);
        port = probe.Port();
    }
    CSurveyData store;
    const Bytes message = Record(store, Bytes(10, 1));
    for (bool json : {false, true}) {
        SCOPED_TRACE(json ? "json" : "lines");
        std::vector<std::string> args = {"--bind",  "127.0.0.1", "--port", std::to_string(port),
                                         "--count", "2"};
        if (json) {
            args.push_back("--json");
            args.push_back((m_dir / "records.json").string());
        }
        int rc = -1;
        std::thread server([&] { rc = Run(args); });
        CLinkSocket socket;
        for (int i = 0; i < 400 && !socket.IsOpen(); ++i) {
            if (socket.Connect({"127.0.0.1", port}, 1000, nullptr) != CLinkSocket::kConnected)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(socket.IsOpen());
        // Two messages in one write, the second split across two.
        Bytes both = message;
        both.insert(both.end(), message.begin(), message.begin() + 5);
        ASSERT_EQ(socket.Send(both.data(), static_cast<int>(both.size()), 1000, nullptr), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_EQ(socket.Send(message.data() + 5, 35, 1000, nullptr), 0);
        server.join();
        EXPECT_EQ(rc, 0);
        if (json) {
            std::istringstream lines(File("records.json"));
            int n = 0;
            for (std::string line; std::getline(lines, line); ++n) {
                const auto j = nlohmann::json::parse(line);
                EXPECT_EQ(j["serial"], "XXXXXX");
                EXPECT_EQ(j["rssi"], -120);
                EXPECT_TRUE(j["gps"].is_null());
            }
            EXPECT_EQ(n, 2);
        } else {
            const std::string out = File("out");
            EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
            EXPECT_NE(out.find("tag=X serial=\"XXXXXX\" rssi=-120"), std::string::npos) << out;
            EXPECT_NE(File("err").find("listening on 127.0.0.1:" + std::to_string(port)),
                      std::string::npos);
        }
    }
}

TEST_F(LinkServerToolTest, PeerLeavingInsideAMessageIsReportedAndTheServerGoesOn) {
    int port = 0;
    {
        CLinkListener probe;
        std::string error;
        ASSERT_EQ(probe.Listen("127.0.0.1", 0, error), 0);
        port = probe.Port();
    }
    std::atomic<bool> stop{false};
    int rc = -1;
    std::thread server([&] {
        rc = Run({"--bind", "127.0.0.1", "--port", std::to_string(port)}, &stop);
    });
    {
        CLinkSocket socket;
        for (int i = 0; i < 400 && !socket.IsOpen(); ++i) {
            if (socket.Connect({"127.0.0.1", port}, 1000, nullptr) != CLinkSocket::kConnected)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(socket.IsOpen());
        const Bytes partial = {7, 200, 0, 1, 2};
        ASSERT_EQ(socket.Send(partial.data(), 5, 1000, nullptr), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop = true;
    server.join();
    EXPECT_EQ(rc, 0);
    EXPECT_NE(File("err").find("disconnected inside a message (5 bytes dropped)"),
              std::string::npos)
        << File("err");
    EXPECT_EQ(File("out"), "");
}

}  // namespace
