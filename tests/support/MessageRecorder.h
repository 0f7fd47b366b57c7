#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "data/Messages.h"

// Records every message posted to it, from any thread.
class CMessageRecorder : public IMessagePoster {
public:
    void PostMessage(unsigned message) override;

    std::vector<unsigned> Messages() const;
    int Count(unsigned message) const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<unsigned> m_aMessages;
};

// Records every packet staged for the log, from any thread.
class CStageRecorder : public IPacketStager {
public:
    struct Staged {
        uint8_t type;
        std::vector<uint8_t> payload;
    };

    void StagePacket(uint8_t type, const uint8_t* payload, uint32_t length) override;

    std::vector<Staged> Packets() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Staged> m_aPackets;
};
