// Composing each traffic and spectrum screen with a thousand stations in the
// table: the whole paint, from the store to the view's surface.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <type_traits>

#include "board/Wire.h"
#include "data/SurveyData.h"
#include "res/Resource.h"
#include "screens/Cfr.h"
#include "screens/DelaySpread.h"
#include "screens/GeigerView.h"
#include "screens/Mac.h"
#include "screens/Multipath.h"
#include "screens/ScreenFurniture.h"
#include "screens/SingleNoise.h"
#include "screens/Spectrum.h"
#include "screens/Usage.h"
#include "screens/Utilization.h"
#include "screens/Wisp.h"

namespace {

constexpr int kStations = 1000;

struct Survey {
    CSurveyData data;
    CScreenFurniture furniture{data};

    Survey() {
        data.m_nMode = BoardMode::kSpectrum;
        data.m_nChannel = 6;
        data.m_bShowNonApMacs = 1;
        for (int i = 0; i < kStations; ++i) {
            StationEntry* e = nullptr;
            if (data.m_Stations.Allocate(&e) != 0) break;
            std::snprintf(e->szMac, sizeof e->szMac, "00-1A-2B-3C-%02X-%02X", i / 256, i % 256);
            std::snprintf(e->szSsid, sizeof e->szSsid, "network %d", i);
            e->nRssi = static_cast<int16_t>(-100 + (i * 37) % 75);
            e->nChannel = static_cast<uint16_t>(1 + i % 14);
            e->nKind = static_cast<uint16_t>(1 + i % 2);
            e->bPrivacy = static_cast<uint8_t>(i % 3 == 0);
            data.m_Stations.Insert(e);
        }
        for (int i = 0; i < CSpectrum::kFullBandPoints; ++i) {
            const double level = -90.0 + 45.0 * std::exp(-std::pow((i - 101) / 12.0, 2));
            const auto v = static_cast<uint16_t>(static_cast<int16_t>(level * 256));
            data.m_abWideSweep[static_cast<size_t>(2 * i)] = static_cast<uint8_t>(v & 0xFF);
            data.m_abWideSweep[static_cast<size_t>(2 * i + 1)] = static_cast<uint8_t>(v >> 8);
        }
        for (int t = 1; t <= 3; ++t) data.m_aSpectrumTrace[static_cast<size_t>(t)].bVisible = 1;
        data.m_nSpectrumMarker = 101;
        data.m_nFramesAllChannels = 14000;
        for (int c = 1; c <= 14; ++c) {
            data.m_anFramesPerChannel[static_cast<size_t>(c)] =
                1000u * static_cast<uint32_t>(c % 5);
            for (int r = 0; r < 4; ++r)
                data.m_anBytesPerRateChannel[static_cast<size_t>(r)][static_cast<size_t>(c)] =
                    static_cast<uint32_t>(1000 * c * (r + 1));
            data.m_anChannelValue[static_cast<size_t>(c)] = -95;
        }
        // A selected station with a spread-out channel estimate.
        std::snprintf(data.m_szSelectedMac, sizeof data.m_szSelectedMac, "00-1A-2B-3C-00-07");
        std::snprintf(data.m_szSelectedSsid, sizeof data.m_szSelectedSsid, "network 7");
        data.m_nSelectedRssi = -52;
        data.m_nCfrPowerSum = 0;
        for (int w = 0; w < kCfrTaps; ++w) {
            const double a = 60.0 * std::exp(-w / 5.0);
            const auto i = static_cast<int8_t>(a * std::cos(0.7 * w));
            const auto q = static_cast<int8_t>(a * std::sin(0.7 * w));
            data.m_aCfrIq[static_cast<size_t>(w)] = CfrSample{i, q};
            data.m_aCfrPower[static_cast<size_t>(w)] = static_cast<uint32_t>(i * i + q * q);
            data.m_nCfrPowerSum += data.m_aCfrPower[static_cast<size_t>(w)];
        }
        data.m_nCfrPeakBin = 0;
        for (int r = 0; r < 4; ++r) {
            data.m_aRateStats[static_cast<size_t>(r)].dSharePercent = 25.0 * r;
            data.m_aRateStats[static_cast<size_t>(r)].dFlagZeroPercent = 3.5 * r;
        }
        data.m_nFramesCaptured = 5000;
        data.m_nSelectedFrames = 1200;
    }
    ScreenContext Context() { return ScreenContext{&data, &furniture}; }
};

// Paints a screen over and over; a station screen is told of a new frame from
// the selected station before each paint (its histories take a sample, the
// CFR transforms anew).
template <class V, bool kNewFrameEachPaint = false>
void ComposeScreen(benchmark::State& state) {
    auto survey = std::make_unique<Survey>();
    V view;
    view.SetContext(survey->Context());
    view.MoveWindow(CRect(0, 0, 240, 270));
    view.UpdateWindow(true);  // bitmaps and glyphs are made on first use
    for (auto _ : state) {
        if constexpr (kNewFrameEachPaint) survey->data.m_bSelectedUpdated = 1;
        view.UpdateWindow(true);
        benchmark::DoNotOptimize(view.GetSurface().Bitmap().Data());
    }
}

void BM_Spectrum(benchmark::State& state) {
    ComposeScreen<CSpectrum>(state);
}
void BM_Mac(benchmark::State& state) {
    ComposeScreen<CMac>(state);
}
void BM_Usage(benchmark::State& state) {
    ComposeScreen<CUsage>(state);
}
void BM_Utilization(benchmark::State& state) {
    ComposeScreen<CUtilization>(state);
}

void BM_Cfr(benchmark::State& state) {
    ComposeScreen<CCfr, true>(state);
}
void BM_SingleNoise(benchmark::State& state) {
    ComposeScreen<CSingleNoise, true>(state);
}
void BM_Wisp(benchmark::State& state) {
    ComposeScreen<CWisp, true>(state);
}

// The CFR screen's transform on its own.
void BM_CfrTransform(benchmark::State& state) {
    auto survey = std::make_unique<Survey>();
    for (auto _ : state) benchmark::DoNotOptimize(CCfr::Transform(survey->data.m_aCfrIq));
}

// The MAC list's last page: the walk passes every station before it.
void BM_MacLastPage(benchmark::State& state) {
    auto survey = std::make_unique<Survey>();
    CMac view;
    view.SetContext(survey->Context());
    view.MoveWindow(CRect(0, 0, 240, 270));
    for (int page = 1; page < kStations / CMac::kItemsPerPage + 1; ++page) {
        view.UpdateWindow(true);
        view.OnCommand(ID_DOWN);
    }
    view.UpdateWindow(true);
    for (auto _ : state) {
        view.UpdateWindow(true);
        benchmark::DoNotOptimize(view.GetSurface().Bitmap().Data());
    }
    state.counters["page"] = view.GetPage();
}

void BM_Multipath(benchmark::State& state) {
    ComposeScreen<CMultipath, true>(state);
}
void BM_DelaySpread(benchmark::State& state) {
    ComposeScreen<CDelaySpread, true>(state);
}
void BM_Geiger(benchmark::State& state) {
    ComposeScreen<CGeigerView, true>(state);
}

BENCHMARK(BM_Spectrum)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Mac)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MacLastPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Usage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Utilization)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Cfr)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CfrTransform)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SingleNoise)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Wisp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Multipath)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DelaySpread)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Geiger)->Unit(benchmark::kMicrosecond);

}  // namespace
