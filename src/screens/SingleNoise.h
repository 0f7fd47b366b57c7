#pragma once

#include <array>
#include <cstdint>

#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/Pen.h"
#include "screens/Screen.h"

class CSurveyData;

// Signal and noise of the station picked on the MAC list over time: the
// station's level and the current channel's noise level, one sample per
// paint that finds a new frame from the station, drawn as three scrolling
// traces (signal, noise and their difference) with a bar for the newest value
// of each. Touches go to the screen grid.
class CSingleNoise : public CScreen {
    ORV_DECLARE_DYNCREATE(CSingleNoise)
public:
    static constexpr unsigned kTemplateId = 130;
    static constexpr int kHistory = 171;
    static constexpr int kPoints = 170;
    static constexpr int kMinDbm = -100;
    static constexpr int kMaxDbm = -20;

    // The newest sample's column; older samples one pixel further left each.
    static constexpr int kNewestX = 207;
    static constexpr int kBarLeft = 214;
    static constexpr int kBarWidth = 18;
    static constexpr int kSignalBase = 70;
    static constexpr int kNoiseBase = 136;
    static constexpr int kSnrBase = 202;

    static constexpr int SignalY(int r) { return 69 - ((r + 100) * 40) / 80; }
    static constexpr int NoiseY(int n) { return 135 - ((n + 100) * 40) / 80; }
    static constexpr int SnrY(int r, int n) { return 201 + ((n - r) * 40) / 80; }
    static constexpr int16_t Clamp(int dbm) {
        return static_cast<int16_t>(dbm < kMinDbm ? kMinDbm : (dbm > kMaxDbm ? kMaxDbm : dbm));
    }

    CSingleNoise();

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    void DrawStationText(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
    void TakeSample(CSurveyData& data) ORV_REQUIRES_STORE(data);
    void BuildTraces();
    void DrawTrace(CCanvas& dc, const std::array<CPoint, kPoints>& trace, COLORREF bar,
                   int baseline);

    std::array<int16_t, kHistory> m_anRssi;
    std::array<int16_t, kHistory> m_anNoise;
    int16_t m_nRssiWrite = 0;
    int16_t m_nNoiseWrite = 0;
    int16_t m_nRead = 0;
    std::array<CPoint, kPoints> m_aSignal{};
    std::array<CPoint, kPoints> m_aNoise{};
    std::array<CPoint, kPoints> m_aSnr{};

    CPen m_penTrace;
    CFont m_font8;
};
