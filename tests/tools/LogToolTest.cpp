// The log tool's commands on sound, damaged and truncated logs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "LogTestUtil.h"
#include "OrvVersion.h"
#include "tests/support/PacketBuilders.h"
#include "tools/LogTool.h"
#include "tools/LogToolHelp.h"

using logtest::Bytes;
using logtest::LogBuilder;
using logtest::RunTool;
using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

const testpkt::Mac kApA{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const testpkt::Mac kApB{0x00, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E};
const testpkt::Mac kClient{0x02, 0x00, 0x00, 0x00, 0x00, 0x07};

// A short survey on channel 6: a beacon before any GPS fix, then a fix, a
// private access point, a data frame, a move and a stronger beacon.
struct Survey {
    LogBuilder log;
    size_t records = 0;
    size_t captures = 0;

    Survey() {
        setenv("TZ", "UTC", 1);
        log.At(10, 0, 0);
        Add(4, {6});
        Add(9, testpkt::CaptureData(testpkt::Beacon(kApA, "alpha", 6, -70)), true);
        log.At(10, 0, 1);
        Add(7, logtest::GpsMessage(51.5, -0.125, 3000, true), false, "Marker #1");
        testpkt::Capture secret = testpkt::Beacon(kApB, "se,cret", 6, -60);
        secret.privacy = true;
        secret.rate = 20;
        Add(10, testpkt::CaptureData(secret), true);
        Add(18, testpkt::CaptureData(testpkt::DataFrame(kClient, -50)), true);
        Add(5, Bytes(130, 7));
        log.At(10, 0, 3);
        Add(7, logtest::GpsMessage(51.6, -0.25, 3100, true));
        Add(9, testpkt::CaptureData(testpkt::Beacon(kApA, "alpha", 6, -40)), true);
        Add(7, logtest::GpsMessage(0, 0, 0, false));
        Add(9, testpkt::CaptureData(testpkt::Beacon(kApA, "alpha", 6, -45)), true);
    }
    void Add(uint8_t type, const Bytes& data, bool capture = false,
             const std::string& marker = "") {
        log.Packet(type, data, marker);
        ++records;
        if (capture) ++captures;
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The pcap file as our own reading of the format sees it.
struct PcapRecord {
    uint32_t seconds = 0;
    uint32_t present = 0;
    uint8_t flags = 0;
    int rate = -1;
    int frequency = -1;
    int channelFlags = -1;
    int signal = 0;
    Bytes frame;
};

uint32_t U32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint32_t U16(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}

std::vector<PcapRecord> ParsePcap(const Bytes& b) {
    std::vector<PcapRecord> records;
    EXPECT_GE(b.size(), 24u);
    EXPECT_EQ(U32(b, 0), 0xA1B2C3D4u);
    EXPECT_EQ(U16(b, 4), 2u);
    EXPECT_EQ(U16(b, 6), 4u);
    EXPECT_EQ(U32(b, 20), 127u);
    size_t at = 24;
    while (at + 16 <= b.size()) {
        PcapRecord r;
        r.seconds = U32(b, at);
        const uint32_t caplen = U32(b, at + 8);
        EXPECT_EQ(caplen, U32(b, at + 12));
        const size_t start = at + 16;
        EXPECT_LE(start + caplen, b.size());
        if (start + caplen > b.size()) break;
        EXPECT_EQ(b[start], 0);  // radiotap version
        const uint32_t rtLength = U16(b, start + 2);
        r.present = U32(b, start + 4);
        size_t f = start + 8;
        if (r.present & (1u << 1)) r.flags = b[f++];
        if (r.present & (1u << 2)) r.rate = b[f++];
        if (r.present & (1u << 3)) {
            f += (f - start) % 2;
            r.frequency = static_cast<int>(U16(b, f));
            r.channelFlags = static_cast<int>(U16(b, f + 2));
            f += 4;
        }
        if (r.present & (1u << 5)) r.signal = static_cast<int8_t>(b[f++]);
        EXPECT_EQ(f - start, rtLength);
        r.frame.assign(b.begin() + static_cast<long>(start + rtLength),
                       b.begin() + static_cast<long>(start + caplen));
        records.push_back(r);
        at = start + caplen;
    }
    EXPECT_EQ(at, b.size());
    return records;
}

class LogToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        survey.log.WriteTo(good);
        Bytes bytes = survey.log.Get();
        truncatedAt = bytes.size() - 40;
        logtest::WriteFile(truncated, Bytes(bytes.begin(), bytes.end() - 40));
        bytes[14 + 1] = 'Q';              // the first record's sync
        bytes[bytes.size() - 2] ^= 0x5A;  // the last record's check byte
        logtest::WriteFile(damaged, bytes);
    }
    CTempFolder dir;
    Survey survey;
    std::string good = dir.Path("good.ov");
    std::string truncated = dir.Path("cut.ov");
    std::string damaged = dir.Path("damaged.ov");
    size_t truncatedAt = 0;
};

}  // namespace

