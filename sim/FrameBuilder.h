#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/RadioEnvironment.h"
#include "sim/SimRandom.h"

// Builds the 802.11 frames the simulated stations send and the board's
// captured-frame payload around them: the capture header (RSSI, channel
// estimate, valid flag, captured length) followed by the rate byte, three
// unused bytes and the frame from its frame-control field on.
class CFrameBuilder {
public:
    enum class Kind : uint8_t {
        Beacon,
        ProbeResponse,
        ProbeRequest,
        Authentication,
        Deauthentication,
        AssociationRequest,
        Data,
        Ack,
        Rts,
        Cts,
        Reserved,
    };
    static constexpr int kKinds = 11;

    // The board keeps at most this many bytes after the capture header of a
    // frame (rate byte included): whole management frames, the head of long
    // data frames. The line could not carry more.
    static constexpr size_t kSnapLength = 160;

    struct Capture {
        int rssiDbm = -100;
        bool valid = true;
        int rateIndex = 0;
        std::array<int8_t, 2 * CRadioEnvironment::kTaps> estimate{};
    };

    // The frame as `from` sends it (MAC header onward, no FCS). `peer` is the
    // other end where the kind has one (access point of a client, client of
    // an access point); null means broadcast or none. `airLength` is the
    // length of the frame on the air; data frames are cut to it.
    static std::vector<uint8_t> Frame(Kind kind, const CRadioEnvironment::Station& from,
                                      const CRadioEnvironment::Station* peer, uint16_t sequence,
                                      uint64_t timestampUs, size_t airLength, CSimRandom& random);

    // The captured-frame payload (no check byte), the frame cut to the snap
    // length.
    static std::vector<uint8_t> CapturePayload(const Capture& capture,
                                               const std::vector<uint8_t>& frame);

    static bool IsManagement(Kind kind);
    static const char* Name(Kind kind);
};
