#include "gfx/Font.h"

#include "gfx/FontEngine.h"

CFont::CFont(int pointTenths, std::string_view faceName)
    : m_nPointTenths(pointTenths), m_strFace(faceName) {}

CTextMetrics CFont::Metrics() const {
    return CFontEngine::Instance().GlyphsFor(m_nPointTenths, m_strFace).Metrics();
}

CSize CFont::GetTextExtent(std::string_view text) const {
    const CGlyphSet& set = CFontEngine::Instance().GlyphsFor(m_nPointTenths, m_strFace);
    return CSize(set.Advance(text), set.Metrics().height);
}
