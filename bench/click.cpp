// Synthesis of one click block: 256 output samples, each a 256-tap
// convolution over the impulse ring. A block plays for 256 / 11025 s
// (23.2 ms) at the kernel's rate; the synthesis must take well under 1 % of
// that (232 us). The "x_realtime" counter is the block's play time divided
// by the time to synthesise it.

#include <benchmark/benchmark.h>

#include <vector>

#include "audio/ClickEngine.h"
#include "audio/ClickSynth.h"

namespace {

constexpr double kKernelRate = 11025.0;

void BM_SynthesiseBlock(benchmark::State& state) {
    // A kernel with every tap in use, so no tap is skipped as zero.
    std::vector<uint8_t> kernel(CClickSynth::kKernelTaps);
    for (std::size_t i = 0; i < kernel.size(); ++i)
        kernel[i] = static_cast<uint8_t>(i % 2 == 0 ? 148 + i % 30 : 108 - i % 30);
    CClickSynth synth;
    synth.SetKernel(kernel);
    CClickRandom random(3);
    CClickSynth::Block block{};
    for (auto _ : state) {
        synth.Synthesise(CClickSynth::IsClickBlock(random(), -50), block);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * CClickSynth::kBlockSamples);
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * CClickSynth::kBlockSamples / kKernelRate,
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SynthesiseBlock);

}  // namespace
