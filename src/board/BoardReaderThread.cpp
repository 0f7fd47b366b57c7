#include "board/BoardReaderThread.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "board/Wire.h"

namespace {

constexpr auto kIdleSleep = std::chrono::milliseconds(5);

void Count(CBoardReader::Counters* counters, std::atomic<uint64_t> CBoardReader::Counters::*which) {
    if (counters != nullptr) (counters->*which).fetch_add(1, std::memory_order_release);
}

}  // namespace

CBoardReader::Pass BoardReaderPass(CBoardPort& port, CPacketFramer& framer, IPacketSink& sink,
                                   ISoundCues* sounds, uint8_t* receive,
                                   CBoardReader::Counters* counters) {
    // A line that went away or came back leaves a packet in assembly cut.
    if (port.UpdateLink()) framer.Reset();
    // Asking for the waiting count also clears any line error.
    const int waiting = port.BytesWaiting();
    if (port.IsOpen() && waiting > 0) {
        const int got = port.Read(receive, std::min(waiting, CBoardReader::kReceiveSize));
        size_t done = 0;
        const size_t total = got > 0 ? static_cast<size_t>(got) : 0;
        while (done < total) {
            done += framer.PushBytes(receive + done, total - done);
            if (!framer.IsComplete()) continue;
            if (framer.Type() == PacketType::kFirmwareVersion && sounds != nullptr)
                sounds->PlayResourceSound("PING");
            sink.DispatchPacket(framer.Type(), framer.Buffer(),
                                static_cast<uint32_t>(framer.Length()));
            framer.Reset();
            Count(counters, &CBoardReader::Counters::packets);
        }
        // A read that fills the receive buffer finds the line backlogged (a
        // source running ahead of the board's line rate, such as the
        // unpaced simulator): a pass without input may not come for as long
        // as it streams, so the pending command goes out now.
        CBoardPort::CommandBuffer command;
        if (got >= CBoardReader::kReceiveSize) {
            const int length = port.TakePendingCommand(command);
            if (length >= 0) port.Write(command.data(), length);
        }
        Count(counters, &CBoardReader::Counters::passes);
        return CBoardReader::Pass::Input;
    }

    CBoardPort::CommandBuffer command;
    const int length = port.TakePendingCommand(command);
    if (length >= 0) {
        // Read and write errors are not reported: the board is polled again.
        port.Write(command.data(), length);
        Count(counters, &CBoardReader::Counters::passes);
        return CBoardReader::Pass::Command;
    }
    Count(counters, &CBoardReader::Counters::idlePasses);
    Count(counters, &CBoardReader::Counters::passes);
    return CBoardReader::Pass::Idle;
}

int BoardReaderThread(CBoardPort& port, CPacketFramer& framer, IPacketSink& sink,
                      ISoundCues* sounds, const std::atomic<bool>& stop,
                      CBoardReader::Counters* counters) {
    std::array<uint8_t, CBoardReader::kReceiveSize> receive{};
    framer.Reset();
    while (!stop.load(std::memory_order_acquire)) {
        if (BoardReaderPass(port, framer, sink, sounds, receive.data(), counters) ==
                CBoardReader::Pass::Idle &&
            !port.IsUnpaced())
            std::this_thread::sleep_for(kIdleSleep);
    }
    return 0;
}

int BoardReaderThread(CBoardPort& port, CPacketFramer& framer, IPacketSink& sink,
                      ISoundCues* sounds, const std::atomic<bool>& stop) {
    return BoardReaderThread(port, framer, sink, sounds, stop, nullptr);
}

CBoardReader::CBoardReader(CBoardPort& port, CPacketFramer& framer, IPacketSink& sink,
                           ISoundCues* sounds)
    : m_port(port), m_framer(framer), m_sink(sink), m_pSounds(sounds) {}

CBoardReader::~CBoardReader() {
    Stop();
}

int CBoardReader::Start() {
    if (m_thread.joinable()) return -1;
    m_bStop.store(false, std::memory_order_release);
    m_thread = std::thread(
        [this] { BoardReaderThread(m_port, m_framer, m_sink, m_pSounds, m_bStop, &m_counters); });
    return 0;
}

void CBoardReader::Stop() {
    if (!m_thread.joinable()) return;
    m_bStop.store(true, std::memory_order_release);
    m_thread.join();
}
