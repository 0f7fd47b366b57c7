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

}  // namespace Palette
