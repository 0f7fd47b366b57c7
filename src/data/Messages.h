#pragma once

#include <cstdint>

// User messages the dispatcher posts to the main frame. Both message
// parameters are always 0, so only the message number travels.
inline constexpr unsigned WM_APP = 0x8000;
inline constexpr unsigned UM_REFRESH_VIEW = WM_APP + 100;
inline constexpr unsigned UM_UNAUTHORIZED_AP = WM_APP + 101;
inline constexpr unsigned UM_LOG_PACKET = WM_APP + 102;
inline constexpr unsigned UM_IR_SEND = WM_APP + 103;

// Where posted messages go: the main frame's queue in the program, a recorder
// in tests. PostMessage never waits for the receiver; any lock it takes is a
// leaf (it is called while the store lock is held).
class IMessagePoster {
public:
    virtual ~IMessagePoster() = default;
    virtual void PostMessage(unsigned message) = 0;
};

// The recorder's staging slot: receives a copy of every good packet while
// recording, before UM_LOG_PACKET is posted. Called with the store lock held;
// any lock it takes is a leaf.
class IPacketStager {
public:
    virtual ~IPacketStager() = default;
    virtual void StagePacket(uint8_t type, const uint8_t* payload, uint32_t length) = 0;
};
