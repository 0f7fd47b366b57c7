// The WiGLE export on a recorded session of the simulated board.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "LogTestUtil.h"
#include "board/LogReader.h"
#include "board/Wire.h"
#include "sim/Scenario.h"
#include "tools/LogTool.h"

using logtest::Bytes;
using logtest::RunTool;
using ::testing::MatchesRegex;

namespace {

// In this session (seed 9, one channel) the first frame heard from
// "Cafe Limmat" is one of its data frames, so the station table's entry for
// it starts without a name.
constexpr uint64_t kSeed = 9;
constexpr int kSeconds = 60;
const uint8_t kCafe[6] = {0x00, 0x30, 0x65, 0x11, 0xAB, 0xCD};

struct Walk {
    int firstCafeFrameControl = -1;
    std::vector<std::string> fixes;  // "lat,lon" of each GPS message with a fix, in order
};

// Reads the log on its own terms, not through the tool's decoders.
Walk WalkLog(const Bytes& log) {
    Walk walk;
    CLogReader reader;
    reader.OpenBytes(log);
    auto be32 = [](const uint8_t* p) {
        return static_cast<int32_t>((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) |
                                    (uint32_t{p[2]} << 8) | p[3]);
    };
    for (CLogReader::Item item; (item = reader.Next()) != CLogReader::Item::End;) {
        if (item != CLogReader::Item::Record) continue;
        const LogRecord& r = reader.Record();
        if (r.nType == PacketType::kGps && r.nLength > 152 && (r.pPayload[129] >> 5) >= 6) {
            char text[64];
            std::snprintf(text, sizeof(text), "%.7f,%.7f",
                          be32(r.pPayload + 31) * 2.7777777777777776e-07,
                          be32(r.pPayload + 35) * 2.7777777777777776e-07);
            walk.fixes.push_back(text);
        }
        CaptureView capture;
        if (walk.firstCafeFrameControl < 0 && PacketType::IsCapture(r.nType) && r.nLength != 0 &&
            CaptureView::Read(r.pPayload, r.nLength - 1, capture) && capture.HasTransmitter() &&
            std::memcmp(capture.capture + CaptureHeader::kTransmitter, kCafe, 6) == 0) {
            walk.firstCafeFrameControl = capture.capture[CaptureHeader::kFrameControl];
        }
    }
    return walk;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.push_back(field);
            field.clear();
        } else {
            field.push_back(c);
        }
    }
    fields.push_back(field);
    return fields;
}

}  // namespace

TEST(WigleOnASimulatorSession, NamesEveryAccessPointAndPlacesItOncePerFix) {
    CTempFolder dir;
    const logtest::LogBuilder log =
        logtest::RecordSimulatorSession(kSeed, kSeconds, BoardMode::kOneChannel, 6);
    const Walk walk = WalkLog(log.Get());
    ASSERT_EQ(walk.firstCafeFrameControl, 0x08) << "the session no longer shows the case";
    ASSERT_GE(walk.fixes.size(), static_cast<size_t>(kSeconds / 2));

    const std::string in = dir.Path("session.ov"), out = dir.Path("session.csv");
    log.WriteTo(in);
    const auto run = RunTool({"export", "wigle", in, out});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    EXPECT_THAT(run.err, MatchesRegex("orvalis-log: [0-9]+ sightings? of access points without "
                                      "a GPS fix left out\n"));

    std::map<std::string, std::string> names;  // "00:30:65:11:ab:cd" -> SSID
    for (const auto& ap : CScenario::Default().m_aAccessPoints) {
        std::string mac = CScenario::MacText(ap.mac);
        for (char& c : mac) c = c == '-' ? ':' : static_cast<char>(std::tolower(c));
        names[mac] = ap.ssid;
    }
    std::map<std::string, std::vector<std::string>> placesOf;  // MAC -> "lat,lon" of its rows
    const Bytes csv = logtest::ReadFile(out);
    std::istringstream lines(std::string(csv.begin(), csv.end()));
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line);
    size_t rows = 0;
    while (std::getline(lines, line)) {
        ++rows;
        const auto f = Fields(line);
        ASSERT_EQ(f.size(), 14u) << line;
        ASSERT_EQ(names.count(f[0]), 1u) << line;
        EXPECT_EQ(f[1], names[f[0]]) << line;
        EXPECT_FALSE(f[3].empty()) << line;
        EXPECT_FALSE(f[7].empty() || f[8].empty()) << line;
        placesOf[f[0]].push_back(f[7] + "," + f[8]);
    }
    EXPECT_EQ(placesOf.count("00:30:65:11:ab:cd"), 1u);
    // Each access point's rows name distinct fixes, in the order of the walk.
    for (const auto& [mac, places] : placesOf) {
        size_t next = 0;
        for (const std::string& place : places) {
            while (next < walk.fixes.size() && walk.fixes[next] != place) ++next;
            ASSERT_LT(next, walk.fixes.size()) << mac << " at " << place << " out of order";
            ++next;
        }
    }
    // The strongest stations beacon many times a second: heard in every fix.
    size_t most = 0;
    for (const auto& [mac, places] : placesOf) most = std::max(most, places.size());
    EXPECT_EQ(most, walk.fixes.size());
    EXPECT_EQ(run.out, std::to_string(rows) + " rows (" + std::to_string(placesOf.size()) +
                           " access points) written to " + out + "\n");
}
