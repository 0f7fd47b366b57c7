#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "board/PacketSink.h"
#include "gpsd/GpsdSource.h"

// The board packet a GPS message travels in: the message followed by the
// check byte that makes the type and payload XOR to 0.
std::array<uint8_t, kGpsMessageSize + 1> GpsPacketPayload(const GpsMessage& message);

// The program's gpsd source. Stands between the board reader and the store:
// every board packet passes through unchanged, and a type-7 packet with a
// good check byte marks the board's own receiver as reporting. gpsd's
// positions reach the store through the same dispatcher, as type-7 packets,
// while the board's receiver has been silent for kBoardSilence.
class CGpsdFeed : public IPacketSink {
public:
    static constexpr std::chrono::milliseconds kBoardSilence{3000};

    // `store` gets the board's packets and gpsd's; its DispatchPacket takes
    // its own lock and may be called from two threads.
    CGpsdFeed(IPacketSink& store, CGpsdSource::Setup setup);
    ~CGpsdFeed() override;
    CGpsdFeed(const CGpsdFeed&) = delete;
    CGpsdFeed& operator=(const CGpsdFeed&) = delete;

    // The board reader's sink.
    void DispatchPacket(uint8_t type, const uint8_t* payload, uint32_t length) override;

    int Start() { return m_source.Start(); }
    void Stop() { m_source.Stop(); }
    const CGpsdSource& Source() const { return m_source; }
    bool BoardReports() const;

private:
    CGpsdSource::Setup Wire(CGpsdSource::Setup setup);

    IPacketSink& m_store;
    // steady_clock ticks of the board's last GPS message; min: never.
    std::atomic<int64_t> m_nBoardGpsAt;
    CGpsdSource m_source;
};
