// The log tool on a 100 MB survey log: verify and export pcap.

#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "bench/BenchLog.h"

namespace {

constexpr size_t kLogBytes = size_t{100} << 20;
const char* const kLogPath = "/tmp/orvalis-bench-100mb.ov";

std::vector<uint8_t> Capture(uint8_t fc, int n, int ssidLength, size_t extra) {
    std::vector<uint8_t> p(93, 0);
    p[1] = static_cast<uint8_t>(-40 - n % 50);
    p[90] = 1;
    std::vector<uint8_t> body = {110, 0, 0, 0, fc, 0, 0, 0};
    body.insert(body.end(), 6, 0xFF);
    for (int i = 0; i < 2; ++i) {
        for (uint8_t b : {uint8_t{0x00}, uint8_t{0x40}, uint8_t{0x96}, uint8_t{0x01},
                          static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)}) {
            body.push_back(b);
        }
    }
    body.insert(body.end(), 2, 0);
    if (fc == 0x80) {
        body.insert(body.end(), 8, 0);
        body.insert(body.end(), {100, 0, 0x11, 0, 0, static_cast<uint8_t>(ssidLength)});
        for (int i = 0; i < ssidLength; ++i) body.push_back(static_cast<uint8_t>('a' + i % 26));
        body.insert(body.end(), {1, 4, 0x82, 0x84, 0x8B, 0x96, 3, 1, 6});
    }
    body.insert(body.end(), extra, 0x5A);
    p[91] = static_cast<uint8_t>(body.size());
    p[92] = static_cast<uint8_t>(body.size() >> 8);
    p.insert(p.end(), body.begin(), body.end());
    return p;
}

// A day's mix at full line rate: beacons, data frames, sweeps, channel
// reports and GPS messages, with a marker now and then.
void MakeLog() {
    CBenchLogWriter log;
    if (!log.Open(kLogPath, kLogBytes)) return;
    LogTime t;
    t.nYear = 7;
    t.nMonth = 3;
    t.nDay = 5;
    for (int n = 0; !log.Full(); ++n) {
        std::vector<uint8_t> data;
        uint8_t type;
        switch (n % 8) {
            case 0:
            case 1:
            case 2:
                type = 9;
                data = Capture(0x80, n % 200, 4 + n % 20, 0);
                break;
            case 3:
            case 4:
                type = 18;
                data = Capture(0x08, n % 300, 0, 60);
                break;
            case 5:
                type = 14;
                data.assign(546, static_cast<uint8_t>(n));
                break;
            case 6:
                type = 4;
                data = {6};
                break;
            default:
                type = 7;
                data.assign(152, 0);
                data[129] = 0xE0;
                break;
        }
        // About 330 MB a day: 100 records a second.
        if (n % 100 == 0) {
            const int second = n / 100;
            t.nHour = static_cast<uint8_t>(second / 3600 % 24);
            t.nMinute = static_cast<uint8_t>(second / 60 % 60);
            t.nSecond = static_cast<uint8_t>(second % 60);
        }
        log.Append(t, n % 5000 == 0 ? "Marker #1" : "", type, std::move(data));
    }
}

void RunCommand(benchmark::State& state, std::vector<const char*> argv) {
    MakeLog();
    RunLogCommand(state, kLogPath, std::move(argv));
}

void BM_Verify100MB(benchmark::State& state) {
    RunCommand(state, {"orvalis-log", "verify", kLogPath});
}
BENCHMARK(BM_Verify100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportPcap100MB(benchmark::State& state) {
    RunCommand(state, {"orvalis-log", "export", "pcap", kLogPath, "/tmp/orvalis-bench.pcap"});
}
BENCHMARK(BM_ExportPcap100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
