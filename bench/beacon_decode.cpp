// Beacon decoding at city scale: 10,000 stations already in the table, then
// beacons from randomly chosen known stations (refreshes, which dominate a
// real survey), through the whole dispatcher and through the decoder alone.
// BM_NewStation measures the rarer case of a station joining a full table.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "data/Messages.h"
#include "data/SurveyData.h"
#include "ui/MessageQueue.h"

namespace {

constexpr uint8_t kChannel = 6;
constexpr uint32_t kStations = 10000;

// A beacon capture as the board sends it, check byte included: a 93-byte
// header, then rate byte, three unused bytes, MAC header, fixed fields and
// the usual elements (SSID, supported rates, DS parameter set, TIM).
std::vector<uint8_t> MakeBeacon(uint32_t station, int8_t rssi, std::mt19937& rng) {
    std::vector<uint8_t> p(93, 0);
    p[1] = static_cast<uint8_t>(rssi);
    for (int i = 2; i < 90; ++i) p[i] = static_cast<uint8_t>(rng());
    p[90] = 1;
    std::vector<uint8_t> body(40, 0);
    body[0] = 110;
    body[4] = 0x80;
    const uint8_t address[6] = {0x00,
                                0x1C,
                                static_cast<uint8_t>(station >> 24),
                                static_cast<uint8_t>(station >> 16),
                                static_cast<uint8_t>(station >> 8),
                                static_cast<uint8_t>(station)};
    for (int i = 0; i < 6; ++i) {
        body[8 + i] = 0xFF;
        body[14 + i] = address[i];
        body[20 + i] = address[i];
    }
    body[36] = 100;
    body[38] = (station % 3 == 0) ? 0x11 : 0x01;
    char ssid[33];
    const int n = std::snprintf(ssid, sizeof(ssid), "net-%u-%s", station,
                                station % 2 ? "home" : "office-floor-2");
    body.push_back(0);
    body.push_back(static_cast<uint8_t>(n));
    body.insert(body.end(), ssid, ssid + n);
    body.insert(body.end(), {1, 8, 0x82, 0x84, 0x8B, 0x96, 0x0C, 0x12, 0x18, 0x24});
    body.insert(body.end(), {3, 1, kChannel});
    body.insert(body.end(), {5, 4, 0, 1, 0, 0});
    p[91] = static_cast<uint8_t>(body.size());
    p[92] = static_cast<uint8_t>(body.size() >> 8);
    p.insert(p.end(), body.begin(), body.end());
    uint8_t check = 9;
    for (uint8_t b : p) check ^= b;
    p.push_back(check);
    return p;
}

// Posts straight into a message queue, as the main frame does.
class QueuePoster : public IMessagePoster {
public:
    explicit QueuePoster(CMessageQueue& queue) : m_queue(queue) {}
    void PostMessage(unsigned message) override { m_queue.PostMessage(message); }

private:
    CMessageQueue& m_queue;
};

struct Fixture {
    explicit Fixture(uint32_t unauthorizedListed = 0) {
        store->m_nChannel = kChannel;
        store->m_dFirmwareVersion = 1.2;
        std::mt19937 rng(42);
        for (uint32_t s = 0; s < kStations; ++s) {
            const auto beacon = MakeBeacon(s, static_cast<int8_t>(-95 + rng() % 70), rng);
            store->DispatchPacket(9, beacon.data(), static_cast<uint32_t>(beacon.size()));
        }
        for (uint32_t i = 0; i < unauthorizedListed; ++i) {
            char mac[32];
            std::snprintf(mac, sizeof(mac), "02-FF-00-00-%02X-%02X", i >> 8, i & 0xFF);
            store->AddUnauthorized(mac);
        }
        for (int i = 0; i < 8192; ++i) {
            refreshes.push_back(
                MakeBeacon(rng() % kStations, static_cast<int8_t>(-95 + rng() % 70), rng));
        }
    }
    std::unique_ptr<CSurveyData> store = std::make_unique<CSurveyData>();
    std::vector<std::vector<uint8_t>> refreshes;
};

// Dispatches the fixture's beacons round and round, one per iteration.
void DispatchRefreshes(benchmark::State& state, Fixture& f) {
    size_t i = 0;
    for (auto _ : state) {
        const auto& p = f.refreshes[i++ & 8191];
        f.store->DispatchPacket(PacketType::kCapturedBeacon, p.data(),
                                static_cast<uint32_t>(p.size()));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_BeaconDispatch(benchmark::State& state) {
    Fixture f(static_cast<uint32_t>(state.range(0)));
    if (f.store->m_Stations.Count() != static_cast<int>(kStations)) {
        state.SkipWithError("table not filled");
        return;
    }
    DispatchRefreshes(state, f);
    state.counters["stations"] = f.store->m_Stations.Count();
}
BENCHMARK(BM_BeaconDispatch)->Arg(0)->Arg(999)->ArgName("unauthorized_listed");

void BM_BeaconDecodeOnly(benchmark::State& state) {
    Fixture f;
    size_t i = 0;
    for (auto _ : state) {
        const auto& p = f.refreshes[i++ & 8191];
        f.store->DecodeManagementFrame(p.data(), static_cast<uint32_t>(p.size() - 1));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_BeaconDecodeOnly);

// Security on with both access-point lists full: the first 999 stations are
// authorized, the next 999 are on the unauthorized list, and every other
// station is on neither, so each of its beacons looks up both full lists and
// raises the alarm (the unauthorized list can no longer take it).
void BM_BeaconSecurityFullLists(benchmark::State& state) {
    Fixture f;
    char mac[32];
    for (uint32_t s = 0; s < 2 * 999; ++s) {
        std::snprintf(mac, sizeof(mac), "00-1C-%02X-%02X-%02X-%02X", (s >> 24) & 0xFF,
                      (s >> 16) & 0xFF, (s >> 8) & 0xFF, s & 0xFF);
        if (s < 999) {
            f.store->AddAuthorized(mac);
        } else {
            f.store->AddUnauthorized(mac);
        }
    }
    f.store->m_bSecurityEnabled = 1;
    if (f.store->m_nAuthorizedCount != 999 || f.store->m_nUnauthorizedCount != 999) {
        state.SkipWithError("lists not filled");
        return;
    }
    // With a queue behind the store, every beacon also posts its refresh and
    // its alarm the way the program does; a GUI stand-in takes them now and
    // then.
    CMessageQueue queue;
    QueuePoster poster(queue);
    if (state.range(0) != 0) {
        for (const unsigned message : {UM_REFRESH_VIEW, UM_UNAUTHORIZED_AP, UM_LOG_PACKET})
            queue.CoalesceMessage(message);
        f.store->m_hNotifyWnd = &poster;
    }
    size_t i = 0;
    for (auto _ : state) {
        const auto& p = f.refreshes[i++ & 8191];
        f.store->DispatchPacket(PacketType::kCapturedBeacon, p.data(),
                                static_cast<uint32_t>(p.size()));
        if ((i & 1023) == 0) queue.DispatchPending({});
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["authorized"] = f.store->m_nAuthorizedCount;
    state.counters["unauthorized"] = f.store->m_nUnauthorizedCount;
    state.counters["queue_dropped"] = static_cast<double>(queue.DroppedCount());
    f.store->m_hNotifyWnd = nullptr;
}
BENCHMARK(BM_BeaconSecurityFullLists)->Arg(0)->Arg(1)->ArgName("posted");

// A new station arrives in a table of 10,000 and is aged out again, so the
// table stays the same size from one iteration to the next.
void BM_NewStation(benchmark::State& state) {
    Fixture f;
    std::mt19937 rng(7);
    std::vector<std::vector<uint8_t>> newcomers;
    for (uint32_t s = 0; s < 1024; ++s) {
        newcomers.push_back(MakeBeacon(kStations + s, static_cast<int8_t>(-95 + rng() % 70), rng));
    }
    size_t i = 0;
    char mac[32];
    for (auto _ : state) {
        const auto& p = newcomers[i++ & 1023];
        f.store->DecodeManagementFrame(p.data(), static_cast<uint32_t>(p.size() - 1));
        std::snprintf(mac, sizeof(mac), "%02X-%02X-%02X-%02X-%02X-%02X", p[107], p[108], p[109],
                      p[110], p[111], p[112]);
        StationEntry* entry = nullptr;
        if (f.store->m_Stations.Find(mac, &entry) == 0) f.store->m_Stations.Remove(entry);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_NewStation);

}  // namespace
