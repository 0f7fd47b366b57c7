#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "audio/ClickSynth.h"

class CAudioOutput;

// The waveform output device the click thread plays its blocks on. One block
// is out at a time: the thread queues a block, and before the next one waits
// until the device reports it played (the device's done event).
class IClickDevice {
public:
    virtual ~IClickDevice() = default;
    // Opens the device for blocks in the kernel file's format; -1 when the
    // device cannot play that format.
    virtual int Open(const CWaveFile::Format& format) = 0;
    // Queues one block. -1 when refused, with the platform's text for why.
    virtual int Queue(std::span<const std::uint8_t> block, std::string& error) = 0;
    // Waits at most `timeout` for the block last queued to finish playing;
    // true once it has.
    virtual bool WaitDone(std::chrono::milliseconds timeout) = 0;
};

// The click stream of the program's audio output (an SDL device, or the null
// sink that consumes blocks at the pace they would play).
class CAudioClickDevice : public IClickDevice {
public:
    explicit CAudioClickDevice(CAudioOutput& output) : m_output(output) {}
    ~CAudioClickDevice() override;

    int Open(const CWaveFile::Format& format) override;
    int Queue(std::span<const std::uint8_t> block, std::string& error) override;
    bool WaitDone(std::chrono::milliseconds timeout) override;

private:
    CAudioOutput& m_output;
    bool m_bOpen = false;
};

// The pseudo-random numbers the click decisions draw: 0..32767, the same
// sequence for the same seed.
class CClickRandom {
public:
    explicit CClickRandom(std::uint32_t seed = 1) : m_nState(seed) {}
    int operator()() {
        m_nState = m_nState * 214013u + 2531011u;
        return static_cast<int>((m_nState >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t m_nState;
};

// The Geiger screen's audible side: ClickThread synthesises 256-sample
// blocks of clicks while the run event is signalled, with a click
// probability set by the signal level the screen hands over (SetLevel), and
// plays them one at a time on the click device.
//
// The thread reads the kernel file when it starts. A file that cannot be
// opened is told in a "File I/O Error" box and leaves the engine without a
// device: its first block is refused with a "WaveOut Error" box and it plays
// nothing afterwards. Boxes hold the thread until they are dismissed.
//
// The GUI thread only sets the level and signals or resets the run event.
// Destroying the engine stops the thread: it finishes the block it is
// writing to the device, abandons a wait for a box or for the device, and
// ends.
class CClickEngine {
public:
    // Shows a message box for the click thread and returns at once; the
    // box's owner calls `dismissed` (from any thread) once it is closed, or
    // when it will never be shown.
    using ShowMessage = std::function<void(std::string_view caption, std::string_view text,
                                           std::function<void()> dismissed)>;

    struct Setup {
        // The kernel file. Empty: `kernelFile` holds the file's bytes.
        std::string strKernelPath;
        std::vector<std::uint8_t> kernelFile;
        // The output device; nullptr: none (every block is refused).
        std::unique_ptr<IClickDevice> pDevice;
        // 0..32767 per call, on the click thread. Empty: CClickRandom(1).
        std::function<int()> random;
        // Empty: boxes are not shown and do not hold the thread.
        ShowMessage showMessage;
    };

    static constexpr const char* kFileErrorCaption = "File I/O Error";
    static constexpr const char* kFileErrorText = "Unable to open geiger file";
    static constexpr const char* kOutputErrorCaption = "WaveOut Error";
    static constexpr const char* kNoDeviceText = "No waveform output device is open.";

    explicit CClickEngine(Setup setup);
    ~CClickEngine();
    CClickEngine(const CClickEngine&) = delete;
    CClickEngine& operator=(const CClickEngine&) = delete;

    // Starts ClickThread (once).
    void Start();
    // Stops the thread and waits for it (also done by the destructor).
    void Stop();

    // The level in dBm the next block's click decision uses.
    void SetLevel(int level);
    int GetLevel() const { return m_nLevel.load(); }

    // The run event (manual reset): signalled while the clicks may run.
    void SetRunEvent();
    void ResetRunEvent();
    bool IsRunEventSet() const;

    // Blocks synthesised since the start, and those of them that clicked.
    std::uint32_t Blocks() const { return m_nBlocks.load(); }
    std::uint32_t ClickBlocks() const { return m_nClickBlocks.load(); }
    // Blocks the device accepted.
    std::uint32_t QueuedBlocks() const { return m_nQueued.load(); }

private:
    struct Shared;

    void ClickThread();
    // Audio set-up: kernel file, device, ring. False: no device.
    bool OpenOutput();
    // Waits for the run event; false when the thread is to stop.
    bool WaitRun();
    // Waits until the block out on the device has played; false on stop.
    bool WaitDone();
    // Shows a box and holds the thread until it is dismissed or the engine
    // stops.
    void ShowBox(std::string_view caption, std::string_view text);

    Setup m_setup;
    std::shared_ptr<Shared> m_pShared;
    std::thread m_thread;
    CClickSynth m_synth;
    CClickSynth::Block m_block{};
    bool m_bHaveDevice = false;

    std::atomic<std::int16_t> m_nLevel{0};
    std::atomic<std::uint32_t> m_nBlocks{0};
    std::atomic<std::uint32_t> m_nClickBlocks{0};
    std::atomic<std::uint32_t> m_nQueued{0};
};
