#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/Font.h"

// One rendered character: an 8-bit coverage mask (255 = ink) placed relative
// to the pen position on a line's top edge.
struct CGlyph {
    int advance = 0;
    int left = 0;  // first mask column relative to the pen x
    int top = 0;   // first mask row relative to the line's top
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage;
};

// The glyphs of one logical font at one pixel size: the 256 characters of the
// program's 8-bit text, rendered on first use and kept.
class CGlyphSet {
public:
    const CTextMetrics& Metrics() const { return m_metrics; }
    int PixelSize() const { return m_nPixelSize; }
    // Fills out[i] with the glyph of text[i]; out must hold text.size() entries.
    void Lookup(std::string_view text, const CGlyph** out) const;
    int Advance(std::string_view text) const;

private:
    friend class CFontEngine;
    int m_nFile = -1;  // index of the face file, -1 when none could be loaded
    int m_nPixelSize = 0;
    CTextMetrics m_metrics;
    mutable std::array<std::unique_ptr<CGlyph>, 256> m_apGlyphs;
};

// FreeType rendering behind CFont. The face files are found through
// fontconfig once per process (ORVALIS_FONT names a file to use instead);
// rendering and the caches are guarded by one lock, so the GUI thread and
// tests may draw at the same time.
class CFontEngine {
public:
    static CFontEngine& Instance();

    const CGlyphSet& GlyphsFor(int pointTenths, std::string_view faceName);
    // The file each face kind uses ("" when none was found).
    std::string FaceFile(std::string_view faceName);

    CFontEngine(const CFontEngine&) = delete;
    CFontEngine& operator=(const CFontEngine&) = delete;

private:
    CFontEngine();
    ~CFontEngine();

    struct Impl;
    friend class CGlyphSet;
    const CGlyph& Render(const CGlyphSet& set, std::uint8_t ch);

    std::unique_ptr<Impl> m_pImpl;
    mutable std::recursive_mutex m_mutex;
};
