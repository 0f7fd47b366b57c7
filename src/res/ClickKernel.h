#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The click engine's kernel file: a canonical 44-byte-header WAVE file of
// 8-bit unsigned mono PCM at 11025 Hz holding exactly 256 samples.
//
// The engine plays the running sum of (sample - 128) / 10 while a click
// lasts. Every sample here is 128 plus a multiple of 10, so that running sum
// is exact: it rises sharply, falls away with a faint ring and settles
// back to zero by the last sample, giving a short crisp tick that leaves no
// offset behind.
const std::vector<std::uint8_t>& ClickKernelWave();

// Writes the kernel file to `path` (the program installs it as spike.wav in
// its data folder's "windows" folder). 0 on success, -1 on failure.
int WriteClickKernel(const std::string& path);