TEST_F(LogToolTest, InfoSummarisesTheLog) {
    const auto run = RunTool({"info", good});
    EXPECT_EQ(run.rc, kExitOk) << run.err;
    EXPECT_THAT(run.out, HasSubstr("records:       " + std::to_string(survey.records) + "\n"));
    EXPECT_THAT(run.out, HasSubstr("time span:     0:00:03"));
    EXPECT_THAT(run.out, HasSubstr("2007-03-05 10:00:00"));
    EXPECT_THAT(run.out, HasSubstr("markers:       1\n  Marker #1"));
    EXPECT_THAT(run.out, HasSubstr("  7 GPS receiver message"));
    EXPECT_THAT(run.out, Not(HasSubstr("damage")));
}

TEST_F(LogToolTest, InfoCountsThePacketsTheProgramWouldRefuse) {
    const std::string path = dir.Path("refused.ov");
    logtest::LogBuilder log;
    log.Packet(4, {6}).Packet(8, {1, 2}).Packet(4, {15}).Raw(4, {6, 0}).Packet(4, {99});
    log.WriteTo(path);
    const auto run = RunTool({"info", path});
    EXPECT_EQ(run.rc, kExitDamaged);  // the bad check byte is damage as well
    EXPECT_THAT(run.out, HasSubstr("drops:         4\n"));
    EXPECT_THAT(run.out, HasSubstr("  bad_check_byte                           1\n"));
    EXPECT_THAT(run.out, HasSubstr("  unassigned_type                          1\n"));
    EXPECT_THAT(run.out, HasSubstr("  channel_out_of_range                     2\n"));
    EXPECT_THAT(run.out, Not(HasSubstr("short_payload")));

    const auto clean = RunTool({"info", good});
    EXPECT_THAT(clean.out, EndsWith("drops:         0\n"));
}

TEST_F(LogToolTest, DumpGivesOneJsonObjectPerRecord) {
    const auto run = RunTool({"dump", good});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), survey.records);
    const auto first = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(first["offset"], 14);
    EXPECT_EQ(first["time"], "2007-03-05 10:00:00");
    EXPECT_TRUE(first["marker"].is_null());
    EXPECT_EQ(first["type"], 4);
    EXPECT_EQ(first["payload"], "0602");
    EXPECT_EQ(first["check"], "good");
    EXPECT_EQ(nlohmann::json::parse(lines[2])["marker"], "Marker #1");
}

// Markers are 8-bit text: quotes, backslashes and control bytes are escaped
// and bytes above 0x7F read as Latin-1, so every line stays valid JSON.
TEST_F(LogToolTest, DumpWritesEveryMarkerByteAsJsonText) {
    const struct {
        std::string marker;
        std::string text;
    } cases[] = {
        {"say \"hi\"", "say \"hi\""},       {"a\\b", "a\\b"},
        {"tab\there\x01", "tab\there\x01"}, {"del\x7F", "del\x7F"},
        {"caf\xE9", "caf\xC3\xA9"},         {"\xFF", "\xC3\xBF"},
    };
    LogBuilder log;
    log.At(10, 0, 0);
    for (const auto& c : cases) log.Packet(4, {6}, c.marker);
    const std::string path = dir.Path("markers.ov");
    log.WriteTo(path);
    const auto run = RunTool({"dump", path});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), std::size(cases));
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto record = nlohmann::json::parse(lines[i], nullptr, false);
        ASSERT_FALSE(record.is_discarded()) << lines[i];
        EXPECT_EQ(record["marker"], cases[i].text) << lines[i];
    }
}

