#include "screens/Usage.h"

#include <cstdio>

#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "screens/ScreenFurniture.h"

ORV_IMPLEMENT_DYNCREATE(CUsage, CScreen)

namespace {

using Palette::kBlack;
using Palette::kNavy;
using Palette::kWhite;
constexpr COLORREF kStripRed = Palette::kDarkRed;
constexpr COLORREF kFrameBlue = RGB(0, 0, 192);

struct Counter {
    const char* label;
    CRect labelRect;
    uint32_t CSurveyData::*value;
    CRect valueRect;
};
const Counter kCounters[] = {
    {"TOTAL :", {5, 22, 50, 32}, &CSurveyData::m_nFramesTotal, {60, 22, 90, 32}},
    {"BEACON:", {5, 32, 50, 42}, &CSurveyData::m_nBeacons, {60, 32, 90, 42}},
    {"MGMT  :", {5, 42, 50, 52}, &CSurveyData::m_nMgmtFrames, {60, 42, 90, 52}},
    {"CTRL:", {100, 22, 145, 32}, &CSurveyData::m_nControlFrames, {150, 22, 180, 32}},
    {"DATA:", {100, 32, 145, 42}, &CSurveyData::m_nDataFrames, {150, 32, 180, 42}},
    {"RSRV:", {100, 42, 145, 52}, &CSurveyData::m_nReservedFrames, {150, 42, 180, 52}},
    {"AUTH:", {180, 22, 215, 32}, &CSurveyData::m_nAuthFrames, {220, 22, 240, 32}},
    {"DEAU:", {180, 32, 215, 42}, &CSurveyData::m_nDeauthFrames, {220, 32, 240, 42}},
};

// Frame-share chart: 0 % at y 140, 100 % at y 80.
constexpr int kShareTop = 80;
constexpr int kShareBottom = 140;
// Level chart: y = 130 - dBm, -30 dBm at y 160, -90 dBm at y 220.
constexpr int kLevelTop = 160;
constexpr int kLevelBottom = 220;
constexpr int kLevelOrigin = 130;
constexpr int kChartLeft = 25;
constexpr int kChartRight = 235;
constexpr int kColumnWidth = 15;

constexpr COLORREF kLevelColors[4] = {Palette::kRed, Palette::kGreen, Palette::kBlue, kBlack};

COLORREF ShareColor(int percent) {
    if (percent > 75) return Palette::kGreen;
    if (percent > 50) return Palette::kBlue;
    if (percent > 25) return Palette::kRed;
    return kBlack;
}

void DrawFrame(CCanvas& dc, int top, int bottom) {
    const CPoint outline[] = {{kChartLeft, top},
                              {kChartLeft, bottom},
                              {kChartRight, bottom},
                              {kChartRight, top},
                              {kChartLeft, top}};
    dc.Polyline(outline, 5);
}

void DrawGridLines(CCanvas& dc, int top) {
    for (int y = top + 15; y < top + 60; y += 15) {
        dc.MoveTo(kChartLeft + 1, y);
        dc.LineTo(kChartRight - 1, y);
    }
}

}  // namespace

CUsage::CUsage()
    : CScreen(kTemplateId),
      m_brCounterBand(kNavy),
      m_brHighlight(kStripRed),
      m_penStrip(PS_SOLID, 1, kStripRed),
      m_penFrame(PS_SOLID, 2, kFrameBlue),
      m_penGrid(PS_DASH, 1, kFrameBlue),
      m_font8(80, "System"),
      m_font10(100, "System") {}

int CUsage::FramePercent(uint32_t channelFrames, uint32_t allFrames) {
    if (allFrames == 0) return 0;
    // In 64 bits: a hundred times a busy channel's count does not fit 32.
    const uint64_t percent = uint64_t{channelFrames} * 100u / allFrames;
    return percent > 100 ? 100 : static_cast<int>(percent);
}

void CUsage::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SetTextColor(kWhite);
    furniture.DrawActivityBanner(dc);
    DrawCounters(dc, data);
    DrawChannelStrip(dc, data.m_nChannel);
    DrawFrameShare(dc, data);
    DrawLevels(dc, data);
}

void CUsage::DrawCounters(CCanvas& dc, const CSurveyData& data) {
    dc.SetBkColor(kNavy);
    dc.SelectFont(m_font8);
    dc.FillRect(kCounterBand, m_brCounterBand);
    dc.SetTextColor(kWhite);
    char text[16];
    for (const Counter& c : kCounters) {
        dc.DrawText(c.label, c.labelRect, 0);
        // Counters are unsigned and never reset: printed as such past 2^31.
        std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(data.*c.value));
        dc.DrawText(text, c.valueRect, 0);
    }
}

