#pragma once

#include <array>
#include <cstdint>

#include "data/SurveyData.h"
#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/Pen.h"
#include "screens/Screen.h"

// Channel frequency response of the station picked on the MAC list: the 44
// complex taps of its last frame's channel estimate, de-rotated by the phase
// slope between the first and the last tap and transformed into 44 frequency
// bins, plotted in dB across 22 of them around the carrier, above the taps'
// power profile in percent. Keeps no state: everything is recomputed from the
// store on every paint. Touches go to the screen grid.
class CCfr : public CScreen {
    ORV_DECLARE_DYNCREATE(CCfr)
public:
    static constexpr unsigned kTemplateId = 135;
    static constexpr int kBins = kCfrTaps;
    static constexpr int kProfilePoints = kCfrTaps;
    static constexpr int kResponsePoints = 22;
    // Response levels are held to this range (dB).
    static constexpr int kFloorDb = -60;

    // The 44-point transform of one impulse response.
    struct Response {
        double dSlope = 0.0;  // phase advance from tap 0 to tap 43 removed first
        std::array<double, kBins> adPower{};
        double dTotal = 0.0;  // sum of the bin powers
    };
    static Response Transform(const std::array<CfrSample, kCfrTaps>& taps);

    // Level of one bin in whole dB below the total, -60..0; -60 for a bin
    // with no power. Only for a positive total.
    static int LevelDb(double binPower, double total);

    // Displayed point j (0..21): bins 33..43 below the carrier, then 0..10.
    static constexpr int BinOfPoint(int j) { return j <= 10 ? 33 + j : j - 11; }

    static constexpr int ResponseX(int j) { return 40 + (172 * j) / 21; }
    static constexpr int ResponseY(int level) { return 204 - ((level + 60) * 68) / 60; }
    static constexpr int ProfileX(int j) { return 40 + (172 * j) / 43; }
    static constexpr int ProfileY(int percent) { return 2 * (48 - percent); }

    CCfr();

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);
    void OnTouch(int x, int y, CSurveyData& data) override ORV_REQUIRES_STORE(data);

private:
    static void DrawStationText(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
    static void DrawProfile(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
    static void DrawResponse(CCanvas& dc, const Response& response);

    CPen m_penTrace;
    CFont m_font8;
};
