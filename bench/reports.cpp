// Survey reports on a 100 MB log of a walk: report, export geojson and the
// heat map at 1 m cells.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchLog.h"

namespace {

constexpr size_t kLogBytes = size_t{100} << 20;
const char* const kLogPath = "/tmp/orvalis-bench-reports-100mb.ov";
constexpr int kAccessPoints = 100;
constexpr int kClients = 100;

// A captured beacon (fc 0x80, with SSID and DS channel 6) or data frame.
std::vector<uint8_t> Capture(uint8_t fc, int station, int rssi, size_t extra) {
    std::vector<uint8_t> p(93, 0);
    p[1] = static_cast<uint8_t>(rssi);
    p[90] = 1;
    std::vector<uint8_t> body = {fc == 0x80 ? uint8_t{10} : uint8_t{110}, 0, 0, 0, fc, 0, 0, 0};
    body.insert(body.end(), 6, 0xFF);
    for (int i = 0; i < 2; ++i) {
        for (uint8_t b : {uint8_t{0x00}, uint8_t{0x40}, uint8_t{0x96}, uint8_t{fc},
                          static_cast<uint8_t>(station >> 8), static_cast<uint8_t>(station)}) {
            body.push_back(b);
        }
    }
    body.insert(body.end(), 2, 0);
    if (fc == 0x80) {
        body.insert(body.end(), 8, 0);
        body.insert(body.end(), {100, 0, 0x11, 0, 0, 8});
        for (int i = 0; i < 8; ++i) body.push_back(static_cast<uint8_t>('a' + (station + i) % 26));
        body.insert(body.end(), {1, 4, 0x82, 0x84, 0x8B, 0x96, 3, 1, 6});
    }
    body.insert(body.end(), extra, 0x5A);
    p[91] = static_cast<uint8_t>(body.size());
    p[92] = static_cast<uint8_t>(body.size() >> 8);
    p.insert(p.end(), body.begin(), body.end());
    return p;
}

// The GPS receiver's message with a 3D fix at the position (big-endian
// milliseconds of arc).
std::vector<uint8_t> Gps(double lat, double lon) {
    std::vector<uint8_t> m(152, 0);
    auto put32 = [&](size_t at, double degrees) {
        const auto u =
            static_cast<uint32_t>(static_cast<int32_t>(std::lround(degrees * 3600000.0)));
        for (int i = 0; i < 4; ++i) m[at + size_t(i)] = static_cast<uint8_t>(u >> (24 - 8 * i));
    };
    put32(15, lat);
    put32(19, lon);
    put32(31, lat);
    put32(35, lon);
    m[129] = 7 << 5;
    return m;
}

// A walk up and down a 300 x 280 m site at 1.4 m/s, a GPS message a second
// among 100 records: beacons of 100 access points whose level falls with
// the distance, data frames, noise reports and sweeps.
void MakeLog() {
    CBenchLogWriter log;
    if (!log.Open(kLogPath, kLogBytes)) return;
    LogTime t;
    t.nYear = 26;
    t.nMonth = 5;
    t.nDay = 14;
    constexpr double kLat0 = 47.3764, kLon0 = 8.5482, kMetresPerDegree = 111320.0;
    const double cosLat = std::cos(kLat0 * 3.14159265358979 / 180.0);
    double east = 0, north = 0;
    for (int n = 0; !log.Full(); ++n) {
        std::vector<uint8_t> data;
        uint8_t type;
        if (n % 100 == 0) {
            const int second = n / 100;
            const double along = second * 1.4;
            const int lane = static_cast<int>(along / 300.0);
            const double in = std::fmod(along, 300.0);
            east = lane % 2 == 0 ? in : 300.0 - in;
            north = std::fmod(lane * 10.0, 280.0);
            t.nHour = static_cast<uint8_t>(9 + second / 3600 % 12);
            t.nMinute = static_cast<uint8_t>(second / 60 % 60);
            t.nSecond = static_cast<uint8_t>(second % 60);
            type = 7;
            data =
                Gps(kLat0 + north / kMetresPerDegree, kLon0 + east / (kMetresPerDegree * cosLat));
        } else if (n % 100 == 1) {
            type = 4;
            data = {6};
        } else if (n % 100 == 2) {
            type = 32;
            data = {0xA0, 0xFF, 6};
        } else if (n % 10 == 3) {
            type = 14;
            data.assign(546, static_cast<uint8_t>(n));
        } else {
            const int station = n % kAccessPoints;
            // Access points on a 10 x 10 grid 30 m apart.
            const double dx = east - (station % 10) * 30.0, dy = north - (station / 10) * 28.0;
            const double d = std::max(1.0, std::hypot(dx, dy));
            const int rssi = std::max(-100, static_cast<int>(-40 - 26 * std::log10(d)));
            if (n % 3 == 0) {
                type = 18;
                data = Capture(0x08, n % kClients + 1000, rssi, 60);
            } else {
                type = 9;
                data = Capture(0x80, station, rssi, 0);
            }
        }
        log.Append(t, "", type, std::move(data));
    }
}

void RunCommand(benchmark::State& state, std::vector<const char*> argv) {
    MakeLog();
    RunLogCommand(state, kLogPath, std::move(argv));
}

// Target: under 2 s.
void BM_Report100MB(benchmark::State& state) {
    RunCommand(state, {"orvalis-log", "report", kLogPath});
}
BENCHMARK(BM_Report100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// Target: under 2 s.
void BM_ExportGeoJson100MB(benchmark::State& state) {
    RunCommand(state, {"orvalis-log", "export", "geojson", kLogPath, "/tmp/orvalis-bench.geojson"});
}
BENCHMARK(BM_ExportGeoJson100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// Target: under 5 s.
void BM_HeatMap1m100MB(benchmark::State& state) {
    RunCommand(state, {"orvalis-log", "heatmap", kLogPath, "-o", "/tmp/orvalis-bench-heatmap.png",
                       "--cell", "1"});
}
BENCHMARK(BM_HeatMap1m100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
