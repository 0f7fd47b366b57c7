// Dispatch of a realistic board mix: per channel report, beacons and data
// frames of a few dozen stations, noise and load reports, with sweeps and a
// GPS message every pass over the band. Packets are already unescaped, as the
// framer hands them over.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "board/Framing.h"
#include "data/Messages.h"
#include "data/SurveyData.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Packet {
    uint8_t type;
    Bytes payload;  // with its check byte
};

class CNullPoster : public IMessagePoster {
public:
    void PostMessage(unsigned) override { ++m_nPosted; }
    unsigned long m_nPosted = 0;
};

Packet Make(uint8_t type, Bytes data) {
    data.push_back(CheckByte(type, data.data(), data.size()));
    return {type, std::move(data)};
}

Bytes Capture(uint8_t fc, uint32_t id, int8_t rssi, uint8_t channel, bool beacon) {
    Bytes body = {110, 0, 0, 0, fc, 0, 0, 0};
    body.insert(body.end(), 6, 0xFF);
    const uint8_t mac[6] = {0x02,
                            0,
                            0,
                            static_cast<uint8_t>(id >> 16),
                            static_cast<uint8_t>(id >> 8),
                            static_cast<uint8_t>(id)};
    body.insert(body.end(), mac, mac + 6);
    body.insert(body.end(), mac, mac + 6);
    body.insert(body.end(), 2, 0);
    if (beacon) {
        body.insert(body.end(), {0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0x11, 0});
        const std::string ssid = "net" + std::to_string(id);
        body.push_back(0);
        body.push_back(static_cast<uint8_t>(ssid.size()));
        body.insert(body.end(), ssid.begin(), ssid.end());
        body.insert(body.end(), {1, 4, 0x82, 0x84, 0x8B, 0x96, 3, 1, channel});
    } else {
        body.insert(body.end(), 200, 0x5A);
    }
    Bytes data(93, 0);
    data[1] = static_cast<uint8_t>(rssi);
    for (int i = 2; i < 90; ++i) data[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 5);
    data[90] = 1;
    data[91] = static_cast<uint8_t>(body.size());
    data[92] = static_cast<uint8_t>(body.size() >> 8);
    data.insert(data.end(), body.begin(), body.end());
    return data;
}

std::vector<Packet> Mix() {
    std::vector<Packet> mix;
    for (uint8_t channel = 1; channel <= 14; ++channel) {
        mix.push_back(Make(11, {channel}));
        for (uint32_t i = 0; i < 20; ++i) {
            const uint32_t id = channel * 100u + i;
            const auto rssi = static_cast<int8_t>(-90 + static_cast<int>(id % 60));
            mix.push_back(Make(i % 2 ? 9 : 6, Capture(0x80, id, rssi, channel, true)));
            mix.push_back(Make(18, Capture(0x08, id + 5000, rssi, channel, false)));
        }
        mix.push_back(Make(32, {0x9C, 0xFF, channel}));
        mix.push_back(Make(19, Bytes(16, channel)));
    }
    mix.push_back(Make(5, Bytes(130, 0x20)));
    mix.push_back(Make(14, Bytes(546, 0x30)));
    Bytes gps(152);
    for (size_t i = 0; i < gps.size(); ++i) gps[i] = static_cast<uint8_t>(i);
    mix.push_back(Make(7, gps));
    return mix;
}

// range(0): the security option. With it on, every valid frame is looked up
// in both access-point lists, which here grow to every station heard.
void BM_DispatchMix(benchmark::State& state) {
    const std::vector<Packet> mix = Mix();
    auto store = std::make_unique<CSurveyData>();
    CNullPoster poster;
    store->m_hNotifyWnd = &poster;
    std::snprintf(store->m_szSelectedMac, sizeof store->m_szSelectedMac, "02-00-00-00-01-2C");
    store->m_bSecurityEnabled = static_cast<uint8_t>(state.range(0));

    size_t bytes = 0;
    for (const Packet& p : mix) bytes += p.payload.size();
    for (auto _ : state) {
        for (const Packet& p : mix)
            store->DispatchPacket(p.type, p.payload.data(),
                                  static_cast<uint32_t>(p.payload.size()));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(mix.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_DispatchMix)->Arg(0)->Arg(1);

}  // namespace