void CUsage::DrawChannelStrip(CCanvas& dc, int channel) {
    dc.SetBkColor(kWhite);
    dc.SelectFont(m_font10);
    dc.FillRect(ChannelCell(channel), m_brHighlight);
    dc.SelectPen(m_penStrip);
    const CPoint outline[] = {{1, 55}, {238, 55}, {238, 70}, {1, 70}, {1, 55}};
    dc.Polyline(outline, 5);
    dc.MoveTo(0, 55);
    dc.LineTo(240, 55);
    char text[16];
    for (int i = 1; i <= 14; ++i) {
        dc.MoveTo(17 * i, 55);
        dc.LineTo(17 * i, 70);
        const bool current = i == channel;
        dc.SetTextColor(current ? kWhite : kStripRed);
        dc.SetBkColor(current ? kStripRed : kWhite);
        std::snprintf(text, sizeof text, "%02d", i);
        dc.DrawText(text, CRect(17 * i - 15, 56, 17 * i - 1, 69), 0);
    }
}

void CUsage::DrawFrameShare(CCanvas& dc, const CSurveyData& data) {
    dc.SelectFont(m_font8);
    dc.SetTextColor(kBlack);
    dc.SetBkColor(kWhite);
    dc.SelectPen(m_penFrame);
    DrawFrame(dc, kShareTop, kShareBottom);
    dc.SelectPen(m_penGrid);
    DrawGridLines(dc, kShareTop);
    char text[16];
    for (int y = kShareTop; y <= kShareBottom; y += 15) {
        std::snprintf(text, sizeof text, "%d", ((kShareBottom - y) * 100) / 60);
        dc.DrawText(text, CRect(5, y - 6, 29, y + 4), 0);
    }

    for (int i = 1; i <= 14; ++i) {
        const int x = ColumnX(i);
        std::snprintf(text, sizeof text, "%d", i);
        dc.DrawText(text, CRect(x + 4, 143, x + 14, 153), 0);
        // No frames yet: no shares to show (and nothing to divide by).
        if (data.m_nFramesAllChannels == 0) continue;
        const int percent = FramePercent(data.m_anFramesPerChannel[static_cast<size_t>(i)],
                                         data.m_nFramesAllChannels);
        int top = kShareBottom - (percent * 60) / 100;
        if (top < kShareTop) top = kShareTop;
        dc.FillSolidRect(CRect(x, top, x + 14, kShareBottom), ShareColor(percent));
        dc.SetBkColor(kWhite);
        std::snprintf(text, sizeof text, "%d", percent);
        dc.DrawText(text, CRect(x + 1, top - 14, x + 14, top - 4), 0);
    }
}

void CUsage::DrawLevels(CCanvas& dc, const CSurveyData& data) {
    dc.SelectFont(m_font8);
    dc.SetTextColor(kBlack);
    dc.SetBkColor(kWhite);
    dc.SelectPen(m_penFrame);
    DrawFrame(dc, kLevelTop, kLevelBottom);
    for (int x = kChartLeft + kColumnWidth; x <= 220; x += kColumnWidth) {
        dc.MoveTo(x, kLevelTop);
        dc.LineTo(x, kLevelBottom);
    }
    dc.SelectPen(m_penGrid);
    DrawGridLines(dc, kLevelTop);
    char text[16];
    for (int y = kLevelTop; y <= kLevelBottom; y += 15) {
        std::snprintf(text, sizeof text, "%d", ((kLevelBottom - y) * 60) / 60 - 90);
        dc.DrawText(text, CRect(5, y - 6, 29, y + 4), 0);
    }

    // One walk of the table gathers every channel's levels in table order.
    std::array<std::array<int16_t, kLevelsPerChannel>, kChannelSlots> levels{};
    std::array<int, kChannelSlots> counts{};
    StationEntry* entry = nullptr;
    for (int walk = data.m_Stations.GetAt(1, &entry); walk == 0 && entry != nullptr;
         walk = data.m_Stations.Next(entry, &entry)) {
        const uint16_t ch = entry->nChannel;
        if (ch < 1 || ch > 14) continue;
        int& k = counts[ch];
        if (k < kLevelsPerChannel) levels[ch][static_cast<size_t>(k)] = entry->nRssi;
        ++k;
    }

    for (int j = 1; j <= 14; ++j) {
        const int x = ColumnX(j);
        std::snprintf(text, sizeof text, "%d", j);
        dc.DrawText(text, CRect(x + 4, 222, x + 14, 232), 0);
        const int k = counts[static_cast<size_t>(j)];
        if (k > 0) {
            // Sixteen or more stations leave no width for a bar.
            const int width = kColumnWidth / k;
            const int shown = k < kLevelsPerChannel ? k : kLevelsPerChannel;
            for (int l = 0; l < shown && width > 0; ++l) {
                const int v = levels[static_cast<size_t>(j)][static_cast<size_t>(l)];
                dc.FillSolidRect(
                    CRect(x + l * width, kLevelOrigin - v, x + (l + 1) * width, kLevelBottom),
                    kLevelColors[l % 4]);
            }
        }
        dc.SetBkColor(kWhite);
    }
}
