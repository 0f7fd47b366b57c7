#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// The local time stamped on a log record, as its six bytes.
struct LogTime {
    uint8_t nDay = 1;    // 1..31
    uint8_t nMonth = 1;  // 1..12
    uint8_t nYear = 0;   // years since 2000, kept to 8 bits
    uint8_t nHour = 0;
    uint8_t nMinute = 0;
    uint8_t nSecond = 0;

    static LogTime FromLocal(const std::tm& local);
    // Whether every field lies in its range (a second of 60 is a leap second).
    bool IsValid() const;
    // Seconds from 2000-01-01 00:00 to this time, read as a calendar time with
    // no time zone: differences between two stamps are elapsed seconds.
    int64_t CalendarSeconds() const;
    // The stamp as a local time of the machine reading it (seconds since the
    // epoch), for tools that print or export it.
    std::time_t ToEpochAsLocal() const;
    // "2007-03-05 13:05:09"; fields out of range print as they are.
    std::string Format() const;

    bool operator==(const LogTime&) const = default;
};

// The packet log file: a 14-byte header, then one record per recorded packet,
// back to back. All multi-byte numbers are little-endian.
//
// Record: "XXX", six time bytes, marker length M (16 bits), M marker bytes,
// N (16 bits) = payload length + 1, the packet type, the payload as the framer
// delivered it (its last byte the packet's check byte).
class CLogFormat {
public:
    static constexpr size_t kHeaderSize = 14;
    static constexpr std::array<uint8_t, kHeaderSize> kHeader = {'O', 'R', 'V', ' ', ' ', '4', '.',
                                                                 '0', '0', ' ', 0,   0,   0,   0};
    static constexpr std::array<uint8_t, 3> kSync = {'X', 'X', 'X'};
    // Sync, time, M and N: a record without marker is this plus N bytes.
    static constexpr size_t kRecordFixedSize = 13;
    static constexpr size_t kMarkerLengthOffset = 9;
    static constexpr uint32_t kMaxMarker = 0xFFFF;
    // N is 16 bits and counts the type byte too.
    static constexpr uint32_t kMaxPayload = 0xFFFE;
    static constexpr size_t kMaxRecordSize = kRecordFixedSize + kMaxMarker + kMaxPayload + 1;

    // Appends one record to out: its size, or -1 (nothing appended) when the
    // payload is longer than kMaxPayload or missing. A marker longer than
    // kMaxMarker is cut to it.
    static int AppendRecord(std::vector<uint8_t>& out, const LogTime& time, std::string_view marker,
                            uint8_t type, const uint8_t* payload, uint32_t length);

    // XOR of the type and every payload byte: 0 for a good packet.
    static uint8_t CheckSum(uint8_t type, const uint8_t* payload, uint32_t length);

    // Radio facts shared by the tools: the centre frequency of a 2.4 GHz
    // channel (1..14) in MHz, 0 for any other number.
    static int ChannelFrequency(int channel);
};
