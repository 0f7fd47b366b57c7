#pragma once

#include "gfx/Color.h"
#include "platform/ThreadSafety.h"

class CCanvas;
class CSurveyData;

// Drawing shared by several screens: resource bitmaps stretched into place,
// the activity strip (or the low-battery warning), the RTC status band, the
// firmware line and the signal-strength legend. Everything it shows comes
// from the store and the clock; the only state is the program-wide frame
// counter of the activity strip. Called on the GUI thread inside a paint, by
// code that already holds the store lock.
class CScreenFurniture {
public:
    static constexpr int kActivityFrames = 15;
    // The legend: -100 dBm (red) at column 20 to -20 dBm (white) at column 219.
    static constexpr int kLegendFirstColumn = 20;
    static constexpr int kLegendLastColumn = 219;
    static constexpr int kLegendSegment = 50;

    explicit CScreenFurniture(const CSurveyData& data) : m_data(data) {}
    virtual ~CScreenFurniture() = default;
    CScreenFurniture(const CScreenFurniture&) = delete;
    CScreenFurniture& operator=(const CScreenFurniture&) = delete;

    // Stretches bitmap resource `nId` onto (x, y, width, height); an unknown
    // id draws nothing.
    void DrawBitmap(CCanvas& dc, int nId, int x, int y, int width, int height) const;
    void DrawBitmapRect(CCanvas& dc, int nId, int left, int top, int right, int bottom) const;
    // These three read the store. They are drawn from a screen's Compose,
    // which holds the lock of the store it is given; the lock analysis cannot
    // tell that store from the one held here, so it does not check them.
    // The strip across the top (0,0)-(240,14); advances the frame counter.
    void DrawActivityBanner(CCanvas& dc) const ORV_NO_THREAD_SAFETY_ANALYSIS;
    // The navy RTC band (0,240)-(240,255): date, time and marker number.
    void DrawStatusBar(CCanvas& dc) const ORV_NO_THREAD_SAFETY_ANALYSIS;
    // "(Firmware Version ...)(Serial Number ...)" in (0,234)-(240,249).
    void DrawVersionLine(CCanvas& dc) const ORV_NO_THREAD_SAFETY_ANALYSIS;
    // The colour bar at (20,15)-(220,21) with its frame and end labels.
    void DrawSignalLegend(CCanvas& dc) const;

    // Colour of legend column x (kLegendFirstColumn..kLegendLastColumn).
    static COLORREF LegendColor(int x);
    // The bitmap of the activity strip for counter value 1..15.
    static int ActivityBitmapId(int nCounter);

    // The program-wide counter (1..15): the frame the next banner draws.
    static int ActivityCounter();
    static void ResetActivityCounter();

private:
    const CSurveyData& m_data;
};
