#pragma once

#include <string>
#include <string_view>

// The speed of a replayed log: 1 as recorded, 2 twice as fast, 0 as fast as
// the program takes the packets. The program and the log tool take one range
// and one spelling, so a speed one accepts the other never refuses.
inline constexpr double kMaxReplaySpeed = 1000.0;

// A plain decimal number from 0 to kMaxReplaySpeed ("2", "0.5", "1000"): no
// sign, no exponent, at most 16 characters. true when taken.
bool ParseReplaySpeed(std::string_view text, double& out);

// The speed spelled the way ParseReplaySpeed takes it back unchanged (plain
// decimal digits, never "1e-05").
std::string FormatReplaySpeed(double speed);

// What a refused speed is told: "needs a number from 0 to 1000".
inline constexpr const char* kReplaySpeedRule = "a number from 0 to 1000";
