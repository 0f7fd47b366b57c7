// heatmap: the coverage map of a survey log as a PNG picture.

#include "tools/HeatMap.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <numbers>

#include "gfx/Palette.h"
#include "gfx/Png.h"
#include "platform/Latin1.h"
#include "tools/LogTool.h"
#include "tools/SurveyReport.h"

namespace {

// Metres per degree of latitude (and of longitude at the equator).
constexpr double kMetresPerDegree = 6371008.8 * std::numbers::pi / 180.0;

// Picture layout: the title above the map, the level scale to its right and
// the scale bar below it.
constexpr int kMapTargetPixels = 800;
constexpr int kMaxPixelsPerCell = 16;
constexpr int kMargin = 10;
constexpr int kTitleHeight = 24;
constexpr int kLegendGap = 16;
constexpr int kLegendWidth = 100;
constexpr int kLegendBarWidth = 16;
constexpr int kLegendRowHeight = 3;  // per dBm
constexpr int kLegendStrongest = -20;
constexpr int kLegendWeakest = -100;
constexpr int kLegendLabelStep = 10;
constexpr int kBottomHeight = 44;
constexpr int kScaleBarHeight = 6;
constexpr int kMarkerRadius = 6;

constexpr COLORREF kPaper = Palette::kWhite;
constexpr COLORREF kInk = Palette::kBlack;

bool ValidPosition(double latitude, double longitude) {
    return std::isfinite(latitude) && std::isfinite(longitude) && std::fabs(latitude) <= 90.0 &&
           std::fabs(longitude) <= 180.0;
}

// 1, 2 or 5 times a power of ten, at most `limit`.
double RoundLength(double limit) {
    if (!(limit > 0)) return 0;
    const double power = std::pow(10.0, std::floor(std::log10(limit)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= limit) return step * power;
    return power;
}

std::string MetresText(double metres) {
    char text[48];
    if (metres >= 1000) {
        std::snprintf(text, sizeof text, "%g km", metres / 1000);
    } else {
        std::snprintf(text, sizeof text, "%g m", metres);
    }
    return text;
}

}  // namespace

void CHeatMap::Project(double latitude, double longitude, double& x, double& y) const {
    x = (longitude - m_dLon0) * kMetresPerDegree * m_dCosLat0;
    y = (latitude - m_dLat0) * kMetresPerDegree;
}

int CHeatMap::Build(const std::vector<HeatSample>& samples, const std::vector<SurveyFix>& track,
                    const std::vector<HeatMarker>& markers, const HeatMapOptions& options,
                    std::string& error) {
    if (!(options.dCellM > 0) || !std::isfinite(options.dCellM)) {
        error = "the cell size must be a positive number of metres";
        return -1;
    }
    // The middle of everything that will be drawn is the projection's centre.
    double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
    auto extend = [&](double lat, double lon) {
        if (!ValidPosition(lat, lon)) return;
        minLat = std::min(minLat, lat);
        maxLat = std::max(maxLat, lat);
        minLon = std::min(minLon, lon);
        maxLon = std::max(maxLon, lon);
    };
    bool anySample = false;
    for (const HeatSample& s : samples) {
        extend(s.dLatitude, s.dLongitude);
        anySample = anySample || ValidPosition(s.dLatitude, s.dLongitude);
    }
    if (!anySample) {
        error = "nothing was heard at a position";
        return -1;
    }
    for (const SurveyFix& f : track) extend(f.dLatitude, f.dLongitude);
    for (const HeatMarker& m : markers) extend(m.dLatitude, m.dLongitude);
    m_dLat0 = (minLat + maxLat) / 2;
    m_dLon0 = (minLon + maxLon) / 2;
    m_dCosLat0 = std::max(std::cos(m_dLat0 * std::numbers::pi / 180.0), 1e-6);

    double minX, minY, maxX, maxY;
    Project(minLat, minLon, minX, minY);
    Project(maxLat, maxLon, maxX, maxY);
    m_dCell = options.dCellM;
    m_dRadius = options.dRadiusM > 0 ? options.dRadiusM : std::max(kDefaultRadiusM, 3 * m_dCell);
    // The grid reaches one radius beyond the outermost positions, so the
    // interpolated fringe is on the map too. A grid finer than the bounds
    // allow gets larger cells.
    const double spanX = maxX - minX, spanY = maxY - minY;
    auto layOut = [&] {
        m_nColumns = static_cast<int>(
            std::min(std::ceil((spanX + 2 * m_dRadius + m_dCell) / m_dCell), double(kMaxSide) + 1));
        m_nRows = static_cast<int>(
            std::min(std::ceil((spanY + 2 * m_dRadius + m_dCell) / m_dCell), double(kMaxSide) + 1));
        return m_nColumns <= kMaxSide && m_nRows <= kMaxSide &&
               long(m_nColumns) * long(m_nRows) <= kMaxCells;
    };
    if (!layOut()) {
        m_dCell = std::max(
            {m_dCell, (spanX + 2 * m_dRadius) / (kMaxSide - 2),
             (spanY + 2 * m_dRadius) / (kMaxSide - 2),
             std::sqrt((spanX + 2 * m_dRadius) * (spanY + 2 * m_dRadius) / double(kMaxCells))});
        m_dCell = std::ceil(m_dCell * 10) / 10;
        m_dRadius = std::max(m_dRadius, 3 * m_dCell);
        while (!layOut()) {
            m_dCell = std::ceil(m_dCell * 11) / 10;
            m_dRadius = std::max(m_dRadius, 3 * m_dCell);
        }
    }
    // Half a cell more puts the outermost positions in the middle of their
    // cells rather than on a cell's edge.
    m_dOriginX = minX - m_dRadius - m_dCell / 2;
    m_dOriginY = minY - m_dRadius - m_dCell / 2;
    m_nPixelsPerCell =
        std::clamp(kMapTargetPixels / std::max(m_nColumns, m_nRows), 1, kMaxPixelsPerCell);
    const size_t cells = size_t(m_nColumns) * size_t(m_nRows);

    // The strongest level heard in each cell.
    std::vector<float> heard(cells, NAN);
    std::vector<size_t> occupied;
    for (const HeatSample& s : samples) {
        int column, row;
        if (!ValidPosition(s.dLatitude, s.dLongitude) ||
            !CellOf(s.dLatitude, s.dLongitude, column, row))
            continue;
        const size_t at = size_t(row) * size_t(m_nColumns) + size_t(column);
        if (std::isnan(heard[at])) {
            occupied.push_back(at);
            heard[at] = float(s.nRssi);
        } else {
            heard[at] = std::max(heard[at], float(s.nRssi));
        }
    }

    // Every cell without a level of its own takes the levels around it within
    // the radius, each weighted by the inverse square of its distance.
    std::vector<float> weight(cells, 0.0f);
    std::vector<float> weighted(cells, 0.0f);
    const int reach = static_cast<int>(m_dRadius / m_dCell);
    const double reach2 = (m_dRadius / m_dCell) * (m_dRadius / m_dCell);
    for (const size_t at : occupied) {
        const int column = static_cast<int>(at % size_t(m_nColumns));
        const int row = static_cast<int>(at / size_t(m_nColumns));
        const float level = heard[at];
        for (int dy = -reach; dy <= reach; ++dy) {
            const int y = row + dy;
            if (y < 0 || y >= m_nRows) continue;
            float* w = weight.data() + size_t(y) * size_t(m_nColumns);
            float* wl = weighted.data() + size_t(y) * size_t(m_nColumns);
            for (int dx = -reach; dx <= reach; ++dx) {
                const int x = column + dx;
                const int d2 = dx * dx + dy * dy;
                if (x < 0 || x >= m_nColumns || d2 == 0 || d2 > reach2) continue;
                const float k = 1.0f / float(d2);
                w[x] += k;
                wl[x] += k * level;
            }
        }
    }
    m_afLevel.assign(cells, NAN);
    for (size_t i = 0; i < cells; ++i) {
        if (!std::isnan(heard[i])) {
            m_afLevel[i] = heard[i];
        } else if (weight[i] > 0) {
            m_afLevel[i] = weighted[i] / weight[i];
        }
    }
    m_track.clear();
    for (const SurveyFix& f : track)
        if (ValidPosition(f.dLatitude, f.dLongitude)) m_track.push_back(f);
    m_markers = markers;
    m_strTitle = options.title;
    return 0;
}

bool CHeatMap::CellOf(double latitude, double longitude, int& column, int& row) const {
    double x, y;
    Project(latitude, longitude, x, y);
    const double cx = std::floor((x - m_dOriginX) / m_dCell);
    const double cy = std::floor((y - m_dOriginY) / m_dCell);
    if (!(cx >= 0 && cx < m_nColumns && cy >= 0 && cy < m_nRows)) return false;
    column = static_cast<int>(cx);
    row = static_cast<int>(cy);
    return true;
}

bool CHeatMap::Level(int column, int row, double& dbm) const {
    if (column < 0 || column >= m_nColumns || row < 0 || row >= m_nRows) return false;
    const float level = m_afLevel[size_t(row) * size_t(m_nColumns) + size_t(column)];
    if (std::isnan(level)) return false;
    dbm = level;
    return true;
}

CRect CHeatMap::CellPixels(int column, int row) const {
    const int left = kMargin + column * m_nPixelsPerCell;
    const int top = kTitleHeight + (m_nRows - 1 - row) * m_nPixelsPerCell;
    return CRect(left, top, left + m_nPixelsPerCell, top + m_nPixelsPerCell);
}

CPoint CHeatMap::Pixel(double latitude, double longitude) const {
    double x, y;
    Project(latitude, longitude, x, y);
    const double scale = m_nPixelsPerCell / m_dCell;
    return CPoint(kMargin + static_cast<int>(std::lround((x - m_dOriginX) * scale)),
                  kTitleHeight + static_cast<int>(std::lround(m_nRows * m_nPixelsPerCell -
                                                              (y - m_dOriginY) * scale)));
}

CCanvas CHeatMap::Render() const {
    const int mapWidth = m_nColumns * m_nPixelsPerCell;
    const int mapHeight = m_nRows * m_nPixelsPerCell;
    const int legendHeight = (kLegendStrongest - kLegendWeakest + 1) * kLegendRowHeight + 20;
    CCanvas dc(kMargin + mapWidth + kLegendGap + kLegendWidth,
               kTitleHeight + std::max(mapHeight, legendHeight) + kBottomHeight, kPaper);
    dc.SelectFont(CFont(80, "System"));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kInk);
    dc.DrawText(m_strTitle, CRect(kMargin, 4, dc.Width() - kMargin, kTitleHeight),
                DT_SINGLELINE | DT_LEFT);

