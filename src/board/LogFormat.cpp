#include "board/LogFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Days from 2000-01-01 to year-month-day of the proleptic Gregorian calendar.
int64_t DaysFrom2000(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 730425;  // 730425: days from 0000-03-01 to 2000-01-01
}

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

LogTime LogTime::FromLocal(const std::tm& local) {
    LogTime t;
    t.nDay = static_cast<uint8_t>(local.tm_mday);
    t.nMonth = static_cast<uint8_t>(local.tm_mon + 1);
    // Years since 1900 plus 156 is the year minus 2000 modulo 256.
    t.nYear = static_cast<uint8_t>((local.tm_year + 156) & 0xFF);
    t.nHour = static_cast<uint8_t>(local.tm_hour);
    t.nMinute = static_cast<uint8_t>(local.tm_min);
    t.nSecond = static_cast<uint8_t>(local.tm_sec);
    return t;
}

bool LogTime::IsValid() const {
    return nDay >= 1 && nDay <= 31 && nMonth >= 1 && nMonth <= 12 && nHour <= 23 && nMinute <= 59 &&
           nSecond <= 60;
}

int64_t LogTime::CalendarSeconds() const {
    const int64_t days = DaysFrom2000(2000 + nYear, nMonth, nDay);
    return days * 86400 + nHour * 3600 + nMinute * 60 + nSecond;
}

std::time_t LogTime::ToEpochAsLocal() const {
    std::tm tm{};
    tm.tm_year = 100 + nYear;
    tm.tm_mon = nMonth - 1;
    tm.tm_mday = nDay;
    tm.tm_hour = nHour;
    tm.tm_min = nMinute;
    tm.tm_sec = nSecond;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::string LogTime::Format() const {
    char text[40];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", 2000 + nYear, nMonth, nDay,
                  nHour, nMinute, nSecond);
    return text;
}

int CLogFormat::AppendRecord(std::vector<uint8_t>& out, const LogTime& time,
                             std::string_view marker, uint8_t type, const uint8_t* payload,
                             uint32_t length) {
    if (length > kMaxPayload || (payload == nullptr && length != 0)) return -1;
    const size_t markerLength = std::min<size_t>(marker.size(), kMaxMarker);
    const size_t start = out.size();
    out.insert(out.end(), kSync.begin(), kSync.end());
    out.push_back(time.nDay);
    out.push_back(time.nMonth);
    out.push_back(time.nYear);
    out.push_back(time.nHour);
    out.push_back(time.nMinute);
    out.push_back(time.nSecond);
    PutU16(out, static_cast<uint32_t>(markerLength));
    out.insert(out.end(), marker.begin(), marker.begin() + static_cast<ptrdiff_t>(markerLength));
    PutU16(out, length + 1);
    out.push_back(type);
    if (length != 0) out.insert(out.end(), payload, payload + length);
    return static_cast<int>(out.size() - start);
}

uint8_t CLogFormat::CheckSum(uint8_t type, const uint8_t* payload, uint32_t length) {
    uint8_t x = type;
    // Eight bytes at a time: the check runs over every byte of every record
    // the tools read.
    uint64_t wide = 0;
    uint32_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, payload + i, 8);
        wide ^= chunk;
    }
    for (int shift = 0; shift < 64; shift += 8) x ^= static_cast<uint8_t>(wide >> shift);
    for (; i < length; ++i) x ^= payload[i];
    return x;
}

int CLogFormat::ChannelFrequency(int channel) {
    if (channel >= 1 && channel <= 13) return 2407 + 5 * channel;
    if (channel == 14) return 2484;
    return 0;
}
