// Bytes from the serial line through the framer into the dispatcher, with the
// recorder, the infrared forwarder and the alarm switched on so that every
// path of a packet is taken.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "board/PacketFramer.h"
#include "data/Messages.h"
#include "data/SurveyData.h"

namespace {

class CNullPoster : public IMessagePoster {
public:
    void PostMessage(unsigned) override {}
};

class CNullStager : public IPacketStager {
public:
    void StagePacket(uint8_t, const uint8_t* payload, uint32_t length) override {
        // Touch the whole staged packet so a bad length shows up.
        uint8_t sum = 0;
        for (uint32_t i = 0; i < length; ++i) sum ^= payload[i];
        m_nSum ^= sum;
    }
    uint8_t m_nSum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CNullPoster poster;
    static CNullStager stager;
    auto store = std::make_unique<CSurveyData>();
    store->m_hNotifyWnd = &poster;
    store->SetPacketStager(&stager);
    // The first byte picks the switches, so every path stays reachable.
    if (size > 0) {
        store->m_bRecording = data[0] & 1;
        store->m_bHeronEnabled = (data[0] >> 1) & 1;
        store->m_bSecurityEnabled = (data[0] >> 2) & 1;
        if (data[0] & 8)
            std::snprintf(store->m_szSelectedMac, sizeof store->m_szSelectedMac,
                          "00-11-22-33-44-55");
    }

    CPacketFramer framer;
    for (size_t i = 0; i < size; ++i) {
        framer.PushByte(data[i]);
        if (framer.IsComplete()) {
            store->DispatchPacket(framer.Type(), framer.Buffer(),
                                  static_cast<uint32_t>(framer.Length()));
            framer.Reset();
        }
    }
    // Walk the station table the way the screens do.
    auto lock = store->Lock();
    int walked = 0;
    StationEntry* entry = nullptr;
    for (int rc = store->m_Stations.GetAt(1, &entry); rc == 0;
         rc = store->m_Stations.Next(entry, &entry))
        ++walked;
    if (walked != store->m_Stations.Count()) __builtin_trap();
    return 0;
}
