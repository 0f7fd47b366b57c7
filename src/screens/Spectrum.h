#pragma once

#include <array>

#include "gfx/Geometry.h"
#include "gfx/Palette.h"
#include "screens/Screen.h"

class CSurveyData;

// The spectrum analyser: three traces of the board's latest sweep over the
// whole band (273 points, 2400-2500 MHz) or over one channel (64 points,
// 20 MHz), a diamond marker on the selected trace with its readout, and the
// buttons that select, show and hold traces and move the marker. The traces,
// their flags and the marker live in the store, so they survive leaving the
// screen. Every paint copies the latest sweep into the selected trace.
class CSpectrum : public CScreen {
    ORV_DECLARE_DYNCREATE(CSpectrum)
public:
    static constexpr int kFullBandPoints = 273;
    static constexpr int kChannelPoints = 64;

    // Plot: point i of N at x = 29 + 200i / N; -20 dBm at y 24, -100 dBm at y 144.
    static constexpr int kPlotLeft = 29;
    static constexpr int kPlotWidth = 200;
    static constexpr int kPlotTop = 24;
    static constexpr int kPlotBottom = 144;

    static constexpr CRect kChannelStrip{2, 162, 237, 180};
    static constexpr CRect kBottomStrip{0, 162, 240, 180};
    static constexpr CRect kHeaderLine{0, 183, 240, 193};
    static constexpr CRect kMarkerLine{0, 195, 240, 205};

    // Cell of channel 1..14 in the full-band strip.
    static constexpr CRect ChannelCell(int channel) {
        return CRect(17 * channel - 15, 162, 17 * channel - 1, 180);
    }

    // A two-state button of one trace: ENABLE (selected flag), VISIBLE, HOLD.
    struct TraceButton {
        CRect rect;
        int nBitmapSet;
        int nBitmapClear;
    };
    static const std::array<TraceButton, 3> kEnableButtons;
    static const std::array<TraceButton, 3> kVisibleButtons;
    static const std::array<TraceButton, 3> kHoldButtons;
    static constexpr CRect kMarkerPeakButton{163, 210, 198, 236};
    static constexpr CRect kMarkerCenterButton{163, 239, 198, 265};
    static constexpr CRect kMarkerLeftButton{203, 210, 238, 236};
    static constexpr CRect kMarkerRightButton{203, 239, 238, 265};

    // The screen's empty form template.
    static constexpr unsigned kTemplateId = 111;

    CSpectrum() : CScreen(kTemplateId) {}

    COLORREF GetBackgroundColor() const override { return Palette::kFace; }

    // Screen y of a level in whole dBm.
    static int LevelToY(int dbm);
    // Live sample i of the sweep for the board mode, in whole dBm; 0 for an
    // index outside that sweep.
    static int LiveLevel(const CSurveyData& data, int mode, int i) ORV_REQUIRES_STORE(data);

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    void DrawTraces(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture, int points,
                    int* markerLevel) ORV_REQUIRES_STORE(data);
    void DrawReadouts(CCanvas& dc, const CSurveyData& data, int points, int markerLevel)
        ORV_REQUIRES_STORE(data);
    // True when the touch hit one of the buttons.
    bool TouchButtons(CSurveyData& data, int x, int y) ORV_REQUIRES_STORE(data);
    void TouchStrip(CSurveyData& data, int x, int y) ORV_REQUIRES_STORE(data);
};
