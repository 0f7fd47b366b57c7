#include "screens/Cfr.h"

#include <cmath>
#include <cstdio>
#include <string_view>

#include "gfx/Canvas.h"
#include "gfx/Palette.h"
#include "res/Resource.h"
#include "screens/ScreenFurniture.h"

ORV_IMPLEMENT_DYNCREATE(CCfr, CScreen)

namespace {

constexpr CRect kMacRect{0, 220, 95, 228};
constexpr CRect kSsidRect{100, 220, 200, 228};
constexpr CRect kCapturedRect{200, 220, 220, 228};
constexpr CRect kMatchedRect{220, 220, 240, 228};

// The profile starts this many taps (two chips) before the strongest one.
constexpr int kTapsBeforePeak = 8;
// 1/43, the de-rotation's step per tap.
constexpr double kInv43 = 0.023255813953488372;

const double kPi = std::acos(-1.0);

// The transform's kernel e^(-j 2 pi u w / 44), made once; exactly 1 in the
// first row and column.
struct Kernel {
    std::array<std::array<double, CCfr::kBins>, CCfr::kBins> re;
    std::array<std::array<double, CCfr::kBins>, CCfr::kBins> im;
    Kernel() {
        for (int u = 0; u < CCfr::kBins; ++u) {
            for (int w = 0; w < CCfr::kBins; ++w) {
                double c = 1.0;
                double s = 0.0;
                if (u != 0 && w != 0) {
                    const double phi = u * w * (-kPi / 22);
                    c = std::cos(phi);
                    s = std::sin(phi);
                }
                re[static_cast<size_t>(u)][static_cast<size_t>(w)] = c;
                im[static_cast<size_t>(u)][static_cast<size_t>(w)] = s;
            }
        }
    }
};

const Kernel& TheKernel() {
    static const Kernel kernel;
    return kernel;
}

std::string_view Text(const char* field, size_t size) {
    size_t n = 0;
    while (n < size && field[n] != '\0') ++n;
    return std::string_view(field, n);
}

}  // namespace

CCfr::CCfr()
    : CScreen(kTemplateId), m_penTrace(PS_SOLID, 1, Palette::kYellow), m_font8(80, "System") {}

CCfr::Response CCfr::Transform(const std::array<CfrSample, kCfrTaps>& taps) {
    Response r;
    const CfrSample& first = taps.front();
    const CfrSample& last = taps.back();
    r.dSlope = std::atan2(last.nQ, last.nI) - std::atan2(first.nQ, first.nI);
    // Only a forward wrap is undone: a slope falling past -pi stays as it is.
    if (r.dSlope > kPi) r.dSlope -= 2 * kPi;

    std::array<double, kCfrTaps> dRe{};
    std::array<double, kCfrTaps> dIm{};
    for (int w = 0; w < kCfrTaps; ++w) {
        const double t = w * r.dSlope * kInv43;
        const double c = std::cos(t);
        const double s = std::sin(t);
        const double i = taps[static_cast<size_t>(w)].nI;
        const double q = taps[static_cast<size_t>(w)].nQ;
        dRe[static_cast<size_t>(w)] = i * c + q * s;
        dIm[static_cast<size_t>(w)] = q * c - i * s;
    }

    const Kernel& k = TheKernel();
    for (size_t u = 0; u < kBins; ++u) {
        double re = 0.0;
        double im = 0.0;
        for (size_t w = 0; w < kCfrTaps; ++w) {
            re += dRe[w] * k.re[u][w] - dIm[w] * k.im[u][w];
            im += dRe[w] * k.im[u][w] + dIm[w] * k.re[u][w];
        }
        r.adPower[u] = re * re + im * im;
        r.dTotal += r.adPower[u];
    }
    return r;
}

int CCfr::LevelDb(double binPower, double total) {
    if (!(binPower > 0.0) || !(total > 0.0)) return kFloorDb;
    const double db = 10.0 * std::log10(binPower / total);
    // Whole dB toward zero; everything from -60 down (and -inf) is the floor.
    if (!(db > kFloorDb)) return kFloorDb;
    const int level = static_cast<int>(db);
    return level > 0 ? 0 : level;
}

void CCfr::Compose(CCanvas& dc, CSurveyData& data, const CScreenFurniture& furniture) {
    dc.SelectFont(m_font8);
    furniture.DrawActivityBanner(dc);
    furniture.DrawBitmap(dc, IDB_CFR, 0, 14, 240, 254);
    DrawStationText(dc, data);
    const Response response = Transform(data.m_aCfrIq);
    dc.SelectPen(m_penTrace);
    DrawProfile(dc, data);
    DrawResponse(dc, response);
}

void CCfr::OnTouch(int x, int y, CSurveyData&) {
    RequestScreenGrid(x, y);
}

void CCfr::DrawStationText(CCanvas& dc, const CSurveyData& data) {
    dc.SetBkColor(Palette::kWhite);
    dc.SetTextColor(Palette::kNavy);
    dc.DrawText(Text(data.m_szSelectedMac, sizeof data.m_szSelectedMac), kMacRect,
                DT_CENTER | DT_VCENTER);
    dc.DrawText(Text(data.m_szSelectedSsid, sizeof data.m_szSelectedSsid), kSsidRect, DT_VCENTER);
    char text[16];
    // The counts never go negative: printed unsigned past 2^31.
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(data.m_nFramesCaptured));
    dc.DrawText(text, kCapturedRect, DT_VCENTER);
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(data.m_nSelectedFrames));
    dc.DrawText(text, kMatchedRect, DT_VCENTER);
}

void CCfr::DrawProfile(CCanvas& dc, const CSurveyData& data) {
    // No frame from the station yet: an empty chart rather than a division by zero.
    const uint64_t sum = data.m_nCfrPowerSum;
    if (sum == 0) return;
    std::array<CPoint, kProfilePoints> points;
    int tap = (data.m_nCfrPeakBin + kCfrTaps - kTapsBeforePeak) % kCfrTaps;
    for (int j = 0; j < kProfilePoints; ++j) {
        uint64_t percent = 100u * uint64_t{data.m_aCfrPower[static_cast<size_t>(tap)]} / sum;
        // Each tap is part of the sum; only a store out of step exceeds 100 %.
        if (percent > 100) percent = 100;
        points[static_cast<size_t>(j)] = CPoint(ProfileX(j), ProfileY(static_cast<int>(percent)));
        tap = (tap + 1) % kCfrTaps;
    }
    dc.Polyline(points);
}

void CCfr::DrawResponse(CCanvas& dc, const Response& response) {
    // An all-zero response has no level to show.
    if (!(response.dTotal > 0.0)) return;
    std::array<CPoint, kResponsePoints> points;
    for (int j = 0; j < kResponsePoints; ++j) {
        const double power = response.adPower[static_cast<size_t>(BinOfPoint(j))];
        points[static_cast<size_t>(j)] =
            CPoint(ResponseX(j), ResponseY(LevelDb(power, response.dTotal)));
    }
    dc.Polyline(points);
}
