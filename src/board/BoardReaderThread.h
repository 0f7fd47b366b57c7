#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "board/BoardPort.h"
#include "board/PacketFramer.h"
#include "board/PacketSink.h"
#include "platform/SoundCues.h"

// Runs BoardReaderThread on its own std::thread. Stop() (or destruction)
// raises the stop flag and joins. RequestStop() only raises it, so that an
// owner can give the loop a grace period before it joins.
class CBoardReader {
public:
    // The most one read takes.
    static constexpr int kReceiveSize = 4096;

    // What one pass of the reader loop did.
    enum class Pass {
        Input,    // bytes were waiting and have been read and handled
        Command,  // nothing waiting; the pending command was handed to the port
        Idle,     // nothing waiting, nothing pending: the loop sleeps 5 ms
    };

    // Published by the loop so that other threads can tell when the reader
    // has caught up with its input.
    struct Counters {
        std::atomic<uint64_t> passes{0};
        std::atomic<uint64_t> idlePasses{0};
        std::atomic<uint64_t> packets{0};
    };

    CBoardReader(CBoardPort& port, CPacketFramer& framer, IPacketSink& sink, ISoundCues* sounds);
    ~CBoardReader();
    CBoardReader(const CBoardReader&) = delete;
    CBoardReader& operator=(const CBoardReader&) = delete;

    // Lowers the stop flag and starts the thread: 0, or -1 when already running.
    int Start();
    void Stop();
    void RequestStop() { m_bStop.store(true, std::memory_order_release); }
    bool IsRunning() const { return m_thread.joinable(); }

    uint64_t Passes() const { return m_counters.passes.load(std::memory_order_acquire); }
    // Passes that found no input waiting and no command pending.
    uint64_t IdlePasses() const { return m_counters.idlePasses.load(std::memory_order_acquire); }
    uint64_t PacketsDispatched() const {
        return m_counters.packets.load(std::memory_order_acquire);
    }

private:
    CBoardPort& m_port;
    CPacketFramer& m_framer;
    IPacketSink& m_sink;
    ISoundCues* m_pSounds;
    std::atomic<bool> m_bStop{false};
    Counters m_counters;
    std::thread m_thread;
};

// One pass of the loop. receive must hold CBoardReader::kReceiveSize bytes.
// A complete type-1 packet plays "PING" before it is dispatched, whatever its
// check byte. counters may be null.
CBoardReader::Pass BoardReaderPass(CBoardPort& port, CPacketFramer& framer, IPacketSink& sink,
                                   ISoundCues* sounds, uint8_t* receive,
                                   CBoardReader::Counters* counters);

// The reader loop: zeroes its receive buffer, resets the framer, then runs
// passes until stop is raised, sleeping 5 ms after an idle pass (not when
// the port is unpaced: it has more at once). A partial
// packet left in the framer is dropped. Returns 0.
int BoardReaderThread(CBoardPort& port, CPacketFramer& framer, IPacketSink& sink,
                      ISoundCues* sounds, const std::atomic<bool>& stop);
int BoardReaderThread(CBoardPort& port, CPacketFramer& framer, IPacketSink& sink,
                      ISoundCues* sounds, const std::atomic<bool>& stop,
                      CBoardReader::Counters* counters);
