#pragma once

#include "gfx/Color.h"

// The colours the screens and their pictures share, named once. A colour
// that only one drawing uses stays beside that drawing.
namespace Palette {

inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kRed = RGB(255, 0, 0);
inline constexpr COLORREF kGreen = RGB(0, 255, 0);
inline constexpr COLORREF kBlue = RGB(0, 0, 255);
inline constexpr COLORREF kYellow = RGB(255, 255, 0);
inline constexpr COLORREF kCyan = RGB(0, 255, 255);
inline constexpr COLORREF kNavy = RGB(0, 0, 128);
inline constexpr COLORREF kDarkRed = RGB(192, 0, 0);
inline constexpr COLORREF kDarkGreen = RGB(0, 128, 0);
inline constexpr COLORREF kFace = RGB(192, 192, 192);
inline constexpr COLORREF kGrey = RGB(128, 128, 128);
inline constexpr COLORREF kOlive = RGB(128, 128, 64);

// Trace 1..3 of the spectrum analyser: its line on the plot and its buttons.
inline constexpr COLORREF kTraceColors[3] = {kDarkRed, kNavy, RGB(0, 96, 0)};

// The instrument's received-level scale: -100 dBm red, -80 yellow, -60
// green, -40 cyan, -20 and stronger white, blended in between.
constexpr COLORREF RssiColor(int rssi) {
    const int r = rssi < -100 ? -100 : (rssi > -20 ? -20 : rssi);
    if (r <= -81) return RGB(255, ((r + 100) * 255) / 20, 0);
    if (r <= -61) return RGB(255 - ((r + 80) * 255) / 20, 255, 0);
    if (r <= -41) return RGB(0, 255, ((r + 60) * 255) / 20);
    return RGB(((r + 40) * 255) / 20, 255, 255);
}

}  // namespace Palette
