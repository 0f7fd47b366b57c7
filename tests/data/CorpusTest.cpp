// The dispatcher fuzz target's seed corpus: one good packet of every handled
// type (and one as long as the framer takes), each file a switch byte
// (recording, infrared, security, a selected station), a chunk byte (0: the
// framer takes the line byte by byte; otherwise in chunks) and the framed
// packet. The test keeps the stored files equal to
// what the builders make; ORV_WRITE_CORPUS=1 rewrites them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "board/PacketFramer.h"
#include "data/SurveyData.h"
#include "tests/support/PacketBuilders.h"

using namespace testpkt;

namespace {

const std::filesystem::path kCorpusDir =
    std::filesystem::path(ORV_TEST_DATA_DIR) / ".." / ".." / "fuzz" / "corpus" / "dispatch";

std::vector<std::pair<std::string, Bytes>> Seeds() {
    Capture selected = Beacon({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, "seed", 1, -40);
    Capture auth = DataFrame(MacOf(3));
    auth.frameControl = kFcAuth;
    const std::vector<std::pair<std::string, std::pair<uint8_t, Bytes>>> packets = {
        {"type01_firmware", {1, Text("V 1.10")}},
        {"type02_serial", {2, Text("SN0001")}},
        {"type03_mode_ack", {3, {1}}},
        {"type04_channel", {4, {6}}},
        {"type05_narrow_sweep", {5, SweepData(130)}},
        {"type06_beacon", {6, CaptureData(selected)}},
        {"type06_auth", {6, CaptureData(auth)}},
        {"type07_gps", {7, GpsData()}},
        {"type09_beacon", {9, CaptureData(selected)}},
        {"type10_beacon", {10, CaptureData(Beacon(MacOf(2), "other", 1, -70))}},
        {"type11_channel_count", {11, {1}}},
        {"type13_battery", {13, ChannelLoadData(1, 2, 3, 4)}},
        {"type14_wide_sweep", {14, SweepData(546)}},
        {"type18_data", {18, CaptureData(DataFrame({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}))}},
        {"type19_channel_load", {19, ChannelLoadData(100, 200, 300, 400)}},
        {"type32_noise", {32, {0x9C, 0xFF, 0x05}}},
        // With its check byte the payload fills the framer's buffer.
        {"type05_longest", {5, SweepData(CPacketFramer::kBufferSize - 1)}},
    };
    std::vector<std::pair<std::string, Bytes>> seeds;
    uint8_t chunk = 0;
    for (const auto& [name, packet] : packets) {
        // Alternate byte-by-byte and chunked framing across the seeds.
        Bytes file = {0x0F, chunk};
        chunk = chunk == 0 ? 64 : 0;
        const Bytes framed = Framed(packet.first, packet.second);
        file.insert(file.end(), framed.begin(), framed.end());
        seeds.emplace_back(name, std::move(file));
    }
    return seeds;
}

TEST(CorpusTest, StoredSeedsMatchTheBuildersAndAreHandled) {
    const char* write = std::getenv("ORV_WRITE_CORPUS");
    if (write != nullptr && std::string(write) == "1") {
        std::filesystem::create_directories(kCorpusDir);
        for (const auto& [name, bytes] : Seeds()) {
            std::ofstream out(kCorpusDir / name, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
    }
    for (const auto& [name, bytes] : Seeds()) {
        std::ifstream in(kCorpusDir / name, std::ios::binary);
        ASSERT_TRUE(in) << name << " missing; run with ORV_WRITE_CORPUS=1";
        const Bytes stored{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_EQ(stored, bytes) << name;

        // Each seed is a packet the dispatcher accepts.
        CSurveyData store;
        CPacketFramer framer;
        int packets = 0;
        ASSERT_GE(stored.size(), 2u) << name;
        for (size_t i = 2; i < stored.size(); ++i) {
            framer.PushByte(stored[i]);
            if (!framer.IsComplete()) continue;
            store.DispatchPacket(framer.Type(), framer.Buffer(),
                                 static_cast<uint32_t>(framer.Length()));
            framer.Reset();
            ++packets;
        }
        EXPECT_EQ(packets, 1) << name;
        EXPECT_EQ(store.m_bPacketSeen, 1) << name;
    }
}

}  // namespace
