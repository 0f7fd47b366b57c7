#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/Color.h"

// A 24-bit image: rows of R, G, B bytes, top row first, no padding between
// rows (stride = 3 x width). Sizes are clamped to 0..kMaxDimension; a bitmap
// of zero width or height holds no pixels and every access to it is a no-op.
class CBitmap {
public:
    static constexpr int kMaxDimension = 4096;

    CBitmap() = default;
    CBitmap(int width, int height, COLORREF fill = RGB(0, 0, 0));

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    bool IsEmpty() const { return m_nWidth == 0 || m_nHeight == 0; }
    std::size_t Stride() const { return static_cast<std::size_t>(m_nWidth) * 3; }

    // CLR_INVALID outside the bitmap.
    COLORREF GetPixel(int x, int y) const;
    // Ignored outside the bitmap.
    void SetPixel(int x, int y, COLORREF color);

    // Row y (0 <= y < Height()); nullptr otherwise.
    std::uint8_t* Row(int y) {
        return (y < 0 || y >= m_nHeight)
                   ? nullptr
                   : m_aPixels.data() + Stride() * static_cast<std::size_t>(y);
    }
    const std::uint8_t* Row(int y) const {
        return (y < 0 || y >= m_nHeight)
                   ? nullptr
                   : m_aPixels.data() + Stride() * static_cast<std::size_t>(y);
    }
    std::uint8_t* Data() { return m_aPixels.data(); }
    const std::uint8_t* Data() const { return m_aPixels.data(); }
    std::size_t SizeBytes() const { return m_aPixels.size(); }

    bool operator==(const CBitmap&) const = default;

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<std::uint8_t> m_aPixels;
};
