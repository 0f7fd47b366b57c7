#pragma once

#include <array>
#include <cstdint>

#include "gfx/Brush.h"
#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/Palette.h"
#include "gfx/Pen.h"
#include "screens/Screen.h"

class CSurveyData;

// Traffic summary: the running frame counters by kind, a strip with the
// current channel, each channel's share of all captured frames in percent,
// and the signal levels of the stations heard on each channel. No touch
// areas of its own.
class CUsage : public CScreen {
    ORV_DECLARE_DYNCREATE(CUsage)
public:
    // The level chart keeps this many levels per channel; with more stations
    // on a channel its bars have no width anyway.
    static constexpr int kLevelsPerChannel = 15;

    static constexpr CRect kCounterBand{0, 21, 240, 56};
    // Column of channel i (1..14) in both charts.
    static constexpr int ColumnX(int i) { return 25 + 15 * (i - 1); }
    // Cell of channel c (1..14) in the channel strip.
    static constexpr CRect ChannelCell(int c) { return CRect(17 * c - 16, 55, 17 * c + 1, 70); }

    // The screen's empty form template.
    static constexpr unsigned kTemplateId = 121;

    CUsage();

    COLORREF GetBackgroundColor() const override { return Palette::kWhite; }

    // Share of all frames on one channel, 0..100; 0 when no frame was seen.
    static int FramePercent(uint32_t channelFrames, uint32_t allFrames);

protected:
    void Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) override
        ORV_REQUIRES_STORE(data);

private:
    void DrawCounters(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
    void DrawChannelStrip(CCanvas& dc, int channel);
    void DrawFrameShare(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);
    void DrawLevels(CCanvas& dc, const CSurveyData& data) ORV_REQUIRES_STORE(data);

    // Drawing objects, made once for the life of the screen.
    CBrush m_brCounterBand;
    CBrush m_brHighlight;
    CPen m_penStrip;
    CPen m_penFrame;
    CPen m_penGrid;
    CFont m_font8;
    CFont m_font10;
};
