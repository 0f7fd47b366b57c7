#include "LogTestUtil.h"

#include <unistd.h>
#include <fstream>
#include <iterator>
#include <random>

#include "board/Framing.h"
#include "board/PacketFramer.h"
#include "sim/Scenario.h"
#include "sim/SimulatedBoard.h"
#include "tools/LogTool.h"

namespace logtest {

LogBuilder::LogBuilder() : m_bytes(CLogFormat::kHeader.begin(), CLogFormat::kHeader.end()) {
    m_time.nDay = 5;
    m_time.nMonth = 3;
    m_time.nYear = 7;
    m_time.nHour = 12;
}

LogBuilder& LogBuilder::Packet(uint8_t type, const Bytes& data, const std::string& marker) {
    Bytes payload = data;
    payload.push_back(CheckByte(type, data.data(), data.size()));
    return Raw(type, payload, marker);
}

LogBuilder& LogBuilder::Raw(uint8_t type, const Bytes& payload, const std::string& marker) {
    CLogFormat::AppendRecord(m_bytes, m_time, marker, type, payload.data(),
                             static_cast<uint32_t>(payload.size()));
    return *this;
}

LogBuilder& LogBuilder::At(int hour, int minute, int second) {
    m_time.nHour = static_cast<uint8_t>(hour);
    m_time.nMinute = static_cast<uint8_t>(minute);
    m_time.nSecond = static_cast<uint8_t>(second);
    return *this;
}

LogBuilder& LogBuilder::Date(int year, int month, int day) {
    m_time.nYear = static_cast<uint8_t>(year - 2000);
    m_time.nMonth = static_cast<uint8_t>(month);
    m_time.nDay = static_cast<uint8_t>(day);
    return *this;
}

void LogBuilder::WriteTo(const std::string& path) const {
    WriteFile(path, m_bytes);
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Bytes GpsMessage(double latitude, double longitude, int heightCm, bool fix) {
    Bytes m(152, 0);
    auto put32 = [&](size_t at, int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        m[at] = static_cast<uint8_t>(u >> 24);
        m[at + 1] = static_cast<uint8_t>(u >> 16);
        m[at + 2] = static_cast<uint8_t>(u >> 8);
        m[at + 3] = static_cast<uint8_t>(u);
    };
    const auto lat = static_cast<int32_t>(latitude * 3600000.0);
    const auto lon = static_cast<int32_t>(longitude * 3600000.0);
    put32(15, lat);
    put32(19, lon);
    put32(23, heightCm);
    put32(31, lat);
    put32(35, lon);
    m[4] = 3;
    m[5] = 5;
    m[6] = 0x07;
    m[7] = 0xD7;
    m[129] = static_cast<uint8_t>((fix ? 7 : 3) << 5);
    return m;
}

LogBuilder RecordSimulatorSession(uint64_t seed, int seconds, int mode, int channel) {
    CSimulatedBoard board(CScenario::Default(), seed);
    auto command = [&](uint8_t number, uint8_t argument) {
        const uint8_t bytes[] = {0x11, 0x12, number, argument, 0x11, 0x13};
        board.Write(bytes, sizeof(bytes));
    };
    command(BoardCommand::kSetMode, static_cast<uint8_t>(mode));
    if (channel != 0) command(BoardCommand::kSetChannel, static_cast<uint8_t>(channel));

    LogBuilder log;
    log.Date(2026, 12, 8);
    CPacketFramer framer;
    for (int s = 0; s < seconds; ++s) {
        board.AdvanceTo(int64_t{s + 1} * CSimulatedBoard::kSecond);
        log.At(10 + s / 3600, s / 60 % 60, s % 60);
        for (const uint8_t b : board.ReadAll()) {
            framer.PushByte(b);
            if (!framer.IsComplete()) continue;
            const Bytes payload(framer.Buffer(), framer.Buffer() + framer.Length());
            // The recorder takes only packets with a good check byte.
            if (CLogFormat::CheckSum(framer.Type(), payload.data(),
                                     static_cast<uint32_t>(payload.size())) == 0) {
                log.Raw(framer.Type(), payload);
            }
            framer.Reset();
        }
    }
    return log;
}

namespace {
std::string ReadAll(std::FILE* f) {
    std::string text;
    std::rewind(f);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) text.append(buffer, n);
    return text;
}
}  // namespace

ToolRun RunTool(const std::vector<std::string>& args) {
    std::vector<const char*> argv = {"orvalis-log"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ToolRun run;
    run.rc = RunLogTool(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    std::fclose(out);
    std::fclose(err);
    return run;
}

}  // namespace logtest
