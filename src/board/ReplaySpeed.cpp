#include "board/ReplaySpeed.h"

#include <charconv>
#include <cmath>

bool ParseReplaySpeed(std::string_view text, double& out) {
    if (text.empty() || text.size() > 16) return false;
    for (char c : text) {
        if ((c < '0' || c > '9') && c != '.') return false;
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    if (!std::isfinite(value) || value < 0.0 || value > kMaxReplaySpeed) return false;
    out = value;
    return true;
}

std::string FormatReplaySpeed(double speed) {
    char text[64];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof(text), speed, std::chars_format::fixed);
    if (ec != std::errc()) return "1";
    return std::string(text, end);
}
