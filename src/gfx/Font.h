#pragma once

#include <string>
#include <string_view>

#include "gfx/Geometry.h"

// Metrics of a font in pixels. Height = ascent + descent is the line height
// DrawText steps by; the baseline lies `ascent` pixels below a line's top.
struct CTextMetrics {
    int height = 0;
    int ascent = 0;
    int descent = 0;
    int aveCharWidth = 0;  // mean advance of "a".."z" and "A".."Z", rounded
    int maxCharWidth = 0;
};

// A logical font: a face name and a size in tenths of a point (80 = 8 pt),
// as screens create it ("System" at 60, 80 and 100; "MS Sans Serif" at 80 for
// the forms). A plain value: the glyphs behind it are rendered once per
// process and shared. Any other face or size maps to the nearest one we draw;
// text stays legible whatever is asked for.
class CFont {
public:
    CFont() = default;  // "System" 8 pt
    CFont(int pointTenths, std::string_view faceName);

    int PointTenths() const { return m_nPointTenths; }
    const std::string& FaceName() const { return m_strFace; }

    // Pixel metrics of this font (no canvas needed).
    CTextMetrics Metrics() const;
    // Width of the text's advances and the line height; "\n" is not special.
    CSize GetTextExtent(std::string_view text) const;

    bool operator==(const CFont&) const = default;

private:
    int m_nPointTenths = 80;
    std::string m_strFace = "System";
};
