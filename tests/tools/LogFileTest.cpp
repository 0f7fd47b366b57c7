// The log file: records byte for byte, the writer, and the reader on sound
// and damaged files.

#include <gtest/gtest.h>

#include <random>

#include "LogTestUtil.h"
#include "board/LogReader.h"
#include "board/LogWriter.h"

using logtest::Bytes;
using logtest::LogBuilder;

namespace {

LogTime Time2007() {
    std::tm tm{};
    tm.tm_year = 107;
    tm.tm_mon = 2;
    tm.tm_mday = 5;
    tm.tm_hour = 13;
    tm.tm_min = 4;
    tm.tm_sec = 59;
    return LogTime::FromLocal(tm);
}

struct Walk {
    std::vector<LogRecord> records;  // payload pointers not kept
    std::vector<Bytes> payloads;
    std::vector<std::string> markers;
    std::vector<LogProblem> problems;
};

Walk ReadAll(CLogReader& reader) {
    Walk walk;
    for (CLogReader::Item item; (item = reader.Next()) != CLogReader::Item::End;) {
        if (item == CLogReader::Item::Problem) {
            walk.problems.push_back(reader.Problem());
            continue;
        }
        const LogRecord& r = reader.Record();
        walk.records.push_back(r);
        walk.payloads.emplace_back(r.pPayload, r.pPayload + r.nLength);
        walk.markers.emplace_back(r.marker);
    }
    return walk;
}

Walk ReadBytes(Bytes bytes) {
    CLogReader reader;
    reader.OpenBytes(std::move(bytes));
    return ReadAll(reader);
}

}  // namespace

TEST(LogRecordLayout, TypeFivePacketWithoutMarkerIsSeventeenBytes) {
    Bytes out;
    const uint8_t payload[3] = {0x01, 0x02, 0x06};  // 5 ^ 1 ^ 2 ^ 6 == 0
    ASSERT_EQ(CLogFormat::AppendRecord(out, Time2007(), "", 5, payload, 3), 17);
    const Bytes expected = {'X', 'X', 'X', 5, 3, 7, 13, 4, 59, 0, 0, 4, 0, 5, 0x01, 0x02, 0x06};
    EXPECT_EQ(out, expected);
}

TEST(LogRecordLayout, MarkerTextSitsBetweenTimeAndLength) {
    Bytes out;
    const uint8_t payload[1] = {0x09};
    CLogFormat::AppendRecord(out, Time2007(), "Marker #2", 9, payload, 1);
    ASSERT_EQ(out.size(), 13u + 9u + 2u);
    EXPECT_EQ(out[9], 9);
    EXPECT_EQ(out[10], 0);
    EXPECT_EQ(std::string(out.begin() + 11, out.begin() + 20), "Marker #2");
    EXPECT_EQ(out[20], 2);  // N = payload + type
    EXPECT_EQ(out[21], 0);
    EXPECT_EQ(out[22], 9);
}

TEST(LogRecordLayout, YearByteIsYearMinus2000KeptToEightBits) {
    std::tm tm{};
    tm.tm_mday = 1;
    tm.tm_year = 107;
    EXPECT_EQ(LogTime::FromLocal(tm).nYear, 7);
    tm.tm_year = 99;  // 1999
    EXPECT_EQ(LogTime::FromLocal(tm).nYear, 255);
    tm.tm_year = 356;  // 2256
    EXPECT_EQ(LogTime::FromLocal(tm).nYear, 0);
    tm.tm_mon = 11;
    EXPECT_EQ(LogTime::FromLocal(tm).nMonth, 12);
}

TEST(LogRecordLayout, PayloadUpToTheSixteenBitLimit) {
    Bytes out;
    Bytes payload(CLogFormat::kMaxPayload, 0xAB);
    ASSERT_GT(CLogFormat::AppendRecord(out, Time2007(), "", 6, payload.data(),
                                       static_cast<uint32_t>(payload.size())),
              0);
    EXPECT_EQ(out[11], 0xFF);
    EXPECT_EQ(out[12], 0xFF);
    payload.push_back(0);
    Bytes rejected;
    EXPECT_EQ(CLogFormat::AppendRecord(rejected, Time2007(), "", 6, payload.data(),
                                       static_cast<uint32_t>(payload.size())),
              -1);
    EXPECT_TRUE(rejected.empty());
}

TEST(LogWriter, EmptyRecordingIsTheFourteenByteHeader) {
    CTempFolder dir;
    const std::string path = dir.Path("empty.ov");
    CLogWriter writer;
    std::string error;
    ASSERT_EQ(writer.Open(path, error), 0);
    // Flushed at once: visible before the file is closed.
    const Bytes header = {'O', 'R', 'V', ' ', ' ', '4', '.', '0', '0', ' ', 0, 0, 0, 0};
    EXPECT_EQ(logtest::ReadFile(path), header);
    writer.Close();
    EXPECT_EQ(logtest::ReadFile(path), header);
}