TEST_F(LogToolTest, VerifyPassesASoundLog) {
    const auto run = RunTool({"verify", good});
    EXPECT_EQ(run.rc, kExitOk);
    EXPECT_THAT(run.out, HasSubstr("OK, " + std::to_string(survey.records) + " records"));
}

TEST_F(LogToolTest, VerifyReportsTheTruncatedRecordAndItsOffset) {
    const size_t lastOffset = survey.log.Offset() - (survey.log.Get().size() - survey.log.Offset());
    (void)lastOffset;
    const auto run = RunTool({"verify", truncated});
    EXPECT_EQ(run.rc, kExitDamaged);
    EXPECT_THAT(run.out, HasSubstr("truncated record at offset"));
    EXPECT_THAT(run.out, HasSubstr("DAMAGED"));
}

TEST_F(LogToolTest, VerifyReportsSyncAndCheckDamage) {
    const auto run = RunTool({"verify", damaged});
    EXPECT_EQ(run.rc, kExitDamaged);
    EXPECT_THAT(run.out, HasSubstr("bad sync at offset 14"));
    EXPECT_THAT(run.out, HasSubstr("bad check byte in record at offset"));
}

TEST_F(LogToolTest, EveryCommandSurvivesDamageAndSaysSo) {
    const std::string out = dir.Path("out");
    for (const std::string& file : {truncated, damaged}) {
        for (const std::vector<std::string>& args : {std::vector<std::string>{"info", file},
                                                     {"dump", file},
                                                     {"verify", file},
                                                     {"export", "pcap", file, out},
                                                     {"export", "wigle", file, out},
                                                     {"export", "kml", file, out}}) {
            const auto run = RunTool(args);
            EXPECT_EQ(run.rc, kExitDamaged) << args[0] << " " << file;
        }
    }
    // Not a log at all.
    const std::string junk = dir.Path("junk.ov");
    logtest::WriteFile(junk, Bytes(5000, 'X'));
    for (const std::vector<std::string>& args : {std::vector<std::string>{"info", junk},
                                                 {"dump", junk},
                                                 {"verify", junk},
                                                 {"export", "pcap", junk, out},
                                                 {"export", "wigle", junk, out},
                                                 {"export", "kml", junk, out}}) {
        EXPECT_EQ(RunTool(args).rc, kExitDamaged) << args[0];
    }
    // The damaged dump still shows the records it could read, in place.
    const auto lines = Lines(RunTool({"dump", damaged}).out);
    EXPECT_EQ(nlohmann::json::parse(lines[0])["damage"], "bad sync");
    EXPECT_EQ(nlohmann::json::parse(lines.back())["check"], "bad");
}

TEST_F(LogToolTest, BadUsageAndMissingFilesExitWithTwo) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"frobnicate"},
                                                 {"info"},
                                                 {"info", good, good},
                                                 {"export", "gpx", good, "x"},
                                                 {"export", "pcap", good},
                                                 {"replay"},
                                                 {"replay", good, "--speed", "-1"},
                                                 {"replay", good, "--speed", "fast"},
                                                 {"info", dir.Path("missing.ov")},
                                                 {"export", "pcap", good, "/nonexistent/x.pcap"}}) {
        EXPECT_EQ(RunTool(args).rc, kExitUsage) << (args.empty() ? "" : args[0]);
    }
    const auto version = RunTool({"--version"});
    EXPECT_EQ(version.rc, kExitOk);
    EXPECT_EQ(version.out, "orvalis-log " ORV_VERSION "\n");
    for (const char* command : {"info", "dump", "verify", "replay", "export"}) {
        const auto run = RunTool({command, "--help"});
        EXPECT_EQ(run.rc, kExitOk);
        EXPECT_THAT(run.out, HasSubstr(std::string("usage: orvalis-log ") + command));
    }
}

TEST_F(LogToolTest, ReplayNamesTheProgramWithTheSpeed) {
    const auto run = RunTool({"replay", good, "--speed", "0", "--print"});
    EXPECT_EQ(run.rc, kExitOk);
    EXPECT_THAT(run.out, HasSubstr("--replay " + good + " --speed 0\n"));
    EXPECT_THAT(RunTool({"replay", "--speed=2.5", good, "--print"}).out, HasSubstr("--speed 2.5"));
}