    for (int row = 0; row < m_nRows; ++row) {
        for (int column = 0; column < m_nColumns; ++column) {
            double level = 0;
            const COLORREF color = Level(column, row, level)
                                       ? Palette::RssiColor(static_cast<int>(std::lround(level)))
                                       : kUncoloured;
            dc.FillSolidRect(CellPixels(column, row), color);
        }
    }

    const CRect map(kMargin, kTitleHeight, kMargin + mapWidth, kTitleHeight + mapHeight);
    dc.SetClipRect(map);
    if (!m_track.empty()) {
        std::vector<CPoint> points;
        points.reserve(m_track.size() + 1);
        for (const SurveyFix& f : m_track) points.push_back(Pixel(f.dLatitude, f.dLongitude));
        // Polylines leave out their last point.
        points.push_back(CPoint(points.back().x + 1, points.back().y));
        dc.SelectPen(CPen(PS_SOLID, 1, kInk));
        dc.Polyline(points);
    }
    dc.SelectPen(CPen(PS_SOLID, 2, kInk));
    dc.SelectBrush(CBrush::Null());
    for (const HeatMarker& m : m_markers) {
        if (!ValidPosition(m.dLatitude, m.dLongitude)) continue;
        const CPoint p = Pixel(m.dLatitude, m.dLongitude);
        dc.Ellipse(p.x - kMarkerRadius, p.y - kMarkerRadius, p.x + kMarkerRadius + 1,
                   p.y + kMarkerRadius + 1);
        dc.TextOut(p.x + kMarkerRadius + 2, p.y - kMarkerRadius, m.label);
    }
    dc.ResetClip();
    dc.SelectPen(CPen(PS_SOLID, 1, kInk));
    dc.FrameRect(CRect(map.left - 1, map.top - 1, map.right + 1, map.bottom + 1), CBrush(kInk));
    DrawScale(dc);
    DrawScaleBar(dc);
    return dc;
}