TEST(LogWriter, EveryRecordIsOnDiskWhenAppendReturns) {
    CTempFolder dir;
    const std::string path = dir.Path("flush.ov");
    logtest::WriteFile(path, Bytes(100, 0x55));  // replaced, not appended to
    CLogWriter writer;
    std::string error;
    ASSERT_EQ(writer.Open(path, error), 0);
    const uint8_t payload[3] = {0x01, 0x02, 0x06};
    ASSERT_EQ(writer.Append(Time2007(), "", 5, payload, 3), 0);
    EXPECT_EQ(logtest::ReadFile(path).size(), 14u + 17u);
    ASSERT_EQ(writer.Append(Time2007(), "Marker #1", 5, payload, 3), 0);
    EXPECT_EQ(logtest::ReadFile(path).size(), 14u + 17u + 26u);
}

TEST(LogWriter, AHeaderTheDeviceRefusesIsAnOpenFailure) {
    CLogWriter writer;
    std::string error;
    EXPECT_EQ(writer.Open("/dev/full", error), -1);
    EXPECT_EQ(error, "No space left on device");
    EXPECT_FALSE(writer.IsOpen());
}

TEST(LogWriter, OpenFailureGivesTheSystemReason) {
    CLogWriter writer;
    std::string error;
    EXPECT_EQ(writer.Open("/nonexistent-folder/x.ov", error), -1);
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.Append(Time2007(), "", 0, nullptr, 0), -1);
}

TEST(LogReader, ReadsBackWhatWasWritten) {
    LogBuilder log;
    log.Packet(5, Bytes(130, 0x11)).Packet(9, {1, 2, 3}, "Marker #1").At(12, 0, 1).Packet(0, {});
    const Walk walk = ReadBytes(log.Get());
    ASSERT_TRUE(walk.problems.empty());
    ASSERT_EQ(walk.records.size(), 3u);
    EXPECT_EQ(walk.records[0].nType, 5);
    EXPECT_EQ(walk.payloads[0].size(), 131u);
    EXPECT_TRUE(walk.records[0].bCheckGood);
    EXPECT_EQ(walk.markers[1], "Marker #1");
    EXPECT_EQ(walk.records[1].nOffset, 14u + walk.records[0].nSize);
    EXPECT_EQ(walk.records[2].time.nSecond, 1);
    EXPECT_EQ(walk.payloads[2].size(), 1u);
}

TEST(LogReader, ZeroPacketFileHasNoRecordsAndNoDamage) {
    const Walk walk = ReadBytes(LogBuilder().Get());
    EXPECT_TRUE(walk.records.empty());
    EXPECT_TRUE(walk.problems.empty());
}

TEST(LogReader, BadHeaderIsReportedAndRecordsAreStillFound) {
    LogBuilder log;
    log.Packet(4, {6});
    Bytes bytes = log.Get();
    bytes[5] = '3';
    const Walk walk = ReadBytes(bytes);
    ASSERT_EQ(walk.problems.size(), 1u);
    EXPECT_EQ(walk.problems[0].kind, LogProblem::Kind::BadHeader);
    EXPECT_EQ(walk.records.size(), 1u);

    for (size_t size : {0u, 1u, 13u}) {
        const Walk shortFile = ReadBytes(Bytes(log.Get().begin(), log.Get().begin() + size));
        ASSERT_EQ(shortFile.problems.size(), 1u) << size;
        EXPECT_EQ(shortFile.problems[0].nBytes, size);
        EXPECT_TRUE(shortFile.records.empty());
    }
}

TEST(LogReader, TruncatedLastRecordIsReportedWithItsOffset) {
    LogBuilder log;
    log.Packet(5, Bytes(130, 1));
    const size_t last = log.Offset();
    log.Packet(5, Bytes(130, 2), "Marker #3");
    const Bytes full = log.Get();
    // Cut inside the sync bytes, the time, the marker, the length and the payload.
    for (size_t keep : {1u, 2u, 5u, 10u, 15u, 23u, 40u, 140u}) {
        const Walk walk = ReadBytes(Bytes(full.begin(), full.begin() + last + keep));
        ASSERT_EQ(walk.records.size(), 1u) << keep;
        ASSERT_EQ(walk.problems.size(), 1u) << keep;
        EXPECT_EQ(walk.problems[0].kind, LogProblem::Kind::Truncated) << keep;
        EXPECT_EQ(walk.problems[0].nOffset, last);
        EXPECT_EQ(walk.problems[0].nBytes, keep);
    }
}

