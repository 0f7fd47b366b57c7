#include "screens/Spectrum.h"

#include <cstdio>

#include "audio/SoundCues.h"
#include "board/Wire.h"
#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"

ORV_IMPLEMENT_DYNCREATE(CSpectrum, CScreen)

const std::array<CSpectrum::TraceButton, 3> CSpectrum::kEnableButtons = {{
    {{3, 210, 38, 227}, IDB_ENABLE1_ON, IDB_ENABLE1_OFF},
    {{3, 229, 38, 246}, IDB_ENABLE2_ON, IDB_ENABLE2_OFF},
    {{3, 248, 38, 265}, IDB_ENABLE3_ON, IDB_ENABLE3_OFF},
}};
const std::array<CSpectrum::TraceButton, 3> CSpectrum::kVisibleButtons = {{
    {{43, 210, 78, 227}, IDB_VISIBLE1_ON, IDB_VISIBLE1_OFF},
    {{43, 229, 78, 246}, IDB_VISIBLE2_ON, IDB_VISIBLE2_OFF},
    {{43, 248, 78, 266}, IDB_VISIBLE3_ON, IDB_VISIBLE3_OFF},
}};
const std::array<CSpectrum::TraceButton, 3> CSpectrum::kHoldButtons = {{
    {{83, 210, 118, 227}, IDB_HOLD1_ON, IDB_HOLD1_OFF},
    {{83, 229, 118, 246}, IDB_HOLD2_ON, IDB_HOLD2_OFF},
    {{83, 248, 118, 266}, IDB_HOLD3_ON, IDB_HOLD3_OFF},
}};

namespace {

using Palette::kBlack;
using Palette::kWhite;
constexpr CPen kTracePens[3] = {
    CPen(PS_SOLID, 1, Palette::kTraceColors[0]),
    CPen(PS_SOLID, 1, Palette::kTraceColors[1]),
    CPen(PS_SOLID, 1, Palette::kTraceColors[2]),
};
constexpr CPen kMarkerPen(PS_SOLID, 1, kBlack);
constexpr unsigned kCentred = DT_CENTER | DT_VCENTER;

constexpr CRect kGridRect{0, 20, 240, 200};
constexpr int kNoMarkerLevel = -100;
// MARKER TO PEAK's running maximum starts below any level a trace can hold.
constexpr int kPeakFloor = -2500;
constexpr int kFullBandCentreIndex = 136;
constexpr int kChannelCentreIndex = 32;

int PointCount(int mode) {
    return mode == BoardMode::kSpectrum ? CSpectrum::kFullBandPoints : CSpectrum::kChannelPoints;
}

bool IsTrace(int t) {
    return t >= 1 && t <= 3;
}

int ClampTrace(int t) {
    return t < 1 ? 1 : (t > 3 ? 3 : t);
}

int CentreMhz(int channel) {
    return channel == 14 ? 2484 : 2407 + 5 * channel;
}

int16_t ReadLevel(const uint8_t* bytes) {
    return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
}

}  // namespace

int CSpectrum::LevelToY(int dbm) {
    int y = kPlotBottom - ((dbm + 100) * 120) / 80;
    if (y > kPlotBottom) y = kPlotBottom;
    if (y <= kPlotTop) y = kPlotTop;
    return y;
}

int CSpectrum::LiveLevel(const CSurveyData& data, int mode, int i) {
    // The wide sweep holds its 273 levels from byte 0; the narrow sweep's 64
    // levels follow two unused bytes.
    if (mode == BoardMode::kSpectrum) {
        if (i < 0 || i >= kFullBandPoints) return 0;
        return ReadLevel(&data.m_abWideSweep[static_cast<size_t>(2 * i)]) / 256;
    }
    if (i < 0 || i >= kChannelPoints) return 0;
    return ReadLevel(&data.m_abNarrowSweep[static_cast<size_t>(2 + 2 * i)]) / 256;
}

