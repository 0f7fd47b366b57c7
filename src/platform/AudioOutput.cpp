#include "platform/AudioOutput.h"

#include <SDL.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/Bytes.h"

namespace {

// Finds the fmt and data chunks of a RIFF/WAVE file, bounds-checked.
int ParseWave(std::span<const std::uint8_t> wave, WaveFormat& fmt,
              std::span<const std::uint8_t>& data) {
    if (wave.size() < 12 || std::memcmp(wave.data(), "RIFF", 4) != 0 ||
        std::memcmp(wave.data() + 8, "WAVE", 4) != 0) {
        return -1;
    }
    bool bHaveFmt = false;
    bool bHaveData = false;
    std::size_t pos = 12;
    while (pos + 8 <= wave.size()) {
        const std::uint8_t* chunk = wave.data() + pos;
        const std::uint32_t size = ReadLe32(chunk + 4);
        const std::size_t bodyStart = pos + 8;
        const std::size_t avail = wave.size() - bodyStart;
        const std::size_t body = std::min<std::size_t>(size, avail);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && body >= 16) {
            const std::uint16_t tag = ReadLe16(chunk + 8);
            fmt.nChannels = ReadLe16(chunk + 10);
            fmt.nSampleRate = static_cast<int>(ReadLe32(chunk + 12));
            fmt.nBitsPerSample = ReadLe16(chunk + 22);
            if (tag != 1) return -1;  // PCM only
            bHaveFmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            data = wave.subspan(bodyStart, body);
            bHaveData = true;
        }
        if (size > avail) break;
        pos = bodyStart + size + (size & 1u);
    }
    return (bHaveFmt && bHaveData) ? 0 : -1;
}

bool FormatSupported(const WaveFormat& f) {
    return (f.nBitsPerSample == 8 || f.nBitsPerSample == 16) && f.nChannels >= 1 &&
           f.nChannels <= 2 && f.nSampleRate >= 1000 && f.nSampleRate <= 192000;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

std::string EnvText(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

// SDL opens a device on the driver the hint names, else gives up.
SDL_AudioDeviceID OpenOn(const std::string& driver, const SDL_AudioSpec& want) {
    SDL_SetHint(SDL_HINT_AUDIODRIVER, driver.c_str());
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    SDL_AudioSpec have{};
    const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev == 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return dev;
}

}  // namespace

AudioSystem ProbeAudioSystem() {
    AudioSystem sys;
    sys.strRequested = EnvText("SDL_AUDIODRIVER");
    const std::string runtime = EnvText("XDG_RUNTIME_DIR");
    if (!runtime.empty()) {
        sys.bPipeWire = PathExists(runtime + "/pipewire-0");
        sys.bPulse = PathExists(runtime + "/pulse/native");
    }
    if (!EnvText("PULSE_SERVER").empty()) sys.bPulse = true;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/snd", ec)) {
        // Playback nodes are pcmC<card>D<device>p.
        const std::string name = entry.path().filename().string();
        if (name.rfind("pcmC", 0) == 0 && !name.empty() && name.back() == 'p') {
            sys.bAlsaPlayback = true;
            break;
        }
    }
    return sys;
}

std::vector<std::string> AudioDriverCandidates(const AudioSystem& sys) {
    if (!sys.strRequested.empty()) return {sys.strRequested};
    std::vector<std::string> drivers;
    if (sys.bPipeWire) drivers.emplace_back("pipewire");
    // A PipeWire machine usually serves the PulseAudio protocol as well.
    if (sys.bPulse || sys.bPipeWire) drivers.emplace_back("pulseaudio");
    if (sys.bAlsaPlayback) drivers.emplace_back("alsa");
    return drivers;
}

CAudioOutput::CAudioOutput() = default;

CAudioOutput::~CAudioOutput() {
    Close();
}

int CAudioOutput::Open(bool bNullSink) {
    Close();
    if (bNullSink) return -1;
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    want.callback = &CAudioOutput::Callback;
    want.userdata = this;
    SDL_AudioDeviceID dev = 0;
    for (const std::string& driver : AudioDriverCandidates(ProbeAudioSystem())) {
        dev = OpenOn(driver, want);
        if (dev != 0) break;
    }
    if (dev == 0) return -1;
    m_bSdlInit = true;
    m_device = dev;
    SDL_PauseAudioDevice(dev, 0);
    return 0;
}

void CAudioOutput::SetPaused(bool bPaused) {
    if (m_device != 0) SDL_PauseAudioDevice(m_device, bPaused ? 1 : 0);
}

void CAudioOutput::Close() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);  // waits for a running callback
        m_device = 0;
    }
    if (m_bSdlInit) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_bSdlInit = false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cues.clear();
    m_stream.clear();
    m_streamPos = 0;
    m_drained.notify_all();
}

