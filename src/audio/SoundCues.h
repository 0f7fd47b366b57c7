#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "platform/SoundCues.h"

// The named sound cues of the program ("PING", "WHOOSH", "CAMERA",
// "REDALERT"). The cue data and the device that plays it live in layers this
// module may not use, so the application installs both at start-up:
//  - the bank finds a cue's WAVE bytes by name (any case) and gives its
//    canonical name; it returns false for a name it does not know;
//  - the output starts a WAVE and returns at once.
// Both may be called from any thread and must stay valid until they are
// replaced or cleared.
using SoundBank = std::function<bool(std::string_view name, const char** canonicalName,
                                     std::span<const std::uint8_t>* wave)>;
using SoundOutput = std::function<void(const char* name, std::span<const std::uint8_t> wave)>;

// Replaces the bank and the output (empty functions: cues are silent).
void InstallSoundCues(SoundBank bank, SoundOutput output);
void ClearSoundCues();

// Starts the named cue asynchronously and returns at once. The name is
// matched without regard to case; an unknown name, a null name or a missing
// output plays nothing and reports nothing.
void PlayResourceSound(const char* name);

// PlayResourceSound behind the interface the board reader uses for the
// "PING" of a firmware-version packet.
class CSoundCueAdapter : public ISoundCues {
public:
    void PlayResourceSound(const char* name) override;
};