void CHeatMap::DrawScale(CCanvas& dc) const {
    const int left = kMargin + m_nColumns * m_nPixelsPerCell + kLegendGap;
    const int top = kTitleHeight + 6;
    for (int dbm = kLegendStrongest; dbm >= kLegendWeakest; --dbm) {
        const int y = top + (kLegendStrongest - dbm) * kLegendRowHeight;
        dc.FillSolidRect(CRect(left, y, left + kLegendBarWidth, y + kLegendRowHeight),
                         Palette::RssiColor(dbm));
        if (dbm % kLegendLabelStep != 0) continue;
        dc.FillSolidRect(CRect(left + kLegendBarWidth, y, left + kLegendBarWidth + 4, y + 1), kInk);
        const std::string label = std::to_string(dbm) + " dBm";
        dc.TextOut(left + kLegendBarWidth + 6, y - 6, label);
    }
    dc.FrameRect(CRect(left - 1, top - 1, left + kLegendBarWidth + 1,
                       top + (kLegendStrongest - kLegendWeakest + 1) * kLegendRowHeight + 1),
                 CBrush(kInk));
}

void CHeatMap::DrawScaleBar(CCanvas& dc) const {
    const int mapWidth = m_nColumns * m_nPixelsPerCell;
    const double pixelsPerMetre = m_nPixelsPerCell / m_dCell;
    // About a third of the map, never less than a few pixels.
    const double metres = RoundLength(std::max(mapWidth / 3.0, 20.0) / pixelsPerMetre);
    const int length = static_cast<int>(std::lround(metres * pixelsPerMetre));
    const int top = dc.Height() - kBottomHeight + 12;
    dc.FillSolidRect(CRect(kMargin, top, kMargin + length, top + 2), kInk);
    dc.FillSolidRect(CRect(kMargin, top - kScaleBarHeight, kMargin + 2, top + 2), kInk);
    dc.FillSolidRect(CRect(kMargin + length - 2, top - kScaleBarHeight, kMargin + length, top + 2),
                     kInk);
    char cell[64];
    std::snprintf(cell, sizeof cell, "   (cells of %g m)", m_dCell);
    dc.TextOut(kMargin, top + 6, MetresText(metres) + cell);
}