void CSpectrum::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(CFont(80, "System"));
    furniture.DrawActivityBanner(dc);
    const int points = PointCount(data.m_nMode);
    const int grid =
        data.m_nMode == BoardMode::kNarrowSpectrum ? IDB_CHANNEL_GRID : IDB_SPECTRUM_GRID;
    furniture.DrawBitmap(dc, grid, kGridRect.left, kGridRect.top, kGridRect.Width(),
                         kGridRect.Height());
    for (const auto& [rect, id] : {std::pair{kMarkerPeakButton, IDB_MARKER_PEAK},
                                   std::pair{kMarkerCenterButton, IDB_MARKER_CENTER},
                                   std::pair{kMarkerLeftButton, IDB_MARKER_LEFT},
                                   std::pair{kMarkerRightButton, IDB_MARKER_RIGHT}}) {
        furniture.DrawBitmapRect(dc, id, rect.left, rect.top, rect.right, rect.bottom);
    }
    int markerLevel = kNoMarkerLevel;
    DrawTraces(dc, data, furniture, points, &markerLevel);
    DrawReadouts(dc, data, points, markerLevel);
}

void CSpectrum::DrawTraces(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture,
                           int points, int* markerLevel) {
    const int mode = data.m_nMode;
    for (int t = 1; t <= 3; ++t) {
        SpectrumTrace& trace = data.m_aSpectrumTrace[static_cast<size_t>(t)];
        const size_t b = static_cast<size_t>(t - 1);
        for (const auto& [button, flag] : {std::pair{kEnableButtons[b], trace.bSelected},
                                           std::pair{kVisibleButtons[b], trace.bVisible},
                                           std::pair{kHoldButtons[b], trace.bHold}}) {
            const CRect& r = button.rect;
            furniture.DrawBitmapRect(dc, flag != 0 ? button.nBitmapSet : button.nBitmapClear,
                                     r.left, r.top, r.right, r.bottom);
        }
        if (trace.bVisible == 0) continue;

        const bool selected = data.m_nSelectedTrace == t;
        const CPen& pen = kTracePens[b];
        dc.SelectPen(pen);
        dc.MoveTo(kPlotLeft, kPlotBottom);
        for (int i = 0; i < points; ++i) {
            int16_t& stored = trace.anLevel[static_cast<size_t>(i)];
            if (selected) {
                const int live = LiveLevel(data, mode, i);
                stored = static_cast<int16_t>(trace.bHold != 0 && stored > live ? stored : live);
            }
            const int x = kPlotLeft + (i * kPlotWidth) / points;
            const int y = LevelToY(stored);
            dc.LineTo(x, y);
            if (selected && i == data.m_nSpectrumMarker) {
                *markerLevel = stored;
                dc.SelectPen(kMarkerPen);
                dc.MoveTo(x + 1, y);
                dc.LineTo(x - 3, y - 4);
                dc.LineTo(x + 1, y - 8);
                dc.LineTo(x + 5, y - 4);
                dc.LineTo(x + 1, y);
                dc.SelectPen(pen);
            }
        }
    }
}

void CSpectrum::DrawReadouts(CCanvas& dc, const CSurveyData& data, int points, int markerLevel) {
    dc.SetTextColor(kWhite);
    dc.SetBkColor(kBlack);
    char text[96];
    const int marker = data.m_nSpectrumMarker;
    int markerMhz = 0;
    dc.FillSolidRect(kHeaderLine, kBlack);
    if (data.m_nMode == BoardMode::kSpectrum) {
        std::snprintf(text, sizeof text, "Ctr: 2450 MHz   Span: 100 MHz");
        markerMhz = 2400 + (marker * 100) / points;
    } else {
        const int centre = CentreMhz(data.m_nChannel);
        std::snprintf(text, sizeof text, "Ctr: %04d MHz   Span: 20 MHz  Channel %d", centre,
                      data.m_nChannel);
        markerMhz = centre - 10 + (marker * 20) / points;
    }
    dc.DrawText(text, kHeaderLine, kCentred);

    dc.FillSolidRect(kMarkerLine, kBlack);
    std::snprintf(text, sizeof text, "MARKER: %d MHz RSSI: %d dBm", markerMhz, markerLevel);
    dc.DrawText(text, kMarkerLine, kCentred);
}