TEST(LogReader, DamagedSyncIsSkippedToTheNextRecord) {
    LogBuilder log;
    log.Packet(4, {1});
    const size_t second = log.Offset();
    log.Packet(4, {2}).Packet(4, {3});
    Bytes bytes = log.Get();
    bytes[second + 1] = 'Y';
    const Walk walk = ReadBytes(bytes);
    ASSERT_EQ(walk.records.size(), 2u);
    EXPECT_EQ(walk.payloads[1][0], 3);
    ASSERT_EQ(walk.problems.size(), 1u);
    EXPECT_EQ(walk.problems[0].kind, LogProblem::Kind::BadSync);
    EXPECT_EQ(walk.problems[0].nOffset, second);
    EXPECT_EQ(walk.problems[0].nBytes, 16u);
}

TEST(LogReader, CorruptLengthDoesNotSwallowTheRecordsAfterIt) {
    LogBuilder log;
    log.Packet(5, Bytes(20, 1));
    const size_t second = log.Offset();
    log.Packet(5, Bytes(20, 2)).Packet(5, Bytes(20, 3)).Packet(5, Bytes(20, 4));
    Bytes grown = log.Get();
    grown[second + 11] = 40;  // N larger: runs into the next record
    Walk walk = ReadBytes(grown);
    ASSERT_EQ(walk.records.size(), 3u);
    EXPECT_EQ(walk.payloads[1][0], 3);
    ASSERT_EQ(walk.problems.size(), 1u);
    EXPECT_EQ(walk.problems[0].kind, LogProblem::Kind::BadLength);

    Bytes huge = log.Get();
    huge[second + 12] = 0xF0;  // N past the end of the file: not a truncation
    walk = ReadBytes(huge);
    ASSERT_EQ(walk.records.size(), 3u);
    ASSERT_EQ(walk.problems.size(), 1u);
    EXPECT_EQ(walk.problems[0].kind, LogProblem::Kind::BadLength);
    EXPECT_EQ(walk.problems[0].nOffset, second);

    Bytes zero = log.Get();
    zero[second + 11] = 0;  // N = 0: not even a type byte
    walk = ReadBytes(zero);
    EXPECT_EQ(walk.records.size(), 3u);
    ASSERT_EQ(walk.problems.size(), 1u);
}

TEST(LogReader, BadCheckByteIsARecordMarkedBad) {
    LogBuilder log;
    log.Raw(5, {1, 2, 3}).Packet(5, {1});
    const Walk walk = ReadBytes(log.Get());
    ASSERT_EQ(walk.records.size(), 2u);
    EXPECT_FALSE(walk.records[0].bCheckGood);
    EXPECT_TRUE(walk.records[1].bCheckGood);
    EXPECT_TRUE(walk.problems.empty());
}

TEST(LogReader, GarbageAndRandomDamageNeverBreakTheWalk) {
    std::mt19937 random(7);
    LogBuilder log;
    for (int i = 0; i < 200; ++i) {
        Bytes data(random() % 300);
        for (auto& b : data) b = static_cast<uint8_t>(random());
        log.Packet(static_cast<uint8_t>(random() % 33), data, i % 17 == 0 ? "Marker #1" : "");
    }
    const Bytes sound = log.Get();
    for (int round = 0; round < 200; ++round) {
        Bytes bytes = sound;
        const int hits = 1 + static_cast<int>(random() % 20);
        for (int h = 0; h < hits; ++h)
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        bytes.resize(bytes.size() - random() % 400);
        const Walk walk = ReadBytes(bytes);
        uint64_t end = 0;
        for (const LogRecord& r : walk.records) {
            ASSERT_GE(r.nOffset, end);
            end = r.nOffset + r.nSize;
            ASSERT_LE(end, bytes.size());
        }
    }
    Bytes noise(100000);
    for (auto& b : noise) b = static_cast<uint8_t>(random() % 3 == 0 ? 'X' : random());
    const Walk walk = ReadBytes(noise);
    EXPECT_FALSE(walk.problems.empty());
}

TEST(LogReader, FilesLargerThanItsBufferAreReadWhole) {
    CTempFolder dir;
    LogBuilder log;
    const Bytes sweep(546, 0x11);
    const int count = 20000;  // about 11 MB, several buffer refills
    for (int i = 0; i < count; ++i) log.Packet(14, sweep);
    Bytes bytes = log.Get();
    // Damage straddling a refill boundary is handled like any other.
    bytes[(size_t{4} << 20) + 3] ^= 0xFF;
    log.Bytes_() = bytes;
    log.WriteTo(dir.Path("big.ov"));
    CLogReader reader;
    std::string error;
    ASSERT_EQ(reader.Open(dir.Path("big.ov"), error), 0);
    const Walk walk = ReadAll(reader);
    EXPECT_GE(walk.records.size(), static_cast<size_t>(count - 2));
    EXPECT_LE(walk.problems.size(), 1u);
}

TEST(LogReader, OpenRefusesMissingFilesAndFolders) {
    CLogReader reader;
    std::string error;
    EXPECT_EQ(reader.Open("/nonexistent/log.ov", error), -1);
    EXPECT_EQ(reader.Open("/tmp", error), -1);
}