std::vector<std::int16_t> CAudioOutput::Convert(const WaveFormat& f,
                                                std::span<const std::uint8_t> pcm) {
    std::vector<std::int16_t> out;
    const std::size_t bytesPerSample = static_cast<std::size_t>(f.nBitsPerSample / 8);
    const std::size_t frameBytes = bytesPerSample * static_cast<std::size_t>(f.nChannels);
    const std::size_t frames = pcm.size() / frameBytes;
    if (frames == 0) return out;
    auto sampleAt = [&](std::size_t frame) -> int {
        const std::uint8_t* p = pcm.data() + frame * frameBytes;
        int sum = 0;
        for (int c = 0; c < f.nChannels; ++c) {
            if (bytesPerSample == 1) {
                sum += (static_cast<int>(p[c]) - 128) << 8;
            } else {
                sum += static_cast<std::int16_t>(ReadLe16(p + 2 * c));
            }
        }
        return sum / f.nChannels;
    };
    // Nearest-sample resampling: the cues are short synthesised tones and
    // clicks, for which this is inaudible next to the device's own filtering.
    const std::size_t outCount =
        static_cast<std::size_t>(static_cast<double>(frames) * kOutputRate / f.nSampleRate);
    out.resize(std::max<std::size_t>(outCount, 1));
    for (std::size_t i = 0; i < out.size(); ++i) {
        std::size_t src =
            static_cast<std::size_t>(static_cast<double>(i) * f.nSampleRate / kOutputRate);
        if (src >= frames) src = frames - 1;
        out[i] = static_cast<std::int16_t>(sampleAt(src));
    }
    return out;
}

int CAudioOutput::PlayWave(std::span<const std::uint8_t> wave) {
    WaveFormat fmt;
    std::span<const std::uint8_t> data;
    if (ParseWave(wave, fmt, data) != 0 || !FormatSupported(fmt)) return -1;
    if (m_device == 0) return 0;  // null sink: accepted, not heard
    Cue cue;
    cue.samples = Convert(fmt, data);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_cues.size() >= kMaxCues) m_cues.erase(m_cues.begin());  // oldest gives way
    m_cues.push_back(std::move(cue));
    return 0;
}

int CAudioOutput::ActiveCueCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_cues.size());
}

int CAudioOutput::OpenStream(const WaveFormat& format) {
    if (!FormatSupported(format)) return -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStreamOpen = true;
    m_streamFormat = format;
    m_stream.clear();
    m_streamPos = 0;
    m_nullDrainAt = std::chrono::steady_clock::now();
    return 0;
}

int CAudioOutput::QueueBlock(std::span<const std::uint8_t> block) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bStreamOpen) return -1;
    const std::size_t frameBytes =
        static_cast<std::size_t>(m_streamFormat.nBitsPerSample / 8 * m_streamFormat.nChannels);
    if (block.empty() || block.size() % frameBytes != 0) return -1;
    if (m_device == 0) {
        const auto now = std::chrono::steady_clock::now();
        const auto frames = static_cast<long long>(block.size() / frameBytes);
        const auto dur = std::chrono::microseconds(frames * 1000000LL / m_streamFormat.nSampleRate);
        m_nullDrainAt = std::max(m_nullDrainAt, now) + dur;
        return 0;
    }
    std::vector<std::int16_t> conv = Convert(m_streamFormat, block);
    if (m_streamPos > 0) {
        m_stream.erase(m_stream.begin(), m_stream.begin() + static_cast<long>(m_streamPos));
        m_streamPos = 0;
    }
    m_stream.insert(m_stream.end(), conv.begin(), conv.end());
    return 0;
}

bool CAudioOutput::WaitStreamDrained(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_device == 0) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        const auto due = m_nullDrainAt;
        lock.unlock();
        if (due > deadline) {
            std::this_thread::sleep_until(deadline);
            return false;
        }
        std::this_thread::sleep_until(due);
        return true;
    }
    return m_drained.wait_for(lock, timeout,
                              [this] { return m_streamPos >= m_stream.size() || m_device == 0; });
}

void CAudioOutput::CloseStream() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStreamOpen = false;
    m_stream.clear();
    m_streamPos = 0;
    m_drained.notify_all();
}

void CAudioOutput::Render(std::span<std::int16_t> out) {
    std::vector<int> mix(out.size(), 0);
    bool bDrained = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Cue& cue : m_cues) {
            const std::size_t n = std::min(out.size(), cue.samples.size() - cue.pos);
            for (std::size_t i = 0; i < n; ++i) mix[i] += cue.samples[cue.pos + i];
            cue.pos += n;
        }
        std::erase_if(m_cues, [](const Cue& c) { return c.pos >= c.samples.size(); });
        if (m_streamPos < m_stream.size()) {
            const std::size_t n = std::min(out.size(), m_stream.size() - m_streamPos);
            for (std::size_t i = 0; i < n; ++i) mix[i] += m_stream[m_streamPos + i];
            m_streamPos += n;
            bDrained = m_streamPos >= m_stream.size();
        }
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<std::int16_t>(std::clamp(mix[i], -32768, 32767));
    }
    if (bDrained) m_drained.notify_all();
}

void CAudioOutput::Callback(void* user, std::uint8_t* stream, int len) {
    auto* self = static_cast<CAudioOutput*>(user);
    self->Render(std::span<std::int16_t>(reinterpret_cast<std::int16_t*>(stream),
                                         static_cast<std::size_t>(len) / sizeof(std::int16_t)));
}
