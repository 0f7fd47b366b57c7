#pragma once

#include <array>
#include <cstdint>

#include "gfx/Geometry.h"
#include "gfx/Pen.h"
#include "screens/Screen.h"

class CSurveyData;

// Write position of the delay-spread history (0..89). It belongs to the
// program rather than to the screen: only the delay-spread screen uses it.
extern int16_t g_nDelaySpreadPosition;

// The selected station's RMS delay spread in taps, taken from its latest
// impulse response on every paint: the current value as a bar, a scrolling
// history and a histogram of the last 90 values, beside the station's
// identity, frame counts, per-rate table and energy concentration bar.
// CLEAR DATA empties the history; other touches go to the screen grid.
class CDelaySpread : public CScreen {
    ORV_DECLARE_DYNCREATE(CDelaySpread)
public:
    static constexpr unsigned kTemplateId = 125;
    static constexpr int kHistoryLength = 90;
    static constexpr int kBins = 44;
    static constexpr int16_t kEmpty = -1;
    using History = std::array<int16_t, kHistoryLength>;
    using Histogram = std::array<int16_t, kBins>;

    // Touch area of CLEAR DATA, inclusive.
    static constexpr CRect kClearArea{133, 213, 198, 226};
    // History and current value: 0 taps at y 89, 44 taps at y 19.
    static constexpr int SpreadY(int taps) { return 89 - (70 * taps) / 44; }
    // Histogram: bin t at x 110 + 120t/44, a count n at y 194 - n.
    static constexpr int BinX(int bin) { return 110 + (120 * bin) / 44; }
    static constexpr int CountY(int count) { return 194 - count; }

    CDelaySpread();

    COLORREF GetBackgroundColor() const override { return RGB(0, 0, 0); }

    // RMS delay spread of the tap powers in taps, from integer moments;
    // -1 when there is no power to weigh the taps with.
    static int RmsDelaySpread(const std::array<uint32_t, 44>& power);
    // One count per history value of 0 or more, in bin min(value, 43).
    static void BuildHistogram(const History& history, Histogram& bins);

    const History& GetHistory() const { return m_anHistory; }

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    void DrawHistogram(CCanvas& dc);
    void DrawHistory(CCanvas& dc);

    History m_anHistory;
    Histogram m_anHistogram{};

    CPen m_penRed;
    CPen m_penWhite;
};
