#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "board/PacketFramer.h"
#include "sim/SimulatedBoard.h"

namespace simtest {

struct Packet {
    uint8_t type = 0;
    std::vector<uint8_t> payload;  // check byte included
    bool checkOk = false;
};

// Runs bytes through the program's framer, as the reader thread does; a
// packet split between two pushes is assembled across them.
class StreamDecoder {
public:
    std::vector<Packet> Push(const std::vector<uint8_t>& bytes) {
        std::vector<Packet> packets;
        for (uint8_t b : bytes) {
            m_framer->PushByte(b);
            if (m_framer->IsComplete()) {
                Packet p;
                p.type = m_framer->Type();
                p.payload.assign(m_framer->Buffer(), m_framer->Buffer() + m_framer->Length());
                uint8_t x = p.type;
                for (uint8_t v : p.payload) x ^= v;
                p.checkOk = x == 0;
                packets.push_back(std::move(p));
                m_framer->Reset();
            }
        }
        return packets;
    }

private:
    std::unique_ptr<CPacketFramer> m_framer = std::make_unique<CPacketFramer>();
};

inline std::vector<Packet> Decode(const std::vector<uint8_t>& bytes) {
    StreamDecoder decoder;
    return decoder.Push(bytes);
}

inline std::vector<uint8_t> Command(uint8_t command, std::vector<uint8_t> args = {}) {
    std::vector<uint8_t> out{0x11, 0x12, command};
    if (command == 0x11) out.push_back(0x14);
    for (uint8_t a : args) {
        out.push_back(a);
        if (a == 0x11) out.push_back(0x14);
    }
    out.push_back(0x11);
    out.push_back(0x13);
    return out;
}

inline void Send(CSimulatedBoard& board, uint8_t command, std::vector<uint8_t> args = {}) {
    const auto bytes = Command(command, std::move(args));
    board.Write(bytes.data(), bytes.size());
}

inline std::vector<Packet> RunFor(CSimulatedBoard& board, double seconds) {
    board.Advance(static_cast<int64_t>(seconds * 1e9));
    return Decode(board.ReadAll());
}

inline std::map<int, int> CountTypes(const std::vector<Packet>& packets) {
    std::map<int, int> counts;
    for (const auto& p : packets) ++counts[p.type];
    return counts;
}

}  // namespace simtest
