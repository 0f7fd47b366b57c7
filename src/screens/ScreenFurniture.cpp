#include "screens/ScreenFurniture.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "platform/Clock.h"
#include "res/BitmapResources.h"
#include "res/Resource.h"

namespace {

// One counter for all screens, so switching screens does not restart the
// sweep. Only the GUI thread paints.
int g_nActivityCounter = 1;

using Palette::kBlack;
using Palette::kNavy;
using Palette::kRed;
using Palette::kWhite;
using Palette::kYellow;
constexpr COLORREF kLightGrey = Palette::kFace;

constexpr CRect kBannerRect{0, 0, 240, 14};
constexpr int kBannerHeight = 14;

constexpr CRect kStatusBand{0, 240, 240, 255};
constexpr CRect kRtcLabelRect{5, 242, 40, 253};
constexpr CRect kDateRect{45, 242, 90, 253};
constexpr CRect kTimeRect{95, 242, 140, 253};
constexpr CRect kMarkerRect{145, 242, 209, 253};

constexpr CRect kVersionRect{0, 234, 240, 249};

constexpr int kLegendTop = 15;
constexpr int kLegendHeight = 6;
constexpr CRect kLegendFrame{19, 14, 220, 22};
constexpr CRect kLegendStrongLabel{220, 14, 240, 22};
constexpr CRect kLegendWeakLabel{0, 14, 20, 22};

// Left-aligned in the furniture's sense: no single-line flag, so the text
// sits at the top-left of its rectangle.
constexpr unsigned kLeftAligned = DT_VCENTER;
constexpr unsigned kCentred = DT_CENTER | DT_VCENTER;

// A fixed text field printed as text: at most its size, even without a NUL.
template <std::size_t N>
int FieldLength(const char (&field)[N]) {
    return static_cast<int>(strnlen(field, N));
}

}  // namespace

void CScreenFurniture::DrawBitmap(CCanvas& dc, int nId, int x, int y, int width, int height) const {
    const CBitmap* bitmap = LoadBitmapResource(nId);
    if (bitmap == nullptr || bitmap->IsEmpty()) return;
    dc.StretchBlt(x, y, width, height, *bitmap, 0, 0, bitmap->Width(), bitmap->Height(), SRCCOPY);
}

void CScreenFurniture::DrawBitmapRect(CCanvas& dc, int nId, int left, int top, int right,
                                      int bottom) const {
    DrawBitmap(dc, nId, left, top, right - left, bottom - top);
}

int CScreenFurniture::ActivityBitmapId(int nCounter) {
    if (nCounter < 1 || nCounter > kActivityFrames) nCounter = 1;
    // Frames 1..14 show bitmaps 153..166; the fifteenth is 152.
    return nCounter == kActivityFrames ? IDB_ACTIVITY_FIRST : IDB_ACTIVITY_FIRST + nCounter;
}

int CScreenFurniture::ActivityCounter() {
    return g_nActivityCounter;
}

void CScreenFurniture::ResetActivityCounter() {
    g_nActivityCounter = 1;
}

void CScreenFurniture::DrawActivityBanner(CCanvas& dc) const {
    if (m_data.m_bBatteryLow) {
        const COLORREF oldBk = dc.SetBkColor(kBlack);
        const COLORREF oldText = dc.SetTextColor(kRed);
        dc.DrawText("WARNING!: Battery is Low!!!", kBannerRect, DT_CENTER);
        dc.SetTextColor(oldText);
        dc.SetBkColor(oldBk);
    } else {
        DrawBitmap(dc, ActivityBitmapId(g_nActivityCounter), 0, 0, kBannerRect.Width(),
                   kBannerHeight);
    }
    // The strip keeps moving while the warning is up.
    if (++g_nActivityCounter > kActivityFrames) g_nActivityCounter = 1;
}

void CScreenFurniture::DrawStatusBar(CCanvas& dc) const {
    const CFont previous = dc.SelectFont(CFont(80, "System"));
    dc.SetTextColor(kWhite);
    dc.SetBkColor(kNavy);
    dc.FillSolidRect(kStatusBand, kNavy);

    const std::tm now = CClock::LocalNow();
    char date[32];
    char time[32];
    char marker[32];
    std::snprintf(date, sizeof(date), "%d/%d/%d", now.tm_mon + 1, now.tm_mday, now.tm_year + 1900);
    std::snprintf(time, sizeof(time), "%02d:%02d:%02d", now.tm_hour, now.tm_min, now.tm_sec);
    std::snprintf(marker, sizeof(marker), "Marker #%d", static_cast<int>(m_data.m_nMarkerNumber));

    dc.DrawText("RTC", kRtcLabelRect, kLeftAligned);
    dc.DrawText(date, kDateRect, kLeftAligned);
    dc.DrawText(time, kTimeRect, kLeftAligned);
    dc.DrawText(marker, kMarkerRect, kLeftAligned);
    dc.SelectFont(previous);
}

void CScreenFurniture::DrawVersionLine(CCanvas& dc) const {
    const CFont previous = dc.SelectFont(CFont(80, "System"));
    dc.SetTextColor(kYellow);
    dc.SetBkColor(kBlack);
    dc.FillSolidRect(kVersionRect, kBlack);
    char line[128];
    std::snprintf(line, sizeof(line), "(Firmware Version %.*s)(Serial Number %.*s)",
                  FieldLength(m_data.m_szFirmwareVersion), m_data.m_szFirmwareVersion,
                  FieldLength(m_data.m_szSerialNumber), m_data.m_szSerialNumber);
    dc.DrawText(line, kVersionRect, kCentred);
    dc.SelectFont(previous);
}

COLORREF CScreenFurniture::LegendColor(int x) {
    if (x < kLegendFirstColumn) x = kLegendFirstColumn;
    if (x > kLegendLastColumn) x = kLegendLastColumn;
    const int offset = x - kLegendFirstColumn;
    const int segment = offset / kLegendSegment;
    const int v = (offset % kLegendSegment) * 255 / kLegendSegment;
    switch (segment) {
        case 0:
            return RGB(255, v, 0);  // red to yellow
        case 1:
            return RGB(255 - v, 255, 0);  // yellow to green
        case 2:
            return RGB(0, 255, v);  // green to cyan
        default:
            return RGB(v, 255, 255);  // cyan to white
    }
}

void CScreenFurniture::DrawSignalLegend(CCanvas& dc) const {
    const CFont previous = dc.SelectFont(CFont(60, "System"));
    const CBrush grey(kLightGrey);
    for (int x = kLegendFirstColumn; x <= kLegendLastColumn; ++x) {
        dc.FillSolidRect(CRect(x, kLegendTop, x + 1, kLegendTop + kLegendHeight), LegendColor(x));
    }
    dc.FrameRect(kLegendFrame, grey);
    dc.SetTextColor(kWhite);
    dc.SetBkColor(kBlack);
    dc.DrawText("-20", kLegendStrongLabel, kCentred);
    dc.SetTextColor(kRed);
    dc.SetBkColor(kBlack);
    dc.DrawText("-100", kLegendWeakLabel, kCentred);
    dc.SelectFont(previous);
}
