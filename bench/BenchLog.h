#pragma once

// The large packet logs the log tool's benchmarks run on: written once, kept
// under /tmp for later runs, and the commands run on them in-process.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

#include "board/Framing.h"
#include "board/LogFormat.h"
#include "tools/LogTool.h"

// Writes a log of at least `bytes` to `path` in 1 MB blocks, unless one that
// large is already there (then Open returns false and nothing is written).
class CBenchLogWriter {
public:
    CBenchLogWriter() = default;
    CBenchLogWriter(const CBenchLogWriter&) = delete;
    CBenchLogWriter& operator=(const CBenchLogWriter&) = delete;
    ~CBenchLogWriter() {
        if (m_file == nullptr) return;
        std::fwrite(m_out.data(), 1, m_out.size(), m_file);
        std::fclose(m_file);
    }

    bool Open(const char* path, size_t bytes) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec && size >= bytes) return false;
        m_file = std::fopen(path, "wb");
        if (m_file == nullptr) return false;
        m_nTarget = bytes;
        m_out.assign(CLogFormat::kHeader.begin(), CLogFormat::kHeader.end());
        return true;
    }
    bool Full() const { return m_nWritten + m_out.size() >= m_nTarget; }

    // One record of `data` (a payload without its check byte, which is added).
    void Append(const LogTime& time, std::string_view marker, uint8_t type,
                std::vector<uint8_t> data) {
        data.push_back(CheckByte(type, data.data(), data.size()));
        CLogFormat::AppendRecord(m_out, time, marker, type, data.data(),
                                 static_cast<uint32_t>(data.size()));
        if (m_out.size() > (size_t{1} << 20)) {
            std::fwrite(m_out.data(), 1, m_out.size(), m_file);
            m_nWritten += m_out.size();
            m_out.clear();
        }
    }

private:
    std::FILE* m_file = nullptr;
    std::vector<uint8_t> m_out;
    size_t m_nWritten = 0;
    size_t m_nTarget = 0;
};

// Runs an orvalis-log command once per iteration, its output thrown away; the
// throughput is counted in bytes of the log at `logPath`.
inline void RunLogCommand(benchmark::State& state, const char* logPath,
                          std::vector<const char*> argv) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        const int rc = RunLogTool(static_cast<int>(argv.size()), argv.data(), sink, sink);
        if (rc != kExitOk) state.SkipWithError("the command failed");
    }
    std::fclose(sink);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(std::filesystem::file_size(logPath)));
}
