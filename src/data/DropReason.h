#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Why the dispatcher or a frame decoder refused a packet, or the part of it
// it was about to store. Each refusal is counted by reason in the store, so
// a packet that changed nothing can be told from one that never came.
enum class DropReason : uint8_t {
    NestedDispatch,     // dispatched from inside a dispatch on the same thread
    OversizedPayload,   // longer than the framer can deliver
    NullPayload,        // a length without bytes behind it
    BadCheckByte,       // type and payload do not XOR to zero
    UnassignedType,     // a type the board does not send
    ShortPayload,       // too short for what its type carries
    ChannelOutOfRange,  // names a channel the store has no slot for
    GuardSet,           // its handler was already running
    OffChannel,         // heard off the channel the board is tuned to
    NoTransmitter,      // the capture ends before the transmitter address
    OutOfMemory,        // no memory for a new station
    Count,
};

inline constexpr size_t kDropReasonCount = static_cast<size_t>(DropReason::Count);

// Stable names: the state dump and the log tool print them.
inline constexpr std::array<std::string_view, kDropReasonCount> kDropReasonNames = {
    "nested_dispatch", "oversized_payload", "null_payload",         "bad_check_byte",
    "unassigned_type", "short_payload",     "channel_out_of_range", "guard_set",
    "off_channel",     "no_transmitter",    "out_of_memory",
};

constexpr std::string_view DropReasonName(DropReason reason) {
    return kDropReasonNames[static_cast<size_t>(reason)];
}
