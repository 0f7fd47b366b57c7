#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// The named sound cues "PING", "WHOOSH", "CAMERA" and "REDALERT" as complete
// WAVE files (RIFF, 16-bit mono PCM, 22050 Hz), synthesised on first use.
// The name is matched without regard to case; nullptr for any other name.
// Safe to call from any thread; the data lives until the process ends.
const std::vector<std::uint8_t>* FindSoundResource(std::string_view name);

// Builds a canonical 44-byte-header PCM WAVE file around `samples`
// (interleaved little-endian sample bytes).
std::vector<std::uint8_t> MakeWave(int channels, int sampleRate, int bitsPerSample,
                                   const std::vector<std::uint8_t>& samples);