// The tool takes the speeds the program takes, and hands them on spelled so
// the program takes them too.
TEST_F(LogToolTest, ReplaySpeedHasTheProgramsRangeAndSpelling) {
    for (const auto& [given, passed] : std::vector<std::pair<std::string, std::string>>{
             {"0.00001", "0.00001"}, {"1000", "1000"}, {"007.50", "7.5"}, {"0", "0"}}) {
        const auto run = RunTool({"replay", good, "--speed", given, "--print"});
        EXPECT_EQ(run.rc, kExitOk) << given;
        EXPECT_THAT(run.out, HasSubstr(" --speed " + passed + "\n")) << given;
    }
    for (const char* bad : {"5000", "1e+06", "1e-05", "-1", "nan", "inf", "0x10", ""}) {
        const auto run = RunTool({"replay", good, "--speed", bad, "--print"});
        EXPECT_EQ(run.rc, kExitUsage) << bad;
        EXPECT_THAT(run.err, HasSubstr("a number from 0 to 1000")) << bad;
    }
}

TEST_F(LogToolTest, PcapHoldsEveryCapturedFrameWithItsRadioFacts) {
    const std::string out = dir.Path("survey.pcap");
    const auto run = RunTool({"export", "pcap", good, out});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const auto records = ParsePcap(logtest::ReadFile(out));
    ASSERT_EQ(records.size(), survey.captures);

    const PcapRecord& first = records[0];
    EXPECT_EQ(first.seconds, 1173088800u);  // 2007-03-05 10:00:00 UTC
    EXPECT_EQ(first.frequency, 2437);
    EXPECT_EQ(first.channelFlags, 0x00A0);
    EXPECT_EQ(first.rate, 22);
    EXPECT_EQ(first.signal, -70);
    EXPECT_EQ(first.flags, 0);
    const Bytes capture = testpkt::CaptureData(testpkt::Beacon(kApA, "alpha", 6, -70));
    EXPECT_EQ(first.frame, Bytes(capture.begin() + 97, capture.end()));
    EXPECT_EQ(records[1].rate, 4);
    EXPECT_EQ(records[2].signal, -50);
}

TEST_F(LogToolTest, PcapCutsFramesToWhatArrivedAndFlagsRejectedOnes) {
    LogBuilder log;
    testpkt::Capture lying = testpkt::Beacon(kApA, "alpha", 6, -70);
    lying.capturedLength = 2000;  // more than the packet holds
    lying.valid = 0;
    log.Packet(9, testpkt::CaptureData(lying));
    testpkt::Capture headOnly = testpkt::Beacon(kApA, "alpha", 6, -70);
    headOnly.capturedLength = 3;  // the rate byte and no frame
    log.Packet(9, testpkt::CaptureData(headOnly));
    log.Packet(6, Bytes(50, 0));  // not even a capture header
    log.WriteTo(dir.Path("odd.ov"));
    const auto run = RunTool({"export", "pcap", dir.Path("odd.ov"), dir.Path("odd.pcap")});
    ASSERT_EQ(run.rc, kExitOk);
    const auto records = ParsePcap(logtest::ReadFile(dir.Path("odd.pcap")));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].flags, 0x40);
    EXPECT_EQ(records[0].frequency, 2412);  // the program starts on channel 1
    EXPECT_EQ(records[0].frame.size(), testpkt::CaptureData(lying).size() - 97);
}

TEST_F(LogToolTest, WigleWritesOneRowPerAccessPointAndFixAndCountsTheUnplaced) {
    const std::string out = dir.Path("survey.csv");
    const auto run = RunTool({"export", "wigle", good, out});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const Bytes bytes = logtest::ReadFile(out);
    const auto lines = Lines(std::string(bytes.begin(), bytes.end()));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_THAT(lines[0], ::testing::StartsWith("WigleWifi-1.6,"));
    EXPECT_EQ(lines[1],
              "MAC,SSID,AuthMode,FirstSeen,Channel,Frequency,RSSI,CurrentLatitude,"
              "CurrentLongitude,AltitudeMeters,AccuracyMeters,RCOIs,MfgrId,Type");
    // alpha at -70 came before the first fix and at -45 after the fix was
    // lost: only its sighting in the second fix is placed.
    EXPECT_EQ(lines[2],
              "00:0a:0b:0c:0d:0e,\"se,cret\",[WEP][ESS],2007-03-05 10:00:01,6,2437,-60,"
              "51.5000000,-0.1250000,30.0,,,,WIFI");
    EXPECT_EQ(lines[3],
              "00:11:22:33:44:55,alpha,[ESS],2007-03-05 10:00:03,6,2437,-40,"
              "51.6000000,-0.2500000,31.0,,,,WIFI");
    EXPECT_EQ(run.out, "2 rows (2 access points) written to " + out + "\n");
    EXPECT_EQ(run.err, "orvalis-log: 2 sightings of access points without a GPS fix left out\n");
}

