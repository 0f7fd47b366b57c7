// Drawing costs: one composed screen, and the block copy that puts it on
// the display against a plain memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx/Canvas.h"
#include "res/BitmapResources.h"

namespace {

// A screen like the spectrum screen's paint: background bitmap stretched to
// its place, three 273-point traces, thirty short texts, a few fills, and
// the copy of the composed image to the display.
void BM_ComposeTypicalScreen(benchmark::State& state) {
    const CBitmap* background = LoadBitmapResource(134);
    const CBitmap* banner = LoadBitmapResource(153);
    // Spectrum-like traces: a noise floor with three busy channels, and
    // noise of a few dB from point to point.
    std::array<std::array<CPoint, 273>, 3> traces;
    unsigned seed = 1;
    for (int t = 0; t < 3; ++t)
        for (int i = 0; i < 273; ++i) {
            seed = seed * 1103515245u + 12345u;
            const int d = std::min({std::abs(i - 33), std::abs(i - 101), std::abs(i - 169)});
            const int level =
                -95 + std::max(0, 50 - d * 2) + static_cast<int>((seed >> 16) % 7) - t * 5;
            traces[t][i] = CPoint(29 + (i * 200) / 273, 144 - ((level + 100) * 120) / 80);
        }
    std::array<char[24], 30> texts;
    for (int i = 0; i < 30; ++i) std::snprintf(texts[i], sizeof texts[i], "%d dBm", -40 - i);
    CCanvas screen(240, 320);
    const COLORREF pens[3] = {RGB(192, 0, 0), RGB(0, 0, 128), RGB(0, 96, 0)};
    for (auto _ : state) {
        CCanvas mem = screen.CreateCompatible(240, 320);
        mem.SelectFont(CFont(80, "System"));
        mem.FillSolidRect(CRect(0, 0, 240, 320), RGB(192, 192, 192));
        mem.StretchBlt(0, 0, 240, 14, *banner, 0, 0, banner->Width(), banner->Height());
        mem.StretchBlt(0, 20, 240, 254, *background, 0, 0, background->Width(),
                       background->Height());
        for (int t = 0; t < 3; ++t) {
            mem.SelectPen(CPen(PS_SOLID, 1, pens[t]));
            mem.Polyline(traces[t]);
        }
        mem.SetTextColor(RGB(255, 255, 255));
        mem.SetBkColor(RGB(0, 0, 0));
        mem.FillSolidRect(CRect(0, 183, 240, 193), RGB(0, 0, 0));
        mem.FillSolidRect(CRect(0, 195, 240, 205), RGB(0, 0, 0));
        mem.InvertRect(CRect(85, 198, 104, 219));
        for (int i = 0; i < 30; ++i) {
            const int x = (i % 3) * 80, y = 210 + (i / 3) * 10;
            mem.DrawText(texts[i], CRect(x, y, x + 80, y + 10), DT_CENTER | DT_VCENTER);
        }
        screen.BitBlt(0, 0, 240, 320, mem, 0, 0, SRCCOPY);
        benchmark::DoNotOptimize(screen.Bitmap().Data());
    }
}
BENCHMARK(BM_ComposeTypicalScreen)->Unit(benchmark::kMicrosecond);

void BM_FullScreenBitBlt(benchmark::State& state) {
    CCanvas src(240, 320, RGB(1, 2, 3));
    CCanvas dst(240, 320);
    for (auto _ : state) {
        dst.BitBlt(0, 0, 240, 320, src, 0, 0);
        benchmark::DoNotOptimize(dst.Bitmap().Data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 240 * 320 * 3);
}
BENCHMARK(BM_FullScreenBitBlt);

void BM_MemcpyOfAScreen(benchmark::State& state) {
    std::vector<unsigned char> src(240 * 320 * 3, 1), dst(240 * 320 * 3);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 240 * 320 * 3);
}
BENCHMARK(BM_MemcpyOfAScreen);

}  // namespace