void CSpectrum::OnTouch(int x, int y, CSurveyData& data) {
    TouchButtons(data, x, y);
    TouchStrip(data, x, y);
}

bool CSpectrum::TouchButtons(CSurveyData& data, int x, int y) {
    auto& traces = data.m_aSpectrumTrace;
    for (int n = 1; n <= 3; ++n) {
        if (!kEnableButtons[static_cast<size_t>(n - 1)].rect.PtInRect(x, y)) continue;
        PlayResourceSound("PING");
        data.m_nSelectedTrace = static_cast<int16_t>(ClampTrace(n));
        for (int t = 1; t <= 3; ++t) traces[static_cast<size_t>(t)].bSelected = t == n ? 1 : 0;
        return true;
    }
    for (int n = 1; n <= 3; ++n) {
        if (!kVisibleButtons[static_cast<size_t>(n - 1)].rect.PtInRect(x, y)) continue;
        PlayResourceSound("PING");
        uint8_t& flag = traces[static_cast<size_t>(n)].bVisible;
        flag = flag != 0 ? 0 : 1;
        return true;
    }
    for (int n = 1; n <= 3; ++n) {
        if (!kHoldButtons[static_cast<size_t>(n - 1)].rect.PtInRect(x, y)) continue;
        PlayResourceSound("PING");
        uint8_t& flag = traces[static_cast<size_t>(n)].bHold;
        flag = flag != 0 ? 0 : 1;
        return true;
    }

    const bool fullBand = data.m_nMode == BoardMode::kSpectrum;
    const int points = PointCount(data.m_nMode);
    int16_t& marker = data.m_nSpectrumMarker;
    if (kMarkerPeakButton.PtInRect(x, y)) {
        PlayResourceSound("PING");
        // A store whose selected trace number went astray still names a trace.
        const int t = IsTrace(data.m_nSelectedTrace) ? data.m_nSelectedTrace : 1;
        const auto& levels = traces[static_cast<size_t>(t)].anLevel;
        int peak = kPeakFloor;
        for (int i = 0; i < points; ++i) {
            if (levels[static_cast<size_t>(i)] > peak) {
                peak = levels[static_cast<size_t>(i)];
                marker = static_cast<int16_t>(i);
            }
        }
        return true;
    }
    if (kMarkerCenterButton.PtInRect(x, y)) {
        PlayResourceSound("PING");
        marker = static_cast<int16_t>(fullBand ? kFullBandCentreIndex : kChannelCentreIndex);
        return true;
    }
    if (kMarkerLeftButton.PtInRect(x, y)) {
        PlayResourceSound("PING");
        marker = static_cast<int16_t>(marker > 0 ? marker - 1 : 0);
        return true;
    }
    if (kMarkerRightButton.PtInRect(x, y)) {
        PlayResourceSound("PING");
        const int last = points - 1;
        marker = static_cast<int16_t>(marker < last ? marker + 1 : last);
        return true;
    }
    return false;
}

void CSpectrum::TouchStrip(CSurveyData& data, int x, int y) {
    if (kChannelStrip.PtInRect(x, y) && data.m_nMode == BoardMode::kSpectrum) {
        PlayResourceSound("PING");
        // Between two cells the zoom goes to channel 1.
        int channel = 1;
        for (int i = 1; i <= 14; ++i) {
            if (ChannelCell(i).PtInRect(x, y)) {
                channel = i;
                break;
            }
        }
        data.m_nPendingChannel = static_cast<uint8_t>(channel);
        data.m_bChannelPending = 1;
        data.SetMode(BoardMode::kNarrowSpectrum);
    } else if (kBottomStrip.PtInRect(x, y)) {
        PlayResourceSound("PING");
        data.SetMode(BoardMode::kSpectrum);
    }
}