TEST_F(LogToolTest, KmlHasTheTrackAndEachAccessPointAtItsStrongest) {
    const std::string out = dir.Path("survey.kml");
    ASSERT_EQ(RunTool({"export", "kml", good, out}).rc, kExitOk);
    const Bytes bytes = logtest::ReadFile(out);
    const std::string kml(bytes.begin(), bytes.end());
    EXPECT_THAT(kml, HasSubstr("-0.1250000,51.5000000,30.0\n-0.2500000,51.6000000,31.0\n"));
    // alpha: -70 had no fix, -40 was strongest; -45 came later and weaker.
    EXPECT_THAT(kml, HasSubstr("<name>alpha</name>"));
    EXPECT_THAT(kml, HasSubstr("RSSI -40 dBm"));
    EXPECT_THAT(kml, Not(HasSubstr("RSSI -45 dBm")));
    EXPECT_THAT(kml, HasSubstr("<name>se,cret</name><styleUrl>#private</styleUrl>"));
    EXPECT_EQ(kml.find("<name>alpha</name>"), kml.rfind("<name>alpha</name>"));
}

namespace {
std::string Shell(const std::string& command) {
    std::string text;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) text.append(buffer, n);
    pclose(pipe);
    return text;
}
}  // namespace

TEST_F(LogToolTest, TsharkDissectsTheExportedFrames) {
    if (std::system("command -v tshark > /dev/null 2>&1") != 0) GTEST_SKIP() << "no tshark";
    const std::string out = dir.Path("survey.pcap");
    ASSERT_EQ(RunTool({"export", "pcap", good, out}).rc, kExitOk);
    const std::string fields =
        Shell("tshark -r " + out +
              " -T fields -E separator=';' -e wlan.bssid -e wlan.ssid -e wlan_radio.channel"
              " 2>/dev/null");
    const auto lines = Lines(fields);
    ASSERT_EQ(lines.size(), survey.captures) << fields;
    // tshark prints the SSID as text or, in some versions, as hex bytes.
    auto ssid = [](const std::string& line) {
        const size_t a = line.find(';') + 1;
        const std::string field = line.substr(a, line.rfind(';') - a);
        if (field.empty() || field.find_first_not_of("0123456789abcdef") != std::string::npos) {
            return field;
        }
        std::string text;
        for (size_t i = 0; i + 1 < field.size(); i += 2) {
            text.push_back(static_cast<char>(std::stoi(field.substr(i, 2), nullptr, 16)));
        }
        return text;
    };
    EXPECT_THAT(lines[0], ::testing::StartsWith("00:11:22:33:44:55;"));
    EXPECT_EQ(ssid(lines[0]), "alpha");
    EXPECT_THAT(lines[1], ::testing::StartsWith("00:0a:0b:0c:0d:0e;"));
    EXPECT_EQ(ssid(lines[1]), "se,cret");
    EXPECT_THAT(lines[2], ::testing::StartsWith("02:00:00:00:00:07;"));
    EXPECT_EQ(ssid(lines[3]), "alpha");
    for (const std::string& line : lines) EXPECT_THAT(line, ::testing::EndsWith(";6"));
}

