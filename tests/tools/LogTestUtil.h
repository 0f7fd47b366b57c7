#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "board/LogFormat.h"
#include "tests/support/TempFolder.h"

namespace logtest {

using Bytes = std::vector<uint8_t>;

// Builds log files in memory, record by record.
class LogBuilder {
public:
    LogBuilder();
    // Appends a packet with its check byte computed from `data`.
    LogBuilder& Packet(uint8_t type, const Bytes& data, const std::string& marker = "");
    // Appends a record holding `payload` exactly as given (check byte included).
    LogBuilder& Raw(uint8_t type, const Bytes& payload, const std::string& marker = "");
    LogBuilder& At(int hour, int minute, int second);
    LogBuilder& Date(int year, int month, int day);
    // Offset of the next record.
    size_t Offset() const { return m_bytes.size(); }
    Bytes& Bytes_() { return m_bytes; }
    const Bytes& Get() const { return m_bytes; }
    void WriteTo(const std::string& path) const;

private:
    Bytes m_bytes;
    LogTime m_time;
};

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);

// A GPS message with a fix at the given position (degrees), or without a fix.
Bytes GpsMessage(double latitude, double longitude, int heightCm, bool fix);

// A log of a session on the simulated board (built-in scenario, with its GPS
// track): every packet the board sent in `seconds` of board time, recorded
// as the program records them, stamped from 2026-12-08 10:00:00 on. The
// board is put into `mode`, on `channel` when it is not 0.
LogBuilder RecordSimulatorSession(uint64_t seed, int seconds, int mode, int channel);

// Runs `orvalis-log` in-process with the given arguments (after argv[0]).
struct ToolRun {
    int rc = -1;
    std::string out;
    std::string err;
};
ToolRun RunTool(const std::vector<std::string>& args);

}  // namespace logtest
