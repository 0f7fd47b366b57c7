// Bytes from the serial line through the framer into the dispatcher, with the
// recorder, the infrared forwarder and the alarm switched on so that every
// path of a packet is taken.
//
// Input: a switch byte, a chunk byte, then the line's bytes.
//   switch bit 0..2  recording, infrared forwarding, security alarm
//   switch bit 3     a station is selected (statistics and channel estimate)
//   switch bit 4     the harness mends each packet's check byte, so the
//                    payloads reach the decoders instead of being refused
//   switch bit 5     the authorized list holds a few entries
//   chunk            0: bytes go to PushByte one at a time; otherwise to
//                    PushBytes in chunks of 1..chunk bytes, the sizes taken
//                    in turn from the line's own bytes (the reader thread
//                    hands the framer whatever one read returned)
// Both framer paths must deliver the same packets: every run frames the line
// both ways and compares them, and dispatches one of them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// What a framer delivered, reduced to a cheap fingerprint per packet.
struct Delivered {
    static constexpr size_t kMax = 4096;
    std::array<uint64_t, kMax> fingerprint{};
    size_t count = 0;

    void Add(const CPacketFramer& framer) {
        uint64_t h = 1469598103934665603ull ^ framer.Type();
        const uint8_t* p = framer.Buffer();
        for (int32_t i = 0; i < framer.Length(); ++i) h = (h ^ p[i]) * 1099511628211ull;
        h ^= static_cast<uint64_t>(framer.Length()) << 40;
        if (count < kMax) fingerprint[count] = h;
        ++count;
    }
};

struct Harness {
    CNullPoster poster;
    CNullStager stager;
    CSurveyData store;
    CPacketFramer single;
    CPacketFramer chunked;
    Delivered bySingle;
    Delivered byChunks;
    std::array<uint8_t, CPacketFramer::kBufferSize> mended{};

    Harness() {
        auto lock = store.Lock();
        store.m_hNotifyWnd = &poster;
        store.SetPacketStager(&stager);
    }

    void Deliver(const CPacketFramer& framer, bool mend) {
        const auto length = static_cast<uint32_t>(framer.Length());
        const uint8_t* payload = framer.Buffer();
        if (mend && length > 0) {
            std::memcpy(mended.data(), payload, length);
            uint8_t check = framer.Type();
            for (uint32_t i = 0; i + 1 < length; ++i) check ^= mended[i];
            mended[length - 1] = check;
            payload = mended.data();
        }
        store.DispatchPacket(framer.Type(), payload, length);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness* h = new Harness;
    if (size < 2) return 0;
    const uint8_t switches = data[0];
    const uint8_t chunk = data[1];
    const uint8_t* line = data + 2;
    const size_t length = size - 2;

    h->store.Reset();
    h->single.Reset();
    h->chunked.Reset();
    h->bySingle.count = 0;
    h->byChunks.count = 0;
    {
        auto lock = h->store.Lock();
        h->store.m_bRecording = switches & 1;
        h->store.m_bHeronEnabled = (switches >> 1) & 1;
        h->store.m_bSecurityEnabled = (switches >> 2) & 1;
        if (switches & 8)
            std::snprintf(h->store.m_szSelectedMac, sizeof h->store.m_szSelectedMac,
                          "00-11-22-33-44-55");
        if (switches & 32) {
            h->store.AddAuthorized("00-11-22-33-44-55");
            h->store.AddAuthorized("02-00-00-00-00-07");
        }
    }
    const bool mend = (switches & 16) != 0;
    const bool dispatchChunked = chunk != 0;

    for (size_t i = 0; i < length; ++i) {
        h->single.PushByte(line[i]);
        if (h->single.IsComplete()) {
            h->bySingle.Add(h->single);
            if (!dispatchChunked) h->Deliver(h->single, mend);
            h->single.Reset();
        }
    }

    // The chunk sizes come from the line itself, so they vary along it.
    const size_t limit = chunk == 0 ? 255 : chunk;
    size_t done = 0;
    size_t pick = 0;
    while (done < length) {
        const size_t want = 1 + line[pick++ % length] % limit;
        const size_t end = done + want < length ? done + want : length;
        while (done < end) {
            const size_t taken = h->chunked.PushBytes(line + done, end - done);
            if (taken == 0 || taken > end - done) __builtin_trap();
            done += taken;
            if (!h->chunked.IsComplete()) continue;
            h->byChunks.Add(h->chunked);
            if (dispatchChunked) h->Deliver(h->chunked, mend);
            h->chunked.Reset();
        }
    }

    if (h->bySingle.count != h->byChunks.count) __builtin_trap();
    for (size_t i = 0; i < h->bySingle.count && i < Delivered::kMax; ++i)
        if (h->bySingle.fingerprint[i] != h->byChunks.fingerprint[i]) __builtin_trap();
    if (h->single.GetState() != h->chunked.GetState()) __builtin_trap();

    // Walk the station table the way the screens do.
    auto lock = h->store.Lock();
    int walked = 0;
    StationEntry* entry = nullptr;
    for (int rc = h->store.m_Stations.GetAt(1, &entry); rc == 0;
         rc = h->store.m_Stations.Next(entry, &entry))
        ++walked;
    if (walked != h->store.m_Stations.Count()) __builtin_trap();
    return 0;
}