TEST(LogExportTimes, ImpossibleRecordTimesAreDamageAndLeftOut) {
    setenv("TZ", "UTC", 1);
    CTempFolder dir;
    LogBuilder log;
    log.At(10, 0, 0).Packet(4, {6}).Packet(7, logtest::GpsMessage(47.0, 8.5, 40000, true));
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kApA, "alpha", 6, -70)));
    // The clock's month byte is wrecked from here on: the strongest sighting
    // and the second fix carry impossible times.
    log.Date(2007, 13, 5).At(10, 0, 1);
    const size_t badBeacon = log.Offset();
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kApA, "alpha", 6, -40)));
    const size_t badFix = log.Offset();
    log.Packet(7, logtest::GpsMessage(47.1, 8.6, 40000, true));
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kApB, "beta", 6, -50)));
    const std::string in = dir.Path("clock.ov");
    log.WriteTo(in);
    const std::string badLine = "impossible time 2007-13-05 10:00:01 in record at offset ";

    const auto verify = RunTool({"verify", in});
    EXPECT_EQ(verify.rc, kExitDamaged);
    EXPECT_THAT(verify.out, HasSubstr(badLine + std::to_string(badBeacon) + "\n"));
    EXPECT_THAT(verify.out, HasSubstr("DAMAGED, 3 faults; 6 records"));

    struct Case {
        const char* format;
        std::vector<std::string> present, absent;
    };
    const Case cases[] = {
        {"wigle",
         {"00:11:22:33:44:55,alpha,[ESS],,6,2437,-40,47.0000000,8.5000000,400.0,",
          "00:0a:0b:0c:0d:0e,beta,[ESS],,6,2437,-50,47.1000000,8.6000000,"},
         {"2007-13", "1970"}},
        {"kml", {"RSSI -40 dBm, open</description>"}, {"2007-13", "1970", "strongest at"}},
    };
    for (const Case& c : cases) {
        const std::string out = dir.Path(std::string("clock.") + c.format);
        const auto run = RunTool({"export", c.format, in, out});
        EXPECT_EQ(run.rc, kExitDamaged) << c.format;
        EXPECT_THAT(run.err, HasSubstr("orvalis-log: " + badLine + std::to_string(badBeacon)));
        EXPECT_THAT(run.err, HasSubstr("orvalis-log: " + badLine + std::to_string(badFix)));
        EXPECT_THAT(run.err, HasSubstr("the log is damaged (3 faults)"));
        const Bytes bytes = logtest::ReadFile(out);
        const std::string text(bytes.begin(), bytes.end());
        for (const std::string& s : c.present) EXPECT_THAT(text, HasSubstr(s)) << c.format;
        for (const std::string& s : c.absent) EXPECT_THAT(text, Not(HasSubstr(s))) << c.format;
    }
    // A pcap record cannot go without a time: those frames are left out.
    const auto pcap = RunTool({"export", "pcap", in, dir.Path("clock.pcap")});
    EXPECT_EQ(pcap.rc, kExitDamaged);
    EXPECT_THAT(pcap.out, HasSubstr("1 frame written to "));
    EXPECT_THAT(pcap.out, HasSubstr("(2 frames with an impossible time left out)"));
    const auto records = ParsePcap(logtest::ReadFile(dir.Path("clock.pcap")));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].seconds, 1173088800u);
}

TEST(LogExportSsids, AccessPointsAreNamedByTheirBeaconsAndPlacedAtTheirStrongestPerFix) {
    CTempFolder dir;
    LogBuilder log;
    log.Packet(4, {6}).Packet(7, logtest::GpsMessage(47.0, 8.5, 40000, true));
    // A data frame creates the station's entry before any beacon names it.
    log.Packet(6, testpkt::CaptureData(testpkt::DataFrame(kApA, -55)));
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kApA, "Cafe Limmat", 6, -70)));
    log.Packet(6, testpkt::CaptureData(testpkt::DataFrame(kApA, -50)));
    // A beacon that hides the name does not take it away.
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kApA, "", 6, -60)));
    log.At(12, 0, 1).Packet(7, logtest::GpsMessage(47.1, 8.6, 40000, true));
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kApA, "Cafe Limmat 2", 6, -80)));
    log.Packet(9, testpkt::CaptureData(testpkt::Beacon(kApA, "", 6, -75)));
    const std::string in = dir.Path("cafe.ov");
    log.WriteTo(in);

    const std::string csv = dir.Path("cafe.csv");
    const auto run = RunTool({"export", "wigle", in, csv});
    ASSERT_EQ(run.rc, kExitOk) << run.err;
    const Bytes bytes = logtest::ReadFile(csv);
    const auto lines = Lines(std::string(bytes.begin(), bytes.end()));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2],
              "00:11:22:33:44:55,Cafe Limmat,[ESS],2007-03-05 12:00:00,6,2437,-50,47.0000000,"
              "8.5000000,400.0,,,,WIFI");
    EXPECT_EQ(lines[3],
              "00:11:22:33:44:55,Cafe Limmat 2,[ESS],2007-03-05 12:00:01,6,2437,-75,47.1000000,"
              "8.6000000,400.0,,,,WIFI");
    EXPECT_EQ(run.err, "orvalis-log: 0 sightings of access points without a GPS fix left out\n");

    const std::string kml = dir.Path("cafe.kml");
    ASSERT_EQ(RunTool({"export", "kml", in, kml}).rc, kExitOk);
    const Bytes kmlBytes = logtest::ReadFile(kml);
    EXPECT_THAT(std::string(kmlBytes.begin(), kmlBytes.end()),
                HasSubstr("<name>Cafe Limmat 2</name>"));
}

