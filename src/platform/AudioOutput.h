#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

// PCM format of a stream handed to the audio output (the fields of a WAVE
// file's format chunk that matter for playing it).
struct WaveFormat {
    int nSampleRate = 22050;
    int nChannels = 1;
    int nBitsPerSample = 8;  // 8 (unsigned) or 16 (signed little-endian)
};

// The program's sound device. Cues (complete WAVE files) are decoded when
// played and mixed by the device's callback, so PlayWave returns at once and
// cues overlap. One block stream carries the click synthesiser's output: the
// producer queues blocks and waits for them to be consumed.
//
// Without a device (headless runs, or no audio available) the output is a
// null sink: cues are accepted and dropped, and stream blocks are consumed at
// the pace they would have played, so a producer keeps its real timing.
// What the machine offers for sound, as far as the driver choice needs it.
struct AudioSystem {
    std::string strRequested;    // the driver the person named (SDL_AUDIODRIVER), or ""
    bool bPipeWire = false;      // a PipeWire server socket in the runtime folder
    bool bPulse = false;         // a PulseAudio server (socket, or PULSE_SERVER)
    bool bAlsaPlayback = false;  // an ALSA playback device node
};

// Looks at the environment, the runtime folder and /dev/snd.
AudioSystem ProbeAudioSystem();
// The SDL audio drivers worth trying, in order: the one asked for alone, else
// the sound servers and ALSA that exist. Empty: there is no sound device, and
// nothing is tried (trying ALSA without a card only fills the terminal with
// the library's complaints).
std::vector<std::string> AudioDriverCandidates(const AudioSystem& system);

class CAudioOutput {
public:
    CAudioOutput();
    ~CAudioOutput();
    CAudioOutput(const CAudioOutput&) = delete;
    CAudioOutput& operator=(const CAudioOutput&) = delete;

    // Opens the SDL audio device on the first driver of
    // AudioDriverCandidates that gives one. With bNullSink, or when no device
    // can be opened, the output runs as a null sink and the result is -1 (the
    // output is still usable). 0 when a device plays.
    int Open(bool bNullSink = false);
    void Close();
    bool HasDevice() const { return m_device != 0; }
    // Stops and restarts the device's callback (cues and stream wait).
    void SetPaused(bool bPaused);

    // Starts a cue. Returns 0, or -1 when the bytes are not a playable WAVE
    // file (nothing is played then). Never blocks on the device.
    int PlayWave(std::span<const std::uint8_t> wave);
    // Cues currently sounding (finished ones are dropped by the callback).
    int ActiveCueCount() const;

    // Block stream. OpenStream fixes the format of the queued blocks.
    int OpenStream(const WaveFormat& format);
    // Copies one block into the stream; -1 when no stream is open or the
    // block does not hold whole samples of the stream's format.
    int QueueBlock(std::span<const std::uint8_t> block);
    // Waits until every queued block has been consumed; true if so before the
    // timeout.
    bool WaitStreamDrained(std::chrono::milliseconds timeout);
    void CloseStream();

    // The device callback's work: fills `out` (mono 16-bit at OutputRate())
    // with the mix of the cues and the stream. Public so that a caller without
    // a device (tests) can pull the mix itself.
    void Render(std::span<std::int16_t> out);
    int OutputRate() const { return kOutputRate; }

private:
    static constexpr int kOutputRate = 22050;
    static constexpr std::size_t kMaxCues = 8;

    struct Cue {
        std::vector<std::int16_t> samples;
        std::size_t pos = 0;
    };

    static void Callback(void* user, std::uint8_t* stream, int len);
    // Converts raw PCM of `format` to mono 16-bit at the output rate.
    static std::vector<std::int16_t> Convert(const WaveFormat& format,
                                             std::span<const std::uint8_t> pcm);

    std::uint32_t m_device = 0;  // SDL_AudioDeviceID; 0 = null sink
    bool m_bSdlInit = false;

    mutable std::mutex m_mutex;  // guards everything below
    std::condition_variable m_drained;
    std::vector<Cue> m_cues;
    bool m_bStreamOpen = false;
    WaveFormat m_streamFormat;
    std::vector<std::int16_t> m_stream;  // converted samples not yet played
    std::size_t m_streamPos = 0;
    // Null sink: when the queued stream samples would have finished playing.
    std::chrono::steady_clock::time_point m_nullDrainAt{};
};
