#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "gps/GpsStatus.h"

// The receiving side of the forwarding link, `orvalis-link-server`: accepts
// peers on a TCP port and reads their messages (type byte, 16-bit
// little-endian length L, then L bytes: the board packet's payload followed
// by the text record "X,serial,rssi,mac,ssid").

// One message taken apart.
struct LinkRecord {
    uint8_t nType = 0;
    uint16_t nLength = 0;  // L
    std::vector<uint8_t> payload;
    bool bHasText = false;
    std::string strTag;
    std::string strSerial;
    int nRssi = 0;
    std::string strMac;  // without the padding
    std::string strSsid;
    bool bHasFix = false;  // the payload holds a whole GPS message
    CGpsStatus gps;
};

// Splits L bytes into payload and text record. The text is looked for after
// a whole GPS message and its check byte first, then at the earliest place
// the rest of the bytes read as a text record. Always fills the type,
// length and payload; 0 when a text record was found, else -1 (the payload
// is then all of the bytes).
int SplitLinkMessage(uint8_t type, const uint8_t* body, uint16_t length, LinkRecord& out);

// One line: the peer, the text record's five fields, the GPS fix.
std::string FormatLinkRecord(const std::string& peer, const LinkRecord& record);
nlohmann::json LinkRecordJson(const std::string& peer, const LinkRecord& record);

inline constexpr int kLinkServerOk = 0;
inline constexpr int kLinkServerFailed = 1;
inline constexpr int kLinkServerUsage = 2;

// The whole tool (argv[0] is the program). Runs until `stop` is set, a
// signal ends it, or --count messages have arrived. Returns the exit code.
int RunLinkServer(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
                  const std::atomic<bool>* stop = nullptr);
