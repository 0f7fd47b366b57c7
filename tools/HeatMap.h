#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "gfx/Canvas.h"
#include "tools/LogSurvey.h"

// A coverage map of a survey: the surveyed area cut into square cells of a
// few metres, each cell where something was heard coloured by the strongest
// level heard there, the cells around them within a radius by inverse
// distance weighting of those levels, the rest left grey. Drawn with the
// track, the access points at their strongest, a level scale in the
// instrument's colours and a scale bar. North is up.
//
// Positions are projected onto a plane through the middle of the area
// (equirectangular: metres east scaled by the cosine of the latitude), which
// over a site of a few kilometres is off by far less than a cell.

// The strongest level heard at one position.
struct HeatSample {
    double dLatitude = 0.0;
    double dLongitude = 0.0;
    int nRssi = 0;
};

// An access point drawn at its strongest sighting.
struct HeatMarker {
    double dLatitude = 0.0;
    double dLongitude = 0.0;
    std::string label;
};

struct HeatMapOptions {
    double dCellM = 1.0;
    // Reach of the interpolation; 0 for the default (15 m, at least 3 cells).
    double dRadiusM = 0.0;
    std::string title;
};

class CHeatMap {
public:
    static constexpr double kDefaultRadiusM = 15.0;
    // Bounds on the grid; a finer grid than this gets larger cells.
    static constexpr long kMaxCells = 4L << 20;
    static constexpr int kMaxSide = 3600;
    // Drawn for cells nothing reached.
    static constexpr COLORREF kUncoloured = RGB(192, 192, 192);

    // -1 (with `error`) when there is nothing to map or an option is unusable.
    int Build(const std::vector<HeatSample>& samples, const std::vector<SurveyFix>& track,
              const std::vector<HeatMarker>& markers, const HeatMapOptions& options,
              std::string& error);
    CCanvas Render() const;

    double CellSize() const { return m_dCell; }
    double Radius() const { return m_dRadius; }
    int Columns() const { return m_nColumns; }
    size_t Markers() const { return m_markers.size(); }
    int Rows() const { return m_nRows; }
    // The cell holding a position; false outside the grid.
    bool CellOf(double latitude, double longitude, int& column, int& row) const;
    // The level of a cell, false when it is uncoloured.
    bool Level(int column, int row, double& dbm) const;
    // The cell's pixels on the rendered picture (row 0 is the southernmost).
    CRect CellPixels(int column, int row) const;

private:
    void Project(double latitude, double longitude, double& x, double& y) const;
    CPoint Pixel(double latitude, double longitude) const;
    void DrawScale(CCanvas& dc) const;
    void DrawScaleBar(CCanvas& dc) const;

    double m_dLat0 = 0.0;
    double m_dLon0 = 0.0;
    double m_dCosLat0 = 1.0;
    double m_dOriginX = 0.0;  // metres of the grid's south-west corner
    double m_dOriginY = 0.0;
    double m_dCell = 1.0;
    double m_dRadius = kDefaultRadiusM;
    int m_nColumns = 0;
    int m_nRows = 0;
    int m_nPixelsPerCell = 1;
    std::vector<float> m_afLevel;  // NaN: uncoloured
    std::vector<SurveyFix> m_track;
    std::vector<HeatMarker> m_markers;
    std::string m_strTitle;
};

// Reads the log at `path` into `map`: the sightings of one access point
// (`mac` as "00-11-22-33-44-55") or of all (empty). Returns the exit code of
// the heatmap command; messages go to `err`. On a damaged log the map is
// still built (Columns() > 0) and the code is kExitDamaged.
int HeatMapOfLog(const std::string& path, const std::string& mac, double cellM, CHeatMap& map,
                 std::FILE* err);