namespace {

// "00:0f:3d:a1:10:01" or "00-0F-3D-A1-10-01" as the program's MAC text.
bool ParseMac(const std::string& text, std::string& mac) {
    if (text.size() != 17) return false;
    mac = text;
    for (size_t i = 0; i < mac.size(); ++i) {
        char& c = mac[i];
        if (i % 3 == 2) {
            if (c != ':' && c != '-') return false;
            c = '-';
        } else {
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return true;
}

}  // namespace

int HeatMapOfLog(const std::string& path, const std::string& mac, double cellM, CHeatMap& map,
                 std::FILE* err) {
    // One sample per position: the strongest level heard there.
    CSurveyCollector survey;
    std::vector<HeatSample> samples;
    SurveyRunResult run;
    if (RunSurveyOf(
            path, err,
            [&](const SurveyStep& step) {
                survey.Take(step);
                if (!step.ap.bPresent || !step.fix.bValid) return;
                if (!mac.empty() && step.ap.mac != mac) return;
                const SurveyFix& fix = step.fix;
                if (!samples.empty() && samples.back().dLatitude == fix.dLatitude &&
                    samples.back().dLongitude == fix.dLongitude) {
                    samples.back().nRssi = std::max(samples.back().nRssi, step.ap.nRssi);
                } else {
                    samples.push_back({fix.dLatitude, fix.dLongitude, step.ap.nRssi});
                }
            },
            run) < 0)
        return kExitUsage;

    if (!run.bHeaderGood && run.nRecords == 0) {
        std::fprintf(err, "orvalis-log heatmap: %s is not a packet log (no records found)\n",
                     path.c_str());
        return kExitDamaged;
    }
    if (survey.Track().empty()) {
        std::fprintf(err,
                     "orvalis-log heatmap: %s has no GPS positions; a heat map needs positions\n",
                     path.c_str());
        return kExitDamaged;
    }
    std::vector<HeatMarker> markers;
    HeatMapOptions options;
    options.dCellM = cellM;
    for (const ApSummary& ap : survey.AccessPoints()) {
        if (!ap.bHasStrongest || (!mac.empty() && ap.mac != mac)) continue;
        markers.push_back({ap.strongestFix.dLatitude, ap.strongestFix.dLongitude,
                           ap.ssid.empty() ? ap.mac : ap.ssid});
    }
    if (mac.empty()) {
        options.title = "Coverage: the strongest of " +
                        std::to_string(survey.AccessPoints().size()) + " access points";
    } else {
        const ApSummary* ap = survey.Find(mac);
        options.title = "Coverage of " + mac;
        if (ap != nullptr && !ap->ssid.empty()) options.title += " (" + ap->ssid + ")";
    }
    if (samples.empty()) {
        if (mac.empty()) {
            std::fprintf(err,
                         "orvalis-log heatmap: no access point was heard where %s has a "
                         "position\n",
                         path.c_str());
        } else {
            std::fprintf(err, "orvalis-log heatmap: %s was not heard where %s has a position\n",
                         mac.c_str(), path.c_str());
        }
        return kExitDamaged;
    }
    std::string error;
    if (map.Build(samples, survey.Track(), markers, options, error) < 0) {
        std::fprintf(err, "orvalis-log heatmap: %s\n", error.c_str());
        return kExitDamaged;
    }
    if (run.nDamage != 0) {
        std::fprintf(err,
                     "orvalis-log: the log is damaged (%" PRIu64
                     " faults); what could be read was mapped\n",
                     run.nDamage);
        return kExitDamaged;
    }
    return kExitOk;
}

int RunHeatMap(const std::string& path, const std::string& outPath, const std::string& macText,
               double cellM, std::FILE* out, std::FILE* err) {
    std::string mac;
    if (!macText.empty() && !ParseMac(macText, mac)) {
        std::fprintf(err, "orvalis-log heatmap: '%s' is not a MAC address (00:11:22:33:44:55)\n",
                     macText.c_str());
        return kExitUsage;
    }
    if (SameFile(path, outPath)) {
        std::fprintf(err, "orvalis-log: %s is the log itself; choose another output\n",
                     outPath.c_str());
        return kExitUsage;
    }
    CHeatMap map;
    const int rc = HeatMapOfLog(path, mac, cellM, map, err);
    // A damaged log is still mapped; a log that gives no map ends here.
    if (rc != kExitOk && map.Columns() == 0) return rc;
    if (map.CellSize() != cellM)
        std::fprintf(err, "orvalis-log heatmap: the area is large; cells of %g m instead of %g m\n",
                     map.CellSize(), cellM);
    const CCanvas picture = map.Render();
    CAtomicOutput output(outPath);
    if (WritePng(picture.Bitmap(), output.TempPath()) < 0 || output.Commit() < 0) {
        std::fprintf(err, "orvalis-log: could not write %s\n", outPath.c_str());
        return kExitUsage;
    }
    std::fprintf(out, "%d x %d cells of %g m (%d x %d pixels), %zu access points, written to %s\n",
                 map.Columns(), map.Rows(), map.CellSize(), picture.Width(), picture.Height(),
                 map.Markers(), outPath.c_str());
    return rc;
}
