#include "gfx/Bitmap.h"

#include <algorithm>

namespace {
int ClampDimension(int n) {
    return std::clamp(n, 0, CBitmap::kMaxDimension);
}
}  // namespace

CBitmap::CBitmap(int width, int height, COLORREF fill)
    : m_nWidth(ClampDimension(width)), m_nHeight(ClampDimension(height)) {
    if (m_nWidth == 0 || m_nHeight == 0) {
        m_nWidth = m_nHeight = 0;
        return;
    }
    const std::size_t n = static_cast<std::size_t>(m_nWidth) * m_nHeight;
    m_aPixels.resize(n * 3);
    const auto r = static_cast<std::uint8_t>(GetRValue(fill));
    const auto g = static_cast<std::uint8_t>(GetGValue(fill));
    const auto b = static_cast<std::uint8_t>(GetBValue(fill));
    if (r == g && g == b) {
        std::fill(m_aPixels.begin(), m_aPixels.end(), r);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        m_aPixels[i * 3] = r;
        m_aPixels[i * 3 + 1] = g;
        m_aPixels[i * 3 + 2] = b;
    }
}

COLORREF CBitmap::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return CLR_INVALID;
    const std::uint8_t* p = &m_aPixels[(static_cast<std::size_t>(y) * m_nWidth + x) * 3];
    return RGB(p[0], p[1], p[2]);
}

void CBitmap::SetPixel(int x, int y, COLORREF color) {
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return;
    std::uint8_t* p = &m_aPixels[(static_cast<std::size_t>(y) * m_nWidth + x) * 3];
    p[0] = static_cast<std::uint8_t>(GetRValue(color));
    p[1] = static_cast<std::uint8_t>(GetGValue(color));
    p[2] = static_cast<std::uint8_t>(GetBValue(color));
}
