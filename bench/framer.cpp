// Framer throughput over a stream shaped like the board's output: mostly
// beacon captures of about 200 bytes, a share of 546-byte wide sweeps and
// short status packets, with the marker byte escaped wherever it occurs.
// BM_FramerStream pushes byte by byte; BM_FramerStreamBulk as the reader does.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "board/Framing.h"
#include "board/PacketFramer.h"

namespace {

std::vector<uint8_t> MakeStream(size_t packets) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> byteDist(0, 255);
    std::vector<uint8_t> stream;
    std::vector<uint8_t> payload;
    for (size_t i = 0; i < packets; ++i) {
        uint8_t type = 9;
        size_t length = 180 + static_cast<size_t>(rng() % 50);
        if (i % 10 == 3) {
            type = 14;
            length = 546;
        } else if (i % 10 == 7) {
            type = 4;
            length = 2;
        }
        payload.resize(length);
        for (auto& b : payload) b = static_cast<uint8_t>(byteDist(rng));
        const auto framed = FrameBoardPacket(type, payload.data(), payload.size());
        stream.insert(stream.end(), framed.begin(), framed.end());
    }
    return stream;
}

// Counts and releases a completed packet, as the reader does after dispatch.
void TakeIfComplete(CPacketFramer& framer, uint64_t& packets, uint64_t& payloadBytes) {
    if (!framer.IsComplete()) return;
    ++packets;
    payloadBytes += static_cast<uint64_t>(framer.Length());
    benchmark::DoNotOptimize(framer.Buffer());
    framer.Reset();
}

void Report(benchmark::State& state, size_t streamBytes, uint64_t packets, uint64_t payloadBytes) {
    benchmark::DoNotOptimize(payloadBytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(streamBytes));
    state.counters["packets/s"] =
        benchmark::Counter(static_cast<double>(packets), benchmark::Counter::kIsRate);
}

void BM_FramerStream(benchmark::State& state) {
    const std::vector<uint8_t> stream = MakeStream(2000);
    CPacketFramer framer;
    uint64_t packets = 0;
    uint64_t payloadBytes = 0;
    for (auto _ : state) {
        for (uint8_t byte : stream) {
            framer.PushByte(byte);
            TakeIfComplete(framer, packets, payloadBytes);
        }
    }
    Report(state, stream.size(), packets, payloadBytes);
}
BENCHMARK(BM_FramerStream);

// The reader thread's way: runs of payload bytes between markers in one call.
void BM_FramerStreamBulk(benchmark::State& state) {
    const std::vector<uint8_t> stream = MakeStream(2000);
    CPacketFramer framer;
    uint64_t packets = 0;
    uint64_t payloadBytes = 0;
    for (auto _ : state) {
        size_t done = 0;
        while (done < stream.size()) {
            done += framer.PushBytes(stream.data() + done, stream.size() - done);
            TakeIfComplete(framer, packets, payloadBytes);
        }
    }
    Report(state, stream.size(), packets, payloadBytes);
}
BENCHMARK(BM_FramerStreamBulk);

}  // namespace
