#include "screens/StationSummary.h"

#include <cstdio>
#include <cstring>

#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"

namespace {

constexpr CRect kMacRect{0, 14, 95, 22};
constexpr CRect kSsidRect{2, 26, 80, 36};
constexpr CRect kCapturedRect{40, 56, 80, 64};
constexpr CRect kMatchedRect{40, 65, 80, 73};
// No single-line flag: the vertical centring is asked for but the text
// starts at the top of its rectangle, as everywhere else on the screens.
constexpr unsigned kCentred = DT_CENTER | DT_VCENTER;
constexpr unsigned kLeftAligned = DT_VCENTER;

constexpr int kRatesShown = 4;
constexpr int kWindowHalf = 8;  // taps either side of the peak

// A fixed text field: at most its size, even without a terminating NUL.
template <std::size_t N>
std::string_view Field(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

void DrawCount(CCanvas& dc, uint32_t count, const CRect& rect) {
    // Unsigned, as the counters are: no negative count past 2^31 frames.
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(count));
    dc.DrawText(text, rect, kLeftAligned);
}

}  // namespace

void DrawStationText(CCanvas& dc, const CSurveyData& data) {
    dc.SelectFont(CFont(80, "System"));
    dc.SetBkColor(Palette::kWhite);
    dc.SetTextColor(Palette::kNavy);
    dc.DrawText(Field(data.m_szSelectedMac), kMacRect, kCentred);
    dc.DrawText(Field(data.m_szSelectedSsid), kSsidRect, kLeftAligned);
    DrawCount(dc, data.m_nFramesCaptured, kCapturedRect);
    DrawCount(dc, data.m_nSelectedFrames, kMatchedRect);
}

void DrawRateTable(CCanvas& dc, const CSurveyData& data) {
    dc.SetTextColor(Palette::kRed);
    // "100.0" is a few pixels wider than its cell; clipped it would read
    // "00.0", so it may reach left into the gap before the cell.
    constexpr unsigned kFormat = DT_RIGHT | DT_NOCLIP;
    char text[32];
    for (int r = 0; r < kRatesShown; ++r) {
        const RateStats& stats = data.m_aRateStats[static_cast<size_t>(r)];
        std::snprintf(text, sizeof text, "%.1f", stats.dSharePercent);
        dc.DrawText(text, RateShareCell(r), kFormat);
        std::snprintf(text, sizeof text, "%.1f", stats.dFlagZeroPercent);
        dc.DrawText(text, RateFlagZeroCell(r), kFormat);
    }
}

int EnergyConcentration(const CSurveyData& data) {
    const unsigned peak = data.m_nCfrPeakBin % kCfrTaps;
    uint32_t windowSum = 0;
    for (unsigned k = 0; k <= 2 * kWindowHalf; ++k)
        windowSum += data.m_aCfrPower[(peak + kCfrTaps - kWindowHalf + k) % kCfrTaps];
    if (windowSum == 0) return -1;
    const uint32_t q = (192u * data.m_aCfrPower[peak]) / windowSum;
    // Only a store holding more than any estimate can give goes past 192;
    // keep it in range so the bar stays in its column.
    return q > 192u ? 192 : static_cast<int>(q);
}

void DrawEnergyBar(CCanvas& dc, const CSurveyData& data) {
    const int q = EnergyConcentration(data);
    if (q < 0) return;
    int top = kEnergyBarBottom - q;
    if (top < kEnergyBarHighest) top = kEnergyBarHighest;
    const COLORREF color = dc.GetPixel(kQualityColumnX, top);
    if (color == CLR_INVALID) return;
    dc.FillSolidRect(CRect(kEnergyBarLeft, top, kEnergyBarRight, kEnergyBarBottom), color);
}
