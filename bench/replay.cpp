// Replay of a long recording as fast as it can go: a log of the simulated
// board walking the built-in scenario in the MAC list mode (captured frames on
// every channel), about 200 MB, played through the replay port, the framer
// and the store, the path `orvalis --replay LOG --speed 0` runs. Reports the
// time, packets and bytes per second, the port's most buffered bytes and the
// process's peak resident memory.
//
// ORV_BENCH_LOG=PATH keeps the log there (made when missing), for
// scripts/bench-program.sh; ORV_BENCH_LOG_MB sets its size (default 200).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board/Framing.h"
#include "board/LogFormat.h"
#include "board/PacketFramer.h"
#include "board/ReplayPort.h"
#include "board/Wire.h"
#include "data/SurveyData.h"
#include "sim/Scenario.h"
#include "sim/SimulatedBoard.h"

namespace {

struct Recorded {
    int second;
    uint8_t type;
    std::vector<uint8_t> payload;  // check byte last
};

// The board's packets over `seconds` of board time in the MAC list mode.
std::vector<Recorded> RecordBoard(int seconds) {
    CSimulatedBoard board(CScenario::Default(), 1);
    uint8_t command[32];
    const uint8_t mode = BoardMode::kAllChannels;
    const int n = FrameCommand(BoardCommand::kSetMode, &mode, 1, command, sizeof(command));
    board.Write(command, static_cast<size_t>(n));
    CPacketFramer framer;
    std::vector<Recorded> out;
    for (int s = 0; s < seconds; ++s) {
        board.Advance(CSimulatedBoard::kSecond);
        for (uint8_t b : board.ReadAll()) {
            framer.PushByte(b);
            if (!framer.IsComplete()) continue;
            out.push_back(
                {s, framer.Type(),
                 std::vector<uint8_t>(framer.Buffer(), framer.Buffer() + framer.Length())});
            framer.Reset();
        }
    }
    return out;
}

// Writes the recording again and again, the clock running on, to `bytes`.
int WriteLog(const std::string& path, uint64_t bytes) {
    constexpr int kSeconds = 3600;
    const std::vector<Recorded> packets = RecordBoard(kSeconds);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file || packets.empty()) return -1;
    file.write(reinterpret_cast<const char*>(CLogFormat::kHeader.data()), CLogFormat::kHeaderSize);
    uint64_t written = CLogFormat::kHeaderSize;
    std::vector<uint8_t> chunk;
    for (int round = 0; written < bytes; ++round) {
        for (const Recorded& r : packets) {
            std::tm tm{};
            tm.tm_year = 126;
            tm.tm_mday = 1;
            const int64_t at = static_cast<int64_t>(round) * kSeconds + r.second;
            tm.tm_mday += static_cast<int>(at / 86400);
            tm.tm_hour = static_cast<int>(at / 3600 % 24);
            tm.tm_min = static_cast<int>(at / 60 % 60);
            tm.tm_sec = static_cast<int>(at % 60);
            CLogFormat::AppendRecord(chunk, LogTime::FromLocal(tm), "", r.type, r.payload.data(),
                                     static_cast<uint32_t>(r.payload.size()));
            if (chunk.size() > (1u << 20)) {
                file.write(reinterpret_cast<const char*>(chunk.data()),
                           static_cast<std::streamsize>(chunk.size()));
                written += chunk.size();
                chunk.clear();
                if (written >= bytes) break;
            }
        }
    }
    file.write(reinterpret_cast<const char*>(chunk.data()),
               static_cast<std::streamsize>(chunk.size()));
    return file.good() ? 0 : -1;
}

std::string LogPath() {
    static const std::string path = [] {
        const char* keep = std::getenv("ORV_BENCH_LOG");
        const std::string p = keep != nullptr
                                  ? keep
                                  : (std::filesystem::temp_directory_path() /
                                     ("orvalis-bench-" + std::to_string(getpid()) + ".ov"))
                                        .string();
        const char* mb = std::getenv("ORV_BENCH_LOG_MB");
        const uint64_t size = (mb != nullptr ? std::strtoull(mb, nullptr, 10) : 200) << 20;
        std::error_code ec;
        if (!std::filesystem::exists(p, ec) || std::filesystem::file_size(p, ec) < size) {
            if (WriteLog(p, size) != 0) return std::string();
        }
        if (keep == nullptr) {
            static const std::string remove = p;
            std::atexit([] { std::remove(remove.c_str()); });
        }
        return p;
    }();
    return path;
}

double PeakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_ReplayToStore(benchmark::State& state) {
    const std::string path = LogPath();
    if (path.empty()) {
        state.SkipWithError("cannot write the log");
        return;
    }
    uint64_t packets = 0;
    size_t peakBuffered = 0;
    for (auto _ : state) {
        CReplayPort port(0.0);
        std::string error;
        if (port.Open(path, error) != 0) {
            state.SkipWithError(error.c_str());
            return;
        }
        CPacketFramer framer;
        auto store = std::make_unique<CSurveyData>();
        uint8_t buffer[4096];
        while (port.BytesWaiting() > 0) {
            const int n = port.Read(buffer, sizeof(buffer));
            size_t done = 0;
            while (done < static_cast<size_t>(n)) {
                done += framer.PushBytes(buffer + done, static_cast<size_t>(n) - done);
                if (!framer.IsComplete()) continue;
                store->DispatchPacket(framer.Type(), framer.Buffer(),
                                      static_cast<uint32_t>(framer.Length()));
                framer.Reset();
            }
        }
        packets += port.PacketsReleased();
        peakBuffered = std::max(peakBuffered, port.PeakBufferedBytes());
    }
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(path));
    state.SetItemsProcessed(static_cast<int64_t>(packets));
    state.SetBytesProcessed(static_cast<int64_t>(fileBytes) * state.iterations());
    state.counters["log_MB"] = fileBytes / (1 << 20);
    state.counters["port_peak_KB"] = static_cast<double>(peakBuffered) / 1024.0;
    state.counters["peak_rss_MB"] = PeakResidentMb();
}
BENCHMARK(BM_ReplayToStore)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
