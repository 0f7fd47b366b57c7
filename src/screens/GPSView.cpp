#include "screens/GPSView.h"

#include <string>

#include "data/SurveyData.h"
#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "gps/GpsStatus.h"
#include "res/Resource.h"

ORV_IMPLEMENT_DYNCREATE(CGPSView, CScreen)

namespace {

constexpr COLORREF kFix3DGreen = RGB(0, 96, 0);

struct Row {
    const char* label;
    std::string (*value)(const CGpsStatus& gps);
};
const Row kRows[] = {
    {"Date", [](const CGpsStatus& g) { return g.FormatDate(); }},
    {"Time", [](const CGpsStatus& g) { return g.FormatTime(); }},
    {"Latitude", [](const CGpsStatus& g) { return g.FormatLatitude(); }},
    {"Longitude", [](const CGpsStatus& g) { return g.FormatLongitude(); }},
    {"Status", [](const CGpsStatus& g) { return std::string(g.FormatFixStatus()); }},
    {"Visible Satellites", [](const CGpsStatus& g) { return std::to_string(g.m_nVisibleSats); }},
    {"Tracked Satellites", [](const CGpsStatus& g) { return std::to_string(g.m_nTrackedSats); }},
    {"Velocity", [](const CGpsStatus& g) { return g.FormatVelocity(); }},
    {"Altitude", [](const CGpsStatus& g) { return g.FormatAltitude(); }},
};

}  // namespace

CGPSView::CGPSView() : CScreen(IDD_GPS_VIEW), m_font8(80, "System") {}

CGPSView::Colors CGPSView::ColorsFor(uint16_t fixStatus) {
    switch (fixStatus) {
        case kFix3D:
            return {kFix3DGreen, Palette::kWhite};
        case kFix2D:
            return {Palette::kYellow, Palette::kBlack};
        default:
            return {Palette::kDarkRed, Palette::kWhite};
    }
}

void CGPSView::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture&) {
    const Colors colors = ColorsFor(data.m_Gps.m_nFixStatus);
    dc.FillSolidRect(GetClientRect(), colors.page);
    dc.SelectFont(m_font8);
    dc.SetTextColor(colors.page);
    dc.SetBkColor(colors.textBackground);
    dc.SetBkMode(OPAQUE);
    if (data.m_Gps.m_bMessageReceived) {
        DrawRows(dc, data.m_Gps);
    } else {
        dc.DrawText(kNotInstalled, kNotInstalledRect, DT_LEFT | DT_TOP);
        dc.DrawText(kContactNotice, kContactRect, DT_LEFT | DT_TOP);
    }
}

void CGPSView::DrawRows(CCanvas& dc, const CGpsStatus& gps) {
    int i = 0;
    for (const Row& row : kRows) {
        dc.DrawText(row.label, LabelRect(i), DT_LEFT | DT_TOP);
        dc.DrawText(row.value(gps), ValueRect(i), DT_LEFT | DT_TOP);
        ++i;
    }
}
