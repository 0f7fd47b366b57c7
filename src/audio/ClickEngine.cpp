#include "audio/ClickEngine.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "platform/AudioOutput.h"

namespace {

// How long a wait for the device lasts before the thread looks at its stop
// flag again; a block of 256 samples plays for 23 ms at 11025 Hz.
constexpr std::chrono::milliseconds kDoneSlice{20};

}  // namespace

CAudioClickDevice::~CAudioClickDevice() {
    if (m_bOpen) m_output.CloseStream();
}

int CAudioClickDevice::Open(const CWaveFile::Format& format) {
    // Integer PCM only, as the device takes it.
    if (format.nFormatTag != 1) return -1;
    WaveFormat stream;
    stream.nSampleRate = static_cast<int>(std::min<std::uint32_t>(format.nSamplesPerSec, 1u << 30));
    stream.nChannels = format.nChannels;
    stream.nBitsPerSample = format.wBitsPerSample;
    if (m_output.OpenStream(stream) < 0) return -1;
    m_bOpen = true;
    return 0;
}

int CAudioClickDevice::Queue(std::span<const std::uint8_t> block, std::string& error) {
    if (!m_bOpen) {
        error = CClickEngine::kNoDeviceText;
        return -1;
    }
    if (m_output.QueueBlock(block) < 0) {
        error = "The block does not hold whole samples of the device's format.";
        return -1;
    }
    return 0;
}

bool CAudioClickDevice::WaitDone(std::chrono::milliseconds timeout) {
    return m_output.WaitStreamDrained(timeout);
}

// What the click thread shares with the GUI thread and with the owners of
// its message boxes, who may outlive the engine.
struct CClickEngine::Shared {
    std::mutex mutex;
    std::condition_variable cv;
    bool bRun = false;   // the run event
    bool bStop = false;  // the stop flag
    int nBoxesOpen = 0;  // boxes the thread waits on
};

CClickEngine::CClickEngine(Setup setup)
    : m_setup(std::move(setup)), m_pShared(std::make_shared<Shared>()) {
    if (!m_setup.random) m_setup.random = CClickRandom(1);
}

CClickEngine::~CClickEngine() {
    Stop();
}

void CClickEngine::Start() {
    if (m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_pShared->mutex);
        m_pShared->bStop = false;
    }
    m_thread = std::thread([this] { ClickThread(); });
}

void CClickEngine::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_pShared->mutex);
        m_pShared->bStop = true;
    }
    m_pShared->cv.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void CClickEngine::SetLevel(int level) {
    m_nLevel.store(static_cast<std::int16_t>(std::clamp(level, -32768, 32767)));
}

void CClickEngine::SetRunEvent() {
    {
        std::lock_guard<std::mutex> lock(m_pShared->mutex);
        m_pShared->bRun = true;
    }
    m_pShared->cv.notify_all();
}

void CClickEngine::ResetRunEvent() {
    std::lock_guard<std::mutex> lock(m_pShared->mutex);
    m_pShared->bRun = false;
}

bool CClickEngine::IsRunEventSet() const {
    std::lock_guard<std::mutex> lock(m_pShared->mutex);
    return m_pShared->bRun;
}

bool CClickEngine::OpenOutput() {
    CWaveFile file;
    const int rc = m_setup.strKernelPath.empty()
                       ? file.Load(m_setup.kernelFile, CClickSynth::kKernelTaps)
                       : file.Open(m_setup.strKernelPath, CClickSynth::kKernelTaps);
    if (rc < 0) {
        ShowBox(kFileErrorCaption, kFileErrorText);
        return false;
    }
    // A device that cannot play the file's format is no device either: the
    // first block tells it.
    const bool bDevice = m_setup.pDevice != nullptr && m_setup.pDevice->Open(file.GetFormat()) == 0;
    m_synth.SetKernel(file.Samples());
    m_synth.Reset();
    return bDevice;
}

void CClickEngine::ClickThread() {
    m_bHaveDevice = OpenOutput();
    bool bFirst = true;
    // The header's done flag: set once the block last queued has played,
    // cleared by queuing the next. It stays clear after a refused block, so
    // without a device the thread waits for ever after its first block.
    bool bDone = false;
    while (WaitRun()) {
        const int level = m_nLevel.load();
        const int r = std::clamp(m_setup.random(), 0, CClickSynth::kRandomMax);
        const bool bClick = CClickSynth::IsClickBlock(r, level);
        m_synth.Synthesise(bClick, m_block);
        m_nBlocks.fetch_add(1);
        if (bClick) m_nClickBlocks.fetch_add(1);

        if (!bFirst && !bDone) {
            if (!WaitDone()) break;
            bDone = true;
        }
        bFirst = false;

        std::string error = kNoDeviceText;
        if (m_bHaveDevice && m_setup.pDevice->Queue(m_block, error) == 0) {
            bDone = false;
            m_nQueued.fetch_add(1);
        } else {
            ShowBox(kOutputErrorCaption, error);
        }
    }
}

bool CClickEngine::WaitRun() {
    std::unique_lock<std::mutex> lock(m_pShared->mutex);
    m_pShared->cv.wait(lock, [this] { return m_pShared->bRun || m_pShared->bStop; });
    return !m_pShared->bStop;
}

bool CClickEngine::WaitDone() {
    for (;;) {
        if (m_bHaveDevice && m_setup.pDevice->WaitDone(kDoneSlice)) return true;
        std::unique_lock<std::mutex> lock(m_pShared->mutex);
        if (m_pShared->bStop) return false;
        // Nothing will ever signal a missing device: sleep until stopped.
        if (!m_bHaveDevice) m_pShared->cv.wait(lock, [this] { return m_pShared->bStop; });
    }
}

void CClickEngine::ShowBox(std::string_view caption, std::string_view text) {
    if (!m_setup.showMessage) return;
    std::shared_ptr<Shared> shared = m_pShared;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->bStop) return;
        ++shared->nBoxesOpen;
    }
    m_setup.showMessage(caption, text, [shared] {
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            --shared->nBoxesOpen;
        }
        shared->cv.notify_all();
    });
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->cv.wait(lock, [&] { return shared->nBoxesOpen == 0 || shared->bStop; });
}
