#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/FrameBuilder.h"
#include "sim/RadioEnvironment.h"
#include "sim/SimRandom.h"

// What the stations of a scenario send and how often: frames per second of
// each kind per station, the rates they use and the air time they fill. The
// captured frames and the channel-load reports both come from these figures,
// so the two agree.
class CTrafficModel {
public:
    using Kind = CFrameBuilder::Kind;

    // One stream of frames heard on a channel.
    struct Stream {
        size_t station = 0;
        Kind kind = Kind::Beacon;
        double perSecond = 0.0;
        double levelDbm = -100.0;  // heard level before fading
    };

    static constexpr uint32_t Bit(Kind kind) { return 1u << static_cast<unsigned>(kind); }
    static constexpr uint32_t kAllKinds = (1u << CFrameBuilder::kKinds) - 1;
    // What the MAC list needs: who is there, and their names.
    static constexpr uint32_t kSurveyKinds = (1u << static_cast<unsigned>(Kind::Beacon)) |
                                             (1u << static_cast<unsigned>(Kind::ProbeResponse)) |
                                             (1u << static_cast<unsigned>(Kind::Data));

    explicit CTrafficModel(const CRadioEnvironment& environment);

    // Frames per second of one kind sent by one station.
    double Rate(size_t station, Kind kind) const;
    // The streams of the kinds in `kinds` that the board tuned to `channel`
    // can hear above `noiseDbm` (allowing for fading).
    void Streams(int channel, uint32_t kinds, double noiseDbm, std::vector<Stream>& out) const;

    // Rate index (0..3) of one frame.
    int PickRate(size_t station, Kind kind, CSimRandom& random) const;
    // Length on the air of one frame, MAC header to FCS.
    size_t PickLength(size_t station, Kind kind, CSimRandom& random) const;

    // Bytes per second at each rate index sent on `channel` over a window of
    // `seconds`, drawn from the same rates; saturates at 65535 because the
    // program reads only the low 16 bits.
    std::array<uint32_t, 4> ChannelLoad(int channel, double seconds, CSimRandom& random) const;

private:
    double MeanLength(size_t station, Kind kind) const;
    // Share of a station's data frames at each rate index.
    std::array<double, 4> DataRateShares(size_t station) const;

    const CRadioEnvironment& m_environment;
    std::vector<double> m_adUplink;  // per access point: its clients' frames per second
};