TEST(LogInfo, LabelsEveryTypeByWhatItCarriesAndCountsInEnglish) {
    std::set<std::string> labels;
    for (const PacketType::Description& d : PacketType::kDescriptions) {
        EXPECT_TRUE(labels.insert(d.name).second) << "type " << int(d.type) << ": " << d.name;
    }
    CTempFolder dir;
    LogBuilder log;
    log.Packet(10, testpkt::CaptureData(testpkt::Beacon(kApA, "alpha", 1, -50)));
    log.Raw(4, {6, 0});  // a bad check byte
    const std::string in = dir.Path("one.ov");
    log.WriteTo(in);
    const auto info = RunTool({"info", in});
    EXPECT_THAT(info.out, HasSubstr(" 10 captured probe response "));
    EXPECT_THAT(info.out, HasSubstr("         1 record "));
    EXPECT_THAT(info.out, HasSubstr("  1 record with a bad check byte\n"));
    EXPECT_THAT(RunTool({"verify", in}).out, HasSubstr("DAMAGED, 1 fault; 2 records"));
    const auto pcap = RunTool({"export", "pcap", in, dir.Path("one.pcap")});
    EXPECT_THAT(pcap.out, HasSubstr("1 frame written"));
    EXPECT_THAT(pcap.err, HasSubstr("the log is damaged (1 fault)"));
}

// Each command the help table lists prints its own help, and takes every
// option the table gives it.
TEST_F(LogToolTest, HelpTableMatchesTheCommands) {
    const std::string png = dir.Path("map.png");
    // Arguments that use an option of a command on a sound log.
    const std::map<std::string, std::vector<std::string>> uses = {
        {"replay --speed", {"replay", good, "--speed", "2", "--print"}},
        {"replay --print", {"replay", good, "--print"}},
        {"report --format", {"report", good, "--format", "csv"}},
        {"heatmap -o", {"heatmap", good, "-o", png}},
        {"heatmap --output", {"heatmap", good, "--output", png}},
        {"heatmap --mac", {"heatmap", good, "-o", png, "--mac", "00:11:22:33:44:55"}},
        {"heatmap --cell", {"heatmap", good, "-o", png, "--cell", "2"}},
    };
    for (const HelpCommand& command : LogToolHelp().commands) {
        const std::string name(command.name);
        const auto help = RunTool({name, "--help"});
        EXPECT_EQ(help.rc, kExitOk) << name;
        EXPECT_EQ(help.out, command.help) << name;
        EXPECT_THAT(RunTool({"--help"}).out, HasSubstr("  " + name + " ")) << name;
        for (const HelpOption& option : command.options) {
            ForEachOptionName(option, [&](std::string_view optionName) {
                if (optionName == "-h" || optionName == "--help") return;
                const auto use = uses.find(name + " " + std::string(optionName));
                ASSERT_NE(use, uses.end()) << "no use of " << name << " " << optionName;
                const auto run = RunTool(use->second);
                EXPECT_NE(run.rc, kExitUsage) << use->first << ": " << run.err;
            });
        }
    }
    // The export formats offered for completion are the ones export takes.
    const HelpCommand* exportCommand = FindHelpCommand(LogToolHelp(), "export");
    ASSERT_NE(exportCommand, nullptr);
    std::istringstream formats{std::string(exportCommand->firstWords)};
    for (std::string format; formats >> format;) {
        const auto run = RunTool({"export", format, good, dir.Path("out." + format)});
        EXPECT_EQ(run.rc, kExitOk) << format << ": " << run.err;
    }
}
