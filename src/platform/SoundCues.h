#pragma once

// Plays a named sound cue ("PING", "WHOOSH", "CAMERA", "REDALERT")
// asynchronously. Lower layers reach the audio output through this.
class ISoundCues {
public:
    virtual ~ISoundCues() = default;
    virtual void PlayResourceSound(const char* name) = 0;
};
