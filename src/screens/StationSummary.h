#pragma once

#include <cstdint>

#include "data/SurveyData.h"
#include "gfx/Geometry.h"

class CCanvas;

// The selected station's side of the multipath and delay-spread screens,
// drawn over the left half of their backgrounds: the station text block,
// the per-rate table and the energy concentration bar.

// MAC text, SSID and the two frame counts, navy on white.
void DrawStationText(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);

// Share and flag-zero percent of the four 802.11b rates, red on white.
void DrawRateTable(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
constexpr CRect RateShareCell(int rate) {
    return CRect(28, 93 + 10 * rate, 52, 101 + 10 * rate);
}
constexpr CRect RateFlagZeroCell(int rate) {
    return CRect(54, 93 + 10 * rate, 78, 101 + 10 * rate);
}

// Energy concentration: the strongest tap's power against the 17 taps
// around it, scaled to 0..192 (all the window's power in the peak tap).
// -1 when the window holds no power (no frame from the station yet).
int EnergyConcentration(const CSurveyData& data) ORV_REQUIRES_STORE(data);

// The bar at x 44..72 from y 224 up by the concentration (no higher than
// y 138), in the colour the image already shows at (40, top): the quality
// column of the background. No bar while the window holds no power.
void DrawEnergyBar(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
inline constexpr int kEnergyBarLeft = 44;
inline constexpr int kEnergyBarRight = 72;
inline constexpr int kEnergyBarBottom = 224;
inline constexpr int kEnergyBarHighest = 138;
inline constexpr int kQualityColumnX = 40;
