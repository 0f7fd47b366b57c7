#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/Color.h"
#include "gfx/Geometry.h"

// One text as a canvas drew it. Rectangles are in surface pixels.
struct CTextRecord {
    std::string text;
    CRect rect;           // the rectangle given to DrawText (TextOut: the line box)
    CRect box;            // the box the lines occupy after alignment, before clipping
    unsigned format = 0;  // DT_ flags
    COLORREF textColor = 0;
    COLORREF bkColor = CLR_INVALID;  // CLR_INVALID when drawn transparent
    int pointTenths = 0;
    std::string face;
};

// Collects every text drawn by the canvases it is attached to, so tests and
// the headless driver can check formatted texts without reading pixels.
// Safe to read from another thread while a canvas records.
class CTextRecorder {
public:
    void Add(CTextRecord record);
    void Clear();
    std::vector<CTextRecord> Records() const;
    std::size_t Count() const;
    // The most recent record whose text equals `text`; false when none.
    bool FindLast(std::string_view text, CTextRecord* out) const;

private:
    mutable std::mutex m_mutex;
    std::vector<CTextRecord> m_aRecords;
};
