#include "gpsd/GpsdFeed.h"

#include <limits>

#include "board/Wire.h"

namespace {

int64_t Now() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

}  // namespace

std::array<uint8_t, kGpsMessageSize + 1> GpsPacketPayload(const GpsMessage& message) {
    std::array<uint8_t, kGpsMessageSize + 1> payload{};
    uint8_t check = PacketType::kGps;
    for (uint32_t i = 0; i < kGpsMessageSize; ++i) {
        payload[i] = message[i];
        check ^= message[i];
    }
    payload[kGpsMessageSize] = check;
    return payload;
}

CGpsdFeed::CGpsdFeed(IPacketSink& store, CGpsdSource::Setup setup)
    : m_store(store),
      m_nBoardGpsAt(std::numeric_limits<int64_t>::min()),
      m_source(Wire(std::move(setup))) {}

CGpsdFeed::~CGpsdFeed() {
    m_source.Stop();
}

CGpsdSource::Setup CGpsdFeed::Wire(CGpsdSource::Setup setup) {
    setup.deliver = [this](const GpsMessage& message) {
        const auto payload = GpsPacketPayload(message);
        m_store.DispatchPacket(PacketType::kGps, payload.data(),
                               static_cast<uint32_t>(payload.size()));
    };
    setup.boardReports = [this] { return BoardReports(); };
    return setup;
}

bool CGpsdFeed::BoardReports() const {
    const int64_t at = m_nBoardGpsAt.load(std::memory_order_acquire);
    if (at == std::numeric_limits<int64_t>::min()) return false;
    const auto silence =
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(kBoardSilence);
    return Now() - at < silence.count();
}

void CGpsdFeed::DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) {
    if (type == PacketType::kGps && payload != nullptr && length > kGpsMessageSize) {
        uint8_t check = type;
        for (uint32_t i = 0; i < length; ++i) check ^= payload[i];
        if (check == 0) m_nBoardGpsAt.store(Now(), std::memory_order_release);
    }
    m_store.DispatchPacket(type, payload, length);
}
